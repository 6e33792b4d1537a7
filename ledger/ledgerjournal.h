// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileaccess.h"
#include "ledgerformat.h"

// How a deletion, clearing or undo rewrites the ledger: as a rollback journal does. The ledger's
// bytes are first made durable beside it as "<name>-journal", then the ledger is rewritten in
// place and made durable, and only then the journal is renamed over "<name>.bak", where it is the
// recovery point. That rename is the one moment the change takes effect: a failure or a crash
// before it leaves the ledger and its recovery point as they were (a journal found later is
// written back first), one after it leaves both new. The ledger keeps its inode throughout.

QString ledgerJournalPath(const QString &path);
QString ledgerBackupPath(const QString &path); // the recovery point

// A failure on the file at `path`, named by its full path.
LedgerStatus ledgerStatus(const FileResult &result, const QString &path);

// The ledger's bytes replaced by `bytes` under the journal. With `expected`, nothing is written
// unless the ledger is still that file holding those bytes (Failure::Changed). An empty ledger
// never replaces a recovery point that holds something.
LedgerStatus rewriteThroughJournal(const QString &path, QByteArrayView bytes, const FileStamp *expected);

// A journal left by a rewrite that did not finish is written back into the ledger and removed.
// A journal this user may not trust (another user's, in a folder anyone may write to) is left
// alone; one that cannot be written back is Failure::Interrupted, the journal kept.
LedgerStatus rollBackUnfinishedRewrite(const QString &path, bool *rolledBack = nullptr);
