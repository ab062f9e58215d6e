// Every way out of the program: the terminal settings and the console modes
// are put back whether the run ends normally, at an early exit, on SIGTERM or
// SIGHUP (after the main loop kept unsaved text), on a fatal signal, through
// an uncaught exception or at a sanitizer's report. Only start-up and the
// main loop end the process, through leavenow and endbysignal.
#pragma once
#include <termios.h>

namespace wayout {

// The key reader hands over the settings it found before it changed them.
// From then on every way out puts them back, and the handlers of the end
// signals, the fatal signals, an uncaught exception and the sanitizers'
// reports are in place.
void guardterminal(const termios& found);
// Puts the terminal back as it was found, if a reader changed it, and the
// console modes (myconsole). Safe in a signal handler.
void restoreterminal();
// Ends the process at once (no exit handlers) after restoring the terminal.
[[noreturn]] void leavenow(int status);
// SIGTERM or SIGHUP, once received; 0 before. The main loop acts on it (the
// editor keeps unsaved text first) and then calls endbysignal.
int pendingendsignal();
// Restores the terminal and ends the process by the signal.
[[noreturn]] void endbysignal(int sig);

}  // namespace wayout
