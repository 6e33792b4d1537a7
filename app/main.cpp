#include "clock.h"
#include "fonts.h"
#include "mainwindow.h"
#include "translations.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    installJapaneseQtTranslations(app);
    Fonts::installSubstitutes();

    const SystemClock clock;
    MainWindow fraMain(clock);
    fraMain.start();
    return app.exec();
}
