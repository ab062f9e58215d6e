#include "input/wakeup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

volatile sig_atomic_t readend = -1;
volatile sig_atomic_t writeend = -1;

}  // namespace

void wakeup::open() {
    if (readend >= 0) return;
    int ends[2];
    if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return;
    writeend = ends[1];
    readend = ends[0];
}

int wakeup::descriptor() { return readend; }

// A full pipe already holds a byte that wakes the loop: the failed write is
// of no account.
void wakeup::notify() {
    if (writeend < 0) return;
    const int saved = errno;
    const char one = 1;
    const ssize_t ignored = write(writeend, &one, 1);
    (void)ignored;
    errno = saved;
}

void wakeup::drain() {
    if (readend < 0) return;
    char bytes[64];
    while (read(readend, bytes, sizeof bytes) > 0) {
    }
}
