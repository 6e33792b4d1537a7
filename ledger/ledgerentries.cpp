#include "ledgerentries.h"

#include <algorithm>

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

QStringView LedgerEntries::dateText(qsizetype row) const
{
    const Row &r = m_rows.at(row);
    return QStringView(m_texts).sliced(r.offset, r.dateLength);
}

QStringView LedgerEntries::timeText(qsizetype row) const
{
    const Row &r = m_rows.at(row);
    return QStringView(m_texts).sliced(r.offset + r.dateLength, r.timeLength);
}

LedgerEntry LedgerEntries::at(qsizetype row) const
{
    return { dateText(row).toString(), timeText(row).toString(), amount(row) };
}

QList<LedgerEntry> LedgerEntries::toList() const
{
    QList<LedgerEntry> list;
    list.reserve(size());
    for (qsizetype i = 0; i < size(); ++i)
        list.append(at(i));
    return list;
}

void LedgerEntries::reserve(qsizetype rows, qsizetype textChars)
{
    m_rows.reserve(rows);
    m_texts.reserve(textChars);
}

void LedgerEntries::append(QStringView dateText, QStringView timeText, Money amount)
{
    const qsizetype start = m_texts.size();
    const auto date = dateText.first(std::min(dateText.size(), MaxTextLength));
    m_texts += date;
    m_texts += timeText.first(std::min(timeText.size(), MaxTextLength));
    appendDecoded(start, date.size(), amount);
}

void LedgerEntries::appendDecoded(qsizetype textStart, qsizetype dateLength, Money amount)
{
    const qsizetype timeLength = m_texts.size() - textStart - dateLength;
    Q_ASSERT(dateLength <= MaxTextLength && timeLength >= 0 && timeLength <= MaxTextLength);
    m_rows.append({ amount.raw(), qint32(textStart), quint8(dateLength), quint8(timeLength) });
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
        if (a.amount(i) != b.amount(i) || a.dateText(i) != b.dateText(i)
            || a.timeText(i) != b.timeText(i))
            return false;
    }
    return true;
}
