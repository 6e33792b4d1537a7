// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fileaccess.h"
#include "ledgerentries.h"
#include "ledgerformat.h"

#include <QByteArrayView>
#include <QList>

#include <functional>
#include <optional>

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

// What LoadLedger reads from a file, read from memory in pieces of at least `pieceSize` bytes;
// in `encoding` when given, instead of the one the bytes suggest.
LedgerLoad ReadLedgerBytes(QByteArrayView bytes, qsizetype pieceSize = 64 * 1024,
                           std::optional<LedgerEncoding> encoding = std::nullopt);


// Reads what `read` gives into `load`, in pieces of `pieceSize` bytes or more that end after a
// line feed; false when `read` fails. `size` is the expected size, for the first reservation.
// In `encoding` when given; otherwise the bytes decide it.
bool readLedgerPieces(LedgerLoad &load, qint64 size, qsizetype pieceSize,
                      const std::function<qint64(char *, qint64)> &read,
                      std::optional<LedgerEncoding> encoding = std::nullopt);
