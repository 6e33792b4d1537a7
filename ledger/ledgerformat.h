// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileaccess.h"

#include <QByteArray>
#include <QString>

// The ledger file: one line per deposit, in CP932 whatever the machine's locale,
//   "2010年03月07日","19:04:05",120 CR LF
// It is the program's only state. These are the types every part of reading and writing it shares.

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
