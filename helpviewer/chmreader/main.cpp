// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// porunka-chmreader: lists the files inside a compiled HTML Help file, then hands out each file
// the program asks for.
//
// chmlib does not survive every damaged file, so the help viewer runs it in this separate
// process: a file that crashes or hangs it costs this process, never the program.
//
// Output: "PORUNKA-CHM 2\n", then per file a 4-byte little-endian path length, the path and an
// 8-byte little-endian data length; a path length of 0 ends the list. Then, for each path read
// from standard input (one per line), its 8-byte length and data, or the length 2^64-1 when it
// is not there or larger than one read may be. Ends at the end of standard input.
#include "helpparts.h"

#include <chm_lib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t Refused = ~std::uint64_t(0);

void putLittleEndian(std::uint64_t value, int bytes)
{
    unsigned char buffer[8];
    for (int i = 0; i < bytes; ++i)
        buffer[i] = static_cast<unsigned char>(value >> (8 * i));
    std::fwrite(buffer, 1, static_cast<std::size_t>(bytes), stdout);
}

std::uint64_t littleEndian(const unsigned char *p, int bytes)
{
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

bool listable(const std::string &path)
{
    return !path.empty() && path.size() < CHM_MAX_PATHLEN && path.back() != '/' && path.find('\n') == std::string::npos
            && path.find('\0') == std::string::npos;
}

int collect(chmFile *, chmUnitInfo *info, void *names)
{
    static_cast<std::set<std::string> *>(names)->insert(std::string(info->path, strnlen(info->path, CHM_MAX_PATHLEN)));
    return CHM_ENUMERATOR_CONTINUE;
}

// Every name in every listing chunk of the directory. chmlib lists from the chunk the header
// calls the first, and some writers (Free Pascal's) record chunk 1 where chunk 0 is a listing
// chunk too: its files would be missing.
void collectFromEveryChunk(const char *fileName, std::set<std::string> &names)
{
    std::FILE *file = std::fopen(fileName, "rb");
    if (!file)
        return;
    unsigned char header[0x60], directory[0x54];
    std::vector<unsigned char> chunk;
    if (std::fread(header, 1, sizeof header, file) == sizeof header && std::memcmp(header, "ITSF", 4) == 0) {
        const std::uint64_t directoryAt = littleEndian(header + 0x48, 8);
        if (std::fseek(file, long(directoryAt), SEEK_SET) == 0 && directoryAt < (1ull << 40)
            && std::fread(directory, 1, sizeof directory, file) == sizeof directory
            && std::memcmp(directory, "ITSP", 4) == 0) {
            const std::uint64_t headerLength = littleEndian(directory + 0x08, 4);
            const std::uint64_t chunkLength = littleEndian(directory + 0x10, 4);
            const std::uint64_t chunks = littleEndian(directory + 0x2C, 4);
            if (chunkLength > 0x14 && chunkLength <= (1u << 20) && chunks <= (1u << 16)) {
                chunk.resize(chunkLength);
                for (std::uint64_t i = 0; i < chunks; ++i) {
                    if (std::fseek(file, long(directoryAt + headerLength + i * chunkLength), SEEK_SET) != 0
                        || std::fread(chunk.data(), 1, chunk.size(), file) != chunk.size())
                        break;
                    if (std::memcmp(chunk.data(), "PMGL", 4) != 0)
                        continue;
                    const std::uint64_t free = littleEndian(chunk.data() + 4, 4);
                    const std::size_t end = free < chunkLength - 0x14 ? std::size_t(chunkLength - free) : 0x14;
                    std::size_t at = 0x14;
                    const auto number = [&](std::uint64_t &value) {
                        value = 0;
                        for (int bytes = 0; at < end && bytes < 9; ++bytes) {
                            const unsigned char b = chunk[at++];
                            value = value << 7 | (b & 0x7F);
                            if (!(b & 0x80))
                                return true;
                        }
                        return false;
                    };
                    std::uint64_t length, space, offset, size;
                    while (at < end && number(length) && length <= end - at) {
                        std::string name(reinterpret_cast<const char *>(chunk.data() + at), std::size_t(length));
                        at += std::size_t(length);
                        if (!number(space) || !number(offset) || !number(size))
                            break;
                        names.insert(name);
                    }
                }
            }
        }
    }
    std::fclose(file);
}

void hand(chmFile *h, const std::string &path)
{
    chmUnitInfo info;
    if (!listable(path) || chm_resolve_object(h, path.c_str(), &info) != CHM_RESOLVE_SUCCESS || info.length > ChmMaxObject) {
        putLittleEndian(Refused, 8);
        return;
    }
    std::vector<unsigned char> data(static_cast<std::size_t>(info.length));
    if (info.length > 0
        && chm_retrieve_object(h, &info, data.data(), 0, static_cast<LONGINT64>(info.length)) != static_cast<LONGINT64>(info.length)) {
        putLittleEndian(Refused, 8);
        return;
    }
    putLittleEndian(info.length, 8);
    std::fwrite(data.data(), 1, data.size(), stdout);
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
    std::set<std::string> names;
    chm_enumerate(h, CHM_ENUMERATE_ALL, collect, &names);
    collectFromEveryChunk(argv[1], names);
    std::fputs(ChmReaderMagic, stdout);
    for (const std::string &name : names) {
        chmUnitInfo info;
        if (listable(name) && chm_resolve_object(h, name.c_str(), &info) == CHM_RESOLVE_SUCCESS) {
            putLittleEndian(name.size(), 4);
            std::fwrite(name.data(), 1, name.size(), stdout);
            putLittleEndian(info.length, 8);
        }
    }
    putLittleEndian(0, 4);
    std::fflush(stdout);
    std::string request;
    for (int c; (c = std::getchar()) != EOF;) {
        if (c != '\n') {
            if (request.size() <= CHM_MAX_PATHLEN)
                request += char(c);
            continue;
        }
        hand(h, request);
        request.clear();
        if (std::fflush(stdout) != 0)
            break;
    }
    chm_close(h);
    return 0;
}
