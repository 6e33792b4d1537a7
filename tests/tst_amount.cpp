#include "amount.h"
#include "ledgerfixture.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

Q_DECLARE_METATYPE(Money)
Q_DECLARE_METATYPE(std::optional<Money>)

class tst_Amount : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void currency_data();
    void currency();
    void displayedTextReadsBackAsDisplayedAmount_data();
    void displayedTextReadsBackAsDisplayedAmount();
};

void tst_Amount::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<Money>>("expected");

    const auto yen = [](int v) { return std::optional(Money::fromYen(v)); };
    const std::optional<Money> none;

    QTest::newRow("digits") << u"300"_s << yen(300);
    QTest::newRow("surrounding spaces") << u"  300 "_s << yen(300);
    QTest::newRow("minus") << u"-50"_s << yen(-50);
    QTest::newRow("grouping") << u"1,234,567"_s << yen(1234567);
    QTest::newRow("yen sign") << u"¥1,200"_s << yen(1200);
    QTest::newRow("backslash as yen sign") << u"\\1200"_s << yen(1200);
    QTest::newRow("minus after the sign") << u"¥-50"_s << yen(-50);
    QTest::newRow("decimals") << u"12.5"_s << std::optional(Money::fromRaw(125000));
    QTest::newRow("fifth decimal half to even") << u"0.00005"_s << std::optional(Money());
    QTest::newRow("exponent") << u"1e3"_s << yen(1000);
    QTest::newRow("full-width digits") << u"３００"_s << yen(300);
    QTest::newRow("full-width minus and period") << u"－１２．５"_s << std::optional(Money::fromRaw(-125000));
    QTest::newRow("minus sign U+2212") << u"\u221250"_s << yen(-50);
    QTest::newRow("maximum") << u"922337203685477.5807"_s << std::optional(Money::max());

    QTest::newRow("empty") << QString() << none;
    QTest::newRow("letters") << u"abc"_s << none;
    QTest::newRow("yen sign alone") << u"¥"_s << none;
    QTest::newRow("two signs") << u"-¥-50"_s << none;
    QTest::newRow("sign after the number") << u"50-"_s << none;
    QTest::newRow("group of two") << u"1,00"_s << none;
    QTest::newRow("group of four") << u"1,0000"_s << none;
    QTest::newRow("leading group of four") << u"1234,567"_s << none;
    QTest::newRow("one past the maximum") << u"922337203685477.5808"_s << none;
    QTest::newRow("beyond the range by exponent") << u"1e15"_s << none;
    QTest::newRow("katakana long vowel is not a minus") << u"ー50"_s << none;
}

void tst_Amount::parse()
{
    QFETCH(QString, text);
    QFETCH(std::optional<Money>, expected);
    QCOMPARE(parseAmount(text), expected);
}

void tst_Amount::currency_data()
{
    QTest::addColumn<Money>("amount");
    QTest::addColumn<QString>("text");

    QTest::newRow("zero") << Money() << u"¥0"_s;
    QTest::newRow("grouping") << Money::fromYen(1200) << u"¥1,200"_s;
    QTest::newRow("millions") << Money::fromYen(1234567) << u"¥1,234,567"_s;
    QTest::newRow("negative") << Money::fromYen(-50) << u"-¥50"_s;
    QTest::newRow("half away from zero") << money("12.5") << u"¥13"_s;
    QTest::newRow("below half") << money("12.4999") << u"¥12"_s;
    QTest::newRow("negative half away from zero") << money("-12.5") << u"-¥13"_s;
    QTest::newRow("negative rounding to zero has no minus") << money("-0.4") << u"¥0"_s;
    QTest::newRow("maximum") << Money::max() << u"¥922,337,203,685,478"_s;
    QTest::newRow("minimum") << Money::min() << u"-¥922,337,203,685,478"_s;
}

void tst_Amount::currency()
{
    QFETCH(Money, amount);
    QFETCH(QString, text);
    QCOMPARE(currencyText(amount), text);
}

void tst_Amount::displayedTextReadsBackAsDisplayedAmount_data()
{
    QTest::addColumn<Money>("amount");
    QTest::addColumn<Money>("displayed");

    QTest::newRow("whole amounts are unchanged") << Money::fromYen(120) << Money::fromYen(120);
    QTest::newRow("12.5 reads back as 13") << money("12.5") << Money::fromYen(13);
    QTest::newRow("negative") << money("-0.5") << Money::fromYen(-1);
    QTest::newRow("near the top") << money("922337203685477.4999") << money("922337203685477");
}

void tst_Amount::displayedTextReadsBackAsDisplayedAmount()
{
    QFETCH(Money, amount);
    QFETCH(Money, displayed);
    QCOMPARE(displayedAmount(amount), displayed);
    QCOMPARE(parseAmount(currencyText(amount)), std::optional(displayed));
}

QTEST_APPLESS_MAIN(tst_Amount)
#include "tst_amount.moc"
