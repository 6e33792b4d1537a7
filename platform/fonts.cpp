#include "fonts.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace Fonts {

QString proportionalFamily()
{
    return u"ＭＳ Ｐゴシック"_s;
}

QString fixedFamily()
{
    return u"ＭＳ ゴシック"_s;
}

void installSubstitutes()
{
    // IPA's faces share the metrics of the two designed-for faces; the rest are ordinary
    // Japanese Gothic faces a desktop may have instead.
    const QStringList proportionalSubstitutes = { u"IPAPGothic"_s, u"VL PGothic"_s,
                                                  u"TakaoPGothic"_s, u"Noto Sans CJK JP"_s };
    const QStringList fixedSubstitutes = { u"IPAGothic"_s, u"VL Gothic"_s, u"TakaoGothic"_s,
                                           u"Noto Sans Mono CJK JP"_s };
    QFont::insertSubstitutions(proportionalFamily(), proportionalSubstitutes);
    QFont::insertSubstitutions(fixedFamily(), fixedSubstitutes);
}

namespace {

QFont make(const QString &family, qreal points, QFont::StyleHint hint)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setStyleHint(hint);
    return font;
}

} // namespace

QFont proportional(qreal points)
{
    return make(proportionalFamily(), points, QFont::SansSerif);
}

QFont fixed(qreal points)
{
    return make(fixedFamily(), points, QFont::Monospace);
}

} // namespace Fonts
