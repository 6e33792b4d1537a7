// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "money.h"

#include <QDate>
#include <QList>

#include <array>
#include <optional>

class LedgerEntries;

// The deposits of one year or month: how many, their sum and the largest one.
struct PeriodFigures
{
    int count = 0;
    Money total;
    Money largest;
    // The sum left the money range: possible where a ledger's dates are out of file order, so
    // that a year gathers what the file's running total never held at once.
    bool outOfRange = false;

    void add(Money amount);
    // Nothing for no deposits or a sum out of range.
    std::optional<Money> average() const;
};

// The ledger over time, from the dates of its entries. An entry whose date cannot be read (a
// hand-edited text, 2月30日) is counted apart and has no place in time.
class LedgerHistory
{
public:
    LedgerHistory() = default;
    explicit LedgerHistory(const LedgerEntries &entries);

    struct Year
    {
        int year = 0;
        PeriodFigures figures;
        std::array<PeriodFigures, 12> months;
    };
    // Every year with a deposit, ascending.
    const QList<Year> &years() const { return m_years; }
    const PeriodFigures &undated() const { return m_undated; }

    // The running total after each day with deposits, in date order: what the picture draws.
    // In double, as a picture needs it; a sum in date order may pass what Money holds.
    struct Point
    {
        QDate date;
        double total = 0;
    };
    const QList<Point> &runningTotals() const { return m_points; }
    bool isEmpty() const { return m_years.isEmpty() && m_undated.count == 0; }

private:
    QList<Year> m_years;
    PeriodFigures m_undated;
    QList<Point> m_points;
};

// The date of a deposit, or an invalid date when its text is not a date.
QDate entryDate(const LedgerEntries &entries, qsizetype row);
