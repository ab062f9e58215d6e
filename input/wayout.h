// Every way out of the program: the terminal settings and the console modes
// are put back whether the run ends normally, at an early exit, on a signal
// that ends it (after the main loop kept unsaved text), on a fatal signal,
// through an uncaught exception or at a sanitizer's report. Only start-up and
// the main loop end the process, through leavenow and endbysignal.
#pragma once
#include <termios.h>

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
// The first end signal received; 0 before. The main loop acts on it (the
// editor keeps unsaved text first) and then calls endbysignal.
int pendingendsignal();
// Counts as the end signal sig (the key reader's terminal went away).
void noteendsignal(int sig);
// Restores the terminal, writes line (if any) to standard error and ends the
// process by the signal, without a core file: it would hold the text.
[[noreturn]] void endbysignal(int sig, const char* line = nullptr);

}  // namespace wayout
