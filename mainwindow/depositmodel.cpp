// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "depositmodel.h"

#include "amount.h"
#include "ledgersession.h"

using namespace Qt::Literals::StringLiterals;

DepositModel::DepositModel(const LedgerSession &session, QObject *parent)
    : QAbstractTableModel(parent), m_session(session)
{
    connect(&session, &LedgerSession::aboutToReload, this, &DepositModel::beginResetModel);
    connect(&session, &LedgerSession::reloaded, this, &DepositModel::endResetModel);
    connect(&session, &LedgerSession::aboutToAppend, this, [this] {
        beginInsertRows({}, rowCount(), rowCount());
    });
    connect(&session, &LedgerSession::appended, this, &DepositModel::endInsertRows);
}

int DepositModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_session.entries().size());
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
        return m_session.entries().dateText(row);
    case Time:
        return m_session.entries().timeText(row);
    case Amount:
        return currencyText(m_session.entries().amount(row));
    case RunningTotal:
        return currencyText(m_session.runningTotal(row));
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
