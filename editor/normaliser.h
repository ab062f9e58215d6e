// Turns outside bytes (a file, the clipboard) into the editor's text form:
// every line end CR LF, every byte of 0x80 or above paired with a second one.
#pragma once
#include <cstddef>

struct normaliseresult {
    size_t consumed = 0;   // input bytes used
    size_t written = 0;    // output bytes made
    bool full = false;     // stopped because the next character did not fit
    bool altered = false;  // changed more than LF or CR LF line ends (a CR dropped, a lone high byte doubled)
};

// Normalises src[0..n) into dst, at most dstcapacity bytes, whole characters
// only. Without atend the last byte is held back when what it becomes depends
// on the byte after it (a CR, a high byte): feed it again with what follows.
normaliseresult normalise(const unsigned char* src, size_t n, bool atend, unsigned char* dst, size_t dstcapacity);

// The normalised copy of n bytes, zero-terminated; null when n <= 0. The
// buffer is the normaliser's own and is replaced by its next call.
unsigned char* tfileter(const unsigned char* src, int n);
