// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the program users run (LD_PRELOAD), so that the start-up benchmarks time the
// shipped executable itself: once the deposit list has painted its first frame, with the ledger
// loaded, the figures shown and the elapsed-days line set, prints the time since exec and the
// peak resident memory, and ends the program there, as the bare windows end theirs.
#include "firstpaint.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

namespace {

class FirstFrame : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen && watched->parent()
            && watched->parent()->objectName() == QLatin1StringView("msgKozeni")) {
            m_seen = true;
            // Runs once the frame is painted and flushed.
            QTimer::singleShot(0, qApp, [] { endAfterFirstPaint(); });
        }
        return false;
    }

private:
    bool m_seen = false;
};

void watchForTheFirstFrame()
{
    qApp->installEventFilter(new FirstFrame);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchForTheFirstFrame)
