#pragma once

#include "money.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <initializer_list>
#include <optional>

struct LedgerEntry
{
    QString dateText;
    QString timeText;
    Money amount;

    friend bool operator==(const LedgerEntry &, const LedgerEntry &) = default;
};

// The digit groups of a date and time in the program's own form, "YYYY年MM月DD日" and
// "HH:MM:SS", as written: nothing says they make a real date or time.
struct StandardDateTime
{
    int year = 0; // 0 to 9999
    int month = 0, day = 0, hour = 0, minute = 0, second = 0; // 0 to 99

    // Both texts in that form, or nothing.
    static std::optional<StandardDateTime> fromTexts(QStringView dateText, QStringView timeText);
    QString dateText() const;
    QString timeText() const;

    friend bool operator==(const StandardDateTime &, const StandardDateTime &) = default;
};

// The entries of a ledger in file order, stored by column: a small fixed-size row per entry,
// holding texts in the program's own form as their digits and any other texts in one shared
// buffer. A ledger at its limit then costs one allocation of 512 KB instead of 65,000 strings:
// at start-up every page of memory first written costs a fault, and these were 300 of them.
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

    QString dateText(qsizetype row) const;
    QString timeText(qsizetype row) const;
    // The row's texts when they are in the program's own form.
    std::optional<StandardDateTime> standardDateTime(qsizetype row) const;
    Money amount(qsizetype row) const { return Money::fromRaw(m_rows.at(row).amount); }
    LedgerEntry at(qsizetype row) const;
    QList<LedgerEntry> toList() const;

    void reserve(qsizetype rows);
    // Texts longer than MaxTextLength are cut there.
    void append(QStringView dateText, QStringView timeText, Money amount);
    void append(StandardDateTime dateTime, Money amount);
    void append(const LedgerEntry &entry) { append(entry.dateText, entry.timeText, entry.amount); }
    void removeAt(qsizetype row);
    void setAmount(qsizetype row, Money amount) { m_rows[row].amount = amount.raw(); }

    // For the reader, which decodes texts straight into the buffer: the text written since
    // `textStart` becomes the new entry's date and time.
    QString &textBuffer() { return m_texts; }
    void appendDecoded(qsizetype textStart, qsizetype dateLength, Money amount);

    friend bool operator==(const LedgerEntries &a, const LedgerEntries &b);

private:
    // `texts` is either Standard and the packed digit groups, or the texts' place in the
    // buffer: offset << 16 | date length << 8 | time length.
    struct Row
    {
        qint64 amount;
        quint64 texts;
    };
    static constexpr quint64 Standard = quint64(1) << 63;

    QStringView bufferText(const Row &row, bool date) const;

    QString m_texts;
    QList<Row> m_rows;
};
