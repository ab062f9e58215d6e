// A small hand-made stroke font for drawing tests, installed in place of the
// compiled-in one for the life of the object.
#pragma once
#include <initializer_list>
#include <map>
#include <utility>
#include <vector>

#include "font/ku500.h"
#include "graphics/mybitmap.h"

class testfont {
public:
    using stroke = std::vector<std::pair<int, int>>;

    // Adds a glyph for a code: each stroke a polyline on the 128 grid.
    testfont& glyph(unsigned short code, std::initializer_list<stroke> strokes) {
        codes.push_back(code);
        for (const stroke& s : strokes)
            for (size_t i = 0; i < s.size(); ++i) point(s[i].first, s[i].second, i + 1 == s.size(), false);
        point(0, 0, true, true);  // the glyph's final point
        return *this;
    }
    // A distinct single-stroke glyph for every byte of the given codes.
    testfont& shapes(std::initializer_list<unsigned short> list) {
        for (unsigned short c : list) glyph(c, {{{c % 60, 10 + c % 50}, {63 - c % 30, 120 - c % 40}}});
        return *this;
    }
    void install(mybitmap& b) { b.setvzk(int(stream.size()), static_cast<unsigned short>(codes.size()), stream.data(), codes.data()); }
    static void restore(mybitmap& b) { b.setvzk(ttunumber, static_cast<unsigned short>(zzhinumber), ttu, zzhi); }

    std::vector<unsigned char> stream;
    std::vector<unsigned short> codes;

private:
    void point(int x, int y, bool endstroke, bool endglyph) {
        stream.push_back(static_cast<unsigned char>(x * 2 + endstroke));
        stream.push_back(static_cast<unsigned char>(y * 2 + endglyph));
    }
};
