// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileaccess.h"
#include "ledgerentries.h"
#include "ledgerformat.h"
#include "ledgerreader.h"
#include "money.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

// Operations on the ledger file. Every one opens the file, does its work and closes it again; a
// rewrite goes through a rollback journal (ledgerjournal.h), so an interruption leaves the old
// file or the new one, whole, and the file keeps its inode.

// Reads the whole file; a missing file is created with zero bytes. Only a regular file is read,
// never one larger than MaxLedgerBytes, and through a link only where the kernel would follow it.
// A rewrite that was interrupted is rolled back first, from its journal. A file that exists but
// cannot be opened is reported and left alone. Entries are read three fields at a time in a stream, so an
// entry may run across a line end; blank lines between entries are passed over. Whatever cannot be
// read is skipped to the end of its line and returned in `unread`; the entries after it are read
// on. At most LedgerTotals::MaxEntries entries are taken, and the running total of those taken
// always stays inside the money range.
LedgerLoad LoadLedger(const QString &path);

// Whether the file at `path` is still the one `stamp` was taken of, holding the same bytes.
bool StillAsLoaded(const QString &path, const FileStamp &stamp);

// Appends one line with the date and time of `now` and the amount, in one write, and makes it
// durable before returning. A file whose last line lacks its line end gets one first, so the new
// entry never merges into it. `seen`, when given, follows the file: it takes in the new line when
// nobody else wrote to the file since it was stamped, and is made invalid otherwise.
LedgerStatus AppendLedgerEntry(const QString &path, Money amount, const QDateTime &now,
                               LedgerEncoding encoding = LedgerEncoding::Cp932,
                               FileStamp *seen = nullptr);

// Replaces the file's content with the given entries, in order; each `keep` is written verbatim
// after its `entriesBefore` entries (or at the end when there are fewer). Through the journal:
// durable, in place, and on failure the file and its recovery point are as they were; the file as
// it was becomes the recovery point, "<name>.bak". With `expected`, nothing is written unless the
// file is still that one holding those bytes (Failure::Changed).
LedgerStatus RewriteLedger(const QString &path, const LedgerEntries &entries,
                           const QList<UnreadLines> &keep = {},
                           LedgerEncoding encoding = LedgerEncoding::Cp932,
                           const FileStamp *expected = nullptr);

// Leaves a zero-byte file under the same guarantees as RewriteLedger; an empty ledger never
// replaces a recovery point that holds something, so clearing twice keeps the deposits of the first.
LedgerStatus EmptyLedger(const QString &path, const FileStamp *expected = nullptr);

// What the last deletion or clearing took out of the ledger, found from its recovery point (the
// rules are mergeRecoveryPoint's). No recovery point: nothing to take back.
struct LedgerUndo
{
    LedgerEntries restored;    // empty: nothing to take back
    qsizetype restoredAt = -1; // entries before the first of them in `merged`
    qsizetype unreadable = 0;  // lines of the recovery point that cannot be brought back
    bool beyondLimits = false; // more entries, or a larger total, than the program keeps
    QByteArray merged;
    FileStamp stamp;           // the ledger they were found against
    LedgerStatus status;
};
LedgerUndo PlanLedgerUndo(const QString &path);

// Carries out `plan` under RewriteLedger's guarantees: the ledger as it is becomes the recovery
// point; nothing is written when the ledger is no longer the one the plan was made against.
LedgerStatus UndoLedger(const QString &path, const LedgerUndo &plan);
