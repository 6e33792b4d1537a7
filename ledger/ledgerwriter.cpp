// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerwriter.h"

#include "decimal.h"
#include "ledgerfields.h"

#include <algorithm>
#include <limits>

namespace {

// The program's own texts in CP932 skip the converter and are written in one piece: a rewrite
// writes thousands of them.
void appendStandardLine(QByteArray &out, const StandardDateTime &dateTime, Money amount)
{
    char line[1 + StandardDateTime::Cp932DateSize + 3 + StandardDateTime::Cp932TimeSize + 2 + MostPlainDecimalBytes + 2];
    char *end = line;
    *end++ = '"';
    end = dateTime.writeCp932Date(end);
    end = std::copy_n("\",\"", 3, end);
    end = dateTime.writeCp932Time(end);
    end = std::copy_n("\",", 2, end);
    end = writePlainDecimal(end, amount);
    end = std::copy_n("\r\n", 2, end);
    out.append(line, end - line);
}

// Appends one line; false, with `out` as it was, when a text cannot be written.
bool appendLine(QByteArray &out, QStringView dateText, QStringView timeText, Money amount,
                LedgerEncoding encoding)
{
    const auto standard = encoding == LedgerEncoding::Cp932
            ? StandardDateTime::fromTexts(dateText, timeText) : std::nullopt;
    if (standard) {
        appendStandardLine(out, *standard, amount);
        return true;
    }
    const auto date = encodeField(dateText, encoding);
    const auto time = date ? encodeField(timeText, encoding) : std::nullopt;
    if (!time)
        return false;
    out += '"' + *date + "\",\"" + *time + "\",";
    out += plainDecimalText(amount);
    out += "\r\n";
    return true;
}

} // namespace

QByteArray ledgerLine(QStringView dateText, QStringView timeText, Money amount,
                      LedgerEncoding encoding)
{
    QByteArray line;
    appendLine(line, dateText, timeText, amount, encoding);
    return line;
}

QByteArray ledgerLine(const StandardDateTime &at, Money amount, LedgerEncoding encoding)
{
    if (encoding != LedgerEncoding::Cp932)
        return ledgerLine(at.dateText(), at.timeText(), amount, encoding);
    QByteArray line;
    appendStandardLine(line, at, amount);
    return line;
}

std::optional<QByteArray> ledgerFileBytes(const LedgerEntries &entries,
                                          const QList<UnreadLines> &keep, LedgerEncoding encoding)
{
    QByteArray bytes;
    bytes.reserve(entries.size() * 36 + 3);
    if (encoding == LedgerEncoding::Utf8WithBom)
        bytes += Utf8Bom;
    qsizetype next = 0;
    auto putKept = [&](qsizetype entriesWritten) {
        for (; next < keep.size() && keep[next].entriesBefore <= entriesWritten; ++next) {
            bytes += keep[next].bytes;
            if (!bytes.endsWith('\n'))
                bytes += "\r\n";
        }
    };
    for (qsizetype i = 0; i < entries.size(); ++i) {
        putKept(i);
        const auto standard = encoding == LedgerEncoding::Cp932 ? entries.standardDateTime(i)
                                                                : std::nullopt;
        if (standard) {
            appendStandardLine(bytes, *standard, entries.amount(i));
        } else if (!appendLine(bytes, entries.dateText(i), entries.timeText(i), entries.amount(i),
                               encoding)) {
            return std::nullopt;
        }
    }
    putKept(std::numeric_limits<qsizetype>::max());
    return bytes;
}
