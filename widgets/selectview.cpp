#include "widgets/selectview.h"

#include <algorithm>
#include <cstring>

#include "app/amybitmapwin.h"

namespace {

void copyslot(char* slot, const char* text) {
    std::strncpy(slot, text, selectview::slotsize - 1);
    slot[selectview::slotsize - 1] = 0;
}

// Pixels at the text size that are k at 24.
int scaled(int k) { return gcharwidth * k / 24; }

}  // namespace

selectview::selectview() : selects(new char[maxentries + 1][slotsize]()) { place(scaled(340), scaled(400)); }

void selectview::place(int screenwidth, int screenheight) {
    left = std::max(0, std::min(scaled(100), screenwidth - scaled(240)));
    top = std::max(0, std::min(scaled(100), screenheight - scaled(300)));
    right = left + scaled(240);
    bottom = top + scaled(300);
}

selectview::~selectview() { delete[] selects; }

void selectview::setselects(const char* title, const char* e1, const char* e2, const char* e3,
                            const char* e4, const char* e5, const char* e6, const char* e7,
                            const char* e8, const char* e9) {
    copyslot(selects[0], title);
    selcount = 0;
    selected = 0;
    const char* entries[maxentries] = {e1, e2, e3, e4, e5, e6, e7, e8, e9};
    for (const char* entry : entries) {
        if (!entry) break;
        copyslot(selects[++selcount], entry);
    }
}

void selectview::draw() {
    static const char* const aa[maxentries] = {"1 ", "2 ", "3 ", "4 ", "5 ", "6 ", "7 ", "8 ", "9 "};
    pmymap->savebuffer();  // the window manager puts the screen back after a choice
    boxf(0, 0, width(), high(), mycolor(0, 255, 0));
    pmymap->pencolor = mycolor(0, 0, 0);
    box(0, 0, width(), high());
    textclip clip(*this);
    drawtext(scaled(1), scaled(1), selects[0], gcharwidth, 0);
    for (int i = 0; i < selcount; ++i) {
        const int y = scaled(30 + 30 * i);
        drawtext(scaled(1), y, aa[i], gcharwidth, 0);
        drawtext(scaled(37), y, selects[i + 1], gcharwidth, 0);
    }
}

bool selectview::keymouse(int type, int a, int b, int, int, int) {
    if (type != eventpress) return false;
    const int dx = a - left, dy = b - top;
    if (dy > bottom || dx < 0 || dx > right) return false;
    for (int i = 0; i < selcount; ++i) {
        if (scaled(30 * (i + 1)) < dy && dy <= scaled(30 * i + 59)) {
            selected = selbase + i;
            if (mymapwin) mymapwin->pmodal = nullptr;
            return true;
        }
    }
    return false;
}
