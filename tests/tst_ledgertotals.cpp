#include "ledgerfixture.h"
#include "ledgertotals.h"

#include <QFile>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Refusal = LedgerTotals::Refusal;

Q_DECLARE_METATYPE(Money)
Q_DECLARE_METATYPE(TotalsTexts)

namespace QTest {
template<>
char *toString(const TotalsTexts &t)
{
    return qstrdup(QStringList { t.count, t.total, t.largest, t.smallest, t.average }
                           .join(u" | ")
                           .toUtf8()
                           .constData());
}
} // namespace QTest

namespace {

QList<Money> amounts(std::initializer_list<const char *> texts)
{
    QList<Money> list;
    for (const char *t : texts)
        list.append(money(t));
    return list;
}

TotalsTexts load(LedgerTotals &totals, const QList<Money> &amounts, const QString &lastDate = {})
{
    totals.StartLoad();
    for (Money m : amounts) {
        if (!totals.AddLoadedAmount(m))
            qFatal("total out of range in a test table");
    }
    return totals.FinishLoad(int(amounts.size()), amounts.isEmpty() ? QString() : lastDate);
}

TotalsTexts deposit(LedgerTotals &totals, Money amount)
{
    const int row = totals.count() + 1;
    if (totals.CheckDeposit(amount, row) != Refusal::None)
        qFatal("deposit refused in a test table");
    totals.AddDepositAmount(amount);
    return totals.FinishDeposit(amount, row);
}

} // namespace

class tst_LedgerTotals : public QObject
{
    Q_OBJECT

private slots:
    void loadThenDeposit_data();
    void loadThenDeposit();
    void averageThroughDoubleRoundsHalfToEven();
    void reloadKeepsAverageWhenEmptyAndResetsExtremes();
    void lastDateTextChangesOnlyOnLoad();
    void refusals_data();
    void refusals();
    void totalsOfSampleLedgers_data();
    void totalsOfSampleLedgers();
};

void tst_LedgerTotals::loadThenDeposit_data()
{
    QTest::addColumn<QList<Money>>("loaded");
    QTest::addColumn<TotalsTexts>("afterLoad");
    QTest::addColumn<Money>("deposited");
    QTest::addColumn<TotalsTexts>("afterDeposit");

    QTest::newRow("empty ledger, first deposit 100")
            << QList<Money>() << TotalsTexts { u"0回"_s, u"¥0"_s, u"¥0"_s, u"¥0"_s, u"¥0"_s }
            << Money::fromYen(100)
            << TotalsTexts { u"1回"_s, u"¥100"_s, u"¥100"_s, u"¥100"_s, u"¥100"_s };
    QTest::newRow("50, 120, 80")
            << amounts({ "50", "120", "80" })
            << TotalsTexts { u"3回"_s, u"¥250"_s, u"¥120"_s, u"¥50"_s, u"¥83"_s }
            << Money::fromYen(30)
            << TotalsTexts { u"4回"_s, u"¥280"_s, u"¥120"_s, u"¥30"_s, u"¥70"_s };
    QTest::newRow("ties change nothing")
            << amounts({ "100", "100" })
            << TotalsTexts { u"2回"_s, u"¥200"_s, u"¥100"_s, u"¥100"_s, u"¥100"_s }
            << Money::fromYen(100)
            << TotalsTexts { u"3回"_s, u"¥300"_s, u"¥100"_s, u"¥100"_s, u"¥100"_s };
    QTest::newRow("a single negative: largest stays at its base 0")
            << amounts({ "-20" })
            << TotalsTexts { u"1回"_s, u"-¥20"_s, u"¥0"_s, u"-¥20"_s, u"-¥20"_s }
            << Money::fromYen(-50)
            << TotalsTexts { u"2回"_s, u"-¥70"_s, u"¥0"_s, u"-¥50"_s, u"-¥35"_s };
    QTest::newRow("10000 into an empty ledger: smallest stays at its base 9999")
            << QList<Money>() << TotalsTexts { u"0回"_s, u"¥0"_s, u"¥0"_s, u"¥0"_s, u"¥0"_s }
            << Money::fromYen(10000)
            << TotalsTexts { u"1回"_s, u"¥10,000"_s, u"¥10,000"_s, u"¥9,999"_s, u"¥10,000"_s };
    QTest::newRow("every amount 9999 or more")
            << amounts({ "9999", "20000" })
            << TotalsTexts { u"2回"_s, u"¥29,999"_s, u"¥20,000"_s, u"¥9,999"_s, u"¥15,000"_s }
            << money("9998.5")
            << TotalsTexts { u"3回"_s, u"¥39,998"_s, u"¥20,000"_s, u"¥9,999"_s, u"¥13,333"_s };
    QTest::newRow("fractions compare in full, display rounds")
            << amounts({ "12.5", "12.4" })
            << TotalsTexts { u"2回"_s, u"¥25"_s, u"¥13"_s, u"¥12"_s, u"¥12"_s }
            << money("12.45")
            << TotalsTexts { u"3回"_s, u"¥37"_s, u"¥13"_s, u"¥12"_s, u"¥12"_s };
}

void tst_LedgerTotals::loadThenDeposit()
{
    QFETCH(QList<Money>, loaded);
    QFETCH(TotalsTexts, afterLoad);
    QFETCH(Money, deposited);
    QFETCH(TotalsTexts, afterDeposit);

    LedgerTotals totals;
    QCOMPARE(load(totals, loaded, u"2010年03月07日"_s), afterLoad);
    QCOMPARE(deposit(totals, deposited), afterDeposit);
    QCOMPARE(totals.ShowTotals(), afterDeposit);
}

void tst_LedgerTotals::averageThroughDoubleRoundsHalfToEven()
{
    LedgerTotals totals;
    load(totals, amounts({ "0.0002", "0.0003" }));
    QCOMPARE(totals.average(), Money::fromRaw(2)); // 0.00025, half to even
    load(totals, amounts({ "0.0003", "0.0004" }));
    QCOMPARE(totals.average(), Money::fromRaw(4)); // 0.00035
    load(totals, amounts({ "100", "0", "0" }));
    QCOMPARE(totals.average(), Money::fromRaw(333333));
}

void tst_LedgerTotals::reloadKeepsAverageWhenEmptyAndResetsExtremes()
{
    LedgerTotals totals;
    load(totals, amounts({ "50", "120", "80" }));
    // An empty reload shows the smallest as 0 but keeps the old average; the window overrides
    // the average label itself after clearing.
    QCOMPARE(load(totals, {}), (TotalsTexts { u"0回"_s, u"¥0"_s, u"¥0"_s, u"¥0"_s, u"¥83"_s }));
    QCOMPARE(totals.smallest(), LedgerTotals::SmallestBase);
    // The next deposit is both the largest and the smallest.
    QCOMPARE(deposit(totals, Money::fromYen(500)),
             (TotalsTexts { u"1回"_s, u"¥500"_s, u"¥500"_s, u"¥500"_s, u"¥500"_s }));
}

void tst_LedgerTotals::lastDateTextChangesOnlyOnLoad()
{
    LedgerTotals totals;
    load(totals, amounts({ "50" }), u"2010年03月07日"_s);
    deposit(totals, Money::fromYen(10));
    QCOMPARE(totals.lastDateText(), u"2010年03月07日"_s);
    load(totals, {});
    QCOMPARE(totals.lastDateText(), QString());
}

void tst_LedgerTotals::refusals_data()
{
    QTest::addColumn<QList<Money>>("loaded");
    QTest::addColumn<Money>("amount");
    QTest::addColumn<int>("rowIndex");
    QTest::addColumn<int>("refusal");

    QTest::newRow("the last row that fits") << QList<Money>() << Money::fromYen(1)
                                           << LedgerTotals::MaxEntries << int(Refusal::None);
    QTest::newRow("the 32,767th deposit") << QList<Money>() << Money::fromYen(1)
                                          << LedgerTotals::MaxEntries + 1
                                          << int(Refusal::TooManyEntries);
    QTest::newRow("total up to the maximum")
            << QList<Money> { Money::max().checkedAdd(Money::fromRaw(-1)).value() }
            << Money::fromRaw(1) << 2 << int(Refusal::None);
    QTest::newRow("total past the maximum") << QList<Money> { Money::max() } << Money::fromRaw(1)
                                            << 2 << int(Refusal::TotalOutOfRange);
    QTest::newRow("total past the minimum") << QList<Money> { Money::min() } << Money::fromRaw(-1)
                                            << 2 << int(Refusal::TotalOutOfRange);
    QTest::newRow("a negative deposit brings it back") << QList<Money> { Money::max() }
                                                       << Money::fromYen(-1) << 2
                                                       << int(Refusal::None);
}

void tst_LedgerTotals::refusals()
{
    QFETCH(QList<Money>, loaded);
    QFETCH(Money, amount);
    QFETCH(int, rowIndex);
    QFETCH(int, refusal);

    LedgerTotals totals;
    load(totals, loaded);
    const TotalsTexts before = totals.ShowTotals();
    QCOMPARE(int(totals.CheckDeposit(amount, rowIndex)), refusal);
    QCOMPARE(totals.ShowTotals(), before); // checking changes nothing
    if (refusal == int(Refusal::None)) {
        totals.AddDepositAmount(amount);
        totals.FinishDeposit(amount, rowIndex);
        QCOMPARE(totals.count(), rowIndex);
    }
}

void tst_LedgerTotals::totalsOfSampleLedgers_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<TotalsTexts>("texts");
    QTest::addColumn<QString>("lastDate");
    QTest::addColumn<QList<int>>("unreadLines");

    QTest::newRow("three deposits")
            << u"three-deposits.txt"_s
            << TotalsTexts { u"3回"_s, u"¥250"_s, u"¥120"_s, u"¥50"_s, u"¥83"_s }
            << u"2010年03月21日"_s << QList<int>();
    QTest::newRow("hand-edited: LF, blank lines, spaces, no final line end")
            << u"hand-edited.txt"_s
            << TotalsTexts { u"3回"_s, u"¥170"_s, u"¥121"_s, u"-¥1"_s, u"¥57"_s }
            << u"2010年03月21日"_s << QList<int>();
    QTest::newRow("a damaged line between good ones")
            << u"damaged-line.txt"_s
            << TotalsTexts { u"2回"_s, u"¥130"_s, u"¥80"_s, u"¥50"_s, u"¥65"_s }
            << u"2010年03月21日"_s << QList<int> { 2 };
}

void tst_LedgerTotals::totalsOfSampleLedgers()
{
    QFETCH(QString, file);
    QFETCH(TotalsTexts, texts);
    QFETCH(QString, lastDate);
    QFETCH(QList<int>, unreadLines);

    LedgerFixture f;
    QVERIFY(QFile::copy(QStringLiteral(PORUNKA_TEST_DATA "/") + file, f.path()));
    const LedgerLoad loaded = LoadLedger(f.path());
    QVERIFY(loaded.status.ok());
    QList<int> lines;
    for (const UnreadLines &u : loaded.unread)
        lines.append(u.line);
    QCOMPARE(lines, unreadLines);

    LedgerTotals totals;
    totals.StartLoad();
    for (qsizetype i = 0; i < loaded.entries.size(); ++i)
        QVERIFY(totals.AddLoadedAmount(loaded.entries.amount(i)));
    const qsizetype count = loaded.entries.size();
    QCOMPARE(totals.FinishLoad(int(count), loaded.entries.dateText(count - 1)), texts);
    QCOMPARE(totals.lastDateText(), lastDate);
}

QTEST_APPLESS_MAIN(tst_LedgerTotals)
#include "tst_ledgertotals.moc"
