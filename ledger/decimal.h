// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "money.h"

#include <QByteArray>

#include <optional>
#include <string_view>

// Exact decimal text <-> Money, on ASCII text. Never goes through double.

enum class Grouping { None, Thousands };

// Reads an unsigned number: digits [. digits] [(e|E) [+|-] digits], with at least one digit
// before or after the period. With Grouping::Thousands the integer digits may be grouped by
// commas in threes (1,234,567). The result is negated when `negative` is set; rounding to four
// decimals is half to even. nullopt when the text does not match or the value is out of range;
// `outOfRange`, when given, tells the two apart.
std::optional<Money> parseUnsignedDecimal(std::string_view text, bool negative, Grouping grouping,
                                          bool *outOfRange = nullptr);

// The common case of an amount, whole yen as the program writes them: the ASCII digits at the
// start of `text`, at most MostPlainDigits, read into `yen`; returns how many there were.
inline constexpr std::size_t MostPlainDigits = 12; // times Money::Scale, still inside 64 bits
std::size_t readPlainDigits(std::string_view text, qint64 &yen);

// Reads an optional sign followed by an unsigned number without grouping: the ledger's amount field.
std::optional<Money> parsePlainDecimal(std::string_view text, bool *outOfRange = nullptr);

// The ledger's amount field: optional minus, digits, and a period with the fractional digits
// without trailing zeros only when there is a fractional part (120, 12.5, -0.25).
QByteArray plainDecimalText(Money amount);
// The same written at `out`, at most MostPlainDecimalBytes of it; returns its end.
inline constexpr std::size_t MostPlainDecimalBytes = 21; // "-", 15 digits, ".", 4 places
char *writePlainDecimal(char *out, Money amount);
