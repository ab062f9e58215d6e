// The one off-screen screen bitmap: width x height 32-bit pixels, a second
// buffer for saving the screen under a popup, the shared pen (colour and
// thickness) that every drawer uses and leaves set, and for every row the
// drawing period in which it was last written.
#pragma once
#include <cstdint>
#include <cstring>
#include "graphics/mycolor.h"
#include "storage/savefile.h"

// One pixel of a stamp: its offset from the stamp's origin.
struct pixeloffset {
    int16_t dx, dy;
};

class mybitmap {
public:
    int width = 0;
    int height = 0;
    unsigned char* pbuf = nullptr;     // pixels, row-major, width*4 bytes a row
    unsigned char* savebuf = nullptr;  // the saved screen, same size
    unsigned char** rows = nullptr;    // rows[y] = start of row y in pbuf
    int thick = 1;
    mycolor pencolor;

    // The current font, shared by every bitmap and view.
    static const unsigned char* vec;
    static int vennum;
    static unsigned short zn;
    static const unsigned short* chss;
    static int zhityid;

    mybitmap(int w, int h);
    ~mybitmap();
    mybitmap(const mybitmap&) = delete;
    mybitmap& operator=(const mybitmap&) = delete;

    void reset(int w, int h);

    void setpixel(int x, int y, const mycolor& c);
    void setpixel(int x, int y, unsigned char a, unsigned char r, unsigned char g, unsigned char b);
    static void joincolor(unsigned char& r, unsigned char& g, unsigned char& b,
                          unsigned char sr, unsigned char sg, unsigned char sb, unsigned char a);
    void clear(mycolor c);
    void drawthinline(int x1, int y1, int x2, int y2);
    // setpixel(x, y, c) for x from x1 to x2 (x1 <= x2), in one pass.
    void fillspan(int x1, int x2, int y, const mycolor& c);
    // setpixel(x + dx, y + dy, c) for each of the n offsets, in one pass.
    void stamp(int x, int y, const pixeloffset* p, size_t n, const mycolor& c);

    // While a clip is set, plots outside its rectangle (edges included) are
    // dropped like plots outside the bitmap; text in a box uses it.
    void setclip(int x1, int y1, int x2, int y2);
    void unclip();

    unsigned char* savebuffer();
    void loadbuffer();

    // Every row a drawing operation writes is stamped with the current drawing
    // period. Whoever must know what changed (the copy to the device, a view
    // that shares rows with another) ends a period when it has seen the
    // bitmap, and later asks which rows were written after it.
    // endperiod returns the period that ends: every row written so far is
    // stamped with it or an earlier one, every row written from now on later.
    uint64_t endperiod() { return period++; }
    // Row y (inside the bitmap) was written after the period `seen` ended.
    bool writtenafter(int y, uint64_t seen) const { return y >= 0 && y < height && rowperiods[y] > seen; }
    // Stamps rows y1 to y2 as written, for rows changed by other means.
    void markrows(int y1, int y2);
    // Writes the pixels as a 24-bit BMP file at path, through a new file
    // renamed over it; false, with what was there left alone, when any step
    // fails.
    bool savetobmp(const char* path, fileio& io = systemfileio()) const;

    void setvzk(int vennum, unsigned short zn, const unsigned char* vec, const unsigned short* chss);

    bool inside(int x, int y) const { return x >= 0 && x < width && y >= 0 && y < height; }
    mycolor getpixel(int x, int y) const {
        return inside(x, y) ? mycolor(loadpixel(x, y)) : mycolor(0u);
    }

private:
    // The pixels that plots may change: the bitmap, cut by the clip when set.
    int plotleft = 0, plottop = 0, plotright = 0, plotbottom = 0;  // right and bottom excluded
    uint64_t period = 1;
    uint64_t* rowperiods = nullptr;  // the period in which each row was last written
    bool plottable(int x, int y) const { return x >= plotleft && x < plotright && y >= plottop && y < plotbottom; }
    uint32_t loadpixel(int x, int y) const {
        uint32_t v;
        std::memcpy(&v, rows[y] + 4 * x, 4);
        return v;
    }
    void storepixel(int x, int y, uint32_t v) {
        std::memcpy(rows[y] + 4 * x, &v, 4);
        rowperiods[y] = period;
    }
    void allocate(int w, int h);
    void clearopaque(mycolor c);
    void release();
};

// The line walk shared by the bitmap's thin line and the viewport's lines:
// calls plot(x, y) for max(|dx|, |dy|) + 1 points from (x1, y1) to (x2, y2).
// The walk depends on direction, so callers keep their argument order.
template <typename Plot>
void walkline(int x1, int y1, int x2, int y2, Plot plot) {
    const int dx = x2 - x1, dy = y2 - y1;
    const int ax = dx < 0 ? -dx : dx, ay = dy < 0 ? -dy : dy;
    const int sx = dx >= 0 ? 1 : -1, sy = dy >= 0 ? 1 : -1;
    int x = x1, y = y1;
    if (ax >= ay) {
        int e = ay - ax / 2;
        for (int n = 0; n <= ax; ++n) {
            plot(x, y);
            if (e > 0) { y += sy; e -= ax; }
            x += sx;
            e += ay;
        }
    } else {
        int e = ax - ay / 2;
        for (int n = 0; n <= ay; ++n) {
            plot(x, y);
            if (e > 0) { x += sx; e -= ay; }
            y += sy;
            e += ax;
        }
    }
}
