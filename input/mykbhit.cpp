#include "input/mykbhit.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "input/wayout.h"

termios mykbhit::initial_settings;
termios mykbhit::new_settings;

namespace {

void ignore_sigint(int) {}

}  // namespace

mykbhit::mykbhit() : kbuf(new unsigned char[bufsize]()) {
    tcgetattr(0, &initial_settings);
    new_settings = initial_settings;
    new_settings.c_lflag &= ~(ICANON | ECHO | ISIG);
    // Without output flow control Ctrl-S and Ctrl-Q reach the editor as keys.
    new_settings.c_iflag &= ~IXON;
    new_settings.c_cc[VMIN] = 1;
    new_settings.c_cc[VTIME] = 0;
    tcsetattr(0, TCSANOW, &new_settings);
    // From here on every way out puts the terminal back as it was found.
    wayout::guardterminal(initial_settings);
    struct sigaction sa {};
    sa.sa_handler = ignore_sigint;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
}

mykbhit::~mykbhit() {
    wayout::restoreterminal();
    delete[] kbuf;
}

int64_t mykbhit::kbhit() {
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
        // The terminal is gone (its other side closed): as when it hangs up.
        if (got < 0 && errno == EIO) wayout::noteendsignal(SIGHUP);
    }
    if (klen == 0) return 0;

    int used = 0;
    const int64_t code = parsekey(kbuf, klen, used);
    take(used);
    return code;
}

// ESC [ X and ESC O X with an upper-case letter X are three bytes; a fourth
// byte '~' (or ESC [ [ X) makes four, a fifth '~' five; any other ESC is the
// Escape key alone. A sequence recognised from the zero look-ahead past the
// pending bytes takes only the bytes that are there.
int64_t mykbhit::parsekey(const unsigned char* pending, int len, int& used) {
    auto at = [&](int i) -> int { return i < len ? pending[i] : 0; };
    used = len > 0 ? 1 : 0;
    const int b0 = at(0), b1 = at(1), b2 = at(2), b3 = at(3), b4 = at(4);
    if (b0 != 27) return b0;
    int n = 1;
    if ((b1 == '[' || b1 == 'O') && b2 >= 'A' && b2 <= 'Z') n = 3;
    else if (b3 == '~' || (b1 == '[' && b2 == '[')) n = 4;
    else if (b4 == '~') n = 5;
    if (n == 1) return 27;
    int64_t code = 0;
    for (int i = 0; i < n; ++i) code |= int64_t(at(i)) << (8 * i);
    used = n < len ? n : len;
    return code;
}

void mykbhit::take(int n) {
    klen -= n;
    std::memmove(kbuf, kbuf + n, size_t(klen));
    std::memset(kbuf + klen, 0, zerotail);
}
