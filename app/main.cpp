#include "clock.h"
#include "mainwindow.h"
#include "translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    setUpJapaneseApplication(app);

    const SystemClock clock;
    MainWindow fraMain(clock);
    fraMain.start();
    return app.exec();
}
