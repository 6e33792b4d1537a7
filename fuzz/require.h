// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdio>
#include <cstdlib>

// Names the broken promise, then stops the fuzzer with a finding.
inline void require(bool condition, const char *promise)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", promise);
        std::abort();
    }
}
#define REQUIRE(condition) require(condition, #condition)
