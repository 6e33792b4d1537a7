// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The ledger with what a deletion or clearing took out of it put back. The recovery point is the
// file as it was before; the ledger is the file now, which may have gained deposits since, from
// this window or from anywhere else.
struct RecoveryMerge
{
    QByteArray merged;      // every line of the ledger, and the recovery point's missing ones
    QByteArray restored;    // those missing lines, in their order; empty: nothing to take back
    qsizetype restoredAt = -1; // where the first of them stands in `merged`
};

// Lines are compared without their line ends and with their amounts as a rewrite writes them;
// a line both hold comes back as the recovery point held it. A line of the recovery point comes back as often as
// it stood there more often than it stands in the ledger, at its place among the lines both hold;
// lines only the ledger holds keep their order, after the restored lines that stood before the
// next line both hold. No line of the ledger is ever dropped. A UTF-8 byte-order mark of either
// file leads the result.
RecoveryMerge mergeRecoveryPoint(QByteArrayView recovery, QByteArrayView ledger);
