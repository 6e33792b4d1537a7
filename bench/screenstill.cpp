// SPDX-FileCopyrightText: 2026 porunka developers
// SPDX-License-Identifier: GPL-3.0-or-later
// screenstill QUIET_MS PROGRAM [ARGUMENT...]: starts PROGRAM on the X display and prints the time
// from its exec until the last area of the screen it redrew, once the screen has stayed still for
// QUIET_MS, then ends it. The X DAMAGE extension reports every redrawn area of the root window
// and of the windows on it, whoever draws them, so the figure covers every repaint a user would
// see, not only the first.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <cstdio>
#include <cstdlib>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

namespace {

long long nowNs()
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1'000'000'000LL + now.tv_nsec;
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

    const long long start = nowNs();
    const pid_t child = fork();
    if (child == 0) {
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
            if (event.type == damageEvent + XDamageNotify)
                last = nowNs();
        }
        XDamageSubtract(display, damage, None, None);
        XFlush(display);
        const long long idle = nowNs() - (last ? last : start);
        // Nothing drawn for the quiet time after a first redraw, or ten seconds without any.
        if ((last && idle >= quietNs) || idle >= 10'000'000'000LL)
            break;
        if (!exited && waitpid(child, nullptr, WNOHANG) == child)
            exited = true;
        poll(&watch, 1, int((quietNs - (last ? idle : 0)) / 1'000'000) + 1);
    }
    if (!exited) {
        kill(child, SIGTERM);
        waitpid(child, nullptr, 0);
    }
    XDamageDestroy(display, damage);
    XCloseDisplay(display);
    if (!last) {
        std::fprintf(stderr, "screenstill: nothing was drawn\n");
        return 1;
    }
    std::printf("still_us %lld\n", (last - start) / 1000);
    return 0;
}
