// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The undo's merge on an arbitrary recovery point and ledger, split at the first NUL byte. Beyond
// not crashing: every entry and every unread line of the ledger stays, in order; each entry of the
// recovery point the ledger lacks comes back exactly once; undoing again brings back nothing.
#include "amount.h"
#include "ledgerreader.h"
#include "ledgertotals.h"
#include "ledgerundo.h"
#include "require.h"

#include <QHash>

#include <cstdint>

namespace {

// An entry as the undo compares it, written out independently of the program's own key.
QString keyOf(const LedgerEntries &entries, qsizetype row)
{
    return entries.dateText(row) + u'\n' + entries.timeText(row) + u'\n' + QString::number(rewrittenAmount(entries.amount(row)).raw());
}

QHash<QString, qsizetype> counted(const LedgerEntries &entries)
{
    QHash<QString, qsizetype> counts;
    for (qsizetype i = 0; i < entries.size(); ++i)
        ++counts[keyOf(entries, i)];
    return counts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = input.indexOf('\0');
    const QByteArrayView recovery = nul < 0 ? input : input.first(nul);
    const QByteArrayView ledger = nul < 0 ? QByteArrayView() : input.sliced(nul + 1);
    const RecoveryMerge merge = mergeRecoveryPoint(recovery, ledger);
    if (merge.tooLarge || merge.unwritable)
        return 0;
    // The ledger's unread lines, verbatim and in order.
    const LedgerLoad now = ReadLedgerBytes(ledger);
    qsizetype from = 0;
    for (const UnreadLines &u : now.unread) {
        from = merge.merged.indexOf(u.bytes, from);
        REQUIRE(from >= 0);
        from += u.bytes.size();
    }
    // Read again, a line the ledger could not read may run on into the entry after it, as after
    // any rewrite that keeps such lines: the rest is checked where there is none.
    const LedgerLoad after = ReadLedgerBytes(merge.merged, 64 * 1024, merge.encoding);
    if (!now.unread.isEmpty() || merge.beyondLimits || after.entries.size() == LedgerTotals::MaxEntries)
        return 0;
    REQUIRE(mergeRecoveryPoint(recovery, merge.merged).restored.isEmpty());
    // The ledger's entries, in order, among the others.
    REQUIRE(after.entries.size() == now.entries.size() + merge.restored.size());
    qsizetype matched = 0;
    for (qsizetype i = 0; i < after.entries.size() && matched < now.entries.size(); ++i)
        matched += keyOf(after.entries, i) == keyOf(now.entries, matched);
    REQUIRE(matched == now.entries.size());
    // What came back is what the ledger lacked, once.
    const QHash<QString, qsizetype> before = counted(ReadLedgerBytes(recovery, 64 * 1024, merge.encoding).entries),
                                    held = counted(now.entries), restored = counted(merge.restored);
    for (auto it = restored.begin(); it != restored.end(); ++it)
        REQUIRE(it.value() <= before.value(it.key()) - held.value(it.key()));
    return 0;
}
