// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFont>
#include <QString>

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

// The first of `designed` and its substitutes that is installed, as the font database names
// it; `designed` itself when none is, for fontconfig to choose.
QString installedFamily(const QString &designed);

// In the installed face standing in for the designed one (looked up once per process).
QFont proportional(qreal points);
QFont fixed(qreal points);

// `font`, or where `text` is wider than `width` in it, the same face at the largest smaller
// pixel size in which it fits: a number is never cut or elided, a shortened number being a
// wrong one.
QFont fitted(const QFont &font, const QString &text, int width);

} // namespace Fonts
