// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgertotals.h"

#include "amount.h"

using namespace Qt::Literals::StringLiterals;

void LedgerTotals::StartLoad()
{
    // Count, average and the last date text are deliberately left as they are.
    m_largest = LargestBase;
    m_smallest = SmallestBase;
    m_total = Money();
}

TotalsTexts LedgerTotals::FinishLoad(int entryCount, const QString &lastDateText)
{
    Q_ASSERT(entryCount >= 0 && entryCount <= MaxEntries);
    m_lastDateText = lastDateText;
    m_count = entryCount;
    if (m_count != 0)
        computeAverage();
    else
        m_smallest = Money(); // the average keeps whatever it had
    const TotalsTexts shown = ShowTotals();
    // Back to the base for the next deposit; the labels keep showing 0 until the next refresh.
    if (m_count == 0)
        m_smallest = SmallestBase;
    return shown;
}

LedgerTotals::Refusal LedgerTotals::CheckDeposit(Money amount, int rowIndex) const
{
    if (rowIndex < 1 || rowIndex > MaxEntries)
        return Refusal::TooManyEntries;
    if (!m_total.checkedAdd(amount))
        return Refusal::TotalOutOfRange;
    return Refusal::None;
}

void LedgerTotals::AddDepositAmount(Money amount)
{
    const auto total = m_total.checkedAdd(amount);
    Q_ASSERT(total);
    if (total)
        m_total = *total;
}

TotalsTexts LedgerTotals::FinishDeposit(Money amount, int rowIndex)
{
    Q_ASSERT(rowIndex >= 1 && rowIndex <= MaxEntries);
    takeExtremes(amount);
    m_count = rowIndex;
    computeAverage();
    return ShowTotals();
}

TotalsTexts LedgerTotals::ShowTotals() const
{
    return { QString::number(m_count) + u'回', currencyText(m_total), currencyText(m_largest),
             currencyText(m_smallest), currencyText(m_average) };
}

void LedgerTotals::ResetSmallestBase()
{
    m_smallest = SmallestBase;
}

void LedgerTotals::computeAverage()
{
    // Through double, as the figure has always been computed; the quotient of an in-range total
    // by a positive count is always in range.
    m_average = Money::fromDouble(m_total.toDouble() / double(m_count)).value_or(m_total);
}
