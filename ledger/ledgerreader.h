// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerfile.h"

#include <functional>

// Reads what `read` gives into `load`, in pieces of `pieceSize` bytes or more that end after a
// line feed; false when `read` fails. `size` is the expected size, for the first reservation.
// In `encoding` when given; otherwise the bytes decide it.
bool readLedgerPieces(LedgerLoad &load, qint64 size, qsizetype pieceSize,
                      const std::function<qint64(char *, qint64)> &read,
                      std::optional<LedgerEncoding> encoding = std::nullopt);
