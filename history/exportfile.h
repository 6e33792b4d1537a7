// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QStringList>

#include <functional>
#include <QString>

class LedgerSession;
class QWidget;

// Asks where to save, then writes `bytes` there all at once, never over the session's ledger or
// its recovery point, and tells the user why when it could not. `suggested` names the file and
// its kind; `bytesFor` makes the bytes for the path chosen.
void exportFile(QWidget *parent, const LedgerSession &session, const QString &title,
                const QString &suggested, const QStringList &filters, const QStringList &suffixes,
                const std::function<QByteArray(const QString &path)> &bytesFor);
