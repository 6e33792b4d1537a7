#include "pictures.h"

#include <QGuiApplication>
#include <QPainter>
#include <QSvgRenderer>

namespace Pictures {

QPixmap render(const QString &resource, QSize size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        qWarning("cannot render %s", qPrintable(resource));
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

QPixmap render(const QString &resource, QSize size)
{
    return render(resource, size, qGuiApp ? qGuiApp->devicePixelRatio() : 1.0);
}

QIcon icon(const QString &resource, QSize size, bool windowSizes)
{
    QIcon icon;
    icon.addPixmap(render(resource, size, 1.0));
    icon.addPixmap(render(resource, size, 2.0));
    if (windowSizes) {
        for (int side : { 16, 24, 48, 64, 128, 256 })
            icon.addPixmap(render(resource, QSize(side, side), 1.0));
    }
    return icon;
}

} // namespace Pictures
