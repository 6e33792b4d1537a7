// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The amount parser on arbitrary text, and the ledger's plain amount field on arbitrary bytes:
// whatever reads as money formats back to text that reads as the same (or the displayed) value.
#include "amount.h"
#include "decimal.h"
#include "require.h"

#include <QString>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);

    if (const auto plain = parsePlainDecimal(bytes)) {
        const QByteArray text = plainDecimalText(*plain);
        REQUIRE(parsePlainDecimal(std::string_view(text.constData(), std::size_t(text.size())))
                == plain);
    }

    const QString typed = QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
    if (const auto amount = parseAmount(typed)) {
        const QString shown = currencyText(*amount);
        const auto back = parseAmount(shown);
        // Within half a yen of the range's ends the shown value cannot be read back.
        if (back)
            REQUIRE(*back == displayedAmount(*amount));
        else
            REQUIRE(displayedAmount(*amount) == *amount);
    }
    return 0;
}
