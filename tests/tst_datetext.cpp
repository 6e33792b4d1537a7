#include "datetext.h"
#include "elapseddays.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using State = ElapsedDays::State;

Q_DECLARE_METATYPE(ElapsedDays)

class tst_DateText : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void elapsed_data();
    void elapsed();
};

void tst_DateText::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("as written") << u"2010年03月07日"_s << QDate(2010, 3, 7);
    QTest::newRow("an early year, zero-padded") << u"0812年01月01日"_s << QDate(812, 1, 1);
    QTest::newRow("hand-written single digits") << u"2010年3月7日"_s << QDate(2010, 3, 7);
    QTest::newRow("no such leap day") << u"2023年02月29日"_s << QDate();
    QTest::newRow("month 13") << u"2010年13月01日"_s << QDate();
    QTest::newRow("slashes") << u"2010/03/07"_s << QDate();
    QTest::newRow("trailing text") << u"2010年03月07日x"_s << QDate();
    QTest::newRow("three-digit day") << u"2010年03月007日"_s << QDate();
    QTest::newRow("full-width digits") << u"２０１０年03月07日"_s << QDate();
}

void tst_DateText::parse()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseDateText(text), date);
    if (date.isValid() && text.size() == 11) // and written so
        QCOMPARE(dateText(date), text);
}

void tst_DateText::elapsed_data()
{
    QTest::addColumn<bool>("hasDeposits");
    QTest::addColumn<QString>("lastDate");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<ElapsedDays>("expected");

    const QDate today(2026, 12, 6);
    QTest::newRow("no deposits") << false << QString() << today << ElapsedDays {};
    QTest::newRow("no deposits, stale date text") << false << u"2026年12月01日"_s << today << ElapsedDays {};
    QTest::newRow("today") << true << u"2026年12月06日"_s << today << ElapsedDays { State::DepositedToday, 0 };
    QTest::newRow("yesterday") << true << u"2026年12月05日"_s << today << ElapsedDays { State::DaysElapsed, 1 };
    QTest::newRow("across a leap day") << true << u"2024年02月28日"_s << QDate(2024, 3, 1) << ElapsedDays { State::DaysElapsed, 2 };
    QTest::newRow("clock set back: negative") << true << u"2026年12月09日"_s << today << ElapsedDays { State::DaysElapsed, -3 };
    QTest::newRow("largest 16-bit count") << true << u"1937年03月21日"_s << QDate(2026, 12, 6) << ElapsedDays { State::DaysElapsed, 32767 };
    QTest::newRow("beyond 16 bits: hidden") << true << u"1937年03月20日"_s << QDate(2026, 12, 6) << ElapsedDays {};
    QTest::newRow("unreadable date text: hidden") << true << u"きのう"_s << today << ElapsedDays {};
}

void tst_DateText::elapsed()
{
    QFETCH(bool, hasDeposits);
    QFETCH(QString, lastDate);
    QFETCH(QDate, today);
    QFETCH(ElapsedDays, expected);
    QCOMPARE(decideElapsedDays(hasDeposits, lastDate, today), expected);
}

QTEST_APPLESS_MAIN(tst_DateText)
#include "tst_datetext.moc"
