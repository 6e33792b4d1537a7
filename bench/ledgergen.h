// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Ledgers for the benchmarks: plausible dates (one deposit every day or few), times and coin
// amounts, written as the program writes them.
#include "datetext.h"
#include "ledgerfile.h"

#include <QFile>
#include <QRandomGenerator>

inline QByteArray generatedLedger(int entries)
{
    QRandomGenerator random(quint32(entries) + 1);
    QDate date(1936, 1, 1);
    QByteArray bytes;
    bytes.reserve(entries * 36);
    for (int i = 0; i < entries; ++i) {
        date = date.addDays(random.bounded(1, 3));
        const QTime time(random.bounded(7, 24), random.bounded(60), random.bounded(60));
        bytes += ledgerLine(dateText(date), timeText(time), Money::fromYen(random.bounded(1, 1000)));
    }
    return bytes;
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.flush();
}
