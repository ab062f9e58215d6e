#include "input/mykbhit.h"

#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <initializer_list>

#include "input/wakeup.h"
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
    // Set once: a read returns at once with what is pending, and the loop
    // sleeps in poll instead.
    new_settings.c_cc[VMIN] = 0;
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
        const ssize_t got = read(0, kbuf + klen, size_t(want));
        if (got > 0) {
            klen += int(got);
            lastarrival = clock();
        }
        // The terminal is gone (its other side closed): as when it hangs up.
        if (got < 0 && errno == EIO) wayout::noteendsignal(SIGHUP);
    }
    while (klen > 0) {
        const keyread key = parsekey(kbuf, klen);
        if (key.used == 0) {
            if (clock() - lastarrival < sequencewait) return 0;
            // The rest never came: a lone ESC was the Escape key, the start
            // of a longer sequence goes whole.
            const bool escape = klen == 1;
            take(klen);
            return escape ? escapekey : 0;
        }
        take(key.used);
        if (key.code != 0) return key.code;
    }
    return 0;
}

void mykbhit::wait() {
    const bool partial = unfinished();
    if (klen > 0 && !partial) return;
    int timeout = -1;
    if (partial) {
        const int64_t left = deadline() - clock();
        timeout = int(left < 0 ? 0 : left > sequencewait ? sequencewait : left);
    }
    // (poll passes over a descriptor of -1: no wake-up pipe.)
    pollfd watched[2] = {{0, POLLIN, 0}, {wakeup::descriptor(), POLLIN, 0}};
    const int ready = poll(watched, 2, timeout);
    // A handler that ran during the poll left a byte, whether it woke the
    // poll or broke into it: the loop looks at its flags next.
    wakeup::drain();
    if (ready > 0 && (watched[0].revents & (POLLHUP | POLLERR | POLLNVAL))) wayout::noteendsignal(SIGHUP);
}

bool mykbhit::unfinished() const { return klen > 0 && parsekey(kbuf, klen).used == 0; }

int64_t mykbhit::deadline() const { return unfinished() ? lastarrival + sequencewait : -1; }

int64_t mykbhit::steadymilliseconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

namespace {

constexpr unsigned char esc = 27;

bool isparameter(int b) { return b >= 0x30 && b <= 0x3F; }
bool isintermediate(int b) { return b >= 0x20 && b <= 0x2F; }
bool isfinal(int b) { return b >= 0x40 && b <= 0x7E; }
bool isdecimal(int b) { return b >= '0' && b <= '9'; }
bool isoneof(const char* set, int b) { return b != 0 && std::strchr(set, b) != nullptr; }

// The key code of ESC followed by up to four bytes.
int64_t escapecode(std::initializer_list<unsigned char> rest) {
    int64_t code = esc;
    int shift = 8;
    for (unsigned char b : rest) {
        code |= int64_t(b) << shift;
        shift += 8;
    }
    return code;
}

// The arrows, Home and End, whatever form and modifiers they come with, as
// ESC [ and their letter.
constexpr const char* cursorfinals = "ABCDHF";

// ESC [ parameters final. The keys numbered ESC [ n ~ keep their code; with
// modifiers (ESC [ n ; m ~) Home, Insert, Delete, End, Page Up and Page Down
// act as the plain key, and a function key is no key at all.
int64_t controlkey(const unsigned char* parameters, int n, unsigned char final) {
    if (isoneof(cursorfinals, final)) return escapecode({'[', final});
    if (final != '~') return 0;
    int digits = 0;
    while (digits < n && isdecimal(parameters[digits])) ++digits;
    const bool modified = digits < n;
    if (modified && parameters[digits] != ';') return 0;
    if (digits == 1 && (!modified || (parameters[0] >= '1' && parameters[0] <= '6')))
        return escapecode({'[', parameters[0], '~'});
    if (digits == 2 && !modified) return escapecode({'[', parameters[0], parameters[1], '~'});
    return 0;
}

// ESC O parameters final: the application-mode cursor keys, F1 to F4, and
// the application keypad, which types what is written on its keys.
int64_t singleshiftkey(int n, unsigned char final) {
    if (isoneof(cursorfinals, final)) return escapecode({'[', final});
    if (n > 0) return 0;
    if (isoneof("PQRS", final)) return escapecode({'O', final});
    if (final >= 'p' && final <= 'y') return '0' + (final - 'p');
    const char keypad[][2] = {{'M', '\n'}, {'j', '*'}, {'k', '+'}, {'l', ','}, {'m', '-'},
                              {'n', '.'},  {'o', '/'}, {'X', '='}};
    for (const auto& k : keypad)
        if (k[0] == final) return k[1];
    return 0;
}

constexpr mykbhit::keyread unfinishedsequence{0, 0};

// ESC then parameter bytes from `from` on and one final byte: the bytes
// taken up to the final byte and where the parameters end. A byte that fits
// nowhere ends the sequence before it, and it is then no key.
struct sequenceend {
    int used;       // 0: unfinished
    int finalat;    // -1: cut short, or with intermediate bytes
};

sequenceend scansequence(const unsigned char* p, int len, int from, bool intermediates) {
    int i = from;
    while (i < len && isparameter(p[i])) ++i;
    const int parametersend = i;
    if (intermediates)
        while (i < len && isintermediate(p[i])) ++i;
    if (i == len) return {0, -1};
    if (!isfinal(p[i])) return {i, -1};
    return {i + 1, i == parametersend ? i : -1};
}

}  // namespace

// A byte that is not ESC is a key of its own. After ESC:
//   ESC               the start of a sequence, unless nothing follows in time
//   ESC ESC           the Escape key; the second ESC starts anew
//   ESC [ [ x         the Linux console's F1 to F5 (x from A to E)
//   ESC [ M b x y     a mouse report
//   ESC [ P* I* F     a control sequence: parameter bytes 0x30-0x3F,
//                     intermediate bytes 0x20-0x2F, one final byte 0x40-0x7E
//   ESC O P* F        a single-shift sequence
//   ESC x             any other byte: Alt with a key, read as a pair
// Only the keys the editor answers give a code; everything else read whole
// is no key.
mykbhit::keyread mykbhit::parsekey(const unsigned char* p, int len) {
    if (len <= 0) return unfinishedsequence;
    if (p[0] != esc) return {p[0], 1};
    if (len < 2) return unfinishedsequence;
    if (p[1] == esc) return {escapekey, 1};
    if (p[1] == 'O') {
        const sequenceend s = scansequence(p, len, 2, false);
        return {s.finalat < 0 ? 0 : singleshiftkey(s.finalat - 2, p[s.finalat]), s.used};
    }
    if (p[1] != '[') return {0, 2};
    if (len < 3) return unfinishedsequence;
    if (p[2] == '[') {
        if (len < 4) return unfinishedsequence;
        return {p[3] >= 'A' && p[3] <= 'E' ? escapecode({'[', '[', p[3]}) : 0, 4};
    }
    if (p[2] == 'M') return len < 6 ? unfinishedsequence : keyread{0, 6};
    const sequenceend s = scansequence(p, len, 2, true);
    return {s.finalat < 0 ? 0 : controlkey(p + 2, s.finalat - 2, p[s.finalat]), s.used};
}

void mykbhit::take(int n) {
    klen -= n;
    std::memmove(kbuf, kbuf + n, size_t(klen));
    std::memset(kbuf + klen, 0, zerotail);
}
