#include "datetext.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QChar digit(int value)
{
    return QChar(u'0' + value % 10);
}

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

QString dateText(QDate date)
{
    const int year = date.year();
    const QChar text[] = { digit(year / 1000), digit(year / 100), digit(year / 10), digit(year),
                           QChar(u'年'),
                           digit(date.month() / 10), digit(date.month()),
                           QChar(u'月'),
                           digit(date.day() / 10), digit(date.day()),
                           QChar(u'日') };
    return QString(text, std::size(text));
}

QString timeText(QTime time)
{
    const QChar text[] = { digit(time.hour() / 10), digit(time.hour()), QChar(u':'),
                           digit(time.minute() / 10), digit(time.minute()), QChar(u':'),
                           digit(time.second() / 10), digit(time.second()) };
    return QString(text, std::size(text));
}

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
