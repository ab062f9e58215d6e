#include <cstdio>
#include <memory>

#include "editorfixture.h"

namespace {

constexpr uint32_t opaquered = 0xFFFF0000u;
// Opaque red under the translucent blue of a cursor cell.
constexpr uint32_t redundercursor = 0xFE9B0064u;
// White under the translucent blue.
constexpr uint32_t whiteundercursor = 0xFE9B9BFFu;

class render : public editorfixture {
protected:
    uint32_t pixel(int x, int y) { return win.bmp.getpixel(ed.left + x, ed.top + y).value(); }
    // Pixels of one colour in a cell's box (column c, row r, one column wide).
    int count(int c, int r, uint32_t colour, int columns = 1) {
        int n = 0;
        for (int y = r * ed.lineheight; y < r * ed.lineheight + ed.charheight; ++y)
            for (int x = c * ed.cellwidth; x < (c + columns) * ed.cellwidth; ++x) n += pixel(x, y) == colour;
        return n;
    }
};

TEST_F(render, EmptyTextShowsTheEndBlockUnderTheCursor) {
    load("");
    ed.draw();
    EXPECT_EQ(pixel(2, 2), opaquered) << "the block's upper part";
    EXPECT_EQ(pixel(2, ed.charheight - 2), redundercursor) << "the cursor cell is blended on its lower part";
    EXPECT_EQ(pixel(ed.cellwidth + 3, ed.charheight - 2), 0xFFFFFFFFu) << "one column only";
}

TEST_F(render, LineFeedMarkAndEndBlockOfATextEndingInALineBreak) {
    load("ab\r\n");
    at(0);
    ed.draw();
    EXPECT_GT(count(2, 0, opaquered, 2), 5) << "a red / where the LF is";
    EXPECT_EQ(count(0, 1, opaquered), ed.cellwidth * ed.charheight) << "the end-of-text block alone on the next row";
}

TEST_F(render, CursorOnATwoByteCharacterHighlightsItsFirstColumn) {
    load(zhong + "a");
    at(0);
    ed.draw();
    const int y = ed.charheight - 2;
    EXPECT_EQ(pixel(1, y) | 0x00FFFFFF, 0xFEFFFFFFu) << "blended";
    EXPECT_NE(pixel(ed.cellwidth + 1, y) >> 24, 0xFEu) << "the second column is not part of the cursor";
    // A selection over the character highlights both columns.
    ed.keymouse(eventkeydown, kf3, 0, 0, 0, 0);
    key(kright);
    EXPECT_EQ(pixel(ed.cellwidth + 1, y) >> 24, 0xFEu);
}

TEST_F(render, ScrollMarkOnlyForATextLongerThanTheView) {
    auto greenish = [&](int y) {
        const mycolor c = win.bmp.getpixel(ed.colnumber * ed.cellwidth + 2, ed.top + y);
        return c.alpha == 0xFE && c.green == 255 && c.red < 255;
    };
    load("a\r\nb");
    ed.draw();
    EXPECT_FALSE(greenish(5));
    std::string t;
    for (int i = 0; i < 60; ++i) t += "x\n";
    load(t);
    ed.draw();
    EXPECT_TRUE(greenish(5));
    // It reaches 15 pixels above the view, onto the bar above it.
    const mycolor above = win.bmp.getpixel(ed.colnumber * ed.cellwidth + 2, ed.top - 10);
    EXPECT_EQ(above.alpha, 0xFE);
}

TEST_F(render, StatusLineGivesPositionAndTheCodeUnderTheCursor) {
    load("x\r\n" + zhong);
    at(3);
    ed.draw();
    // 当前2行,1列,共5字节,共2行,代码:d6,d0
    const char* expected =
        "\xB5\xB1\xC7\xB0" "2\xD0\xD0,1\xC1\xD0,\xB9\xB2" "5\xD7\xD6\xBD\xDA,\xB9\xB2" "2\xD0\xD0,"
        "\xB4\xFA\xC2\xEB:d6,d0";
    amybitmapwin other(1024, 768);
    myview::pmymap = &other.bmp;
    myview otherbar(0, 0, 1024, 30);
    otherbar.clear();
    otherbar.drawtext(1, 1, expected, gcharwidth, 0);
    myview::pmymap = &win.bmp;
    for (int y = 0; y <= 30; ++y)
        for (int x = 0; x < 1024; ++x)
            ASSERT_EQ(win.bmp.getpixel(x, y).value(), other.bmp.getpixel(x, y).value()) << x << "," << y;
}

// On a 4K console the rows are drawn at any width, and marks past the last
// column are dropped, never written past the flag array.
TEST_F(render, WideScreenDrawsTextAndDropsMarksPastTheLastColumn) {
    amybitmapwin wide(3840, 2160);
    myview::pmymap = &wide.bmp;
    editview big;
    big.init();
    ASSERT_GT(big.colnumber, 300);
    std::string t(size_t(big.colnumber - 2), 'a');
    t[t.size() - 1] = '\t';
    big.loadtext(reinterpret_cast<const unsigned char*>(t.data()), t.size());
    big.extendsel = big.selmode = true;
    big.selpos = big.content;
    big.curpos = big.content + big.contlth;
    big.curcol = 100000;
    big.draw();
    int ink = 0;
    for (int x = 0; x < 24 * 20; ++x)
        for (int y = 0; y < 24; ++y) ink += wide.bmp.getpixel(x, big.top + y) == mycolor(0, 0, 0);
    EXPECT_GT(ink, 50);
}

}  // namespace
