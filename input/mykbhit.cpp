#include "input/mykbhit.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

termios mykbhit::initial_settings;
termios mykbhit::new_settings;

namespace {

volatile sig_atomic_t terminalchanged = 0;

void ignore_sigint(int) {}

// SIGTERM and SIGHUP: give the terminal back, then die of the same signal.
void restoreandend(int sig) {
    mykbhit::restoreterminal();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

}  // namespace

mykbhit::mykbhit() : kbuf(new unsigned char[bufsize]()) {
    tcgetattr(0, &initial_settings);
    new_settings = initial_settings;
    new_settings.c_lflag &= ~(ICANON | ECHO | ISIG);
    new_settings.c_cc[VMIN] = 1;
    new_settings.c_cc[VTIME] = 0;
    tcsetattr(0, TCSANOW, &new_settings);
    terminalchanged = 1;
    std::signal(SIGINT, ignore_sigint);
    std::signal(SIGTERM, restoreandend);
    std::signal(SIGHUP, restoreandend);
}

mykbhit::~mykbhit() {
    restoreterminal();
    delete[] kbuf;
}

void mykbhit::restoreterminal() {
    if (terminalchanged) tcsetattr(0, TCSANOW, &initial_settings);
}

void mykbhit::leavenow(int status) {
    std::fflush(stdout);
    restoreterminal();
    _exit(status);
}

int64_t mykbhit::kbhit() {
    static unsigned char cbuf[20];
    std::memset(cbuf, 0, sizeof cbuf);

    // Never read into the zero tail: with the buffer nearly full, read less
    // (or nothing) until keys have been taken.
    const int room = bufsize - zerotail - klen;
    const int want = room < readsize ? room : readsize;
    if (want > 0) {
        new_settings.c_cc[VMIN] = 0;
        tcsetattr(0, TCSANOW, &new_settings);
        const ssize_t got = read(0, kbuf + klen, size_t(want));
        new_settings.c_cc[VMIN] = 1;
        tcsetattr(0, TCSANOW, &new_settings);
        if (got > 0) klen += int(got);
    }
    if (klen == 0) return 0;

    const int b0 = byteat(0), b1 = byteat(1), b2 = byteat(2), b3 = byteat(3), b4 = byteat(4);
    if (b0 != 27) {
        take(1);
        return b0;
    }
    if ((b1 == '[' || b1 == 'O') && b2 >= 'A' && b2 <= 'Z') return takesequence(3);
    if (b3 == '~' || (b1 == '[' && b2 == '[')) return takesequence(4);
    if (b4 == '~') return takesequence(5);
    take(1);
    return 27;
}

// A sequence recognised from the look-ahead may run past the pending bytes
// (its tail read as zeros); only pending bytes are consumed.
int64_t mykbhit::takesequence(int n) {
    static_assert(sizeof(int64_t) == 8, "a key code is 8 bytes");
    int64_t code = 0;
    for (int i = 0; i < n; ++i) code |= int64_t(byteat(i)) << (8 * i);
    take(n < klen ? n : klen);
    return code;
}

void mykbhit::take(int n) {
    klen -= n;
    std::memmove(kbuf, kbuf + n, size_t(klen));
    std::memset(kbuf + klen, 0, zerotail);
}
