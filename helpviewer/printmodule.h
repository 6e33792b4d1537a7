// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFunctionPointer>

class QWidget;

// A function of the print module, loaded the first time any window prints; null where the
// module is not found.
QFunctionPointer printModuleFunction(const char *name);
// Tells the user why nothing was printed.
void warnNoPrintModule(QWidget *parent);
