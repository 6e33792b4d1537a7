// The yardstick: a bare Qt Widgets program that shows one 631 x 452 window and quits after its
// first paint. Prints the time from exec to the painted frame and the peak resident memory.
// Built a second time with BARE_WITH_TEXT, it also paints one line of Japanese text, which is
// what any program showing Japanese pays before its first frame (fontconfig, one face).
#include "firstpaint.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
#ifdef BARE_WITH_TEXT
        QPainter painter(this);
        painter.setFont(QFont(QStringLiteral("IPAPGothic"), 9));
        painter.drawText(10, 20, QStringLiteral(u"ポルンカ貯めよう！"));
#endif
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
