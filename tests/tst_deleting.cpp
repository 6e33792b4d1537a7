#include "chmfile.h"
#include "helpviewer.h"
#include "messagebox.h"
#include "translations.h"
#include "windowprobe.h"

#include <QEventLoop>
#include <QHeaderView>
#include <QLineEdit>

// Deleting and clearing deposits, with one window or two on the ledger, and the three buttons
// that lead out of the program's work.
class tst_Deleting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { MessageBox::takeShown(); }
    void cleanup() { QCOMPARE(MessageBox::pendingAnswers(), 0); }

    void deleteARow_data();
    void deleteARow();
    void doubleClicksThatDeleteNothing();
    void clearing_data();
    void clearing();
    void nothingChangesWithoutABackup();
    void twoWindowsOnOneLedgerNeverLoseALine_data();
    void twoWindowsOnOneLedgerNeverLoseALine();
    // Last: once the application is told to exit, no event loop of this process runs again.
    void helpIntroductionAndExit();

private:
    std::unique_ptr<MainWindow> start(const LedgerFixture &f) { return startMainWindow(m_clock, f.path()); }

    ManualClock m_clock { QDateTime(QDate(2026, 12, 6), QTime(19, 4, 5)) };
};

namespace {

const QByteArray A = line("2026年11月20日", "08:00:00", "50");
const QByteArray B = line("2026年11月28日", "12:30:00", "120");
const QByteArray C = line("2026年12月05日", "21:15:00", "80");
const QByteArray Unreadable = "\"2026\x94\x4E\",\"garbled\",\x83\x41\x83\x43\r\n";

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
}

void tst_Deleting::deleteARow_data()
{
    QTest::addColumn<QByteArray>("ledger");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("figures");

    const QString q = u" のデータを削除してもいいですか？\r\n"_s;
    QTest::newRow("first row") << A + B + C << 0 << true << u"1 2026年11月20日 08:00:00 ¥50"_s + q << B + C << u"2回 ¥200 ¥120 ¥80 ¥100"_s;
    QTest::newRow("last row") << A + B + C << 2 << true << u"3 2026年12月05日 21:15:00 ¥80"_s + q << A + B << u"2回 ¥170 ¥120 ¥50 ¥85"_s;
    QTest::newRow("middle row, Cancel") << A + B + C << 1 << false << u"2 2026年11月28日 12:30:00 ¥120"_s + q << A + B + C << u"3回 ¥250 ¥120 ¥50 ¥83"_s;
    QTest::newRow("12.5 is rewritten as the list shows it") << line("2026年11月20日", "08:00:00", "12.5") + B + C << 2 << true
            << u"3 2026年12月05日 21:15:00 ¥80"_s + q << line("2026年11月20日", "08:00:00", "13") + B << u"2回 ¥133 ¥120 ¥13 ¥67"_s;
    QTest::newRow("the entry before an unread line") << A + Unreadable + B + C << 0 << true
            << u"1 2026年11月20日 08:00:00 ¥50"_s + q << Unreadable + B + C << u"2回 ¥200 ¥120 ¥80 ¥100"_s;
    QTest::newRow("the entry after an unread line") << A + Unreadable + B + C << 1 << true
            << u"2 2026年11月28日 12:30:00 ¥120"_s + q << A + Unreadable + C << u"2回 ¥130 ¥80 ¥50 ¥65"_s;
}

void tst_Deleting::deleteARow()
{
    QFETCH(QByteArray, ledger);
    QFETCH(int, row);
    QFETCH(bool, ok);
    LedgerFixture f;
    f.write(ledger);
    auto w = start(f);
    MessageBox::takeShown(); // an unread line is told at start
    MessageBox::answerNext(ok ? MessageBox::Answer::Ok : MessageBox::Answer::Cancel);
    doubleClickRow(*w, row);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"削除確認"_s);
    QTEST(shown[0].text, "question");
    QCOMPARE(shown[0].buttons, MessageBox::Buttons::OkCancel);
    QTEST(f.bytes(), "after");
    QTEST(figures(*w), "figures");
    QVERIFY(rows(*w).last().startsWith(QString::number(rows(*w).size()) + u' ')); // numbered anew
    // The elapsed-days line is decided at start only; the ledger as it was is kept beside it.
    QCOMPARE(elapsedLineText(*w), u"前回の清算から|1日|経過しました"_s);
    QCOMPARE(bytesOf(ledgerBackupPath(f.path())), ok ? ledger : QByteArray("<missing>"));
}

void tst_Deleting::doubleClicksThatDeleteNothing()
{
    // The last row goes only by clearing.
    LedgerFixture f;
    f.write(A);
    auto w = start(f);
    doubleClickRow(*w, 0);
    QCOMPARE(MessageBox::takeShown(), (QList<MessageBox::Shown> { { u"削除確認"_s, u"最後の行はクリアボタンで削除してください"_s,
                                                                  MessageBox::Icon::Warning, MessageBox::Buttons::Ok } }));
    // On the header row, or on an empty list: nothing at all.
    f.write(A + B);
    w = start(f);
    auto *header = control<QTableView>(*w, u"msgKozeni"_s)->horizontalHeader()->viewport();
    QTest::mouseDClick(header, Qt::LeftButton, {}, QPoint(100, 8));
    f.write({});
    auto empty = start(f);
    QTest::mouseDClick(control<QTableView>(*empty, u"msgKozeni"_s)->viewport(), Qt::LeftButton, {}, QPoint(100, 30));
    QCOMPARE(MessageBox::takeShown(), {});
    // The Delete key on the current row asks as a double-click does.
    f.write(A + B + C);
    w = start(f);
    auto *list = control<QTableView>(*w, u"msgKozeni"_s);
    list->setFocus();
    list->setCurrentIndex(list->model()->index(1, 1));
    MessageBox::answerNext(MessageBox::Answer::Ok);
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(MessageBox::takeShown().size(), 1);
    QCOMPARE(f.bytes(), A + C);
}

void tst_Deleting::clearing_data()
{
    QTest::addColumn<QByteArray>("ledger");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QByteArray>("after");     // and after the next deposit of 500
    QTest::addColumn<QString>("figures");
    QTest::newRow("OK") << A + B + C << true << line("2026年12月06日", "19:04:05", "500") << u"1回 ¥500 ¥500 ¥500 ¥500"_s;
    QTest::newRow("a UTF-8 ledger takes the program's own characters again") << QByteArray("\"2026年12月01日\",\"12:00:00\",100\r\n") << true
            << line("2026年12月06日", "19:04:05", "500") << u"1回 ¥500 ¥500 ¥500 ¥500"_s;
    QTest::newRow("Cancel") << A + B + C << false << A + B + C + line("2026年12月06日", "19:04:05", "500") << u"4回 ¥750 ¥500 ¥50 ¥188"_s;
    QTest::newRow("nothing to clear: no question") << QByteArray() << false << line("2026年12月06日", "19:04:05", "500") << u"1回 ¥500 ¥500 ¥500 ¥500"_s;
    QTest::newRow("only a UTF-8 mark: deposits go on in UTF-8") << QByteArray("\xEF\xBB\xBF") << false
            << QByteArray("\xEF\xBB\xBF\"2026年12月06日\",\"19:04:05\",500\r\n") << u"1回 ¥500 ¥500 ¥500 ¥500"_s;
}

void tst_Deleting::clearing()
{
    QFETCH(QByteArray, ledger);
    QFETCH(bool, ok);
    LedgerFixture f;
    f.write(ledger);
    auto w = start(f);
    const bool asks = !rows(*w).isEmpty();
    if (asks)
        MessageBox::answerNext(ok ? MessageBox::Answer::Ok : MessageBox::Answer::Cancel);
    QTest::mouseClick(control(*w, u"cmdKozeniClr"_s), Qt::LeftButton);
    QCOMPARE(MessageBox::takeShown().size(), asks ? 1 : 0);
    if (ok) {
        QCOMPARE(f.bytes(), QByteArray());
        QCOMPARE(figures(*w), u"0回 ¥0 ¥0 ¥0 ¥0"_s); // the average reads zero too
        QCOMPARE(elapsedLineText(*w), QString());
        QCOMPARE(bytesOf(ledgerBackupPath(f.path())), ledger);
    }
    deposit(*w, u"500"_s); // the next deposit is both the largest and the smallest
    QTEST(f.bytes(), "after");
    QTEST(figures(*w), "figures");
}

void tst_Deleting::nothingChangesWithoutABackup()
{
    // The backup's place is taken by a directory: no backup, so no deletion or clearing either.
    LedgerFixture f;
    f.write(A + B + C);
    auto w = start(f);
    QVERIFY(QDir().mkdir(ledgerBackupPath(f.path())));
    MessageBox::answerNext(MessageBox::Answer::Ok);
    doubleClickRow(*w, 1);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    QTest::mouseClick(control(*w, u"cmdKozeniClr"_s), Qt::LeftButton);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 4);
    QVERIFY2(shown[1].text.contains(u"削除をやめました"), qPrintable(shown[1].text));
    QVERIFY2(shown[3].text.contains(u"クリアをやめました"), qPrintable(shown[3].text));
    QCOMPARE(f.bytes(), A + B + C);
    QCOMPARE(rows(*w).size(), 3);
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
            deposit(window, u"300"_s);
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
    QCOMPARE(rows(*w).size(), file.entries.size());
    if (!rows(*w).isEmpty())
        QVERIFY(rows(*w).last().startsWith(QString::number(file.entries.size()) + u' '));
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
    if (rows(*w).size() > 1 || here == u"clear") {
        act(*w, here);
        QVERIFY(f.bytes() != before);
        QCOMPARE(MessageBox::takeShown().size(), 1);
    }
}

void tst_Deleting::helpIntroductionAndExit()
{
    // In a current directory that holds the help files, as an installed program finds them.
    LedgerFixture f;
    f.write(A);
    for (const QString &name : { u"QoruHelp.chm"_s, u"LunvexHelp.chm"_s })
        QVERIFY(QFile::copy(QStringLiteral(PORUNKA_HELP_DIR "/") + name, f.dir() + u'/' + name));
    const QString previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(f.dir()));
    auto w = start(f);
    // The help twice: one window, over the main window.
    QTest::mouseClick(control(*w, u"cmdHelp"_s), Qt::LeftButton);
    QTest::mouseClick(control(*w, u"cmdHelp"_s), Qt::LeftButton);
    QCOMPARE(w->helpViewer()->windows().size(), 1);
    QCOMPARE(w->helpViewer()->windows()[0]->windowTitle(), u"ポルンカ貯めよう！ ヘルプ"_s);
    // The introduction, then the larger edition's help.
    MessageBox::answerNext(MessageBox::Answer::Ok);
    QTest::mouseClick(control(*w, u"cmdsyoukai"_s), Qt::LeftButton);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"ポルンカ貯金！Ｐｒｏのご紹介"_s);
    QCOMPARE(shown[0].icon, MessageBox::Icon::Information);
    QList<QPointer<QWidget>> help;
    QStringList titles;
    for (QWidget *window : w->helpViewer()->windows()) {
        help.append(window);
        titles.append(window->windowTitle());
    }
    titles.sort();
    QCOMPARE(titles, (QStringList { u"ポルンカ貯めよう！ ヘルプ"_s, u"ポルンカ貯金！Ｐｒｏ"_s }));

    // The exit button closes every help window and ends the event loop it is clicked in.
    QEventLoop loop;
    QTimer::singleShot(0, w.get(), [&] { QTest::mouseClick(control(*w, u"cmdEnd"_s), Qt::LeftButton); });
    QTimer::singleShot(5000, &loop, [&] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0);
    QVERIFY(QDir::setCurrent(previousDir));
    QVERIFY(w->helpViewer()->windows().isEmpty());
    for (const QPointer<QWidget> &window : help)
        QTRY_VERIFY(!window || !window->isVisible());
    QVERIFY(!w->isVisible());
    QCOMPARE(f.bytes(), A); // and nothing was written
}

QTEST_MAIN(tst_Deleting)
#include "tst_deleting.moc"
