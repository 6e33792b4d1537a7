// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A help file's sitemaps and pages on arbitrary text: read in bounded depth and time, and
// folded for search so that every folded character maps back into the text.
#include "helpsitemap.h"
#include "helptext.h"
#include "require.h"

#include <cstdint>

namespace {

qsizetype depthOf(const QList<SitemapEntry> &entries)
{
    qsizetype deepest = 0;
    for (const SitemapEntry &entry : entries)
        deepest = std::max(deepest, 1 + depthOf(entry.children));
    return deepest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));

    REQUIRE(depthOf(parseSitemap(text)) <= 33);
    const HelpText::Page page = HelpText::pageText(text);
    REQUIRE(page.text.size() <= text.size() && page.title.size() <= text.size());
    REQUIRE(HelpText::resolveReferences(text).size() <= text.size());
    (void)HelpText::laysOutQuickly(text);

    QList<qsizetype> origins;
    const QString folded = HelpText::folded(text, &origins);
    REQUIRE(origins.size() == folded.size() + 1 && origins.back() == text.size());
    for (qsizetype i = 0; i < folded.size(); ++i)
        REQUIRE(origins[i] < origins[i + 1] && origins[i + 1] - origins[i] <= 2);
    REQUIRE(HelpText::folded(folded) == folded);
    return 0;
}
