// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ledgerreader.h"

#include "datetext.h"
#include "decimal.h"
#include "ledgerfields.h"
#include "ledgertotals.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr qsizetype MaxTextLength = 255; // longer texts are not dates or times

// The ledger's stream reader. Written by hand because it must read fields three at a time across
// line ends, as the file format has always been read, and keep the bytes it cannot read.
// It is fed the file in pieces that end after a line feed, so it never needs the whole file in
// memory; an entry that runs past the end of a piece is read again from its start with the next.
class LedgerReader
{
public:
    LedgerReader(LedgerLoad &load, qint64 fileSize, std::optional<LedgerEncoding> encoding)
        : m_load(load), m_forced(encoding.has_value())
    {
        if (encoding)
            m_decoder.setEncoding(*encoding);
        // Generous: pages reserved but never written cost nothing.
        const qsizetype rows = std::min<qsizetype>(fileSize / 16 + 1, LedgerTotals::MaxEntries);
        m_load.entries.reserve(rows);
    }

    // Reads what `data` holds; returns how many of its bytes are done with. Unless `atEof`, data
    // ends after a line feed.
    qsizetype feed(QByteArrayView data, bool atEof)
    {
        m_p = data.data();
        m_n = data.size();
        m_pos = 0;
        m_eof = atEof;
        // In CP932 those three bytes are text, to be read as any other.
        if (m_base == 0 && data.startsWith(Utf8Bom) && !(m_forced && m_decoder.encoding() == LedgerEncoding::Cp932)) {
            if (!m_forced)
                m_decoder.setEncoding(LedgerEncoding::Utf8WithBom);
            m_pos = Utf8Bom.size();
        }
        if (m_overLimit) {
            m_load.unread.last().bytes += data;
            m_pos = m_n;
        }
        while (!m_overLimit && skipBetweenEntries()) {
            const qsizetype start = m_pos;
            const int startLine = m_line;
            if (m_load.entries.size() == LedgerTotals::MaxEntries) {
                m_overLimit = true;
                m_pos = m_n;
                keepUnread(LedgerReadError::TooManyEntries, start, startLine);
                break;
            }
            if (readOwnLine())
                continue;
            QByteArrayView fields[3];
            const Fields read = readFields(fields);
            if (read == Fields::NeedMore) {
                m_pos = start;
                m_line = startLine;
                break;
            }
            if (read != Fields::Read) {
                giveUpEntry(read == Fields::TooFew ? LedgerReadError::TooFewFields
                                                   : LedgerReadError::Malformed,
                            start, startLine);
                continue;
            }
            bool outOfRange = false;
            const auto amount = parsePlainDecimal(
                    std::string_view(fields[2].data(), std::size_t(fields[2].size())), &outOfRange);
            if (!amount) {
                giveUpEntry(outOfRange ? LedgerReadError::AmountOutOfRange
                                       : LedgerReadError::BadAmount,
                            start, startLine);
                continue;
            }
            m_date.clear();
            m_time.clear();
            std::optional<LedgerReadError> error;
            if (!m_decoder.decodeInto(fields[0], m_date) || !m_decoder.decodeInto(fields[1], m_time))
                error = LedgerReadError::BadEncoding;
            else if (m_date.size() > MaxTextLength || m_time.size() > MaxTextLength)
                error = LedgerReadError::Malformed;
            const auto newTotal = m_total.checkedAdd(*amount);
            if (!error && !newTotal)
                error = LedgerReadError::TotalOutOfRange;
            if (error) {
                giveUpEntry(*error, start, startLine);
                continue;
            }
            m_total = *newTotal;
            m_load.entries.append(m_date, m_time, *amount);
        }
        m_base += m_pos;
        m_load.encoding = m_decoder.encoding();
        m_load.encodingShown = m_decoder.decided();
        return m_pos;
    }

private:
    enum class Fields { Read, NeedMore, TooFew, Malformed };

    // A line exactly as the program writes it, "YYYY年MM月DD日","HH:MM:SS",<whole yen> and its
    // line end, read straight into the entries: nearly every line of a real ledger is one.
    // Anything else, however slightly different, takes the general way, which reads these lines
    // to the same entry.
    bool readOwnLine()
    {
        // "YYYY年MM月DD日","HH:MM:SS", with Y, M, D, H, M and S any digit.
        constexpr qsizetype Date = 1, Time = Date + StandardDateTime::Cp932DateSize + 3;
        constexpr qsizetype Fixed = Time + StandardDateTime::Cp932TimeSize + 2;
        if (m_decoder.decided() && m_decoder.encoding() != LedgerEncoding::Cp932)
            return false;
        const char *p = m_p + m_pos;
        const qsizetype left = m_n - m_pos;
        if (left < Fixed + 2)
            return false;
        if (p[0] != '"' || std::memcmp(p + Time - 3, "\",\"", 3) != 0 || std::memcmp(p + Fixed - 2, "\",", 2) != 0)
            return false;
        const auto dateTime = StandardDateTime::fromCp932(QByteArrayView(p + Date, StandardDateTime::Cp932DateSize),
                                                           QByteArrayView(p + Time, StandardDateTime::Cp932TimeSize));
        if (!dateTime)
            return false;
        qint64 yen = 0;
        qsizetype i = Fixed + qsizetype(readPlainDigits(std::string_view(p + Fixed, std::size_t(left - Fixed)), yen));
        if (i == Fixed || i == left)
            return false;
        if (p[i] == '\r' && i + 1 < left && p[i + 1] == '\n')
            i += 2;
        else if (p[i] == '\n')
            i += 1;
        else
            return false;
        const Money amount = Money::fromRaw(yen * Money::Scale);
        const auto newTotal = m_total.checkedAdd(amount);
        if (!newTotal)
            return false;

        m_load.entries.append(*dateTime, amount);
        m_decoder.setEncoding(LedgerEncoding::Cp932);
        m_total = *newTotal;
        m_pos += i;
        ++m_line;
        return true;
    }

    bool atEnd() const { return m_pos >= m_n; }
    bool isSpace() const { return m_p[m_pos] == ' ' || m_p[m_pos] == '\t'; }
    bool isLineEnd() const { return m_p[m_pos] == '\r' || m_p[m_pos] == '\n'; }

    void skipSpaces()
    {
        while (!atEnd() && isSpace())
            ++m_pos;
    }

    // CR LF, LF or a lone CR.
    void consumeLineEnd()
    {
        if (m_p[m_pos] == '\r' && m_pos + 1 < m_n && m_p[m_pos + 1] == '\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
    }

    void skipRestOfLine()
    {
        while (!atEnd() && !isLineEnd())
            ++m_pos;
        if (!atEnd())
            consumeLineEnd();
    }

    // Passes over blank lines; false at the end of the data.
    bool skipBetweenEntries()
    {
        while (!atEnd() && (isSpace() || isLineEnd())) {
            if (isSpace())
                ++m_pos;
            else
                consumeLineEnd();
        }
        return !atEnd();
    }

    Fields readFields(QByteArrayView (&fields)[3])
    {
        for (int f = 0; f < 3; ++f) {
            skipSpaces();
            if (atEnd())
                return m_eof ? Fields::TooFew : Fields::NeedMore;
            if (m_p[m_pos] == '"') {
                qsizetype close = m_pos + 1;
                while (close < m_n && m_p[close] != '"' && m_p[close] != '\r' && m_p[close] != '\n')
                    ++close;
                if (close >= m_n)
                    return Fields::TooFew; // only at the end of the file: pieces end in a line feed
                if (m_p[close] != '"')
                    return Fields::Malformed;
                fields[f] = QByteArrayView(m_p + m_pos + 1, close - m_pos - 1);
                m_pos = close + 1;
                skipSpaces();
                if (!atEnd() && m_p[m_pos] != ',' && !isLineEnd())
                    return Fields::Malformed;
            } else {
                qsizetype end = m_pos;
                while (end < m_n && m_p[end] != ',' && m_p[end] != '\r' && m_p[end] != '\n')
                    ++end;
                qsizetype last = end;
                while (last > m_pos && (m_p[last - 1] == ' ' || m_p[last - 1] == '\t'))
                    --last;
                fields[f] = QByteArrayView(m_p + m_pos, last - m_pos);
                m_pos = end;
            }
            if (atEnd()) {
                if (f < 2)
                    return m_eof ? Fields::TooFew : Fields::NeedMore;
            } else if (m_p[m_pos] == ',') {
                ++m_pos; // after the third field, the next entry starts on the same line
            } else {
                consumeLineEnd(); // fields run on across line ends
            }
        }
        return Fields::Read;
    }

    // An entry that cannot be read costs the line it starts on and no more: reading goes on
    // with the next line, so one bad line never hides the good lines after it.
    void giveUpEntry(LedgerReadError reason, qsizetype start, int startLine)
    {
        m_pos = start;
        m_line = startLine;
        skipRestOfLine();
        keepUnread(reason, start, startLine);
    }

    void keepUnread(LedgerReadError reason, qsizetype start, int line)
    {
        m_load.unread.append({ reason, line, m_base + start, QByteArray(m_p + start, m_pos - start),
                               m_load.entries.size() });
    }

    LedgerLoad &m_load;
    const char *m_p = nullptr;
    qsizetype m_n = 0;
    qsizetype m_pos = 0;
    bool m_eof = false;
    qint64 m_base = 0; // file offset of m_p[0]
    int m_line = 1;
    bool m_overLimit = false;
    const bool m_forced;
    Money m_total;
    FieldDecoder m_decoder;
    QString m_date, m_time; // the texts of the entry being read, their buffers reused
};

} // namespace

bool readLedgerPieces(LedgerLoad &load, qint64 size, qsizetype pieceSize,
                      const std::function<qint64(char *, qint64)> &read,
                      std::optional<LedgerEncoding> encoding)
{
    LedgerReader reader(load, size, encoding);
    QByteArray buffer(std::max<qsizetype>(pieceSize, 1), Qt::Uninitialized);
    qsizetype filled = 0;
    qint64 done = 0; // bytes the reader is done with
    for (bool atEof = false; !atEof;) {
        if (filled == buffer.size()) { // an entry longer than the buffer; no bigger than the file
            const qsizetype rest = qsizetype(size - done) + 1;
            buffer.resize(rest > buffer.size() ? std::min(buffer.size() * 2, rest) : buffer.size() * 2);
        }
        const qint64 got = read(buffer.data() + filled, buffer.size() - filled);
        if (got < 0)
            return false;
        atEof = got == 0;
        filled += got;
        // The reader gets whole lines until the end of the file.
        const qsizetype usable =
                atEof ? filled : QByteArrayView(buffer.data(), filled).lastIndexOf('\n') + 1;
        const qsizetype fed = reader.feed(QByteArrayView(buffer.data(), usable), atEof);
        std::memmove(buffer.data(), buffer.data() + fed, std::size_t(filled - fed));
        filled -= fed;
        done += fed;
    }
    return true;
}

LedgerLoad ReadLedgerBytes(QByteArrayView bytes, qsizetype pieceSize, std::optional<LedgerEncoding> encoding)
{
    LedgerLoad load;
    qsizetype pos = 0;
    readLedgerPieces(load, bytes.size(), pieceSize, [&](char *to, qint64 most) {
        const qsizetype n = std::min<qsizetype>(qsizetype(most), bytes.size() - pos);
        if (n > 0) // an empty view may have no data pointer at all
            std::memcpy(to, bytes.data() + pos, std::size_t(n));
        pos += n;
        return qint64(n);
    }, encoding);
    return load;
}

