// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick: a bare Qt Widgets program that shows one 631 x 452 window and quits after its
// first paint. Prints the time from exec to the painted frame and the peak resident memory.
// Built again with BARE_TEXT_LINES=5 (startup_bare_sizes), the yardstick proper: it also paints
// one line of Japanese text in each face and size porunka's windows use, hinted as porunka asks
// for them, which is what any program showing those texts pays before its first frame.
#include "firstpaint.h"

#include <QApplication>
#include <QPainter>
#include <QTimer>
#include <QWidget>

#include <utility>

namespace {

class Window : public QWidget
{
protected:
    void paintEvent(QPaintEvent *) override
    {
#ifdef BARE_TEXT_LINES
        const std::pair<const char *, double> faces[] = { { "IPAPGothic", 9 },
                                                          { "IPAPGothic", 11.25 },
                                                          { "IPAPGothic", 12 },
                                                          { "IPAPGothic", 15.75 },
                                                          { "IPAGothic", 15.75 } };
        QPainter painter(this);
        for (int i = 0; i < BARE_TEXT_LINES; ++i) {
            QFont font(QString::fromLatin1(faces[i].first));
            font.setPointSizeF(faces[i].second);
            if (BARE_TEXT_LINES == 5)
                font.setHintingPreference(QFont::PreferFullHinting);
            painter.setFont(font);
            painter.drawText(10, 20 + 30 * i, QStringLiteral(u"ポルンカ貯めよう！"));
        }
#endif
        // Runs once the frame is painted and flushed.
        QTimer::singleShot(0, qApp, [] {
            if (!stayAfterFirstPaint())
                endAfterFirstPaint();
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
    return app.exec();
}
