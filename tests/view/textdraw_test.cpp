#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <utility>

#include "graphics/pixelset.h"
#include "view/myview.h"
#include "view/testfont.h"

namespace {

constexpr unsigned short hanzia = 0xA1B0;  // 啊
constexpr unsigned short hanziyi = 0xBBD2;  // 一

class texttest : public ::testing::Test {
protected:
    mybitmap bitmap{200, 120};
    testfont font;
    myview view{0, 0, 199, 119};

    void SetUp() override {
        myview::pmymap = &bitmap;
        font.glyph('-', {{{4, 63}, {59, 63}}})
            .glyph(' ', {})
            .glyph('!', {{{30, 0}}, {{30, 10}, {30, 90}}})  // starts with a single-point stroke
            .glyph('A', {{{0, 0}, {63, 0}}})
            .glyph(hanzia, {{{0, 0}, {127, 127}}})
            .glyph(hanziyi, {{{10, 60}, {120, 64}}})
            .glyph('|', {{{30, 0}, {32, 127}}, {{0, 50}, {10, 127}}})  // vertical-first strokes
            .glyph('L', {{{10, 0}, {10, 127}, {60, 127}}})
            .shapes({'a', 'b'});
        font.install(bitmap);
    }
    void TearDown() override { testfont::restore(bitmap); }

    points ink(mycolor c) const { return pixelsof(bitmap, c); }
    points black() const { return ink(mycolor(0, 0, 0)); }
    points red() const { return ink(mycolor(255, 0, 0)); }
    static points row(int y, int x1, int x2) {
        points out;
        for (int x = x1; x <= x2; ++x) out.insert({x, y});
        return out;
    }
};

TEST_F(texttest, roundedandtruncatedmappings) {
    view.drawfont(0, 0, "-", 24, 24);
    EXPECT_EQ(black(), row(12, 1, 11));
    bitmap.clear(mycolor(0xFFFFFFFFu));
    view.redstrokes = true;
    bitmap.pencolor = mycolor(0, 0, 255);
    view.drawfont(0, 0, "-", 24, 24);
    EXPECT_EQ(red(), row(11, 0, 11));
    EXPECT_EQ(bitmap.pencolor, mycolor(0, 0, 255));  // the pen colour comes back
}

TEST_F(texttest, segmentsaredrawnfromthenewpointback) {
    // A shallow diagonal lights different pixels in the two directions; the
    // glyph drawer walks from the later point to the earlier one.
    font.glyph('/', {{{0, 0}, {127, 50}}});
    font.install(bitmap);
    view.drawfont(0, 0, "/", 40, 40);
    mybitmap expected(200, 120);
    expected.drawthinline(40, 16, 0, 0);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x)
            ASSERT_EQ(bitmap.getpixel(x, y).value() == 0xFF000000u, expected.getpixel(x, y).value() == 0xFF000000u)
                << x << "," << y;
}

TEST_F(texttest, twocolourmodepaintshorizontalleadingstrokesred) {
    view.redstrokes = true;
    view.drawfont(0, 0, "\xD2\xBB", 48, 0);  // 一, horizontal: all red
    EXPECT_FALSE(red().empty());
    EXPECT_TRUE(black().empty());
    bitmap.clear(mycolor(0xFFFFFFFFu));
    view.drawfont(0, 0, "|", 48, 0);  // strokes that start vertically: pen colour
    EXPECT_TRUE(red().empty());
    EXPECT_FALSE(black().empty());
    bitmap.clear(mycolor(0xFFFFFFFFu));
    view.drawfont(0, 0, "L", 48, 0);  // the colour of a stroke follows its first segment
    EXPECT_TRUE(red().empty());
    EXPECT_EQ(bitmap.pencolor, mycolor(0, 0, 0));
}

TEST_F(texttest, advancesbyhalfcellforasciiandfullcellforchinese) {
    view.drawtext(0, 0, "A\xB0\xA1" "A", 24, 0);
    const points p = black();
    EXPECT_TRUE(p.count({0, 0}) && p.count({12, 0}));   // A at 0, its line to x 11..12
    EXPECT_TRUE(p.count({13, 1}) || p.count({12, 0}));  // 啊 starts at 12
    EXPECT_TRUE(p.count({36, 0}));                      // the next A at 36
    EXPECT_FALSE(p.count({49, 0}));
}

TEST_F(texttest, tabsandunknowncodesadvancewithoutink) {
    view.drawtext(0, 0, "\tA", 24, 0);
    EXPECT_TRUE(black().count({12, 0}));
    EXPECT_FALSE(black().count({0, 0}));
    bitmap.clear(mycolor(0xFFFFFFFFu));
    view.drawtext(0, 0, "A\xB0", 24, 0);  // a lone lead byte at the end draws nothing
    EXPECT_EQ(black(), row(0, 0, 12));
    bitmap.clear(mycolor(0xFFFFFFFFu));
    view.drawtext(0, 0, "\xA1\xA1 !", 24, 0);  // the ideographic space is not in the font
    const points p = black();
    ASSERT_FALSE(p.empty());
    EXPECT_EQ(p.begin()->first, 24 + 12 + 6);  // only the exclamation mark's second stroke
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
    myview other(0, 0, 199, 119);
    mybitmap expected(200, 120);  // a new bitmap installs the compiled-in font again
    font.install(expected);
    myview::pmymap = &expected;
    other.drawfont(90, 40, "a", 20, 20);
    other.drawfont(100, 40, "b", 20, 20);
    myview::pmymap = &bitmap;
    EXPECT_EQ(std::memcmp(bitmap.pbuf, expected.pbuf, 200 * 120 * 4), 0);
}

TEST_F(texttest, thickpendrawsglyphswithpendots) {
    bitmap.thick = 2;
    view.drawfont(0, 0, "-", 24, 24);
    points expected = row(11, -1, 12);
    expected.erase({-1, 11});
    EXPECT_EQ(black(), expected);
}

TEST_F(texttest, anemptyfontisanerror) {
    bitmap.setvzk(0, 0, nullptr, nullptr);
    EXPECT_THROW(view.drawfont(0, 0, "A", 24, 24), std::runtime_error);
    try {
        view.drawtext(0, 0, "A", 24, 0);
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "error to get font");
    }
}

TEST_F(texttest, damagedfontdataneverreadspastthestream) {
    // A glyph whose last point lacks the end-of-glyph bit is not offered; the
    // glyphs before it still draw.
    font.stream.push_back(2 * 10);
    font.stream.push_back(2 * 10);
    font.stream.push_back(2 * 60);
    font.stream.push_back(2 * 60);
    font.codes.push_back('Z');
    font.install(bitmap);
    view.drawtext(0, 0, "Z", 24, 0);
    EXPECT_TRUE(black().empty());
    view.drawtext(0, 0, "-", 24, 0);
    EXPECT_FALSE(black().empty());
    // A code table longer than the glyphs in the stream: the extra codes draw nothing.
    std::vector<unsigned short> codes = font.codes;
    codes.push_back('Q');
    bitmap.setvzk(int(font.stream.size()), static_cast<unsigned short>(codes.size()), font.stream.data(), codes.data());
    bitmap.clear(mycolor(0xFFFFFFFFu));
    view.drawtext(0, 0, "Q", 24, 0);
    EXPECT_TRUE(black().empty());
}

TEST_F(texttest, firstentryofarepeatedcodewins) {
    font.glyph('-', {{{0, 0}, {0, 127}}});  // a second, vertical glyph for the hyphen
    font.install(bitmap);
    view.drawfont(0, 0, "-", 24, 24);
    EXPECT_EQ(black(), row(12, 1, 11));
}

// The outline of the rectangle from (x1, y1) to (x2, y2), edges included.
points outline(int x1, int y1, int x2, int y2) {
    points out;
    for (int x = x1; x <= x2; ++x) out.insert({{x, y1}, {x, y2}});
    for (int y = y1; y <= y2; ++y) out.insert({{x1, y}, {x2, y}});
    return out;
}

TEST_F(texttest, twobytecharacterwithoutglyphdrawsamark) {
    // In the pen colour even in the two-colour mode, inset by an eighth of the
    // cell, and the pen is left as found.
    view.redstrokes = true;
    const mycolor blue(0, 0, 255);
    struct {
        int x, y, w, h;
        points expected;
    } cases[] = {
        {10, 5, 24, 0, outline(13, 8, 30, 25)},
        {0, 0, 40, 20, outline(5, 2, 34, 17)},
    };
    for (const auto& c : cases) {
        bitmap.clear(mycolor(0xFFFFFFFFu));
        bitmap.pencolor = blue;
        view.drawfont(c.x, c.y, "\xB0\xA2", c.w, c.h);  // 阿, not in the test font
        EXPECT_EQ(ink(blue), c.expected) << c.w << "x" << c.h;
        EXPECT_TRUE(red().empty());
        EXPECT_EQ(bitmap.pencolor, blue);
    }
    // It advances like any two-byte character.
    bitmap.clear(mycolor(0xFFFFFFFFu));
    bitmap.pencolor = mycolor(0, 0, 0);
    view.redstrokes = false;
    view.drawtext(0, 0, "\x81\x80" "A", 24, 0);
    points expected = outline(3, 3, 20, 20);
    for (const auto& p : row(0, 24, 36)) expected.insert(p);  // the A at 24
    EXPECT_EQ(black(), expected);
}

TEST_F(texttest, nomarkforspacesemptyglyphsloneleadbytesandonebytecodes) {
    font.glyph(0xA0A3, {});  // a two-byte code whose glyph is empty on purpose
    font.install(bitmap);
    const char* const texts[] = {
        "\xA1\xA1",  // the ideographic space
        "\xA3\xA0",  // its glyph has no strokes
        "\xB0",      // a lone lead byte at the end (code 0x00B0)
        "\x81\x40",  // a trail byte below 0x80 is no character of the editor's
        "Z\x7F\t",   // one-byte characters without a glyph
    };
    for (const char* t : texts) {
        view.drawtext(0, 0, t, 24, 0);
        EXPECT_TRUE(black().empty()) << t;
    }
}

}  // namespace
