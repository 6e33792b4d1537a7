// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

#include <optional>

// A deposit's date and time in the program's own form, "YYYY年MM月DD日" and "HH:MM:SS",
// zero-padded, as the ledger stores and the list shows them. This is the one place that writes
// and reads that form, as text and as the ledger's CP932 bytes. The caller supplies the instant,
// so the core never reads the clock.
struct StandardDateTime
{
    // The digit groups as written: nothing says they make a real date or time.
    quint16 year = 0; // 0 to 9999
    quint8 month = 0, day = 0, hour = 0, minute = 0, second = 0; // 0 to 99

    static StandardDateTime fromDateTime(QDate date, QTime time);
    // Both texts in that form, or nothing.
    static std::optional<StandardDateTime> fromTexts(QStringView date, QStringView time);
    // The same, from the bytes of a date and of a time in CP932.
    static constexpr qsizetype Cp932DateSize = 14, Cp932TimeSize = 8;
    static std::optional<StandardDateTime> fromCp932(QByteArrayView date, QByteArrayView time);

    QString dateText() const;
    QString timeText() const;
    // Write that many CP932 bytes at `out` and return their end.
    char *writeCp932Date(char *out) const;
    char *writeCp932Time(char *out) const;

    friend bool operator==(const StandardDateTime &, const StandardDateTime &) = default;
};

QString dateText(QDate date);
QString timeText(QTime time);
// Reads a date text back with the pattern it was written with; a month or day of one digit is
// accepted too, as a hand-edited file may have it. An invalid QDate when the text is not a date.
QDate parseDateText(QStringView text);
