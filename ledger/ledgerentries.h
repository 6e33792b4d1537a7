// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datetext.h"
#include "money.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <optional>

struct LedgerEntry
{
    QString dateText;
    QString timeText;
    Money amount;

    friend bool operator==(const LedgerEntry &, const LedgerEntry &) = default;
};

// The entries of a ledger in file order. An entry whose texts are in the program's own form,
// nearly every one, is kept as its digits in 16 bytes: a ledger at its limit then takes one
// allocation of 512 KB instead of 65,000 strings, and at start-up every page first written
// costs a fault.
class LedgerEntries
{
public:
    LedgerEntries() = default;
    LedgerEntries(std::initializer_list<LedgerEntry> entries);
    explicit LedgerEntries(const QList<LedgerEntry> &entries);

    qsizetype size() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }

    QString dateText(qsizetype row) const;
    QString timeText(qsizetype row) const;
    // The row's date and time when its texts are in the program's own form.
    std::optional<StandardDateTime> standardDateTime(qsizetype row) const;
    Money amount(qsizetype row) const { return m_rows.at(row).amount; }
    LedgerEntry at(qsizetype row) const;
    QList<LedgerEntry> toList() const;

    void reserve(qsizetype rows) { m_rows.reserve(rows); }
    void append(QStringView dateText, QStringView timeText, Money amount);
    void append(StandardDateTime dateTime, Money amount) { m_rows.append({ amount, dateTime }); }
    void append(const LedgerEntry &entry) { append(entry.dateText, entry.timeText, entry.amount); }
    // Row `row` of `other`, its texts not made anew.
    void appendFrom(const LedgerEntries &other, qsizetype row);
    void removeAt(qsizetype row);
    void setAmount(qsizetype row, Money amount) { m_rows[row].amount = amount; }

    friend bool operator==(const LedgerEntries &a, const LedgerEntries &b);

private:
    struct Row
    {
        Money amount;
        StandardDateTime dateTime; // unless the row is among m_other
    };
    // The texts of a row that are not in the program's own form.
    struct OtherTexts
    {
        qsizetype row;
        QString dateText, timeText;
    };

    const OtherTexts *otherTexts(qsizetype row) const;

    QList<Row> m_rows;
    QList<OtherTexts> m_other; // by row, ascending; rare
};
