#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The program's pictures are SVG drawings, rendered at the screen's density so that they stay
// sharp on a high-density screen instead of being blown up from a small bitmap.
namespace Pictures {

// `resource` rendered to `size` logical pixels at the given device pixel ratio.
QPixmap render(const QString &resource, QSize size, qreal devicePixelRatio);

// `resource` at the application's device pixel ratio.
QPixmap render(const QString &resource, QSize size);

// An icon drawn at whatever size and density it is shown at.
QIcon icon(const QString &resource);

} // namespace Pictures
