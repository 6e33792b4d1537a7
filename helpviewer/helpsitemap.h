// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// A help file's contents (.hhc) or index (.hhk): nested lists of entries, each named by the
// first "Name" of its sitemap object and leading to the pages of its "Local"s. An index entry
// names its keyword first, then a name for each of its pages.
struct SitemapEntry
{
    QString name;
    QList<QString> names;  // every "Name", the first included
    QList<QString> locals; // the pages it leads to, as written ("a.html#part")
    QList<SitemapEntry> children;
};

// Reads a sitemap's HTML as browsers read it, forgiving: tags in any case, unclosed <li>,
// unbalanced lists and text around the objects.
QList<SitemapEntry> parseSitemap(const QString &html);
