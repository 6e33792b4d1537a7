// The real start-up sequence, offscreen, in the current directory's ledger: it quits once the
// deposit list has painted its first frame with the ledger loaded, the figures shown and the
// elapsed-days line set (a welcome window, when the ledger is empty, is closed then too).
// Prints the peak resident memory in KiB on standard error.
#include "clock.h"
#include "mainwindow.h"
#include "translations.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QTimer>

#include <cstdio>

#include <sys/resource.h>

namespace {

class QuitAfterFirstPaint : public QObject
{
public:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            QTimer::singleShot(0, qApp, [] {
                if (QWidget *modal = QApplication::activeModalWidget())
                    modal->close();
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool m_done = false;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpJapaneseApplication(app);
    const SystemClock clock;
    MainWindow fraMain(clock);
    QuitAfterFirstPaint watcher;
    fraMain.findChild<QAbstractScrollArea *>(QStringLiteral("msgKozeni"))
            ->viewport()
            ->installEventFilter(&watcher);
    QTimer::singleShot(0, &fraMain, [&] { fraMain.start(); });
    const int code = app.exec();
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "maxrss %ld\n", usage.ru_maxrss);
    return code;
}
