// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the start-up benchmarks print on standard error: the time from exec (as execstamp
// passes it) until the first frame has been painted, and the peak resident memory.
#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>
#include <time.h>

inline void reportFirstPaint()
{
    const char *exec = std::getenv("PORUNKA_EXEC_NS");
    if (!exec)
        return;
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long ns = now.tv_sec * 1'000'000'000LL + now.tv_nsec - std::atoll(exec);
    std::fprintf(stderr, "firstpaint_us %lld\n", ns / 1000);
}

// Under screenstill the window stays until it is ended: quitting would be one more redraw.
inline bool stayAfterFirstPaint()
{
    return std::getenv("PORUNKA_BENCH_STAY") != nullptr;
}

inline void reportPeakMemory()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::fprintf(stderr, "maxrss %ld\n", usage.ru_maxrss);
}

// Reports both and ends the process at once, the same way for every program measured: what
// a program does on its way out is no part of its start-up, and would count in the
// instructions the benchmark reads off callgrind.
inline void endAfterFirstPaint()
{
    reportFirstPaint();
    reportPeakMemory();
    std::fflush(stderr);
    std::_Exit(0);
}
