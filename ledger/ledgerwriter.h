// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerfile.h"

#include <optional>

// The whole file's bytes: the entries in order, each `keep` verbatim after its `entriesBefore`
// entries (or at the end when there are fewer); nothing when an entry's texts cannot be written.
std::optional<QByteArray> ledgerFileBytes(const LedgerEntries &entries,
                                          const QList<UnreadLines> &keep, LedgerEncoding encoding);
