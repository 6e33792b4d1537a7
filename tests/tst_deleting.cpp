#include "chmfile.h"
#include "helpviewer.h"
#include "messagebox.h"
#include "translations.h"
#include "windowprobe.h"

#include <QDir>
#include <QEventLoop>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

// Deleting and clearing deposits, and the three buttons that lead out of the program's work.
class tst_Deleting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void deleteARow_data();
    void deleteARow();
    void theDeleteKeyDeletesLikeADoubleClick();
    void theLastRowIsOnlyClearedNeverDeleted();
    void doubleClicksWithoutADataRowDoNothing();
    void rewriteWritesTheDisplayedAmount();
    void deletionKeepsLinesTheLoadCouldNotRead();
    void deletionStopsWhenNoBackupCanBeMade();

    void clearing();
    void clearingCancelledChangesNothing();
    void clearingAnEmptyListAsksNothing();
    void twoWindowsOnOneLedgerNeverLoseALine_data();
    void twoWindowsOnOneLedgerNeverLoseALine();

    void helpButtonOpensTheProgramsHelp();
    void introductionThenTheLargerEditionsHelp();
    // Last: once the application is told to exit, no event loop of this process runs again.
    void exitClosesHelpWindowsAndEnds();

private:
    std::unique_ptr<MainWindow> start(const LedgerFixture &f)
    {
        return startMainWindow(m_clock, f.path());
    }
    // A window on a one-deposit ledger, in a current directory that holds the help files.
    std::unique_ptr<MainWindow> startWithHelpFiles(const LedgerFixture &f);

    ManualClock m_clock { QDateTime(QDate(2026, 12, 6), QTime(19, 4, 5)) };
    QString m_previousDir;
};

namespace {

const QByteArray A = line("2026年11月20日", "08:00:00", "50");
const QByteArray B = line("2026年11月28日", "12:30:00", "120");
const QByteArray C = line("2026年12月05日", "21:15:00", "80");

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

} // namespace

void tst_Deleting::initTestCase()
{
    setUpJapaneseApplication(*qApp);
    ChmFile::setReaderPath(QStringLiteral(PORUNKA_CHM_READER));
    // A box nobody expected is answered with Cancel and shows up in takeShown().
    MessageBox::answerUnexpected(MessageBox::Answer::Cancel);
    m_previousDir = QDir::currentPath();
}

void tst_Deleting::init()
{
    MessageBox::takeShown();
}

void tst_Deleting::cleanup()
{
    QDir::setCurrent(m_previousDir);
    QCOMPARE(MessageBox::pendingAnswers(), 0);
}

std::unique_ptr<MainWindow> tst_Deleting::startWithHelpFiles(const LedgerFixture &f)
{
    f.write(A);
    for (const QString &name : { u"QoruHelp.chm"_s, u"LunvexHelp.chm"_s }) {
        if (!QFile::copy(QStringLiteral(PORUNKA_HELP_DIR "/") + name, f.dir() + u'/' + name))
            qFatal("cannot copy %s", qPrintable(name));
    }
    if (!QDir::setCurrent(f.dir()))
        qFatal("cannot enter %s", qPrintable(f.dir()));
    return start(f);
}

void tst_Deleting::deleteARow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QByteArray>("fileAfter");
    QTest::addColumn<QStringList>("rowsAfter");
    QTest::addColumn<QString>("figuresAfter");

    QTest::newRow("first row, OK")
            << 0 << true << u"1 2026年11月20日 08:00:00 ¥50 のデータを削除してもいいですか？\r\n"_s
            << B + C
            << QStringList { u"1 2026年11月28日 12:30:00 ¥120 ¥120"_s, u"2 2026年12月05日 21:15:00 ¥80 ¥200"_s }
            << u"2回 ¥200 ¥120 ¥80 ¥100"_s;
    QTest::newRow("middle row, OK")
            << 1 << true << u"2 2026年11月28日 12:30:00 ¥120 のデータを削除してもいいですか？\r\n"_s
            << A + C
            << QStringList { u"1 2026年11月20日 08:00:00 ¥50 ¥50"_s, u"2 2026年12月05日 21:15:00 ¥80 ¥130"_s }
            << u"2回 ¥130 ¥80 ¥50 ¥65"_s;
    QTest::newRow("last row, OK")
            << 2 << true << u"3 2026年12月05日 21:15:00 ¥80 のデータを削除してもいいですか？\r\n"_s
            << A + B
            << QStringList { u"1 2026年11月20日 08:00:00 ¥50 ¥50"_s, u"2 2026年11月28日 12:30:00 ¥120 ¥170"_s }
            << u"2回 ¥170 ¥120 ¥50 ¥85"_s;
    QTest::newRow("middle row, Cancel")
            << 1 << false << u"2 2026年11月28日 12:30:00 ¥120 のデータを削除してもいいですか？\r\n"_s
            << A + B + C
            << QStringList { u"1 2026年11月20日 08:00:00 ¥50 ¥50"_s, u"2 2026年11月28日 12:30:00 ¥120 ¥170"_s,
                             u"3 2026年12月05日 21:15:00 ¥80 ¥250"_s }
            << u"3回 ¥250 ¥120 ¥50 ¥83"_s;
}

void tst_Deleting::deleteARow()
{
    QFETCH(int, row);
    QFETCH(bool, ok);
    QFETCH(QString, question);
    QFETCH(QByteArray, fileAfter);
    QFETCH(QStringList, rowsAfter);
    QFETCH(QString, figuresAfter);

    LedgerFixture f;
    f.write(A + B + C);
    auto w = start(f);
    MessageBox::answerNext(ok ? MessageBox::Answer::Ok : MessageBox::Answer::Cancel);
    doubleClickRow(*w, row);

    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"削除確認"_s);
    QCOMPARE(shown[0].text, question);
    QCOMPARE(shown[0].icon, MessageBox::Icon::None);
    QCOMPARE(shown[0].buttons, MessageBox::Buttons::OkCancel);

    QCOMPARE(f.bytes(), fileAfter);
    QStringList rows;
    for (int r = 0; r < dataRows(*w); ++r)
        rows.append(rowTexts(*w, r).join(u' '));
    QCOMPARE(rows, rowsAfter);
    QCOMPARE(figures(*w), figuresAfter);
    // The elapsed-days line is decided at start only, whichever deposit went.
    QCOMPARE(elapsedLineText(*w), u"前回の清算から|1日|経過しました"_s);
    // A deletion keeps the ledger as it was beside it; a cancelled one touches nothing.
    QCOMPARE(bytesOf(ledgerBackupPath(f.path())), ok ? A + B + C : QByteArray("<missing>"));
}

void tst_Deleting::theDeleteKeyDeletesLikeADoubleClick()
{
    LedgerFixture f;
    f.write(A + B + C);
    auto w = start(f);
    auto *list = control<QTableView>(*w, u"msgKozeni"_s);
    list->setFocus();
    list->setCurrentIndex(list->model()->index(1, 1));
    MessageBox::answerNext(MessageBox::Answer::Ok);
    QTest::keyClick(list, Qt::Key_Delete);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].text, u"2 2026年11月28日 12:30:00 ¥120 のデータを削除してもいいですか？\r\n"_s);
    QCOMPARE(f.bytes(), A + C);
}

void tst_Deleting::theLastRowIsOnlyClearedNeverDeleted()
{
    LedgerFixture f;
    f.write(A);
    auto w = start(f);
    doubleClickRow(*w, 0);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown, (QList<MessageBox::Shown> { { u"削除確認"_s,
                                                  u"最後の行はクリアボタンで削除してください"_s,
                                                  MessageBox::Icon::Warning,
                                                  MessageBox::Buttons::Ok } }));
    QCOMPARE(f.bytes(), A);
    QCOMPARE(dataRows(*w), 1);
}

void tst_Deleting::doubleClicksWithoutADataRowDoNothing()
{
    LedgerFixture f;
    auto w = start(f); // empty: the welcome window came and went
    auto *list = control<QTableView>(*w, u"msgKozeni"_s);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(100, 30));
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(100, 30));
    QCOMPARE(MessageBox::takeShown(), {});
    QCOMPARE(f.bytes(), QByteArray());

    // On the header row, with data rows there: nothing either.
    f.write(A + B);
    w = start(f);
    list = control<QTableView>(*w, u"msgKozeni"_s);
    QTest::mouseClick(list->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(100, 8));
    QTest::mouseDClick(list->horizontalHeader()->viewport(), Qt::LeftButton, {}, QPoint(100, 8));
    QCOMPARE(MessageBox::takeShown(), {});
    QCOMPARE(f.bytes(), A + B);
}

void tst_Deleting::rewriteWritesTheDisplayedAmount()
{
    LedgerFixture f;
    f.write(line("2026年11月20日", "08:00:00", "12.5") + B + C);
    auto w = start(f);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    doubleClickRow(*w, 2);
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QCOMPARE(f.bytes(), line("2026年11月20日", "08:00:00", "13") + B);
}

void tst_Deleting::deletionKeepsLinesTheLoadCouldNotRead()
{
    LedgerFixture f;
    const QByteArray unreadable = "\"2026\x94\x4E\",\"garbled\",\x83\x41\x83\x43\r\n";
    f.write(A + unreadable + B + C);
    MessageBox::answerNext(MessageBox::Answer::Ok); // told at start which line it could not read
    auto w = start(f);
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QCOMPARE(dataRows(*w), 3);

    MessageBox::answerNext(MessageBox::Answer::Ok);
    doubleClickRow(*w, 0);
    QCOMPARE(MessageBox::takeShown().size(), 1); // the question only
    QCOMPARE(f.bytes(), unreadable + B + C);

    MessageBox::answerNext(MessageBox::Answer::Ok);
    doubleClickRow(*w, 1);
    QCOMPARE(f.bytes(), unreadable + B);
}

void tst_Deleting::deletionStopsWhenNoBackupCanBeMade()
{
    LedgerFixture f;
    f.write(A + B + C);
    auto w = start(f);
    // The backup's place is taken by a directory: no backup, so no deletion either.
    QVERIFY(QDir().mkdir(ledgerBackupPath(f.path())));
    MessageBox::answerNext(MessageBox::Answer::Ok);
    doubleClickRow(*w, 1);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].icon, MessageBox::Icon::Warning);
    QVERIFY2(shown[1].text.contains(u"削除をやめました"), qPrintable(shown[1].text));
    QCOMPARE(f.bytes(), A + B + C);
    QCOMPARE(dataRows(*w), 3);
}

void tst_Deleting::clearing()
{
    LedgerFixture f;
    f.write(A + B + C);
    auto w = start(f);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    QTest::mouseClick(control(*w, u"cmdKozeniClr"_s), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShown(),
             (QList<MessageBox::Shown> { { u"削除確認"_s, u"これまでのデータを削除してもいいですか？\r\n"_s,
                                           MessageBox::Icon::None, MessageBox::Buttons::OkCancel } }));
    QCOMPARE(f.bytes(), QByteArray());
    QVERIFY(f.exists());
    QCOMPARE(dataRows(*w), 0);
    QCOMPARE(figures(*w), u"0回 ¥0 ¥0 ¥0 ¥0"_s); // the average shows zero too
    QCOMPARE(elapsedLineText(*w), QString());
    QCOMPARE(bytesOf(ledgerBackupPath(f.path())), A + B + C);

    // The next deposit is both the largest and the smallest.
    control<QLineEdit>(*w, u"txtKozeni_Inp"_s)->setText(u"500"_s);
    w->Deposit();
    QCOMPARE(figures(*w), u"1回 ¥500 ¥500 ¥500 ¥500"_s);
    QCOMPARE(elapsedLineText(*w), u"本日入金済みです。"_s);
}

void tst_Deleting::clearingCancelledChangesNothing()
{
    LedgerFixture f;
    f.write(A + B + C);
    auto w = start(f);
    MessageBox::answerNext(MessageBox::Answer::Cancel);
    QTest::mouseClick(control(*w, u"cmdKozeniClr"_s), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QCOMPARE(f.bytes(), A + B + C);
    QCOMPARE(dataRows(*w), 3);
    QCOMPARE(figures(*w), u"3回 ¥250 ¥120 ¥50 ¥83"_s);
    QVERIFY(!QFile::exists(ledgerBackupPath(f.path())));
}

void tst_Deleting::clearingAnEmptyListAsksNothing()
{
    LedgerFixture f;
    auto w = start(f);
    QTest::mouseClick(control(*w, u"cmdKozeniClr"_s), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShown(), {});
    QCOMPARE(f.bytes(), QByteArray());
}

void tst_Deleting::twoWindowsOnOneLedgerNeverLoseALine_data()
{
    QTest::addColumn<QString>("there"); // what another window or program does first
    QTest::addColumn<QString>("here");  // then what this window does
    QTest::newRow("a deposit there, a deletion here") << u"deposit"_s << u"delete"_s;
    QTest::newRow("a clearing there, a deletion here") << u"clear"_s << u"delete"_s;
    QTest::newRow("a deletion there, a clearing here") << u"delete"_s << u"clear"_s;
    QTest::newRow("a line another program appends, a deposit here") << u"append"_s << u"deposit"_s;
}

void tst_Deleting::twoWindowsOnOneLedgerNeverLoseALine()
{
    QFETCH(QString, there);
    QFETCH(QString, here);
    LedgerFixture f;
    f.write(A + B + C);
    auto other = start(f);
    auto w = start(f);
    const auto act = [&](MainWindow &window, const QString &action) {
        if (action == u"deposit") {
            control<QLineEdit>(window, u"txtKozeni_Inp"_s)->setText(u"300"_s);
            window.Deposit();
        } else if (action == u"append") {
            QFile file(f.path());
            QVERIFY(file.open(QIODevice::Append) && file.write(line("2026年12月06日", "07:00:00", "9")) > 0);
        } else {
            MessageBox::answerNext(MessageBox::Answer::Ok);
            if (action == u"clear")
                QTest::mouseClick(control(window, u"cmdKozeniClr"_s), Qt::LeftButton);
            else
                doubleClickRow(window, 0);
        }
    };
    act(*other, there);
    MessageBox::takeShown();
    const QByteArray before = f.bytes();
    act(*w, here);

    // The list always shows what the file holds, numbered and totalled as the file is.
    const LedgerLoad file = LoadLedger(f.path());
    QCOMPARE(dataRows(*w), file.entries.size());
    if (dataRows(*w) > 0)
        QCOMPARE(rowTexts(*w, dataRows(*w) - 1).value(0), QString::number(dataRows(*w)));
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    if (here == u"deposit") {
        QCOMPARE(shown.size(), 0);
        QVERIFY(f.bytes().startsWith(before));
        QCOMPARE(file.entries.size(), 5);
        return;
    }
    // Nothing this window did not see is replaced; it says so, naming the file.
    QCOMPARE(f.bytes(), before);
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[1].title, u"台帳ファイルが変更されています"_s);
    QVERIFY2(shown[1].text.contains(f.path()), qPrintable(shown[1].text));
    // Now that it has seen the file, the user can act again.
    if (dataRows(*w) > 1 || here == u"clear") {
        act(*w, here);
        QVERIFY(f.bytes() != before);
        QCOMPARE(MessageBox::takeShown().size(), 1);
    }
}

void tst_Deleting::helpButtonOpensTheProgramsHelp()
{
    LedgerFixture f;
    auto w = startWithHelpFiles(f);
    QTest::mouseClick(control(*w, u"cmdHelp"_s), Qt::LeftButton);
    QTest::mouseClick(control(*w, u"cmdHelp"_s), Qt::LeftButton);
    const QList<QWidget *> windows = w->helpViewer()->windows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), u"ポルンカ貯めよう！ ヘルプ"_s);
    QCOMPARE(windows[0]->parentWidget(), w.get());
    QCOMPARE(MessageBox::takeShown(), {});
}

void tst_Deleting::introductionThenTheLargerEditionsHelp()
{
    LedgerFixture f;
    auto w = startWithHelpFiles(f);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    QTest::mouseClick(control(*w, u"cmdsyoukai"_s), Qt::LeftButton);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"ポルンカ貯金！Ｐｒｏのご紹介"_s);
    QCOMPARE(shown[0].icon, MessageBox::Icon::Information);
    QCOMPARE(shown[0].buttons, MessageBox::Buttons::Ok);
    const QStringList parts = shown[0].text.split(u"\r\n"_s);
    QCOMPARE(parts.size(), 7);
    QCOMPARE(parts[0], u"貯蓄成果をより詳細に把握したい場合は「ポルンカ貯金！Ｐｒｏ」をぜひどうぞ！"_s);
    QCOMPARE(parts[1], QString());
    QVERIFY(!parts[2].isEmpty()); // the sentence naming what the larger edition gathers
    QCOMPARE(parts[3], u"それぞれの貯金データを利用して、グラフや一覧で貯蓄状況を表示できる機能があり"_s);
    QCOMPARE(parts[4], u"やる気と継続する力をより強力にサポートします。"_s);
    QCOMPARE(parts[5], QString());
    QCOMPARE(parts[6], u"どんなことができるソフトなのかはポルンカ貯金！Ｐｒｏのヘルプをぜひご覧ください。"_s);

    const QList<QWidget *> windows = w->helpViewer()->windows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), u"ポルンカ貯金！Ｐｒｏ"_s);
}

void tst_Deleting::exitClosesHelpWindowsAndEnds()
{
    LedgerFixture f;
    auto w = startWithHelpFiles(f);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    QTest::mouseClick(control(*w, u"cmdsyoukai"_s), Qt::LeftButton);
    QTest::mouseClick(control(*w, u"cmdHelp"_s), Qt::LeftButton);
    QList<QPointer<QWidget>> helpWindows;
    for (QWidget *window : w->helpViewer()->windows())
        helpWindows.append(window);
    QCOMPARE(helpWindows.size(), 2);

    // The exit button ends the event loop it is clicked in.
    QEventLoop loop;
    QTimer::singleShot(0, w.get(), [&] { QTest::mouseClick(control(*w, u"cmdEnd"_s), Qt::LeftButton); });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
    QVERIFY(w->helpViewer()->windows().isEmpty());
    for (const QPointer<QWidget> &window : helpWindows)
        QTRY_VERIFY(!window || !window->isVisible());
    QVERIFY(!w->isVisible());
    QCOMPARE(f.bytes(), A); // and nothing was written
}

QTEST_MAIN(tst_Deleting)
#include "tst_deleting.moc"
