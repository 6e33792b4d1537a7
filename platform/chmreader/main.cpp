// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// porunka-chmreader: writes every file inside a compiled HTML Help file to standard output.
//
// chmlib does not survive every damaged file, so the help viewer runs it in this separate
// process: a file that crashes or hangs it costs this process, never the program.
//
// Output: "PORUNKA-CHM 1\n", then per file a 4-byte little-endian path length, the path,
// an 8-byte little-endian data length and the data; nothing else. Exit status 0 when complete.
#include <chm_lib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint64_t MaxObject = 16u << 20;
constexpr std::uint64_t MaxTotal = 64u << 20;

struct Context
{
    std::uint64_t total = 0;
    bool failed = false;
};

void putLittleEndian(std::uint64_t value, int bytes)
{
    unsigned char buffer[8];
    for (int i = 0; i < bytes; ++i)
        buffer[i] = static_cast<unsigned char>(value >> (8 * i));
    std::fwrite(buffer, 1, static_cast<std::size_t>(bytes), stdout);
}

int writeObject(chmFile *h, chmUnitInfo *info, void *opaque)
{
    auto *context = static_cast<Context *>(opaque);
    const std::size_t pathLength = strnlen(info->path, CHM_MAX_PATHLEN);
    if (pathLength == 0 || info->path[pathLength - 1] == '/')
        return CHM_ENUMERATOR_CONTINUE; // a directory
    if (info->length > MaxObject || context->total + info->length > MaxTotal) {
        context->failed = true;
        return CHM_ENUMERATOR_FAILURE;
    }
    std::vector<unsigned char> data(static_cast<std::size_t>(info->length));
    if (info->length > 0) {
        const LONGINT64 got = chm_retrieve_object(h, info, data.data(), 0,
                                                  static_cast<LONGINT64>(info->length));
        if (got != static_cast<LONGINT64>(info->length)) {
            context->failed = true;
            return CHM_ENUMERATOR_FAILURE;
        }
    }
    context->total += info->length;
    putLittleEndian(pathLength, 4);
    std::fwrite(info->path, 1, pathLength, stdout);
    putLittleEndian(info->length, 8);
    std::fwrite(data.data(), 1, data.size(), stdout);
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc != 2) {
        std::fputs("usage: porunka-chmreader FILE.chm\n", stderr);
        return 2;
    }
    chmFile *h = chm_open(argv[1]);
    if (!h)
        return 1;
    std::fputs("PORUNKA-CHM 1\n", stdout);
    Context context;
    chm_enumerate(h, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_SPECIAL | CHM_ENUMERATE_FILES,
                  writeObject, &context);
    chm_close(h);
    if (std::fflush(stdout) != 0 || context.failed)
        return 1;
    return 0;
}
