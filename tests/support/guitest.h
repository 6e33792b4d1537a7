// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QTest>

// The main of a test of windows: offscreen, on the screen tests/data/screen.json describes (a
// laptop's, with room beside the main window) unless the test is given another.
#define PORUNKA_GUI_TEST_MAIN(TestClass) \
    int main(int argc, char *argv[]) \
    { \
        if (qgetenv("QT_QPA_PLATFORM") == "offscreen") \
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" PORUNKA_TEST_DATA "/screen.json"); \
        QApplication app(argc, argv); \
        TestClass test; \
        return QTest::qExec(&test, argc, argv); \
    }
