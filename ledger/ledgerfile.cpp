#include "ledgerfile.h"

#include "datetext.h"
#include "decimal.h"
#include "ledgertotals.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr char Codec[] = "windows-31j"; // CP932 as Windows writes it, not plain Shift_JIS
constexpr qsizetype ReadChunk = 64 * 1024;

// 年, 月 and 日 in CP932: the only non-ASCII bytes of the program's own date texts.
constexpr char Nen[] = "\x94\x4E";
constexpr char Tsuki[] = "\x8C\x8E";
constexpr char Hi[] = "\x93\xFA";

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

constexpr QByteArrayView Utf8Bom = "\xEF\xBB\xBF";

// Decodes field bytes onto the end of a text buffer, in the file's character set, which the
// first text that is not plain ASCII decides. The program's own texts take a fast path; anything
// else goes through a converter. Control bytes never belong to a field.
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
    bool decodeInto(QByteArrayView bytes, QString &out)
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
        // The program's own date text in CP932 (never valid UTF-8), without a converter.
        if (isOwnDateText(bytes) && (!m_decided || m_encoding == LedgerEncoding::Cp932)) {
            setEncoding(LedgerEncoding::Cp932);
            const auto d = [&](int i) { return QLatin1Char(bytes[i]); };
            const QChar text[] = { d(0),  d(1),  d(2),         d(3),  QChar(u'年'), d(6),
                                   d(7),  QChar(u'月'), d(10), d(11), QChar(u'日') };
            out.append(text, std::size(text));
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
            m_cp932.emplace(Codec, QStringConverter::Flag::Stateless);
        const QString text = m_cp932->decode(bytes);
        // ICU maps some invalid bytes to U+001A or U+FFFD instead of flagging them.
        if (m_cp932->hasError() || text.contains(QChar(0xFFFD)) || text.contains(QChar(0x1A))) {
            m_cp932.reset();
            return false;
        }
        out += text;
        return true;
    }

private:
    static bool isOwnDateText(QByteArrayView b)
    {
        return b.size() == 14 && isAsciiDigit(b[0]) && isAsciiDigit(b[1]) && isAsciiDigit(b[2])
            && isAsciiDigit(b[3]) && b.sliced(4, 2) == Nen && isAsciiDigit(b[6])
            && isAsciiDigit(b[7]) && b.sliced(8, 2) == Tsuki && isAsciiDigit(b[10])
            && isAsciiDigit(b[11]) && b.sliced(12, 2) == Hi;
    }

    // The text when the bytes are valid UTF-8.
    static std::optional<QString> decodeUtf8(QByteArrayView bytes)
    {
        // A byte-order mark inside a field is a character of it, not one to drop.
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless
                                       | QStringConverter::Flag::ConvertInitialBom);
        QString text = decoder.decode(bytes);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }

    LedgerEncoding m_encoding = LedgerEncoding::Cp932;
    bool m_decided = false;
    std::optional<QStringDecoder> m_cp932;
};

// The ledger's stream reader. Written by hand because it must read fields three at a time across
// line ends, as the file format has always been read, and keep the bytes it cannot read.
// It is fed the file in pieces that end after a line feed, so it never needs the whole file in
// memory; an entry that runs past the end of a piece is read again from its start with the next.
class LedgerReader
{
public:
    LedgerReader(LedgerLoad &load, qint64 fileSize) : m_load(load)
    {
        // Generous: pages reserved but never written cost nothing. Texts go to the buffer only
        // when they are not in the program's own form, which is rare: it grows as it needs.
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
        if (m_base == 0 && data.startsWith(Utf8Bom)) {
            m_decoder.setEncoding(LedgerEncoding::Utf8WithBom);
            m_pos = Utf8Bom.size();
        }
        if (m_overLimit) {
            m_load.unread.last().bytes += data;
            m_pos = m_n;
        }
        QString &texts = m_load.entries.textBuffer();
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
            const qsizetype textStart = texts.size();
            const bool dateRead = m_decoder.decodeInto(fields[0], texts);
            const qsizetype dateLength = texts.size() - textStart;
            const bool timeRead = dateRead && m_decoder.decodeInto(fields[1], texts);
            std::optional<LedgerReadError> error;
            if (!timeRead)
                error = LedgerReadError::BadEncoding;
            else if (dateLength > LedgerEntries::MaxTextLength
                     || texts.size() - textStart - dateLength > LedgerEntries::MaxTextLength)
                error = LedgerReadError::Malformed;
            const auto newTotal = m_total.checkedAdd(*amount);
            if (!error && !newTotal)
                error = LedgerReadError::TotalOutOfRange;
            if (error) {
                texts.truncate(textStart);
                giveUpEntry(*error, start, startLine);
                continue;
            }
            m_total = *newTotal;
            m_load.entries.appendDecoded(textStart, dateLength, *amount);
        }
        m_base += m_pos;
        m_load.encoding = m_decoder.encoding();
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
        constexpr qsizetype Fixed = 28;
        constexpr qsizetype MostDigits = 12; // as the plain decimal reader's own fast path
        if (m_decoder.decided() && m_decoder.encoding() != LedgerEncoding::Cp932)
            return false;
        const char *p = m_p + m_pos;
        const qsizetype left = m_n - m_pos;
        if (left < Fixed + 2)
            return false;
        const auto bytes = [&](qsizetype at, const char *text, std::size_t n) {
            return std::memcmp(p + at, text, n) == 0;
        };
        const auto digits = [&](qsizetype at, qsizetype n) {
            for (qsizetype k = at; k < at + n; ++k) {
                if (!isAsciiDigit(p[k]))
                    return false;
            }
            return true;
        };
        if (p[0] != '"' || !bytes(5, Nen, 2) || !bytes(9, Tsuki, 2) || !bytes(13, "\x93\xFA\",\"", 5)
            || p[20] != ':' || p[23] != ':' || !bytes(26, "\",", 2) || !digits(1, 4)
            || !digits(7, 2) || !digits(11, 2) || !digits(18, 2) || !digits(21, 2)
            || !digits(24, 2))
            return false;
        qsizetype i = Fixed;
        qint64 yen = 0;
        for (; i < left && i - Fixed < MostDigits && isAsciiDigit(p[i]); ++i)
            yen = yen * 10 + (p[i] - '0');
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

        const auto number = [&](qsizetype from, qsizetype count) {
            int value = 0;
            for (qsizetype k = from; k < from + count; ++k)
                value = value * 10 + (p[k] - '0');
            return value;
        };
        m_load.entries.append(StandardDateTime { number(1, 4), number(7, 2), number(11, 2),
                                                 number(18, 2), number(21, 2), number(24, 2) },
                              amount);
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
    Money m_total;
    FieldDecoder m_decoder;
};


// A quote would break the field, and control characters have no place in it.
bool fitsInAField(QStringView text)
{
    return std::none_of(text.begin(), text.end(), [](QChar c) {
        return c == u'"' || c.unicode() < 0x20 || c.unicode() == 0x7F;
    });
}

std::optional<QByteArray> encodeOther(QStringView text, LedgerEncoding encoding)
{
    if (!fitsInAField(text))
        return std::nullopt;
    if (encoding != LedgerEncoding::Cp932)
        return text.toUtf8();
    QStringEncoder encoder(Codec, QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes;
}

// Appends the bytes of a text field; the program's own date and time texts skip the converter.
// False when the text cannot be written; `out` may then hold part of it.
bool appendField(QByteArray &out, QStringView text, LedgerEncoding encoding)
{
    const qsizetype start = out.size();
    if (encoding == LedgerEncoding::Cp932) {
        bool plain = true;
        for (QChar c : text) {
            const char16_t u = c.unicode();
            if (u >= 0x20 && u < 0x7F && u != u'"')
                out += char(u);
            else if (u == u'年')
                out += Nen;
            else if (u == u'月')
                out += Tsuki;
            else if (u == u'日')
                out += Hi;
            else {
                plain = false;
                break;
            }
        }
        if (plain)
            return true;
        out.truncate(start);
    }
    const auto other = encodeOther(text, encoding);
    if (!other)
        return false;
    out += *other;
    return true;
}

// Appends one line; false, with `out` as it was, when a text cannot be written.
bool appendLedgerLine(QByteArray &out, QStringView dateText, QStringView timeText, Money amount,
                      LedgerEncoding encoding)
{
    const qsizetype start = out.size();
    out += '"';
    if (!appendField(out, dateText, encoding)) {
        out.truncate(start);
        return false;
    }
    out += "\",\"";
    if (!appendField(out, timeText, encoding)) {
        out.truncate(start);
        return false;
    }
    out += "\",";
    out += plainDecimalText(amount);
    out += "\r\n";
    return true;
}

LedgerStatus failed(const FileResult &result, const QString &path)
{
    return { result.failure, QFileInfo(path).absoluteFilePath(), result.error };
}

} // namespace

// The line of an entry in the program's own form, in CP932, straight from its digits.
static void appendStandardLine(QByteArray &out, const StandardDateTime &t, Money amount)
{
    const auto digits = [&](int value, int count) {
        char text[4];
        for (int i = count - 1; i >= 0; --i) {
            text[i] = char('0' + value % 10);
            value /= 10;
        }
        out.append(text, count);
    };
    out += '"';
    digits(t.year, 4);
    out += Nen;
    digits(t.month, 2);
    out += Tsuki;
    digits(t.day, 2);
    out += Hi;
    out += "\",\"";
    digits(t.hour, 2);
    out += ':';
    digits(t.minute, 2);
    out += ':';
    digits(t.second, 2);
    out += "\",";
    out += plainDecimalText(amount);
    out += "\r\n";
}

QByteArray ledgerLine(QStringView dateText, QStringView timeText, Money amount,
                      LedgerEncoding encoding)
{
    QByteArray line;
    line.reserve(dateText.size() * 2 + timeText.size() + 28);
    appendLedgerLine(line, dateText, timeText, amount, encoding);
    return line;
}

// Feeds the reader what `read` gives, in pieces of `pieceSize` bytes or more that end after a
// line feed; false when `read` fails.
static bool readPieces(LedgerLoad &load, qint64 size, qsizetype pieceSize,
                       const std::function<qint64(char *, qint64)> &read)
{
    LedgerReader reader(load, size);
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

LedgerLoad ReadLedgerBytes(QByteArrayView bytes, qsizetype pieceSize)
{
    LedgerLoad load;
    qsizetype pos = 0;
    readPieces(load, bytes.size(), pieceSize, [&](char *to, qint64 most) {
        const qsizetype n = std::min<qsizetype>(qsizetype(most), bytes.size() - pos);
        if (n > 0) // an empty view may have no data pointer at all
            std::memcpy(to, bytes.data() + pos, std::size_t(n));
        pos += n;
        return qint64(n);
    });
    return load;
}

// A rewrite writes to "<name>.XXXXXX" beside the file and renames it over; a process killed in
// between leaves that file behind.
static void removeStaleTemporaryFiles(const QString &path)
{
    const QFileInfo info(path);
    const QString name = QRegularExpression::escape(info.fileName());
    static const QString pattern = u"^%1(\\.bak)?\\.[A-Za-z0-9]{6}$"_s;
    const QRegularExpression temporary(pattern.arg(name));
    QDir dir = info.absoluteDir();
    const QStringList candidates =
            dir.entryList({ info.fileName() + u".*"_s }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &candidate : candidates) {
        if (temporary.match(candidate).hasMatch())
            dir.remove(candidate);
    }
}

LedgerLoad LoadLedger(const QString &path)
{
    removeStaleTemporaryFiles(path);
    LedgerLoad load;
    OpenedFile file = openRegularFile(path, O_RDONLY, true);
    if (file.result.ok() && file.st.st_size > MaxLedgerBytes)
        file.result = { FileFailure::TooLarge, 0 };
    if (!file.result.ok()) {
        load.status = failed(file.result, path);
        return load;
    }
    load.created = file.created;
    FileResult read;
    ContentDigest content;
    const int fd = file.handle.fd();
    const bool complete = readPieces(load, file.st.st_size, ReadChunk, [&](char *to, qint64 most) {
        ssize_t got;
        do
            got = ::read(fd, to, std::size_t(most));
        while (got < 0 && errno == EINTR);
        if (got < 0)
            read = { FileFailure::Read, errno };
        else if (content.length() + got > MaxLedgerBytes) // it grew while being read
            read = { FileFailure::TooLarge, 0 };
        if (!read.ok())
            return qint64(-1);
        content.add(QByteArrayView(to, got));
        return qint64(got);
    });
    struct stat st {};
    if (complete && ::fstat(fd, &st) != 0)
        read = { FileFailure::Read, errno };
    if (!read.ok()) {
        load = {};
        load.status = failed(read, path);
        return load;
    }
    load.stamp = { st.st_dev, st.st_ino, st.st_mtim, st.st_ctim, std::move(content), true };
    return load;
}

LedgerStatus AppendLedgerEntry(const QString &path, Money amount, const QDateTime &now,
                               LedgerEncoding encoding, FileStamp *seen)
{
    QByteArray bytes = ledgerLine(dateText(now.date()), timeText(now.time()), amount, encoding);
    const OpenedFile file = openRegularFile(path, O_RDWR | O_APPEND, true);
    if (!file.result.ok())
        return failed(file.result, path);
    if (file.st.st_size > MaxLedgerBytes) // not a ledger: never written to
        return failed({ FileFailure::TooLarge, 0 }, path);
    const int fd = file.handle.fd();
    const off_t size = file.st.st_size;
    if (size > 0) {
        char tail[3] = {};
        const off_t from = std::max<off_t>(0, size - 3);
        if (::pread(fd, tail, std::size_t(size - from), from) != size - from)
            return failed({ FileFailure::Read, errno }, path);
        // A last line without its end gets one; a byte-order mark alone is no line.
        if (tail[size - from - 1] != '\n' && !(size == 3 && QByteArrayView(tail, 3) == Utf8Bom))
            bytes.prepend("\r\n");
    }
    const bool asSeen = seen && seen->sameInode(file.st);
    if (const FileResult written = writeAllBytes(fd, bytes); !written.ok()) {
        (void)::ftruncate(fd, size); // never leave a partial line behind
        return failed(written, path);
    }
    if (::fdatasync(fd) != 0)
        return failed({ FileFailure::Flush, errno }, path);
    if (seen) {
        struct stat after {};
        // Another writer between the two looks shows in the size.
        if (asSeen && ::fstat(fd, &after) == 0 && after.st_size == size + bytes.size()) {
            seen->content.add(bytes);
            seen->modified = after.st_mtim;
            seen->changed = after.st_ctim;
        } else {
            seen->valid = false;
        }
    }
    return {};
}

// The ledger's replacement, written where the ledger really is.
static LedgerStatus replaceLedger(const QString &path, QByteArrayView bytes,
                                  const FileStamp *expected)
{
    FileResult result;
    const QString target = replacementTarget(path, result);
    if (!result.ok())
        return failed(result, path);
    struct stat like {};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &like) == 0;
    if (expected && !exists)
        return failed({ FileFailure::Changed, 0 }, path);
    result = replaceFile(target, bytes, exists ? &like : nullptr, expected);
    return result.ok() ? LedgerStatus {} : failed(result, path);
}

LedgerStatus RewriteLedger(const QString &path, const LedgerEntries &entries,
                           const QList<UnreadLines> &keep, LedgerEncoding encoding,
                           const FileStamp *expected)
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
        if (encoding == LedgerEncoding::Cp932) {
            if (const auto standard = entries.standardDateTime(i)) {
                appendStandardLine(bytes, *standard, entries.amount(i));
                continue;
            }
        }
        if (!appendLedgerLine(bytes, entries.dateText(i), entries.timeText(i), entries.amount(i),
                              encoding))
            return failed({ FileFailure::Encode, 0 }, path);
    }
    putKept(std::numeric_limits<qsizetype>::max());
    return replaceLedger(path, bytes, expected);
}

LedgerStatus EmptyLedger(const QString &path, const FileStamp *expected)
{
    return replaceLedger(path, {}, expected);
}

QString ledgerBackupPath(const QString &path)
{
    return path + u".bak"_s;
}

LedgerStatus BackUpLedger(const QString &path, const FileStamp *expected)
{
    const OpenedFile ledger = openRegularFile(path, O_RDONLY);
    if (!ledger.result.ok())
        return failed(ledger.result, path);
    QByteArray bytes;
    FileStamp now { ledger.st.st_dev, ledger.st.st_ino, {}, {}, {}, true };
    if (const FileResult read = readAllBytes(ledger.handle.fd(), bytes, &now.content); !read.ok())
        return failed(read, path);
    if (expected && !now.sameContent(*expected))
        return failed({ FileFailure::Changed, 0 }, path);
    const QString backup = ledgerBackupPath(path);
    struct stat old {};
    if (bytes.isEmpty() && ::lstat(QFile::encodeName(backup).constData(), &old) == 0
        && S_ISREG(old.st_mode) && old.st_size > 0)
        return {};
    const FileResult replaced = replaceFile(backup, bytes, &ledger.st);
    return replaced.ok() ? LedgerStatus {} : failed(replaced, backup);
}
