#include "chmfile.h"
#include "fonts.h"
#include "helpviewer.h"
#include "messagebox.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString HelpSources = QStringLiteral(PORUNKA_HELP_DIR);

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

// The files a help project compiles, as its [FILES] section lists them.
QStringList projectFiles(const QString &project)
{
    QStringList files;
    bool inFiles = false;
    for (const QByteArray &raw : fileBytes(project).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(u'['))
            inFiles = line == u"[FILES]";
        else if (inFiles && !line.isEmpty())
            files.append(line);
    }
    return files;
}

QTextBrowser *browserOf(QWidget *window)
{
    return window ? window->findChild<QTextBrowser *>(u"helpBrowser"_s) : nullptr;
}

} // namespace

class tst_HelpViewer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void committedHelpMatchesItsSources_data();
    void committedHelpMatchesItsSources();
    void titleAndDefaultTopic();

    void opensAWindowOwnedByTheOwner();
    void pagesPicturesStylesAndLinksWork();
    void aSecondRequestRaisesTheSameWindow();
    void closeAllClosesEveryWindow();
    void lookedForInTheCurrentDirectoryFirst();
    void missingFileIsReported();
    void damagedFilesAreReportedNotFatal_data();
    void damagedFilesAreReportedNotFatal();
    void corruptedCopiesNeverCrashTheReader();

private:
    QTemporaryDir m_dir;
    QString m_previousDir;
};

void tst_HelpViewer::initTestCase()
{
    Fonts::installSubstitutes();
    ChmFile::setReaderPath(QStringLiteral(PORUNKA_CHM_READER));
    MessageBox::answerUnexpected(MessageBox::Answer::Cancel);
    QVERIFY(m_dir.isValid());
    m_previousDir = QDir::currentPath();
}

void tst_HelpViewer::init()
{
    // Each test works in an empty current directory holding only the files it puts there.
    QDir(m_dir.path()).removeRecursively();
    QVERIFY(QDir().mkpath(m_dir.path()));
    QVERIFY(QDir::setCurrent(m_dir.path()));
    MessageBox::takeShown();
}

void tst_HelpViewer::cleanup()
{
    QDir::setCurrent(m_previousDir);
    QCOMPARE(MessageBox::pendingAnswers(), 0);
}

void tst_HelpViewer::committedHelpMatchesItsSources_data()
{
    QTest::addColumn<QString>("chm");
    QTest::addColumn<QString>("project");
    QTest::newRow("the program's help") << u"QoruHelp.chm"_s << u"qoru/QoruHelp.hhp"_s;
    QTest::newRow("the larger edition's help") << u"LunvexHelp.chm"_s << u"lunvex/LunvexHelp.hhp"_s;
}

void tst_HelpViewer::committedHelpMatchesItsSources()
{
    QFETCH(QString, chm);
    QFETCH(QString, project);
    const auto file = ChmFile::open(HelpSources + u'/' + chm);
    QVERIFY(file);
    const QString sourceDir = QFileInfo(HelpSources + u'/' + project).absolutePath();
    const QStringList sources = projectFiles(HelpSources + u'/' + project);
    QVERIFY(!sources.isEmpty());
    for (const QString &name : sources) {
        const auto inside = file->read(u'/' + name);
        QVERIFY2(inside, qPrintable(name + u" is not in the compiled file: compile it again"_s));
        QVERIFY2(*inside == fileBytes(sourceDir + u'/' + name),
                 qPrintable(name + u" differs from its source: compile the help again"_s));
    }
    // and every source file of the folder is listed in the project
    for (const QString &name : QDir(sourceDir).entryList({ u"*.html"_s, u"*.css"_s, u"*.png"_s }))
        QVERIFY2(sources.contains(name), qPrintable(name));
}

void tst_HelpViewer::titleAndDefaultTopic()
{
    const auto own = ChmFile::open(HelpSources + u"/QoruHelp.chm"_s);
    QVERIFY(own);
    QCOMPARE(own->defaultTopic(), u"/index.html"_s);
    QCOMPARE(own->title(), u"ポルンカ貯めよう！ ヘルプ"_s);
    QVERIFY(own->files().contains(u"/deposit.html"_s));
    QVERIFY(!own->read(u"/no-such-page.html"_s));
}

void tst_HelpViewer::opensAWindowOwnedByTheOwner()
{
    QVERIFY(QFile::copy(HelpSources + u"/QoruHelp.chm"_s, u"QoruHelp.chm"_s));
    QWidget owner;
    owner.show();
    HelpViewer viewer(&owner);
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QCOMPARE(viewer.windows().size(), 1);
    QWidget *window = viewer.windows().first();
    QVERIFY(window->isWindow());
    QCOMPARE(window->parentWidget(), &owner); // stays above it and closes with it
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), u"ポルンカ貯めよう！ ヘルプ"_s);
    QCOMPARE(MessageBox::takeShown(), {});
}

void tst_HelpViewer::pagesPicturesStylesAndLinksWork()
{
    QVERIFY(QFile::copy(HelpSources + u"/QoruHelp.chm"_s, u"QoruHelp.chm"_s));
    QWidget owner;
    HelpViewer viewer(&owner);
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QTextBrowser *browser = browserOf(viewer.windows().value(0));
    QVERIFY(browser);
    QVERIFY(browser->toPlainText().contains(u"財布に残った小銭"));

    // The picture and the style sheet come out of the help file.
    QVERIFY(!browser->loadResource(QTextDocument::ImageResource, QUrl(u"porunka.png"_s))
                     .value<QImage>()
                     .isNull());
    QVERIFY(browser->loadResource(QTextDocument::StyleSheetResource, QUrl(u"style.css"_s))
                    .toString()
                    .contains(u"#c2185b"));
    const QTextBlock heading = browser->document()->firstBlock();
    QCOMPARE(heading.charFormat().foreground().color(), QColor(0xc2, 0x18, 0x5b));

    // A link to another page, and back.
    emit browser->anchorClicked(QUrl(u"deposit.html"_s));
    QCOMPARE(browser->source(), QUrl(u"chm:/deposit.html"_s));
    QVERIFY(browser->toPlainText().contains(u"Enter キーを押す"));
    emit browser->anchorClicked(QUrl(u"ledger.html#restore"_s));
    QVERIFY(browser->toPlainText().contains(u"ミトラダ.txt.bak"));
    browser->backward();
    QCOMPARE(browser->source(), QUrl(u"chm:/deposit.html"_s));
    // Links leaving the help file are not followed.
    emit browser->anchorClicked(QUrl(u"https://example.invalid/"_s));
    QCOMPARE(browser->source(), QUrl(u"chm:/deposit.html"_s));
}

void tst_HelpViewer::aSecondRequestRaisesTheSameWindow()
{
    QVERIFY(QFile::copy(HelpSources + u"/QoruHelp.chm"_s, u"QoruHelp.chm"_s));
    QVERIFY(QFile::copy(HelpSources + u"/LunvexHelp.chm"_s, u"LunvexHelp.chm"_s));
    QWidget owner;
    HelpViewer viewer(&owner);
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QWidget *first = viewer.windows().value(0);
    first->hide();
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QCOMPARE(viewer.windows(), QList<QWidget *> { first });
    QVERIFY(first->isVisible());
    viewer.displayTopic(u"LunvexHelp.chm"_s);
    QCOMPARE(viewer.windows().size(), 2);
}

void tst_HelpViewer::closeAllClosesEveryWindow()
{
    QVERIFY(QFile::copy(HelpSources + u"/QoruHelp.chm"_s, u"QoruHelp.chm"_s));
    QVERIFY(QFile::copy(HelpSources + u"/LunvexHelp.chm"_s, u"LunvexHelp.chm"_s));
    QWidget owner;
    HelpViewer viewer(&owner);
    viewer.closeAll(); // nothing open: nothing happens
    viewer.displayTopic(u"QoruHelp.chm"_s);
    viewer.displayTopic(u"LunvexHelp.chm"_s);
    QList<QPointer<QWidget>> windows;
    for (QWidget *w : viewer.windows())
        windows.append(w);
    QCOMPARE(windows.size(), 2);
    viewer.closeAll();
    QVERIFY(viewer.windows().isEmpty());
    for (const QPointer<QWidget> &w : windows)
        QTRY_VERIFY(!w || !w->isVisible());
    // and it opens again afterwards
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QCOMPARE(viewer.windows().size(), 1);
}

void tst_HelpViewer::lookedForInTheCurrentDirectoryFirst()
{
    // A help file of the same name in the current directory wins over the installed one.
    QVERIFY(QFile::copy(HelpSources + u"/LunvexHelp.chm"_s, u"QoruHelp.chm"_s));
    QWidget owner;
    HelpViewer viewer(&owner, { u"."_s, HelpSources });
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QCOMPARE(viewer.windows().value(0)->windowTitle(), u"ポルンカ貯金！Ｐｒｏ"_s);

    // Without it, the next place on the path is used.
    viewer.closeAll();
    QVERIFY(QFile::remove(u"QoruHelp.chm"_s));
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QCOMPARE(viewer.windows().value(0)->windowTitle(), u"ポルンカ貯めよう！ ヘルプ"_s);
}

void tst_HelpViewer::missingFileIsReported()
{
    QWidget owner;
    HelpViewer viewer(&owner, { u"."_s });
    viewer.displayTopic(u"LunvexHelp.chm"_s);
    QVERIFY(viewer.windows().isEmpty());
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, u"ヘルプファイル「LunvexHelp.chm」が見つかりません。"_s);
    QCOMPARE(shown[0].icon, MessageBox::Icon::Warning);
}

void tst_HelpViewer::damagedFilesAreReportedNotFatal_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray real = fileBytes(HelpSources + u"/QoruHelp.chm"_s);
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a help file") << QByteArray("<html>no</html>");
    QTest::newRow("only the header") << real.left(0x60);
    QTest::newRow("cut in the middle") << real.left(real.size() / 2);
    QTest::newRow("the header claims a huge directory")
            << QByteArray(real).replace(0x48, 8, QByteArray(8, '\xff'));
}

void tst_HelpViewer::damagedFilesAreReportedNotFatal()
{
    QFETCH(QByteArray, bytes);
    QFile file(u"QoruHelp.chm"_s);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    QWidget owner;
    HelpViewer viewer(&owner, { u"."_s });
    viewer.displayTopic(u"QoruHelp.chm"_s);
    QVERIFY(viewer.windows().isEmpty());
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text.section(u'\n', 0, 0),
             u"ヘルプファイル「QoruHelp.chm」を開けません。ファイルが壊れているかもしれません。"_s);
}

void tst_HelpViewer::corruptedCopiesNeverCrashTheReader()
{
    // Random damage to a real help file (chmlib crashes on some of it): each copy opens or is
    // refused, and this process lives on.
    const QByteArray real = fileBytes(HelpSources + u"/QoruHelp.chm"_s);
    QRandomGenerator random(0x51);
    int opened = 0;
    for (int round = 0; round < 120; ++round) {
        QByteArray bytes = real;
        const int damage = random.bounded(1, 16);
        for (int i = 0; i < damage; ++i)
            bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
        QFile file(u"damaged.chm"_s);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();
        const auto chm = ChmFile::open(u"damaged.chm"_s);
        if (!chm)
            continue;
        ++opened;
        for (const QString &name : chm->files())
            chm->read(name);
        chm->read(chm->defaultTopic());
    }
    QVERIFY(opened > 0); // the damage did not just stop every file at the door
    QVERIFY(opened < 120);
}

QTEST_MAIN(tst_HelpViewer)
#include "tst_helpviewer.moc"
