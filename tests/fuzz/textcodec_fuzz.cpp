// libFuzzer target for the UTF-8 check and the UTF-8/GBK conversions (built with clang only).
#include "tests/fuzz/textcodecfuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    textcodecfuzz::checktextcodec(data, size);
    return 0;
}
