#include "graphics/mybitmap.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "font/glyphindex.h"
#include "font/ku500.h"

const unsigned char* mybitmap::vec = nullptr;
int mybitmap::vennum = 0;
unsigned short mybitmap::zn = 0;
const unsigned short* mybitmap::chss = nullptr;
int mybitmap::zhityid = 0;

mybitmap::mybitmap(int w, int h) {
    if (w <= 0 || h <= 0) return;
    allocate(w, h);
    setvzk(ttunumber, static_cast<unsigned short>(zzhinumber), ttu, zzhi);
}

mybitmap::~mybitmap() { release(); }

void mybitmap::reset(int w, int h) {
    release();
    if (w <= 0 || h <= 0) return;
    thick = 1;
    pencolor = mycolor(0, 0, 0);
    allocate(w, h);
}

void mybitmap::allocate(int w, int h) {
    const size_t bytes = size_t(w) * size_t(h) * 4;
    width = w;
    height = h;
    pbuf = new unsigned char[bytes];
    savebuf = new unsigned char[bytes];
    rows = new unsigned char*[h];
    rowperiods = new uint64_t[h];
    std::memset(pbuf, 0xFF, bytes);
    for (int y = 0; y < h; ++y) rows[y] = pbuf + size_t(y) * size_t(w) * 4;
    unclip();
    markrows(0, h - 1);
}

void mybitmap::release() {
    delete[] pbuf;
    delete[] savebuf;
    delete[] rows;
    delete[] rowperiods;
    pbuf = savebuf = nullptr;
    rows = nullptr;
    rowperiods = nullptr;
    width = height = 0;
    unclip();
}

void mybitmap::setclip(int x1, int y1, int x2, int y2) {
    plotleft = std::max(0, std::min(x1, x2));
    plottop = std::max(0, std::min(y1, y2));
    plotright = std::min(width, std::max(x1, x2) + 1);
    plotbottom = std::min(height, std::max(y1, y2) + 1);
}

void mybitmap::unclip() {
    plotleft = plottop = 0;
    plotright = width;
    plotbottom = height;
}

void mybitmap::markrows(int y1, int y2) {
    for (int y = std::max(y1, 0); y <= y2 && y < height; ++y) rowperiods[y] = period;
}

void mybitmap::setpixel(int x, int y, const mycolor& c) {
    if (!plottable(x, y)) return;
    if (c.alpha == 255) {
        storepixel(x, y, c.value());
        return;
    }
    mycolor d(loadpixel(x, y));
    if (d.alpha == blendedmark) return;
    const int a = c.alpha;
    d.red = static_cast<unsigned char>((d.red * (255 - a) + c.red * a) / 255);
    d.green = static_cast<unsigned char>((d.green * (255 - a) + c.green * a) / 255);
    d.blue = static_cast<unsigned char>((d.blue * (255 - a) + c.blue * a) / 255);
    d.alpha = blendedmark;
    storepixel(x, y, d.value());
}

static unsigned char blendbyte(unsigned char dst, unsigned char src, double f) {
    return static_cast<unsigned char>(src * f + (1 - f) * dst);
}

void mybitmap::joincolor(unsigned char& r, unsigned char& g, unsigned char& b,
                         unsigned char sr, unsigned char sg, unsigned char sb, unsigned char a) {
    const double f = a / 255.0;
    r = blendbyte(r, sr, f);
    g = blendbyte(g, sg, f);
    b = blendbyte(b, sb, f);
}

void mybitmap::setpixel(int x, int y, unsigned char a, unsigned char r, unsigned char g, unsigned char b) {
    if (!plottable(x, y)) return;
    const uint32_t v = loadpixel(x, y);
    if (v == 0) return;
    mycolor d(v);
    joincolor(d.red, d.green, d.blue, r, g, b, a);
    d.alpha = blendedmark;
    storepixel(x, y, d.value());
}

// Every pixel takes the factor blend of setpixel(x, y, a, r, g, b). The blend of
// one channel depends only on the old byte, so one table per channel gives the
// same bytes as the double-precision formula at a fraction of the cost; this
// runs before every full redraw.
void mybitmap::clear(mycolor c) {
    if (!pbuf) return;
    if (c.alpha == 255) {
        clearopaque(c);
        return;
    }
    const double f = c.alpha / 255.0;
    unsigned char tabr[256], tabg[256], tabb[256];
    for (int v = 0; v < 256; ++v) {
        tabr[v] = blendbyte(static_cast<unsigned char>(v), c.red, f);
        tabg[v] = blendbyte(static_cast<unsigned char>(v), c.green, f);
        tabb[v] = blendbyte(static_cast<unsigned char>(v), c.blue, f);
    }
    markrows(0, height - 1);
    const size_t count = size_t(width) * size_t(height);
    for (size_t i = 0; i < count; ++i) {
        unsigned char* p = pbuf + 4 * i;
        uint32_t v;
        std::memcpy(&v, p, 4);
        if (v == 0) continue;
        p[0] = tabb[p[0]];
        p[1] = tabg[p[1]];
        p[2] = tabr[p[2]];
        p[3] = blendedmark;
    }
}

// With an opaque colour the blend gives the colour itself: every pixel but
// an all-zero one becomes the colour with the blended mark.
void mybitmap::clearopaque(mycolor c) {
    c.alpha = blendedmark;
    const uint32_t painted = c.value();
    markrows(0, height - 1);
    const size_t count = size_t(width) * size_t(height);
    for (size_t i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, pbuf + 4 * i, 4);
        v = v == 0 ? 0 : painted;
        std::memcpy(pbuf + 4 * i, &v, 4);
    }
}

void mybitmap::drawthinline(int x1, int y1, int x2, int y2) {
    const mycolor c = pencolor;
    walkline(x1, y1, x2, y2, [&](int x, int y) { setpixel(x, y, c); });
}

void mybitmap::fillspan(int x1, int x2, int y, const mycolor& c) {
    if (y < plottop || y >= plotbottom) return;
    if (x1 < plotleft) x1 = plotleft;
    if (x2 >= plotright) x2 = plotright - 1;
    if (c.alpha != 255) {
        for (int x = x1; x <= x2; ++x) setpixel(x, y, c);
        return;
    }
    if (x1 > x2) return;
    // One pixel, then copies of what is already filled, doubling each time.
    rowperiods[y] = period;
    unsigned char* span = rows[y] + 4 * x1;
    const size_t n = size_t(x2 - x1 + 1);
    const uint32_t v = c.value();
    std::memcpy(span, &v, 4);
    for (size_t done = 1; done < n;) {
        const size_t k = done < n - done ? done : n - done;
        std::memcpy(span + 4 * done, span, 4 * k);
        done += k;
    }
}

void mybitmap::stamp(int x, int y, const pixeloffset* p, size_t n, const mycolor& c) {
    if (c.alpha != 255) {
        for (size_t i = 0; i < n; ++i) setpixel(x + p[i].dx, y + p[i].dy, c);
        return;
    }
    // The bounds and rows in locals: the pixel stores could otherwise be
    // taken to change them, and they would be read again for every pixel.
    const uint32_t v = c.value();
    const uint64_t now = period;
    const int x1 = plotleft, x2 = plotright, y1 = plottop, y2 = plotbottom;
    unsigned char* const* const r = rows;
    uint64_t* const stamped = rowperiods;
    for (size_t i = 0; i < n; ++i) {
        const int px = x + p[i].dx, py = y + p[i].dy;
        if (px >= x1 && px < x2 && py >= y1 && py < y2) {
            std::memcpy(r[py] + 4 * px, &v, 4);
            stamped[py] = now;
        }
    }
}

unsigned char* mybitmap::savebuffer() {
    if (pbuf) std::memcpy(savebuf, pbuf, size_t(width) * size_t(height) * 4);
    return savebuf;
}

void mybitmap::loadbuffer() {
    if (!pbuf) return;
    std::memcpy(pbuf, savebuf, size_t(width) * size_t(height) * 4);
    markrows(0, height - 1);
}

void mybitmap::setvzk(int vn, unsigned short n, const unsigned char* v, const unsigned short* c) {
    vennum = vn;
    zn = n;
    vec = v;
    chss = c;
    glyphindex::build(vec, vennum, chss, zn);
}

namespace {

void put16(std::vector<unsigned char>& out, uint16_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v));
    put16(out, static_cast<uint16_t>(v >> 16));
}

// A new file beside path with an unguessable name (in temp), mode 0600: the
// picture shows the text. The descriptor, or -1 with errno set.
int createnew(const char* path, fileio& io, std::string& temp) {
    char dir[PATH_MAX];
    if (!directoryof(path, dir, sizeof dir)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return createunique(AT_FDCWD, dir, path + std::strlen(dir), "picture", 0600, temp, io);
}

}  // namespace

// A 24-bit uncompressed BMP, rows bottom-up, each padded to a multiple of 4.
// It goes into a new file that replaces path only once it is complete, so
// whatever has that name (a file, a link planted there, a directory) is never
// opened: it is replaced whole, or left as it was when anything fails.
bool mybitmap::savetobmp(const char* path, fileio& io) const {
    if (!pbuf || !path || !*path) return false;
    std::string temp;
    const int fd = createnew(path, io, temp);
    if (fd < 0) return false;
    const uint32_t rowsize = (uint32_t(width) * 3 + 3) / 4 * 4;
    const uint32_t imagesize = rowsize * uint32_t(height);
    std::vector<unsigned char> out;
    // File header.
    put16(out, 0x4D42);
    put32(out, 54 + imagesize);
    put16(out, 0);
    put16(out, 0);
    put32(out, 54);
    // Information header.
    put32(out, 40);
    put32(out, uint32_t(width));
    put32(out, uint32_t(height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, imagesize);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0);
    // The rows go out some at a time: the whole picture would be 25 MB at 3840x2160.
    const size_t batch = 1 << 16;
    bool written = true;
    for (int y = height - 1; y >= 0 && written; --y) {
        const size_t at = out.size();
        out.resize(at + rowsize, 0);
        for (int x = 0; x < width; ++x) std::memcpy(&out[at + size_t(x) * 3], rows[y] + 4 * x, 3);
        if (out.size() >= batch || y == 0) {
            written = writeall(fd, out.data(), out.size(), io);
            out.clear();
        }
    }
    written = written && io.fsync(fd) == 0;
    written = io.close(fd) == 0 && written;
    written = written && io.renameat(AT_FDCWD, temp.c_str(), AT_FDCWD, path, 0) == 0;
    if (!written) io.unlinkat(AT_FDCWD, temp.c_str(), 0);
    return written;
}
