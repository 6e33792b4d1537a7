// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "datetext.h"

#include <QtEndian>

#include <iterator>
#include <utility>

namespace {

// The forms, with '9' standing for a digit. 年, 月 and 日 are the only characters outside ASCII.
constexpr char16_t DateForm[] = u"9999年99月99日";
constexpr char16_t TimeForm[] = u"99:99:99";
constexpr char Cp932DateForm[] = "9999\x94\x4E" "99\x8C\x8E" "99\x93\xFA";
constexpr char Cp932TimeForm[] = "99:99:99";

constexpr char16_t code(QChar c) { return c.unicode(); }
constexpr char16_t code(char16_t c) { return c; }

// Which run of '9' in `Form` holds position I.
template <auto &Form, std::size_t I>
constexpr int runAt()
{
    int run = -1;
    for (std::size_t k = 0; k <= I; ++k)
        run += Form[k] == '9' && (k == 0 || Form[k - 1] != '9');
    return run;
}

template <auto &Form, std::size_t I>
bool readAt(char16_t c, int (&values)[3])
{
    if constexpr (Form[I] != '9') {
        return c == code(Form[I]);
    } else {
        const unsigned digit = unsigned(c) - u'0';
        values[runAt<Form, I>()] = values[runAt<Form, I>()] * 10 + int(digit);
        return digit <= 9;
    }
}

// The numbers the runs of '9' in `Form` stand for in `text`; false when the text does not follow
// the form exactly. Unrolled at compile time: the reader calls it for every line of a ledger.
template <auto &Form, typename Text>
bool readForm(Text text, int (&values)[3])
{
    constexpr std::size_t Size = std::size(Form) - 1;
    if (std::size_t(text.size()) != Size)
        return false;
    values[0] = values[1] = values[2] = 0;
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return (readAt<Form, I>(code(text[qsizetype(I)]), values) & ...);
    }(std::make_index_sequence<Size>());
}

// Writes `form` with its runs of '9' replaced by the values' last digits, right to left.
template <typename Out, typename Char, std::size_t N>
void writeForm(Out *out, const Char (&form)[N], const int (&values)[3])
{
    int run = 3, value = 0;
    for (std::size_t i = N - 1; i-- > 0;) {
        if (form[i] != '9') {
            out[i] = Out(form[i]);
            continue;
        }
        if (i + 2 == N || form[i + 1] != '9')
            value = values[--run];
        out[i] = Out('0' + value % 10);
        value /= 10;
    }
}

template <typename Char, std::size_t N>
QString formText(const Char (&form)[N], const int (&values)[3])
{
    QString text(qsizetype(N - 1), Qt::Uninitialized);
    writeForm(text.data(), form, values);
    return text;
}

template <std::size_t N>
char *writeCp932Form(char *out, const char (&form)[N], const int (&values)[3])
{
    writeForm(out, form, values);
    return out + (N - 1);
}

StandardDateTime fromValues(const int (&date)[3], const int (&time)[3])
{
    return { quint16(date[0]), quint8(date[1]), quint8(date[2]),
             quint8(time[0]), quint8(time[1]), quint8(time[2]) };
}

} // namespace

StandardDateTime StandardDateTime::fromDateTime(QDate date, QTime time)
{
    return fromValues({ date.year(), date.month(), date.day() },
                      { time.hour(), time.minute(), time.second() });
}

std::optional<StandardDateTime> StandardDateTime::fromTexts(QStringView date, QStringView time)
{
    int d[3], t[3];
    if (!readForm<DateForm>(date, d) || !readForm<TimeForm>(time, t))
        return std::nullopt;
    return fromValues(d, t);
}

namespace {

// Eight bytes of a CP932 form, checked at once: the bytes the form fixes must match and the
// others must be ASCII digits. The reader checks every line of a ledger this way.
struct WordForm
{
    quint64 fixedMask = 0, fixedBytes = 0, digitMask = 0;
};

template <std::size_t N>
constexpr WordForm wordForm(const char (&form)[N], std::size_t from)
{
    WordForm word;
    for (std::size_t i = 0; i < 8; ++i) {
        const quint64 lane = quint64(0xFF) << (8 * i);
        if (form[from + i] == '9') {
            word.digitMask |= lane;
        } else {
            word.fixedMask |= lane;
            word.fixedBytes |= quint64(static_cast<unsigned char>(form[from + i])) << (8 * i);
        }
    }
    return word;
}

quint64 wordAt(const char *bytes)
{
    return qFromLittleEndian<quint64>(bytes);
}

constexpr quint64 High = 0xF0F0F0F0F0F0F0F0, Threes = 0x3030303030303030,
                  Sixes = 0x0606060606060606;

bool follows(quint64 word, WordForm form)
{
    const quint64 digits = word & form.digitMask;
    const quint64 threes = Threes & form.digitMask;
    // 0x30 to 0x39: a high nibble of 3 that adding 6 leaves as it is. A lane that is not a digit
    // may carry into the next one, but has already failed the first test.
    return (word & form.fixedMask) == form.fixedBytes && (digits & High) == threes
            && ((digits + (Sixes & form.digitMask)) & High) == threes;
}

// In each lane, the two-digit number that starts there: its digit times ten plus the next lane's.
// Every lane of a word that follows its form holds 0 to 9 once the digits' 0x30 is taken off and
// the fixed bytes masked out, so no lane carries into another.
quint64 twoDigitNumbers(quint64 word, WordForm form)
{
    const quint64 values = (word & form.digitMask) - (Threes & form.digitMask);
    return values * 10 + (values >> 8);
}

int lane(quint64 word, int index)
{
    return int((word >> (8 * index)) & 0xFF);
}

} // namespace

std::optional<StandardDateTime> StandardDateTime::fromCp932(QByteArrayView date,
                                                            QByteArrayView time)
{
    // The date's 14 bytes as two overlapping words, the time's 8 as one.
    static constexpr WordForm DateHead = wordForm(Cp932DateForm, 0);
    static constexpr WordForm DateTail = wordForm(Cp932DateForm, 6);
    static constexpr WordForm Time = wordForm(Cp932TimeForm, 0);
    static_assert(std::size(Cp932DateForm) - 1 == Cp932DateSize && std::size(Cp932TimeForm) - 1 == Cp932TimeSize);
    if (date.size() != Cp932DateSize || time.size() != Cp932TimeSize)
        return std::nullopt;
    const quint64 head = wordAt(date.data()), tail = wordAt(date.data() + 6), clock = wordAt(time.data());
    if (!follows(head, DateHead) || !follows(tail, DateTail) || !follows(clock, Time))
        return std::nullopt;
    // "YYYY年MM" gives the year's two halves and the month, "MM月DD日" the day, "HH:MM:SS" the time.
    const quint64 y = twoDigitNumbers(head, DateHead), d = twoDigitNumbers(tail, DateTail),
                  t = twoDigitNumbers(clock, Time);
    return StandardDateTime { quint16(lane(y, 0) * 100 + lane(y, 2)), quint8(lane(y, 6)), quint8(lane(d, 4)),
                              quint8(lane(t, 0)), quint8(lane(t, 3)), quint8(lane(t, 6)) };
}

QString StandardDateTime::dateText() const
{
    return formText(DateForm, { year, month, day });
}

QString StandardDateTime::timeText() const
{
    return formText(TimeForm, { hour, minute, second });
}

char *StandardDateTime::writeCp932Date(char *out) const
{
    return writeCp932Form(out, Cp932DateForm, { year, month, day });
}

char *StandardDateTime::writeCp932Time(char *out) const
{
    return writeCp932Form(out, Cp932TimeForm, { hour, minute, second });
}

QString dateText(QDate date)
{
    return StandardDateTime::fromDateTime(date, {}).dateText();
}

QString timeText(QTime time)
{
    return StandardDateTime::fromDateTime({}, time).timeText();
}

namespace {

// Reads between `minDigits` and `maxDigits` ASCII digits at `pos`; -1 when there are too few.
int readNumber(QStringView text, qsizetype &pos, int minDigits, int maxDigits)
{
    int value = 0;
    int count = 0;
    while (pos < text.size() && count < maxDigits && text[pos] >= u'0' && text[pos] <= u'9') {
        value = value * 10 + (text[pos].unicode() - u'0');
        ++pos;
        ++count;
    }
    return count >= minDigits ? value : -1;
}

bool readChar(QStringView text, qsizetype &pos, char16_t c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

} // namespace

QDate parseDateText(QStringView text)
{
    qsizetype pos = 0;
    const int year = readNumber(text, pos, 4, 4);
    if (year < 0 || !readChar(text, pos, u'年'))
        return {};
    const int month = readNumber(text, pos, 1, 2);
    if (month < 0 || !readChar(text, pos, u'月'))
        return {};
    const int day = readNumber(text, pos, 1, 2);
    if (day < 0 || !readChar(text, pos, u'日') || pos != text.size())
        return {};
    return QDate(year, month, day); // invalid for 2月30日 and the like
}
