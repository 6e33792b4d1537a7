// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// help_porunka FILE.chm WORD: opens a help file as the help button does and prints, on standard
// error, the time from exec (under execstamp) until its first topic is painted, the first
// full-text search for WORD until its first result and until it is done, a second search, and
// the peak resident memory after opening and after searching. With WORD "-" it only opens the
// file and stays, for screenstill to time beside other viewers.
#include "chmfile.h"
#include "firstpaint.h"
#include "helpviewer.h"
#include "helpwindow.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QTextBrowser>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

struct FirstPaint : QObject
{
    std::function<void()> painted;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && painted) {
            QTimer::singleShot(0, this, std::exchange(painted, nullptr));
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: help_porunka FILE.chm WORD\n");
        return 2;
    }
    if (const QByteArray reader = qgetenv("PORUNKA_CHM_READER"); !reader.isEmpty())
        ChmFile::setReaderPath(QString::fromLocal8Bit(reader));
    const QFileInfo file(QString::fromLocal8Bit(argv[1]));
    const QString word = QString::fromLocal8Bit(argv[2]);
    QWidget owner;
    owner.resize(631, 452);
    owner.show();
    HelpViewer viewer(&owner, { file.absolutePath() });
    viewer.displayTopic(file.fileName());
    auto *window = qobject_cast<HelpWindow *>(viewer.windows().value(0));
    if (!window)
        return 1;
    auto *results = window->findChild<QListWidget *>(u"helpSearchResults"_s);
    FirstPaint watch;
    window->findChild<QTextBrowser *>(u"helpBrowser"_s)->viewport()->installEventFilter(&watch);
    QElapsedTimer searching;
    qint64 firstResult = -1;
    int searches = 0;
    QObject::connect(results->model(), &QAbstractItemModel::rowsInserted, &app, [&] {
        if (firstResult < 0 && results->item(0)->data(Qt::UserRole).isValid())
            firstResult = searching.elapsed();
    });
    QObject::connect(window, &HelpWindow::searchFinished, &app, [&] {
        const qint64 ms = searching.elapsed();
        if (++searches == 1) {
            std::fprintf(stderr, "search_first_result_ms %lld\nsearch_ms %lld\nresults %d\n", firstResult, ms, results->count());
            reportPeakMemory();
            QTimer::singleShot(0, window, [&] { searching.restart(); window->search(word); });
        } else {
            std::fprintf(stderr, "search_again_ms %lld\n", ms);
            app.quit();
        }
    });
    watch.painted = [&] {
        reportFirstPaint();
        reportPeakMemory();
        if (word == u"-")
            return;
        searching.start();
        window->search(word);
    };
    return app.exec();
}
