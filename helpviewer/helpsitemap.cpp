// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpsitemap.h"

#include "helptext.h"

#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace {

// Deeper lists are read into the deepest: the trees are walked by recursion, and no reader
// follows a contents tree further down.
constexpr qsizetype MaxDepth = 32;

// An attribute's value, quoted or bare, with its character references resolved.
QString attribute(const QString &attributes, const QString &name)
{
    static const QRegularExpression pattern(
            uR"re((?:^|\s)([A-Za-z-]+)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re"_s);
    for (auto it = pattern.globalMatch(attributes); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.captured(1).compare(name, Qt::CaseInsensitive) != 0)
            continue;
        const QString value = match.captured(2) + match.captured(3) + match.captured(4);
        return HelpText::resolveReferences(value);
    }
    return {};
}

} // namespace

QList<SitemapEntry> parseSitemap(const QString &html)
{
    // A ">" inside a quoted value is part of the value; a quote left open is an ordinary character.
    static const QRegularExpression tag(uR"re(<(/?)(ul|object|param)\b((?:[^>"']|"[^"]*"|'[^']*'|["'])*+)>)re"_s,
                                        QRegularExpression::CaseInsensitiveOption);
    QList<SitemapEntry> top;
    // The lists open at each depth; an entry's children are the list that follows it.
    QList<QList<SitemapEntry> *> open { &top };
    SitemapEntry current;
    bool inObject = false;
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const bool closing = !match.captured(1).isEmpty();
        const QString name = match.captured(2).toLower();
        if (name == u"ul") {
            if (closing && open.size() > 1)
                open.removeLast();
            else if (!closing)
                open.append(open.last()->isEmpty() || open.size() >= MaxDepth ? open.last() : &open.last()->last().children);
        } else if (name == u"object") {
            if (!closing) {
                inObject = attribute(match.captured(3), u"type"_s).compare(u"text/sitemap", Qt::CaseInsensitive) == 0;
                current = {};
            } else if (inObject) {
                inObject = false;
                if (!current.names.isEmpty()) {
                    current.name = current.names.first();
                    open.last()->append(current);
                }
            }
        } else if (inObject && !closing) {
            const QString param = attribute(match.captured(3), u"name"_s).toLower();
            const QString value = attribute(match.captured(3), u"value"_s);
            if (param == u"name")
                current.names.append(value);
            else if (param == u"local" && !value.isEmpty())
                current.locals.append(value);
        }
    }
    return top;
}
