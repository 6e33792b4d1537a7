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
// (12.5 becomes 13), so that a line and its rewritten form count as one. Most lines are written
// so already and are their own key; the others get theirs in `made`.
QByteArrayView keyOf(QByteArrayView line, QList<QByteArray> &made)
{
    line = withoutLineEnd(line);
    const qsizetype comma = line.lastIndexOf(',');
    const QByteArrayView field = comma < 0 ? QByteArrayView() : line.sliced(comma + 1);
    const bool plainWhole = !field.isEmpty() && field != "-" && field != "-0"
            && std::all_of(field.begin() + (field.front() == '-'), field.end(), [](char c) { return c >= '0' && c <= '9'; })
            && (field.size() == 1 || field[field.front() == '-'] != '0');
    if (plainWhole)
        return line;
    const auto amount = parsePlainDecimal(std::string_view(field.data(), std::size_t(field.size())));
    if (!amount)
        return line;
    made.append(line.first(comma + 1).toByteArray() + plainDecimalText(rewrittenAmount(*amount)));
    return made.last();
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

    // Where each line stands in the recovery point (its first place not yet passed, the later
    // ones chained from it), and how many of it are missing now.
    struct Places
    {
        qsizetype first = -1;
        qsizetype missing = 0;
    };
    QList<QByteArray> made; // keys that are not a line's own bytes
    made.reserve(before.size() + now.size());
    QList<QByteArrayView> keys;
    keys.reserve(before.size());
    for (QByteArrayView line : before)
        keys.append(keyOf(line, made));
    QHash<QByteArrayView, Places> places;
    places.reserve(before.size());
    QList<qsizetype> later(before.size(), -1);
    for (qsizetype i = before.size() - 1; i >= 0; --i) {
        Places &p = places[keys[i]];
        later[i] = std::exchange(p.first, i);
        ++p.missing;
    }
    QList<QByteArrayView> nowKeys;
    nowKeys.reserve(now.size());
    for (QByteArrayView line : now) {
        nowKeys.append(keyOf(line, made));
        if (auto found = places.find(nowKeys.last()); found != places.end())
            --found->missing;
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
            qsizetype &count = places[keys[next]].missing;
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
        qsizetype place = -1;
        if (const auto at = places.find(nowKeys[n]); at != places.end()) {
            while (at->first >= 0 && at->first < next)
                at->first = later[at->first];
            place = at->first;
        }
        if (place < 0) {
            added.append(line);
            continue;
        }
        restoreUpTo(place);
        for (QByteArrayView a : std::as_const(added))
            put(a);
        added.clear();
        put(before[place]); // as the file held it before, 12.5 and all
        next = place + 1;
    }
    restoreUpTo(before.size());
    for (QByteArrayView a : std::as_const(added))
        put(a);
    return result;
}
