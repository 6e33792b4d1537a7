// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helptext.h"

#include <QHash>

#include <array>

using namespace Qt::Literals::StringLiterals;

namespace HelpText {

namespace {

constexpr char16_t Voiced = 0x3099, SemiVoiced = 0x309A;

// The combining mark a voiced or semi-voiced mark stands for, whichever form it is typed in.
char16_t combiningMark(char16_t c)
{
    switch (c) {
    case 0xFF9E: case 0x3099: case 0x309B: return Voiced;
    case 0xFF9F: case 0x309A: case 0x309C: return SemiVoiced;
    default: return 0;
    }
}

// Half-width katakana as Unicode's compatibility mapping gives them, looked up once.
char16_t fullWidth(char16_t c)
{
    static const auto table = [] {
        std::array<char16_t, 0xFF9F - 0xFF61 + 1> t {};
        for (char16_t h = 0xFF61; h <= 0xFF9F; ++h)
            t[h - 0xFF61] = QString(QChar(h)).normalized(QString::NormalizationForm_KC).front().unicode();
        return t;
    }();
    return c >= 0xFF61 && c <= 0xFF9F ? table[c - 0xFF61] : c;
}

// The kana `base` and `mark` compose to, or 0 where they do not (ア with a voiced mark).
char16_t composed(char16_t base, char16_t mark)
{
    static const auto table = [] {
        std::array<std::array<char16_t, 2>, 0x3100 - 0x3040> t {};
        for (char16_t k = 0x3040; k < 0x3100; ++k) {
            for (int m = 0; m < 2; ++m) {
                const QString pair = QString(QChar(k)) + QChar(m ? SemiVoiced : Voiced);
                const QString one = pair.normalized(QString::NormalizationForm_C);
                t[k - 0x3040][m] = one.size() == 1 ? one.front().unicode() : 0;
            }
        }
        return t;
    }();
    return base >= 0x3040 && base < 0x3100 ? table[base - 0x3040][mark == SemiVoiced] : 0;
}

// The names of the character references help pages use; the rest are written as numbers.
const QHash<QString, char16_t> &namedReferences()
{
    static const QHash<QString, char16_t> names {
        { u"amp"_s, u'&' }, { u"lt"_s, u'<' }, { u"gt"_s, u'>' }, { u"quot"_s, u'"' }, { u"apos"_s, u'\'' },
        { u"nbsp"_s, 0xA0 }, { u"copy"_s, 0xA9 }, { u"reg"_s, 0xAE }, { u"trade"_s, 0x2122 },
        { u"hellip"_s, 0x2026 }, { u"mdash"_s, 0x2014 }, { u"ndash"_s, 0x2013 }, { u"laquo"_s, 0xAB },
        { u"raquo"_s, 0xBB }, { u"middot"_s, 0xB7 }, { u"bull"_s, 0x2022 }, { u"times"_s, 0xD7 },
        { u"divide"_s, 0xF7 }, { u"deg"_s, 0xB0 }, { u"yen"_s, 0xA5 }, { u"euro"_s, 0x20AC },
        { u"pound"_s, 0xA3 }, { u"cent"_s, 0xA2 }, { u"sect"_s, 0xA7 }, { u"para"_s, 0xB6 },
        { u"ldquo"_s, 0x201C }, { u"rdquo"_s, 0x201D }, { u"lsquo"_s, 0x2018 }, { u"rsquo"_s, 0x2019 },
        { u"shy"_s, 0xAD }, { u"ensp"_s, 0x2002 }, { u"emsp"_s, 0x2003 }, { u"thinsp"_s, 0x2009 },
        { u"larr"_s, 0x2190 }, { u"rarr"_s, 0x2192 }, { u"uarr"_s, 0x2191 }, { u"darr"_s, 0x2193 },
    };
    return names;
}

// One tag of a page, as its scanner meets them.
struct Tag
{
    QStringView name; // in the case written
    bool closing = false;
};

// Goes through `html` once: text runs to `text`, tags to `tag`; comments are skipped, and so are
// scripts and style rules with their contents. Either callback stops the scan by returning false.
template<typename Text, typename Element>
void scan(QStringView html, Text text, Element tag)
{
    qsizetype at = 0;
    while (at < html.size()) {
        const qsizetype open = html.indexOf(u'<', at);
        if (open < 0) {
            text(html.mid(at));
            return;
        }
        if (open > at && !text(html.mid(at, open - at)))
            return;
        if (html.mid(open).startsWith(u"<!--")) {
            const qsizetype end = html.indexOf(u"-->", open + 4);
            at = end < 0 ? html.size() : end + 3;
            continue;
        }
        qsizetype p = open + 1;
        const bool closing = p < html.size() && html[p] == u'/';
        p += closing;
        const qsizetype nameStart = p;
        while (p < html.size() && (html[p].isLetterOrNumber() || html[p] == u'-'))
            ++p;
        const QStringView name = html.mid(nameStart, p - nameStart);
        if (name.isEmpty() || !name.front().isLetter()) { // a lone "<" is text
            if (!text(html.mid(open, 1)))
                return;
            at = open + 1;
            continue;
        }
        // The tag ends at the first ">" outside quotes.
        QChar quote;
        for (; p < html.size() && (!quote.isNull() || html[p] != u'>'); ++p) {
            if (html[p] == quote)
                quote = QChar();
            else if (quote.isNull() && (html[p] == u'"' || html[p] == u'\''))
                quote = html[p];
        }
        at = p + 1;
        if (!closing && (name.compare(u"script", Qt::CaseInsensitive) == 0
                         || name.compare(u"style", Qt::CaseInsensitive) == 0)) {
            const qsizetype end = html.indexOf(u"</"_s.append(name), at, Qt::CaseInsensitive);
            at = end < 0 ? html.size() : html.indexOf(u'>', end) + 1;
            if (at == 0)
                at = html.size();
            continue;
        }
        if (!tag(Tag { name, closing }))
            return;
    }
}

bool isOneOf(QStringView name, std::initializer_list<QStringView> names)
{
    for (QStringView n : names) {
        if (name.compare(n, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Tags that end a line of text: the words on either side are not one word.
bool breaksText(QStringView name)
{
    if (name.size() > 10)
        return false;
    switch (name.front().toLower().unicode()) {
    case u'b': return isOneOf(name, { u"br", u"blockquote" });
    case u'd': return isOneOf(name, { u"div", u"dt", u"dd", u"dl" });
    case u'h': return isOneOf(name, { u"h1", u"h2", u"h3", u"h4", u"h5", u"h6", u"hr" });
    case u'l': return isOneOf(name, { u"li" });
    case u'o': return isOneOf(name, { u"ol" });
    case u'p': return isOneOf(name, { u"p", u"pre" });
    case u't': return isOneOf(name, { u"tr", u"td", u"th", u"table", u"title" });
    case u'u': return isOneOf(name, { u"ul" });
    default: return false;
    }
}

} // namespace

QString folded(QStringView text, QList<qsizetype> *origins)
{
    QString out;
    out.reserve(text.size());
    if (origins) {
        origins->clear();
        origins->reserve(text.size() + 1);
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        char16_t u = text[i].unicode();
        if (origins)
            origins->append(i);
        if (u < 0x80) { // most of a page: nothing to compose, nothing but case to fold
            out.append(QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 0x20) : u));
            continue;
        }
        if (u >= 0xFF01 && u <= 0xFF5E)
            u = char16_t(u - 0xFEE0);
        else if (u == 0x3000)
            u = u' ';
        else
            u = fullWidth(u);
        if (u >= 0x30A1 && u <= 0x30F6)
            u = char16_t(u - 0x60);
        switch (u) {
        case 0x3041: case 0x3043: case 0x3045: case 0x3047: case 0x3049:
        case 0x3063: case 0x3083: case 0x3085: case 0x3087: case 0x308E:
            ++u;
            break;
        default:
            break;
        }
        // Composed once the kana is folded, so that folding folded text changes nothing.
        if (const char16_t mark = combiningMark(u))
            u = mark;
        else if (i + 1 < text.size()) {
            if (const char16_t next = combiningMark(text[i + 1].unicode())) {
                if (const char16_t one = composed(u, next)) {
                    u = one;
                    ++i;
                }
            }
        }
        out.append(QChar(u).toLower());
    }
    if (origins)
        origins->append(text.size());
    return out;
}

QString resolveReferences(QStringView text)
{
    QString out;
    out.reserve(text.size());
    qsizetype at = 0;
    for (qsizetype amp = text.indexOf(u'&'); amp >= 0; amp = text.indexOf(u'&', at)) {
        out.append(text.mid(at, amp - at));
        at = amp + 1;
        const qsizetype semicolon = text.indexOf(u';', amp);
        if (semicolon < 0 || semicolon - amp > 10) {
            out.append(u'&');
            continue;
        }
        const QStringView name = text.mid(amp + 1, semicolon - amp - 1);
        char32_t code = 0;
        bool known = false;
        if (name.startsWith(u'#')) {
            const bool hex = name.size() > 1 && (name[1] == u'x' || name[1] == u'X');
            const uint value = name.mid(hex ? 2 : 1).toUInt(&known, hex ? 16 : 10);
            known = known && value > 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
            code = value;
        } else if (const auto found = namedReferences().constFind(name.toString()); found != namedReferences().cend()) {
            known = true;
            code = *found;
        }
        if (!known) {
            out.append(u'&');
            continue;
        }
        out.append(QStringView(QChar::fromUcs4(code)));
        at = semicolon + 1;
    }
    out.append(text.mid(at));
    return out;
}

Page pageText(QStringView html)
{
    QString title, text;
    bool inTitle = false;
    scan(
            html,
            [&](QStringView run) {
                (inTitle ? title : text).append(run);
                return true;
            },
            [&](const Tag &tag) {
                if (tag.name.compare(u"title", Qt::CaseInsensitive) == 0)
                    inTitle = !tag.closing && title.isEmpty();
                if (breaksText(tag.name))
                    text.append(u'\n');
                return true;
            });
    return { resolveReferences(title).simplified(), resolveReferences(text).simplified() };
}

bool laysOutQuickly(QStringView html)
{
    // About a second of layout (README, figures behind the code).
    constexpr qint64 Budget = 25000;
    constexpr qsizetype CharactersPerUnit = 80;
    qint64 spent = 0;
    int tableDepth = 0;
    scan(
            html,
            [&](QStringView run) {
                spent += run.size() / CharactersPerUnit;
                return spent <= Budget;
            },
            [&](const Tag &tag) {
                if (tag.name.compare(u"table", Qt::CaseInsensitive) == 0)
                    tableDepth = std::max(0, tableDepth + (tag.closing ? -1 : 1));
                if (tag.closing)
                    return true;
                // The browser measures a nested table's cells once for each table around it.
                if (isOneOf(tag.name, { u"td", u"th", u"table" }))
                    spent += qint64(1) << std::clamp(tableDepth - 1, 0, 40);
                else if (breaksText(tag.name) || tag.name.compare(u"img", Qt::CaseInsensitive) == 0)
                    ++spent;
                return spent <= Budget;
            });
    return spent <= Budget;
}

} // namespace HelpText
