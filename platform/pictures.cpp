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

QIcon icon(const QString &resource)
{
    // Qt's SVG icon engine renders each size and density when it is first asked for.
    return QIcon(resource);
}

} // namespace Pictures
