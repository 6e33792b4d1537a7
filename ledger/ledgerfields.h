// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ledgerformat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>
#include <QStringView>

#include <optional>

// The text fields of a ledger line and their bytes, in the file's character set.

inline constexpr char Cp932Codec[] = "windows-31j"; // CP932 as Windows writes it, not plain Shift_JIS
inline constexpr QByteArrayView Utf8Bom = "\xEF\xBB\xBF";

// Decodes field bytes onto the end of a text, in the file's character set, which the first field
// that is not plain ASCII decides. Control bytes never belong to a field.
class FieldDecoder
{
public:
    void setEncoding(LedgerEncoding encoding)
    {
        m_encoding = encoding;
        m_decided = true;
    }
    LedgerEncoding encoding() const { return m_encoding; }
    bool decided() const { return m_decided; }

    // False, with `out` unchanged, when the bytes are not text in the file's character set.
    bool decodeInto(QByteArrayView bytes, QString &out);

private:
    LedgerEncoding m_encoding = LedgerEncoding::Cp932;
    bool m_decided = false;
    std::optional<QStringDecoder> m_cp932;
};

// The bytes of a text field; nothing when the text holds a double quote, a control character or
// a character the encoding cannot hold.
std::optional<QByteArray> encodeField(QStringView text, LedgerEncoding encoding);
