#include "ime/pyinput.h"

#include "app/amybitmapwin.h"

pyinput* pyinputview = nullptr;

bool pyinput::keymouse(int type, int a, int b, int c, int d, int e) {
    if (type != eventchar || !mymapwin) return false;
    return mymapwin->keymouse(type, a, b, c, d, e);
}

void pyinput::draw() { clear(); }
