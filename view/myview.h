// A rectangle on the one shared screen bitmap. Views draw in coordinates
// relative to its top-left corner; nothing is clipped to the rectangle, only
// to the bitmap. Text drawing with the stroke font lives here too.
#pragma once
#include "graphics/mybitmap.h"

struct glyphpixels;

// The text size of the run in pixels, 24 unless start-up sets another before
// anything is built; every size of the screen is gcharwidth*k/24, truncated.
extern const int& gcharwidth;
constexpr int smallesttextsize = 12, largesttextsize = 96;
// Sets the text size, kept within the smallest and largest; start-up calls it
// once, tests and tools may call it again before they build what they draw.
void setgcharwidth(int size);
// Strokes are drawn this many pixels wide and high, so that larger text is
// as heavy as the usual 24 pixels: one pixel for every 24 of the size.
inline int strokewidth() { return gcharwidth / 24 > 1 ? gcharwidth / 24 : 1; }

class myview {
public:
    int left = 0;
    int top = 0;
    int right = 30;
    int bottom = 30;
    bool redstrokes = false;  // draw horizontal-leading strokes in red (the editor)

    static mybitmap* pmymap;  // the shared screen bitmap
    // Views that draw only what changed since they last drew (the editor, the
    // input bar) draw all of themselves instead whenever they draw: the plain
    // way, which the partial drawing is tested against.
    static bool wholeviews;

    myview() = default;
    myview(int x1, int y1, int x2, int y2);

    int width() const { return right - left; }
    int high() const { return bottom - top; }

    void setpixel(int x, int y);
    void drawthinline(int x1, int y1, int x2, int y2);
    void circlef(int cx, int cy, int r);
    void pixel(int x, int y);
    void line(int x1, int y1, int x2, int y2);
    void box(int x1, int y1, int x2, int y2);
    void boxf(int x1, int y1, int x2, int y2, mycolor c);
    void clear();
    void drawbj();

    // Text: s points at GB2312/GBK bytes; h 0 means h = w.
    void drawfont(int x, int y, const char* s, int w, int h);
    void drawtext(int x, int y, const char* s, int w, int h);
    void drawtextc(int x, int y, const char* s, int w, int h);
    const unsigned char* drawvect(int x, int y, const unsigned char* p, int w, int h);
    const unsigned char* drawvect1(int x, int y, const unsigned char* p, int w, int h);
    const unsigned char* drawvector(int x, int y, const unsigned char* p, int w, int h);
    void drawnoglyph(int x, int y, int w, int h);  // the mark of a two-byte character the font lacks
    void strokeline(int x1, int y1, int x2, int y2);  // a stroke segment, in the pen colour

private:
    template <typename Map, typename Segment, typename StrokeStart>
    const unsigned char* walkglyph(const unsigned char* p, Map map, Segment segment, StrokeStart strokestart) const;
    bool drawcached(int x, int y, const unsigned char* glyph, int w, int h);
    glyphpixels recordglyph(const unsigned char* glyph, int w, int h) const;
};

// While it lives, drawing on the shared bitmap is cut at a rectangle of a
// view, in the view's coordinates with its edges included: text in a box
// stops at the box's edge instead of running over a neighbour.
class textclip {
public:
    textclip(const myview& view, int x1, int y1, int x2, int y2);
    explicit textclip(const myview& view) : textclip(view, 0, 0, view.width(), view.high()) {}
    ~textclip() { myview::pmymap->unclip(); }
    textclip(const textclip&) = delete;
    textclip& operator=(const textclip&) = delete;
};
