#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <vector>

#include "graphics/pixelset.h"
#include "view/myview.h"
#include "view/testfont.h"

namespace {

class texttest : public ::testing::Test {
protected:
    mybitmap bitmap{200, 120};
    testfont font;
    myview view{0, 0, 199, 119};

    void SetUp() override {
        myview::pmymap = &bitmap;
        font.glyph('-', {{{4, 63}, {59, 63}}})
            .glyph('!', {{{30, 0}}, {{30, 10}, {30, 90}}})  // starts with a one-point stroke
            .glyph('A', {{{0, 0}, {63, 0}}})
            .glyph(0xBBD2, {{{10, 60}, {120, 64}}})                   // 一
            .glyph('|', {{{30, 0}, {32, 127}}, {{0, 50}, {10, 127}}})  // vertical-first strokes
            .glyph('L', {{{10, 0}, {10, 127}, {60, 127}}})
            .glyph('/', {{{0, 0}, {127, 50}}})
            .glyph('-', {{{0, 0}, {0, 127}}})  // a second hyphen: the first entry wins
            .shapes({'a', 'b'});
        font.install(bitmap);
    }
    void TearDown() override { testfont::restore(bitmap); }
    void wipe() { bitmap.clear(mycolor(0xFFFFFFFFu)); }

    points black() const { return pixelsof(bitmap, mycolor(0, 0, 0)); }
    points red() const { return pixelsof(bitmap, mycolor(255, 0, 0)); }
    // Row y from x1 to x2, and from x3 to x4 when given.
    static points row(int y, int x1, int x2, int x3 = 0, int x4 = -1) {
        points out;
        for (int x = x1; x <= x2; ++x) out.insert({x, y});
        for (int x = x3; x <= x4; ++x) out.insert({x, y});
        return out;
    }
    // The outline of the rectangle from (x1, y1) to (x2, y2), edges included.
    static points outline(int x1, int y1, int x2, int y2) {
        points out;
        for (int x = x1; x <= x2; ++x) out.insert({{x, y1}, {x, y2}});
        for (int y = y1; y <= y2; ++y) out.insert({{x1, y}, {x2, y}});
        return out;
    }
};

TEST_F(texttest, glyphpointsmapontothecell) {
    // Rounded in the pen colour, truncated in the two-colour mode's red; a
    // thick pen draws pen dots.
    view.drawfont(0, 0, "-", 24, 24);
    EXPECT_EQ(black(), row(12, 1, 11));
    wipe();
    view.redstrokes = true;
    bitmap.pencolor = mycolor(0, 0, 255);
    view.drawfont(0, 0, "-", 24, 24);
    EXPECT_EQ(red(), row(11, 0, 11));
    EXPECT_EQ(bitmap.pencolor, mycolor(0, 0, 255));
    wipe();
    view.redstrokes = false;
    bitmap.pencolor = mycolor(0, 0, 0);
    bitmap.thick = 2;
    view.drawfont(0, 0, "-", 24, 24);
    EXPECT_EQ(black(), row(11, 0, 12));
}

TEST_F(texttest, strokesthickenwiththetextsize) {
    // A square brush, one pixel for every 24 of the size, reaching back by half of what it adds.
    for (int size : {12, 47, 48, 72, 96}) {
        setgcharwidth(size);
        wipe();
        view.drawfont(0, 0, "-", 24, 24);
        const int n = size < 48 ? 1 : size / 24, back = (n - 1) / 2;
        points square;
        for (int y = 12 - back; y < 12 - back + n; ++y) square.merge(row(y, 1 - back, 10 - back + n));
        EXPECT_EQ(black(), square) << size;
    }
    setgcharwidth(24);
}

TEST_F(texttest, segmentsaredrawnfromthenewpointback) {
    // A shallow diagonal lights different pixels in the two directions.
    view.drawfont(0, 0, "/", 40, 40);
    mybitmap expected(200, 120);
    expected.drawthinline(40, 16, 0, 0);
    EXPECT_EQ(black(), pixelsof(expected, mycolor(0, 0, 0)));
}

TEST_F(texttest, twocolourmodepaintshorizontalleadingstrokesred) {
    // A stroke's colour follows its first segment.
    view.redstrokes = true;
    for (const char* s : {"\xD2\xBB", "|", "L"}) {
        wipe();
        view.drawfont(0, 0, s, 48, 0);
        const bool horizontal = s[0] != '|' && s[0] != 'L';
        EXPECT_EQ(red().empty(), !horizontal) << s;
        EXPECT_EQ(black().empty(), horizontal) << s;
        EXPECT_EQ(bitmap.pencolor, mycolor(0, 0, 0));
    }
}

TEST_F(texttest, advancesbyhalfcellforonebyteandfullcellfortwobytecodes) {
    // Where the A (a line along the top of its half cell) lands.
    const struct {
        const char* text;
        points top;
    } cases[] = {
        {"\tA", row(0, 12, 24)},
        {"\xA1\xA1" "A", row(0, 24, 36)},
        {"A\xD2\xBB" "A", row(0, 0, 12, 36, 48)},
        {"!", {}},  // a stroke of one point draws nothing
    };
    for (const auto& c : cases) {
        wipe();
        view.drawtext(0, 0, c.text, 24, 0);
        points top;
        for (const auto& p : black())
            if (p.second == 0) top.insert(p);
        EXPECT_EQ(top, c.top) << c.text;
    }
}

TEST_F(texttest, sizesoutofrangedrawnothing) {
    view.drawtext(0, 0, "A", 1, 0);
    view.drawtext(0, 0, "A", 5001, 0);
    view.drawtext(0, 0, "A", 24, 1);
    view.drawtextc(50, 50, "A", 24, 5001);
    EXPECT_TRUE(black().empty());
    view.drawtext(0, 0, "A", 2, 0);
    EXPECT_FALSE(black().empty());
}

TEST_F(texttest, centredtextstartsatquarterwidthperbyte) {
    view.drawtextc(100, 50, "ab", 20, 0);
    mybitmap expected(200, 120);
    font.install(expected);
    myview::pmymap = &expected;
    view.drawfont(90, 40, "a", 20, 20);
    view.drawfont(100, 40, "b", 20, 20);
    EXPECT_EQ(std::memcmp(bitmap.pbuf, expected.pbuf, 200 * 120 * 4), 0);
}

TEST_F(texttest, damagedorabsentfontdataneverreadspastthestream) {
    // A glyph whose last point lacks the end-of-glyph bit is not offered, nor
    // are codes beyond the glyphs of the stream; the glyphs before still draw.
    font.stream.insert(font.stream.end(), {2 * 10, 2 * 10, 2 * 60, 2 * 60});
    std::vector<unsigned short> codes = font.codes;
    codes.insert(codes.end(), {'Z', 'Q'});
    bitmap.setvzk(int(font.stream.size()), static_cast<unsigned short>(codes.size()), font.stream.data(), codes.data());
    view.drawtext(0, 0, "ZQ", 24, 0);
    EXPECT_TRUE(black().empty());
    view.drawtext(0, 0, "-", 24, 0);
    EXPECT_FALSE(black().empty());
    bitmap.setvzk(0, 0, nullptr, nullptr);
    EXPECT_THROW(view.drawfont(0, 0, "A", 24, 24), std::runtime_error);
    EXPECT_THROW(view.drawtext(0, 0, "A", 24, 0), std::runtime_error);
}

TEST_F(texttest, twobytecharacterwithoutglyphdrawsamark) {
    // In the pen colour even in the two-colour mode, inset by an eighth of the
    // cell, and the pen is left as found.
    view.redstrokes = true;
    const mycolor blue(0, 0, 255);
    const struct {
        int x, y, w, h;
        points expected;
    } cases[] = {{10, 5, 24, 0, outline(13, 8, 30, 25)}, {0, 0, 40, 20, outline(5, 2, 34, 17)}};
    font.glyph(0xA0F8, {}).install(bitmap);  // a hanzi whose glyph is empty
    for (const auto& c : cases)
        for (const char* hanzi : {"\xB0\xA2", "\xF8\xA0"}) {  // 阿 is not in the font
            wipe();
            bitmap.pencolor = blue;
            view.drawfont(c.x, c.y, hanzi, c.w, c.h);
            EXPECT_EQ(pixelsof(bitmap, blue), c.expected) << c.w << "x" << c.h;
            EXPECT_TRUE(red().empty());
            EXPECT_EQ(bitmap.pencolor, blue);
        }
    // It advances like any two-byte character.
    wipe();
    bitmap.pencolor = mycolor(0, 0, 0);
    view.redstrokes = false;
    view.drawtext(0, 0, "\x81\x80" "A", 24, 0);
    points expected = outline(3, 3, 20, 20);
    expected.merge(row(0, 24, 36));
    EXPECT_EQ(black(), expected);
}

TEST_F(texttest, nomarkforspacesemptyglyphsloneleadbytesandonebytecodes) {
    font.glyph(0xA0A3, {});  // a two-byte code whose glyph is empty on purpose
    font.install(bitmap);
    for (const char* t : {"\xA1\xA1",    // the ideographic space
                          "\xA3\xA0",    // its glyph has no strokes
                          "\xB0",        // a lone lead byte at the end (code 0x00B0)
                          "\x81\x40",    // a trail byte below 0x80 is no character of the editor's
                          "Z\x7F\t"}) {  // one-byte characters without a glyph
        view.drawtext(0, 0, t, 24, 0);
        EXPECT_TRUE(black().empty()) << t;
    }
}

}  // namespace
