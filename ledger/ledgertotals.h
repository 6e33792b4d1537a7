// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "money.h"

#include <QString>

// The five display texts of the figures, in the order the window shows them.
struct TotalsTexts
{
    QString count;    // "3回"
    QString total;    // "¥250"
    QString largest;
    QString smallest;
    QString average;

    friend bool operator==(const TotalsTexts &, const TotalsTexts &) = default;
};

// The figures about the saving habit, recomputed from the whole ledger on every load and updated
// step by step on every deposit, so that the deposit list can show each running total.
//
// The comparison bases are part of the figures' meaning: the largest starts from 0 and the
// smallest from 9999, with strict comparisons, so an all-negative ledger shows 0 as its largest
// and an amount of 9999 or more never becomes the smallest.
class LedgerTotals
{
public:
    // Rows of the deposit list after its header: the count is a 16-bit value and so is the
    // list's row index.
    static constexpr int MaxEntries = 32766;
    static constexpr Money LargestBase = Money::fromYen(0);
    static constexpr Money SmallestBase = Money::fromYen(9999);

    enum class Refusal { None, TooManyEntries, TotalOutOfRange };

    void StartLoad();
    // False, with nothing changed, when the total would leave the money range; the ledger reader
    // already refuses such entries, so a load never sees it.
    // Inline: it runs for every entry of every load.
    [[nodiscard]] bool AddLoadedAmount(Money amount)
    {
        const auto total = m_total.checkedAdd(amount);
        if (!total)
            return false;
        m_total = *total;
        takeExtremes(amount);
        return true;
    }
    // Takes 0..MaxEntries entries; returns the texts as they are shown at the end of the load.
    TotalsTexts FinishLoad(int entryCount, const QString &lastDateText);

    // Whether a deposit of `amount` as row `rowIndex` (the first data row is 1) may be made.
    Refusal CheckDeposit(Money amount, int rowIndex) const;
    // Only after CheckDeposit said None.
    void AddDepositAmount(Money amount);
    TotalsTexts FinishDeposit(Money amount, int rowIndex);

    TotalsTexts ShowTotals() const;
    void ResetSmallestBase();

    int count() const { return m_count; }
    Money total() const { return m_total; }
    Money largest() const { return m_largest; }
    Money smallest() const { return m_smallest; }
    Money average() const { return m_average; }
    const QString &lastDateText() const { return m_lastDateText; }

private:
    void takeExtremes(Money amount)
    {
        if (amount > m_largest)
            m_largest = amount;
        if (amount < m_smallest)
            m_smallest = amount;
    }
    void computeAverage();

    int m_count = 0;
    Money m_total;
    Money m_largest;
    Money m_smallest;
    Money m_average;
    QString m_lastDateText;
};
