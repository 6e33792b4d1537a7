// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpwindow.h"

#include "chmfile.h"
#include "controls.h"
#include "fonts.h"
#include "helpparts.h"
#include "helpsitemap.h"
#include "helptext.h"
#include "printmodule.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QElapsedTimer>
#include <QBuffer>
#include <QHBoxLayout>
#include <QImage>
#include <QImageReader>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QThread>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextBlock>
#include <QTextFrame>
#include <QToolButton>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Scheme = u"chm"_s;
constexpr int PathRole = Qt::UserRole;
constexpr int EntryRole = Qt::UserRole + 1;
constexpr int RankRole = Qt::UserRole + 2;
constexpr int MostResults = 500;
constexpr qint64 BatchMs = 100;

// The zoom the user chose, in percent, kept for every help window while the program runs.
int zoomPercent = 100;
constexpr int ZoomStep = 10, LeastZoom = 50, MostZoom = 300;
// The least the panes and the page read comfortably in.
constexpr QSize LeastSize(720, 480);

// A sitemap's or a link's page as a path inside the file: "ms-its:x.chm::/a.htm" and
// "mk:@MSITStore:x.chm::/a.htm" name a page of this file too.
QString pathOf(QString local)
{
    if (const qsizetype inside = local.indexOf(u"::"); inside >= 0)
        local = local.mid(inside + 2);
    local.replace(u'\\', u'/');
    return local.startsWith(u'/') ? local : u'/' + local;
}

} // namespace

// A browser whose pages, pictures and style sheets come out of the help file. Links that
// leave the file are not followed: the program makes no network use.
class ChmBrowser : public QTextBrowser
{
public:
    ChmBrowser(const ChmFile &file, QWidget *parent) : QTextBrowser(parent), m_file(file)
    {
        setOpenLinks(false);
        connect(this, &QTextBrowser::anchorClicked, this, &ChmBrowser::follow);
    }

    // Never an invalid value: with one, the document would fall back to opening the name as a
    // file itself, and a planted page could show any file, or wait for ever on a FIFO.
    QVariant loadResource(int type, const QUrl &url) override
    {
        const QUrl resolved = source().resolved(url);
        const auto bytes = resolved.scheme() == Scheme ? m_file.read(resolved.path()) : std::nullopt;
        switch (type) {
        case QTextDocument::ImageResource:
            return pictureOf(bytes.value_or(QByteArray()));
        case QTextDocument::StyleSheetResource:
            return bytes ? m_file.decode(*bytes) : QString();
        case QTextDocument::HtmlResource:
            return bytes ? pageText(m_file, *bytes) : QString();
        default:
            return bytes.value_or(QByteArray());
        }
    }

    // A page as the browser is given it: in its declared character set (else the file's), its
    // scripts taken out, which the browser would show as text.
    static QString pageText(const ChmFile &file, const QByteArray &bytes)
    {
        static const QRegularExpression script(uR"(<script\b.*?(</script\s*>|$))"_s,
                                               QRegularExpression::CaseInsensitiveOption
                                                       | QRegularExpression::DotMatchesEverythingOption);
        const QString html = file.decodePage(bytes).remove(script);
        if (HelpText::laysOutQuickly(html))
            return html;
        // Laid out, it would hold the window for minutes: its words alone, and why.
        constexpr qsizetype MostShown = 1 << 20;
        const HelpText::Page page = HelpText::pageText(html);
        return u"<p><b>このページは複雑すぎるため、書式を付けずに表示しています。</b></p><pre>%1</pre>"_s
                .arg(page.text.left(MostShown).toHtmlEscaped());
    }

    // Called once each page is in, whatever brought it: a link, the history or a pane.
    std::function<void()> shown;

    // Lays the page out again at `percent` of its sizes, where the reader was.
    void zoomTo(int percent)
    {
        zoomPercent = std::clamp(percent, LeastZoom, MostZoom);
        const QScrollBar *bar = verticalScrollBar();
        const qreal place = bar->maximum() > 0 ? qreal(bar->value()) / bar->maximum() : 0;
        reload();
        verticalScrollBar()->setValue(qRound(place * verticalScrollBar()->maximum()));
    }

protected:
    void doSetSource(const QUrl &url, QTextDocument::ResourceType type) override
    {
        setExtraSelections({}); // the marks of a search belong to the page they were made on
        QTextBrowser::doSetSource(url, type);
        applyZoom();
        keepMarkersReadable();
        if (shown)
            shown();
    }

private:
    // Zooming the browser's own font leaves text whose size the page sets as it was: every size
    // the page sets is scaled too.
    void applyZoom()
    {
        const qreal factor = zoomPercent / 100.0;
        QFont base = font();
        base.setPointSizeF(base.pointSizeF() * factor);
        document()->setDefaultFont(base);
        if (zoomPercent == 100)
            return;
        QTextCursor cursor(document());
        for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                QTextCharFormat format = fragment.charFormat();
                if (format.hasProperty(QTextFormat::FontPointSize))
                    format.setFontPointSize(format.fontPointSize() * factor);
                else if (format.hasProperty(QTextFormat::FontPixelSize))
                    format.setProperty(QTextFormat::FontPixelSize, qRound(format.intProperty(QTextFormat::FontPixelSize) * factor));
                else
                    continue;
                cursor.setPosition(fragment.position());
                cursor.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
                cursor.setCharFormat(format);
            }
        }
    }

    // A picture of the file, unless decoding it would take more memory than a page may. Never a
    // null one: for that, the document would load the picture's name from the disk instead.
    static QImage pictureOf(const QByteArray &bytes)
    {
        constexpr qint64 MostPixels = 4096 * 4096;
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        const QSize size = reader.size();
        QImage picture;
        if (size.isValid() && qint64(size.width()) * size.height() <= MostPixels)
            picture = reader.read();
        if (picture.isNull()) {
            picture = QImage(1, 1, QImage::Format_ARGB32);
            picture.fill(Qt::transparent);
        }
        return picture;
    }

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
        if (link.scheme() == u"ms-its" || link.scheme() == u"mk") {
            setSource(QUrl(Scheme + u':' + pathOf(link.toString())));
            return;
        }
        const QUrl target = source().resolved(link);
        if (target.scheme() != Scheme)
            return;
        if (target.path() == source().path() && target.hasFragment())
            scrollToAnchor(target.fragment());
        else
            setSource(target);
    }

    const ChmFile &m_file;
};

// The page as a screen reader reads it: a read-only document whose text is the page's words,
// without the marks the document keeps where its tables and pictures stand (a space for each,
// so that places in the text stay places in the document).
class PageAccessible : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit PageAccessible(QWidget *page) : QAccessibleWidget(page, QAccessible::Document) { }

    static QAccessibleInterface *create(const QString &className, QObject *object)
    {
        auto *page = className == u"QTextBrowser" ? dynamic_cast<ChmBrowser *>(object) : nullptr;
        return page ? new PageAccessible(page) : nullptr;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface *>(this)
                                                  : QAccessibleWidget::interface_cast(type);
    }
    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = state.multiLine = true;
        return state;
    }
    QString text(QAccessible::Text kind) const override
    {
        return kind == QAccessible::Value ? words() : QAccessibleWidget::text(kind);
    }

    QString text(int start, int end) const override { return words().mid(start, end - start); }
    int characterCount() const override { return int(words().size()); }
    int cursorPosition() const override { return page()->textCursor().position(); }
    void setCursorPosition(int position) override { select(position, position); }
    int selectionCount() const override { return page()->textCursor().hasSelection() ? 1 : 0; }
    void selection(int, int *start, int *end) const override
    {
        const QTextCursor cursor = page()->textCursor();
        *start = cursor.hasSelection() ? cursor.selectionStart() : 0;
        *end = cursor.hasSelection() ? cursor.selectionEnd() : 0;
    }
    void addSelection(int start, int end) override { select(start, end); }
    void setSelection(int, int start, int end) override { select(start, end); }
    void removeSelection(int) override { setCursorPosition(cursorPosition()); }
    void scrollToSubstring(int start, int end) override { select(start, end); }
    QRect characterRect(int offset) const override
    {
        QTextCursor cursor(page()->document());
        cursor.setPosition(std::clamp(offset, 0, characterCount()));
        const QRect place = page()->cursorRect(cursor);
        return QRect(page()->viewport()->mapToGlobal(place.topLeft()), place.size());
    }
    int offsetAtPoint(const QPoint &point) const override
    {
        return page()->cursorForPosition(page()->viewport()->mapFromGlobal(point)).position();
    }
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = offset;
        *end = offset + 1;
        return {};
    }

private:
    QTextBrowser *page() const { return static_cast<QTextBrowser *>(widget()); }
    QString words() const { return page()->toPlainText().replace(QChar::ObjectReplacementCharacter, u' '); }
    void select(int start, int end)
    {
        QTextCursor cursor(page()->document());
        cursor.setPosition(std::clamp(start, 0, characterCount()));
        cursor.setPosition(std::clamp(end, 0, characterCount()), QTextCursor::KeepAnchor);
        page()->setTextCursor(cursor);
        page()->ensureCursorVisible();
    }
};

HelpWindow::HelpWindow(std::unique_ptr<ChmFile> file, const QString &fileName, QWidget *owner)
    : QWidget(owner, Qt::Window), m_file(std::move(file))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(u"helpWindow"_s);
    setWindowTitle(m_file->title().isEmpty() ? fileName : m_file->title());
    // Latin and Cyrillic in a face made for them: a Japanese face draws them full width.
    QFont reading = QApplication::font();
    reading.setFamilies({ Fonts::latinFamily(), Fonts::installedFamily(Fonts::proportionalFamily()) });
    setFont(reading);
    resize(860, 600);

    static const bool readable = (QAccessible::installFactory(&PageAccessible::create), true);
    Q_UNUSED(readable);
    m_page = new ChmBrowser(*m_file, this);
    m_page->setObjectName(u"helpBrowser"_s);
    m_page->setAccessibleName(u"ページ"_s);
    createPanes();
    createToolBar();

    m_find = new QLineEdit(this);
    m_find->setObjectName(u"findInPage"_s);
    m_find->setPlaceholderText(u"ページ内を検索（Enter で次へ、Esc で閉じる）"_s);
    m_find->setAccessibleName(u"ページ内の検索"_s);
    m_find->hide();
    connect(m_find, &QLineEdit::returnPressed, this, &HelpWindow::findInPage);
    connect(new QShortcut(Qt::Key_Escape, m_find, nullptr, nullptr, Qt::WidgetShortcut), &QShortcut::activated, m_find,
            [this] { m_find->hide(); m_page->setFocus(); });
    connect(new QShortcut(Qt::Key_F6, this), &QShortcut::activated, this, &HelpWindow::switchPane);

    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_page);
    rightLayout->addWidget(m_find);
    auto *splitter = new QSplitter(this);
    splitter->addWidget(m_panes);
    splitter->addWidget(right);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({ 240, 620 });
    splitter->setCollapsible(1, false);
    layout()->addWidget(splitter);
    // Room for the whole toolbar, the panes and a page some forty characters wide.
    const int page = 40 * m_page->fontMetrics().horizontalAdvance(u'あ');
    setMinimumSize(std::max({ LeastSize.width(), layout()->minimumSize().width(), 240 + page }), LeastSize.height());

    m_page->shown = [this] { followInContents(); };
    m_page->setSource(QUrl(Scheme + u':' + m_file->defaultTopic()));
}

HelpWindow::~HelpWindow()
{
    if (m_scanner) {
        *m_stopScan = true;
        m_scanner->wait();
        delete m_scanner;
    }
}

QRect HelpWindow::definedPlace() const
{
    return m_file->windowRect();
}

void HelpWindow::showNavigation(bool shown)
{
    m_navigation->setChecked(shown);
}

void HelpWindow::createToolBar()
{
    auto *bar = new QToolBar(this);
    bar->setObjectName(u"helpToolBar"_s);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto action = [&](const QString &text, QKeySequence key, auto slot) {
        QAction *a = bar->addAction(text, this, slot);
        a->setShortcut(key);
        a->setToolTip(key.isEmpty() ? text : text + u" ("_s + key.toString(QKeySequence::NativeText) + u')');
        return a;
    };
    m_navigation = bar->addAction(u"ナビゲーション"_s);
    m_navigation->setShortcut(Qt::Key_F9);
    m_navigation->setCheckable(true);
    m_navigation->setChecked(true);
    m_navigation->setToolTip(u"目次・索引・検索の欄を表示または非表示にします (F9)"_s);
    connect(m_navigation, &QAction::toggled, m_panes, &QWidget::setVisible);
    QAction *back = action(u"戻る"_s, QKeySequence::Back, [this] { m_page->backward(); });
    QAction *forward = action(u"進む"_s, QKeySequence::Forward, [this] { m_page->forward(); });
    back->setEnabled(false);
    forward->setEnabled(false);
    connect(m_page, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_page, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    action(u"ホーム"_s, QKeySequence(), [this] { open(m_file->defaultTopic()); });
    action(u"印刷"_s, QKeySequence::Print, &HelpWindow::print);
    action(u"拡大"_s, QKeySequence::ZoomIn, [this] { m_page->zoomTo(zoomPercent + ZoomStep); });
    action(u"縮小"_s, QKeySequence::ZoomOut, [this] { m_page->zoomTo(zoomPercent - ZoomStep); });
    auto *actualSize = new QAction(u"元の大きさ"_s, this);
    actualSize->setShortcut(Qt::CTRL | Qt::Key_0);
    connect(actualSize, &QAction::triggered, this, [this] { m_page->zoomTo(100); });
    addAction(actualSize);
    action(u"ページ内の検索"_s, QKeySequence::Find, [this] { m_find->show(); m_find->setFocus(); m_find->selectAll(); });
    for (QAction *a : bar->actions() + actions())
        a->setShortcutContext(Qt::WindowShortcut);
    // Shown only when the window is made narrower than it opens: it still says what it is.
    if (auto *more = bar->findChild<QToolButton *>(u"qt_toolbar_ext_button"_s)) {
        more->setAccessibleName(u"その他のコマンド"_s);
        more->setToolTip(more->accessibleName());
    }
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 0, 4, 4);
    layout->setSpacing(2);
    layout->addWidget(bar);
}

void HelpWindow::createPanes()
{
    m_panes = new QTabWidget(this);
    m_panes->setObjectName(u"helpPanes"_s);
    m_panes->setAccessibleName(u"ナビゲーション"_s);

    m_contents = new QTreeWidget(m_panes);
    m_contents->setObjectName(u"helpContents"_s);
    m_contents->setHeaderHidden(true);
    m_contents->setAccessibleName(u"目次"_s);
    const QByteArray hhc = m_file->read(m_file->contentsFile()).value_or(QByteArray());
    const QList<SitemapEntry> contents = parseSitemap(m_file->decode(hhc));
    fillContents(nullptr, contents);
    // A file without contents: its pages by their titles.
    if (contents.isEmpty()) {
        for (const Page &page : pages()) {
            auto *item = new QTreeWidgetItem(m_contents, { page.title });
            item->setData(0, PathRole, page.path);
            m_contentsByPath.insert(page.path, item);
        }
    }
    connect(m_contents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (const QString path = item->data(0, PathRole).toString(); !path.isEmpty())
            open(path);
    });
    connect(m_contents, &QTreeWidget::itemActivated, m_contents, &QTreeWidget::itemClicked);
    m_panes->addTab(m_contents, u"目次"_s);

    auto *index = new QWidget(m_panes);
    m_indexFilter = new QLineEdit(index);
    m_indexFilter->setObjectName(u"helpIndexFilter"_s);
    m_indexFilter->setPlaceholderText(u"キーワードを入力"_s);
    m_indexFilter->setAccessibleName(u"索引のキーワード"_s);
    m_index = new QListWidget(index);
    m_index->setObjectName(u"helpIndex"_s);
    m_index->setAccessibleName(u"索引"_s);
    const QByteArray hhk = m_file->read(m_file->indexFile()).value_or(QByteArray());
    const QList<SitemapEntry> keywords = parseSitemap(m_file->decode(hhk));
    fillIndex(keywords, 0);
    if (keywords.isEmpty()) {
        QList<Page> byTitle = pages();
        std::sort(byTitle.begin(), byTitle.end(), [](const Page &a, const Page &b) { return a.title < b.title; });
        for (const Page &page : std::as_const(byTitle)) {
            auto *item = new QListWidgetItem(page.title, m_index);
            item->setData(EntryRole, QStringList { page.path });
        }
    }
    connect(m_indexFilter, &QLineEdit::textChanged, this, &HelpWindow::filterIndex);
    connect(m_indexFilter, &QLineEdit::returnPressed, this, [this] { openIndexEntry(m_index->currentItem()); });
    connect(m_index, &QListWidget::itemActivated, this, &HelpWindow::openIndexEntry);
    connect(m_index, &QListWidget::itemDoubleClicked, this, &HelpWindow::openIndexEntry);
    auto *display = new QPushButton(u"表示"_s, index);
    connect(display, &QPushButton::clicked, this, [this] { openIndexEntry(m_index->currentItem()); });
    auto *indexLayout = new QVBoxLayout(index);
    indexLayout->setContentsMargins(2, 2, 2, 2);
    indexLayout->addWidget(m_indexFilter);
    indexLayout->addWidget(m_index);
    indexLayout->addWidget(display, 0, Qt::AlignRight);
    index->setFocusProxy(m_indexFilter);
    m_panes->addTab(index, u"索引"_s);

    auto *searching = new QWidget(m_panes);
    m_searchText = new QLineEdit(searching);
    m_searchText->setObjectName(u"helpSearchText"_s);
    m_searchText->setPlaceholderText(u"検索する語を入力"_s);
    m_searchText->setAccessibleName(u"検索する語"_s);
    auto *find = new QPushButton(u"検索"_s, searching);
    m_results = new QListWidget(searching);
    m_results->setObjectName(u"helpSearchResults"_s);
    m_results->setAccessibleName(u"検索結果"_s);
    connect(m_searchText, &QLineEdit::returnPressed, this, [this] { search(m_searchText->text()); });
    connect(find, &QPushButton::clicked, this, [this] { search(m_searchText->text()); });
    connect(m_results, &QListWidget::itemActivated, this, [this](QListWidgetItem *item) {
        if (const QString path = item->data(PathRole).toString(); !path.isEmpty()) {
            open(path);
            highlight(HelpText::folded(m_searchText->text().trimmed()));
        }
    });
    connect(m_results, &QListWidget::itemClicked, m_results, &QListWidget::itemActivated);
    auto *searchLayout = new QVBoxLayout(searching);
    searchLayout->setContentsMargins(2, 2, 2, 2);
    auto *row = new QHBoxLayout;
    row->addWidget(m_searchText);
    row->addWidget(find);
    searchLayout->addLayout(row);
    searchLayout->addWidget(m_results);
    searching->setFocusProxy(m_searchText);
    m_panes->addTab(searching, u"検索"_s);
}

void HelpWindow::fillContents(QTreeWidgetItem *parent, const QList<SitemapEntry> &entries)
{
    for (const SitemapEntry &entry : entries) {
        auto *item = parent ? new QTreeWidgetItem(parent, { entry.name }) : new QTreeWidgetItem(m_contents, { entry.name });
        if (!entry.locals.isEmpty()) {
            const QString path = pathOf(entry.locals.first());
            item->setData(0, PathRole, path);
            m_contentsByPath.insert(path.section(u'#', 0, 0), item);
        }
        fillContents(item, entry.children);
    }
}

void HelpWindow::fillIndex(const QList<SitemapEntry> &entries, int depth)
{
    for (const SitemapEntry &entry : entries) {
        auto *item = new QListWidgetItem(QString(depth * 2, u' ') + entry.name, m_index);
        QStringList topics; // "path\ttopic name" for each page
        for (qsizetype i = 0; i < entry.locals.size(); ++i)
            topics.append(pathOf(entry.locals[i]) + u'\t' + entry.names.value(i + 1, entry.locals[i]));
        item->setData(EntryRole, topics);
        fillIndex(entry.children, depth + 1);
    }
}

void HelpWindow::filterIndex(const QString &typed)
{
    const QString key = HelpText::folded(typed.trimmed());
    QListWidgetItem *first = nullptr;
    for (int i = 0; i < m_index->count(); ++i) {
        QListWidgetItem *item = m_index->item(i);
        const bool shown = HelpText::folded(item->text().trimmed()).startsWith(key);
        item->setHidden(!shown);
        if (shown && !first)
            first = item;
    }
    m_index->setCurrentItem(first);
}

void HelpWindow::openIndexEntry(QListWidgetItem *item)
{
    if (!item)
        return;
    const QStringList topics = item->data(EntryRole).toStringList();
    if (topics.isEmpty())
        return;
    QString chosen = topics.first();
    if (topics.size() > 1) {
        // Several pages under one keyword: the user picks one, as the original viewer asks.
        QStringList names;
        for (const QString &topic : topics)
            names.append(topic.section(u'\t', 1));
        bool ok = false;
        const QString name = QInputDialog::getItem(this, u"トピックの選択"_s, u"表示するトピックを選んでください:"_s,
                                                   names, 0, false, &ok);
        if (!ok)
            return;
        chosen = topics.value(names.indexOf(name));
    }
    open(chosen.section(u'\t', 0, 0));
}

void HelpWindow::open(const QString &local)
{
    m_page->setSource(QUrl(Scheme + u':' + pathOf(local)));
}

void HelpWindow::followInContents()
{
    QTreeWidgetItem *item = m_contentsByPath.value(m_page->source().path());
    if (item && item != m_contents->currentItem()) {
        const QSignalBlocker quiet(m_contents);
        m_contents->setCurrentItem(item);
        m_contents->scrollToItem(item);
    }
}

// A page as search reads it; in any thread.
HelpWindow::Page HelpWindow::pageOf(const ChmFile &file, const QString &path, const QByteArray &bytes)
{
    const HelpText::Page page = HelpText::pageText(file.decodePage(bytes));
    return { path, page.title.isEmpty() ? path.mid(1) : page.title, HelpText::folded(page.text) };
}

const QList<HelpWindow::Page> &HelpWindow::pages()
{
    // Read here only for the panes of a file without contents or index, before any search.
    if (!m_pagesComplete && !m_scanner) {
        m_file->readEach(m_file->pages(), [this](const QString &path, const QByteArray &bytes) {
            m_pages.append(pageOf(*m_file, path, bytes));
            return true;
        });
        m_pagesComplete = true;
    }
    return m_pages;
}

void HelpWindow::scanPages()
{
    // Every page read in a thread of its own through a reader of its own, so that the window
    // answers while a large file is read; what is read comes in batches.
    m_scanner = QThread::create([this, file = m_file.get(), stop = m_stopScan] {
        const std::unique_ptr<ChmFile> own = file->another();
        QList<Page> batch;
        QElapsedTimer since;
        since.start();
        if (own) {
            own->readEach(own->pages(), [&](const QString &path, const QByteArray &bytes) {
                batch.append(pageOf(*own, path, bytes));
                if (since.elapsed() >= BatchMs) {
                    QMetaObject::invokeMethod(this, [this, batch] { addPages(batch, false); }, Qt::QueuedConnection);
                    batch.clear();
                    since.restart();
                }
                return !*stop;
            });
        }
        if (!*stop)
            QMetaObject::invokeMethod(this, [this, batch] { addPages(batch, true); }, Qt::QueuedConnection);
    });
    m_scanner->start();
}

void HelpWindow::addPages(const QList<Page> &read, bool complete)
{
    for (const Page &page : read)
        addResult(page);
    m_pages.append(read);
    m_pagesComplete = complete;
    if (complete)
        finishSearch();
}

void HelpWindow::addResult(const Page &page)
{
    if (m_searchKey.isEmpty())
        return;
    // Pages whose titles hold the words first, then by how often the page holds them.
    const int inTitle = HelpText::folded(page.title).contains(m_searchKey) ? 1 : 0;
    const int hits = int(page.text.count(m_searchKey));
    if (inTitle + hits == 0)
        return;
    const qint64 rank = qint64(inTitle) << 32 | hits;
    int at = 0;
    while (at < m_results->count() && m_results->item(at)->data(RankRole).toLongLong() >= rank)
        ++at;
    if (at >= MostResults)
        return;
    auto *item = new QListWidgetItem(page.title);
    item->setData(PathRole, page.path);
    item->setData(RankRole, rank);
    m_results->insertItem(at, item);
    delete m_results->takeItem(MostResults);
}

void HelpWindow::finishSearch()
{
    if (m_searchKey.isEmpty() || !m_pagesComplete)
        return;
    for (QListWidgetItem *status : m_results->findItems(u"検索しています…"_s, Qt::MatchExactly))
        delete status;
    if (m_results->count() == 0)
        new QListWidgetItem(u"見つかりませんでした"_s, m_results);
    emit searchFinished();
}

void HelpWindow::search(const QString &text)
{
    m_searchText->setText(text);
    m_results->clear();
    // Japanese has no spaces between words: any run of characters matches.
    const QString key = HelpText::folded(text.trimmed());
    m_searchKey.clear();
    if (key.isEmpty())
        return;
    m_searchKey = key;
    for (const Page &page : std::as_const(m_pages))
        addResult(page);
    if (m_pagesComplete) {
        finishSearch();
        return;
    }
    auto *status = new QListWidgetItem(u"検索しています…"_s, m_results);
    status->setFlags(Qt::NoItemFlags);
    if (!m_scanner)
        scanPages();
}

void HelpWindow::highlight(const QString &key)
{
    if (key.isEmpty())
        return;
    QList<qsizetype> origins;
    const QString text = HelpText::folded(m_page->document()->toRawText(), &origins);
    QList<QTextEdit::ExtraSelection> marks;
    QTextCharFormat marked;
    marked.setBackground(QColor(0xFF, 0xE0, 0x60));
    marked.setForeground(Qt::black);
    for (qsizetype at = text.indexOf(key); at >= 0; at = text.indexOf(key, at + key.size())) {
        QTextCursor cursor(m_page->document());
        cursor.setPosition(int(origins[at]));
        cursor.setPosition(int(origins[at + key.size()]), QTextCursor::KeepAnchor);
        marks.append({ cursor, marked });
    }
    m_page->setExtraSelections(marks);
    if (!marks.isEmpty()) {
        QTextCursor first = marks.first().cursor;
        first.clearSelection();
        m_page->setTextCursor(first);
        m_page->ensureCursorVisible();
    }
}

void HelpWindow::findInPage()
{
    const QString text = m_find->text();
    if (text.isEmpty() || m_page->find(text))
        return;
    // From the top again once the end is reached.
    m_page->moveCursor(QTextCursor::Start);
    m_page->find(text);
}

void HelpWindow::switchPane()
{
    // F6 goes between the navigation pane and the page, as in the original viewer, showing the
    // pane where it was hidden.
    if (m_page->hasFocus() || m_find->hasFocus()) {
        m_navigation->setChecked(true);
        m_panes->currentWidget()->setFocus();
    }
    else
        m_page->setFocus();
}

void HelpWindow::print()
{
    if (const auto print = decltype(&porunkaPrintDocument)(printModuleFunction(PrintFunctionName))) {
        const QString title = u"印刷"_s;
        print(m_page->document(), this, &title);
    }
    else
        warnNoPrintModule(this);
}
