// The key reader's parser run over arbitrary bytes, from the front as the
// reader takes them: a byte that is not ESC is a key of its own; no byte of a
// sequence that starts with ESC comes out as a character (only the keypad
// types what is written on its keys); a sequence is known once its bytes are
// there, and the bytes after it never change it, so they come out as they
// would alone; only the end of the input can be an unfinished sequence.
// Shared by the libFuzzer target and a unit test.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "input/mykbhit.h"

inline void checkkeyparse(const uint8_t* data, size_t size) {
    const int len = int(size > 4096 ? 4096 : size);
    for (int pos = 0; pos < len;) {
        const uint8_t* p = data + pos;
        const int rest = len - pos;
        const mykbhit::keyread key = mykbhit::parsekey(p, rest);
        for (int m = 1; m <= rest && m <= key.used + 1; ++m) {
            const mykbhit::keyread part = mykbhit::parsekey(p, m);
            const bool same = part.used == key.used && part.code == key.code;
            if (m < key.used ? part.used != 0 : m > key.used ? !same : part.used != 0 && !same) std::abort();
        }
        if (key.used == 0) {
            if (p[0] != 27) std::abort();
            break;
        }
        if (key.used > rest) std::abort();
        if (p[0] != 27) {
            if (key.used != 1 || key.code != p[0]) std::abort();
        } else if (key.code > 0 && key.code < 256) {
            const bool escape = key.code == 27 && key.used == 1 && rest > 1 && p[1] == 27;
            const bool keypad = key.used == 3 && p[1] == 'O';
            if (!escape && !keypad) std::abort();
        } else if (key.code != 0 && ((key.code & 0xFF) != 27 || key.code >> 40 != 0)) {
            std::abort();
        }
        pos += key.used;
    }
}
