// The yardstick: a bare Qt Widgets program that shows one 631 x 452 window and quits after its
// first paint. Prints the time from exec to the painted frame and the peak resident memory.
#include "firstpaint.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

namespace {

class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        // Runs once the frame is painted and flushed.
        QTimer::singleShot(0, qApp, [] {
            reportFirstPaint();
            QCoreApplication::exit(0);
        });
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Window window;
    window.setFixedSize(631, 452);
    window.show();
    const int code = app.exec();
    reportPeakMemory();
    return code;
}
