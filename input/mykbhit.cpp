#include "input/mykbhit.h"

#include <signal.h>

#include <csignal>
#include <cstdlib>
#include <exception>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "input/myconsole.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
#define ZHEDIT_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) && !defined(ZHEDIT_SANITIZED)
#define ZHEDIT_SANITIZED 1
#endif
#ifdef ZHEDIT_SANITIZED
#include <dlfcn.h>
#include <link.h>
#include <sanitizer/common_interface_defs.h>
#endif

termios mykbhit::initial_settings;
termios mykbhit::new_settings;

namespace {

volatile sig_atomic_t terminalchanged = 0;
volatile sig_atomic_t endsignal = 0;

void ignore_sigint(int) {}

// SIGTERM and SIGHUP (a closed terminal, a dropped session) only leave a
// note: the main loop saves what must not be lost before the process ends.
void noteendsignal(int sig) {
    if (endsignal == 0) endsignal = sig;
}

// The faults and abort: what was there before (the default action, or a
// sanitizer's report) runs once the terminal and console are back. A fault
// returns to the faulting instruction and happens again; a signal that was
// sent is sent again.
constexpr int fatalsignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr size_t fatalcount = sizeof fatalsignals / sizeof fatalsignals[0];
struct sigaction beforefatal[fatalcount];

void restoreandfail(int sig, siginfo_t* info, void*) {
    mykbhit::restoreterminal();
    for (size_t i = 0; i < fatalcount; ++i)
        if (fatalsignals[i] == sig) sigaction(sig, &beforefatal[i], nullptr);
    if (info == nullptr || info->si_code <= 0) raise(sig);
}

#ifdef ZHEDIT_SANITIZED
// A sanitizer's report ends the process without a signal. Each sanitizer
// runtime that is loaded keeps its own death callback (with GCC the address
// and the undefined-behaviour sanitizers are two libraries), so every one of
// them gets it, not only the one the plain call reaches.
int setdeathcallback(dl_phdr_info* info, size_t, void*) {
    const char* name = info->dlpi_name != nullptr && info->dlpi_name[0] != '\0' ? info->dlpi_name : nullptr;
    void* lib = dlopen(name, RTLD_LAZY | RTLD_NOLOAD);
    if (lib == nullptr) return 0;
    using setter = void (*)(void (*)());
    if (auto set = reinterpret_cast<setter>(dlsym(lib, "__sanitizer_set_death_callback")))
        set(mykbhit::restoreterminal);
    dlclose(lib);
    return 0;
}

void catchsanitizerend() {
    __sanitizer_set_death_callback(mykbhit::restoreterminal);
    dl_iterate_phdr(setdeathcallback, nullptr);
}
#endif

// Once per process: a second reader must not take the first one's handler
// for what was there before.
void catchfatalsignals() {
    static bool caught = false;
    if (caught) return;
    caught = true;
    struct sigaction sa {};
    sa.sa_sigaction = restoreandfail;
    sa.sa_flags = SA_SIGINFO;
    sigemptyset(&sa.sa_mask);
    for (size_t i = 0; i < fatalcount; ++i)
        sigaction(fatalsignals[i], &sa, &beforefatal[i]);
}

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
    terminalchanged = 1;
    std::signal(SIGINT, ignore_sigint);
    std::signal(SIGTERM, noteendsignal);
    std::signal(SIGHUP, noteendsignal);
    catchfatalsignals();
#ifdef ZHEDIT_SANITIZED
    catchsanitizerend();
#endif
    // An error that nothing catches must not leave the console in raw mode.
    std::set_terminate([] {
        restoreterminal();
        std::abort();
    });
}

mykbhit::~mykbhit() {
    restoreterminal();
    delete[] kbuf;
}

void mykbhit::restoreterminal() {
    myconsole::restore();
    if (terminalchanged) tcsetattr(0, TCSANOW, &initial_settings);
}

void mykbhit::leavenow(int status) {
    std::fflush(stdout);
    restoreterminal();
    _exit(status);
}

int mykbhit::pendingendsignal() { return endsignal; }

void mykbhit::endbysignal(int sig) {
    std::fflush(stdout);
    restoreterminal();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    _exit(128 + sig);
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
