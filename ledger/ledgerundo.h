// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerentries.h"
#include "ledgerformat.h"

#include <QByteArray>
#include <QByteArrayView>

// The ledger with what a deletion or clearing took out of it put back. The recovery point is the
// file as it was before; the ledger is the file now, which may have gained deposits since, from
// this window or from anywhere else.
struct RecoveryMerge
{
    QByteArray merged;         // the ledger's bytes with the missing entries put back
    LedgerEntries restored;    // those entries, in their order; empty: nothing to take back
    qsizetype restoredAt = -1; // entries before the first of them in `merged`
    qsizetype unreadable = 0;  // lines of the recovery point that cannot come back
    LedgerEncoding encoding = LedgerEncoding::Cp932; // of `merged`
    bool tooLarge = false;     // the recovery point holds more than any ledger the program keeps
    bool unwritable = false;   // an entry of the ledger cannot be written in its character set
    bool beyondLimits = false; // `merged` holds more entries, or a larger total, than the program
                               // keeps, where the ledger did not
};

// Both files are read as ledgers, the recovery point in the ledger's character set (in its own
// when the ledger holds no entry yet); only what reads as an entry can come back. An entry is the
// same deposit in both when its date text, time text and amount as a rewrite writes it (12.5
// becomes 13) are the same, whatever form the line has. An entry of the recovery point comes back
// as often as it stood there more often than in the ledger, at its place among the entries both
// hold, and an entry both hold is written as the recovery point held it; entries only the ledger
// holds keep their order, after the restored entries that stood before the next entry both hold.
// No entry of the ledger is dropped, and the lines it could not read stay verbatim after the
// entries they followed. The result is written in the program's own form and the ledger's
// character set.
RecoveryMerge mergeRecoveryPoint(QByteArrayView recovery, QByteArrayView ledger);
