// libFuzzer target for the input method's state machine (built with clang only).
#include "tests/fuzz/inputmethodfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    inputmethodfuzz::check(data, size);
    return 0;
}
