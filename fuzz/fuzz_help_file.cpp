// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What the help reader hands over, on arbitrary bytes: the list of files, the system file, the
// window definitions and their strings. Whatever opens names only files it holds.
#include "chmfile.h"
#include "require.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto file = ChmFile::fromReaderOutput(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    if (!file)
        return 0;
    for (const QString &named : { file->defaultTopic(), file->contentsFile(), file->indexFile() })
        REQUIRE(named.isEmpty() || file->read(named));
    const QRect place = file->windowRect();
    REQUIRE(place.isNull() || (place.width() >= 200 && place.height() >= 150));
    return 0;
}
