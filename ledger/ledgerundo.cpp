// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerundo.h"

#include "amount.h"
#include "decimal.h"
#include "ledgerfields.h"

#include <QHash>
#include <QList>

#include <algorithm>

namespace {

// The file's lines, each with its line end where it has one.
QList<QByteArrayView> linesOf(QByteArrayView bytes)
{
    QList<QByteArrayView> lines;
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const qsizetype length = end < 0 ? bytes.size() : end + 1;
        lines.append(bytes.first(length));
        bytes = bytes.sliced(length);
    }
    return lines;
}

QByteArrayView withoutLineEnd(QByteArrayView line)
{
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// A line as a rewrite of the ledger writes it: the amount field as the rewrite writes the amount
// (12.5 becomes 13), so that a line and its rewritten form count as one.
QByteArray keyOf(QByteArrayView line)
{
    line = withoutLineEnd(line);
    const qsizetype comma = line.lastIndexOf(',');
    const QByteArrayView field = comma < 0 ? QByteArrayView() : line.sliced(comma + 1);
    const auto amount = parsePlainDecimal(std::string_view(field.data(), std::size_t(field.size())));
    if (!amount)
        return line.toByteArray();
    return line.first(comma + 1).toByteArray() + plainDecimalText(rewrittenAmount(*amount));
}

QByteArrayView withoutMark(QByteArrayView bytes, bool &marked)
{
    marked = marked || bytes.startsWith(Utf8Bom);
    return bytes.startsWith(Utf8Bom) ? bytes.sliced(Utf8Bom.size()) : bytes;
}

} // namespace

RecoveryMerge mergeRecoveryPoint(QByteArrayView recovery, QByteArrayView ledger)
{
    bool marked = false;
    const QList<QByteArrayView> before = linesOf(withoutMark(recovery, marked));
    const QList<QByteArrayView> now = linesOf(withoutMark(ledger, marked));

    // Where each line stands in the recovery point, and how many of it are missing now.
    QList<QByteArray> keys;
    keys.reserve(before.size());
    QHash<QByteArray, QList<qsizetype>> places;
    QHash<QByteArray, qsizetype> missing;
    for (qsizetype i = 0; i < before.size(); ++i) {
        keys.append(keyOf(before[i]));
        places[keys[i]].append(i);
        ++missing[keys[i]];
    }
    QList<QByteArray> nowKeys;
    nowKeys.reserve(now.size());
    for (QByteArrayView line : now) {
        nowKeys.append(keyOf(line));
        if (auto found = missing.find(nowKeys.last()); found != missing.end())
            --*found;
    }

    RecoveryMerge result;
    if (marked)
        result.merged += Utf8Bom;
    const auto put = [&](QByteArrayView line) {
        // A last line without its end gets one when another follows it.
        if (!result.merged.isEmpty() && !result.merged.endsWith('\n') && result.merged != Utf8Bom)
            result.merged += "\r\n";
        result.merged += line;
    };
    qsizetype next = 0; // the first line of the recovery point not yet passed
    const auto restoreUpTo = [&](qsizetype end) {
        for (; next < end; ++next) {
            qsizetype &count = missing[keys[next]];
            if (count <= 0)
                continue; // the ledger holds it elsewhere: it comes from there
            --count;
            if (result.restoredAt < 0)
                result.restoredAt = result.merged.size();
            put(before[next]);
            result.restored += before[next];
            if (!result.restored.endsWith('\n'))
                result.restored += "\r\n";
        }
    };
    QList<QByteArrayView> added; // lines only the ledger holds, waiting for the next common one
    for (qsizetype n = 0; n < now.size(); ++n) {
        const QByteArrayView line = now[n];
        // Its next place at or after the lines passed, if it has one.
        const auto at = places.constFind(nowKeys[n]);
        const qsizetype *place = nullptr;
        if (at != places.cend()) {
            const auto found = std::lower_bound(at->begin(), at->end(), next);
            place = found == at->end() ? nullptr : &*found;
        }
        if (!place) {
            added.append(line);
            continue;
        }
        restoreUpTo(*place);
        for (QByteArrayView a : std::as_const(added))
            put(a);
        added.clear();
        put(before[*place]); // as the file held it before, 12.5 and all
        next = *place + 1;
    }
    restoreUpTo(before.size());
    for (QByteArrayView a : std::as_const(added))
        put(a);
    return result;
}
