// A rectangle on the one shared screen bitmap. Views draw in coordinates
// relative to its top-left corner; nothing is clipped to the rectangle, only
// to the bitmap. Text drawing with the stroke font lives here too.
#pragma once
#include "graphics/mybitmap.h"

struct glyphpixels;

// The base character size in pixels; layout sizes are gcharwidth*k/24.
constexpr int gcharwidth = 24;

class myview {
public:
    int left = 0;
    int top = 0;
    int right = 30;
    int bottom = 30;
    bool redstrokes = false;  // draw horizontal-leading strokes in red (the editor)

    static mybitmap* pmymap;  // the shared screen bitmap

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

private:
    template <typename Map, typename Segment, typename StrokeStart>
    const unsigned char* walkglyph(const unsigned char* p, Map map, Segment segment, StrokeStart strokestart) const;
    bool drawcached(int x, int y, const unsigned char* glyph, int w, int h);
    glyphpixels recordglyph(const unsigned char* glyph, int w, int h) const;
};
