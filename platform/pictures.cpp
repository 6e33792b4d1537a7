// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "pictures.h"

#include "picturesizes.h"

#include <QGuiApplication>
#include <QImageReader>
#include <QResource>

using namespace Qt::Literals::StringLiterals;

namespace Pictures {

namespace {

// The pixels drawn at build time for `density` 1 or 2, shown as they are; null if there are
// none of that size.
QPixmap drawnAtBuildTime(const QString &name, QSize pixels, int density)
{
    const QResource resource(u":/assets/%1%2.rgba"_s.arg(name, density == 2 ? u"@2x"_s : QString()));
    if (!resource.isValid() || resource.compressionAlgorithm() != QResource::NoCompression
        || resource.size() != qint64(pixels.width()) * pixels.height() * 4)
        return {};
    // Drawn on the machine that built the program, which is the one it runs on.
    const QImage image(resource.data(), pixels.width(), pixels.height(), pixels.width() * 4,
                       QImage::Format_ARGB32_Premultiplied);
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(density);
    return pixmap;
}

} // namespace

QPixmap render(const QString &name, QSize size, qreal devicePixelRatio)
{
    const QSize pixels = size * devicePixelRatio;
    if (devicePixelRatio == 1.0 || devicePixelRatio == 2.0) {
        QPixmap drawn = drawnAtBuildTime(name, pixels, int(devicePixelRatio));
        if (!drawn.isNull())
            return drawn;
    }
    // Other densities draw the picture through Qt's SVG image plugin, loaded only then: linking
    // the SVG library would cost every start its relocation.
    QImageReader reader(u":/assets/%1.svg"_s.arg(name));
    reader.setScaledSize(pixels);
    QImage image = reader.read();
    if (image.isNull()) {
        qWarning("cannot draw %s: %s", qPrintable(name), qPrintable(reader.errorString()));
        image = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
    }
    QPixmap pixmap = QPixmap::fromImage(std::move(image));
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QSize designedSize(QStringView name)
{
    for (const DrawnPicture &picture : DrawnPictures) {
        if (picture.name == name)
            return picture.size;
    }
    qWarning("no picture %s", qPrintable(name.toString()));
    return {};
}

QPixmap render(const QString &name)
{
    return render(name, designedSize(name), qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

QIcon icon(const QString &name)
{
    const qreal density = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    if (density != 1.0 && density != 2.0) // Qt's SVG icon engine draws it for any density
        return QIcon(u":/assets/%1.svg"_s.arg(name));
    QIcon icon;
    icon.addPixmap(render(name, designedSize(name), 1.0));
    icon.addPixmap(render(name, designedSize(name), 2.0));
    return icon;
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : ApplicationIconSizes)
        icon.addPixmap(drawnAtBuildTime(u"icon-%1"_s.arg(size), QSize(size, size), 1));
    return icon;
}

} // namespace Pictures
