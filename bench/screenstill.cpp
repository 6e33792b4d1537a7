// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// screenstill QUIET_MS PROGRAM [ARGUMENT...]: starts PROGRAM on the X display and prints the time
// from its exec until the last area of the screen it redrew, once the screen has stayed still for
// QUIET_MS, then ends it, with the peak resident memory of its processes. The X DAMAGE extension
// reports every redrawn area of the root window and of the windows on it, whoever draws them, so
// the figure covers every repaint a user would see, not only the first, but for a text cursor's
// blinking.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

// A blinking text cursor's redraw: Qt updates ten pixels across a line's height around it.
constexpr unsigned short MostCursorWidth = 12, MostCursorHeight = 48;

long long nowNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
}

// The peak resident memory of every process in the group, in KiB: a program may start others.
long long groupPeakKiB(pid_t group)
{
    long long total = 0;
    for (const auto &entry : std::filesystem::directory_iterator("/proc")) {
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos || getpgid(std::stoi(pid)) != group)
            continue;
        std::ifstream status(entry.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("VmHWM:", 0) == 0)
                total += std::atoll(line.c_str() + 6);
        }
    }
    return total;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: screenstill QUIET_MS PROGRAM [ARGUMENT...]\n");
        return 2;
    }
    const long long quietNs = std::atoll(argv[1]) * 1'000'000LL;
    Display *display = XOpenDisplay(nullptr);
    int damageEvent = 0, damageError = 0;
    if (!display || !XDamageQueryExtension(display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "screenstill: no X display with the DAMAGE extension\n");
        return 2;
    }
    const Damage damage =
            XDamageCreate(display, DefaultRootWindow(display), XDamageReportRawRectangles);
    XSync(display, False);
    // Whatever was reported before the program starts is not its drawing.
    while (XPending(display)) {
        XEvent event;
        XNextEvent(display, &event);
    }
    XDamageSubtract(display, damage, None, None);

    const long long start = nowNs();
    const pid_t child = fork();
    if (child == 0) {
        setpgid(0, 0);
        execv(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }
    long long last = 0;
    bool exited = false;
    pollfd watch { ConnectionNumber(display), POLLIN, 0 };
    for (;;) {
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != damageEvent + XDamageNotify)
                continue;
            // A text cursor blinking in a box that holds the focus is no redraw of the window:
            // it never stops, and whether it blinks is the desktop's setting, not the program's.
            const XRectangle &area = reinterpret_cast<const XDamageNotifyEvent &>(event).area;
            if (area.width > MostCursorWidth || area.height > MostCursorHeight)
                last = nowNs();
        }
        XDamageSubtract(display, damage, None, None);
        XFlush(display);
        const long long idle = nowNs() - (last ? last : start);
        // Nothing drawn for the quiet time after a first redraw; ten seconds without any, or a
        // minute of redrawing, is a program that never settles.
        if ((last && idle >= quietNs) || idle >= 10'000'000'000LL || nowNs() - start >= 60'000'000'000LL)
            break;
        if (!exited && waitpid(child, nullptr, WNOHANG) == child)
            exited = true;
        poll(&watch, 1, int((quietNs - (last ? idle : 0)) / 1'000'000) + 1);
    }
    const long long peak = groupPeakKiB(child);
    kill(-child, SIGTERM);
    if (!exited)
        waitpid(child, nullptr, 0);
    XDamageDestroy(display, damage);
    XCloseDisplay(display);
    if (!last) {
        std::fprintf(stderr, "screenstill: nothing was drawn\n");
        return 1;
    }
    std::printf("still_us %lld\npeak_kib %lld\n", (last - start) / 1000, peak);
    return 0;
}
