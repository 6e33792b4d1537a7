// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <compare>
#include <limits>
#include <optional>

// A fixed-point amount of money: the value times 10,000 in a signed 64-bit integer.
// Written by hand because no library offers this exact type: additions are exact,
// overflow is reported instead of wrapping, and nothing converts from double implicitly.
class Money
{
public:
    static constexpr qint64 Scale = 10000;

    constexpr Money() = default;

    static constexpr Money fromRaw(qint64 tenThousandths) { return Money(tenThousandths); }
    // Whole yen; an int always fits.
    static constexpr Money fromYen(int yen) { return Money(qint64(yen) * Scale); }
    // Rounds to four decimals, half to even; nullopt when the value is not finite or out of range.
    static std::optional<Money> fromDouble(double value);

    static constexpr Money max() { return Money(std::numeric_limits<qint64>::max()); }
    static constexpr Money min() { return Money(std::numeric_limits<qint64>::min()); }

    constexpr qint64 raw() const { return m_raw; }
    double toDouble() const { return double(m_raw) / double(Scale); }

    // nullopt on overflow; never undefined behaviour. Inline: a load adds every amount twice.
    constexpr std::optional<Money> checkedAdd(Money other) const
    {
        qint64 sum = 0;
        if (__builtin_add_overflow(m_raw, other.m_raw, &sum))
            return std::nullopt;
        return Money(sum);
    }

    friend constexpr bool operator==(Money, Money) = default;
    friend constexpr std::strong_ordering operator<=>(Money, Money) = default;

private:
    explicit constexpr Money(qint64 raw) : m_raw(raw) { }

    qint64 m_raw = 0;
};
