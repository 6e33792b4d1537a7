#pragma once

#include "money.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <initializer_list>

struct LedgerEntry
{
    QString dateText;
    QString timeText;
    Money amount;

    friend bool operator==(const LedgerEntry &, const LedgerEntry &) = default;
};

// The entries of a ledger in file order, stored by column: every text in one shared buffer and
// a small fixed-size row per entry. A ledger at its limit then costs two allocations and about
// 1.7 MB instead of 65,000 strings, which is what keeps loading it instant.
class LedgerEntries
{
public:
    // Longer texts are not date or time texts; the reader refuses them.
    static constexpr qsizetype MaxTextLength = 255;

    LedgerEntries() = default;
    LedgerEntries(std::initializer_list<LedgerEntry> entries);
    explicit LedgerEntries(const QList<LedgerEntry> &entries);

    qsizetype size() const { return m_rows.size(); }
    bool isEmpty() const { return m_rows.isEmpty(); }

    QStringView dateText(qsizetype row) const;
    QStringView timeText(qsizetype row) const;
    Money amount(qsizetype row) const { return Money::fromRaw(m_rows.at(row).amount); }
    LedgerEntry at(qsizetype row) const;
    QList<LedgerEntry> toList() const;

    void reserve(qsizetype rows, qsizetype textChars);
    // Texts longer than MaxTextLength are cut there.
    void append(QStringView dateText, QStringView timeText, Money amount);
    void append(const LedgerEntry &entry) { append(entry.dateText, entry.timeText, entry.amount); }
    void removeAt(qsizetype row);
    void setAmount(qsizetype row, Money amount) { m_rows[row].amount = amount.raw(); }

    // For the reader, which decodes texts straight into the buffer: the text written since
    // `textStart` becomes the new entry's date and time.
    QString &textBuffer() { return m_texts; }
    void appendDecoded(qsizetype textStart, qsizetype dateLength, Money amount);

    friend bool operator==(const LedgerEntries &a, const LedgerEntries &b);

private:
    struct Row
    {
        qint64 amount;
        qint32 offset;
        quint8 dateLength;
        quint8 timeLength;
    };

    QString m_texts;
    QList<Row> m_rows;
};
