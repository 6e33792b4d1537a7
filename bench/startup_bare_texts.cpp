// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The bare window painting every text porunka paints before its first frame, each in its face,
// size, hinting and scale, as drawntexts recorded them in the file PORUNKA_DRAWN_TEXTS names:
// what showing those texts costs without any control around them. Quits after its first paint.
#include "firstpaint.h"

#include <QApplication>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

struct Text
{
    QFont font;
    qreal scale;
    QRectF area;
    QString text;
};

class Window : public QWidget
{
public:
    explicit Window(QList<Text> texts) : m_texts(std::move(texts)) { }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        int y = 0;
        for (const Text &t : m_texts) {
            painter.save();
            painter.translate(0, y);
            painter.scale(t.scale, t.scale);
            painter.setFont(t.font);
            painter.drawText(t.area, Qt::AlignLeft | Qt::AlignVCenter, t.text);
            painter.restore();
            y = (y + 13) % height();
        }
        // Runs once the frame is painted and flushed.
        QTimer::singleShot(0, qApp, [] {
            if (!stayAfterFirstPaint())
                endAfterFirstPaint();
        });
    }

private:
    QList<Text> m_texts;
};

QList<Text> recordedTexts()
{
    QFile file(QString::fromLocal8Bit(qgetenv("PORUNKA_DRAWN_TEXTS")));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no list of texts in PORUNKA_DRAWN_TEXTS");
    QList<Text> texts;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QStringList f = QString::fromUtf8(line).split(u'\t');
        if (f.size() != 7)
            continue;
        QFont font(f[0]);
        font.setPointSizeF(f[1].toDouble());
        font.setHintingPreference(QFont::HintingPreference(f[2].toInt()));
        texts.append({ font, f[3].toDouble(), QRectF(0, 0, f[4].toDouble(), f[5].toDouble()), f[6] });
    }
    return texts;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Window window(recordedTexts());
    window.setFixedSize(631, 452);
    window.show();
    return app.exec();
}
