// libFuzzer target for the framebuffer format handling (built with clang only).
#include "tests/fuzz/fbformatfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    checkfbformat(data, size);
    return 0;
}
