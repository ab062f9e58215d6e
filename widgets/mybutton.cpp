#include "widgets/mybutton.h"

#include <cstring>

#include "app/amybitmapwin.h"
#include "widgets/screenrows.h"

void mybutton::addtext(const char* label) {
    std::strncpy(text, label, textsize - 1);
    text[textsize - 1] = 0;
}

// The left and right edges miss, the top row hits, the bottom row misses.
bool mybutton::hit(int x, int y) {
    clicked = left < x && x < right && top <= y && y < bottom;
    return clicked;
}

bool mybutton::tryclick2(int x, int y) {
    if (hit(x, y)) {
        pressed = true;
        draw();
        if (mymapwin) mymapwin->draw();
        pressed = false;
        draw();
        if (mymapwin) mymapwin->draw();
    }
    return clicked;
}

bool mybutton::tryclick(int x, int y) {
    if (hit(x, y)) pressed = !pressed;
    return clicked;
}

void mybutton::draw() {
    const mycolor white(0xFFFFFFFFu), green(0, 255, 0);
    boxf(0, 0, width(), high(), pressed ? green : white);
    pmymap->pencolor = green;
    drawbj();
    pmymap->pencolor = mycolor(0, 0, 0);
    const int n = int(std::strlen(text));
    if (n == 0) return;
    // A label too long for the button is drawn narrower, never lower, and
    // what still does not fit is cut at the frame.
    int s = fontsize;
    if (s * n / 2 >= width() - 1) s = (width() - 2) * 2 / n;
    textclip clip(*this);
    drawtextc(width() / 2, high() / 2, text, s, fontsize);
}

buttongroup::~buttongroup() {
    for (mybutton* b : buttons) delete b;
}

void buttongroup::place(mybutton* button, int index, int unit) {
    button->left = unit * index * 6;
    button->right = button->left + unit * 5;
    button->top = buttonrow().top;
    button->bottom = buttonrow().bottom;
}

void buttongroup::addbutton(const char* label) {
    if (buttoncount >= maxbuttons) return;
    mybutton* b = new mybutton;
    place(b, buttoncount, gcharwidth);
    b->addtext(label);
    buttons[buttoncount++] = b;
}

// Five units of button and one of gap each, from the left edge; the unit
// shrinks when the row would not fit the screen.
void buttongroup::resetwidth(int screenwidth) {
    if (buttoncount == 0) return;
    const int unit = screenwidth > buttoncount * gcharwidth * 6 ? gcharwidth : screenwidth / (buttoncount * 6);
    for (int n = 0; n < buttoncount; ++n) {
        if (!buttons[n]) continue;
        place(buttons[n], n, unit);
        buttons[n]->fontsize = gcharwidth;
    }
}

bool buttongroup::keymouse(int type, int a, int b, int, int, int) {
    if (type != eventpress) return false;
    for (int n = 0; n < buttoncount; ++n) {
        if (buttons[n] && buttons[n]->tryclick2(a, b)) {
            if (mymapwin) mymapwin->keymouse(eventbutton + n, 0, 0, 0, 0, 0);
            return true;
        }
    }
    return false;
}

void buttongroup::draw() {
    for (int n = 0; n < buttoncount; ++n)
        if (buttons[n]) buttons[n]->draw();
}
