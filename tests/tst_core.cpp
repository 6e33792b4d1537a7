// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "amount.h"
#include "datetext.h"
#include "decimal.h"
#include "elapseddays.h"
#include "ledgerentries.h"
#include "ledgerhistory.h"
#include "ledgerfixture.h"

#include <QRegularExpression>
#include <QTest>

#include <limits>

using namespace Qt::Literals::StringLiterals;
using State = ElapsedDays::State;

Q_DECLARE_METATYPE(Money)
Q_DECLARE_METATYPE(std::optional<Money>)
Q_DECLARE_METATYPE(ElapsedDays)

// The core's values: money as the ledger stores it, as the user types it and as the window shows
// it; date texts and the elapsed-days decision. (The five figures are the window test's.)
class tst_Core : public QObject
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
    void parseDate_data();
    void parseDate();
    void elapsed_data();
    void elapsed();
    void history_data();
    void history();
};

void tst_Core::plainDecimal_data()
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

void tst_Core::plainDecimal()
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

void tst_Core::fromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<std::optional<Money>>("expected");
    QTest::newRow("tie rounds to even (up)") << 3.5 / 10000 << std::optional(Money::fromRaw(4));
    QTest::newRow("tie rounds to even, not away") << 4.5 / 10000 << std::optional(Money::fromRaw(4));
    QTest::newRow("negative tie to even") << -2.5 / 10000 << std::optional(Money::fromRaw(-2));
    QTest::newRow("beyond the range") << 1e15 << std::optional<Money>();
    QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << std::optional<Money>();
}

void tst_Core::fromDouble()
{
    QFETCH(double, value);
    QTEST(Money::fromDouble(value), "expected");
}

void tst_Core::typedAmount_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<Money>>("expected");

    const auto yen = [](int v) { return std::optional(Money::fromYen(v)); };
    const std::optional<Money> none;
    QTest::newRow("surrounding spaces") << u"  300 "_s << yen(300);
    QTest::newRow("grouping") << u"1,234,567"_s << yen(1234567);
    QTest::newRow("backslash as yen sign") << u"\\1200"_s << yen(1200);
    QTest::newRow("minus after the sign") << u"¥-50"_s << yen(-50);
    QTest::newRow("full-width minus and period") << u"－１２．５"_s << std::optional(Money::fromRaw(-125000));
    QTest::newRow("minus sign U+2212") << u"\u221250"_s << yen(-50);
    QTest::newRow("yen sign alone") << u"¥"_s << none;
    QTest::newRow("two signs") << u"-¥-50"_s << none;
    QTest::newRow("sign after the number") << u"50-"_s << none;
    QTest::newRow("group of two") << u"1,00"_s << none;
    QTest::newRow("group of four") << u"1,0000"_s << none;
    QTest::newRow("leading group of four") << u"1234,567"_s << none;
    QTest::newRow("katakana long vowel is not a minus") << u"ー50"_s << none;
}

void tst_Core::typedAmount()
{
    QFETCH(QString, text);
    QTEST(parseAmount(text), "expected");
}

void tst_Core::shownAmount_data()
{
    QTest::addColumn<Money>("amount");
    QTest::addColumn<QString>("text");
    QTest::newRow("millions") << Money::fromYen(1234567) << u"¥1,234,567"_s;
    QTest::newRow("half away from zero") << money("12.5") << u"¥13"_s;
    QTest::newRow("below half") << money("12.4999") << u"¥12"_s;
    QTest::newRow("negative half away from zero") << money("-12.5") << u"-¥13"_s;
    QTest::newRow("negative rounding to zero has no minus") << money("-0.4") << u"¥0"_s;
    QTest::newRow("maximum") << Money::max() << u"¥922,337,203,685,478"_s;
    QTest::newRow("minimum") << Money::min() << u"-¥922,337,203,685,478"_s;
}

void tst_Core::shownAmount()
{
    QFETCH(Money, amount);
    QTEST(currencyText(amount), "text");
    // What a deletion writes back is the amount as shown (which, at the very ends of the range,
    // no longer reads as an amount).
    QCOMPARE(parseAmount(currencyText(amount)).value_or(displayedAmount(amount)), displayedAmount(amount));
}

void tst_Core::parseDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");

    QTest::newRow("as written") << u"2010年03月07日"_s << QDate(2010, 3, 7);
    QTest::newRow("an early year, zero-padded") << u"0812年01月01日"_s << QDate(812, 1, 1);
    QTest::newRow("hand-written single digits") << u"2010年3月7日"_s << QDate(2010, 3, 7);
    QTest::newRow("no such leap day") << u"2023年02月29日"_s << QDate();
    QTest::newRow("month 13") << u"2010年13月01日"_s << QDate();
    QTest::newRow("trailing text") << u"2010年03月07日x"_s << QDate();
    QTest::newRow("three-digit day") << u"2010年03月007日"_s << QDate();
    QTest::newRow("full-width digits") << u"２０１０年03月07日"_s << QDate();
}

void tst_Core::parseDate()
{
    QFETCH(QString, text);
    QFETCH(QDate, date);
    QCOMPARE(parseDateText(text), date);
    if (date.isValid() && text.size() == 11) // and written so
        QCOMPARE(dateText(date), text);
}

void tst_Core::elapsed_data()
{
    QTest::addColumn<bool>("hasDeposits");
    QTest::addColumn<QString>("lastDate");
    QTest::addColumn<QDate>("today");
    QTest::addColumn<ElapsedDays>("expected");

    const QDate today(2026, 12, 6);
    QTest::newRow("no deposits") << false << QString() << today << ElapsedDays {};
    QTest::newRow("no deposits, stale date text") << false << u"2026年12月01日"_s << today << ElapsedDays {};
    QTest::newRow("today") << true << u"2026年12月06日"_s << today << ElapsedDays { State::DepositedToday, 0 };
    QTest::newRow("across a leap day") << true << u"2024年02月28日"_s << QDate(2024, 3, 1) << ElapsedDays { State::DaysElapsed, 2 };
    QTest::newRow("clock set back: negative") << true << u"2026年12月09日"_s << today << ElapsedDays { State::DaysElapsed, -3 };
    QTest::newRow("largest 16-bit count") << true << u"1937年03月21日"_s << QDate(2026, 12, 6) << ElapsedDays { State::DaysElapsed, 32767 };
    QTest::newRow("beyond 16 bits: hidden") << true << u"1937年03月20日"_s << QDate(2026, 12, 6) << ElapsedDays {};
    QTest::newRow("unreadable date text: hidden") << true << u"きのう"_s << today << ElapsedDays {};
}

void tst_Core::elapsed()
{
    QFETCH(bool, hasDeposits);
    QFETCH(QString, lastDate);
    QFETCH(QDate, today);
    QFETCH(ElapsedDays, expected);
    QCOMPARE(decideElapsedDays(hasDeposits, lastDate, today), expected);
}

void tst_Core::history_data()
{
    // Entries "date time amount", "; " between; then each year "YYYY count total average largest
    // (month:count:total ...)", "?" for those with no date, and the picture's running totals.
    QTest::addColumn<QString>("entries");
    QTest::addColumn<QString>("years");
    QTest::addColumn<QString>("points");
    QTest::newRow("month and year boundaries") << u"2023年12月31日 23:59:59 100; 2024年01月01日 00:00:00 50; 2024年01月31日 23:59:59 10; 2024年02月01日 00:00:00 5"_s << u"2023 1 100 100 100 (12:1:100) 2024 3 65 21.6667 50 (1:2:60 2:1:5)"_s << u"2023-12-31=100 2024-01-01=150 2024-01-31=160 2024-02-01=165"_s;
    QTest::newRow("a leap day, one that is not, a hand-written date") << u"2024年02月29日 08:00:00 7; 2023年02月29日 08:00:00 9; 2023年2月3日 08:00:00 4"_s << u"2023 1 4 4 4 (2:1:4) 2024 1 7 7 7 (2:1:7) ? 1 9"_s << u"2023-02-03=4 2024-02-29=11"_s;
    QTest::newRow("negative and fractional: the largest is the month's own") << u"2026年05月01日 10:00:00 -1; 2026年05月01日 11:00:00 0.25; 2026年05月02日 10:00:00 -0.5"_s << u"2026 3 -1.25 -0.4167 0.25 (5:3:-1.25)"_s << u"2026-05-01=-0.75 2026-05-02=-1.25"_s;
    QTest::newRow("dates out of file order") << u"2025年03月01日 10:00:00 1; 2024年03月01日 10:00:00 2; 2025年01月01日 10:00:00 3"_s << u"2024 1 2 2 2 (3:1:2) 2025 2 4 2 3 (1:1:3 3:1:1)"_s << u"2024-03-01=2 2025-01-01=5 2025-03-01=6"_s;
    QTest::newRow("a year's sum past the money range") << u"2026年01月01日 10:00:00 922337203685477; 2026年02月01日 10:00:00 1; 2027年01月01日 10:00:00 -922337203685477"_s << u"2026 2 - - 922337203685477 (1:1:922337203685477 2:1:1) 2027 1 -922337203685477 -922337203685477 -922337203685477 (1:1:-922337203685477)"_s << u"2026-01-01=922337203685477 2026-02-01=922337203685478 2027-01-01=1"_s;
    QTest::newRow("no dates at all") << u"きのう 08:00:00 5"_s << u"? 1 5"_s << QString();
}

void tst_Core::history()
{
    QFETCH(QString, entries);
    LedgerEntries ledger;
    for (const QString &entry : entries.split(u"; "_s))
        ledger.append(entry.section(u' ', 0, 0), entry.section(u' ', 1, 1), *parsePlainDecimal(entry.section(u' ', 2).toStdString()));
    const LedgerHistory history(ledger);
    const auto money = [](std::optional<Money> m) { return m ? QString::fromLatin1(plainDecimalText(*m)) : u"-"_s; };
    const auto figures = [&](const PeriodFigures &f) {
        return u"%1 %2 %3"_s.arg(f.count).arg(f.outOfRange ? u"-"_s : money(f.total), money(f.average()));
    };
    QStringList years, points;
    for (const LedgerHistory::Year &year : history.years()) {
        QStringList months;
        for (int m = 0; m < 12; ++m)
            if (year.months[m].count)
                months.append(u"%1:%2:%3"_s.arg(m + 1).arg(year.months[m].count).arg(money(year.months[m].total)));
        years.append(u"%1 %2 %3 (%4)"_s.arg(year.year).arg(figures(year.figures), money(year.figures.largest), months.join(u' ')));
    }
    if (history.undated().count)
        years.append(u"? %1 %2"_s.arg(history.undated().count).arg(money(history.undated().total)));
    for (const LedgerHistory::Point &point : history.runningTotals())
        points.append(point.date.toString(Qt::ISODate) + u'=' + QString::number(point.total, 'f', 15).remove(QRegularExpression(u"\\.?0+$"_s)));
    QTEST(years.join(u' '), "years");
    QTEST(points.join(u' '), "points");
}

QTEST_APPLESS_MAIN(tst_Core)
#include "tst_core.moc"
