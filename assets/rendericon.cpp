// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// rendericon SVG WIDTHxHEIGHT OUT: draws one of the program's pictures at one size: a PNG for the
// desktop's icon directories, or, when OUT ends in .rgba, the bare pixels (32-bit premultiplied
// ARGB words, in this machine's byte order) that the program shows as they are.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList size = args.value(2).split(u'x');
    bool wide = false, high = false;
    const int width = size.value(0).toInt(&wide);
    const int height = size.value(1).toInt(&high);
    if (args.size() != 4 || size.size() != 2 || !wide || !high || width <= 0 || height <= 0)
        return 2;
    QSvgRenderer renderer(args[1]);
    if (!renderer.isValid())
        return 1;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    painter.end();
    if (!args[3].endsWith(u".rgba"))
        return image.save(args[3], "PNG") ? 0 : 1;
    // The format the raster engine draws in, so that showing them is a copy, not a conversion.
    QFile out(args[3]);
    const auto bytes = qsizetype(image.sizeInBytes());
    return out.open(QIODevice::WriteOnly)
                    && out.write(reinterpret_cast<const char *>(image.constBits()), bytes) == bytes
            ? 0
            : 1;
}
