// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QPainter;

// The two Japanese Gothic faces the windows are designed with. They are requested by name;
// where they are not installed, metric-compatible substitutes stand in for them.
namespace Fonts {

// "ＭＳ Ｐゴシック", proportional.
QString proportionalFamily();
// "ＭＳ ゴシック", fixed pitch.
QString fixedFamily();

// Registers the substitutes: the designed-for face under its Latin name, the IPA Gothic faces,
// then other Japanese Gothic faces.
void installSubstitutes();

// An installed face made for Latin and Cyrillic, to stand before a Japanese face where text of
// those scripts is read at length: the Japanese faces draw Cyrillic full width.
QString latinFamily();

// The first of `designed` and its substitutes that is installed, as the font database names
// it; `designed` itself when none is, for fontconfig to choose.
QString installedFamily(const QString &designed);

// In the installed face standing in for the designed one (looked up once per process).
QFont proportional(qreal points);
QFont fixed(qreal points);

// How much smaller than `font` `text` must be drawn to fit in `width`: 1 where it fits as it is.
// A number is never cut or elided, a shortened number being a wrong one.
qreal fittedScale(const QFont &font, const QString &text, int width);
// Draws `text` in `area` in the painter's font, made smaller where it does not fit: narrower
// rather than shorter than digits 7 pixels high, a leading minus kept apart from what follows.
void drawFitted(QPainter &painter, const QRect &area, int flags, const QString &text);
// The same with the scale fittedScale gave for it, for a caller that already asked.
void drawFitted(QPainter &painter, const QRect &area, int flags, const QString &text, qreal scale);

} // namespace Fonts
