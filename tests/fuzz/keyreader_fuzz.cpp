// libFuzzer target for the key reader's parser (built with clang only).
#include "tests/fuzz/keyreaderfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkkeyparse(data, size);
    return 0;
}
