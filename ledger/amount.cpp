// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "amount.h"

#include "decimal.h"

#include <algorithm>
#include <string>

namespace {

constexpr char16_t yenSign = u'\u00A5';
constexpr char16_t minusSign = u'\u2212';

bool isCurrencySign(QChar c)
{
    return c == yenSign || c == u'\\';
}

} // namespace

std::optional<Money> parseAmount(QStringView text)
{
    // NFKC folds full-width digits and signs, ￥ and the ideographic space to their plain forms;
    // ASCII and the yen sign, which is all the display format writes, are their own folding.
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() < 0x80 || c == yenSign;
    });
    QString folded = plain ? text.trimmed().toString()
                           : text.toString().normalized(QString::NormalizationForm_KC).trimmed();
    folded.replace(QChar(minusSign), u'-');
    QStringView rest = folded;

    bool negative = false;
    bool signSeen = false;
    auto takeSign = [&] {
        if (!signSeen && !rest.isEmpty() && (rest.front() == u'-' || rest.front() == u'+')) {
            negative = rest.front() == u'-';
            signSeen = true;
            rest = rest.mid(1);
        }
    };
    takeSign();
    if (!rest.isEmpty() && isCurrencySign(rest.front()))
        rest = rest.mid(1);
    takeSign();

    std::string ascii;
    ascii.reserve(std::size_t(rest.size()));
    for (QChar c : rest) {
        if (c.unicode() >= 0x80)
            return std::nullopt;
        ascii.push_back(char(c.unicode()));
    }
    return parseUnsignedDecimal(ascii, negative, Grouping::Thousands);
}

Money displayedAmount(Money amount)
{
    const qint64 remainder = amount.raw() % Money::Scale; // takes the sign of the amount
    const qint64 truncated = amount.raw() - remainder;
    qint64 step = 0;
    if (remainder >= Money::Scale / 2)
        step = Money::Scale;
    else if (remainder <= -Money::Scale / 2)
        step = -Money::Scale;
    qint64 rounded = 0;
    // Within half a yen of the range's ends the shown value lies outside it: keep the exact one.
    if (__builtin_add_overflow(truncated, step, &rounded))
        return amount;
    return Money::fromRaw(rounded);
}

QString currencyText(Money amount)
{
    const qint64 raw = amount.raw();
    const bool negative = raw < 0;
    quint64 magnitude = negative ? 0 - quint64(raw) : quint64(raw);
    const quint64 fraction = magnitude % quint64(Money::Scale);
    magnitude /= quint64(Money::Scale);
    if (fraction >= quint64(Money::Scale / 2))
        ++magnitude;

    char buffer[32];
    int pos = sizeof buffer;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0)
            buffer[--pos] = ',';
        buffer[--pos] = char('0' + magnitude % 10);
        magnitude /= 10;
        ++digits;
    } while (magnitude != 0);

    QString text;
    text.reserve(int(sizeof buffer) - pos + 2);
    if (negative && !(digits == 1 && buffer[pos] == '0'))
        text += u'-';
    text += QChar(yenSign);
    text += QLatin1StringView(buffer + pos, qsizetype(sizeof buffer) - pos);
    return text;
}

Money rewrittenAmount(Money amount)
{
    if (amount.raw() % Money::Scale == 0)
        return amount;
    return parseAmount(currencyText(amount)).value_or(displayedAmount(amount));
}
