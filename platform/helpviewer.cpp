// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer.h"

#include "chmfile.h"
#include "controls.h"
#include "messagebox.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImage>
#include <QScreen>
#include <QStringDecoder>
#include <QTextFrame>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Scheme = u"chm"_s;

// A browser whose pages, pictures and style sheets come out of the help file. Links that
// leave the file are not followed: the program makes no network use.
class ChmBrowser : public QTextBrowser
{
public:
    ChmBrowser(std::unique_ptr<ChmFile> file, QWidget *parent)
        : QTextBrowser(parent), m_file(std::move(file))
    {
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, &ChmBrowser::follow);
        connect(this, &QTextBrowser::sourceChanged, this, &ChmBrowser::keepMarkersReadable);
    }

    QVariant loadResource(int type, const QUrl &url) override
    {
        const QUrl resolved = source().resolved(url);
        if (resolved.scheme() != Scheme)
            return {};
        const auto bytes = m_file->read(resolved.path());
        if (!bytes)
            return {};
        switch (type) {
        case QTextDocument::ImageResource:
            return QImage::fromData(*bytes);
        case QTextDocument::StyleSheetResource:
            return QString::fromUtf8(*bytes);
        default:
            return *bytes; // pages are decoded by their own charset declaration
        }
    }

private:
    // List bullets and numbers are drawn in the scheme's text colour, whatever colours the page
    // sets: on a page that sets its own background they must stand out from that.
    void keepMarkersReadable()
    {
        const QBrush page = document()->rootFrame()->frameFormat().background();
        QPalette pal = palette();
        pal.setColor(QPalette::Text, readableOn(QApplication::palette().color(QPalette::Text),
                                                page.style() == Qt::NoBrush ? QColor() : page.color()));
        setPalette(pal);
    }

    void follow(const QUrl &link)
    {
        const QUrl target = source().resolved(link);
        if (target.scheme() != Scheme)
            return;
        if (target.path() == source().path() && target.hasFragment())
            scrollToAnchor(target.fragment());
        else
            setSource(target);
    }

    std::unique_ptr<ChmFile> m_file;
};

class HelpWindow : public QWidget
{
public:
    HelpWindow(std::unique_ptr<ChmFile> file, const QString &fileName, QWidget *owner)
        : QWidget(owner, Qt::Window)
    {
        setAttribute(Qt::WA_DeleteOnClose);
        setObjectName(u"helpWindow"_s);
        setWindowTitle(file->title().isEmpty() ? fileName : file->title());
        resize(640, 520);

        const QUrl start(Scheme + u':' + file->defaultTopic());
        m_browser = new ChmBrowser(std::move(file), this);
        m_browser->setObjectName(u"helpBrowser"_s);

        auto *buttons = new QHBoxLayout;
        const auto button = [&](const QString &text, auto slot) {
            auto *b = new QToolButton(this);
            b->setText(text);
            buttons->addWidget(b);
            connect(b, &QToolButton::clicked, m_browser, slot);
            return b;
        };
        auto *back = button(u"戻る"_s, &QTextBrowser::backward);
        auto *forward = button(u"進む"_s, &QTextBrowser::forward);
        button(u"目次"_s, &QTextBrowser::home);
        buttons->addStretch();
        back->setEnabled(false);
        forward->setEnabled(false);
        connect(m_browser, &QTextBrowser::backwardAvailable, back, &QWidget::setEnabled);
        connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QWidget::setEnabled);

        auto *layout = new QVBoxLayout(this);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addLayout(buttons);
        layout->addWidget(m_browser);
        m_browser->setSource(start);
    }

private:
    ChmBrowser *m_browser;
};

// Beside the owner, never over it: on the side with more room, as wide as that room allows down
// to a readable width, and within the screen.
void placeBeside(QWidget &window, const QWidget &owner)
{
    constexpr int ReadableWidth = 280;
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
    const int width = std::min(window.width(), std::max(room, ReadableWidth));
    const int height = std::min(window.height(), available.height() - frame.top() - frame.bottom());
    const int x = right ? ownerFrame.right() + 1 + frame.left() : ownerFrame.left() - frame.right() - width;
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
    placeBeside(*window, *m_owner);
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
