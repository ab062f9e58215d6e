#include "graphics/fbformat.h"

#include <climits>
#include <cstdint>

namespace {

int toint(uint32_t v) { return v > uint32_t(INT_MAX) ? INT_MAX : int(v); }

fbfield fieldof(const fb_bitfield& f) { return fbfield{toint(f.offset), toint(f.length)}; }

bool fieldfits(const fbfield& f, int bits) {
    return f.length >= 1 && f.length <= 8 && f.offset >= 0 && f.offset <= bits - f.length;
}

// An 8-bit channel cut to the field's top bits and moved to its place.
uint32_t place(unsigned char channel, const fbfield& f) {
    return uint32_t(channel >> (8 - f.length)) << f.offset;
}

}  // namespace

fbformat fbformat::fromdevice(const fb_fix_screeninfo& fixed, const fb_var_screeninfo& variable) {
    fbformat f;
    f.width = toint(variable.xres);
    f.height = toint(variable.yres);
    f.bitsperpixel = toint(variable.bits_per_pixel);
    f.xoffset = toint(variable.xoffset);
    f.yoffset = toint(variable.yoffset);
    f.virtualheight = toint(variable.yres_virtual);
    f.ywrap = (variable.vmode & FB_VMODE_YWRAP) != 0;
    f.red = fieldof(variable.red);
    f.green = fieldof(variable.green);
    f.blue = fieldof(variable.blue);
    f.transp = fieldof(variable.transp);
    long long line = fixed.line_length;
    const uint32_t virtualwidth = variable.xres_virtual != 0 ? variable.xres_virtual : variable.xres;
    if (line == 0) line = (long long)virtualwidth * (f.bitsperpixel / 8);
    f.linelength = line > INT_MAX ? INT_MAX : int(line);
    return f;
}

bool fbformat::supported() const {
    if (bitsperpixel != 16 && bitsperpixel != 24 && bitsperpixel != 32) return false;
    if (!fieldfits(red, bitsperpixel) || !fieldfits(green, bitsperpixel) || !fieldfits(blue, bitsperpixel))
        return false;
    if (width <= 0 || height <= 0 || xoffset < 0 || yoffset < 0) return false;
    return (long long)linelength >= ((long long)xoffset + width) * bytesperpixel();
}

bool fbformat::bitmaporder() const {
    return bitsperpixel == 32 && blue.offset == 0 && blue.length == 8 && green.offset == 8 && green.length == 8 &&
           red.offset == 16 && red.length == 8;
}

bool fbformat::contiguous() const {
    if (xoffset != 0 || (long long)linelength != (long long)width * bytesperpixel()) return false;
    return !ywrap || virtualheight <= 0 || (long long)yoffset + height <= virtualheight;
}

long long fbformat::rowoffset(int y) const {
    long long row = (long long)yoffset + y;
    if (ywrap && virtualheight > 0) row %= virtualheight;
    return row * linelength + (long long)xoffset * bytesperpixel();
}

size_t fbformat::stagingsize() const {
    if (width <= 0 || height <= 0) return 0;
    return size_t(width) * size_t(height) * size_t(bytesperpixel());
}

// Device pixels are stored lowest byte first, as on the little-endian
// machines these consoles run on. The pixel size is a constant here so that
// each pixel's bytes go out together.
template <int bytes>
void convertpixels(const fbformat& f, bool alpha, const unsigned char* from, int count, unsigned char* to) {
    for (int x = 0; x < count; ++x, from += 4, to += bytes) {
        uint32_t v = place(from[2], f.red) | place(from[1], f.green) | place(from[0], f.blue);
        if (alpha) v |= place(from[3], f.transp);
        for (int b = 0; b < bytes; ++b) to[b] = static_cast<unsigned char>(v >> (8 * b));
    }
}

void fbformat::convertrow(const unsigned char* from, int count, unsigned char* to) const {
    const bool alpha = fieldfits(transp, bitsperpixel);
    switch (bytesperpixel()) {
    case 2: convertpixels<2>(*this, alpha, from, count, to); break;
    case 3: convertpixels<3>(*this, alpha, from, count, to); break;
    case 4: convertpixels<4>(*this, alpha, from, count, to); break;
    default: break;
    }
}

bool copytodevice(const mybitmap& bmp, const fbformat& format, unsigned char* staging, fbwriter write,
                  void* context) {
    if (!bmp.pbuf || bmp.width != format.width || bmp.height != format.height) return false;
    const int w = format.width, h = format.height;
    const size_t rowbytes = size_t(w) * size_t(format.bytesperpixel());
    const bool convert = !format.bitmaporder();
    if (convert && !staging) return false;
    // Row y as the device takes it: the bitmap's own bytes, or their
    // conversion in the row's place in staging.
    auto devicerow = [&](int y) -> const unsigned char* {
        const unsigned char* pixels = bmp.pbuf + size_t(y) * size_t(w) * 4;
        if (!convert) return pixels;
        unsigned char* row = staging + size_t(y) * rowbytes;
        format.convertrow(pixels, w, row);
        return row;
    };
    if (format.contiguous()) {
        if (convert)
            for (int y = 0; y < h; ++y) devicerow(y);
        return write(context, format.rowoffset(0), convert ? staging : bmp.pbuf, rowbytes * size_t(h));
    }
    for (int y = 0; y < h; ++y)
        if (!write(context, format.rowoffset(y), devicerow(y), rowbytes)) return false;
    return true;
}
