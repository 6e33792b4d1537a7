// The yardstick: a bare Qt Widgets program that shows one 631 x 452 window and quits after its
// first paint. Prints the peak resident memory in KiB on standard error.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

#include <sys/resource.h>

namespace {

class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
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
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "maxrss %ld\n", usage.ru_maxrss);
    return code;
}
