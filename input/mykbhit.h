// Reads the keyboard from the terminal on standard input in raw mode, one key
// code per call and without waiting: 0 for nothing, a single byte, or a whole
// escape sequence of 3 to 5 bytes packed first byte lowest. The settings it
// found go to the way-out unit (wayout), which puts them back however the
// program ends.
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

    // The key at the front of len pending bytes, and how many of them it
    // takes (at least 1 when len > 0). Positions past len read as zero.
    static int64_t parsekey(const unsigned char* pending, int len, int& used);

private:
    void take(int n);
};
