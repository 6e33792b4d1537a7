// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class LedgerSession;

// The deposit list taken out of the program as a spreadsheet reads it: a row's number, date and
// time as the list shows them, the amount and running total as plain numbers (1200, -50, 0.5),
// and the date once more as ISO 8601 (empty where the date text is not a date).
QStringList exportFields(const LedgerSession &session, qsizetype row);

// The whole list as CSV that a spreadsheet opens without asking: UTF-8 with a byte-order mark,
// a header row, CRLF line ends, fields quoted where they must be.
QByteArray ledgerCsv(const LedgerSession &session);
// The rows, ascending, as tab-separated lines for the clipboard.
QString ledgerRowsText(const LedgerSession &session, QList<int> rows);

// Writes `bytes` at `path` all at once (a temporary file renamed over it), never over the ledger
// file of `session`, its recovery point or its journal, by any name or link.
struct ExportResult
{
    enum class Outcome { Saved, WouldReplaceLedger, Failed };
    Outcome outcome = Outcome::Failed;
    QString error; // the system's words, for Failed
};
ExportResult saveExport(const QString &path, const QByteArray &bytes, const LedgerSession &session);
