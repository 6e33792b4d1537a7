// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The text of help pages: as a Japanese reader searches it, and how much laying it out costs.
namespace HelpText {

// For matching as a Japanese reader expects: full-width letters and digits as ASCII, half-width
// katakana as full-width with their voiced and semi-voiced marks composed (ﾊﾞ, ハ゛ and バ alike),
// katakana as hiragana, small kana as large, letters in lower case. `origins`, when given,
// receives the place in `text` each folded character came from, and then `text`'s size.
QString folded(QStringView text, QList<qsizetype> *origins = nullptr);

// `text` with its character references resolved: numeric ones and the named ones pages use.
QString resolveReferences(QStringView text);

struct Page
{
    QString title;
    QString text; // its words as read: tags, comments, scripts and style rules left out
};
// A page's title and text, read in one pass whatever its markup.
Page pageText(QStringView html);

// Whether the browser lays `html` out in bounded time: the work of its blocks and table cells,
// a cell costing twice as much at each table depth, stays within a budget. Stops reading as
// soon as the budget is spent.
bool laysOutQuickly(QStringView html);

} // namespace HelpText
