#include "widgets/digiselview.h"

#include <cstring>

#include "app/amybitmapwin.h"
#include "widgets/screenrows.h"

bool digiselview::waitsel = false;

digiselview::digiselview(int x1, int y1, int x2, int y2)
    : digistr(new char[digisize]()), charlens(new int[slotcount]()) {
    left = x1;
    top = y1;
    right = x2;
    bottom = y2;
    reset();
}

digiselview::~digiselview() {
    delete[] digistr;
    delete[] charlens;
}

// A range outside the ten digits is cut to them; an empty range shows nothing.
void digiselview::setrang(int from, int to) {
    rangfrom = from < 0 ? 0 : from;
    rangto = to > slotcount - 1 ? slotcount - 1 : to;
    reset();
}

void digiselview::reset() {
    for (int k = 0; k < slotcount; ++k) charlens[k] = 0;
    int n = 0;
    for (int k = rangfrom; k <= rangto; ++k) digistr[n++] = char('0' + k);
    digistr[n] = 0;
}

// Position of the label of a digit character, or -1.
int digiselview::labelposition(int digit) const {
    for (int i = 0; i < labelarea && digistr[i]; ++i)
        if (digistr[i] == digit) return i;
    return -1;
}

// Replaces the text after the label in place: the rest of the string moves to
// make room. A text that would make digistr longer than it can hold is
// refused, and a zero byte ends the text.
void digiselview::setchar(int digit, const char* text, int len) {
    const int k = digit - '0';
    if (k < rangfrom || k > rangto || !text || len < 0) return;
    const int label = labelposition(digit);
    if (label < 0) return;
    len = int(strnlen(text, size_t(len)));
    const int p = label + 1;
    const int total = int(std::strlen(digistr));
    int old = charlens[k];
    if (old > total - p) old = total - p;
    if (total - old + len > digisize - 1) return;
    std::memmove(digistr + p + len, digistr + p + old, size_t(total - p - old + 1));
    std::memcpy(digistr + p, text, size_t(len));
    charlens[k] = len;
}

const char* digiselview::candidate(int k) const {
    if (k < rangfrom || k > rangto) return nullptr;
    const int label = labelposition('0' + k);
    return label < 0 ? nullptr : digistr + label + 1;
}

void digiselview::draw() {
    clear();
    const int n = int(std::strlen(digistr));
    drawwidth = charwidth;
    if (n > 0 && charwidth * n > width()) drawwidth = width() / n;
    pmymap->pencolor = mycolor(0, 0, 0);
    textclip clip(*this);
    drawtext(textinset() * 2, textinset(), digistr, drawwidth * 2, gcharwidth);
}

// The candidate under a press dx pixels right of the left edge, or -1. Each
// candidate owns its label and its text.
int digiselview::hitcandidate(int dx) const {
    int start = 0;
    for (int k = rangfrom; k <= rangto; ++k) {
        const int next = start + charlens[k] + 1;
        if (drawwidth * start + textinset() * 2 < dx && dx <= drawwidth * next + textinset() * 2 - 1) return k;
        start = next;
    }
    return -1;
}

// Only the leading Chinese bytes go out: the code letters shown after a
// candidate are a hint. The bytes are copied first because the receivers run
// while they are sent.
void digiselview::sendcandidate(int k) {
    char bytes[digisize];
    int n = 0;
    const char* text = candidate(k);
    const int len = text ? int(strnlen(text, size_t(charlens[k]))) : 0;
    for (int i = 0; i < len && (static_cast<unsigned char>(text[i]) & 0x80); ++i) bytes[n++] = text[i];
    for (int i = 0; i < n; ++i)
        if (mymapwin) mymapwin->keymouse(eventchar, static_cast<signed char>(bytes[i]), 0, 0, 0, 0);
    waitsel = false;
}

bool digiselview::keymouse(int type, int a, int b, int, int, int) {
    if (!waitsel) {
        reset();
        return false;
    }
    int chosen;
    if (type == eventchar) {
        if (a < '0' + rangfrom || a > '0' + rangto) return false;
        chosen = a - '0';
    } else if (type == eventpress) {
        // The press must be within the rectangle's bottom coordinate below its top.
        if (b - top > bottom) return false;
        chosen = hitcandidate(a - left);
        if (chosen < 0) return false;
    } else {
        return false;
    }
    sendcandidate(chosen);
    if (waitsel) return false;
    reset();
    return true;
}
