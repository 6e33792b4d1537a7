// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The ledger reader on arbitrary bytes. Beyond not crashing, it checks what the reader promises:
// every byte is either read or kept verbatim where it was, pieces of any size read the same, and
// what was read writes back and reads again unchanged.
#include "ledgerreader.h"
#include "ledgertotals.h"
#include "ledgerwriter.h"
#include "require.h"

#include <cstdint>

namespace {

bool sameLoad(const LedgerLoad &a, const LedgerLoad &b)
{
    return a.entries == b.entries && a.unread == b.unread && a.encoding == b.encoding;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const LedgerLoad whole = ReadLedgerBytes(bytes);
    REQUIRE(whole.entries.size() <= LedgerTotals::MaxEntries);

    for (const UnreadLines &u : whole.unread) {
        REQUIRE(u.offset >= 0 && u.offset + u.bytes.size() <= bytes.size());
        REQUIRE(bytes.sliced(u.offset, u.bytes.size()) == u.bytes);
        REQUIRE(u.entriesBefore <= whole.entries.size());
    }

    // The same bytes read in small pieces, as a large file is read.
    const qsizetype piece = size > 0 ? 1 + data[0] % 97 : 1;
    REQUIRE(sameLoad(whole, ReadLedgerBytes(bytes, piece)));

    // The running total of what was read stays inside the money range.
    Money total;
    for (qsizetype i = 0; i < whole.entries.size(); ++i) {
        const auto next = total.checkedAdd(whole.entries.amount(i));
        REQUIRE(next.has_value());
        total = *next;
    }

    // Entries written back in the file's encoding read again as the same entries.
    QByteArray written;
    for (qsizetype i = 0; i < whole.entries.size(); ++i) {
        const QByteArray line = ledgerLine(whole.entries.dateText(i), whole.entries.timeText(i),
                                           whole.entries.amount(i), whole.encoding);
        if (line.isEmpty())
            return 0; // a text that cannot be written back is refused, never mangled
        written += line;
    }
    if (whole.encoding == LedgerEncoding::Cp932 || !whole.entries.isEmpty()) {
        const LedgerLoad again = ReadLedgerBytes(written);
        REQUIRE(again.unread.isEmpty());
        REQUIRE(again.entries == whole.entries);
    }
    return 0;
}
