#include "widgets/selectview.h"

#include <cstring>

#include "app/amybitmapwin.h"

namespace {

void copyslot(char* slot, const char* text) {
    std::strncpy(slot, text, selectview::slotsize - 1);
    slot[selectview::slotsize - 1] = 0;
}

}  // namespace

selectview::selectview() : selects(new char[maxentries + 1][slotsize]()) {
    left = 100;
    top = 100;
    right = 340;
    bottom = 400;
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
    drawtext(1, 1, selects[0], 24, 0);
    for (int i = 0; i < selcount; ++i) {
        const int y = 30 + 30 * i;
        drawtext(1, y, aa[i], 24, 0);
        drawtext(37, y, selects[i + 1], 24, 0);
    }
}

bool selectview::keymouse(int type, int a, int b, int, int, int) {
    if (type != eventpress) return false;
    const int dx = a - left, dy = b - top;
    if (dy > bottom || dx < 0 || dx > right) return false;
    for (int i = 0; i < selcount; ++i) {
        if (30 * (i + 1) < dy && dy <= 30 * i + 59) {
            selected = selbase + i;
            if (mymapwin) mymapwin->pmodal = nullptr;
            return true;
        }
    }
    return false;
}
