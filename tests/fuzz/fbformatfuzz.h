// The framebuffer's reported format run over arbitrary screen information:
// a format taken as supported is copied into exactly its visible bytes, each
// written once, never before the device's start or past its last visible row.
// Shared by the libFuzzer target and a unit test.
#pragma once
#include <linux/fb.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/fbformat.h"

struct fbfuzzdevice {
    std::vector<unsigned char> written;  // how often each byte was written
};

inline bool fbfuzzput(void* context, long long offset, const unsigned char*, size_t count) {
    auto* d = static_cast<fbfuzzdevice*>(context);
    if (offset < 0 || size_t(offset) + count > d->written.size()) std::abort();
    for (size_t i = 0; i < count; ++i)
        if (++d->written[size_t(offset) + i] != 1) std::abort();
    return true;
}

inline void checkfbformat(const uint8_t* data, size_t size) {
    fb_fix_screeninfo fixed{};
    fb_var_screeninfo variable{};
    if (size < sizeof fixed + sizeof variable) return;
    std::memcpy(&fixed, data, sizeof fixed);
    std::memcpy(&variable, data + sizeof fixed, sizeof variable);
    // Screens small enough to copy many times a second.
    variable.xres %= 64;
    variable.yres %= 64;
    variable.xoffset %= 64;
    variable.yoffset %= 64;
    variable.yres_virtual %= 256;
    fixed.line_length %= 1024;
    const fbformat f = fbformat::fromdevice(fixed, variable);
    if (!f.supported()) return;
    if (f.width != int(variable.xres) || f.height != int(variable.yres)) std::abort();
    mybitmap bmp(f.width, f.height);
    std::vector<unsigned char> staging(f.stagingsize());
    const long long rowbytes = (long long)f.width * f.bytesperpixel();
    long long end = 0;
    for (int y = 0; y < f.height; ++y) {
        const long long at = f.rowoffset(y);
        if (at < 0) std::abort();
        if (at + rowbytes > end) end = at + rowbytes;
    }
    fbfuzzdevice d;
    d.written.assign(size_t(end), 0);
    if (!copytodevice(bmp, f, staging.data(), fbfuzzput, &d)) std::abort();
    size_t total = 0;
    for (unsigned char n : d.written) total += n;
    if (total != size_t(rowbytes) * size_t(f.height)) std::abort();
}
