// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The program's pictures are SVG drawings, shown at the screen's density so that they stay sharp
// on a high-density screen instead of being blown up from a small bitmap. Each is also drawn at
// build time for ordinary and double-density screens (":/assets/NAME.rgba", "NAME@2x.rgba");
// other densities are drawn from the SVG when asked for.
namespace Pictures {

// Picture `name` at `size` logical pixels and the given device pixel ratio.
QPixmap render(const QString &name, QSize size, qreal devicePixelRatio);

// The size in logical pixels `name` is designed and drawn at build time for.
QSize designedSize(QStringView name);

// `name` at its designed size and the application's device pixel ratio.
QPixmap render(const QString &name);

// Icon `name` at its designed size, sharp at the application's density.
QIcon icon(const QString &name);

// The program's icon at each size the desktop's launchers show it, drawn at build time: decoding
// seven pictures at start-up would cost a tenth of it.
QIcon applicationIcon();

} // namespace Pictures
