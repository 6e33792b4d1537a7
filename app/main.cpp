#include <QApplication>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(u"ポルンカ貯めよう！ "_s);
    window.setFixedSize(631, 452);
    window.show();
    return app.exec();
}
