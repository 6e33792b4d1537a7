// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "money.h"

#include <cmath>

std::optional<Money> Money::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // The default floating-point rounding mode rounds to nearest, ties to even.
    const double scaled = std::nearbyint(value * double(Scale));
    constexpr double limit = 9223372036854775808.0; // 2^63, exact in a double
    if (!(scaled >= -limit && scaled < limit))
        return std::nullopt;
    return Money(static_cast<qint64>(scaled));
}

