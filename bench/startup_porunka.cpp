// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The real start-up sequence, offscreen, in the current directory's ledger: it quits once the
// deposit list has painted its first frame with the ledger loaded, the figures shown and the
// elapsed-days line set (a welcome window, when the ledger is empty, is closed then too).
// Prints the time from exec to that frame and the peak resident memory.
#include "clock.h"
#include "firstpaint.h"
#include "mainwindow.h"
#include "translations.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QTimer>


namespace {

class QuitAfterFirstPaint : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // Runs once the frame is painted and flushed.
            QTimer::singleShot(0, qApp, [] {
                reportFirstPaint();
                if (stayAfterFirstPaint())
                    return;
                if (QWidget *modal = QApplication::activeModalWidget())
                    modal->close();
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

    bool done() const { return m_done; }

private:
    bool m_done = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // A blinking text cursor would redraw forever under screenstill.
    if (stayAfterFirstPaint())
        QApplication::setCursorFlashTime(0);
    setUpApplication(app);
    const SystemClock clock;
    MainWindow fraMain(clock);
    QuitAfterFirstPaint watcher;
    fraMain.findChild<QAbstractScrollArea *>(QStringLiteral("msgKozeni"))
            ->viewport()
            ->installEventFilter(&watcher);
    // Started before the event loop, as the program starts it: what show() queues is then
    // handled before the first expose, and the window paints once. With an empty ledger the
    // welcome window's own loop has already seen the first frame.
    fraMain.start();
    const int code = watcher.done() ? 0 : app.exec();
    reportPeakMemory();
    return code;
}
