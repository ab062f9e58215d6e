// Every way out of the program: the terminal settings and the console modes
// are put back whether the run ends normally, at an early exit, on a signal
// that ends it (after the main loop kept unsaved text), on a fatal signal,
// through an uncaught exception or at a sanitizer's report. Only start-up and
// the main loop end the process, through leavenow, leavewithreason and
// endbysignal.
#pragma once
#include <termios.h>

#include <string>

// How the program ends, as --help and the README list it. An end by a signal
// is reported by the shell as 128 + the signal's number.
namespace exitstatus {
constexpr int normal = 0;
constexpr int noframebuffer = 1;      // the framebuffer device cannot be opened
constexpr int nofixedinfo = 2;        // its fixed screen information cannot be read
constexpr int novariableinfo = 3;     // its variable screen information cannot be read, or is not filled
constexpr int notaterminal = 4;       // standard input is no terminal, or the editor is not in its foreground
constexpr int screentoosmall = 5;     // the screen is too small for the text size
constexpr int cannotopen = 11;        // the file to edit cannot be opened, or is not a regular file
constexpr int commandlineerror = 64;  // an unknown option or a bad value
}  // namespace exitstatus

namespace wayout {

// The key reader hands over the settings it found before it changed them.
// From then on every way out puts them back, and the handlers of the end
// signals, the fatal signals, an uncaught exception and the sanitizers'
// reports are in place. Every signal whose default ends the process is an
// end signal, except the faults (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT,
// SIGSYS, SIGTRAP), which end it at once, and SIGINT, SIGPIPE and SIGXFSZ,
// which are ignored (a failing write then reports its own error); the
// console's switching signals take SIGUSR1 and SIGUSR2 over where they are
// used (myconsole). SIGTSTP, SIGTTIN and SIGTTOU are ignored: a stopped
// editor would keep the console from switching.
void guardterminal(const termios& found);
// Puts the terminal back as it was found, if a reader changed it, and the
// console modes (myconsole). Safe in a signal handler.
void restoreterminal();
// Ends the process at once (no exit handlers) after restoring the terminal.
[[noreturn]] void leavenow(int status);
// The line a failure leaves on standard error: "zhedit: WHAT: REASON". Their
// bytes below 32 and 127 are written as \xNN, so that a file name cannot
// move the cursor or change the terminal; any other byte stays.
std::string reasonline(const char* what, const std::string& reason);
// what with those bytes escaped in the same way.
std::string printable(const char* what);
// Ends the process at once, like leavenow, and once the terminal and the
// console are back writes reasonline(what, reason), then more when it is
// given, on standard error.
[[noreturn]] void leavewithreason(int status, const char* what, const std::string& reason,
                                  const char* more = nullptr);
// The first end signal received; 0 before. The main loop acts on it (the
// editor keeps unsaved text first) and then calls endbysignal.
int pendingendsignal();
// Counts as the end signal sig (the key reader's terminal went away).
void noteendsignal(int sig);
// Restores the terminal, writes line (if any) to standard error and ends the
// process by the signal, without a core file: it would hold the text.
[[noreturn]] void endbysignal(int sig, const char* line = nullptr);

}  // namespace wayout
