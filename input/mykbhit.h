// Reads the keyboard from the terminal on standard input in raw mode, one key
// code per call and without waiting: 0 for nothing, a single byte, or a whole
// escape sequence of 3 to 5 bytes packed first byte lowest.
#pragma once
#include <termios.h>

#include <cstdint>

class mykbhit {
public:
    static constexpr int bufsize = 10000;   // pending bytes
    static constexpr int zerotail = 10;     // kept zero after the pending bytes
    static constexpr int readsize = 20;     // at most this many bytes per read

    unsigned char* kbuf;
    int klen = 0;

    static termios initial_settings;
    static termios new_settings;

    mykbhit();
    ~mykbhit();
    mykbhit(const mykbhit&) = delete;
    mykbhit& operator=(const mykbhit&) = delete;

    int64_t kbhit();

    // Puts the terminal back as it was found, if a reader changed it. Safe in
    // a signal handler. Every way out of the program goes through it.
    static void restoreterminal();
    // Ends the process at once (no exit handlers) after restoring the terminal.
    [[noreturn]] static void leavenow(int status);

private:
    int byteat(int i) const { return i < klen ? kbuf[i] : 0; }
    void take(int n);
    int64_t takesequence(int n);
};
