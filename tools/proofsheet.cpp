// Proof sheet of the compiled-in stroke font: a sample of every row drawn at
// 24 and 48 pixels (or the sizes given) with the editor's own text drawing at
// that text size, saved as a BMP, so that a person can judge the glyphs at a
// glance.  tools/fontproof.sh builds it and turns the picture into
// docs/fontproof.png.
//   proofsheet OUTPUT.bmp [SIZE...]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "clipboard/clipbd.h"
#include "font/ku500.h"
#include "graphics/mybitmap.h"
#include "view/myview.h"

// The proof sheet copies nothing: its clipboard never touches a file.
clipbd clipboard(nullptr);

namespace {

constexpr int sheetwidth = 1240;
constexpr int margin = 16;
constexpr int labelsize = 16;

// 中文与English混排 and the Chinese punctuation, as GB2312 bytes.
const char* const mixedtext =
    "zhedit \261\340\274\255\306\367\243\272\326\320\316\304\323\353English\273\354\305\305\243\254"
    "\241\260\322\375\272\305\241\261\243\250\300\250\272\305\243\251\241\276\261\352\314\342\241"
    "\277\241\266\312\351\303\373\241\267\241\242\266\331\272\305\241\243\241\255\241\255\241\252"
    "\241\252";

// The 200 most frequent hanzi, as GB2312 bytes: 的一是不了在人有我他...
const char* const commonhanzi =
    "\265\304\322\273\312\307\262\273\301\313\324\332\310\313\323\320\316\322\313\373\325\342\270"
    "\366\303\307\326\320\300\264\311\317\264\363\316\252\272\315\271\372\265\330\265\275\322\324"
    "\313\265\312\261\322\252\276\315\263\366\273\341\277\311\322\262\304\343\266\324\311\372\304"
    "\334\266\370\327\323\304\307\265\303\323\332\327\305\317\302\327\324\326\256\304\352\271\375"
    "\267\242\272\363\327\367\300\357\323\303\265\300\320\320\313\371\310\273\274\322\326\326\312"
    "\302\263\311\267\275\266\340\276\255\303\264\310\245\267\250\321\247\310\347\266\274\315\254"
    "\317\326\265\261\303\273\266\257\303\346\306\360\277\264\266\250\314\354\267\326\273\271\275"
    "\370\272\303\320\241\262\277\306\344\320\251\326\367\321\371\300\355\320\304\313\375\261\276"
    "\307\260\277\252\265\253\322\362\326\273\264\323\317\353\312\265\310\325\276\374\325\337\322"
    "\342\316\336\301\246\313\374\323\353\263\244\260\321\273\372\312\256\303\361\265\332\271\253"
    "\264\313\322\321\271\244\312\271\307\351\303\367\320\324\326\252\310\253\310\375\323\326\271"
    "\330\265\343\325\375\322\265\315\342\275\253\301\275\270\337\274\344\323\311\316\312\272\334"
    "\327\356\326\330\262\242\316\357\312\326\323\246\325\275\317\362\315\267\316\304\314\345\325"
    "\376\303\300\317\340\274\373\261\273\300\373\312\262\266\376\265\310\262\372\273\362\320\302"
    "\274\272\326\306\311\355\271\373\274\323\316\367\313\271\324\302\273\260\272\317\273\330\314"
    "\330\264\372\304\332\320\305\261\355\273\257\300\317\270\370\312\300\316\273\264\316\266\310"
    "\303\305\310\316\263\243\317\310\272\243\315\250\275\314\266\371\324\255\266\253\311\371\314"
    "\341\301\242\274\260\261\310\324\261";

bool infont(unsigned short code) {
    for (int i = 0; i < zzhinumber; ++i)
        if (zzhi[i] == code) return true;
    return false;
}

// Every character of a GB2312 row that the font has, in code order.
std::string row(int lead, int firsttrail, int lasttrail) {
    std::string out;
    for (int t = firsttrail; t <= lasttrail; ++t)
        if (infont(static_cast<unsigned short>(lead | t << 8))) {
            out += char(lead);
            out += char(t);
        }
    return out;
}

// A sample of the GBK hanzi that follow the GB2312 glyphs: every k-th of
// them, about count in all, in font order.
std::string addedhanzi(int count) {
    constexpr int gb2312glyphs = 7544;
    const int added = zzhinumber - gb2312glyphs;
    std::string out;
    if (added <= 0) return out;
    const int step = added > count ? added / count : 1;
    for (int i = gb2312glyphs; i < zzhinumber; i += step) {
        out += char(zzhi[i] & 0xFF);
        out += char(zzhi[i] >> 8);
    }
    return out;
}

// Text with two-byte codes that the font lacks, each shown as the mark:
// 文字 亐 (a GBK hanzi without strokes in the source) FE FE (user-defined)
// 中 ⅰ (a GBK symbol outside GB2312) 國, and the ideographic space, which
// stays empty, before Aa.
const char* const marktext = "\xCE\xC4\xD7\xD6\x81\x80\xFE\xFE\xD6\xD0\xA2\xA1\x87\xF8\xA1\xA1" "Aa";

std::string ascii() {
    std::string out;
    for (int c = 0x21; c <= 0x7E; ++c) out += char(c);
    return out;
}

struct section {
    const char* label;
    std::string text;
};

// Lays the sheet out; draws only when view is given.  Returns the height used.
// Every size but the last wraps; the last shows one line of each row.
int layout(const std::vector<section>& sections, const std::vector<int>& sizes, mybitmap* bitmap, myview* view) {
    int y = margin;
    for (const section& s : sections) {
        if (view) {
            setgcharwidth(labelsize);
            bitmap->pencolor = mycolor(40, 80, 200);
            view->drawtext(margin, y, s.label, labelsize, 0);
        }
        y += labelsize + 6;
        for (int size : sizes) {
            setgcharwidth(size);  // the strokes as the editor draws them at this size
            int x = margin;
            for (size_t i = 0; i < s.text.size();) {
                const bool wide = static_cast<unsigned char>(s.text[i]) & 0x80;
                const int advance = wide ? size : size / 2;
                if (x + advance > sheetwidth - margin) {
                    if (size == sizes.back()) break;
                    x = margin;
                    y += size * 5 / 4;
                }
                if (view) {
                    bitmap->pencolor = mycolor(0, 0, 0);
                    const char one[3] = {s.text[i], wide && i + 1 < s.text.size() ? s.text[i + 1] : '\0', '\0'};
                    view->drawfont(x, y, one, size, size);
                }
                x += advance;
                i += wide ? 2 : 1;
            }
            y += size * 5 / 4;
        }
        y += 8;
    }
    return y + margin;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {24, 48};
    if (argc < 2 || std::count_if(sizes.begin(), sizes.end(), [](int s) { return s < 2 || s > 200; }) > 0) {
        std::fprintf(stderr, "usage: proofsheet OUTPUT.bmp [SIZE...]\n");
        return 2;
    }
    const std::vector<section> sections = {
        {"Mixed text", mixedtext},
        {"ASCII", ascii()},
        {"Row A1: punctuation and symbols", row(0xA1, 0xA2, 0xFE)},
        {"Row A3: full-width forms", row(0xA3, 0xA1, 0xFE)},
        {"Row A2: numbers", row(0xA2, 0xA1, 0xFE)},
        {"Row A6: Greek", row(0xA6, 0xA1, 0xFE)},
        {"Row A7: Cyrillic", row(0xA7, 0xA1, 0xFE)},
        {"Row A4: hiragana", row(0xA4, 0xA1, 0xFE)},
        {"Row A5: katakana", row(0xA5, 0xA1, 0xFE)},
        {"Row A8: pinyin and bopomofo", row(0xA8, 0xA1, 0xFE)},
        {"Row A9: box drawing", row(0xA9, 0xA1, 0xFE)},
        {"200 common hanzi", commonhanzi},
        {"GBK hanzi after GB2312 (a sample)", addedhanzi(100)},
        {"Codes without a glyph show a mark; the ideographic space stays empty", marktext},
    };
    const int height = layout(sections, sizes, nullptr, nullptr);
    mybitmap bitmap(sheetwidth, height);
    bitmap.clear(mycolor(255, 255, 255));
    myview view(0, 0, sheetwidth - 1, height - 1);
    myview::pmymap = &bitmap;
    layout(sections, sizes, &bitmap, &view);
    bitmap.savetobmp(argv[1]);
    std::printf("%s: %d x %d\n", argv[1], sheetwidth, height);
    return 0;
}
