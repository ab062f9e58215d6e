// Drawing characters with the stroke font: a glyph's points on the 128 x 128
// design grid are scaled into a w x h cell and its strokes drawn as lines.
#include <cstring>
#include <stdexcept>
#include <vector>

#include "font/glyphindex.h"
#include "view/glyphcache.h"
#include "view/myview.h"

namespace {

constexpr int maxsegments = 100000;  // per stroke, against damaged font data

int truncated(int origin, int size, int grid) { return int(origin + double(size) * grid / 128.0); }
int rounded(int origin, int size, int grid) { return int(origin + double(size) * grid / 128.0 + 0.5); }

bool endsstroke(const unsigned char* p) { return (p[0] & 1) || (p[1] & 1); }
bool endsglyph(const unsigned char* p) { return p[1] & 1; }

// Whether a stroke's first segment runs more horizontally than vertically
// (the two-colour mode draws such a stroke red).
bool ishorizontal(int px, int py, int qx, int qy) {
    const int ax = px > qx ? px - qx : qx - px;
    const int ay = py > qy ? py - qy : qy - py;
    return ax > ay;
}

// The line walk with a square brush: plot(x, y) for the n x n pixels around
// every point of the line (the point itself when n is 1), so that strokes of
// large text are as heavy as those of the usual size.
template <typename Plot>
void brushline(int x1, int y1, int x2, int y2, int n, Plot plot) {
    const int back = (n - 1) / 2;
    walkline(x1, y1, x2, y2, [&](int x, int y) {
        for (int dy = 0; dy < n; ++dy)
            for (int dx = 0; dx < n; ++dx) plot(x - back + dx, y - back + dy);
    });
}

}  // namespace

// One stroke segment in the pen colour, with the brush of the text size.
void myview::strokeline(int x1, int y1, int x2, int y2) {
    const int n = strokewidth();
    if (n == 1) drawthinline(x1, y1, x2, y2);  // the usual sizes, without the brush's loops
    else brushline(x1, y1, x2, y2, n, [this](int x, int y) { setpixel(x, y); });
}

// Walks one glyph from p: each stroke's points are mapped to pixels and every
// segment is drawn from the new point back to the previous one. strokestart
// sees the first segment of each stroke before it is drawn. Never reads past
// the end of the current font's stream.
template <typename Map, typename Segment, typename StrokeStart>
const unsigned char* myview::walkglyph(const unsigned char* p, Map map, Segment segment, StrokeStart strokestart) const {
    const unsigned char* end = mybitmap::vec + (mybitmap::vennum / 2) * 2;
    while (p + 2 <= end) {
        if (endsglyph(p)) return p + 2;
        if (p[0] & 1) {  // a single-point stroke draws nothing
            p += 2;
            continue;
        }
        int px, py;
        map(p, px, py);
        for (int n = 0; n < maxsegments; ++n) {
            p += 2;
            if (p + 2 > end) return p;
            int qx, qy;
            map(p, qx, qy);
            if (n == 0) strokestart(px, py, qx, qy);
            segment(qx, qy, px, py);
            if (endsstroke(p)) break;
            px = qx;
            py = qy;
        }
        const unsigned char* last = p;
        p += 2;
        if (endsglyph(last)) return p;
    }
    return p;
}

namespace {

// Maps a stroke point to the pixel of a w x h cell at (x, y), rounding or
// truncating the scaled grid position.
auto cellmapping(int x, int y, int w, int h, bool round) {
    return [=](const unsigned char* q, int& px, int& py) {
        px = round ? rounded(x, w, q[0] >> 1) : truncated(x, w, q[0] >> 1);
        py = round ? rounded(y, h, q[1] >> 1) : truncated(y, h, q[1] >> 1);
    };
}

void nostrokestart(int, int, int, int) {}

}  // namespace

const unsigned char* myview::drawvect(int x, int y, const unsigned char* p, int w, int h) {
    if (h == 0) h = w;
    return walkglyph(p, cellmapping(x, y, w, h, true),
                     [this](int x1, int y1, int x2, int y2) { strokeline(x1, y1, x2, y2); }, nostrokestart);
}

// The editor's two-colour mode: a stroke whose first segment runs more
// horizontally than vertically is drawn red, any other in the pen colour.
const unsigned char* myview::drawvect1(int x, int y, const unsigned char* p, int w, int h) {
    if (h == 0) h = w;
    const mycolor normal = pmymap->pencolor;
    return walkglyph(p, cellmapping(x, y, w, h, false),
                     [this](int x1, int y1, int x2, int y2) { strokeline(x1, y1, x2, y2); },
                     [&](int px, int py, int qx, int qy) {
                         pmymap->pencolor = ishorizontal(px, py, qx, qy) ? mycolor(255, 0, 0) : normal;
                     });
}

// With a thick pen every segment is a line of pen dots.
const unsigned char* myview::drawvector(int x, int y, const unsigned char* p, int w, int h) {
    if (h == 0) h = w;
    return walkglyph(p, cellmapping(x, y, w, h, false),
                     [this](int x1, int y1, int x2, int y2) { line(x1, y1, x2, y2); }, nostrokestart);
}

namespace {

bool sizesvalid(int w, int& h) {
    if (w < 2 || w > 5000) return false;
    if (h == 0) h = w;
    return h >= 2 && h <= 5000;
}

constexpr unsigned short ideographicspace = 0xA1A1;  // the usual paragraph indent

// A whole two-byte character as the editor holds it: both bytes 0x80 or
// above, so a lone lead byte before the terminating zero is not one.
bool istwobyte(unsigned short code) { return (code & 0x80) && (code & 0x8000); }

// A hanzi of GBK (code: lead byte low): the GB2312 hanzi and the two areas GBK
// added. Such a character is never meant to be blank, whatever its glyph.
bool isgbkhanzi(unsigned short code) {
    const int lead = code & 0xFF, trail = code >> 8;
    if (lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE) return true;
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    return (lead >= 0x81 && lead <= 0xA0) || (lead >= 0xAA && lead <= 0xFE && trail <= 0xA0);
}

}  // namespace

// A two-byte character that the font lacks is shown as a thin rectangle inset
// from its cell, so that it can be seen, selected and deleted; it is drawn in
// the pen colour with the strokes' brush whatever the mode.
void myview::drawnoglyph(int x, int y, int w, int h) {
    if (!sizesvalid(w, h)) return;
    const int x1 = x + w / 8, x2 = x + w - 1 - w / 8;
    const int y1 = y + h / 8, y2 = y + h - 1 - h / 8;
    strokeline(x1, y1, x2, y1);
    strokeline(x2, y1, x2, y2);
    strokeline(x2, y2, x1, y2);
    strokeline(x1, y2, x1, y1);
}

namespace {

// Cells up to this size are kept as pixels; larger ones are rare and costly
// to keep.
constexpr int maxcachedsize = 512;
// Beyond this the cell is far off any screen.
constexpr int maxcachedorigin = 1 << 20;
// The brush widths the cache key has room for: every text size's.
constexpr int maxcachedbrush = 7;

}  // namespace

// The pixels the stroke walk of drawvect (or, in the two-colour mode,
// drawvect1) lights for a cell at (0, 0), each with the colour its last plot
// leaves, since later plots of an opaque colour overwrite earlier ones.
glyphpixels myview::recordglyph(const unsigned char* glyph, int w, int h) const {
    enum : unsigned char { none, pen, red };
    // A mapped point lands at most on w, h; the brush reaches back from it
    // and further on, and the grid is shifted by what it reaches back.
    const int n = strokewidth(), back = (n - 1) / 2;
    const int gw = w + 1 + n, gh = h + 1 + n;
    static std::vector<unsigned char> grid;  // all none between calls
    static std::vector<pixeloffset> lit;     // grid positions, in the order first plotted
    if (grid.size() < size_t(gw) * size_t(gh)) grid.assign(size_t(gw) * size_t(gh), none);
    lit.clear();
    unsigned char colour = pen;
    const auto plot = [&](int px, int py) {
        px += back;
        py += back;
        if (px < 0 || px >= gw || py < 0 || py >= gh) return;
        unsigned char& cell = grid[size_t(py) * size_t(gw) + size_t(px)];
        if (cell == none) lit.push_back({static_cast<int16_t>(px), static_cast<int16_t>(py)});
        cell = colour;
    };
    walkglyph(glyph, cellmapping(0, 0, w, h, !redstrokes),
              [&](int x1, int y1, int x2, int y2) { brushline(x1, y1, x2, y2, n, plot); },
              [&](int px, int py, int qx, int qy) {
                  if (redstrokes) colour = ishorizontal(px, py, qx, qy) ? red : pen;
              });
    glyphpixels out;
    out.offsets.resize(lit.size());
    size_t first = 0, last = lit.size();
    for (const pixeloffset& o : lit) {
        unsigned char& cell = grid[size_t(o.dy) * size_t(gw) + size_t(o.dx)];
        out.offsets[cell == pen ? first++ : --last] = {static_cast<int16_t>(o.dx - back),
                                                       static_cast<int16_t>(o.dy - back)};
        cell = none;
    }
    out.pencount = first;
    return out;
}

// Draws a glyph with a thin opaque pen from its kept pixels, which gives
// the pixels of its stroke walk. Returns false, drawing nothing, where that
// would not hold cheaply: a translucent pen blends once per pixel in plot
// order, and at a negative origin the truncating mapping is not a shift of
// the one at (0, 0).
bool myview::drawcached(int x, int y, const unsigned char* glyph, int w, int h) {
    if (h == 0) h = w;
    if (!glyphcache::enabled() || pmymap->thick >= 2 || pmymap->pencolor.alpha != 255) return false;
    if (x < 0 || y < 0 || x > maxcachedorigin || y > maxcachedorigin) return false;
    if (w < 1 || h < 1 || w > maxcachedsize || h > maxcachedsize) return false;
    const int brush = strokewidth();
    if (brush > maxcachedbrush) return false;
    const uint64_t offset = uint64_t(glyph - mybitmap::vec);
    const uint64_t key = offset << 24 | uint64_t(brush) << 21 | uint64_t(w) << 11 | uint64_t(h) << 1 |
                         (redstrokes ? 1 : 0);
    const glyphpixels* pixels = glyphcache::find(key);
    if (!pixels) pixels = &glyphcache::store(key, recordglyph(glyph, w, h));
    const int ox = left + x, oy = top + y;
    const pixeloffset* p = pixels->offsets.data();
    pmymap->stamp(ox, oy, p, pixels->pencount, pmymap->pencolor);
    pmymap->stamp(ox, oy, p + pixels->pencount, pixels->offsets.size() - pixels->pencount, mycolor(255, 0, 0));
    return true;
}

void myview::drawfont(int x, int y, const char* s, int w, int h) {
    if (mybitmap::zn == 0 && mybitmap::vennum == 0) throw std::runtime_error("error to get font");
    const unsigned char* u = reinterpret_cast<const unsigned char*>(s);
    // A lead byte takes the next byte as its trail, even the terminating zero.
    const unsigned short code = (u[0] & 0x80) ? static_cast<unsigned short>(u[0] | u[1] << 8) : u[0];
    const unsigned char* glyph = glyphindex::find(code);
    if (!glyph) {
        if (istwobyte(code) && code != ideographicspace) drawnoglyph(x, y, w, h);
        return;
    }
    // An empty glyph (a lone end-of-glyph point) is blank on purpose, except
    // for a hanzi, whose glyph the font simply lacks.
    if (endsglyph(glyph) && isgbkhanzi(code)) {
        drawnoglyph(x, y, w, h);
        return;
    }
    const mycolor saved = pmymap->pencolor;
    if (pmymap->thick >= 2) drawvector(x, y, glyph, w, h);
    else if (!drawcached(x, y, glyph, w, h)) {
        if (redstrokes) drawvect1(x, y, glyph, w, h);
        else drawvect(x, y, glyph, w, h);
    }
    pmymap->pencolor = saved;
}

void myview::drawtext(int x, int y, const char* s, int w, int h) {
    if (!sizesvalid(w, h)) return;
    const size_t n = std::strlen(s);
    int cx = x;
    for (size_t i = 0; i < n;) {
        drawfont(cx, y, s + i, w, h);
        if (static_cast<unsigned char>(s[i]) & 0x80) {
            i += 2;
            cx += w;
        } else {
            i += 1;
            cx += w / 2;
        }
    }
}

// Centred as if every byte were half a cell wide, cells centred vertically.
void myview::drawtextc(int x, int y, const char* s, int w, int h) {
    if (!sizesvalid(w, h)) return;
    const int n = int(std::strlen(s));
    drawtext(x - n * w / 4, y - h / 2, s, w, h);
}
