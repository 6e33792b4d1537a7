#pragma once

#include <QDate>
#include <QString>
#include <QStringView>
#include <QTime>

// A deposit's date and time as the ledger stores and the list shows them; the caller supplies
// the instant, so the core never reads the clock.

// "YYYY年MM月DD日", zero-padded.
QString dateText(QDate date);
// "HH:MM:SS", 24-hour, zero-padded.
QString timeText(QTime time);
// Reads a date text back with the pattern it was written with; a month or day of one digit is
// accepted too, as a hand-edited file may have it. An invalid QDate when the text is not a date.
QDate parseDateText(QStringView text);
