#include "view/myview.h"

#include <algorithm>
#include <cmath>

namespace {
int textsize = 24;
}  // namespace

const int& gcharwidth = textsize;

void setgcharwidth(int size) { textsize = std::clamp(size, smallesttextsize, largesttextsize); }

mybitmap* myview::pmymap = nullptr;
bool myview::wholeviews = false;

myview::myview(int x1, int y1, int x2, int y2)
    : left(std::min(x1, x2)), top(std::min(y1, y2)), right(std::max(x1, x2)), bottom(std::max(y1, y2)) {}

void myview::setpixel(int x, int y) {
    pmymap->setpixel(x + left, y + top, pmymap->pencolor);
}

void myview::drawthinline(int x1, int y1, int x2, int y2) {
    walkline(x1, y1, x2, y2, [this](int x, int y) { setpixel(x, y); });
}

void myview::circlef(int cx, int cy, int r) {
    for (int i = cy - r + 1; i <= cy + r - 1; ++i) {
        const double d = double(r) * r - double(i - cy) * (i - cy);
        const int e = int(std::sqrt(d) + 0.5);
        drawthinline(cx - e, i, cx + e, i);
    }
}

// The pen dot: a small disc of radius thick/2 (at least 1).
void myview::pixel(int x, int y) {
    int r = pmymap->thick / 2;
    if (r <= 0) r = 1;
    // The disc of radius 1 is three pixels in a row: the frames of every
    // view are drawn with it, so it skips the general disc.
    if (r == 1) {
        pmymap->fillspan(x - 1 + left, x + 1 + left, y + top, pmymap->pencolor);
        return;
    }
    circlef(x, y, r);
}

void myview::line(int x1, int y1, int x2, int y2) {
    walkline(x1, y1, x2, y2, [this](int x, int y) { pixel(x, y); });
}

void myview::box(int x1, int y1, int x2, int y2) {
    line(x1, y1, x2, y1);
    line(x1, y2, x2, y2);
    line(x1, y1, x1, y2);
    line(x2, y1, x2, y2);
}

void myview::boxf(int x1, int y1, int x2, int y2, mycolor c) {
    pmymap->pencolor = c;
    const int xa = std::min(x1, x2), xb = std::max(x1, x2);
    for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) pmymap->fillspan(xa + left, xb + left, y + top, c);
}

// The standard view background: opaque white with a yellow frame; the pen is
// left black for the text that usually follows.
void myview::clear() {
    boxf(0, 0, width(), high(), mycolor(0xFFFFFFFFu));
    pmymap->pencolor = mycolor(255, 255, 0);
    box(0, 0, width(), high());
    pmymap->pencolor = mycolor(0, 0, 0);
}

void myview::drawbj() {
    pmymap->drawthinline(left, top, right, top);
    pmymap->drawthinline(right, top, right, bottom);
    pmymap->drawthinline(right, bottom, left, bottom);
    pmymap->drawthinline(left, top, left, bottom);
}

textclip::textclip(const myview& view, int x1, int y1, int x2, int y2) {
    myview::pmymap->setclip(x1 + view.left, y1 + view.top, x2 + view.left, y2 + view.top);
}
