#include "ime/pyinput.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "app/amybitmapwin.h"
#include "ime/inputchi.h"
#include "ime/inpywb.h"
#include "input/keyvalues.h"
#include "widgets/screenrows.h"

pyinput* pyinputview = nullptr;
bool pyinput::isleftsy = true;
bool pyinput::isleftdy = true;

namespace {

// The full-width pair of every ASCII character from 32 to 126, two bytes
// each and a closing zero: the GB2312 full-width form A3 (c + 0x80), except
// for the space, which becomes the ideographic space (A3 A0 is no
// character), and the marks that Chinese text writes with its own punctuation.
constexpr std::array<unsigned char, 191> makecdc() {
    std::array<unsigned char, 191> t{};
    for (int c = 32; c <= 126; ++c) {
        t[2 * (c - 32)] = 0xA3;
        t[2 * (c - 32) + 1] = static_cast<unsigned char>(c + 0x80);
    }
    struct own { char c; unsigned char lead, trail; };
    const own marks[] = {
        {' ', 0xA1, 0xA1},   // the ideographic space
        {'"', 0xA1, 0xB0},   // “
        {'\'', 0xA1, 0xAE},  // ‘
        {'.', 0xA1, 0xA3},   // 。
        {'<', 0xA1, 0xB6},   // 《
        {'>', 0xA1, 0xB7},   // 》
        {'[', 0xA1, 0xBE},   // 【
        {'\\', 0xA1, 0xA2},  // 、
        {']', 0xA1, 0xBF},   // 】
    };
    for (const own& m : marks) {
        t[2 * (m.c - 32)] = m.lead;
        t[2 * (m.c - 32) + 1] = m.trail;
    }
    return t;
}
constexpr std::array<unsigned char, 191> cdc = makecdc();
const unsigned char ysyh[2] = {0xA1, 0xB1};  // ” closes a double quotation
const unsigned char ydyh[2] = {0xA1, 0xAF};  // ’ closes a single quotation

const char* const mt[3] = {
    "\xD3\xA2\xCE\xC4",  // 英文
    "\xC6\xB4\xD2\xF4",  // 拼音
    "\xCE\xE5\xB1\xCA",  // 五笔
};
const char* const quanjiaolabel = "\xC8\xAB\xBD\xC7";  // 全角
const char* const banjiaolabel = "\xB0\xEB\xBD\xC7";   // 半角

}  // namespace

const unsigned char* pyinput::fullwidth(int c) {
    if (c < 32 || c > 126) return nullptr;
    return &cdc[2 * (c - 32)];
}

pyinput::pyinput()
    : zhitab(keyinputhanzhi), zhicount(zhiinputsize), pytab(keyinputpy), wbtab(keyinputwb),
      pyidx(keyinputpyindex), wbidx(keyinputwbindex), chitext(inputhzchi), chicount(inputhzchinumber),
      chiidx(inputhzchiindex), chiwb(inputhzchiwb), freqorder(inputhzfreqorder), freqstart(inputhzfreqstart),
      freqbychar(inputhzfreqbychar), code(new char[codesize]()),
      pagezhi(new uint16_t[pagesize]()) {
    const int w = mymapwin ? mymapwin->w : 800;
    left = 0;
    right = w;
    top = selectorrow().top;
    bottom = selectorrow().bottom;
    const int p = w / 5, q = p + (w - p) / 2;
    zhisel = new digiselview(p, top, q - 1, bottom);
    chisel = new digiselview(q, top, w, bottom);
    zhisel->charwidth = gcharwidth / 2;
    chisel->charwidth = gcharwidth / 2;
    zhisel->setrang(0, 5);
    chisel->setrang(6, 9);
}

pyinput::~pyinput() {
    delete[] code;
    delete[] pagezhi;
    delete zhisel;
    delete chisel;
}

void pyinput::reset() {
    std::memset(code, 0, 8);
    zhisel->reset();
    chisel->reset();
    zhipos = 0;
    draw();
}

// No candidates wait for a choice any more; reset draws the emptied bar.
void pyinput::endcomposition() {
    digiselview::waitsel = false;
    reset();
}

int pyinput::codelength() const { return int(strnlen(code, 8)); }

// Everything the bar's pixels depend on, the bitmap drawn on among it.
std::string pyinput::showing() const {
    const int numbers[] = {mode, quanjiao, left, top, right, bottom, gcharwidth, zhisel->left, zhisel->top,
                           zhisel->right, zhisel->bottom, zhisel->charwidth, chisel->left, chisel->top,
                           chisel->right, chisel->bottom, chisel->charwidth};
    std::string out(reinterpret_cast<const char*>(numbers), sizeof numbers);
    out.append(reinterpret_cast<const char*>(&pmymap), sizeof pmymap);
    out.append(code, 8);
    out += zhisel->digistr;
    out += '\0';
    out += chisel->digistr;
    return out;
}

// Another view wrote a row of the bar or of its selectors since the bar
// was last drawn (the editor's first row and scroll mark reach into them).
bool pyinput::overdrawn() const {
    for (int y = std::min(top, zhisel->top); y <= std::max(bottom, zhisel->bottom); ++y)
        if (pmymap->writtenafter(y, drawnupto)) return true;
    return false;
}

void pyinput::draw() {
    std::string now = showing();
    if (!wholeviews && now == shown && !overdrawn()) return;
    shown.swap(now);
    clear();
    zhisel->draw();
    chisel->draw();
    // Three labels side by side left of the selectors, each cut at its own
    // box: the mode, the punctuation width, the typed code. The mode's box
    // shares its last column with the next, as the labels may at 24.
    charsize = zhisel->left / 10;
    const int widthat = charsize * 50 / 24, codeat = charsize * 5;
    {
        textclip clip(*this, 0, 0, widthat, high());
        drawtext(textinset(), textinset(), mt[mode >= 0 && mode <= 2 ? mode : 0], charsize, gcharwidth);
    }
    pmymap->pencolor = mycolor(0, 0, 0);
    {
        textclip clip(*this, widthat, 0, codeat - 1, high());
        drawtext(widthat, textinset(), quanjiao ? quanjiaolabel : banjiaolabel, charsize, gcharwidth);
    }
    char letters[9] = {};
    std::memcpy(letters, code, 8);
    {
        textclip clip(*this, codeat, 0, zhisel->left - left - 1, high());
        drawtext(codeat, textinset(), letters, charsize, gcharwidth);
    }
    drawnupto = pmymap->endperiod();
}

// F2 and a click on the mode label: pinyin, wubi, English, pinyin.
void pyinput::nextmode() {
    mode = mode >= wubi || mode < english ? english : mode + 1;
    if (mode > english) lastmode = mode;
}

// F1: English at half width, or back to the last Chinese mode at full width.
void pyinput::switchwidth() {
    if (quanjiao) {
        quanjiao = false;
        mode = english;
    } else {
        quanjiao = true;
        mode = lastmode;
    }
}

void pyinput::holdenglish() {
    if (!holding) beforehold = {mode, lastmode, quanjiao};
    holding = true;
    mode = english;
    quanjiao = false;
    endcomposition();
}

void pyinput::releaseenglish() {
    if (!holding) return;
    holding = false;
    mode = beforehold.mode;
    lastmode = beforehold.lastmode;
    quanjiao = beforehold.quanjiao;
    endcomposition();
}

// A click on the width or mode label of the bar.
bool pyinput::clicklabel(int x, int y) {
    const int dx = x - left, dy = y - top;
    if (!(gcharwidth / 24 < dy && dy < gcharwidth * 25 / 24)) return false;
    if (charsize * 50 / 24 < dx && dx < charsize * 98 / 24)
        quanjiao = !quanjiao;
    else if (charsize / 24 < dx && dx < charsize * 2)
        nextmode();
    else
        return false;
    draw();
    return true;
}

bool pyinput::offer(int type, int a, int b, int c, int d, int e) {
    bool taken = zhisel->keymouse(type, a, b, c, d, 0);
    if (!taken) taken = chisel->keymouse(type, a, b, c, d, 0);
    if (!digiselview::waitsel) reset();
    if (taken) return true;
    return passon(type, a, b, c, d, e);
}

bool pyinput::passon(int type, int a, int b, int c, int d, int e) {
    if (!mymapwin) return false;
    if (quanjiao && type == eventchar && a >= 32 && a <= 125) {
        const unsigned char* pair = fullwidth(a);
        if (a == '"') {
            if (!isleftsy) pair = ysyh;
            isleftsy = !isleftsy;
        } else if (a == '\'') {
            if (!isleftdy) pair = ydyh;
            isleftdy = !isleftdy;
        }
        mymapwin->keymouse(eventchar, static_cast<signed char>(pair[0]), 0, 0, 0, 0);
        return mymapwin->keymouse(eventchar, static_cast<signed char>(pair[1]), 0, 0, 0, 0);
    }
    return mymapwin->keymouse(type, a, b, c, d, e);
}

// The 8-byte code slot always keeps a closing zero.
static_assert(pyinput::maxpinyin < 8 && pyinput::maxwubi < 8, "a code leaves the last byte of its slot zero");

// A letter extends the code, or starts a new one when the code is full.
bool pyinput::typeletter(int type, int a, int b, int c, int d, int e) {
    int n = codelength();
    if (n >= (mode == wubi ? maxwubi : maxpinyin)) {
        reset();
        n = 0;
    }
    code[n] = char(a);
    chipos = 0;
    return searchagain(type, b, c, d, e);
}

// Candidates for the code as it now is, waiting for a digit from here on
// (the searches and paging leave that to this one place); a 4-letter wubi
// code with a single entry commits it at once.
bool pyinput::searchagain(int type, int b, int c, int d, int e) {
    zhisel->reset();
    chisel->reset();
    zhipos = 0;
    if (mode == wubi) {
        if (searchwb(true)) return offer(type, '0', b, c, d, e);
    } else {
        search(true);
        search1(true);
    }
    digiselview::waitsel = true;
    draw();
    return true;
}

// With no code Backspace ends the composition and goes on to the editor;
// otherwise it takes the last letter off and searches again. Taking off the
// last letter ends the composition: no candidate of the erased code stays
// to be chosen, and the next key goes to the text.
bool pyinput::backspace(int type, int a, int b, int c, int d, int e) {
    const int n = codelength();
    if (n == 0) {
        endcomposition();
        return passon(type, a, b, c, d, e);
    }
    code[n - 1] = 0;
    if (n == 1) {
        endcomposition();
        return true;
    }
    return searchagain(type, b, c, d, e);
}

// ',' and '.' page through pinyin candidates. Wubi has no pages: there the
// keys are taken and change nothing, so that the pinyin search never runs on
// wubi letters.
bool pyinput::pagekey(bool forward) {
    if (mode == wubi) return true;
    search(forward);
    search1(forward);
    draw();
    return true;
}

bool pyinput::keymouse(int type, int a, int b, int c, int d, int e) {
    if (type == eventpress) {
        if (clicklabel(a, b)) return true;
        return offer(type, a, b, c, d, e);
    }
    if (type == eventkeydown && a == keyshift && b == rightshiftscancode) {
        const bool composing = digiselview::waitsel || codelength() > 0;
        if (d < 0)
            nextmode();
        else
            switchwidth();
        // A code being typed is given up, so that no later digit chooses
        // one of its candidates in the other mode; that draws the bar too.
        if (composing) endcomposition();
        else draw();
        return true;
    }
    if (type != eventchar) return offer(type, a, b, c, d, e);

    if (mode == english) return passon(type, a, b, c, d, e);
    if (a >= 'a' && a <= 'z') return typeletter(type, a, b, c, d, e);
    switch (a) {
    case ' ':
        return offer(type, digiselview::waitsel ? '0' : a, b, c, d, e);
    case '.':
        return digiselview::waitsel ? pagekey(true) : passon(type, a, b, c, d, e);
    case ',':
        return digiselview::waitsel ? pagekey(false) : passon(type, a, b, c, d, e);
    case characterbackspace:
        return backspace(type, a, b, c, d, e);
    case 0:
        endcomposition();
        return true;
    default:
        return digiselview::waitsel ? offer(type, a, b, c, d, e) : passon(type, a, b, c, d, e);
    }
}
