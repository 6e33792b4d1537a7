// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileaccess.h"
#include "ledgerentries.h"
#include "money.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// The ledger file: one line per deposit, in CP932 whatever the machine's locale,
//   "2010年03月07日","19:04:05",120 CR LF
// It is the program's only state. Every operation opens the file, does its work and closes it
// again; a rewrite goes through a rollback journal (ledgerjournal.h), so an interruption leaves
// the old file or the new one, whole, and the file keeps its inode.

inline constexpr char16_t LedgerFileName[] = u"ミトラダ.txt";

// The file's character set. The program writes CP932; a ledger a text editor saved as UTF-8 is
// read as UTF-8 and written back in UTF-8, its byte-order mark kept, so it is never garbled.
enum class LedgerEncoding { Cp932, Utf8, Utf8WithBom };

// Why part of the file could not be read.
enum class LedgerReadError {
    TooFewFields,     // the file ends inside an entry
    Malformed,        // an unterminated quote, text after a closing quote, a text too long
    BadAmount,        // the amount field is not a number
    AmountOutOfRange, // a number beyond the money range
    BadEncoding,      // bytes that are not text in the file's character set (control bytes too)
    TotalOutOfRange,  // the entry would take the total beyond the money range
    TooManyEntries,   // entries beyond the most the program holds
};

// Bytes of the file the load could not take in, kept verbatim so that a rewrite can put them
// back where they were instead of dropping them.
struct UnreadLines
{
    LedgerReadError reason;
    int line = 0;             // 1-based line where reading failed
    qint64 offset = 0;        // byte offset of `bytes` in the file
    QByteArray bytes;         // whole lines, from the start of the failed entry
    qsizetype entriesBefore = 0; // readable entries that stood before them

    friend bool operator==(const UnreadLines &, const UnreadLines &) = default;
};

// The outcome of an operation on the file: what failed, on which file (its full path), and the
// system's errno (0 where the failure is the program's own judgement).
struct LedgerStatus
{
    using Failure = FileFailure;

    Failure failure = Failure::None;
    QString path;
    int error = 0;
    bool atRecoveryPoint = false; // the recovery point could not be made; the ledger is as it was

    bool ok() const { return failure == Failure::None; }
};

struct LedgerLoad
{
    LedgerEntries entries;
    QList<UnreadLines> unread; // in file order
    LedgerStatus status;       // when not ok, nothing was read
    bool created = false;      // the file did not exist and was created empty
    bool rolledBack = false;   // a rewrite that had not finished was undone first, from its journal
    FileStamp stamp;           // the file as read, for the checks before it is changed
    // Decided by the first text that is not plain ASCII: UTF-8 when it reads as UTF-8 (or the
    // file starts with a byte-order mark), CP932 otherwise. Texts in the other one are unread.
    LedgerEncoding encoding = LedgerEncoding::Cp932;
    bool encodingShown = false; // by such a text or the mark, not taken for want of one

    bool complete() const { return status.ok() && unread.isEmpty(); }
};

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

// What LoadLedger reads from a file, read from memory in pieces of at least `pieceSize` bytes;
// in `encoding` when given, instead of the one the bytes suggest.
LedgerLoad ReadLedgerBytes(QByteArrayView bytes, qsizetype pieceSize = 64 * 1024,
                           std::optional<LedgerEncoding> encoding = std::nullopt);

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

QString ledgerBackupPath(const QString &path);

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

// One line of the file, CR LF included; empty when a text has characters the encoding cannot
// hold, a double quote or a control character.
QByteArray ledgerLine(QStringView dateText, QStringView timeText, Money amount,
                      LedgerEncoding encoding = LedgerEncoding::Cp932);
