#include "input/wayout.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "input/myconsole.h"
#include "input/wakeup.h"

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

namespace {

termios foundsettings;
volatile sig_atomic_t terminalchanged = 0;
volatile sig_atomic_t endsignal = 0;

// A plain handler, restarting interrupted system calls.
void sethandler(int sig, void (*handler)(int)) {
    struct sigaction sa {};
    sa.sa_handler = handler;
    sa.sa_flags = SA_RESTART;
    sigemptyset(&sa.sa_mask);
    sigaction(sig, &sa, nullptr);
}

// The end signals (a closed terminal, a dropped session, kill, a timer) only
// leave a note and wake the main loop: it saves what must not be lost before
// the process ends.
void noteend(int sig) {
    wayout::noteendsignal(sig);
    wakeup::notify();
}

// Every signal whose default action ends the process, apart from the faults
// and the ignored ones; the real-time signals are added to these.
constexpr int endsignals[] = {SIGHUP, SIGQUIT, SIGTERM, SIGALRM, SIGVTALRM, SIGPROF, SIGUSR1,
                              SIGUSR2, SIGIO,  SIGPWR,  SIGSTKFLT, SIGXCPU};
constexpr int ignoredsignals[] = {SIGPIPE, SIGXFSZ, SIGTSTP, SIGTTIN, SIGTTOU};

void catchendsignals() {
    for (int sig : endsignals) sethandler(sig, noteend);
    for (int sig = SIGRTMIN; sig <= SIGRTMAX; ++sig) sethandler(sig, noteend);
    for (int sig : ignoredsignals) sethandler(sig, SIG_IGN);
}

// The faults and abort: what was there before (the default action, or a
// sanitizer's report) runs once the terminal and console are back. A fault
// returns to the faulting instruction and happens again; a signal that was
// sent is sent again, and so are a trap and a refused system call, after
// which the program would go on.
constexpr int fatalsignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGSYS, SIGTRAP};
constexpr size_t fatalcount = sizeof fatalsignals / sizeof fatalsignals[0];
struct sigaction beforefatal[fatalcount];

void restoreandfail(int sig, siginfo_t* info, void*) {
    wayout::restoreterminal();
    for (size_t i = 0; i < fatalcount; ++i)
        if (fatalsignals[i] == sig) sigaction(sig, &beforefatal[i], nullptr);
    if (info == nullptr || info->si_code <= 0 || sig == SIGTRAP || sig == SIGSYS) raise(sig);
}

// The end signals whose default action writes a core file.
bool coredumping(int sig) { return sig == SIGQUIT || sig == SIGXCPU; }

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
        set(wayout::restoreterminal);
    dlclose(lib);
    return 0;
}

void catchsanitizerend() {
    __sanitizer_set_death_callback(wayout::restoreterminal);
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

void wayout::guardterminal(const termios& found) {
    wakeup::open();  // before the handlers that write into it
    foundsettings = found;
    terminalchanged = 1;
    catchendsignals();
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

void wayout::restoreterminal() {
    myconsole::restore();
    if (terminalchanged) tcsetattr(0, TCSANOW, &foundsettings);
}

void wayout::leavenow(int status) {
    std::fflush(stdout);
    restoreterminal();
    _exit(status);
}

std::string wayout::printable(const char* what) {
    std::string out;
    for (const char* p = what ? what : ""; *p != '\0'; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 32 && c != 127) {
            out += char(c);
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(c));
        out += escaped;
    }
    return out;
}

std::string wayout::reasonline(const char* what, const std::string& reason) {
    return "zhedit: " + printable(what) + ": " + printable(reason.c_str()) + "\n";
}

void wayout::leavewithreason(int status, const char* what, const std::string& reason, const char* more) {
    std::string text = reasonline(what, reason);
    if (more != nullptr) text += more;
    std::fflush(stdout);
    restoreterminal();
    // Standard error is unbuffered; a short write is followed up.
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(2, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    _exit(status);
}

int wayout::pendingendsignal() { return endsignal; }

void wayout::noteendsignal(int sig) {
    if (endsignal == 0) endsignal = sig;
}

void wayout::endbysignal(int sig, const char* line) {
    std::fflush(stdout);
    restoreterminal();
    if (line != nullptr) std::fputs(line, stderr);
    std::fflush(stderr);
    if (coredumping(sig)) {
        const rlimit none{0, 0};
        setrlimit(RLIMIT_CORE, &none);
    }
    sethandler(sig, SIG_DFL);
    std::raise(sig);
    _exit(128 + sig);
}
