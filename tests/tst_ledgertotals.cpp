#include "ledgerfixture.h"
#include "ledgertotals.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QString text(const TotalsTexts &t)
{
    return QStringList { t.count, t.total, t.largest, t.smallest, t.average }.join(u' ');
}

// Loads the amounts given as plain decimals separated by spaces; returns the figures shown.
QString load(LedgerTotals &totals, const QString &amounts)
{
    totals.StartLoad();
    const QStringList list = amounts.split(u' ', Qt::SkipEmptyParts);
    for (const QString &a : list) {
        if (!totals.AddLoadedAmount(money(qPrintable(a))))
            qFatal("total out of range in a test table");
    }
    return text(totals.FinishLoad(int(list.size()), list.isEmpty() ? QString() : u"2010年03月07日"_s));
}

} // namespace

// The five figures: how a load computes them and how each deposit moves them.
class tst_LedgerTotals : public QObject
{
    Q_OBJECT

private slots:
    void loadThenDeposit_data();
    void loadThenDeposit();
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
    totals.AddDepositAmount(money(qPrintable(deposited)));
    QTEST(text(totals.FinishDeposit(money(qPrintable(deposited)), totals.count() + 1)), "afterDeposit");
    QTEST(text(totals.ShowTotals()), "afterDeposit");
    QCOMPARE(totals.lastDateText(), loaded.isEmpty() ? QString() : u"2010年03月07日"_s); // set by a load only
}

QTEST_APPLESS_MAIN(tst_LedgerTotals)
#include "tst_ledgertotals.moc"
