// Wakes the main loop from its sleep in poll: the signal handlers that leave
// it work (an end signal, a terminal switch) write a byte into a pipe that
// the loop polls beside the terminal, so that a signal that comes just before
// the loop goes to sleep still wakes it.
#pragma once

namespace wakeup {

// Makes the pipe, both ends non-blocking and closed on exec; once per
// process, before the first handler that calls notify is installed.
void open();
// The end the loop polls; -1 before open (or when the pipe could not be made).
int descriptor();
// One byte into the pipe, errno left as it was. Safe in a signal handler.
void notify();
// Empties the pipe.
void drain();

}  // namespace wakeup
