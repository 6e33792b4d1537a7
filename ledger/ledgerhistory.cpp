// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerhistory.h"

#include "ledgerentries.h"

#include <algorithm>
#include <cstdlib>

void PeriodFigures::add(Money amount)
{
    largest = count == 0 ? amount : std::max(largest, amount);
    ++count;
    if (const auto sum = total.checkedAdd(amount))
        total = *sum;
    else
        outOfRange = true;
}

std::optional<Money> PeriodFigures::average() const
{
    if (count == 0 || outOfRange)
        return std::nullopt;
    // Exact, rounded half to even at the fourth decimal as a typed amount is: through double, a
    // sum of fifteen digits would come back changed.
    qint64 quotient = total.raw() / count;
    const qint64 twiceRest = std::abs(total.raw() % count) * 2;
    if (twiceRest > count || (twiceRest == count && quotient % 2 != 0))
        quotient += total.raw() < 0 ? -1 : 1;
    return Money::fromRaw(quotient);
}

QDate entryDate(const LedgerEntries &entries, qsizetype row)
{
    if (const auto standard = entries.standardDateTime(row))
        return QDate(standard->year, standard->month, standard->day); // invalid for 2月30日
    return parseDateText(entries.dateText(row));
}

LedgerHistory::LedgerHistory(const LedgerEntries &entries)
{
    struct Dated
    {
        QDate date;
        int year, month; // of the date, kept: QDate works them out anew at every call
        Money amount;
    };
    QList<Dated> dated;
    dated.reserve(entries.size());
    for (qsizetype row = 0; row < entries.size(); ++row) {
        int year = 0, month = 0, day = 0;
        const QDate date = entryDate(entries, row);
        date.getDate(&year, &month, &day);
        if (date.isValid())
            dated.append({ date, year, month, entries.amount(row) });
        else
            m_undated.add(entries.amount(row));
    }
    // Nearly always in order already: the file is appended to as time goes by.
    const auto earlier = [](const Dated &a, const Dated &b) { return a.date < b.date; };
    if (!std::is_sorted(dated.cbegin(), dated.cend(), earlier))
        std::stable_sort(dated.begin(), dated.end(), earlier);

    double running = 0;
    for (const Dated &entry : std::as_const(dated)) {
        if (m_years.isEmpty() || m_years.constLast().year != entry.year)
            m_years.append({ entry.year, {}, {} });
        Year &year = m_years.last();
        year.figures.add(entry.amount);
        year.months[entry.month - 1].add(entry.amount);

        running += entry.amount.toDouble();
        if (!m_points.isEmpty() && m_points.constLast().date == entry.date)
            m_points.last().total = running;
        else
            m_points.append({ entry.date, running });
    }
}
