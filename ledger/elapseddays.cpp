// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "elapseddays.h"

#include "datetext.h"

#include <limits>

ElapsedDays decideElapsedDays(bool hasDeposits, QStringView lastDateText, QDate today)
{
    if (!hasDeposits)
        return {};
    const QDate last = parseDateText(lastDateText);
    if (!last.isValid() || !today.isValid())
        return {};
    // Dates are whole days, so daylight-saving changes cannot shift the count.
    const qint64 days = last.daysTo(today);
    if (days == 0)
        return { ElapsedDays::State::DepositedToday, 0 };
    if (days < std::numeric_limits<qint16>::min() || days > std::numeric_limits<qint16>::max())
        return {};
    return { ElapsedDays::State::DaysElapsed, qint16(days) };
}
