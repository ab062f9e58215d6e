#include "editorfixture.h"

namespace {

constexpr uint32_t opaquered = 0xFFFF0000u;
constexpr uint32_t redundercursor = 0xFE9B0064u;  // red under the cursor cell's translucent blue

class render : public editorfixture {
protected:
    uint32_t pixel(int x, int y) { return win.bmp.getpixel(ed.left + x, ed.top + y).value(); }
    // Pixels of one colour in the upper part of a cell (column c, row r).
    int count(int c, int r, uint32_t colour, int columns = 1) {
        int n = 0;
        for (int y = r * ed.lineheight; y < r * ed.lineheight + ed.charheight; ++y)
            for (int x = c * ed.cellwidth; x < (c + columns) * ed.cellwidth; ++x) n += pixel(x, y) == colour;
        return n;
    }
    void show(const std::string& t, int cursorat) {
        load(t);
        at(cursorat);
        ed.draw();
    }
};

TEST_F(render, endblocklinefeedmarkandcursorcells) {
    show("", 0);
    EXPECT_EQ(pixel(2, 2), opaquered) << "the end-of-text block";
    EXPECT_EQ(pixel(2, ed.charheight - 2), redundercursor) << "the cursor cell blended on it";
    EXPECT_EQ(pixel(ed.cellwidth + 3, ed.charheight - 2), 0xFFFFFFFFu);
    show("ab\r\n", 0);
    EXPECT_GT(count(2, 0, opaquered, 2), 5) << "a red / where the LF is";
    EXPECT_EQ(count(0, 1, opaquered), ed.cellwidth * ed.charheight) << "the end block alone on the next row";
    show(zhong + "a", 0);
    const int y = ed.charheight - 2;
    EXPECT_EQ(pixel(1, y) | 0x00FFFFFF, 0xFEFFFFFFu);
    EXPECT_NE(pixel(ed.cellwidth + 1, y) >> 24, 0xFEu) << "the cursor covers the first column only";
    key(keyf3);
    key(keyright);
    EXPECT_EQ(pixel(ed.cellwidth + 1, y) >> 24, 0xFEu) << "a selection covers both";
}

TEST_F(render, scrollmarkonlyforatextlongerthantheview) {
    auto marked = [&](int y) {
        const mycolor c = win.bmp.getpixel(ed.colnumber * ed.cellwidth + 2, ed.top + y);
        return c.alpha == 0xFE && c.green == 255 && c.red < 255;
    };
    show("a\r\nb", 0);
    EXPECT_FALSE(marked(5));
    std::string t;
    for (int i = 0; i < 60; ++i) t += "x\n";
    show(t, 0);
    EXPECT_TRUE(marked(5));
    EXPECT_EQ(win.bmp.getpixel(ed.colnumber * ed.cellwidth + 2, ed.top - 10).alpha, 0xFE) << "15 pixels above the view";
}

TEST_F(render, statuslinegivespositionandthecodeunderthecursor) {
    show("x\r\n" + zhong, 3);
    // 当前2行,1列,共5字节,共2行,代码:d6,d0
    const char* expected = "\xB5\xB1\xC7\xB0" "2\xD0\xD0,1\xC1\xD0,\xB9\xB2" "5\xD7\xD6\xBD\xDA,\xB9\xB2" "2\xD0\xD0,"
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

// At 3840 pixels the rows are drawn, and marks past the last column (a TAB at
// the edge, the end block, a far cursor column) are dropped, never written past the flags.
TEST_F(render, widescreendrawstextanddropsmarkspastthelastcolumn) {
    amybitmapwin wide(3840, 2160);
    myview::pmymap = &wide.bmp;
    editview big;
    big.init();
    ASSERT_GT(big.colnumber, 300);
    std::string t(size_t(big.colnumber - 2), 'a');
    t.back() = '\t';
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
