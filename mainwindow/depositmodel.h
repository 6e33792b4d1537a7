// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>

class LedgerSession;

// The deposit list's rows: one per entry of the session's ledger, oldest first, with its sequence
// number and the running total, following the session's changes. Texts are formatted when a cell
// is shown, so a ledger at its limit costs nothing beyond its entries.
class DepositModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Number, Date, Time, Amount, RunningTotal, ColumnCount };

    explicit DepositModel(const LedgerSession &session, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // The cell's text, as the list shows it.
    QString text(int row, int column) const;

private:
    const LedgerSession &m_session;
};
