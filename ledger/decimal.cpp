// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "decimal.h"

#include <algorithm>
#include <array>

namespace {

constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr quint64 pow10(int n)
{
    quint64 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// The magnitude limits of a money value in ten-thousandths.
constexpr quint64 maxPositive = quint64(std::numeric_limits<qint64>::max());
constexpr quint64 maxNegative = maxPositive + 1;

// value = digits * 10^exp10; `digits` holds only '0'..'9'.
std::optional<Money> moneyFromDigits(std::string_view digits, bool negative, qint64 exp10)
{
    const auto first = digits.find_first_not_of('0');
    if (first == std::string_view::npos)
        return Money();
    digits.remove_prefix(first);

    const qint64 shift = exp10 + 4; // to ten-thousandths
    const auto size = qint64(digits.size());
    quint64 magnitude = 0;
    if (shift >= 0) {
        if (size + shift > 19)
            return std::nullopt; // at least 10^19, beyond 2^63
        for (char c : digits)
            magnitude = magnitude * 10 + quint64(c - '0');
        magnitude *= pow10(int(shift));
    } else {
        const qint64 dropped = -shift;
        if (dropped > size)
            return Money(); // below half of the last kept place
        const auto kept = digits.substr(0, std::size_t(size - dropped));
        if (kept.size() > 19)
            return std::nullopt;
        for (char c : kept)
            magnitude = magnitude * 10 + quint64(c - '0');
        const auto rest = digits.substr(kept.size());
        const char firstDropped = rest.front();
        const bool beyondHalf = rest.find_first_not_of('0', 1) != std::string_view::npos;
        if (firstDropped > '5' || (firstDropped == '5' && (beyondHalf || (magnitude & 1))))
            ++magnitude; // cannot wrap: at most 19 digits
    }
    if (magnitude > (negative ? maxNegative : maxPositive))
        return std::nullopt;
    if (negative)
        return Money::fromRaw(qint64(0 - magnitude)); // 2^63 wraps to the minimum, as intended
    return Money::fromRaw(qint64(magnitude));
}

// Integer digits, grouped by commas in threes when allowed; returns the digits without commas.
bool readIntegerDigits(std::string_view text, Grouping grouping, std::string &digits)
{
    if (grouping == Grouping::None || text.find(',') == std::string_view::npos) {
        if (!std::all_of(text.begin(), text.end(), isDigit))
            return false;
        digits.append(text);
        return true;
    }
    std::size_t group = 0;
    bool firstGroup = true;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == ',') {
            if (firstGroup ? (group < 1 || group > 3) : group != 3)
                return false;
            firstGroup = false;
            group = 0;
        } else if (isDigit(text[i])) {
            digits.push_back(text[i]);
            ++group;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<Money> parseUnsignedDecimal(std::string_view text, bool negative, Grouping grouping,
                                          bool *outOfRange)
{
    if (outOfRange)
        *outOfRange = false;
    std::string_view exponentText;
    if (const auto e = text.find_first_of("eE"); e != std::string_view::npos) {
        exponentText = text.substr(e + 1);
        text = text.substr(0, e);
        if (exponentText.empty())
            return std::nullopt;
    }
    std::string_view integerText = text;
    std::string_view fractionText;
    if (const auto dot = text.find('.'); dot != std::string_view::npos) {
        integerText = text.substr(0, dot);
        fractionText = text.substr(dot + 1);
    }
    if (integerText.empty() && fractionText.empty())
        return std::nullopt;

    std::string digits;
    digits.reserve(text.size());
    if (!readIntegerDigits(integerText, grouping, digits))
        return std::nullopt;
    if (!std::all_of(fractionText.begin(), fractionText.end(), isDigit))
        return std::nullopt;
    digits.append(fractionText);

    qint64 exponent = 0;
    if (!exponentText.empty()) {
        bool exponentNegative = false;
        if (exponentText.front() == '+' || exponentText.front() == '-') {
            exponentNegative = exponentText.front() == '-';
            exponentText.remove_prefix(1);
        }
        if (exponentText.empty() || !std::all_of(exponentText.begin(), exponentText.end(), isDigit))
            return std::nullopt;
        // Saturate: any exponent beyond a million already overflows or rounds to zero.
        for (char c : exponentText)
            exponent = std::min<qint64>(exponent * 10 + (c - '0'), 1'000'000);
        if (exponentNegative)
            exponent = -exponent;
    }
    const auto value = moneyFromDigits(digits, negative, exponent - qint64(fractionText.size()));
    if (!value && outOfRange)
        *outOfRange = true;
    return value;
}

std::size_t readPlainDigits(std::string_view text, qint64 &yen)
{
    yen = 0;
    std::size_t i = 0;
    for (; i < std::min(text.size(), MostPlainDigits) && isDigit(text[i]); ++i)
        yen = yen * 10 + (text[i] - '0');
    return i;
}

std::optional<Money> parsePlainDecimal(std::string_view text, bool *outOfRange)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // The common case without the general machinery.
    if (qint64 yen = 0; !text.empty() && readPlainDigits(text, yen) == text.size()) {
        if (outOfRange)
            *outOfRange = false;
        return Money::fromRaw((negative ? -yen : yen) * Money::Scale);
    }
    return parseUnsignedDecimal(text, negative, Grouping::None, outOfRange);
}

char *writePlainDecimal(char *out, Money amount)
{
    const bool negative = amount.raw() < 0;
    const quint64 magnitude = negative ? 0 - quint64(amount.raw()) : quint64(amount.raw());
    if (negative)
        *out++ = '-';
    // Whole yen right to left into a scratch of its own, then in order.
    char digits[20];
    char *first = std::end(digits);
    quint64 yen = magnitude / quint64(Money::Scale);
    do {
        *--first = char('0' + yen % 10);
        yen /= 10;
    } while (yen != 0);
    out = std::copy(first, std::end(digits), out);
    quint64 fraction = magnitude % quint64(Money::Scale);
    if (fraction != 0) {
        std::array<char, 4> places {};
        for (int i = 3; i >= 0; --i) {
            places[std::size_t(i)] = char('0' + fraction % 10);
            fraction /= 10;
        }
        int length = 4;
        while (places[std::size_t(length - 1)] == '0')
            --length;
        *out++ = '.';
        out = std::copy_n(places.data(), length, out);
    }
    return out;
}

QByteArray plainDecimalText(Money amount)
{
    char text[MostPlainDecimalBytes];
    return QByteArray(text, writePlainDecimal(text, amount) - text);
}
