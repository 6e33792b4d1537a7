// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "money.h"

#include <QString>
#include <QStringView>

#include <optional>

// Amount text as a Japanese user types or reads it, fixed to the Japanese conventions whatever
// the machine's locale: yen sign, comma grouping, period decimal point.

// Surrounding spaces, an optional sign (before or after an optional currency sign), digits grouped
// by commas in threes or not, a decimal part and an exponent. Full-width forms from an input method
// (１２３, －, ．, ，, ￥, the ideographic space) read like their ASCII forms; the currency sign may be
// ¥ (U+00A5), ￥ (U+FFE5) or the backslash that a CP932 keyboard types for it. A fifth decimal
// and beyond rounds half to even. nullopt when the text is not numeric or out of the money range.
std::optional<Money> parseAmount(QStringView text);

// The "Currency" display format: ¥1,200, -¥50; no decimals, rounding half away from zero.
QString currencyText(Money amount);

// The value a reader of the display format sees: the amount rounded as the display rounds it.
Money displayedAmount(Money amount);
// The amount a rewrite of the ledger writes for an entry: the list's text of it, read back
// (12.5 is shown ¥13 and written 13). A whole amount is itself.
Money rewrittenAmount(Money amount);
