// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts.h"

#include <algorithm>

#include <QFontDatabase>
#include <QFontMetrics>
#include <QList>
#include <QPainter>
#include <QStringList>

#include <utility>

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
    const QStringList proportionalSubstitutes = { u"MS PGothic"_s, u"IPAPGothic"_s,
                                                  u"VL PGothic"_s, u"TakaoPGothic"_s,
                                                  u"Noto Sans CJK JP"_s };
    const QStringList fixedSubstitutes = { u"MS Gothic"_s, u"IPAGothic"_s, u"VL Gothic"_s,
                                           u"TakaoGothic"_s, u"Noto Sans Mono CJK JP"_s };
    QFont::insertSubstitutions(proportionalFamily(), proportionalSubstitutes);
    QFont::insertSubstitutions(fixedFamily(), fixedSubstitutes);
}

QString installedFamily(const QString &designed)
{
    QStringList candidates = QFont::substitutes(designed);
    candidates.prepend(designed);
    const QStringList installed = QFontDatabase::families();
    for (const QString &candidate : std::as_const(candidates)) {
        // Qt keeps substitutes in lower case.
        const auto found = std::find_if(installed.begin(), installed.end(), [&](const QString &f) {
            return f.compare(candidate, Qt::CaseInsensitive) == 0;
        });
        if (found != installed.end())
            return *found;
    }
    return designed;
}

QString latinFamily()
{
    static const QString family = [] {
        const QStringList installed = QFontDatabase::families();
        for (const QString &candidate : { u"DejaVu Sans"_s, u"Noto Sans"_s, u"Liberation Sans"_s, u"FreeSans"_s }) {
            if (installed.contains(candidate))
                return candidate;
        }
        return u"Sans Serif"_s;
    }();
    return family;
}

namespace {

QFont make(const QString &family, qreal points, QFont::StyleHint hint)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    font.setStyleHint(hint);
    // The Japanese faces carry their own TrueType instructions: crisp at the windows' small
    // sizes, and without the auto-hinter's analysis of every CJK glyph at start-up.
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

} // namespace

// The face is looked up once: a family that is not installed sends every font request
// through fontconfig's fallback sort, which was a fifth of the start-up.
QFont proportional(qreal points)
{
    static const QString family = installedFamily(proportionalFamily());
    return make(family, points, QFont::SansSerif);
}

QFont fixed(qreal points)
{
    static const QString family = installedFamily(fixedFamily());
    return make(family, points, QFont::Monospace);
}

namespace {

// A shrunk number's digits stay this tall at the least: it is drawn narrower instead.
constexpr qreal LeastDigitHeight = 7;
// Around a shrunk number's minus, beyond the face's own spacing made smaller: drawn together
// at a fraction of their size, minus and ¥ touch and a withdrawal reads as a deposit. A pixel
// before it too, where its smoothed edge spreads further than a digit's.
constexpr qreal SignGap = 2;
constexpr qreal SignRoom = 1 + SignGap;

// Whether every digit is as wide as "0" alone, and ten of them side by side ten times as wide:
// tabular figures, as Japanese Gothic faces have, with nothing kerned between them.
bool hasTabularDigits(const QFont &font)
{
    const QFontMetrics metrics(font);
    const int zero = metrics.horizontalAdvance(u'0');
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) != zero)
            return false;
    }
    return metrics.horizontalAdvance(QStringLiteral("0123456789")) == 10 * zero;
}

// What fitting a number needs to know of a face, found once for each face.
struct FaceFacts
{
    QFont font;
    bool tabular;
    qreal digitHeight; // the ink of "0"
};

FaceFacts factsOf(const QFont &font)
{
    static QList<FaceFacts> faces;
    for (const FaceFacts &f : std::as_const(faces)) {
        if (f.font == font)
            return f;
    }
    faces.append({ font, hasTabularDigits(font), QFontMetricsF(font).tightBoundingRect(u"0"_s).height() });
    return faces.last();
}

struct KnownWidth
{
    QFont font;
    QString shape;
    qreal width;
};

// The width of `text` in `font`. Measuring shapes the whole text, as drawing it does again, and
// the list draws a hundred numbers at a time: with tabular figures a text is as wide as the same
// text with every digit made "0", so each such shape is measured once.
qreal naturalWidth(const QFont &font, const QString &text)
{
    static QList<KnownWidth> known;
    if (!factsOf(font).tabular)
        return QFontMetricsF(font).horizontalAdvance(text);
    QString shape = text;
    for (QChar &c : shape) {
        if (c >= u'1' && c <= u'9')
            c = u'0';
    }
    for (const KnownWidth &k : std::as_const(known)) {
        if (k.shape == shape && k.font == font)
            return k.width;
    }
    constexpr qsizetype MostKnown = 256; // texts of every length in every column, and then some
    if (known.size() == MostKnown)
        known.clear();
    known.append({ font, shape, QFontMetricsF(font).horizontalAdvance(shape) });
    return known.last().width;
}

} // namespace

qreal fittedScale(const QFont &font, const QString &text, int width)
{
    const qreal natural = naturalWidth(font, text);
    if (natural <= width)
        return 1.0;
    // A pixel to spare on either side, where the smoothed edges of a drawn-down letter spread,
    // and the minus's own room.
    const qreal room = width - 2 - (text.startsWith(u'-') ? SignRoom : 0);
    return std::max(room, 1.0) / natural;
}

void drawFitted(QPainter &painter, const QRect &area, int flags, const QString &text)
{
    drawFitted(painter, area, flags, text, fittedScale(painter.font(), text, area.width()));
}

void drawFitted(QPainter &painter, const QRect &area, int flags, const QString &text, qreal scale)
{
    if (scale == 1.0) {
        painter.drawText(area, flags, text);
        return;
    }
    // Drawn smaller by the painter, in the face already loaded: a font of another pixel size
    // would be one more fontconfig match and font engine for each such number. Never lower
    // than digits LeastDigitHeight pixels high: narrower instead.
    const QFont &font = painter.font();
    const qreal tall = std::clamp(LeastDigitHeight / factsOf(font).digitHeight, scale, 1.0);
    const bool withSign = text.startsWith(u'-');
    const QString unsignedText = withSign ? text.mid(1) : text;
    const qreal sign = withSign ? naturalWidth(font, u"-"_s) * scale + SignRoom : 0;
    const qreal width = sign + naturalWidth(font, unsignedText) * scale;
    const qreal left = flags & Qt::AlignRight     ? area.right() - width
            : flags & Qt::AlignHCenter            ? area.left() + (area.width() - width) / 2
                                                  : area.left() + 1;
    const int vertical = flags & Qt::AlignVertical_Mask;
    painter.save();
    painter.translate(left, area.top());
    painter.scale(scale, tall);
    const qreal height = area.height() / tall;
    if (withSign)
        painter.drawText(QRectF(1 / scale, 0, sign / scale, height), vertical | Qt::AlignLeft, u"-"_s);
    painter.drawText(QRectF(sign / scale, 0, width / scale, height), vertical | Qt::AlignLeft, unsignedText);
    painter.restore();
}

} // namespace Fonts
