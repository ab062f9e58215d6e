// The key reader's parser run over arbitrary bytes: every byte of the input
// comes out exactly once, in order, inside exactly one key code, and no code
// holds more than 5 bytes. Shared by the libFuzzer target and a unit test.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "input/mykbhit.h"

inline void checkkeyparse(const uint8_t* data, size_t size) {
    int pos = 0;
    const int len = int(size > 1 << 20 ? 1 << 20 : size);
    while (pos < len) {
        int used = 0;
        const int64_t code = mykbhit::parsekey(data + pos, len - pos, used);
        if (used < 1 || used > 5 || used > len - pos) std::abort();
        // The code's low bytes are exactly the bytes taken; any byte above
        // them is zero.
        for (int i = 0; i < 8; ++i) {
            const int byte = int((uint64_t(code) >> (8 * i)) & 0xFF);
            const int expected = i < used ? data[pos + i] : 0;
            if (byte != expected) std::abort();
        }
        if (used > 1 && data[pos] != 27) std::abort();
        pos += used;
    }
}
