// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a program with the instant of its exec in PORUNKA_EXEC_NS (monotonic clock), so that
// the start-up benchmarks time themselves from exec, without the shell's fork and wait. A
// library in PORUNKA_PRELOAD is preloaded into that program alone, not into this one.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <time.h>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: execstamp PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::string ns = std::to_string(now.tv_sec * 1'000'000'000LL + now.tv_nsec);
    setenv("PORUNKA_EXEC_NS", ns.c_str(), 1);
    if (const char *preload = std::getenv("PORUNKA_PRELOAD"))
        setenv("LD_PRELOAD", preload, 1);
    execv(argv[1], argv + 1);
    std::perror(argv[1]);
    return 127;
}
