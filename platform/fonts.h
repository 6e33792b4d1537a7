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

// Registers the substitutes: the IPA Gothic faces first, then other Japanese Gothic faces.
void installSubstitutes();

QFont proportional(qreal points);
QFont fixed(qreal points);

} // namespace Fonts
