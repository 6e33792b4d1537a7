// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerfields.h"

#include <QStringEncoder>

#include <algorithm>

namespace {

// The text when the bytes are valid UTF-8.
std::optional<QString> decodeUtf8(QByteArrayView bytes)
{
    // A byte-order mark inside a field is a character of it, not one to drop.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless
                                   | QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

bool FieldDecoder::decodeInto(QByteArrayView bytes, QString &out)
{
    bool ascii = true;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F)
            return false;
        ascii = ascii && b < 0x80;
    }
    if (ascii) {
        out += QLatin1StringView(bytes);
        return true;
    }
    const auto utf8 = decodeUtf8(bytes);
    if (!m_decided)
        setEncoding(utf8 ? LedgerEncoding::Utf8 : LedgerEncoding::Cp932);
    if (m_encoding != LedgerEncoding::Cp932) {
        if (!utf8)
            return false;
        out += *utf8;
        return true;
    }
    // UTF-8 text in a CP932 file would read as other characters without any error.
    if (utf8)
        return false;
    // Qt's converter keeps its error flag once set, so a fresh one follows every error.
    if (!m_cp932)
        m_cp932.emplace(Cp932Codec, QStringConverter::Flag::Stateless);
    const QString text = m_cp932->decode(bytes);
    // ICU maps some invalid bytes to U+001A or U+FFFD instead of flagging them.
    if (m_cp932->hasError() || text.contains(QChar(0xFFFD)) || text.contains(QChar(0x1A))) {
        m_cp932.reset();
        return false;
    }
    out += text;
    return true;
}

std::optional<QByteArray> encodeField(QStringView text, LedgerEncoding encoding)
{
    // A quote would break the field, and control characters have no place in it.
    if (std::any_of(text.begin(), text.end(), [](QChar c) {
            return c == u'"' || c.unicode() < 0x20 || c.unicode() == 0x7F;
        }))
        return std::nullopt;
    if (encoding != LedgerEncoding::Cp932)
        return text.toUtf8();
    QStringEncoder encoder(Cp932Codec, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}
