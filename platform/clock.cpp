// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock.h"

QDateTime SystemClock::now() const
{
    return QDateTime::currentDateTime();
}
