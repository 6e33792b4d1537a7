// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerwriter.h"

#include "decimal.h"
#include "ledgerfields.h"

#include <limits>

namespace {

// The program's own texts in CP932 skip the converter: a rewrite writes thousands of them.
void appendStandardFields(QByteArray &out, const StandardDateTime &dateTime)
{
    out += '"';
    dateTime.appendCp932Date(out);
    out += "\",\"";
    dateTime.appendCp932Time(out);
    out += "\",";
}

void appendAmount(QByteArray &out, Money amount)
{
    out += plainDecimalText(amount);
    out += "\r\n";
}

// Appends one line; false, with `out` as it was, when a text cannot be written.
bool appendLine(QByteArray &out, QStringView dateText, QStringView timeText, Money amount,
                LedgerEncoding encoding)
{
    const auto standard = encoding == LedgerEncoding::Cp932
            ? StandardDateTime::fromTexts(dateText, timeText) : std::nullopt;
    if (standard) {
        appendStandardFields(out, *standard);
    } else {
        const auto date = encodeField(dateText, encoding);
        const auto time = date ? encodeField(timeText, encoding) : std::nullopt;
        if (!time)
            return false;
        out += '"' + *date + "\",\"" + *time + "\",";
    }
    appendAmount(out, amount);
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
    appendStandardFields(line, at);
    appendAmount(line, amount);
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
            appendStandardFields(bytes, *standard);
            appendAmount(bytes, entries.amount(i));
        } else if (!appendLine(bytes, entries.dateText(i), entries.timeText(i), entries.amount(i),
                               encoding)) {
            return std::nullopt;
        }
    }
    putKept(std::numeric_limits<qsizetype>::max());
    return bytes;
}
