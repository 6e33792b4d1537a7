// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;
class QApplication;

// Qt's own texts (a text box's context menu, message box buttons) in Japanese, whatever the
// machine's locale: the program speaks Japanese only. Missing translation files leave them in
// English; nothing else depends on them.
void installJapaneseQtTranslations(QCoreApplication &app);

// What the program sets up before its first window, so that everything that starts it (the
// program, its benchmarks, its tests) starts it alike: Qt's Japanese texts, the substitutes
// for the two Gothic faces, which are also the application's font, and the desktop's style
// with a focus that always shows.
void setUpApplication(QApplication &app);
