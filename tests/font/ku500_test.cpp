// The compiled-in stroke font: the GB2312 glyphs never move, the added GBK
// hanzi are well formed, and every character the editor shows draws in its cell.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "font/ku500.h"
#include "view/myview.h"

namespace {

constexpr int gb2312glyphs = 7544, gb2312streambytes = 408004, allglyphs = 8816;

unsigned short code(int lead, int trail) { return static_cast<unsigned short>(lead | trail << 8); }

uint64_t fnv1a(const unsigned char* p, size_t n) {
    uint64_t h = 0xcbf29ce484222325u;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 0x100000001b3u;
    return h;
}

// Each glyph's points as (x, y) on the 128 grid with their two end bits.
std::vector<std::string> readglyphs() {
    std::vector<std::string> out(1);
    for (int i = 0; i + 1 < ttunumber; i += 2) {
        out.back() += {char(ttu[i]), char(ttu[i + 1])};
        if (ttu[i + 1] & 1) out.emplace_back();
    }
    out.pop_back();
    return out;
}

TEST(ku500, gb2312glyphskeeptheirbytesandplaces) {
    // Fingerprints of the font before the GBK hanzi were added.
    ASSERT_GT(ttunumber, gb2312streambytes);
    ASSERT_EQ(zzhinumber, allglyphs);
    int ends = 0;
    for (int i = 1; i < gb2312streambytes; i += 2) ends += ttu[i] & 1;
    EXPECT_EQ(ends, gb2312glyphs);
    EXPECT_TRUE(ttu[gb2312streambytes - 1] & 1);
    EXPECT_EQ(fnv1a(ttu, gb2312streambytes), 0x2d1f7d74d42cd4adu);
    std::vector<unsigned char> codes;
    for (int i = 0; i < gb2312glyphs; ++i) codes.insert(codes.end(), {static_cast<unsigned char>(zzhi[i] & 0xFF), static_cast<unsigned char>(zzhi[i] >> 8)});
    EXPECT_EQ(fnv1a(codes.data(), codes.size()), 0xca589697557e5d6eu);
}

TEST(ku500, addedhanziarewellformedandinorder) {
    ASSERT_EQ(ttunumber % 2, 0);
    const std::vector<std::string> glyphs = readglyphs();
    ASSERT_EQ(glyphs.size(), size_t(allglyphs));
    ASSERT_TRUE(ttu[ttunumber - 1] & 1) << "the stream ends with a glyph's end";
    EXPECT_EQ(zzhi[gb2312glyphs], code(0x81, 0x83));  // 亙
    for (int k = gb2312glyphs; k < zzhinumber; ++k) {
        const int lead = zzhi[k] & 0xFF, trail = zzhi[k] >> 8;
        EXPECT_TRUE(lead >= 0x81 && trail >= 0x80 && !(lead >= 0xA1 && lead <= 0xF7 && trail >= 0xA1)) << "position " << k;
        const int before = (zzhi[k - 1] & 0xFF) << 8 | zzhi[k - 1] >> 8;
        if (k > gb2312glyphs) { EXPECT_LT(before, lead << 8 | trail) << "position " << k; }
    }
    EXPECT_EQ(std::set<unsigned short>(zzhi, zzhi + zzhinumber).size(), size_t(allglyphs));
    // Only the intended glyphs are empty (one point); every hanzi has a shape of its own.
    const std::set<unsigned short> blank = {0x20, code(0xA3, 0xA0), code(0xA3, 0xFF), code(0xF8, 0xA0), code(0xF8, 0xA1), code(0xF8, 0xA2)};
    std::set<std::string> shapes;
    size_t hanzi = 0;
    for (size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_EQ(glyphs[i].size() == 2, blank.count(zzhi[i]) == 1) << "glyph " << i;
        if (i < 284 || (i >= 7047 && i < size_t(gb2312glyphs))) continue;
        shapes.insert(glyphs[i]);
        ++hanzi;
    }
    EXPECT_EQ(hanzi, size_t(6763 + allglyphs - gb2312glyphs));
    EXPECT_EQ(shapes.size(), hanzi);
}

// Draws one character at 24 pixels with the compiled-in font and counts its ink.
class ku500ink : public ::testing::Test {
protected:
    static constexpr int size = 24, origin = 4;
    mybitmap bitmap{origin * 2 + size + 2, origin * 2 + size + 2};
    myview view{0, 0, origin * 2 + size + 1, origin * 2 + size + 1};

    void SetUp() override { myview::pmymap = &bitmap; }

    // Ink outside the character's cell (one pixel of slack for points at 127) is reported.
    int ink(const std::string& s, bool* outside) {
        bitmap.clear(mycolor(255, 255, 255));
        bitmap.pencolor = mycolor(0, 0, 0);
        view.drawfont(origin, origin, s.c_str(), size, size);
        const int halves = (static_cast<unsigned char>(s[0]) & 0x80) ? 2 : 1;
        int n = 0;
        *outside = false;
        for (int y = 0; y < bitmap.height; ++y)
            for (int x = 0; x < bitmap.width; ++x)
                if (bitmap.getpixel(x, y) == mycolor(0, 0, 0)) {
                    ++n;
                    *outside |= x < origin || x > origin + size * halves / 2 || y < origin || y > origin + size;
                }
        return n;
    }
};

TEST_F(ku500ink, everyglyphstaysinitscellandeveryhanzishowsink) {
    for (int i = 0; i < zzhinumber; ++i) {
        bool outside = false;
        const int n = ink({char(zzhi[i] & 0xFF), char(zzhi[i] >> 8)}, &outside);
        EXPECT_FALSE(outside) << "glyph " << i;
        if ((i >= 284 && i < 7047) || i >= gb2312glyphs) { EXPECT_GE(n, 8) << std::hex << zzhi[i]; }
    }
    bool outside = false;
    EXPECT_EQ(ink(" ", &outside), 0);
    EXPECT_EQ(ink("\xA1\xA1", &outside), 0);
}

TEST(ku500text, everycellbuttheideographicspaceshowsink) {
    // In the two-colour mode: GB2312 hanzi, added GBK hanzi, and two-byte codes
    // the font lacks (a GBK hanzi the source has not, a user-defined code, an
    // empty place of row A2, a hanzi with an empty glyph).
    const char* const cells[] = {"\xB0\xA1",   // 啊
                                 "\x81\x83",   // 亙, added
                                 "\x81\x80",   // 亐, not in the font
                                 "\xA1\xA1",   // the ideographic space
                                 "\xFE\xFE",   // user-defined
                                 "\xD6\xD0",   // 中
                                 "\xA2\xA1",   // unassigned in GB2312
                                 "\x87\xF8",   // 國, added
                                 "\xF8\xA0",   // 鵂, whose glyph is empty
                                 "\xA3\xA0"};  // no character: its empty glyph stays blank
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
        if (k == 3 || k == 9) EXPECT_EQ(ink, 0) << "cell " << k;
        else EXPECT_GT(ink, 8) << "cell " << k;
    }
}

}  // namespace
