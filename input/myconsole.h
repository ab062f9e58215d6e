// The virtual terminal on standard input while the editor shows its picture:
// graphics mode, so the console draws no cursor or messages over it, and
// terminal switching done by the program, so the picture is copied to the
// framebuffer only while this terminal is the one on show. Where standard
// input is no virtual terminal none of this does anything.
//
// One console per process: the state is in plain statics, because restore()
// runs in signal handlers (through wayout::restoreterminal).
#pragma once
#include <csignal>

class myconsole {
public:
    // Every console request goes through this one call (ioctl on a descriptor),
    // so that tests can stand in for a virtual terminal.
    using controlfn = int (*)(int fd, unsigned long request, void* arg);
    static controlfn control;

    // Signals the kernel sends when the user switches away from and back to
    // this terminal.
    static constexpr int releasesignal = SIGUSR1;
    static constexpr int acquiresignal = SIGUSR2;

    // Once the framebuffer is open and its format accepted: note the modes
    // found, take part in switching and set graphics mode. Started on a
    // terminal that is not on show, nothing is to be copied until it is.
    static void take();
    // Whether copies to the framebuffer may be made now.
    static bool visible();
    // Whether the console's own text may draw over the picture: standard
    // input is a virtual terminal that could not be put into graphics mode.
    static bool textshowsthrough();
    // Acts on the switches signalled since the last call (acknowledges them);
    // true when the terminal came back and the whole frame is to be copied.
    static bool poll();
    // Puts back the modes found by take(). Safe in a signal handler.
    static void restore();
    // Forgets everything take() found, without touching the terminal (tests).
    static void forget();
};
