// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerundo.h"

#include "amount.h"
#include "ledgerfields.h"
#include "ledgerreader.h"
#include "ledgertotals.h"
#include "ledgerwriter.h"

#include <QHash>
#include <QList>

#include <algorithm>

namespace {

// An entry as a rewrite writes it: its texts and its amount as the list shows it. The program's
// own texts are packed into a number, so that most keys need no allocation.
struct EntryKey
{
    qint64 amount = 0;
    quint64 when = 0;
    QString texts; // texts in another form, the date and the time

    friend bool operator==(const EntryKey &, const EntryKey &) = default;
    friend size_t qHash(const EntryKey &key, size_t seed) { return qHashMulti(seed, key.amount, key.when, key.texts); }
};

EntryKey keyOf(const LedgerEntries &entries, qsizetype row)
{
    EntryKey key;
    key.amount = rewrittenAmount(entries.amount(row)).raw();
    if (const auto s = entries.standardDateTime(row))
        key.when = quint64(s->year) << 40 | quint64(s->month) << 32 | quint64(s->day) << 24 | quint64(s->hour) << 16 | quint64(s->minute) << 8 | s->second;
    else
        key.texts = entries.dateText(row) + u'\0' + entries.timeText(row);
    return key;
}

bool beyondLimits(const QList<UnreadLines> &unread)
{
    return std::any_of(unread.begin(), unread.end(), [](const UnreadLines &u) {
        return u.reason == LedgerReadError::TooManyEntries || u.reason == LedgerReadError::TotalOutOfRange;
    });
}

bool beyondLimits(const LedgerEntries &entries)
{
    if (entries.size() > LedgerTotals::MaxEntries)
        return true;
    Money total;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const auto sum = total.checkedAdd(entries.amount(i));
        if (!sum)
            return true;
        total = *sum;
    }
    return false;
}

qsizetype lineCount(QByteArrayView bytes)
{
    return std::max<qsizetype>(1, bytes.count('\n') + (bytes.endsWith('\n') ? 0 : 1));
}

// The merge for any ledger: where each entry stands in the recovery point (its first place not
// yet passed, the later ones chained from it), and how many of it are missing now. Entries only
// the ledger holds stay before the next entry both hold.
template<typename Restore, typename Keep>
void mergeByPlaces(const LedgerEntries &before, const LedgerEntries &now, Restore restore, Keep keep,
                   LedgerEntries &merged, QList<qsizetype> &mergedAt)
{
    struct Places
    {
        qsizetype first = -1;
        qsizetype missing = 0;
    };
    const qsizetype m = before.size(), n = now.size();
    QList<EntryKey> keys(m);
    QHash<EntryKey, Places> places;
    places.reserve(m);
    QList<qsizetype> later(m, -1);
    for (qsizetype i = m - 1; i >= 0; --i) {
        keys[i] = keyOf(before, i);
        Places &p = places[keys[i]];
        later[i] = std::exchange(p.first, i);
        ++p.missing;
    }
    QList<Places *> nowPlaces(n, nullptr);
    for (qsizetype j = 0; j < n; ++j) {
        if (auto found = places.find(keyOf(now, j)); found != places.end()) {
            nowPlaces[j] = &*found;
            --found->missing;
        }
    }
    qsizetype next = 0; // the first entry of the recovery point not yet passed
    const auto restoreUpTo = [&](qsizetype end) {
        for (; next < end; ++next) {
            qsizetype &count = places[keys[next]].missing;
            if (count <= 0)
                continue; // the ledger holds it elsewhere: it comes from there
            --count;
            restore(next);
        }
    };
    QList<qsizetype> added; // entries only the ledger holds, waiting for the next common one
    const auto putAdded = [&] {
        for (qsizetype j : std::as_const(added)) {
            mergedAt[j] = merged.size();
            merged.appendFrom(now, j);
        }
        added.clear();
    };
    for (qsizetype j = 0; j < n; ++j) {
        // Its next place at or after the entries passed, if it has one.
        qsizetype place = -1;
        if (Places *at = nowPlaces[j]) {
            while (at->first >= 0 && at->first < next)
                at->first = later[at->first];
            place = at->first;
        }
        if (place < 0) {
            added.append(j);
            continue;
        }
        restoreUpTo(place);
        putAdded();
        keep(j, place);
        next = place + 1;
    }
    restoreUpTo(m);
    putAdded();
}

} // namespace

RecoveryMerge mergeRecoveryPoint(QByteArrayView recovery, QByteArrayView ledger)
{
    RecoveryMerge result;
    const LedgerLoad now = ReadLedgerBytes(ledger);
    // A ledger without entries, or of plain ASCII, has not shown its character set; the recovery
    // point shows its own.
    const bool decided = ledger.startsWith(Utf8Bom) || (!now.entries.isEmpty() && now.encodingShown);
    const LedgerLoad before = ReadLedgerBytes(recovery, 64 * 1024,
                                              decided ? std::optional(now.encoding) : std::nullopt);
    if (std::any_of(before.unread.begin(), before.unread.end(),
                    [](const UnreadLines &u) { return u.reason == LedgerReadError::TooManyEntries; })) {
        result.tooLarge = true;
        return result;
    }
    const LedgerEncoding encoding = result.encoding = decided ? now.encoding : before.encoding;

    // Lines neither can read are not lost when the ledger still holds them.
    QHash<QByteArray, qsizetype> stillHeld;
    for (const UnreadLines &u : now.unread)
        ++stillHeld[u.bytes];
    for (const UnreadLines &u : before.unread) {
        if (qsizetype &held = stillHeld[u.bytes]; held > 0)
            --held;
        else
            result.unreadable += lineCount(u.bytes);
    }

    const qsizetype m = before.entries.size(), n = now.entries.size();
    LedgerEntries merged;
    merged.reserve(m + n);
    QList<qsizetype> mergedAt(n); // where each entry of the ledger stands in `merged`
    const auto restore = [&](qsizetype i) {
        // Texts the ledger's character set cannot hold cannot come back.
        if (!before.entries.standardDateTime(i)
            && ledgerLine(before.entries.dateText(i), before.entries.timeText(i), Money(), encoding).isEmpty()) {
            ++result.unreadable;
            return;
        }
        if (result.restoredAt < 0)
            result.restoredAt = merged.size();
        merged.appendFrom(before.entries, i);
        result.restored.appendFrom(before.entries, i);
    };
    const auto keepAt = [&](qsizetype j, qsizetype i) {
        mergedAt[j] = merged.size();
        merged.appendFrom(before.entries, i); // as the recovery point held it, 12.5 and all
    };

    // Nearly every undo follows this program's deletion or clearing: the ledger holds entries
    // of the recovery point in their order and nothing else. Then each of its entries is the
    // first of its kind not yet passed, found by walking both once, and every one passed over
    // is missing; only other ledgers need the places of every entry.
    QList<qsizetype> inOrder(n);
    qsizetype matched = 0;
    EntryKey wanted = n > 0 ? keyOf(now.entries, 0) : EntryKey();
    for (qsizetype i = 0; i < m && matched < n; ++i) {
        if (keyOf(before.entries, i) != wanted)
            continue;
        inOrder[matched++] = i;
        if (matched < n)
            wanted = keyOf(now.entries, matched);
    }
    if (matched == n) {
        qsizetype i = 0;
        for (qsizetype j = 0; j < n; ++j, ++i) {
            for (; i < inOrder[j]; ++i)
                restore(i);
            keepAt(j, i);
        }
        for (; i < m; ++i)
            restore(i);
    } else {
        mergeByPlaces(before.entries, now.entries, restore, keepAt, merged, mergedAt);
    }

    // Each line the ledger could not read stays just before the entry it preceded.
    QList<UnreadLines> keep = now.unread;
    for (UnreadLines &u : keep)
        u.entriesBefore = u.entriesBefore < n ? mergedAt[u.entriesBefore] : merged.size();
    const auto bytes = ledgerFileBytes(merged, keep, encoding);
    result.unwritable = !bytes;
    result.merged = bytes.value_or(QByteArray());
    result.beyondLimits = beyondLimits(merged) && !beyondLimits(now.unread);
    return result;
}
