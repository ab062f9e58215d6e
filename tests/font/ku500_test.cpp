// The compiled-in stroke font: the layout of its code table and stroke
// stream, and that every character the editor and the input method produce
// draws something legible-sized in its cell.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "font/ku500.h"
#include "view/myview.h"

namespace {

struct point {
    int x, y;
    bool endstroke, endglyph;
};

struct glyph {
    unsigned short code;
    std::vector<std::vector<point>> strokes;  // as the drawers see them
    std::vector<point> points;                // every point, the final one included
};

// Splits the stream into glyphs, checking that it holds whole points.
std::vector<glyph> readfont() {
    std::vector<glyph> out;
    if (ttunumber <= 0 || ttunumber % 2 != 0) return out;
    glyph g{};
    std::vector<point> stroke;
    for (int i = 0; i + 1 < ttunumber; i += 2) {
        const point p{ttu[i] >> 1, ttu[i + 1] >> 1, (ttu[i] & 1) != 0, (ttu[i + 1] & 1) != 0};
        g.points.push_back(p);
        stroke.push_back(p);
        if (p.endstroke || p.endglyph) {
            if (stroke.size() >= 2) g.strokes.push_back(stroke);
            stroke.clear();
        }
        if (p.endglyph) {
            g.code = out.size() < size_t(zzhinumber) ? zzhi[out.size()] : 0;
            out.push_back(g);
            g = glyph{};
        }
    }
    return out;
}

unsigned short code(unsigned char lead, unsigned char trail) { return static_cast<unsigned short>(lead | trail << 8); }

// The GB2312 font that the added GBK hanzi follow.
constexpr int gb2312glyphs = 7544;
constexpr int gb2312streambytes = 408004;
constexpr int allglyphs = 8816;

uint64_t fnv1a(const unsigned char* p, size_t n) {
    uint64_t h = 0xcbf29ce484222325u;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3u;
    return h;
}

int position(unsigned short c) {
    for (int i = 0; i < zzhinumber; ++i)
        if (zzhi[i] == c) return i;
    return -1;
}

// The code table in the order the stroke stream follows.
std::vector<unsigned short> expectedcodes() {
    std::vector<unsigned short> out;
    for (int c = 0x20; c <= 0x7E; ++c) out.push_back(static_cast<unsigned short>(c));
    for (int t = 0xA0; t <= 0xFF; ++t) out.push_back(code(0xA3, static_cast<unsigned char>(t)));
    for (int t = 0xA2; t <= 0xFE; ++t) out.push_back(code(0xA1, static_cast<unsigned char>(t)));
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        const int last = lead == 0xD7 ? 0xF9 : 0xFE;
        for (int t = 0xA1; t <= last; ++t) out.push_back(code(static_cast<unsigned char>(lead), static_cast<unsigned char>(t)));
    }
    return out;
}

TEST(ku500, codetable) {
    ASSERT_EQ(zzhinumber, allglyphs);
    const std::vector<unsigned short> fixed = expectedcodes();
    ASSERT_EQ(fixed.size(), 7047u);
    for (size_t i = 0; i < fixed.size(); ++i) ASSERT_EQ(zzhi[i], fixed[i]) << "position " << i;

    // Rows A2 and A4 to A9: their GB2312 codes, ascending within each row.
    const int leads[] = {0xA2, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9};
    const int counts[] = {72, 83, 86, 48, 66, 63, 76};
    int i = 7047;
    for (int r = 0; r < 7; ++r) {
        int previous = 0xA0;
        for (int k = 0; k < counts[r]; ++k, ++i) {
            ASSERT_EQ(zzhi[i] & 0xFF, leads[r]) << "position " << i;
            const int trail = zzhi[i] >> 8;
            EXPECT_GT(trail, previous) << "position " << i;
            EXPECT_LE(trail, 0xFE) << "position " << i;
            previous = trail;
        }
    }
    ASSERT_EQ(i, 7541);
    EXPECT_EQ(zzhi[7541], code(0xF8, 0xA0));
    EXPECT_EQ(zzhi[7542], code(0xF8, 0xA1));
    EXPECT_EQ(zzhi[7543], code(0xF8, 0xA2));

    // The added GBK hanzi: both bytes 0x80 or above, outside GB2312, in GBK
    // order (lead byte, then trail byte).
    for (int k = gb2312glyphs; k < zzhinumber; ++k) {
        const int lead = zzhi[k] & 0xFF, trail = zzhi[k] >> 8;
        EXPECT_GE(lead, 0x81) << "position " << k;
        EXPECT_GE(trail, 0x80) << "position " << k;
        EXPECT_FALSE(lead >= 0xA1 && trail >= 0xA1 && lead <= 0xF7) << "position " << k;
        if (k > gb2312glyphs) {
            const int before = (zzhi[k - 1] & 0xFF) << 8 | zzhi[k - 1] >> 8;
            EXPECT_LT(before, lead << 8 | trail) << "position " << k;
        }
    }
    EXPECT_EQ(zzhi[gb2312glyphs], code(0x81, 0x83));  // 亙

    std::set<unsigned short> distinct(zzhi, zzhi + zzhinumber);
    EXPECT_EQ(distinct.size(), size_t(allglyphs));
    EXPECT_EQ(position('A'), 33);
    EXPECT_EQ(position(0xA1B0), 284);  // 啊
    EXPECT_EQ(position(0xA1A1), -1);   // the ideographic space has no glyph
}

TEST(ku500, strokestream) {
    ASSERT_GT(ttunumber, 0);
    ASSERT_EQ(ttunumber % 2, 0);
    const std::vector<glyph> glyphs = readfont();
    ASSERT_EQ(glyphs.size(), size_t(allglyphs));
    ASSERT_TRUE(ttu[ttunumber - 1] & 1) << "the stream ends with a glyph's end";

    const std::set<unsigned short> blank = {0x20, code(0xA3, 0xA0), code(0xA3, 0xFF),
                                            code(0xF8, 0xA0), code(0xF8, 0xA1), code(0xF8, 0xA2)};
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const glyph& g = glyphs[i];
        SCOPED_TRACE("glyph " + std::to_string(i));
        ASSERT_FALSE(g.points.empty());
        EXPECT_TRUE(g.points.back().endstroke && g.points.back().endglyph);
        // a stroke of one point would draw nothing: the data has none
        size_t inkpoints = 0;
        for (const auto& s : g.strokes) inkpoints += s.size();
        if (blank.count(g.code)) {
            EXPECT_EQ(g.points.size(), 1u);
        } else {
            EXPECT_FALSE(g.strokes.empty());
            EXPECT_EQ(inkpoints, g.points.size());
        }
        if (i < 95) {
            for (const point& p : g.points) EXPECT_LE(p.x, 63) << "ASCII stays in the left half";
        }
    }
    // The space is one point, so the exclamation mark starts at point 1.
    EXPECT_EQ(glyphs[0].code, 0x20);
    EXPECT_EQ(glyphs[0].points.size(), 1u);

    // Two shapes the text drawing relies on: the hyphen spans the half cell on
    // the middle line, and 一 starts horizontally (the editor draws it red).
    ASSERT_GE(position('-'), 0);
    ASSERT_GE(position(code(0xD2, 0xBB)), 0);
    const glyph& hyphen = glyphs[size_t(position('-'))];
    ASSERT_EQ(hyphen.points.size(), 2u);
    EXPECT_EQ(hyphen.points[0].x, 4);
    EXPECT_EQ(hyphen.points[0].y, 63);
    EXPECT_EQ(hyphen.points[1].x, 59);
    EXPECT_EQ(hyphen.points[1].y, 63);
    const glyph& yi = glyphs[size_t(position(code(0xD2, 0xBB)))];
    ASSERT_EQ(yi.strokes.size(), 1u);
    EXPECT_GT(std::abs(yi.strokes[0][1].x - yi.strokes[0][0].x), std::abs(yi.strokes[0][1].y - yi.strokes[0][0].y));

    // Every hanzi has a shape of its own, the added ones too.
    std::set<std::string> shapes;
    size_t hanzi = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        if (i < 284 || (i >= 7047 && i < size_t(gb2312glyphs))) continue;
        std::string key;
        for (const point& p : glyphs[i].points) key += {char(p.x * 2 + p.endstroke), char(p.y * 2 + p.endglyph)};
        shapes.insert(key);
        ++hanzi;
    }
    EXPECT_EQ(hanzi, size_t(6763 + allglyphs - gb2312glyphs));
    EXPECT_EQ(shapes.size(), hanzi);
}

TEST(ku500, gb2312glyphskeeptheirbytesandplaces) {
    // The glyphs and codes of the GB2312 font before the GBK hanzi were
    // added, as fingerprints: adding glyphs must never move or change one.
    ASSERT_GT(ttunumber, gb2312streambytes);
    ASSERT_GE(zzhinumber, gb2312glyphs);
    int ends = 0;
    for (int i = 1; i < gb2312streambytes; i += 2) ends += ttu[i] & 1;
    EXPECT_EQ(ends, gb2312glyphs);
    EXPECT_TRUE(ttu[gb2312streambytes - 1] & 1);
    EXPECT_EQ(fnv1a(ttu, gb2312streambytes), 0x2d1f7d74d42cd4adu);
    std::vector<unsigned char> codes;
    for (int i = 0; i < gb2312glyphs; ++i) codes.insert(codes.end(), {static_cast<unsigned char>(zzhi[i] & 0xFF), static_cast<unsigned char>(zzhi[i] >> 8)});
    EXPECT_EQ(fnv1a(codes.data(), codes.size()), 0xca589697557e5d6eu);
}

// Draws characters one at a time into a small bitmap with the compiled-in font.
class ku500ink : public ::testing::Test {
protected:
    static constexpr int size = 24;
    static constexpr int origin = 4;
    mybitmap bitmap{origin * 2 + size + 2, origin * 2 + size + 2};
    myview view{0, 0, origin * 2 + size + 1, origin * 2 + size + 1};

    void SetUp() override { myview::pmymap = &bitmap; }

    // Pixels inked for the character at s; its width in cells (1 or 2 halves)
    // bounds where the ink may be.
    int ink(const char* s, bool* outside) {
        bitmap.clear(mycolor(255, 255, 255));
        bitmap.pencolor = mycolor(0, 0, 0);
        view.drawfont(origin, origin, s, size, size);
        const int halves = (static_cast<unsigned char>(s[0]) & 0x80) ? 2 : 1;
        int n = 0;
        *outside = false;
        for (int y = 0; y < bitmap.height; ++y)
            for (int x = 0; x < bitmap.width; ++x)
                if (bitmap.getpixel(x, y) == mycolor(0, 0, 0)) {
                    ++n;
                    // a point at 127 may land one pixel past the cell
                    if (x < origin || x > origin + size * halves / 2 || y < origin || y > origin + size) *outside = true;
                }
        return n;
    }
    int ink(unsigned short c, bool* outside) {
        const char s[3] = {char(c & 0xFF), char(c >> 8), 0};
        return ink(s, outside);
    }
};

TEST_F(ku500ink, everyhanzidrawsinitscell) {
    for (int lead = 0xB0; lead <= 0xF7; ++lead) {
        const int last = lead == 0xD7 ? 0xF9 : 0xFE;
        for (int t = 0xA1; t <= last; ++t) {
            bool outside = false;
            const int n = ink(code(static_cast<unsigned char>(lead), static_cast<unsigned char>(t)), &outside);
            EXPECT_GE(n, 8) << std::hex << lead << " " << t;
            EXPECT_FALSE(outside) << std::hex << lead << " " << t;
        }
    }
}

TEST_F(ku500ink, everyaddedhanzidrawsinitscell) {
    for (int i = gb2312glyphs; i < zzhinumber; ++i) {
        bool outside = false;
        const int n = ink(zzhi[i], &outside);
        EXPECT_GE(n, 8) << std::hex << zzhi[i];
        EXPECT_FALSE(outside) << std::hex << zzhi[i];
    }
}

TEST_F(ku500ink, punctuationoftheinputmethoddraws) {
    // What the input method turns ASCII 33 to 125 into: the full-width form
    // A3 (c + 0x80), except for eight Chinese marks.
    std::vector<std::string> marks;
    for (int c = 33; c <= 125; ++c) marks.push_back({char(0xA3), char(c + 0x80)});
    // “ ‘ 。 《 》 【 、 】, then ” ’ … ― (the dash of ――) and ， ； ： ？ ！
    const char* chinese[] = {"\xA1\xB0", "\xA1\xAE", "\xA1\xA3", "\xA1\xB6", "\xA1\xB7", "\xA1\xBE",
                             "\xA1\xA2", "\xA1\xBF", "\xA1\xB1", "\xA1\xAF", "\xA1\xAD", "\xA1\xAA",
                             "\xA3\xAC", "\xA3\xBB", "\xA3\xBA", "\xA3\xBF", "\xA3\xA1"};
    for (const char* m : chinese) marks.push_back(m);
    for (const std::string& m : marks) {
        bool outside = false;
        const int n = ink(m.c_str(), &outside);
        EXPECT_GE(n, 3) << std::hex << int(static_cast<unsigned char>(m[1]));
        EXPECT_FALSE(outside) << std::hex << int(static_cast<unsigned char>(m[1]));
    }
}

TEST_F(ku500ink, everyglyphstaysinitscell) {
    for (int i = 0; i < zzhinumber; ++i) {
        bool outside = false;
        ink(zzhi[i], &outside);
        EXPECT_FALSE(outside) << "glyph " << i;
    }
    bool outside = false;
    EXPECT_EQ(ink(" ", &outside), 0);
    EXPECT_EQ(ink("\xA1\xA1", &outside), 0);  // not in the font
}

TEST(ku500text, everycellbuttheideographicspaceshowsink) {
    // In the editor's two-colour mode: GB2312 hanzi, added GBK hanzi, and
    // two-byte codes that the font lacks (a GBK hanzi the source has not, a
    // user-defined code, an empty place of row A2) each show something.
    const char* const cells[] = {"\xB0\xA1",  // 啊
                                 "\x81\x83",  // 亙, added
                                 "\x81\x80",  // 亐, not in the font
                                 "\xA1\xA1",  // the ideographic space
                                 "\xFE\xFE",  // user-defined
                                 "\xD6\xD0",  // 中
                                 "\xA2\xA1",  // unassigned in GB2312
                                 "\x87\xF8"}; // 國, added
    std::string text;
    for (const char* c : cells) text += c;
    const int size = 24, n = int(sizeof cells / sizeof cells[0]);
    mybitmap bitmap(size * n + 2, size + 2);
    myview view(0, 0, bitmap.width - 1, bitmap.height - 1);
    view.redstrokes = true;
    myview::pmymap = &bitmap;
    bitmap.clear(mycolor(255, 255, 255));
    bitmap.pencolor = mycolor(0, 0, 0);
    view.drawtext(0, 0, text.c_str(), size, 0);
    for (int k = 0; k < n; ++k) {
        int ink = 0;
        for (int y = 0; y < bitmap.height; ++y)
            for (int x = k * size; x < (k + 1) * size; ++x) ink += (bitmap.getpixel(x, y).value() & 0xFFFFFF) != 0xFFFFFF;
        if (k == 3) EXPECT_EQ(ink, 0) << "cell " << k;
        else EXPECT_GT(ink, 8) << "cell " << k;
    }
}

}  // namespace
