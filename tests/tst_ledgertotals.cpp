#include "ledgerfixture.h"
#include "ledgertotals.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Refusal = LedgerTotals::Refusal;
Q_DECLARE_METATYPE(Money)

namespace {

QString text(const TotalsTexts &t)
{
    return QStringList { t.count, t.total, t.largest, t.smallest, t.average }.join(u' ');
}

// Loads the amounts given as plain decimals separated by spaces; returns the figures shown.
QString load(LedgerTotals &totals, const QString &amounts, const QString &lastDate = u"2010年03月07日"_s)
{
    totals.StartLoad();
    const QStringList list = amounts.split(u' ', Qt::SkipEmptyParts);
    for (const QString &a : list) {
        if (!totals.AddLoadedAmount(money(qPrintable(a))))
            qFatal("total out of range in a test table");
    }
    return text(totals.FinishLoad(int(list.size()), list.isEmpty() ? QString() : lastDate));
}

QString deposit(LedgerTotals &totals, Money amount)
{
    const int row = totals.count() + 1;
    totals.AddDepositAmount(amount);
    return text(totals.FinishDeposit(amount, row));
}

} // namespace

// The five figures: how a load computes them, how each deposit moves them, what is refused.
class tst_LedgerTotals : public QObject
{
    Q_OBJECT

private slots:
    void loadThenDeposit_data();
    void loadThenDeposit();
    void averageAndReload();
    void refusals_data();
    void refusals();
};

void tst_LedgerTotals::loadThenDeposit_data()
{
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("afterLoad");
    QTest::addColumn<QString>("deposited");
    QTest::addColumn<QString>("afterDeposit");
    QTest::newRow("empty ledger, first deposit") << u""_s << u"0回 ¥0 ¥0 ¥0 ¥0"_s << u"100"_s << u"1回 ¥100 ¥100 ¥100 ¥100"_s;
    QTest::newRow("50, 120, 80") << u"50 120 80"_s << u"3回 ¥250 ¥120 ¥50 ¥83"_s << u"30"_s << u"4回 ¥280 ¥120 ¥30 ¥70"_s;
    QTest::newRow("negatives: the largest stays at its base 0") << u"-20"_s << u"1回 -¥20 ¥0 -¥20 -¥20"_s << u"-50"_s << u"2回 -¥70 ¥0 -¥50 -¥35"_s;
    QTest::newRow("10000 first: the smallest stays at its base 9999") << u""_s << u"0回 ¥0 ¥0 ¥0 ¥0"_s << u"10000"_s << u"1回 ¥10,000 ¥10,000 ¥9,999 ¥10,000"_s;
    QTest::newRow("every amount 9999 or more") << u"9999 20000"_s << u"2回 ¥29,999 ¥20,000 ¥9,999 ¥15,000"_s << u"9998.5"_s << u"3回 ¥39,998 ¥20,000 ¥9,999 ¥13,333"_s;
    QTest::newRow("fractions compare in full, display rounds") << u"12.5 12.4"_s << u"2回 ¥25 ¥13 ¥12 ¥12"_s << u"12.45"_s << u"3回 ¥37 ¥13 ¥12 ¥12"_s;
}

void tst_LedgerTotals::loadThenDeposit()
{
    QFETCH(QString, loaded);
    QFETCH(QString, deposited);
    LedgerTotals totals;
    QTEST(load(totals, loaded), "afterLoad");
    QTEST(deposit(totals, money(qPrintable(deposited))), "afterDeposit");
    QTEST(text(totals.ShowTotals()), "afterDeposit");
    QCOMPARE(totals.lastDateText(), loaded.isEmpty() ? QString() : u"2010年03月07日"_s); // set by a load only
}

void tst_LedgerTotals::averageAndReload()
{
    // The average passes through floating point and rounds half to even at four decimals.
    LedgerTotals totals;
    load(totals, u"0.0002 0.0003"_s);
    QCOMPARE(totals.average(), Money::fromRaw(2));
    load(totals, u"0.0003 0.0004"_s);
    QCOMPARE(totals.average(), Money::fromRaw(4));
    load(totals, u"100 0 0"_s);
    QCOMPARE(totals.average(), Money::fromRaw(333333));
    // An empty reload shows the extremes as 0 but keeps the old average (the window shows zero
    // itself after clearing); the next deposit is both the largest and the smallest.
    QCOMPARE(load(totals, u""_s), u"0回 ¥0 ¥0 ¥0 ¥33"_s);
    QCOMPARE(totals.smallest(), LedgerTotals::SmallestBase);
    QCOMPARE(deposit(totals, Money::fromYen(500)), u"1回 ¥500 ¥500 ¥500 ¥500"_s);
}

void tst_LedgerTotals::refusals_data()
{
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<Money>("amount");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("refusal");
    const QString max = u"922337203685477.5807"_s, min = u"-922337203685477.5808"_s;
    QTest::newRow("the last row that fits") << QString() << Money::fromYen(1) << LedgerTotals::MaxEntries << int(Refusal::None);
    QTest::newRow("the 32,767th deposit") << QString() << Money::fromYen(1) << LedgerTotals::MaxEntries + 1 << int(Refusal::TooManyEntries);
    QTest::newRow("total up to the maximum") << u"922337203685477.5806"_s << Money::fromRaw(1) << 2 << int(Refusal::None);
    QTest::newRow("total past the maximum") << max << Money::fromRaw(1) << 2 << int(Refusal::TotalOutOfRange);
    QTest::newRow("total past the minimum") << min << Money::fromRaw(-1) << 2 << int(Refusal::TotalOutOfRange);
    QTest::newRow("a negative deposit brings it back") << max << Money::fromYen(-1) << 2 << int(Refusal::None);
}

void tst_LedgerTotals::refusals()
{
    QFETCH(QString, loaded);
    QFETCH(Money, amount);
    QFETCH(int, row);
    LedgerTotals totals;
    load(totals, loaded);
    const QString before = text(totals.ShowTotals());
    QTEST(int(totals.CheckDeposit(amount, row)), "refusal");
    QCOMPARE(text(totals.ShowTotals()), before); // checking changes nothing
}

QTEST_APPLESS_MAIN(tst_LedgerTotals)
#include "tst_ledgertotals.moc"
