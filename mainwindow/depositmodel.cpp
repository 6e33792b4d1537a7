// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "depositmodel.h"

#include "amount.h"

using namespace Qt::Literals::StringLiterals;

DepositModel::DepositModel(QObject *parent) : QAbstractTableModel(parent) { }

int DepositModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int DepositModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString DepositModel::text(int row, int column) const
{
    switch (column) {
    case Number:
        return QString::number(row + 1);
    case Date:
        return m_entries.dateText(row);
    case Time:
        return m_entries.timeText(row);
    case Amount:
        return currencyText(m_entries.amount(row));
    case RunningTotal:
        return currencyText(m_runningTotals.at(row));
    default:
        return {};
    }
}

QVariant DepositModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return text(index.row(), index.column());
    case Qt::TextAlignmentRole:
        if (index.column() == Amount || index.column() == RunningTotal)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignCenter);
    default:
        return {};
    }
}

QVariant DepositModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    switch (role) {
    case Qt::DisplayRole: {
        static const QString headers[ColumnCount] = { u"回"_s, u"日付"_s, u"時間"_s, u"入金"_s,
                                                      u"累計"_s };
        return headers[section];
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignCenter);
    default:
        return {};
    }
}

Qt::ItemFlags DepositModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The sequence-number column is a fixed column: drawn like the header, never selected.
    if (index.column() == Number)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void DepositModel::clear()
{
    beginResetModel();
    m_entries = {};
    m_runningTotals = {};
    endResetModel();
}

void DepositModel::setRows(LedgerEntries entries, QList<Money> runningTotals)
{
    Q_ASSERT(entries.size() == runningTotals.size());
    beginResetModel();
    m_entries = std::move(entries);
    m_runningTotals = std::move(runningTotals);
    endResetModel();
}

void DepositModel::appendRow(const QString &dateText, const QString &timeText, Money amount,
                             Money runningTotal)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_entries.append(dateText, timeText, amount);
    m_runningTotals.append(runningTotal);
    endInsertRows();
}

void DepositModel::removeRow(int row)
{
    // Every later row's sequence number changes with it, so the rows are
    // laid out anew rather than moved.
    beginResetModel();
    m_entries.removeAt(row);
    m_runningTotals.removeAt(row);
    endResetModel();
}
