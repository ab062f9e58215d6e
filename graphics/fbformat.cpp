#include "graphics/fbformat.h"

#include <climits>
#include <cstdint>
#include <cstdio>

namespace {

int toint(uint32_t v) { return v > uint32_t(INT_MAX) ? INT_MAX : int(v); }

fbfield fieldof(const fb_bitfield& f) { return fbfield{toint(f.offset), toint(f.length)}; }

constexpr int widestfield = 16;

struct namedfield {
    const char* name;
    fbfield field;
};

// What is wrong with one field in a pixel of bits bits, or nullptr.
const char* fieldproblem(const fbfield& f, int bits) {
    if (f.length <= 0) return "has length 0";
    if (f.length > widestfield) return "is wider than 16 bits";
    if (f.offset < 0 || f.offset > bits - f.length) return "lies outside the pixel";
    return nullptr;
}

// The bits of a field that fits in a pixel of at most 32 bits.
uint64_t maskof(const fbfield& f) { return ((uint64_t(1) << f.length) - 1) << f.offset; }

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
    if (f.bitsperpixel == 32 && f.red.length == 0 && f.green.length == 0 && f.blue.length == 0 &&
        f.transp.length == 0) {
        f.red = {16, 8};
        f.green = {8, 8};
        f.blue = {0, 8};
        f.transp = {24, 8};
    }
    long long line = fixed.line_length;
    const uint32_t virtualwidth = variable.xres_virtual != 0 ? variable.xres_virtual : variable.xres;
    if (line == 0) line = (long long)virtualwidth * (f.bitsperpixel / 8);
    f.linelength = line > INT_MAX ? INT_MAX : int(line);
    return f;
}

std::string fbformat::problem() const {
    if (bitsperpixel != 16 && bitsperpixel != 24 && bitsperpixel != 32)
        return std::to_string(bitsperpixel) + " bits per pixel (the editor fills 16, 24 or 32)";
    const namedfield fields[] = {{"red", red}, {"green", green}, {"blue", blue}, {"transparency", transp}};
    const int count = transp.length == 0 ? 3 : 4;  // a transparency field of length 0 is left out
    for (int i = 0; i < count; ++i)
        if (const char* wrong = fieldproblem(fields[i].field, bitsperpixel))
            return std::string("the ") + fields[i].name + " field " + wrong;
    for (int i = 0; i < count; ++i)
        for (int j = i + 1; j < count; ++j)
            if ((maskof(fields[i].field) & maskof(fields[j].field)) != 0)
                return std::string("the ") + fields[i].name + " and " + fields[j].name + " fields overlap";
    if (width <= 0 || height <= 0 || xoffset < 0 || yoffset < 0)
        return "a visible area of " + std::to_string(width) + "x" + std::to_string(height) + " pixels at " +
               std::to_string(xoffset) + "," + std::to_string(yoffset);
    if ((long long)linelength < ((long long)xoffset + width) * bytesperpixel())
        return "rows of " + std::to_string(linelength) + " bytes, too short for " + std::to_string(width) +
               " pixels from column " + std::to_string(xoffset);
    return "";
}

std::string fbformat::description() const {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%d bits per pixel, red %d bits at bit %d, green %d at %d, blue %d at %d, transparency %d at %d",
                  bitsperpixel, red.length, red.offset, green.length, green.offset, blue.length, blue.offset,
                  transp.length, transp.offset);
    return text;
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

uint32_t fbconverter::scale(unsigned char channel, int length) {
    if (length <= 8) return uint32_t(channel) >> (8 - length);
    return uint32_t(channel) << (length - 8) | uint32_t(channel) >> (16 - length);
}

fbconverter::fbconverter(const fbformat& f) : bytes(f.bytesperpixel()) {
    auto table = [](uint32_t* to, const fbfield& field) {
        const bool usable = field.length >= 1 && field.length <= widestfield && field.offset >= 0 &&
                            field.offset + field.length <= 32;
        for (int c = 0; c < 256; ++c)
            to[c] = usable ? scale(static_cast<unsigned char>(c), field.length) << field.offset : 0;
    };
    table(red, f.red);
    table(green, f.green);
    table(blue, f.blue);
    table(alpha, f.transp);
}

namespace {

// Device pixels are stored lowest byte first, as on the little-endian
// machines these consoles run on. The pixel size is a constant here so that
// each pixel's bytes go out together.
template <int size>
void convertpixels(const uint32_t* red, const uint32_t* green, const uint32_t* blue, const uint32_t* alpha,
                   const unsigned char* from, int count, unsigned char* to) {
    for (int x = 0; x < count; ++x, from += 4, to += size) {
        const uint32_t v = red[from[2]] | green[from[1]] | blue[from[0]] | alpha[from[3]];
        for (int b = 0; b < size; ++b) to[b] = static_cast<unsigned char>(v >> (8 * b));
    }
}

}  // namespace

void fbconverter::convertrow(const unsigned char* from, int count, unsigned char* to) const {
    switch (bytes) {
    case 2: convertpixels<2>(red, green, blue, alpha, from, count, to); break;
    case 3: convertpixels<3>(red, green, blue, alpha, from, count, to); break;
    case 4: convertpixels<4>(red, green, blue, alpha, from, count, to); break;
    default: break;
    }
}

bool copyrows(const mybitmap& bmp, const fbformat& format, unsigned char* staging, fbwriter write, void* context,
              int first, int last) {
    if (!bmp.pbuf || bmp.width != format.width || bmp.height != format.height) return false;
    const int w = format.width, h = format.height;
    if (first < 0 || last >= h || first > last) return false;
    const size_t rowbytes = size_t(w) * size_t(format.bytesperpixel());
    const bool convert = !format.bitmaporder();
    if (convert && !staging) return false;
    const fbconverter converter(format);
    // Row y as the device takes it: the bitmap's own bytes, or their
    // conversion in the row's place in staging.
    auto devicerow = [&](int y) -> const unsigned char* {
        const unsigned char* pixels = bmp.pbuf + size_t(y) * size_t(w) * 4;
        if (!convert) return pixels;
        unsigned char* row = staging + size_t(y) * rowbytes;
        converter.convertrow(pixels, w, row);
        return row;
    };
    if (format.contiguous()) {
        const unsigned char* from = devicerow(first);
        for (int y = first + 1; y <= last; ++y) devicerow(y);
        return write(context, format.rowoffset(first), from, rowbytes * size_t(last - first + 1));
    }
    for (int y = first; y <= last; ++y)
        if (!write(context, format.rowoffset(y), devicerow(y), rowbytes)) return false;
    return true;
}

bool copytodevice(const mybitmap& bmp, const fbformat& format, unsigned char* staging, fbwriter write,
                  void* context) {
    return copyrows(bmp, format, staging, write, context, 0, format.height - 1);
}
