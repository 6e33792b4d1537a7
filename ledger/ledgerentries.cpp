#include "ledgerentries.h"

#include <algorithm>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// The number the digits at `from` make, or -1.
int digitsAt(QStringView text, qsizetype from, qsizetype count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        if (!isDigit(text[i]))
            return -1;
        value = value * 10 + (text[i].unicode() - u'0');
    }
    return value;
}

void putDigits(QChar *&out, int value, int count)
{
    for (int i = count - 1; i >= 0; --i) {
        out[i] = QChar(u'0' + value % 10);
        value /= 10;
    }
    out += count;
}

// Year 14 bits, the rest 7 bits each.
quint64 pack(const StandardDateTime &t)
{
    return quint64(t.year) << 35 | quint64(t.month) << 28 | quint64(t.day) << 21
         | quint64(t.hour) << 14 | quint64(t.minute) << 7 | quint64(t.second);
}

StandardDateTime unpack(quint64 bits)
{
    const auto field = [&](int shift, quint64 mask) { return int((bits >> shift) & mask); };
    return { field(35, 0x3FFF), field(28, 0x7F), field(21, 0x7F),
             field(14, 0x7F),   field(7, 0x7F),  field(0, 0x7F) };
}

} // namespace

std::optional<StandardDateTime> StandardDateTime::fromTexts(QStringView date, QStringView time)
{
    if (date.size() != 11 || time.size() != 8 || date[4] != u'年' || date[7] != u'月'
        || date[10] != u'日' || time[2] != u':' || time[5] != u':')
        return std::nullopt;
    const StandardDateTime t { digitsAt(date, 0, 4), digitsAt(date, 5, 2), digitsAt(date, 8, 2),
                               digitsAt(time, 0, 2), digitsAt(time, 3, 2), digitsAt(time, 6, 2) };
    if (t.year < 0 || t.month < 0 || t.day < 0 || t.hour < 0 || t.minute < 0 || t.second < 0)
        return std::nullopt;
    return t;
}

QString StandardDateTime::dateText() const
{
    QString text(11, Qt::Uninitialized);
    QChar *out = text.data();
    putDigits(out, year, 4);
    *out++ = u'年';
    putDigits(out, month, 2);
    *out++ = u'月';
    putDigits(out, day, 2);
    *out = u'日';
    return text;
}

QString StandardDateTime::timeText() const
{
    QString text(8, Qt::Uninitialized);
    QChar *out = text.data();
    putDigits(out, hour, 2);
    *out++ = u':';
    putDigits(out, minute, 2);
    *out++ = u':';
    putDigits(out, second, 2);
    return text;
}

LedgerEntries::LedgerEntries(std::initializer_list<LedgerEntry> entries)
{
    for (const LedgerEntry &e : entries)
        append(e);
}

LedgerEntries::LedgerEntries(const QList<LedgerEntry> &entries)
{
    for (const LedgerEntry &e : entries)
        append(e);
}

QStringView LedgerEntries::bufferText(const Row &row, bool date) const
{
    const auto offset = qsizetype(row.texts >> 16);
    const auto dateLength = qsizetype((row.texts >> 8) & 0xFF);
    const auto timeLength = qsizetype(row.texts & 0xFF);
    return date ? QStringView(m_texts).sliced(offset, dateLength)
                : QStringView(m_texts).sliced(offset + dateLength, timeLength);
}

QString LedgerEntries::dateText(qsizetype row) const
{
    const Row &r = m_rows.at(row);
    if (r.texts & Standard)
        return unpack(r.texts).dateText();
    return bufferText(r, true).toString();
}

QString LedgerEntries::timeText(qsizetype row) const
{
    const Row &r = m_rows.at(row);
    if (r.texts & Standard)
        return unpack(r.texts).timeText();
    return bufferText(r, false).toString();
}

std::optional<StandardDateTime> LedgerEntries::standardDateTime(qsizetype row) const
{
    const Row &r = m_rows.at(row);
    if (r.texts & Standard)
        return unpack(r.texts);
    return std::nullopt;
}

LedgerEntry LedgerEntries::at(qsizetype row) const
{
    return { dateText(row), timeText(row), amount(row) };
}

QList<LedgerEntry> LedgerEntries::toList() const
{
    QList<LedgerEntry> list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

void LedgerEntries::reserve(qsizetype rows)
{
    m_rows.reserve(rows);
}

void LedgerEntries::append(QStringView dateText, QStringView timeText, Money amount)
{
    if (const auto standard = StandardDateTime::fromTexts(dateText, timeText)) {
        append(*standard, amount);
        return;
    }
    const qsizetype start = m_texts.size();
    const auto date = dateText.first(std::min(dateText.size(), MaxTextLength));
    m_texts += date;
    m_texts += timeText.first(std::min(timeText.size(), MaxTextLength));
    appendDecoded(start, date.size(), amount);
}

void LedgerEntries::append(StandardDateTime dateTime, Money amount)
{
    m_rows.append({ amount.raw(), Standard | pack(dateTime) });
}

void LedgerEntries::appendDecoded(qsizetype textStart, qsizetype dateLength, Money amount)
{
    const qsizetype timeLength = m_texts.size() - textStart - dateLength;
    Q_ASSERT(dateLength <= MaxTextLength && timeLength >= 0 && timeLength <= MaxTextLength);
    m_rows.append({ amount.raw(), quint64(textStart) << 16 | quint64(dateLength) << 8
                                          | quint64(timeLength) });
}

void LedgerEntries::removeAt(qsizetype row)
{
    // The row's texts stay in the buffer until the ledger is next loaded.
    m_rows.removeAt(row);
}

bool operator==(const LedgerEntries &a, const LedgerEntries &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a.amount(i) != b.amount(i))
            return false;
        const auto sa = a.standardDateTime(i), sb = b.standardDateTime(i);
        if (sa && sb ? *sa != *sb : a.dateText(i) != b.dateText(i) || a.timeText(i) != b.timeText(i))
            return false;
    }
    return true;
}
