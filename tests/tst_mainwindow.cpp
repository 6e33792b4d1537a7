#include "depositmodel.h"
#include "fonts.h"
#include "guitest.h"
#include "windowprobe.h"
#include "ledgerfixture.h"
#include "ledgertotals.h"
#include "mainwindow.h"
#include "messagebox.h"
#include "pictures.h"
#include "singlewindow.h"
#include "translations.h"

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QDir>
#include <QScreen>
#include <QSvgRenderer>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QResource>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDateTime Now(QDate(2026, 12, 6), QTime(19, 4, 5));

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void windowItself();
    void aSecondStartBringsTheWindowBack();
    void drawnAsLaidOut();
    void picturesAreSharpAtTheScreensDensity();
    void picturesDrawnAtBuildTime_data();
    void picturesDrawnAtBuildTime();
    void fonts_data();
    void fonts();
    void installedFamily_data();
    void installedFamily();
    void tabOrderVisitsTheControlsInTurn();
    void qtsOwnTextsAreJapanese();
    void assistiveToolsReadTheWindow();

    void emptyLedgerWelcomesThenTakesInput();
    void ledgerWithDepositsStartsWithoutWelcome();
    void elapsedLine_data();
    void elapsedLine();

    void deposit_data();
    void deposit();
    void depositsFollowOneAnother();
    void depositBeyondTheLimitIsRefusedInAMessage();
    void depositThatCannotBeSavedLeavesNoRow();
    void unreadLinesAreReportedAtStart();
    void aLedgerThatCannotBeOpenedIsReportedAndNotWritten();
    void aUtf8LedgerStaysUtf8();
    void entriesBeyondTheLimitAreReportedAndKept();

    void depositModelIsAConsistentModel();

private:
    // Starts a main window on `f`'s ledger; closes a welcome window, recording whether one came.
    std::unique_ptr<MainWindow> start(const LedgerFixture &f, bool *welcomed = nullptr);

    ManualClock m_clock { Now };
};

void tst_MainWindow::initTestCase()
{
    setUpJapaneseApplication(*qApp);
}

void tst_MainWindow::init()
{
    m_clock.set(Now);
    MessageBox::takeShown();
}

void tst_MainWindow::cleanup()
{
    QCOMPARE(MessageBox::pendingAnswers(), 0); // every answer given in advance was asked for
}

std::unique_ptr<MainWindow> tst_MainWindow::start(const LedgerFixture &f, bool *welcomed)
{
    return startMainWindow(m_clock, f.path(), welcomed);
}

void tst_MainWindow::windowItself()
{
    MainWindow w(m_clock, u"unused"_s);
    QCOMPARE(w.windowTitle(), u"ポルンカ貯めよう！ "_s);
    QCOMPARE(w.size(), QSize(631, 452));
    QCOMPARE(w.minimumSize(), w.maximumSize()); // fixed
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!w.windowIcon().isNull());
}

void tst_MainWindow::aSecondStartBringsTheWindowBack()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年12月01日", "100" } }));
    auto w = start(f);
    SingleWindow first(f.path());
    QVERIFY(first.claim());
    connect(&first, &SingleWindow::activationRequested, w.get(), &MainWindow::bringToFront);
    w->showMinimized();
    QTRY_VERIFY(w->isMinimized());
    // The same ledger named another way is the same ledger.
    SingleWindow second(f.dir() + u"/./"_s + QString::fromUtf16(LedgerFileName));
    QVERIFY(!second.claim());
    QTRY_VERIFY(!w->isMinimized());
    QVERIFY(w->isVisible());
    // Another ledger has a window of its own.
    LedgerFixture other;
    QVERIFY(SingleWindow(other.path()).claim());
}

void tst_MainWindow::drawnAsLaidOut()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年12月01日", "100" } }));
    auto w = start(f);
    const QImage image = w->grab().toImage();
    const qreal density = image.devicePixelRatio(); // run at 2x too
    const auto at = [&](int x, int y) { return QColor(image.pixel(qRound(x * density), qRound(y * density))); };
    QCOMPARE(at(300, 79), QColor(0x80, 0x80, 0x80)); // the etched groove under the band
    QCOMPARE(at(300, 80), QColor(Qt::white));
    QCOMPARE(at(545, 400), QColor(0xFF, 0xFF, 0xF0)); // the panel, behind its picture
    // Caption and figure backgrounds, just inside their borders.
    QCOMPARE(at(467, 92), QColor(0x80, 0x80, 0xFF)); // amount
    QCOMPARE(at(467, 132), QColor(0x00, 0x00, 0x80)); // count
    QCOMPARE(at(467, 192), QColor(0x80, 0x00, 0x00)); // largest
    QCOMPARE(at(527, 132), QColor(0xFF, 0xFF, 0xF0)); // the count itself
    // The list: grey beyond the last row, ordinary cells white, the number column button face.
    auto *list = control<QTableView>(*w, u"msgKozeni"_s);
    const QPoint viewport = list->viewport()->mapTo(w.get(), QPoint(0, 0));
    QCOMPARE(at(viewport.x() + 100, viewport.y() + 100), QColor(0x80, 0x80, 0x80));
    const QColor current = at(viewport.x() + 50, viewport.y() + 8); // the current row, left of its date
    QVERIFY(current == list->palette().color(QPalette::Active, QPalette::Highlight)
            || current == list->palette().color(QPalette::Inactive, QPalette::Highlight));
    QCOMPARE(at(viewport.x() + 5, viewport.y() + 8), w->palette().color(QPalette::Button));
}

void tst_MainWindow::picturesAreSharpAtTheScreensDensity()
{
    // Run again under QT_SCALE_FACTOR=2 by CTest: drawn for the density, not blown up.
    const qreal density = qApp->devicePixelRatio();
    qInfo("density %g", density);
    MainWindow w(m_clock, u"unused"_s);
    for (const auto &[name, size] : { std::pair { u"Image2"_s, QSize(302, 69) },
                                      std::pair { u"Image1"_s, QSize(61, 63) } }) {
        const QPixmap picture = control<QLabel>(w, name)->pixmap();
        QCOMPARE(picture.devicePixelRatio(), density);
        QCOMPARE(picture.size(), size * density);
    }
    const QIcon icon = control<QToolButton>(w, u"cmdHelp"_s)->icon();
    QCOMPARE(icon.pixmap(QSize(32, 32), density).size(), QSize(32, 32) * density);
}

void tst_MainWindow::picturesDrawnAtBuildTime_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::newRow("title") << u"title"_s << QSize(302, 69);
    QTest::newRow("panel") << u"panel"_s << QSize(61, 63);
    for (const char *icon : { "porunka", "clear", "help", "pro", "end", "welcome" })
        QTest::newRow(icon) << QString::fromLatin1(icon) << QSize(32, 32);
}

void tst_MainWindow::picturesDrawnAtBuildTime()
{
    // Drawn at build time for both densities, at the size the windows show them at, exactly as
    // the drawing gives them; any other density is drawn from the drawing when asked for.
    QFETCH(QString, name);
    QFETCH(QSize, size);
    const auto drawing = [&](qreal density) {
        QImage image(size * density, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        QSvgRenderer(u":/assets/%1.svg"_s.arg(name)).render(&painter);
        return image;
    };
    for (const qreal density : { 1.0, 2.0, 1.5 }) {
        const QPixmap shown = Pictures::render(name, size, density);
        QCOMPARE(shown.devicePixelRatio(), density);
        QVERIFY(shown.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied) == drawing(density));
    }
    for (const int density : { 1, 2 }) {
        const QResource pixels(u":/assets/%1%2.rgba"_s.arg(name, density == 2 ? u"@2x"_s : QString()));
        QCOMPARE(pixels.size(), drawing(density).sizeInBytes());
        QCOMPARE(pixels.compressionAlgorithm(), QResource::NoCompression); // shown in place
        // Icons show the picture drawn for the density, not one scaled from the other.
        if (size == QSize(32, 32)) {
            QVERIFY(Pictures::icon(name).pixmap(size, density).toImage()
                    == Pictures::render(name, size, density).toImage());
        }
    }
}

void tst_MainWindow::fonts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("family");
    QTest::addColumn<qreal>("points");

    const QString p = u"ＭＳ Ｐゴシック"_s;
    const QString f = u"ＭＳ ゴシック"_s;
    QTest::newRow("window") << u"fraMain"_s << p << 9.0;
    QTest::newRow("caption") << u"Label1(3)"_s << p << 15.75;
    QTest::newRow("value: fixed pitch") << u"lblKozeni_Avg"_s << f << 15.75;
    QTest::newRow("since the last") << u"lblCmnt2(0)"_s << p << 11.25;
}

void tst_MainWindow::fonts()
{
    QFETCH(QString, name);
    QFETCH(QString, family);
    QFETCH(qreal, points);
    MainWindow w(m_clock, u"unused"_s);
    QWidget *widget = name == u"fraMain" ? &w : control(w, name);
    const QFont font = widget->font();
    QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(font.weight(), QFont::Normal);
    QVERIFY(!font.italic());
    // The designed-for faces are not on Linux: the metric-compatible IPA faces stand in, asked
    // for by their own names.
    const QString ipa = family == u"ＭＳ ゴシック" ? u"IPAGothic"_s : u"IPAPGothic"_s;
    QCOMPARE(font.family(), ipa);
    QCOMPARE(QFontInfo(font).family(), ipa);
}

void tst_MainWindow::installedFamily_data()
{
    QTest::addColumn<QString>("designed");
    QTest::addColumn<QStringList>("substitutes");
    QTest::addColumn<QString>("installed");

    QTest::newRow("designed face installed") << u"IPAGothic"_s << QStringList() << u"IPAGothic"_s;
    QTest::newRow("any letter case") << u"ipagothic"_s << QStringList() << u"IPAGothic"_s;
    QTest::newRow("first installed substitute")
            << u"porunka-none-1"_s << QStringList { u"porunka-none-2"_s, u"IPAPGothic"_s }
            << u"IPAPGothic"_s;
    QTest::newRow("nothing installed: the designed name for fontconfig")
            << u"porunka-none-3"_s << QStringList { u"porunka-none-4"_s } << u"porunka-none-3"_s;
    QTest::newRow("the program's proportional face")
            << Fonts::proportionalFamily() << QStringList() << u"IPAPGothic"_s;
    QTest::newRow("the program's fixed-pitch face")
            << Fonts::fixedFamily() << QStringList() << u"IPAGothic"_s;
}

void tst_MainWindow::installedFamily()
{
    QFETCH(QString, designed);
    QFETCH(QStringList, substitutes);
    QFETCH(QString, installed);
    QFont::insertSubstitutions(designed, substitutes);
    QCOMPARE(Fonts::installedFamily(designed), installed);
}

void tst_MainWindow::tabOrderVisitsTheControlsInTurn()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年12月01日", "100" } }));
    auto w = start(f);
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    QTRY_COMPARE(QApplication::focusWidget(), control(*w, u"txtKozeni_Inp"_s));
    QStringList visited;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(QApplication::focusWidget()->objectName());
    }
    QCOMPARE(visited, (QStringList { u"cmdKozeniHozon"_s, u"cmdKozeniClr"_s, u"cmdHelp"_s,
                                     u"cmdsyoukai"_s, u"cmdEnd"_s, u"msgKozeni"_s,
                                     u"txtKozeni_Inp"_s }));
}

void tst_MainWindow::qtsOwnTextsAreJapanese()
{
    MainWindow w(m_clock, u"unused"_s);
    std::unique_ptr<QMenu> menu(control<QLineEdit>(w, u"txtKozeni_Inp"_s)->createStandardContextMenu());
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->text().section(u'\t', 0, 0));
    QVERIFY2(texts.contains(u"コピー(&C)"_s) && texts.contains(u"貼り付け(&P)"_s),
             qPrintable(texts.join(u", ")));
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(box.button(QMessageBox::Cancel)->text(), u"キャンセル"_s);
}

void tst_MainWindow::assistiveToolsReadTheWindow()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年11月20日", "50" }, { "2026年12月05日", "80" } }));
    auto w = start(f);
    const auto iface = [&](const QString &name) {
        return QAccessible::queryAccessibleInterface(control(*w, name));
    };
    const auto text = [&](const QString &name, QAccessible::Text kind) {
        QAccessibleInterface *i = iface(name);
        return i ? i->text(kind) : u"<none>"_s;
    };
    // Every control that takes the focus has a Japanese name and its tooltip as description.
    QCOMPARE(text(u"cmdKozeniHozon"_s, QAccessible::Name), u"入金"_s);
    QCOMPARE(text(u"cmdKozeniHozon"_s, QAccessible::Description), u"あまった小銭を貯金します"_s);
    QCOMPARE(text(u"cmdEnd"_s, QAccessible::Name), u"終了"_s);
    QCOMPARE(text(u"txtKozeni_Inp"_s, QAccessible::Name), u"入金"_s);
    QCOMPARE(text(u"txtKozeni_Inp"_s, QAccessible::Description),
             u"金額を入力してＥｎｔｅｒキーを押すか、入金ボタンを押してください"_s);
    QCOMPARE(text(u"msgKozeni"_s, QAccessible::Name), u"入金一覧"_s);
    QCOMPARE(text(u"msgKozeni"_s, QAccessible::Description),
             u"ダブルクリックで選択した行を削除できます"_s);

    // Labels speak their own texts; each figure is labelled by its caption.
    QCOMPARE(text(u"lblKozeni_zen"_s, QAccessible::Name), u"¥130"_s);
    QCOMPARE(text(u"lblKozeni_zen"_s, QAccessible::Description), u"合計"_s);
    QCOMPARE(text(u"lblCmnt2(1)"_s, QAccessible::Name), u"経過しました"_s);
    QCOMPARE(text(u"lblKozeni_Keika"_s, QAccessible::Name), u"1日"_s);
    bool labelled = false;
    // (the relation names what the other object is to this one: its label)
    for (const auto &[other, relation] : iface(u"lblKozeni_zen"_s)->relations(QAccessible::Label))
        labelled = labelled || (other->object() == control(*w, u"Label1(4)"_s));
    QVERIFY(labelled);

    // The list's cells.
    QAccessibleTableInterface *table = iface(u"msgKozeni"_s)->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 2);
    QAccessibleInterface *cell = table->cellAt(1, 4);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Name), u"¥130"_s);
}

void tst_MainWindow::emptyLedgerWelcomesThenTakesInput()
{
    LedgerFixture f;
    MainWindow w(m_clock, f.path());
    // Seen while the welcome window is up; checked once it is closed.
    QString modalName;
    QWidget *modalParent = nullptr;
    bool mainShown = false;
    QString focusedThen;
    QRect mainGeometry, welcomeGeometry;
    const ModalWatcher welcome([&](QWidget *modal) {
        modalName = modal->objectName();
        modalParent = modal->parentWidget();
        mainShown = w.isVisible(); // the main window shows first, then the welcome over it
        mainGeometry = w.geometry();
        welcomeGeometry = modal->geometry();
        auto *button = modal->findChild<QPushButton *>(u"cmdModori"_s);
        [[maybe_unused]] const bool focused =
                QTest::qWaitFor([&] { return QApplication::focusWidget() == button; });
        focusedThen = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
        if (button)
            QTest::mouseClick(button, Qt::LeftButton);
        modal->close(); // in case the button did not
    });
    w.start();
    QVERIFY(welcome.handled());
    QCOMPARE(modalName, u"frmSub"_s);
    QCOMPARE(modalParent, &w);
    QVERIFY(mainShown);
    QCOMPARE(focusedThen, u"cmdModori"_s);
    // Both centred on the screen, give or take the frame the window system adds.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const QRect &window : { mainGeometry, welcomeGeometry }) {
        QVERIFY(qAbs(window.center().x() - screen.center().x()) <= 3);
        QVERIFY(qAbs(window.center().y() - screen.center().y()) <= 3);
    }
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY(f.exists());
    QCOMPARE(f.bytes(), QByteArray());
    QCOMPARE(figures(w), u"0回 ¥0 ¥0 ¥0 ¥0"_s);
    QCOMPARE(elapsedLineText(w), QString());
    QCOMPARE(dataRows(w), 0);
    QTRY_COMPARE(QApplication::focusWidget(), control(w, u"txtKozeni_Inp"_s));

    // Typing goes straight into the amount box.
    QTest::keyClicks(QApplication::focusWidget(), u"300"_s);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(dataRows(w), 1);
    QCOMPARE(elapsedLineText(w), u"本日入金済みです。"_s);
}

void tst_MainWindow::ledgerWithDepositsStartsWithoutWelcome()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年11月20日", "50" }, { "2026年11月28日", "120" },
                       { "2026年12月05日", "80" } }));
    bool welcomed = true;
    auto w = start(f, &welcomed);
    QVERIFY(!welcomed);
    QCOMPARE(figures(*w), u"3回 ¥250 ¥120 ¥50 ¥83"_s);
    QCOMPARE(rowTexts(*w, 0), (QStringList { u"1"_s, u"2026年11月20日"_s, u"12:00:00"_s, u"¥50"_s, u"¥50"_s }));
    QCOMPARE(rowTexts(*w, 1), (QStringList { u"2"_s, u"2026年11月28日"_s, u"12:00:00"_s, u"¥120"_s, u"¥170"_s }));
    QCOMPARE(rowTexts(*w, 2), (QStringList { u"3"_s, u"2026年12月05日"_s, u"12:00:00"_s, u"¥80"_s, u"¥250"_s }));
    QCOMPARE(control<QTableView>(*w, u"msgKozeni"_s)->currentIndex().row(), 2);
    QCOMPARE(elapsedLineText(*w), u"前回の清算から|1日|経過しました"_s);
    QCOMPARE(MessageBox::takeShown(), {});
}

void tst_MainWindow::elapsedLine_data()
{
    QTest::addColumn<QByteArray>("ledger");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("line");

    const QByteArray lastToday = ledgerOf({ { "2026年11月01日", "10" }, { "2026年12月06日", "10" } });
    QTest::newRow("deposited today, started at 23:59")
            << lastToday << QDateTime(QDate(2026, 12, 6), QTime(23, 59)) << u"本日入金済みです。"_s;
    QTest::newRow("yesterday, started at 00:01")
            << ledgerOf({ { "2026年12月05日", "10" } }) << QDateTime(QDate(2026, 12, 6), QTime(0, 1))
            << u"前回の清算から|1日|経過しました"_s;
    QTest::newRow("103 days") << ledgerOf({ { "2026年08月25日", "10" } }) << Now
                              << u"前回の清算から|103日|経過しました"_s;
    QTest::newRow("clock set back: a future date")
            << ledgerOf({ { "2026年12月09日", "10" } }) << Now << u"前回の清算から|-3日|経過しました"_s;
    QTest::newRow("only the last entry counts")
            << ledgerOf({ { "2026年12月06日", "10" }, { "2026年12月01日", "10" } }) << Now
            << u"前回の清算から|5日|経過しました"_s;
    QTest::newRow("hand-edited date that is no date: hidden")
            << QByteArray("\"\x82\xa0\",\"12:00:00\",10\r\n") << Now << QString();
}

void tst_MainWindow::elapsedLine()
{
    QFETCH(QByteArray, ledger);
    QFETCH(QDateTime, now);
    QFETCH(QString, line);
    LedgerFixture f;
    f.write(ledger);
    m_clock.set(now);
    auto w = start(f);
    QCOMPARE(elapsedLineText(*w), line);
    // A deposit turns any of them into today's.
    control<QLineEdit>(*w, u"txtKozeni_Inp"_s)->setText(u"1"_s);
    w->Deposit();
    QCOMPARE(elapsedLineText(*w), u"本日入金済みです。"_s);
}

void tst_MainWindow::deposit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("byEnter");
    QTest::addColumn<QByteArray>("appended");
    QTest::addColumn<QString>("figuresAfter");
    QTest::addColumn<QString>("boxAfter");

    const QByteArray line300 = line("2026年12月06日", "19:04:05", "300");
    QTest::newRow("300 and Enter") << u"300"_s << true << line300
                                   << u"2回 ¥400 ¥300 ¥100 ¥200"_s << QString();
    QTest::newRow("300 and the button") << u"300"_s << false << line300
                                        << u"2回 ¥400 ¥300 ¥100 ¥200"_s << QString();
    QTest::newRow("full-width ３００ from an input method") << u"３００"_s << true << line300
                                                         << u"2回 ¥400 ¥300 ¥100 ¥200"_s << QString();
    QTest::newRow("-50 lowers the total") << u"-50"_s << false
                                          << line("2026年12月06日", "19:04:05", "-50")
                                          << u"2回 ¥50 ¥100 -¥50 ¥25"_s << QString();
    QTest::newRow("¥1,200 with grouping") << u"¥1,200"_s << true
                                          << line("2026年12月06日", "19:04:05", "1200")
                                          << u"2回 ¥1,300 ¥1,200 ¥100 ¥650"_s << QString();
    QTest::newRow("12.5 is written exactly, shown rounded") << u"12.5"_s << true
                                                            << line("2026年12月06日", "19:04:05", "12.5")
                                                            << u"2回 ¥113 ¥100 ¥13 ¥56"_s << QString();
    QTest::newRow("empty box, button: nothing") << QString() << false << QByteArray()
                                                << u"1回 ¥100 ¥100 ¥100 ¥100"_s << QString();
    QTest::newRow("empty box, Enter: nothing") << QString() << true << QByteArray()
                                               << u"1回 ¥100 ¥100 ¥100 ¥100"_s << QString();
    QTest::newRow("abc, button: nothing, the text stays") << u"abc"_s << false << QByteArray()
                                                          << u"1回 ¥100 ¥100 ¥100 ¥100"_s << u"abc"_s;
    QTest::newRow("abc, Enter: nothing, the text stays") << u"abc"_s << true << QByteArray()
                                                         << u"1回 ¥100 ¥100 ¥100 ¥100"_s << u"abc"_s;
    QTest::newRow("beyond the money range: like abc") << u"1e15"_s << true << QByteArray()
                                                      << u"1回 ¥100 ¥100 ¥100 ¥100"_s << u"1e15"_s;
}

void tst_MainWindow::deposit()
{
    QFETCH(QString, typed);
    QFETCH(bool, byEnter);
    QFETCH(QByteArray, appended);
    QFETCH(QString, figuresAfter);
    QFETCH(QString, boxAfter);

    LedgerFixture f;
    const QByteArray before = ledgerOf({ { "2026年12月01日", "100" } });
    f.write(before);
    auto w = start(f);
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    auto *box = control<QLineEdit>(*w, u"txtKozeni_Inp"_s);
    QTRY_COMPARE(QApplication::focusWidget(), box);
    typeText(box, typed);
    QCOMPARE(box->text(), typed);
    if (byEnter)
        QTest::keyClick(box, Qt::Key_Return);
    else
        QTest::mouseClick(control(*w, u"cmdKozeniHozon"_s), Qt::LeftButton);

    QCOMPARE(f.bytes(), before + appended);
    QCOMPARE(figures(*w), figuresAfter);
    QCOMPARE(box->text(), boxAfter);
    const bool deposited = !appended.isEmpty();
    // A click focuses the button; only a deposit puts the focus back into the box.
    QCOMPARE(QApplication::focusWidget(),
             deposited || byEnter ? static_cast<QWidget *>(box) : control(*w, u"cmdKozeniHozon"_s));
    QCOMPARE(dataRows(*w), deposited ? 2 : 1);
    QCOMPARE(elapsedLineText(*w), deposited ? u"本日入金済みです。"_s : u"前回の清算から|5日|経過しました"_s);
    if (deposited) {
        const QStringList last = rowTexts(*w, 1);
        QCOMPARE(last.mid(0, 3), (QStringList { u"2"_s, u"2026年12月06日"_s, u"19:04:05"_s }));
        QCOMPARE(control<QTableView>(*w, u"msgKozeni"_s)->currentIndex().row(), 1);
    }
    QCOMPARE(MessageBox::takeShown(), {});
}

void tst_MainWindow::depositsFollowOneAnother()
{
    // The list and the file each read the clock; each row shows its own reading.
    LedgerFixture f;
    auto w = start(f);
    auto *box = control<QLineEdit>(*w, u"txtKozeni_Inp"_s);
    const QList<std::pair<QString, QTime>> deposits = {
        { u"50"_s, QTime(8, 0, 0) }, { u"120"_s, QTime(12, 30, 0) }, { u"80"_s, QTime(23, 59, 59) }
    };
    QByteArray expected;
    for (const auto &[amount, time] : deposits) {
        m_clock.set(QDateTime(QDate(2010, 3, 7), time));
        box->setText(amount);
        w->Deposit();
        expected += line("2010年03月07日", qPrintable(time.toString(u"HH:mm:ss")), qPrintable(amount));
    }
    QCOMPARE(f.bytes(), expected);
    QCOMPARE(figures(*w), u"3回 ¥250 ¥120 ¥50 ¥83"_s);
    QCOMPARE(rowTexts(*w, 2), (QStringList { u"3"_s, u"2010年03月07日"_s, u"23:59:59"_s, u"¥80"_s, u"¥250"_s }));
}

void tst_MainWindow::depositBeyondTheLimitIsRefusedInAMessage()
{
    LedgerFixture f;
    QByteArray full;
    for (int i = 0; i < LedgerTotals::MaxEntries; ++i)
        full += line("2026年12月01日", "12:00:00", "1");
    f.write(full);
    auto w = start(f);
    QCOMPARE(dataRows(*w), LedgerTotals::MaxEntries);

    auto *box = control<QLineEdit>(*w, u"txtKozeni_Inp"_s);
    box->setText(u"300"_s);
    // Answered the way a user would: a real message box, found and closed.
    QString shownText;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    const ModalWatcher answer([&](QWidget *modal) {
        if (auto *messageBox = qobject_cast<QMessageBox *>(modal)) {
            shownText = messageBox->text();
            icon = messageBox->icon();
            for (QAbstractButton *b : messageBox->buttons())
                buttons.append(b->text());
            if (QAbstractButton *ok = messageBox->button(QMessageBox::Ok))
                ok->click();
        }
        modal->close();
    });
    w->Deposit();
    QVERIFY(answer.handled());
    QCOMPARE(icon, QMessageBox::Warning);
    QVERIFY(shownText.contains(u"32,766"));
    QCOMPARE(buttons, QStringList { u"OK"_s });
    QCOMPARE(dataRows(*w), LedgerTotals::MaxEntries);
    QCOMPARE(f.bytes(), full);
    QCOMPARE(box->text(), u"300"_s);
    QCOMPARE(figures(*w).section(u' ', 0, 0), u"32766回"_s);
}

void tst_MainWindow::depositThatCannotBeSavedLeavesNoRow()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年12月01日", "100" } }));
    auto w = start(f);
    // The file is taken away and a directory stands in its place: the line cannot be appended.
    QVERIFY(QFile::remove(f.path()));
    QVERIFY(QDir(f.dir()).mkdir(QString::fromUtf16(LedgerFileName)));
    auto *box = control<QLineEdit>(*w, u"txtKozeni_Inp"_s);
    box->setText(u"300"_s);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    w->Deposit();
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].icon, MessageBox::Icon::Warning);
    QVERIFY(shown[0].text.contains(u"記録していません"));
    QVERIFY2(shown[0].text.contains(u"ファイル: %1\n理由: 同じ名前のフォルダーがあります"_s.arg(f.path())),
             qPrintable(shown[0].text));
    QCOMPARE(box->text(), u"300"_s);
    QCOMPARE(elapsedLineText(*w), u"前回の清算から|5日|経過しました"_s);
    // What the list shows is what the file holds: nothing can be read there now.
    QCOMPARE(dataRows(*w), 0);
}

void tst_MainWindow::unreadLinesAreReportedAtStart()
{
    LedgerFixture f;
    f.write(ledgerOf({ { "2026年12月01日", "100" } }) + "\"x\",\"y\",abc\r\n"
            + ledgerOf({ { "2026年12月02日", "20" } }));
    MessageBox::answerNext(MessageBox::Answer::Ok);
    auto w = start(f);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains(u"2 行目"), qPrintable(shown[0].text));
    QCOMPARE(dataRows(*w), 2);
    QCOMPARE(figures(*w), u"2回 ¥120 ¥100 ¥20 ¥60"_s);
}

void tst_MainWindow::aLedgerThatCannotBeOpenedIsReportedAndNotWritten()
{
    // A named pipe in its place: start-up neither blocks nor reads it.
    LedgerFixture f;
    QCOMPARE(::mkfifo(QFile::encodeName(f.path()).constData(), 0600), 0);
    MessageBox::answerNext(MessageBox::Answer::Ok); // told at start
    auto w = start(f);
    QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, u"台帳ファイルを読めません"_s);
    QVERIFY2(shown[0].text.endsWith(u"ファイル: %1\n理由: 通常のファイルではありません（名前付きパイプ、デバイス、ソケットなど）"_s
                                            .arg(f.path())),
             qPrintable(shown[0].text));

    control<QLineEdit>(*w, u"txtKozeni_Inp"_s)->setText(u"300"_s);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    w->Deposit();
    shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown[0].text.startsWith(u"台帳ファイルを読めないため、この入金は記録していません。"));
    QCOMPARE(control<QLineEdit>(*w, u"txtKozeni_Inp"_s)->text(), u"300"_s);
    QVERIFY(QFileInfo(f.path()).exists() && !QFileInfo(f.path()).isFile());
}

void tst_MainWindow::aUtf8LedgerStaysUtf8()
{
    // Saved by a text editor in UTF-8: shown right, and deposits go on in UTF-8.
    LedgerFixture f;
    const QByteArray saved = "\xEF\xBB\xBF\"2026年12月01日\",\"12:00:00\",100\r\n";
    f.write(saved);
    auto w = start(f);
    QCOMPARE(rowTexts(*w, 0).value(1), u"2026年12月01日"_s);
    QCOMPARE(MessageBox::takeShown(), {});
    control<QLineEdit>(*w, u"txtKozeni_Inp"_s)->setText(u"300"_s);
    w->Deposit();
    QCOMPARE(f.bytes(), saved + "\"2026年12月06日\",\"19:04:05\",300\r\n");
}

void tst_MainWindow::entriesBeyondTheLimitAreReportedAndKept()
{
    LedgerFixture f;
    QByteArray bytes;
    for (int i = 0; i < LedgerTotals::MaxEntries + 3; ++i)
        bytes += line("2026年12月01日", "12:00:00", "1");
    f.write(bytes);
    MessageBox::answerNext(MessageBox::Answer::Ok);
    auto w = start(f);
    const QList<MessageBox::Shown> shown = MessageBox::takeShown();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].text.contains(u"32767 行目から後は、表示できる 32766 件を超える"),
             qPrintable(shown[0].text));
    QCOMPARE(dataRows(*w), LedgerTotals::MaxEntries);
    QCOMPARE(f.bytes(), bytes); // nothing changes the file until the user acts
}

void tst_MainWindow::depositModelIsAConsistentModel()
{
    DepositModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    model.setRows(LedgerEntries { { u"2010年03月07日"_s, u"19:04:05"_s, Money::fromYen(50) },
                                  { u"2010年03月08日"_s, u"08:00:00"_s, Money::fromYen(120) } },
                  { Money::fromYen(50), Money::fromYen(170) });
    model.appendRow(u"2010年03月09日"_s, u"09:00:00"_s, Money::fromYen(-20), Money::fromYen(150));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.index(2, DepositModel::Amount).data().toString(), u"-¥20"_s);
    QCOMPARE(model.index(2, DepositModel::Number).data().toString(), u"3"_s);
    QVERIFY(!(model.flags(model.index(0, DepositModel::Number)) & Qt::ItemIsSelectable));
    QVERIFY(model.flags(model.index(0, DepositModel::Date)) & Qt::ItemIsSelectable);
    QCOMPARE(model.headerData(4, Qt::Horizontal).toString(), u"累計"_s);
    QCOMPARE(model.index(0, DepositModel::Amount).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignRight | Qt::AlignVCenter);
    QCOMPARE(model.index(0, DepositModel::Date).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
             Qt::AlignCenter);
    model.removeRow(0);
    QCOMPARE(model.index(0, DepositModel::Number).data().toString(), u"1"_s);
    QCOMPARE(model.index(0, DepositModel::Date).data().toString(), u"2010年03月08日"_s);
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.index(0, 0).data().isValid());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
