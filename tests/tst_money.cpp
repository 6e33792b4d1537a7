#include "amount.h"
#include "ledgerfixture.h"

#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(Money)
Q_DECLARE_METATYPE(std::optional<Money>)

// Money as the ledger stores it, as the user types it and as the window shows it.
class tst_Money : public QObject
{
    Q_OBJECT

private slots:
    void plainDecimal_data();
    void plainDecimal();
    void fromDouble_data();
    void fromDouble();
    void typedAmount_data();
    void typedAmount();
    void shownAmount_data();
    void shownAmount();
};

void tst_Money::plainDecimal_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<std::optional<Money>>("expected");
    QTest::addColumn<bool>("outOfRange");

    QTest::newRow("plus sign") << QByteArray("+7") << std::optional(Money::fromYen(7)) << false;
    QTest::newRow("no leading zero") << QByteArray(".5") << std::optional(Money::fromRaw(5000)) << false;
    QTest::newRow("fourth decimal") << QByteArray("-0.0001") << std::optional(Money::fromRaw(-1)) << false;
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
}

void tst_Money::plainDecimal()
{
    QFETCH(QByteArray, text);
    QFETCH(std::optional<Money>, expected);
    QFETCH(bool, outOfRange);
    bool range = !outOfRange;
    QCOMPARE(parsePlainDecimal(text.toStdString(), &range), expected);
    QCOMPARE(range, outOfRange);
    if (expected) // the ledger reads back exactly what it writes
        QCOMPARE(parsePlainDecimal(plainDecimalText(*expected).toStdString()), expected);
}

void tst_Money::fromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<Money>>("expected");
    QTest::newRow("tie rounds to even (up)") << 3.5 / 10000 << std::optional(Money::fromRaw(4));
    QTest::newRow("tie rounds to even, not away") << 4.5 / 10000 << std::optional(Money::fromRaw(4));
    QTest::newRow("negative tie to even") << -2.5 / 10000 << std::optional(Money::fromRaw(-2));
    QTest::newRow("beyond the range") << 1e15 << std::optional<Money>();
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << std::optional<Money>();
}

void tst_Money::fromDouble()
{
    QFETCH(double, value);
    QTEST(Money::fromDouble(value), "expected");
}

void tst_Money::typedAmount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<Money>>("expected");

    const auto yen = [](int v) { return std::optional(Money::fromYen(v)); };
    const std::optional<Money> none;
    QTest::newRow("digits") << u"300"_s << yen(300);
    QTest::newRow("surrounding spaces") << u"  300 "_s << yen(300);
    QTest::newRow("grouping") << u"1,234,567"_s << yen(1234567);
    QTest::newRow("backslash as yen sign") << u"\\1200"_s << yen(1200);
    QTest::newRow("minus after the sign") << u"¥-50"_s << yen(-50);
    QTest::newRow("exponent") << u"1e3"_s << yen(1000);
    QTest::newRow("full-width minus and period") << u"－１２．５"_s << std::optional(Money::fromRaw(-125000));
    QTest::newRow("minus sign U+2212") << u"\u221250"_s << yen(-50);
    QTest::newRow("maximum") << u"922337203685477.5807"_s << std::optional(Money::max());
    QTest::newRow("yen sign alone") << u"¥"_s << none;
    QTest::newRow("two signs") << u"-¥-50"_s << none;
    QTest::newRow("sign after the number") << u"50-"_s << none;
    QTest::newRow("group of two") << u"1,00"_s << none;
    QTest::newRow("group of four") << u"1,0000"_s << none;
    QTest::newRow("leading group of four") << u"1234,567"_s << none;
    QTest::newRow("one past the maximum") << u"922337203685477.5808"_s << none;
    QTest::newRow("katakana long vowel is not a minus") << u"ー50"_s << none;
}

void tst_Money::typedAmount()
{
    QFETCH(QString, text);
    QTEST(parseAmount(text), "expected");
}

void tst_Money::shownAmount_data()
{
    QTest::addColumn<Money>("amount");
    QTest::addColumn<QString>("text");
    QTest::newRow("millions") << Money::fromYen(1234567) << u"¥1,234,567"_s;
    QTest::newRow("half away from zero") << money("12.5") << u"¥13"_s;
    QTest::newRow("below half") << money("12.4999") << u"¥12"_s;
    QTest::newRow("negative half away from zero") << money("-12.5") << u"-¥13"_s;
    QTest::newRow("negative rounding to zero has no minus") << money("-0.4") << u"¥0"_s;
    QTest::newRow("near the top") << money("922337203685477.4999") << u"¥922,337,203,685,477"_s;
    QTest::newRow("maximum") << Money::max() << u"¥922,337,203,685,478"_s;
    QTest::newRow("minimum") << Money::min() << u"-¥922,337,203,685,478"_s;
}

void tst_Money::shownAmount()
{
    QFETCH(Money, amount);
    QTEST(currencyText(amount), "text");
    // What a deletion writes back is the amount as shown.
    const auto shown = parseAmount(currencyText(amount));
    if (shown)
        QCOMPARE(displayedAmount(amount), *shown);
}

QTEST_APPLESS_MAIN(tst_Money)
#include "tst_money.moc"
