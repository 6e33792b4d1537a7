// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datetext.h"
#include "ledgerentries.h"
#include "ledgerformat.h"
#include "money.h"

#include <QByteArray>
#include <QList>
#include <QStringView>

#include <optional>

// One line of the file, CR LF included; empty when a text has characters the encoding cannot
// hold, a double quote or a control character.
QByteArray ledgerLine(QStringView dateText, QStringView timeText, Money amount,
                      LedgerEncoding encoding = LedgerEncoding::Cp932);
// The same for a deposit, written straight from the instant it is made at.
QByteArray ledgerLine(const StandardDateTime &at, Money amount, LedgerEncoding encoding);

// The whole file's bytes: the entries in order, each `keep` verbatim after its `entriesBefore`
// entries (or at the end when there are fewer); nothing when an entry's texts cannot be written.
std::optional<QByteArray> ledgerFileBytes(const LedgerEntries &entries,
                                          const QList<UnreadLines> &keep, LedgerEncoding encoding);
