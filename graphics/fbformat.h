// How a framebuffer device lays out its pixels (depth, colour fields, row
// length, panning), and the copy of the screen bitmap into that layout. Pure
// code on memory: the device layer (mybitmapwin) only passes the bytes on.
#pragma once
#include <linux/fb.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "graphics/mybitmap.h"

// One colour field of a device pixel: its lowest bit and how many bits it has.
struct fbfield {
    int offset = 0;
    int length = 0;
};

struct fbformat {
    int width = 0;          // visible pixels per row
    int height = 0;         // visible rows
    int bitsperpixel = 32;
    int linelength = 0;     // bytes from one device row to the next
    int xoffset = 0;        // panning: first visible column and row
    int yoffset = 0;
    int virtualheight = 0;  // rows of the virtual screen
    bool ywrap = false;     // rows past the virtual screen wrap to its top
    fbfield red{16, 8};
    fbfield green{8, 8};
    fbfield blue{0, 8};
    fbfield transp{24, 8};

    // The format a device reports; a line length of 0 means rows of the
    // virtual width. A 32-bit device that reports no fields at all (every
    // length 0) is taken to be blue, green, red, alpha from the lowest byte.
    static fbformat fromdevice(const fb_fix_screeninfo& fixed, const fb_var_screeninfo& variable);

    int bytesperpixel() const { return bitsperpixel / 8; }
    // What keeps the editor from filling this format, in words; empty when
    // it can: 16, 24 or 32 bits, red, green and blue fields (and a
    // transparency field, unless its length is 0) of 1 to 16 bits inside the
    // pixel and apart from each other, rows long enough for the visible width.
    std::string problem() const;
    bool supported() const { return problem().empty(); }
    // The depth and the fields as the device gave them, for messages.
    std::string description() const;
    // 32 bits in the bitmap's own byte order: pixels go out unconverted.
    bool bitmaporder() const;
    // The visible rows follow each other in device memory without a gap.
    bool contiguous() const;
    // Byte offset in the device of the first visible pixel of visible row y.
    long long rowoffset(int y) const;
    // Bytes one copy of the visible area needs when it is converted.
    size_t stagingsize() const;
};

// Bitmap pixels (bytes blue, green, red, alpha) as the device pixels of one
// supported format. Each 8-bit channel goes into its field: a narrower field
// keeps the channel's top bits, a wider one repeats its bits from the top, so
// that 0 and 255 give the field's least and greatest values. The alpha byte
// goes into the transparency field when there is one.
class fbconverter {
public:
    explicit fbconverter(const fbformat& format);
    // The device value of one channel value in a field of length bits (1 to
    // 16), before it is moved to the field's place.
    static uint32_t scale(unsigned char channel, int length);
    // count pixels into count device pixels, lowest byte first.
    void convertrow(const unsigned char* from, int count, unsigned char* to) const;

private:
    int bytes;
    // The device bits of each channel value, already in the field's place.
    uint32_t red[256], green[256], blue[256], alpha[256];
};

// Where the copy goes: count bytes at a device offset. False stops the copy.
using fbwriter = bool (*)(void* context, long long offset, const unsigned char* bytes, size_t count);

// Copies rows first to last of the bitmap to a device of this format through
// write. On a contiguous device they go in one write: of the bitmap's own
// bytes when it is in bitmap order, else of their conversion; any other
// device gets one write per row. staging holds stagingsize() bytes (each row
// converted in its place in the frame) and may be null when the format is in
// bitmap order. False when a write failed, or nothing fits (the bitmap and
// format differ in size, the rows lie outside the bitmap).
bool copyrows(const mybitmap& bmp, const fbformat& format, unsigned char* staging, fbwriter write, void* context,
              int first, int last);
// All of the bitmap: the plain device (bitmap order, rows of width*4 bytes,
// no panning) gets one write of the bitmap's bytes at offset 0.
bool copytodevice(const mybitmap& bmp, const fbformat& format, unsigned char* staging, fbwriter write,
                  void* context);
