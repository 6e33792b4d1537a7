// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerentries.h"
#include "money.h"

#include <QAbstractTableModel>
#include <QList>

// The deposit list's rows: one per ledger entry, oldest first, with its sequence number and the
// running total. Texts are formatted when a cell is shown, so a ledger at its limit costs no
// more than its entries and one running total each.
class DepositModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Number, Date, Time, Amount, RunningTotal, ColumnCount };

    explicit DepositModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Every row goes; the header stays.
    void clear();
    // Replaces every row in one reset; `runningTotals` has one total per entry.
    void setRows(LedgerEntries entries, QList<Money> runningTotals);
    void appendRow(const QString &dateText, const QString &timeText, Money amount,
                   Money runningTotal);
    void removeRow(int row);

    const LedgerEntries &entries() const { return m_entries; }
    Money runningTotal(int row) const { return m_runningTotals.at(row); }
    // The cell's text, as the list shows it.
    QString text(int row, int column) const;

private:
    LedgerEntries m_entries;
    QList<Money> m_runningTotals;
};
