// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ledgers for the benchmarks: plausible dates (one deposit every day or two, the last in
// December 2026, as a real ledger's last deposit lies in the past), times and coin amounts,
// written as the program writes them.
#include "datetext.h"
#include "ledgerfile.h"
#include "ledgerjournal.h"
#include "ledgerwriter.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>

inline QByteArray generatedLedger(int entries)
{
    QRandomGenerator random(quint32(entries) + 1);
    QList<QDate> dates(entries);
    QDate date(2026, 12, 1);
    for (qsizetype i = entries - 1; i >= 0; --i) {
        dates[i] = date;
        date = date.addDays(-random.bounded(1, 3));
    }
    QByteArray bytes;
    bytes.reserve(entries * 36);
    for (const QDate &day : std::as_const(dates)) {
        const QTime time(random.bounded(7, 24), random.bounded(60), random.bounded(60));
        bytes += ledgerLine(dateText(day), timeText(time), Money::fromYen(random.bounded(1, 1000)));
    }
    return bytes;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}
