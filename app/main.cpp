// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock.h"
#include "mainwindow.h"
#include "singlewindow.h"
#include "translations.h"

#include <QApplication>

#include <csignal>

int main(int argc, char *argv[])
{
    // A file size limit then shows as a failed write the window reports, not as a killed program.
    std::signal(SIGXFSZ, SIG_IGN);
    QApplication app(argc, argv);
    // Names the launcher, so that docks and task bars tie the window to it and show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(PORUNKA_APP_ID));

    // A second start on the same ledger brings its window to the front and ends, before it has
    // read the system's fonts for a window it will not show.
    SingleWindow single(QString::fromUtf16(LedgerFileName));
    if (!single.claim())
        return 0;
    setUpApplication(app);

    const SystemClock clock;
    MainWindow fraMain(clock);
    QObject::connect(&single, &SingleWindow::activationRequested, &fraMain,
                     &MainWindow::bringToFront);
    fraMain.start();
    return app.exec();
}
