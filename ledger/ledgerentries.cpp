// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerentries.h"

#include <algorithm>

LedgerEntries::LedgerEntries(std::initializer_list<LedgerEntry> entries)
{
    for (const LedgerEntry &e : entries)
        append(e);
}

LedgerEntries::LedgerEntries(const QList<LedgerEntry> &entries)
{
    for (const LedgerEntry &e : entries)
        append(e);
}

const LedgerEntries::OtherTexts *LedgerEntries::otherTexts(qsizetype row) const
{
    const auto it = std::lower_bound(m_other.begin(), m_other.end(), row,
                                     [](const OtherTexts &o, qsizetype r) { return o.row < r; });
    return it != m_other.end() && it->row == row ? &*it : nullptr;
}

QString LedgerEntries::dateText(qsizetype row) const
{
    const OtherTexts *other = otherTexts(row);
    return other ? other->dateText : m_rows.at(row).dateTime.dateText();
}

QString LedgerEntries::timeText(qsizetype row) const
{
    const OtherTexts *other = otherTexts(row);
    return other ? other->timeText : m_rows.at(row).dateTime.timeText();
}

std::optional<StandardDateTime> LedgerEntries::standardDateTime(qsizetype row) const
{
    if (otherTexts(row))
        return std::nullopt;
    return m_rows.at(row).dateTime;
}

LedgerEntry LedgerEntries::at(qsizetype row) const
{
    return { dateText(row), timeText(row), amount(row) };
}

QList<LedgerEntry> LedgerEntries::toList() const
{
    QList<LedgerEntry> list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

void LedgerEntries::append(QStringView dateText, QStringView timeText, Money amount)
{
    if (const auto standard = StandardDateTime::fromTexts(dateText, timeText)) {
        append(*standard, amount);
        return;
    }
    m_other.append({ m_rows.size(), dateText.toString(), timeText.toString() });
    m_rows.append({ amount, {} });
}

void LedgerEntries::appendFrom(const LedgerEntries &other, qsizetype row)
{
    if (const OtherTexts *texts = other.otherTexts(row))
        m_other.append({ m_rows.size(), texts->dateText, texts->timeText });
    m_rows.append(other.m_rows.at(row));
}

void LedgerEntries::removeAt(qsizetype row)
{
    m_rows.removeAt(row);
    m_other.removeIf([row](const OtherTexts &o) { return o.row == row; });
    for (OtherTexts &o : m_other) {
        if (o.row > row)
            --o.row;
    }
}

bool operator==(const LedgerEntries &a, const LedgerEntries &b)
{
    // Texts in the program's own form are always kept as digits, so equal rows are stored alike.
    if (a.size() != b.size() || a.m_other.size() != b.m_other.size())
        return false;
    for (qsizetype i = 0; i < a.m_other.size(); ++i) {
        const auto &oa = a.m_other.at(i), &ob = b.m_other.at(i);
        if (oa.row != ob.row || oa.dateText != ob.dateText || oa.timeText != ob.timeText)
            return false;
    }
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.amount(i) != b.amount(i) || (a.standardDateTime(i) != b.standardDateTime(i)))
            return false;
    }
    return true;
}
