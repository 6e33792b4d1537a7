// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QStringView>

// Which of the three forms the elapsed-days line takes, decided once at start-up.
struct ElapsedDays
{
    enum class State { Hidden, DepositedToday, DaysElapsed };

    State state = State::Hidden;
    qint16 days = 0; // meaningful in DaysElapsed; negative when the last date lies ahead of today

    friend bool operator==(const ElapsedDays &, const ElapsedDays &) = default;
};

// Calendar days from the last deposit's date text to `today` (midnights crossed, whatever the
// time of day). Hidden when there is no deposit, when the date text cannot be read, or when the
// count does not fit in 16 bits.
ElapsedDays decideElapsedDays(bool hasDeposits, QStringView lastDateText, QDate today);
