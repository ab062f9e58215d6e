#include "graphics/mybitmap.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using points = std::set<std::pair<int, int>>;

// Pixels that are not the bitmap's starting white.
points painted(const mybitmap& b) {
    points out;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            if (b.getpixel(x, y).value() != 0xFFFFFFFFu) out.insert({x, y});
    return out;
}

std::vector<std::pair<int, int>> linewalk(int x1, int y1, int x2, int y2) {
    std::vector<std::pair<int, int>> out;
    walkline(x1, y1, x2, y2, [&](int x, int y) { out.push_back({x, y}); });
    return out;
}

TEST(mycolor, constructorstakeredfirstandstorebluefirst) {
    mycolor c(1, 2, 3u);
    EXPECT_EQ(c.value(), 0xFF010203u);
    EXPECT_EQ(mycolor(1, 2, 0x1FFu).blue, 0xFF);  // only the low byte of blue
    EXPECT_EQ(mycolor(0x11223344u).alpha, 0x11);
    EXPECT_EQ(mycolor().value(), 0xFF000000u);
}

TEST(mybitmap, startsopaquewhitewithblackthinpen) {
    mybitmap b(4, 3);
    ASSERT_EQ(b.width, 4);
    ASSERT_EQ(b.height, 3);
    EXPECT_TRUE(painted(b).empty());
    EXPECT_EQ(b.thick, 1);
    EXPECT_EQ(b.pencolor.value(), 0xFF000000u);
    EXPECT_EQ(b.rows[2], b.pbuf + 2 * 4 * 4);
}

TEST(mybitmap, plotsoutsidearedropped) {
    mybitmap b(4, 3);
    const mycolor red(255, 0, 0);
    b.setpixel(4, 0, red);
    b.setpixel(0, -1, red);
    b.setpixel(-1, 0, red);
    b.setpixel(0, 3, red);
    b.setpixel(4, 0, 100, 1, 2, 3);
    EXPECT_TRUE(painted(b).empty());
    b.setpixel(3, 2, red);
    EXPECT_EQ(b.getpixel(3, 2).value(), 0xFFFF0000u);
}

TEST(mybitmap, translucentcolourblendsonlyonce) {
    mybitmap b(2, 1);
    mycolor blue(0, 0, 255);
    blue.alpha = 100;
    b.setpixel(0, 0, blue);
    EXPECT_EQ(b.getpixel(0, 0).value(), mycolor(155, 155, 255, 254).value());
    b.setpixel(0, 0, blue);
    EXPECT_EQ(b.getpixel(0, 0).value(), mycolor(155, 155, 255, 254).value());
    b.setpixel(0, 0, mycolor(255, 0, 0));  // an opaque plot makes it blendable again
    b.setpixel(0, 0, blue);
    EXPECT_EQ(b.getpixel(0, 0).value(), mycolor(155, 0, 100, 254).value());
}

TEST(mybitmap, factorblendtruncatesandskipszeropixels) {
    unsigned char r = 255, g = 20, bl = 0;
    mybitmap::joincolor(r, g, bl, 0, 10, 0, 100);
    EXPECT_EQ(r, 155);
    EXPECT_EQ(g, 16);
    mybitmap b(2, 1);
    std::memset(b.pbuf, 0, 4);  // pixel (0,0) all zero
    b.setpixel(0, 0, 100, 9, 9, 9);
    EXPECT_EQ(b.getpixel(0, 0).value(), 0u);
    b.setpixel(1, 0, 255, 1, 2, 3);
    EXPECT_EQ(b.getpixel(1, 0).value(), mycolor(1, 2, 3, 254).value());
}

TEST(mybitmap, clearmarkseverypixelblended) {
    mybitmap b(5, 4);
    std::memset(b.pbuf + 4 * 6, 0, 4);  // one all-zero pixel stays as it is
    b.setpixel(2, 2, mycolor(10, 20, 30));
    b.clear(mycolor(255, 255, 0));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(b.getpixel(x, y).value(), (x == 1 && y == 1) ? 0u : mycolor(255, 255, 0, 254).value());
    mycolor blue(0, 0, 255);
    blue.alpha = 100;
    b.setpixel(3, 3, blue);
    EXPECT_EQ(b.getpixel(3, 3).value(), mycolor(255, 255, 0, 254).value());
}

TEST(mybitmap, clearwithtranslucentcolourmatchesthefactorblend) {
    mybitmap a(16, 16), b(16, 16);
    for (int i = 0; i < 256; ++i) {
        const mycolor c(static_cast<unsigned char>(i), static_cast<unsigned char>(255 - i),
                        unsigned(i * 7 % 256));
        a.setpixel(i % 16, i / 16, c);
        b.setpixel(i % 16, i / 16, c);
    }
    const mycolor cover(40, 200, 90, 77);
    a.clear(cover);
    for (int x = 0; x < 16; ++x)
        for (int y = 0; y < 16; ++y) b.setpixel(x, y, cover.alpha, cover.red, cover.green, cover.blue);
    EXPECT_EQ(std::memcmp(a.pbuf, b.pbuf, 16 * 16 * 4), 0);
}

TEST(mybitmap, linewalkdependsondirection) {
    using v = std::vector<std::pair<int, int>>;
    EXPECT_EQ(linewalk(0, 0, 0, 0), (v{{0, 0}}));
    EXPECT_EQ(linewalk(0, 0, 2, 1), (v{{0, 0}, {1, 0}, {2, 1}}));
    EXPECT_EQ(linewalk(2, 1, 0, 0), (v{{2, 1}, {1, 1}, {0, 0}}));
    EXPECT_EQ(linewalk(0, 0, 3, 3), (v{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_EQ(linewalk(0, 0, 1, 3), (v{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(linewalk(5, 0, 5, -2), (v{{5, 0}, {5, -1}, {5, -2}}));
    mybitmap b(8, 8);
    b.pencolor = mycolor(255, 0, 0);
    b.drawthinline(-3, 1, 20, 1);  // clipped to the bitmap, nothing else touched
    EXPECT_EQ(painted(b).size(), 8u);
}

TEST(mybitmap, resettoanemptysizedropsalldrawing) {
    mybitmap b(4, 4);
    b.thick = 3;
    b.reset(0, 5);
    EXPECT_EQ(b.width, 0);
    EXPECT_EQ(b.pbuf, nullptr);
    b.setpixel(0, 0, mycolor());
    b.clear(mycolor());
    b.drawthinline(0, 0, 3, 3);
    b.savebuffer();
    b.loadbuffer();
    b.reset(3, 2);
    EXPECT_EQ(b.thick, 1);
    EXPECT_TRUE(painted(b).empty());
    mybitmap none(-1, 3);
    EXPECT_EQ(none.width, 0);
    EXPECT_EQ(none.height, 0);
}

TEST(mybitmap, savebufferandloadbufferroundtrip) {
    mybitmap b(3, 3);
    b.setpixel(1, 1, mycolor(1, 2, 3));
    b.savebuffer();
    b.clear(mycolor(0, 0, 0));
    b.loadbuffer();
    EXPECT_EQ(b.getpixel(1, 1).value(), mycolor(1, 2, 3).value());
    EXPECT_EQ(b.getpixel(0, 0).value(), 0xFFFFFFFFu);
}

std::string readfile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

TEST(mybitmap, bmpisbottomupbgrwithpaddedrows) {
    const std::string path = ::testing::TempDir() + "zhedit_bmp_test.bmp";
    mybitmap b(3, 2);  // 9 pixel bytes a row, padded to 12
    b.setpixel(0, 1, mycolor(10, 20, 30));  // bottom-left
    b.setpixel(2, 0, mycolor(40, 50, 60, 254));
    b.savetobmp(path.c_str());
    const std::string f = readfile(path);
    std::remove(path.c_str());
    ASSERT_EQ(f.size(), 54u + 12 * 2);
    EXPECT_EQ(f.substr(0, 2), "BM");
    EXPECT_EQ(le32(f, 2), 54u + 24);
    EXPECT_EQ(le32(f, 10), 54u);
    EXPECT_EQ(le32(f, 14), 40u);
    EXPECT_EQ(le32(f, 18), 3u);
    EXPECT_EQ(le32(f, 22), 2u);
    EXPECT_EQ(uint8_t(f[28]), 24);
    EXPECT_EQ(le32(f, 34), 24u);
    const std::string bottom = f.substr(54, 12), topline = f.substr(66, 12);
    EXPECT_EQ(bottom, std::string("\x1E\x14\x0A\xFF\xFF\xFF\xFF\xFF\xFF\0\0\0", 12));
    EXPECT_EQ(topline, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x3C\x32\x28\0\0\0", 12));
}

TEST(mybitmap, bmpinamissingdirectorywritesnothing) {
    mybitmap b(2, 2);
    b.savetobmp("/nonexistent-dir-zhedit/x.bmp");  // must simply return
    SUCCEED();
}

}  // namespace

namespace {

TEST(mybitmap, spanfillmatchesplottingeachpixel) {
    mycolor translucent(0, 0, 255);
    translucent.alpha = 100;
    for (const mycolor& c : {mycolor(9, 8, 7), translucent}) {
        mybitmap a(20, 3), b(20, 3);
        a.setpixel(5, 1, mycolor(1, 1, 1));
        b.setpixel(5, 1, mycolor(1, 1, 1));
        a.setpixel(6, 1, translucent);
        b.setpixel(6, 1, translucent);
        a.fillspan(-4, 30, 1, c);
        for (int x = -4; x <= 30; ++x) b.setpixel(x, 1, c);
        a.fillspan(3, 7, 3, c);  // below the bitmap
        EXPECT_EQ(std::memcmp(a.pbuf, b.pbuf, 20 * 3 * 4), 0);
    }
}

TEST(mybitmap, stampmatchesplottingeachpixel) {
    // Offsets reaching past every edge; a translucent colour blends once.
    const pixeloffset offsets[] = {{0, 0}, {3, 1}, {-2, 0}, {0, -3}, {9, 1}, {1, 5}, {3, 1}, {2, 2}};
    const size_t n = sizeof offsets / sizeof offsets[0];
    mycolor translucent(0, 0, 255);
    translucent.alpha = 100;
    for (const mycolor& c : {mycolor(9, 8, 7), translucent}) {
        mybitmap a(8, 4), b(8, 4);
        a.stamp(1, 1, offsets, n, c);
        for (const pixeloffset& o : offsets) b.setpixel(1 + o.dx, 1 + o.dy, c);
        EXPECT_EQ(std::memcmp(a.pbuf, b.pbuf, 8 * 4 * 4), 0);
    }
}

}  // namespace

#include <random>

namespace {

// Opaque spans are filled by block copies: the same pixels as plotting each
// one, also where the span is cut by the bitmap's edges.
TEST(mybitmapspans, FilledSpansMatchPlottedPixels) {
    std::mt19937 spans(3);
    mybitmap fast(37, 5), plotted(37, 5);
    for (int round = 0; round < 300; ++round) {
        const int x1 = int(spans() % 60) - 10, x2 = x1 + int(spans() % 50) - 5, y = int(spans() % 7) - 1;
        const mycolor c(static_cast<uint8_t>(spans()), static_cast<uint8_t>(spans()), static_cast<uint8_t>(spans()), 255);
        fast.fillspan(x1, x2, y, c);
        for (int x = x1; x <= x2; ++x) plotted.setpixel(x, y, c);
        ASSERT_EQ(std::memcmp(fast.pbuf, plotted.pbuf, 37 * 5 * 4), 0) << round;
    }
}

}  // namespace

namespace {

// The opaque clear takes a short way; it leaves every pixel as the blend by
// a factor of 255 does.
TEST(mybitmapspans, OpaqueClearMatchesTheBlend) {
    std::mt19937 fill(11);
    mybitmap fast(13, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) fast.setpixel(x, y, mycolor(uint32_t(fill() % 3 == 0 ? 0 : fill())));
    std::vector<unsigned char> expected(fast.pbuf, fast.pbuf + 13 * 7 * 4);
    for (size_t i = 0; i < expected.size(); i += 4) {
        uint32_t v;
        std::memcpy(&v, &expected[i], 4);
        if (v == 0) continue;
        mycolor d(v);
        mybitmap::joincolor(d.red, d.green, d.blue, 255, 255, 0, 255);
        d.alpha = blendedmark;
        v = d.value();
        std::memcpy(&expected[i], &v, 4);
    }
    fast.clear(mycolor(255, 255, 0));
    EXPECT_EQ(std::vector<unsigned char>(fast.pbuf, fast.pbuf + 13 * 7 * 4), expected);
}

}  // namespace
