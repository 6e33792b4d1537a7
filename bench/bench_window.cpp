// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's operations on ledgers of every size, in process and offscreen: the start-up
// sequence (load into the list and the figures), one deposit, one confirmed deletion and
// clearing, and one confirmed undo of each, the last four followed by a repaint; 貯金のあゆみ
// opened and drawn, and following a deposit. Each runs with the ledger on disk and on a memory file
// system; the difference is the time spent waiting for the disk to make the write durable.
// Prints one line per operation and size: median milliseconds of 11 runs.
#include "clock.h"
#include "translations.h"
#include "ledgergen.h"
#include "ledgertotals.h"
#include "mainwindow.h"
#include "messagebox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QShortcut>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

class FixedClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime(QDate(2026, 12, 6), QTime(19, 4, 5)); }
};

constexpr int Runs = 11;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Times `operation` on a freshly started window over a fresh copy of `ledger`.
double timeOperation(const QString &dir, const QByteArray &ledger,
                     const std::function<void(MainWindow &)> &prepare,
                     const std::function<void(MainWindow &)> &operation, bool repaint)
{
    const FixedClock clock;
    std::vector<double> runs;
    for (int run = 0; run < Runs; ++run) {
        const QString path = dir + u"/"_s + QString::fromUtf16(LedgerFileName);
        QFile::remove(ledgerBackupPath(path));
        if (!writeFile(path, ledger))
            qFatal("cannot write %s", qPrintable(path));
        MainWindow window(clock, path);
        window.start();
        prepare(window);
        QApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        operation(window);
        if (repaint)
            window.repaint();
        runs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(runs);
}

QShortcut *shortcut(MainWindow &w, const QKeySequence &key)
{
    for (QShortcut *candidate : w.findChildren<QShortcut *>())
        if (candidate->key() == key)
            return candidate;
    qFatal("no shortcut %s", qPrintable(key.toString()));
}

// A confirmed double-click on the row in the middle.
void deleteMiddle(MainWindow &w)
{
    auto *list = w.findChild<QTableView *>(u"msgKozeni"_s);
    list->setCurrentIndex(list->model()->index(list->model()->rowCount() / 2, 1));
    MessageBox::answerNext(MessageBox::Answer::Ok);
    emit list->doubleClicked(list->currentIndex());
}

void report(const char *what, int entries, double disk, double memory)
{
    std::printf("%-10s %6d entries   %8.2f ms on disk   %8.2f ms in memory   %8.2f ms flush\n",
                what, entries, disk, memory, disk - memory);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpApplication(app);
    QTemporaryDir diskDir(QDir::currentPath() + u"/bench-XXXXXX"_s);
    QTemporaryDir memoryDir(u"/dev/shm/porunka-bench-XXXXXX"_s);
    if (!diskDir.isValid() || !memoryDir.isValid())
        qFatal("no temporary directories");

    const auto nothing = [](MainWindow &) {};
    for (const int entries : { 1000, 10000, LedgerTotals::MaxEntries }) {
        const QByteArray ledger = generatedLedger(entries);
        const auto both = [&](const char *what, const QByteArray &bytes,
                              const std::function<void(MainWindow &)> &prepare,
                              const std::function<void(MainWindow &)> &operation,
                              bool repaint = true) {
            report(what, entries, timeOperation(diskDir.path(), bytes, prepare, operation, repaint),
                   timeOperation(memoryDir.path(), bytes, prepare, operation, repaint));
        };

        // The start-up sequence without the show: a window started again on the same file.
        both("load", ledger, nothing, [](MainWindow &w) { w.start(); });

        // A deposit: the largest ledger takes one more only below the limit.
        const QByteArray forDeposit = entries == LedgerTotals::MaxEntries
                ? generatedLedger(entries - 1)
                : ledger;
        both("deposit", forDeposit,
             [](MainWindow &w) {
                 w.findChild<QLineEdit *>(u"txtKozeni_Inp"_s)->setText(u"300"_s);
             },
             [](MainWindow &w) { w.Deposit(); }, false);

        both("delete", ledger,
             [](MainWindow &w) {
                 auto *list = w.findChild<QTableView *>(u"msgKozeni"_s);
                 list->setCurrentIndex(list->model()->index(list->model()->rowCount() / 2, 1));
             },
             [](MainWindow &w) { deleteMiddle(w); });

        const auto clear = [](MainWindow &w) {
            MessageBox::answerNext(MessageBox::Answer::Ok);
            w.findChild<QToolButton *>(u"cmdKozeniClr"_s)->click();
        };
        both("clear", ledger, nothing, clear);

        // Ctrl+Z, answered, after a deletion in the middle and after a clearing.
        const auto undo = [](MainWindow &w) {
            MessageBox::answerNext(MessageBox::Answer::Ok);
            emit shortcut(w, QKeySequence::Undo)->activated();
        };
        both("undo del", ledger, [&](MainWindow &w) { deleteMiddle(w); }, undo);
        both("undo clr", ledger, clear, undo);

        // 貯金のあゆみ opened by its key and drawn whole; then a deposit made while it is open.
        const auto ayumi = [](MainWindow &w) {
            emit shortcut(w, MainWindow::HistoryKey)->activated();
            w.historyWindow()->grab();
        };
        both("ayumi", ledger, nothing, ayumi, false);
        both("ayumi dep", forDeposit,
             [&](MainWindow &w) {
                 ayumi(w);
                 w.findChild<QLineEdit *>(u"txtKozeni_Inp"_s)->setText(u"300"_s);
             },
             [](MainWindow &w) {
                 w.Deposit();
                 w.historyWindow()->grab();
             }, false);
    }
    return 0;
}
