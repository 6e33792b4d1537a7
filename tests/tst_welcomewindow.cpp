#include "fonts.h"
#include "welcomewindow.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

class tst_WelcomeWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { Fonts::installSubstitutes(); }
    void windowItself();
    void linesInScreenOrder();
    void closes_data();
    void closes();
};

void tst_WelcomeWindow::windowItself()
{
    WelcomeWindow w;
    QCOMPARE(w.windowTitle(), u"ポルンカ始めてみよう！"_s);
    QCOMPARE(w.size(), QSize(457, 249));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
    auto *button = w.findChild<QPushButton *>(u"cmdModori"_s);
    QVERIFY(button);
    QCOMPARE(button->text(), u"財布を用意して さぁ 始めよう！"_s);
    QCOMPARE(button->geometry(), QRect(195, 195, 226, 36));
    QCOMPARE(button->toolTip(), QString());
    QCOMPARE(w.findChild<QWidget *>(u"Shape1"_s)->geometry(), QRect(10, 5, 439, 236));
}

void tst_WelcomeWindow::linesInScreenOrder()
{
    WelcomeWindow w;
    QList<QLabel *> labels;
    for (int i = 0; i < 8; ++i) {
        auto *label = w.findChild<QLabel *>(u"Label1(%1)"_s.arg(i));
        QVERIFY(label);
        QCOMPARE(label->font().family(), u"IPAPGothic"_s);
        QCOMPARE(label->font().pointSizeF(), 11.25);
        labels.append(label);
    }
    std::sort(labels.begin(), labels.end(),
              [](QLabel *a, QLabel *b) { return a->y() < b->y(); });
    QStringList texts, order;
    for (QLabel *label : labels) {
        texts.append(label->text());
        order.append(label->objectName());
    }
    QCOMPARE(texts, (QStringList {
                            u"一週間に１回、あるいは半月に一回…などなど"_s,
                            u"とにかく任意の期間で、財布に残っている『小銭』を惜しみなく"_s,
                            u"貯金にまわしてしまおう！　という貯金法です。"_s,
                            u"『小銭』の定義も使う人、その時の気分でＯＫ！"_s,
                            u"硬貨は全て小銭…としてもよいし、"_s,
                            u"１００円以下を小銭とみなす…でもかまわないでしょう。"_s,
                            u"小銭の一括清算でジャラジャラだった財布は軽くなるし"_s,
                            u"貯金はいつのまにか重くなる！？"_s }));
    QCOMPARE(order, (QStringList { u"Label1(0)"_s, u"Label1(1)"_s, u"Label1(2)"_s, u"Label1(4)"_s,
                                   u"Label1(5)"_s, u"Label1(6)"_s, u"Label1(3)"_s, u"Label1(7)"_s }));
    // The fifth line is indented by five pixels.
    QCOMPARE(labels[4]->x() - labels[3]->x(), 5);
    QCOMPARE(labels[0]->geometry(), QRect(30, 15, 306, 26));
    QCOMPARE(labels[7]->geometry(), QRect(30, 170, 231, 21));
}

void tst_WelcomeWindow::closes_data()
{
    QTest::addColumn<int>("how");
    QTest::newRow("the button") << 0;
    QTest::newRow("Enter on the focused button") << 1;
    QTest::newRow("Escape") << 2;
    QTest::newRow("the close box") << 3;
}

void tst_WelcomeWindow::closes()
{
    QFETCH(int, how);
    WelcomeWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto *button = w.findChild<QPushButton *>(u"cmdModori"_s);
    QTRY_COMPARE(QApplication::focusWidget(), button); // the one control that takes the focus
    switch (how) {
    case 0:
        QTest::mouseClick(button, Qt::LeftButton);
        break;
    case 1:
        QTest::keyClick(button, Qt::Key_Return);
        break;
    case 2:
        QTest::keyClick(&w, Qt::Key_Escape);
        break;
    case 3:
        w.close();
        break;
    }
    QTRY_VERIFY(!w.isVisible());
}

QTEST_MAIN(tst_WelcomeWindow)
#include "tst_welcomewindow.moc"
