// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "chmfile.h"
#include "fonts.h"
#include "guitest.h"
#include "helpviewer.h"
#include "helpwindow.h"
#include "ledgerfixture.h"
#include "messagebox.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <QAccessible>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTabBar>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextLayout>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtEndian>

#include <functional>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString HelpSources = QStringLiteral(PORUNKA_HELP_DIR);

// The texts (or other data) of a list's items, trimmed; of those shown only, when asked.
QStringList itemTexts(const QListWidget *list, int role = Qt::DisplayRole, bool shownOnly = false)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) {
        if (!shownOnly || !list->item(i)->isHidden())
            texts.append(list->item(i)->data(role).toString().trimmed());
    }
    return texts;
}

// Runs the 検索 pane's search, and waits until it has been through every page.
bool searchedThrough(HelpWindow *window, const QString &text)
{
    QSignalSpy finished(window, &HelpWindow::searchFinished);
    window->search(text);
    // Generous: the first search reads every page, and a sanitized build reads thousands slowly.
    return finished.count() == 1 || finished.wait(60000);
}

// A help file as its reader hands it over: each file's path and bytes, in order.
std::unique_ptr<ChmFile> helpFile(const QList<std::pair<QByteArray, QByteArray>> &files)
{
    QByteArray out = "PORUNKA-CHM 1\n";
    for (const auto &[path, bytes] : files) {
        char lengths[8];
        qToLittleEndian(quint32(path.size()), lengths);
        out += QByteArray(lengths, 4) + path;
        qToLittleEndian(quint64(bytes.size()), lengths);
        out += QByteArray(lengths, 8) + bytes;
    }
    return ChmFile::fromReaderOutput(out);
}

} // namespace

// The help viewer: the committed help files, the windows it opens, and damaged files that can
// never take the program down.
class tst_HelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void committedHelpMatchesItsSources_data();
    void committedHelpMatchesItsSources();
    void oneWindowPerFileLookedForInTurnItsPagesAndLinks();
    void filesInEveryDirectoryChunkReadInTurn();
    void damagedFilesAreReportedNotFatal_data();
    void damagedFilesAreReportedNotFatal();
    void panesOfAFileCompiledElsewhere_data();
    void panesOfAFileCompiledElsewhere();
    void plantedFilesReachNothingOutsideAndTakeBoundedWork_data();
    void plantedFilesReachNothingOutsideAndTakeBoundedWork();
    void namesAsHtmlHelpReadsThem();
    void helpFilesFromTheWorldOpenAsMeant_data();
    void helpFilesFromTheWorldOpenAsMeant();
    void searchFoldsWhatAJapaneseUserTypes_data();
    void searchFoldsWhatAJapaneseUserTypes();
    void readableOnALaptopScreenBesideOrOverTheOwner();

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

void tst_HelpViewer::initTestCase()
{
    Fonts::installSubstitutes();
    ChmFile::setReaderPath(QStringLiteral(PORUNKA_CHM_READER));
    MessageBox::answerUnexpected(MessageBox::Answer::Cancel);
    m_previousDir = QDir::currentPath();
}

void tst_HelpViewer::init()
{
    // Each test works in an empty current directory holding only the files it puts there.
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(m_dir.path()) && QDir::setCurrent(m_dir.path()));
    MessageBox::takeShown();
}

void tst_HelpViewer::cleanup()
{
    QDir::setCurrent(m_previousDir);
    QCOMPARE(MessageBox::pendingAnswers(), 0);
}

void tst_HelpViewer::committedHelpMatchesItsSources_data()
{
    QTest::addColumn<QString>("chm"); // the sources' folder and the compiled file beside it
    QTest::newRow("the program's help") << HelpSources + u"/qoru/QoruHelp.chm"_s;
    QTest::newRow("the larger edition's help") << HelpSources + u"/lunvex/LunvexHelp.chm"_s;
    QTest::newRow("the viewer's test file") << QStringLiteral(PORUNKA_TEST_DATA "/chm/panes/Panes.chm");
}

void tst_HelpViewer::committedHelpMatchesItsSources()
{
    // Every page, picture and style sheet of the sources is in the compiled file as it is now.
    QFETCH(QString, chm);
    const auto file = ChmFile::open(chm.section(u'/', 0, -3) + u'/' + chm.section(u'/', -1));
    const QDir sources(chm.section(u'/', 0, -2));
    QVERIFY(file);
    for (const QString &name : sources.entryList({ u"*.html"_s, u"*.css"_s, u"*.png"_s, u"*.hhc"_s, u"*.hhk"_s })) {
        const auto inside = file->read(u'/' + name);
        QVERIFY2(inside && *inside == bytesOf(sources.filePath(name)), qPrintable(name + u": compile the help again"_s));
    }
}

void tst_HelpViewer::oneWindowPerFileLookedForInTurnItsPagesAndLinks()
{
    // A help file of the same name in the current directory wins over the installed one.
    QVERIFY(QFile::copy(HelpSources + u"/LunvexHelp.chm"_s, u"QoruHelp.chm"_s));
    QWidget owner;
    HelpViewer viewer(&owner, { u"."_s, HelpSources });
    viewer.closeAll(); // nothing open: nothing happens
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QWidget *first = viewer.windows().value(0);
    QCOMPARE(first->windowTitle(), u"ポルンカ貯金！Ｐｒｏ"_s); // the file's own title
    // It has no contents of its own: its pages, by their titles.
    QCOMPARE(first->findChild<QTreeWidget *>(u"helpContents"_s)->topLevelItem(0)->text(0), u"ポルンカ貯金！Ｐｒｏ"_s);
    QCOMPARE(first->parentWidget(), &owner); // stays above it and closes with it
    // A second request shows the same window again; another file opens its own.
    first->hide();
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QVERIFY(viewer.windows() == QList<QWidget *> { first } && first->isVisible());
    viewer.displayTopic(u"LunvexHelp.chm"_s);
    QList<QPointer<QWidget>> windows { viewer.windows()[0], viewer.windows()[1] };
    viewer.closeAll();
    QVERIFY(viewer.windows().isEmpty());
    for (const QPointer<QWidget> &w : windows)
        QTRY_VERIFY(!w || !w->isVisible());
    // Without the one in the current directory, the next place on the path is used.
    QVERIFY(QFile::remove(u"QoruHelp.chm"_s));
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QCOMPARE(viewer.windows().value(0)->windowTitle(), u"ポルンカ貯めよう！ ヘルプ"_s);
    QCOMPARE(MessageBox::takeShown(), {});

    // Its first page and its picture come out of the help file; a link to another page, and
    // back; links leaving the help file are not followed.
    auto *browser = viewer.windows().value(0)->findChild<QTextBrowser *>(u"helpBrowser"_s);
    QVERIFY(browser && browser->toPlainText().contains(u"財布に残った小銭"));
    QVERIFY(browser->loadResource(QTextDocument::ImageResource, QUrl(u"porunka.png"_s)).value<QImage>().width() > 1);
    emit browser->anchorClicked(QUrl(u"deposit.html"_s));
    QVERIFY(browser->toPlainText().contains(u"Enter キーを押す"));
    emit browser->anchorClicked(QUrl(u"ledger.html#restore"_s));
    QVERIFY(browser->toPlainText().contains(u"ミトラダ.txt.bak"));
    browser->backward();
    emit browser->anchorClicked(QUrl(u"https://example.invalid/"_s));
    QCOMPARE(browser->source(), QUrl(u"chm:/deposit.html"_s));
}

void tst_HelpViewer::filesInEveryDirectoryChunkReadInTurn()
{
    // chmcmd records its second directory chunk as the first: the files in the first are there too.
    const auto file = ChmFile::open(QStringLiteral(PORUNKA_TEST_DATA "/chm/Many.chm"));
    QVERIFY(file);
    const QStringList pages = file->files().filter(u"-chunk-"_s);
    QCOMPARE(pages.size(), 150);
    int at = 0;
    file->readEach(pages + pages, [&](const QString &path, const QByteArray &bytes) {
        const QByteArray number = QByteArray::number(at++ % 150).rightJustified(3, '0');
        return path.contains(QLatin1StringView(number)) && bytes.contains("<p>" + number + "</p>");
    });
    QCOMPARE(at, 300);
    // Names as HTML Help looks them up: "\\" for "/", in any case.
    QVERIFY(file->read(u"\\Pages-In-More-Than-One-Directory-Chunk-149.HTML"_s).value_or(QByteArray()).contains("<p>149</p>"));
}

void tst_HelpViewer::damagedFilesAreReportedNotFatal_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("told");
    const QByteArray real = bytesOf(HelpSources + u"/QoruHelp.chm"_s);
    const QString damaged = u"ヘルプファイル「QoruHelp.chm」を開けません。ファイルが壊れているかもしれません。"_s;
    QTest::newRow("missing") << QByteArray("<none>") << u"ヘルプファイル「QoruHelp.chm」が見つかりません。"_s;
    QTest::newRow("cut in the middle") << real.left(real.size() / 2) << damaged;
}

void tst_HelpViewer::damagedFilesAreReportedNotFatal()
{
    QFETCH(QByteArray, bytes);
    QVERIFY(bytes == "<none>" || writeFile(u"QoruHelp.chm"_s, bytes));
    QWidget owner;
    HelpViewer viewer(&owner, { u"."_s });
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QVERIFY(viewer.windows().isEmpty());
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QTEST(shown[0].text.section(u'\n', 0, 0), "told");
    QVERIFY(shown[0].text.contains(QDir::current().absoluteFilePath(u"QoruHelp.chm"_s))); // where
}

void tst_HelpViewer::panesOfAFileCompiledElsewhere_data()
{
    // A file with contents, an index, a window definition, a script, a page in the code page of
    // its language (Russian, 1251) and one in UTF-8: "STEP: what the window then shows".
    QTest::addColumn<QString>("step");
    QTest::addColumn<QString>("shows");
    QTest::newRow("opened") << u"open"_s << u"Panes test /start.html 100,60 800x600"_s;
    QTest::newRow("the contents tree") << u"contents"_s << u"Start | Book ( Scripted | Kana & more ) | Russian"_s;
    QTest::newRow("the contents follow the page") << u"page kana.html#part"_s << u"Kana & more"_s;
    QTest::newRow("full-width typing") << u"index ＡＬＰＨＡＢ"_s << u"alphabet"_s;
    QTest::newRow("a keyword with two topics asks which") << u"index alpha, second"_s << u"Start page | Kana page → /kana.html"_s;
    QTest::newRow("search, half-width kana, highlighted") << u"search ﾁｮｷﾝ"_s << u"カナのページ: 2 marked"_s;
    QTest::newRow("scripts, style rules and comments are not text") << u"page script.html"_s << u"Visible text."_s;
    QTest::newRow("no charset: the language's code page") << u"page russian.html"_s << u"Русский: Привет, мир!"_s;
    QTest::newRow("a link into the file by its ms-its: name") << u"link ms-its:Panes.chm::/russian.html"_s << u"/russian.html"_s;
}

void tst_HelpViewer::panesOfAFileCompiledElsewhere()
{
    QFETCH(QString, step);
    QWidget owner;
    HelpViewer viewer(&owner, { QStringLiteral(PORUNKA_TEST_DATA "/chm") });
    viewer.displayTopic(u"Panes.chm"_s);
    auto *window = qobject_cast<HelpWindow *>(viewer.windows().value(0));
    QVERIFY(window);
    auto *page = window->findChild<QTextBrowser *>(u"helpBrowser"_s);
    const QString verb = step.section(u' ', 0, 0), arg = step.section(u' ', 1);
    QString shows;
    if (verb == u"open") {
        const QRect place = window->definedPlace();
        shows = u"%1 %2 %3,%4 %5x%6"_s.arg(window->windowTitle(), page->source().path()).arg(place.x()).arg(place.y()).arg(place.width()).arg(place.height());
    } else if (verb == u"contents") {
        const std::function<QString(QTreeWidgetItem *)> tree = [&](QTreeWidgetItem *item) {
            QStringList children;
            for (int i = 0; i < item->childCount(); ++i)
                children.append(tree(item->child(i)));
            return item->text(0) + (children.isEmpty() ? QString() : u" ( "_s + children.join(u" | "_s) + u" )"_s);
        };
        auto *contents = window->findChild<QTreeWidget *>(u"helpContents"_s);
        shows = tree(contents->invisibleRootItem()).mid(3).chopped(2);
    } else if (verb == u"page") {
        window->open(arg);
        const QString text = page->toPlainText().simplified();
        shows = arg.contains(u'#') ? window->findChild<QTreeWidget *>(u"helpContents"_s)->currentItem()->text(0)
                : arg == u"script.html" ? text : page->documentTitle() + u": "_s + text;
    } else if (verb == u"index") {
        auto *filter = window->findChild<QLineEdit *>(u"helpIndexFilter"_s);
        auto *index = window->findChild<QListWidget *>(u"helpIndex"_s);
        filter->setText(arg.section(u',', 0, 0)); // as typed, or committed by an input method
        shows = itemTexts(index, Qt::DisplayRole, true).join(u" | "_s);
        if (arg.endsWith(u", second")) { // the chooser, answered with its second topic
            QStringList offered;
            QTimer::singleShot(0, window, [&] {
                auto *chooser = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
                offered = chooser->comboBoxItems();
                chooser->setTextValue(offered.value(1));
                chooser->accept();
            });
            QTest::keyClick(filter, Qt::Key_Return);
            shows = offered.join(u" | "_s) + u" → "_s + page->source().path();
        }
    } else if (verb == u"link") {
        emit page->anchorClicked(QUrl(arg));
        shows = page->source().path();
    } else if (verb == u"search") {
        QVERIFY(searchedThrough(window, arg));
        auto *results = window->findChild<QListWidget *>(u"helpSearchResults"_s);
        shows = results->item(0)->text();
        if (results->item(0)->flags() & Qt::ItemIsEnabled && results->item(0)->data(Qt::UserRole).isValid()) {
            emit results->itemActivated(results->item(0));
            shows += u": %1 marked"_s.arg(page->extraSelections().size());
        }
    }
    QTEST(shows, "shows");
}

void tst_HelpViewer::plantedFilesReachNothingOutsideAndTakeBoundedWork_data()
{
    // A page (OUT: a folder outside the file holding secret.png and a FIFO) or a
    // contents file, and the page's words that must show.
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QByteArray>("contents");
    const QByteArray deep = QByteArray("<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"d\"></object>").repeated(100000);
    QTest::newRow("a picture by file: URL") << QByteArray("<img src=\"file://OUT/secret.png\">words") << QByteArray();
    QTest::newRow("a picture by absolute path") << QByteArray("<img src=\"OUT/secret.png\">words") << QByteArray();
    QTest::newRow("a picture up and out") << QByteArray("<img src=\"../../../../../../../..OUT/secret.png\">words") << QByteArray();
    QTest::newRow("a FIFO") << QByteArray("<img src=\"file://OUT/fifo\">words") << QByteArray();
    QTest::newRow("endless bytes") << QByteArray("<img src=\"file:///dev/zero\">words") << QByteArray();
    QTest::newRow("20,000 nested tables") << QByteArray("<table><tr><td>").repeated(20000) + "words" << QByteArray();
    QTest::newRow("30 nested tables") << QByteArray("<table><tr><td>").repeated(30) + "words" << QByteArray();
    QTest::newRow("contents 100,000 deep") << QByteArray("words") << deep;
}

void tst_HelpViewer::plantedFilesReachNothingOutsideAndTakeBoundedWork()
{
    QFETCH(QByteArray, page);
    QFETCH(QByteArray, contents);
    const QByteArray out = QFile::encodeName(QDir::current().absoluteFilePath(u"out"_s));
    QVERIFY(QDir().mkdir(u"out"_s) && writeFile(u"out/secret.png"_s, bytesOf(HelpSources + u"/qoru/porunka.png"_s))
            && ::mkfifo(out + "/fifo", 0600) == 0);
    // The kernel tells of every open of a file in that folder.
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0 && ::inotify_add_watch(watch, out.constData(), IN_OPEN) >= 0);
    QWidget owner;
    auto *window = new HelpWindow(helpFile({ { "/index.html", page.replace("OUT", out) }, { "/toc.hhc", contents } }),
                                  u"Planted.chm"_s, &owner);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    auto *browser = window->findChild<QTextBrowser *>(u"helpBrowser"_s);
    QVERIFY2(browser->toPlainText().contains(u"words"), qPrintable(browser->toPlainText().left(100)));
    char events[4096];
    QCOMPARE(::read(watch, events, sizeof events), -1); // nothing was opened
    ::close(watch);
    QVERIFY(browser->document()->rootFrame()->childFrames().size() <= 1); // not 20,000 tables laid out
    // Every entry of the deepest contents is there, the deepest at a depth still walked.
    int entries = 0;
    for (QTreeWidgetItemIterator it(window->findChild<QTreeWidget *>(u"helpContents"_s)); *it; ++it)
        entries += (*it)->text(0) == u"d";
    QCOMPARE(entries, contents.isEmpty() ? 0 : 100000);
}

void tst_HelpViewer::namesAsHtmlHelpReadsThem()
{
    // A Chinese file (LCID 0x804): its system file names its contents with "\\" and its default
    // topic in GBK, after the language; the page links to another in another case.
    const auto record = [](char code, const QByteArray &value) { return QByteArray(1, code) + '\0' + char(value.size()) + '\0' + value; };
    const QByteArray about = QStringEncoder("GBK").encode(u"/关于.htm"_s);
    const QByteArray system = QByteArray(4, '\3') + record(0, "\\toc.hhc") + record(2, about.mid(1)) + record(4, QByteArray("\4\x08\0\0", 4));
    // Its one window definition is damaged: a place a million pixels wide.
    const QList<qint32> place { 0, 0, 0, 1 << 4, 0, 0, 0, 0, 0, 0, 1000000, 600 }; // valid, right, bottom
    const QByteArray windows = QByteArray("\1\0\0\0\x30\0\0\0", 8) + QByteArray(reinterpret_cast<const char *>(place.constData()), 48);
    QWidget owner;
    HelpWindow window(helpFile({ { "/#SYSTEM", system }, { "/#WINDOWS", windows }, { "/toc.hhc", "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"Start\"></object></ul>" }, { "/a.htm", "a" }, { about, "<p>about" }, { "/Other.htm", "other" } }), u"t.chm"_s, &owner);
    auto *page = window.findChild<QTextBrowser *>(u"helpBrowser"_s);
    QCOMPARE(page->toPlainText(), u"about"_s);
    QCOMPARE(window.findChild<QTreeWidget *>(u"helpContents"_s)->topLevelItem(0)->text(0), u"Start"_s);
    emit page->anchorClicked(QUrl(u"OTHER.HTM"_s));
    QCOMPARE(page->toPlainText(), u"other"_s);
    QVERIFY(window.definedPlace().isNull());
}

void tst_HelpViewer::helpFilesFromTheWorldOpenAsMeant_data()
{
    QTest::addColumn<QString>("chm");
    const QDir corpus(qEnvironmentVariable("PORUNKA_HELP_CORPUS", QStringLiteral(PORUNKA_HELP_CORPUS)));
    if (corpus.isEmpty())
        QSKIP("the corpus of help files is not beside the repository");
    for (const QString &name : corpus.entryList({ u"*.chm"_s }))
        QTest::newRow(qPrintable(name)) << corpus.filePath(name);
}

void tst_HelpViewer::helpFilesFromTheWorldOpenAsMeant()
{
    // Each file opens at a page with no undecodable text; its contents and index show every
    // entry of its own sitemaps, each named whole, as their objects in the file name them.
    QFETCH(QString, chm);
    QWidget owner;
    HelpViewer viewer(&owner, { chm.section(u'/', 0, -2) });
    viewer.displayTopic(chm.section(u'/', -1));
    auto *window = qobject_cast<HelpWindow *>(viewer.windows().value(0));
    QVERIFY2(window, qPrintable(MessageBox::takeShown().value(0).text));
    auto *browser = window->findChild<QTextBrowser *>(u"helpBrowser"_s);
    const QString first = browser->toPlainText(), shown = browser->source().path();
    QVERIFY2(!first.trimmed().isEmpty() && !first.contains(QChar::ReplacementCharacter), qPrintable(first.left(200)));
    // It is the default topic its system file names, read in its own code page.
    const auto file = ChmFile::open(chm);
    QCOMPARE(shown, file->defaultTopic());
    QVERIFY(file->decode(*file->read(u"/#SYSTEM"_s)).replace(u'\\', u'/').contains(shown.mid(1), Qt::CaseInsensitive));
    // A word of a page as shown, non-ASCII where the page has one, that 検索 (reading every page
    // its own way) finds on that page alone: the first page's words, then the contents' pages' in
    // turn (a generated main page may hold no word of its own).
    static const QRegularExpression letters(uR"([^\x{0}-\x{2FF}\s\p{P}\p{S}\d]{2,4})"_s), latin(u"[A-Za-z]{6,}"_s);
    auto *contents = window->findChild<QTreeWidget *>(u"helpContents"_s);
    QStringList found, tried;
    QString from;
    for (QTreeWidgetItemIterator item(contents); found.size() != 1 && (from.isNull() || *item);) {
        if (!from.isNull())
            emit contents->itemClicked(*item++, 0);
        from = browser->source().path();
        const QString text = browser->toPlainText();
        for (auto it = (letters.match(text).hasMatch() ? letters : latin).globalMatch(text); it.hasNext() && found.size() != 1;) {
            if (const QString word = it.next().captured(); !tried.contains(word)) {
                tried.append(word);
                QVERIFY(searchedThrough(window, word));
                found = itemTexts(window->findChild<QListWidget *>(u"helpSearchResults"_s), Qt::UserRole);
            }
        }
    }
    QCOMPARE(found.join(u' ').toLower(), from.toLower());
    static const QRegularExpression object(uR"re(<object[^>]*text/sitemap)re"_s, QRegularExpression::CaseInsensitiveOption);
    for (const QString &pane : { u"helpContents"_s, u"helpIndex"_s }) {
        const QString sitemap = file->decode(file->read(pane == u"helpContents" ? file->contentsFile() : file->indexFile()).value_or(QByteArray()));
        if (sitemap.count(object) == 0) // a sitemap without entries: titles stand in
            continue;
        QStringList names;
        if (auto *tree = window->findChild<QTreeWidget *>(pane)) {
            for (QTreeWidgetItemIterator it(tree); *it; ++it)
                names.append((*it)->text(0));
        } else {
            names = itemTexts(window->findChild<QListWidget *>(pane));
        }
        QCOMPARE(names.size(), sitemap.count(object));
        for (const QString &name : std::as_const(names))
            QVERIFY2(sitemap.contains(u'"' + name.toHtmlEscaped()) || sitemap.contains(u'"' + name), qPrintable(pane + u": "_s + name));
    }
}

void tst_HelpViewer::searchFoldsWhatAJapaneseUserTypes_data()
{
    // What the user types, a page's text (also an index keyword), what the search marks on it.
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("marked");
    QTest::newRow("half-width voiced") << u"ﾊﾞｯｸｱｯﾌﾟ"_s << u"バックアップを取る"_s << u"バックアップ"_s;
    QTest::newRow("half-width in the page") << u"ばっくあっぷ"_s << u"ﾊﾞｯｸｱｯﾌﾟを取る"_s << u"ﾊﾞｯｸｱｯﾌﾟ"_s;
    QTest::newRow("hiragana for katakana") << u"みとらだ"_s << u"ミトラダ.txt に"_s << u"ミトラダ"_s;
    QTest::newRow("small kana as large, twice") << u"ﾌｫﾙﾀﾞｰ"_s << u"フオルダーのフォルダー"_s << u"フオルダー フォルダー"_s;
    QTest::newRow("semi-voiced") << u"ﾊﾟｽ"_s << u"パスワード"_s << u"パス"_s;
    QTest::newRow("a spacing mark") << u"ハ゛ック"_s << u"バックする"_s << u"バック"_s;
    QTest::newRow("capitals") << u"BACKUP"_s << u"backup を取る"_s << u"backup"_s;
    QTest::newRow("full-width letters") << u"ＴＸＴ"_s << u"ミトラダ.txt"_s << u"txt"_s;
    QTest::newRow("a keyword with > in it") << u"operator->"_s << u"operator-> の使い方"_s << u"operator->"_s;
    QTest::newRow("unvoiced is another word") << u"ﾊｯｸ"_s << u"バック"_s << QString();
}

void tst_HelpViewer::searchFoldsWhatAJapaneseUserTypes()
{
    QFETCH(QString, typed);
    QFETCH(QString, text);
    const QByteArray keyword = "<ul><li><object type=\"text/sitemap\"><param name=\"Name\" value=\"" + text.toUtf8()
            + "\"><param name=\"Local\" value=\"index.html\"></object></ul>";
    QWidget owner;
    HelpWindow window(helpFile({ { "/index.html", "<meta charset=utf-8><p>" + text.toUtf8() }, { "/i.hhk", keyword } }),
                      u"t.chm"_s, &owner);
    QVERIFY(searchedThrough(&window, typed));
    auto *results = window.findChild<QListWidget *>(u"helpSearchResults"_s);
    emit results->itemActivated(results->item(0));
    QStringList marked;
    for (const QTextEdit::ExtraSelection &mark : window.findChild<QTextBrowser *>(u"helpBrowser"_s)->extraSelections())
        marked.append(mark.cursor.selectedText());
    QTEST(marked.join(u' '), "marked");
    // The index filter folds the same way, from the keyword's start.
    window.findChild<QLineEdit *>(u"helpIndexFilter"_s)->setText(typed);
    const bool fromStart = !marked.isEmpty() && text.startsWith(marked.first());
    QCOMPARE(window.findChild<QListWidget *>(u"helpIndex"_s)->item(0)->isHidden(), !fromStart);
}

void tst_HelpViewer::readableOnALaptopScreenBesideOrOverTheOwner()
{
    // A Japanese desktop's font, the screen this test runs on (1280x800 or 1366x768), the owner
    // in its middle, as the program's own window is.
    QApplication::setFont(Fonts::proportional(9));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setGeometry(QRect(screen.center() - QPoint(315, 226), QSize(631, 452)));
    owner.show();
    HelpViewer viewer(&owner, { HelpSources });
    viewer.displayTopic(u"QoruHelp.chm"_s);
    auto *window = qobject_cast<HelpWindow *>(viewer.windows().value(0));
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const QRect place = window->frameGeometry();
    QVERIFY2(screen.contains(place) && place.width() >= 720 && place.height() >= 480, qPrintable(QDebug::toString(place)));
    QVERIFY(place.intersected(owner.frameGeometry()).width() <= owner.width() * 3 / 4); // the owner still in reach
    auto *panes = window->findChild<QWidget *>(u"helpPanes"_s);
    auto *page = window->findChild<QTextBrowser *>(u"helpBrowser"_s);
    const QFontMetrics metrics(page->font());
    QVERIFY(panes->isVisible() && page->viewport()->width() >= 40 * metrics.horizontalAdvance(u'あ'));
    // Latin is proportional and Cyrillic narrower than kana, in the panes and the page.
    QVERIFY(metrics.horizontalAdvance(u"iiii"_s) < metrics.horizontalAdvance(u"WWWW"_s)
            && metrics.horizontalAdvance(u"Привет"_s) < 5 * metrics.horizontalAdvance(u'あ'));
    // Every command on the toolbar, none behind an overflow; F9 hides and shows the panes; F6
    // from the page shows them too.
    for (QToolButton *button : window->findChild<QToolBar *>()->findChildren<QToolButton *>())
        QVERIFY2(button->isVisible() != (button->objectName() == u"qt_toolbar_ext_button"), qPrintable(button->text()));
    QTest::keyClick(window, Qt::Key_F9);
    QVERIFY(!panes->isVisible());
    page->setFocus();
    QTest::keyClick(page, Qt::Key_F6);
    QVERIFY(panes->isVisible() && panes->isAncestorOf(QApplication::focusWidget()));
    // Every control has a name for a screen reader.
    for (QWidget *control : window->findChildren<QWidget *>())
        QVERIFY2(!control->isVisible() || control->focusPolicy() == Qt::NoFocus || qobject_cast<QTabBar *>(control)
                         || !QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty(), control->metaObject()->className());
    // And the page's text, without the marks the document keeps for its frames and pictures.
    QAccessibleInterface *read = QAccessible::queryAccessibleInterface(page);
    const QString said = read->textInterface()->text(0, read->textInterface()->characterCount());
    QVERIFY(said.contains(u"財布に残った小銭") && !said.contains(QChar(0xFDD0)) && !said.contains(QChar(0xFDD1)) && !said.contains(QChar::ObjectReplacementCharacter));
    // Zoom enlarges the text the page's style sheet sizes, and Ctrl+0 brings it back.
    const auto lineHeight = [&] { return page->document()->find(u"財布に残った小銭"_s).block().layout()->lineAt(0).height(); };
    const qreal normal = lineHeight();
    QTest::keyClick(window, Qt::Key_Plus, Qt::ControlModifier);
    QVERIFY(lineHeight() > normal * 1.05);
    QTest::keyClick(window, Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(lineHeight(), normal);
}

PORUNKA_GUI_TEST_MAIN(tst_HelpViewer)
#include "tst_helpviewer.moc"
