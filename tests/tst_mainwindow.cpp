#include "depositmodel.h"
#include "fonts.h"
#include "messagebox.h"
#include "singlewindow.h"
#include "translations.h"
#include "welcomewindow.h"
#include "windowprobe.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>

#include <sys/stat.h>

// The main window through its real widgets: how it looks, starts, takes deposits and refuses them.
class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init()
    {
        m_clock.set(Now);
        MessageBox::takeShown();
    }
    void cleanup() { QCOMPARE(MessageBox::pendingAnswers(), 0); }

    void drawnAsDesigned();
    void emptyLedgerWelcomesThenTakesInput();
    void start_data();
    void start();
    void deposit_data();
    void deposit();
    void refusedDepositsLeaveTheFileAndKeepTheText_data();
    void refusedDepositsLeaveTheFileAndKeepTheText();
    void keyboardAndAssistiveTools();
    void installedFamily_data();
    void installedFamily();
    void aSecondStartBringsTheWindowBack();
    void depositModelIsAConsistentModel();

private:
    static inline const QDateTime Now { QDate(2026, 12, 6), QTime(19, 4, 5) };
    ManualClock m_clock { Now };
};

void tst_MainWindow::initTestCase()
{
    setUpJapaneseApplication(*qApp);
    QApplication::setCursorFlashTime(0); // a cursor that never blinks draws the same every time
}

void tst_MainWindow::drawnAsDesigned()
{
    // Both windows, drawn whole: places, sizes, colours, faces and pictures at once. The run at
    // twice the density compares with the pictures drawn for it.
    const QString density = qApp->devicePixelRatio() == 2 ? u"@2x"_s : QString();
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年11月20日", "50" }, { "2026年12月05日", "80" } }));
    auto w = startMainWindow(m_clock, f.path());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QVERIFY(looksLikeReference(*w, u"main"_s + density));
    WelcomeWindow welcome;
    QVERIFY(looksLikeReference(welcome, u"welcome"_s + density));
}

void tst_MainWindow::emptyLedgerWelcomesThenTakesInput()
{
    LedgerFixture f;
    MainWindow w(m_clock, f.path());
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry(), main, welcome;
    QString focused;
    const ModalWatcher watcher([&](QWidget *modal) {
        main = w.isVisible() ? w.geometry() : QRect(); // the main window first, the welcome over it
        welcome = modal->geometry();
        auto *button = modal->findChild<QPushButton *>(u"cmdModori"_s);
        (void)QTest::qWaitFor([&] { return QApplication::focusWidget() == button; });
        focused = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        QTest::keyClick(button, Qt::Key_Return);
    });
    w.start();
    QVERIFY(watcher.handled());
    QCOMPARE(focused, u"cmdModori"_s);
    for (const QRect &window : { main, welcome }) // centred, give or take the frame
        QVERIFY(!window.isNull() && (window.center() - screen.center()).manhattanLength() <= 4);
    QCOMPARE(f.bytes(), QByteArray()); // created
    QTRY_COMPARE(QApplication::focusWidget(), control(w, u"txtKozeni_Inp"_s));
    QTest::keyClicks(QApplication::focusWidget(), u"300"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(figures(w), u"1回 ¥300 ¥300 ¥300 ¥300"_s);
}

void tst_MainWindow::start_data()
{
    QTest::addColumn<QByteArray>("ledger");
    QTest::addColumn<QTime>("at");
    QTest::addColumn<QString>("figures");
    QTest::addColumn<QString>("line");

    const QTime now = Now.time();
    QTest::newRow("one deposit: no welcome") << ledgerOf({ { "2026年12月05日", "10" } }) << QTime(0, 1)
                                             << u"1回 ¥10 ¥10 ¥10 ¥10"_s << u"前回の清算から|1日|経過しました"_s;
    QTest::newRow("deposited today") << ledgerOf({ { "2026年11月01日", "50" }, { "2026年12月06日", "120" } }) << QTime(23, 59)
                                     << u"2回 ¥170 ¥120 ¥50 ¥85"_s << u"本日入金済みです。"_s;
    QTest::newRow("only the last entry counts") << ledgerOf({ { "2026年12月06日", "10" }, { "2026年12月01日", "10" } }) << now
                                                << u"2回 ¥20 ¥10 ¥10 ¥10"_s << u"前回の清算から|5日|経過しました"_s;
    QTest::newRow("clock set back") << ledgerOf({ { "2026年12月09日", "10" } }) << now
                                    << u"1回 ¥10 ¥10 ¥10 ¥10"_s << u"前回の清算から|-3日|経過しました"_s;
    QTest::newRow("a date that is no date: hidden") << QByteArray("\"\x82\xa0\",\"12:00:00\",10\r\n") << now
                                                    << u"1回 ¥10 ¥10 ¥10 ¥10"_s << QString();
}

void tst_MainWindow::start()
{
    QFETCH(QByteArray, ledger);
    QFETCH(QTime, at);
    LedgerFixture f;
    f.write(ledger);
    m_clock.set(QDateTime(Now.date(), at));
    bool welcomed = true;
    auto w = startMainWindow(m_clock, f.path(), &welcomed);
    QVERIFY(!welcomed);
    QTEST(figures(*w), "figures");
    QTEST(elapsedLineText(*w), "line");
    // The last row is the current one, on a data column.
    const QModelIndex current = control<QTableView>(*w, u"msgKozeni"_s)->currentIndex();
    QCOMPARE(current.row(), int(rows(*w).size()) - 1);
    QCOMPARE(current.column(), 1);
    QCOMPARE(MessageBox::takeShown(), {});
}

void tst_MainWindow::deposit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("key"); // Return, Enter on the keypad, or 0 for the button
    QTest::addColumn<QByteArray>("amount"); // as the file takes it; empty: nothing deposited
    QTest::addColumn<QString>("figures");

    const QString none = u"1回 ¥100 ¥100 ¥100 ¥100"_s;
    QTest::newRow("300 and Return") << u"300"_s << int(Qt::Key_Return) << QByteArray("300") << u"2回 ¥400 ¥300 ¥100 ¥200"_s;
    QTest::newRow("300 and keypad Enter") << u"300"_s << int(Qt::Key_Enter) << QByteArray("300") << u"2回 ¥400 ¥300 ¥100 ¥200"_s;
    QTest::newRow("300 and the button") << u"300"_s << 0 << QByteArray("300") << u"2回 ¥400 ¥300 ¥100 ¥200"_s;
    QTest::newRow("full-width from an input method") << u"３００"_s << int(Qt::Key_Return) << QByteArray("300") << u"2回 ¥400 ¥300 ¥100 ¥200"_s;
    QTest::newRow("-50 lowers the total") << u"-50"_s << 0 << QByteArray("-50") << u"2回 ¥50 ¥100 -¥50 ¥25"_s;
    QTest::newRow("¥1,200") << u"¥1,200"_s << int(Qt::Key_Return) << QByteArray("1200") << u"2回 ¥1,300 ¥1,200 ¥100 ¥650"_s;
    QTest::newRow("12.5 written exactly, shown rounded") << u"12.5"_s << int(Qt::Key_Return) << QByteArray("12.5") << u"2回 ¥113 ¥100 ¥13 ¥56"_s;
    QTest::newRow("empty, button") << QString() << 0 << QByteArray() << none;
    QTest::newRow("empty, Return") << QString() << int(Qt::Key_Return) << QByteArray() << none;
    QTest::newRow("abc, button") << u"abc"_s << 0 << QByteArray() << none;
    QTest::newRow("abc, Return") << u"abc"_s << int(Qt::Key_Return) << QByteArray() << none;
    QTest::newRow("beyond the money range") << u"1e15"_s << int(Qt::Key_Return) << QByteArray() << none;
}

void tst_MainWindow::deposit()
{
    QFETCH(QString, typed);
    QFETCH(int, key);
    QFETCH(QByteArray, amount);
    LedgerFixture f;
    const QByteArray before = ledgerOf({ { "2026年12月01日", "100" } });
    f.write(before);
    auto w = startMainWindow(m_clock, f.path());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto *box = control<QLineEdit>(*w, u"txtKozeni_Inp"_s);
    QTRY_COMPARE(QApplication::focusWidget(), box);
    if (typed.isEmpty() || typed.front().unicode() < 0x80) {
        QTest::keyClicks(box, typed);
    } else { // what a keyboard alone cannot type, committed by an input method
        QInputMethodEvent commit;
        commit.setCommitString(typed);
        QApplication::sendEvent(box, &commit);
    }
    if (key)
        QTest::keyClick(box, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    else
        QTest::mouseClick(control(*w, u"cmdKozeniHozon"_s), Qt::LeftButton);

    QTEST(figures(*w), "figures");
    const bool deposited = !amount.isEmpty();
    QCOMPARE(f.bytes(), deposited ? before + line("2026年12月06日", "19:04:05", amount.constData()) : before);
    QCOMPARE(box->text(), deposited || typed.isEmpty() ? QString() : typed);
    // A click focuses the button; only a deposit puts the focus back into the box.
    QCOMPARE(QApplication::focusWidget(), deposited || key ? static_cast<QWidget *>(box) : control(*w, u"cmdKozeniHozon"_s));
    QCOMPARE(elapsedLineText(*w), deposited ? u"本日入金済みです。"_s : u"前回の清算から|5日|経過しました"_s);
    if (deposited) // the new row: its number, the list's own clock reading and the running total
        QVERIFY(rows(*w).last().startsWith(u"2 2026年12月06日 19:04:05 "_s) && rows(*w).last().endsWith(figures(*w).section(u' ', 1, 1)));
    QCOMPARE(MessageBox::takeShown(), {});
}

void tst_MainWindow::refusedDepositsLeaveTheFileAndKeepTheText_data()
{
    QTest::addColumn<QString>("ledger"); // what stands in the ledger's place
    QTest::addColumn<QString>("told");   // the start of what the user is told at the deposit
    QTest::newRow("32,766 deposits: no more") << u"full"_s << u"入金の記録は 32,766 回までです。"_s;
    QTest::newRow("a pipe: never read, never written") << u"pipe"_s << u"台帳ファイルを読めないため、この入金は記録していません。"_s;
    QTest::newRow("a folder since the start: nothing appended") << u"folder"_s << u"台帳ファイルに書き込めなかったため、この入金は記録していません。"_s;
}

void tst_MainWindow::refusedDepositsLeaveTheFileAndKeepTheText()
{
    QFETCH(QString, ledger);
    QFETCH(QString, told);
    LedgerFixture f;
    QByteArray bytes = ledgerOf({ { "2026年12月01日", "100" } });
    if (ledger == u"full")
        bytes = bytes.repeated(LedgerTotals::MaxEntries);
    if (ledger == u"pipe") {
        QCOMPARE(::mkfifo(QFile::encodeName(f.path()).constData(), 0600), 0);
        MessageBox::answerNext(MessageBox::Answer::Ok); // told at start, with where and why
    } else {
        f.write(bytes);
    }
    auto w = startMainWindow(m_clock, f.path());
    if (ledger == u"pipe")
        QVERIFY(MessageBox::takeShown().value(0).text.endsWith(
                u"ファイル: %1\n理由: 通常のファイルではありません（名前付きパイプ、デバイス、ソケットなど）"_s.arg(f.path())));
    if (ledger == u"folder") { // taken away after the start, a folder in its place
        QVERIFY(QFile::remove(f.path()) && QDir(f.dir()).mkdir(QString::fromUtf16(LedgerFileName)));
    }
    const qsizetype rowsBefore = rows(*w).size();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto *box = control<QLineEdit>(*w, u"txtKozeni_Inp"_s);
    box->setText(u"300"_s);
    // Answered as a user would: the real message box, found and its OK clicked.
    QString shown;
    const ModalWatcher answer([&](QWidget *modal) {
        auto *messageBox = qobject_cast<QMessageBox *>(modal);
        shown = messageBox && messageBox->icon() == QMessageBox::Warning ? messageBox->text() : QString();
        if (messageBox)
            messageBox->button(QMessageBox::Ok)->click();
        modal->close();
    });
    MessageBox::answerUnexpected(std::nullopt);
    QTest::mouseClick(control(*w, u"cmdKozeniHozon"_s), Qt::LeftButton);
    QVERIFY(answer.handled());
    QVERIFY2(shown.startsWith(told), qPrintable(shown));
    QCOMPARE(box->text(), u"300"_s);
    QCOMPARE(w->focusWidget(), box); // back in the box, to try again
    if (ledger == u"folder") {
        QVERIFY(shown.contains(u"ファイル: %1\n理由: 同じ名前のフォルダーがあります"_s.arg(f.path())));
        QCOMPARE(rows(*w).size(), 0); // no row for a deposit the file does not hold
    } else {
        QCOMPARE(rows(*w).size(), rowsBefore);
        QVERIFY(ledger == u"pipe" ? !QFileInfo(f.path()).isFile() : f.bytes() == bytes);
    }
}

void tst_MainWindow::keyboardAndAssistiveTools()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年12月01日", "100" } }));
    auto w = startMainWindow(m_clock, f.path());
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTRY_COMPARE(QApplication::focusWidget(), control(*w, u"txtKozeni_Inp"_s));
    QStringList visited;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        visited.append(focus->objectName());
        // Each stop has a name and a description for a screen reader.
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(focus);
        QVERIFY(!a->text(QAccessible::Name).isEmpty() && !a->text(QAccessible::Description).isEmpty());
    }
    QCOMPARE(visited, (QStringList { u"cmdKozeniHozon"_s, u"cmdKozeniClr"_s, u"cmdHelp"_s, u"cmdsyoukai"_s,
                                     u"cmdEnd"_s, u"msgKozeni"_s, u"txtKozeni_Inp"_s }));
}

void tst_MainWindow::installedFamily_data()
{
    QTest::addColumn<QString>("designed");
    QTest::addColumn<QStringList>("substitutes");
    QTest::addColumn<QString>("installed");
    QTest::newRow("installed, in any letter case") << u"ipagothic"_s << QStringList() << u"IPAGothic"_s;
    QTest::newRow("first installed substitute") << u"porunka-none-1"_s << QStringList { u"porunka-none-2"_s, u"IPAPGothic"_s } << u"IPAPGothic"_s;
    QTest::newRow("none: the designed name for fontconfig") << u"porunka-none-3"_s << QStringList { u"porunka-none-4"_s } << u"porunka-none-3"_s;
    QTest::newRow("the program's proportional face") << Fonts::proportionalFamily() << QStringList() << u"IPAPGothic"_s;
    QTest::newRow("the program's fixed-pitch face") << Fonts::fixedFamily() << QStringList() << u"IPAGothic"_s;
}

void tst_MainWindow::installedFamily()
{
    QFETCH(QString, designed);
    QFETCH(QStringList, substitutes);
    QFont::insertSubstitutions(designed, substitutes);
    QTEST(Fonts::installedFamily(designed), "installed");
}

void tst_MainWindow::aSecondStartBringsTheWindowBack()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年12月01日", "100" } }));
    auto w = startMainWindow(m_clock, f.path());
    SingleWindow first(f.path());
    QVERIFY(first.claim());
    connect(&first, &SingleWindow::activationRequested, w.get(), &MainWindow::bringToFront);
    w->showMinimized();
    QTRY_VERIFY(w->isMinimized());
    // The same ledger named another way is the same ledger; another ledger has a window of its own.
    QVERIFY(!SingleWindow(f.dir() + u"/./"_s + QString::fromUtf16(LedgerFileName)).claim());
    QTRY_VERIFY(!w->isMinimized() && w->isVisible());
    LedgerFixture other;
    QVERIFY(SingleWindow(other.path()).claim());
}

void tst_MainWindow::depositModelIsAConsistentModel()
{
    DepositModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRows(LedgerEntries { { u"2010年03月07日"_s, u"19:04:05"_s, Money::fromYen(50) } }, { Money::fromYen(50) });
    model.appendRow(u"2010年03月09日"_s, u"09:00:00"_s, Money::fromYen(-20), Money::fromYen(30));
    QCOMPARE(model.index(1, DepositModel::Number).data().toString(), u"2"_s);
    QCOMPARE(model.index(1, DepositModel::Amount).data().toString(), u"-¥20"_s);
    QVERIFY(!(model.flags(model.index(0, DepositModel::Number)) & Qt::ItemIsSelectable));
    model.removeRow(0);
    QCOMPARE(model.rowCount(), 1);
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
