// Reads the keyboard from the terminal on standard input in raw mode, one key
// code per call and without waiting: 0 for nothing, a single byte, or a whole
// escape sequence of 3 to 5 bytes packed first byte lowest. Every escape
// sequence is read whole; those that are no key the editor knows are taken
// without giving a key. Between keys the main loop sleeps in wait(). The
// settings it found go to the way-out unit (wayout), which puts them back
// however the program ends.
#pragma once
#include <termios.h>

#include <cstdint>

class mykbhit {
public:
    static constexpr int bufsize = 10000;   // pending bytes
    static constexpr int zerotail = 10;     // kept zero after the pending bytes
    static constexpr int readsize = 20;     // at most this many bytes per read
    // Milliseconds the rest of an escape sequence may take to arrive after
    // its last byte; then what came is dropped, a lone ESC is the Escape key.
    static constexpr int64_t sequencewait = 50;
    static constexpr int64_t escapekey = 27;

    unsigned char* kbuf;
    int klen = 0;
    // A steady clock in milliseconds (tests put one of their own here).
    int64_t (*clock)() = steadymilliseconds;

    static termios initial_settings;
    static termios new_settings;

    mykbhit();
    ~mykbhit();
    mykbhit(const mykbhit&) = delete;
    mykbhit& operator=(const mykbhit&) = delete;

    // The next key, or 0 when there is none to give yet. Sequences that give
    // no key are passed over, so 0 means that the pending bytes are used up
    // or are only the start of an unfinished sequence.
    int64_t kbhit();

    // Sleeps until kbhit may have a key to give: not at all while whole keys
    // are pending; until the rest of an unfinished sequence is due at the
    // latest; otherwise, with no time limit, until the terminal has input, a
    // signal handler wakes the loop (wakeup) or the terminal hangs up, which
    // counts as SIGHUP.
    void wait();

    // Whether the pending bytes are only the start of a sequence whose end
    // has not come, and the time (of clock) at which kbhit gives up waiting
    // for it; -1 when there is no such sequence.
    bool unfinished() const;
    int64_t deadline() const;

    // The key at the front of len pending bytes and the bytes it takes.
    // used is 0 when the bytes are only the start of a sequence (len 0
    // included); code is 0 for a sequence read whole that is no key, and
    // for a NUL byte.
    struct keyread {
        int64_t code;
        int used;
    };
    static keyread parsekey(const unsigned char* pending, int len);

    static int64_t steadymilliseconds();

private:
    void take(int n);
    int64_t lastarrival = 0;  // when bytes last came
};
