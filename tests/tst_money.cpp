#include "decimal.h"
#include "money.h"

#include <QTest>

#include <limits>

Q_DECLARE_METATYPE(Money)
Q_DECLARE_METATYPE(std::optional<Money>)

class tst_Money : public QObject
{
    Q_OBJECT

private slots:
    void fromDouble_data();
    void fromDouble();
    void checkedAdd_data();
    void checkedAdd();
    void plainDecimalText_data();
    void plainDecimalText();
    void plainDecimal_data();
    void plainDecimal();
};

void tst_Money::fromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<Money>>("expected");

    QTest::newRow("whole") << 120.0 << std::optional(Money::fromYen(120));
    QTest::newRow("tie rounds to even (up)") << 3.5 / 10000 << std::optional(Money::fromRaw(4));
    QTest::newRow("tie rounds to even, not away") << 4.5 / 10000 << std::optional(Money::fromRaw(4));
    QTest::newRow("negative tie to even") << -2.5 / 10000 << std::optional(Money::fromRaw(-2));
    QTest::newRow("beyond the range") << 1e15 << std::optional<Money>();
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << std::optional<Money>();
}

void tst_Money::fromDouble()
{
    QFETCH(double, value);
    QFETCH(std::optional<Money>, expected);
    QCOMPARE(Money::fromDouble(value), expected);
}

void tst_Money::checkedAdd_data()
{
    QTest::addColumn<Money>("a");
    QTest::addColumn<Money>("b");
    QTest::addColumn<std::optional<Money>>("sum");

    QTest::newRow("exact") << Money::fromRaw(1) << Money::fromRaw(2) << std::optional(Money::fromRaw(3));
    QTest::newRow("past the maximum") << Money::max() << Money::fromRaw(1) << std::optional<Money>();
    QTest::newRow("past the minimum") << Money::min() << Money::fromRaw(-1) << std::optional<Money>();
    QTest::newRow("extremes cancel") << Money::max() << Money::min() << std::optional(Money::fromRaw(-1));
}

void tst_Money::checkedAdd()
{
    QFETCH(Money, a);
    QFETCH(Money, b);
    QFETCH(std::optional<Money>, sum);
    QCOMPARE(a.checkedAdd(b), sum);
    QCOMPARE(b.checkedAdd(a), sum);
}

void tst_Money::plainDecimalText_data()
{
    QTest::addColumn<Money>("amount");
    QTest::addColumn<QByteArray>("text");

    QTest::newRow("whole") << Money::fromYen(120) << QByteArray("120");
    QTest::newRow("negative") << Money::fromYen(-30) << QByteArray("-30");
    QTest::newRow("no trailing zeros") << Money::fromRaw(125000) << QByteArray("12.5");
    QTest::newRow("fourth decimal") << Money::fromRaw(-1) << QByteArray("-0.0001");
    QTest::newRow("maximum") << Money::max() << QByteArray("922337203685477.5807");
    QTest::newRow("minimum") << Money::min() << QByteArray("-922337203685477.5808");
}

void tst_Money::plainDecimalText()
{
    QFETCH(Money, amount);
    QFETCH(QByteArray, text);
    QCOMPARE(::plainDecimalText(amount), text);
    // The ledger reads back exactly what it wrote.
    QCOMPARE(parsePlainDecimal(text.toStdString()), std::optional(amount));
}

void tst_Money::plainDecimal_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<std::optional<Money>>("expected");
    QTest::addColumn<bool>("outOfRange");

    QTest::newRow("whole") << QByteArray("120") << std::optional(Money::fromYen(120)) << false;
    QTest::newRow("plus sign") << QByteArray("+7") << std::optional(Money::fromYen(7)) << false;
    QTest::newRow("no leading zero") << QByteArray(".5") << std::optional(Money::fromRaw(5000)) << false;
    QTest::newRow("fifth decimal half to even, down") << QByteArray("0.00005") << std::optional(Money()) << false;
    QTest::newRow("fifth decimal half to even, up") << QByteArray("0.00015") << std::optional(Money::fromRaw(2)) << false;
    QTest::newRow("beyond half rounds up") << QByteArray("0.000050001") << std::optional(Money::fromRaw(1)) << false;
    QTest::newRow("exponent") << QByteArray("1.5e3") << std::optional(Money::fromYen(1500)) << false;
    QTest::newRow("zero with a huge exponent") << QByteArray("0e999999999999") << std::optional(Money()) << false;
    QTest::newRow("maximum") << QByteArray("922337203685477.5807") << std::optional(Money::max()) << false;
    QTest::newRow("minimum") << QByteArray("-922337203685477.5808") << std::optional(Money::min()) << false;
    QTest::newRow("rounds onto the maximum") << QByteArray("922337203685477.58074") << std::optional(Money::max()) << false;
    QTest::newRow("one past the maximum") << QByteArray("922337203685477.5808") << std::optional<Money>() << true;
    QTest::newRow("rounds past the maximum") << QByteArray("922337203685477.58075") << std::optional<Money>() << true;
    QTest::newRow("huge exponent") << QByteArray("1e999999999999") << std::optional<Money>() << true;
    QTest::newRow("empty") << QByteArray("") << std::optional<Money>() << false;
    QTest::newRow("exponent without digits") << QByteArray("1e") << std::optional<Money>() << false;
    QTest::newRow("letters") << QByteArray("12a") << std::optional<Money>() << false;
}

void tst_Money::plainDecimal()
{
    QFETCH(QByteArray, text);
    QFETCH(std::optional<Money>, expected);
    QFETCH(bool, outOfRange);
    bool range = !outOfRange;
    QCOMPARE(parsePlainDecimal(text.toStdString(), &range), expected);
    QCOMPARE(range, outOfRange);
}

QTEST_APPLESS_MAIN(tst_Money)
#include "tst_money.moc"
