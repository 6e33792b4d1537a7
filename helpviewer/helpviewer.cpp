// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer.h"

#include "chmfile.h"
#include "controls.h"
#include "helpwindow.h"
#include "messagebox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;


HelpViewer::HelpViewer(QWidget *owner, QStringList searchPath)
    : QObject(owner), m_owner(owner), m_searchPath(std::move(searchPath))
{
}

HelpViewer::~HelpViewer() = default;

QStringList HelpViewer::defaultSearchPath()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    // "." is the current directory at the time of each request.
    return { u"."_s, programDir, programDir + u"/../share/porunka"_s,
             QStringLiteral(PORUNKA_DATA_DIR) };
}

QString HelpViewer::locate(const QString &fileName) const
{
    if (QFileInfo(fileName).isAbsolute())
        return QFileInfo(fileName).isFile() ? fileName : QString();
    for (QString dir : m_searchPath) {
        if (dir == u"." || dir.isEmpty())
            dir = QDir::currentPath();
        const QFileInfo candidate(QDir(dir).filePath(fileName));
        if (candidate.isFile())
            return candidate.canonicalFilePath();
    }
    return {};
}

void HelpViewer::displayTopic(const QString &fileName)
{
    const QString path = locate(fileName);
    if (path.isEmpty()) {
        QStringList places;
        for (const QString &dir : m_searchPath)
            places.append(QDir::cleanPath(QDir(dir == u"." ? QDir::currentPath() : dir).absoluteFilePath(fileName)));
        places.removeDuplicates();
        MessageBox::show(m_owner, u"ヘルプ"_s,
                         u"ヘルプファイル「%1」が見つかりません。\n\n探した場所:\n%2"_s
                                 .arg(fileName, places.join(u'\n')),
                         MessageBox::Icon::Warning, MessageBox::Buttons::Ok);
        return;
    }
    if (QWidget *open = m_windows.value(path)) {
        open->show();
        open->raise();
        open->activateWindow();
        return;
    }
    std::unique_ptr<ChmFile> file = ChmFile::open(path);
    if (!file || file->defaultTopic().isEmpty()) {
        MessageBox::show(m_owner, u"ヘルプ"_s,
                         u"ヘルプファイル「%1」を開けません。ファイルが壊れているかもしれません。\n\n%2"_s
                                 .arg(fileName, QDir::toNativeSeparators(path)),
                         MessageBox::Icon::Warning, MessageBox::Buttons::Ok);
        return;
    }
    auto *window = new HelpWindow(std::move(file), fileName, m_owner);
    m_windows.insert(path, window);
    // Where the file's author put it, when that is on the screen; else beside the owner.
    const QRect defined = window->definedPlace();
    if (!defined.isNull() && m_owner->screen()->availableGeometry().contains(defined))
        window->setGeometry(defined);
    else
        placeBeside(*window, *m_owner);
    // Only on a screen narrower than the window is meant to be does the page have it all.
    window->showNavigation(window->width() >= window->minimumWidth());
    window->show();
}

void HelpViewer::closeAll()
{
    for (const QPointer<QWidget> &window : std::as_const(m_windows)) {
        if (window)
            window->close();
    }
    m_windows.clear();
}

QList<QWidget *> HelpViewer::windows() const
{
    QList<QWidget *> open;
    for (const QPointer<QWidget> &window : m_windows) {
        if (window)
            open.append(window);
    }
    return open;
}
