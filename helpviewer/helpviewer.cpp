// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer.h"

#include "chmfile.h"
#include "helpwindow.h"
#include "messagebox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QScreen>

using namespace Qt::Literals::StringLiterals;

namespace {

// Beside the owner on the side with more room, as wide as that room allows; where the room is
// narrower than the window can be, over the owner's edge at the screen's, so that the rest of the
// owner stays in reach; always within the screen.
void placeBeside(QWidget &window, const QWidget &owner)
{
    const QRect available = owner.screen()->availableGeometry();
    const QRect ownerFrame = owner.frameGeometry();
    const QRect ownerClient = owner.geometry();
    // Its own frame is not there yet; the owner's, from the same window manager, stands in.
    const QMargins frame(ownerClient.left() - ownerFrame.left(), ownerClient.top() - ownerFrame.top(),
                         ownerFrame.right() - ownerClient.right(),
                         ownerFrame.bottom() - ownerClient.bottom());
    const int roomRight = available.right() - ownerFrame.right();
    const int roomLeft = ownerFrame.left() - available.left();
    const bool right = roomRight >= roomLeft;
    const int room = std::max(roomLeft, roomRight) - frame.left() - frame.right();
    const int width = std::min(window.width(), std::max(room, window.minimumWidth()));
    const int height = std::min(window.height(), available.height() - frame.top() - frame.bottom());
    const int x = right ? std::min(ownerFrame.right() + 1, available.right() + 1 - width - frame.right()) + frame.left()
                        : std::max(ownerFrame.left(), available.left() + frame.left() + width) - frame.right() - width;
    const int y = ownerFrame.top() + frame.top();
    window.setGeometry(
            std::clamp(x, available.left() + frame.left(), available.right() - frame.right() - width + 1),
            std::clamp(y, available.top() + frame.top(), available.bottom() - frame.bottom() - height + 1),
            width, height);
}

} // namespace

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
