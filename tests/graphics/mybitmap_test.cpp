#include "graphics/mybitmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "tests/storage/faultyio.h"
#include "tests/storage/scratchdir.h"

namespace {

// How many pixels are not the bitmap's starting white.
size_t painted(const mybitmap& b) {
    size_t n = 0;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x) n += b.getpixel(x, y).value() != 0xFFFFFFFFu;
    return n;
}

bool same(const mybitmap& a, const mybitmap& b) { return std::memcmp(a.pbuf, b.pbuf, size_t(a.width) * a.height * 4) == 0; }

mycolor translucentblue() {
    mycolor c(0, 0, 255);
    c.alpha = 100;
    return c;
}

TEST(mybitmap, colourbytesandplotsoutsidearedropped) {
    EXPECT_EQ(mycolor(1, 2, 0x103u).value(), 0xFF010203u);  // only the low byte of blue
    mybitmap b(4, 3);
    const mycolor red(255, 0, 0);
    for (auto [x, y] : {std::pair{4, 0}, {0, -1}, {-1, 0}, {0, 3}}) b.setpixel(x, y, red);
    b.setpixel(4, 0, 100, 1, 2, 3);
    EXPECT_EQ(painted(b), 0u);
    b.setpixel(3, 2, red);
    EXPECT_EQ(b.getpixel(3, 2).value(), 0xFFFF0000u);
}

TEST(mybitmap, translucentcolourblendsonlyonceandzeropixelsstay) {
    mybitmap b(2, 1);
    const mycolor blue = translucentblue();
    b.setpixel(0, 0, blue);
    b.setpixel(0, 0, blue);
    EXPECT_EQ(b.getpixel(0, 0).value(), mycolor(155, 155, 255, 254).value());
    b.setpixel(0, 0, mycolor(255, 0, 0));  // an opaque plot makes it blendable again
    b.setpixel(0, 0, blue);
    EXPECT_EQ(b.getpixel(0, 0).value(), mycolor(155, 0, 100, 254).value());
    unsigned char r = 255, g = 20, bl = 0;
    mybitmap::joincolor(r, g, bl, 0, 10, 0, 100);
    EXPECT_EQ(r, 155);
    EXPECT_EQ(g, 16);
    std::memset(b.pbuf, 0, 4);
    b.setpixel(0, 0, 100, 9, 9, 9);
    EXPECT_EQ(b.getpixel(0, 0).value(), 0u);
    b.setpixel(1, 0, 255, 1, 2, 3);
    EXPECT_EQ(b.getpixel(1, 0).value(), mycolor(1, 2, 3, 254).value());
}

// The opaque clear takes a short way; for opaque and translucent colours alike
// every pixel ends as the factor blend leaves it: all-zero pixels stay, the
// rest are marked blended.
TEST(mybitmap, clearmatchesthefactorblend) {
    std::mt19937 fill(11);
    for (const mycolor cover : {mycolor(255, 255, 0), mycolor(40, 200, 90, 77)}) {
        mybitmap b(13, 7);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) b.setpixel(x, y, mycolor(uint32_t(fill() % 3 == 0 ? 0 : fill())));
        b.setpixel(3, 3, mycolor(10, 20, 30));
        std::vector<uint32_t> expected;
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                mycolor d = b.getpixel(x, y);
                if (d.value() != 0) {
                    mybitmap::joincolor(d.red, d.green, d.blue, cover.red, cover.green, cover.blue, cover.alpha);
                    d.alpha = blendedmark;
                }
                expected.push_back(d.value());
            }
        b.clear(cover);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) ASSERT_EQ(b.getpixel(x, y).value(), expected[size_t(y * 13 + x)]) << x << "," << y;
        b.setpixel(3, 3, translucentblue());  // already blended: left alone
        EXPECT_EQ(b.getpixel(3, 3).value(), expected[3 * 13 + 3]);
    }
}

// Spans are filled by block copies, stamps in one pass: the same pixels as
// plotting each one, also where they are cut by the bitmap's edges.
TEST(mybitmap, spansandstampsmatchplottedpixels) {
    std::mt19937 random(3);
    mybitmap fast(37, 5), plotted(37, 5);
    for (int round = 0; round < 300; ++round) {
        const int x1 = int(random() % 60) - 10, x2 = x1 + int(random() % 50) - 5, y = int(random() % 7) - 1;
        mycolor c(static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), 255);
        if (round % 10 == 0) c = translucentblue();
        if (round % 10 == 1) {
            fast.setpixel(x1, y, mycolor(uint32_t(0)));
            plotted.setpixel(x1, y, mycolor(uint32_t(0)));
        }
        fast.fillspan(x1, x2, y, c);
        for (int x = x1; x <= x2; ++x) plotted.setpixel(x, y, c);
        ASSERT_TRUE(same(fast, plotted)) << round;
    }
    const pixeloffset offsets[] = {{0, 0}, {3, 1}, {-2, 0}, {0, -3}, {9, 1}, {1, 5}, {3, 1}, {2, 2}};
    for (const mycolor& c : {mycolor(9, 8, 7), translucentblue()}) {
        mybitmap a(8, 4), b(8, 4);
        a.stamp(1, 1, offsets, sizeof offsets / sizeof offsets[0], c);
        for (const pixeloffset& o : offsets) b.setpixel(1 + o.dx, 1 + o.dy, c);
        EXPECT_TRUE(same(a, b));
    }
}

TEST(mybitmap, linewalkdependsondirectionandclips) {
    using v = std::vector<std::pair<int, int>>;
    auto walk = [](int x1, int y1, int x2, int y2) {
        v out;
        walkline(x1, y1, x2, y2, [&](int x, int y) { out.push_back({x, y}); });
        return out;
    };
    EXPECT_EQ(walk(0, 0, 0, 0), (v{{0, 0}}));
    EXPECT_EQ(walk(0, 0, 2, 1), (v{{0, 0}, {1, 0}, {2, 1}}));
    EXPECT_EQ(walk(2, 1, 0, 0), (v{{2, 1}, {1, 1}, {0, 0}}));
    EXPECT_EQ(walk(0, 0, 1, 3), (v{{0, 0}, {0, 1}, {1, 2}, {1, 3}}));
    EXPECT_EQ(walk(5, 0, 5, -2), (v{{5, 0}, {5, -1}, {5, -2}}));
    mybitmap b(8, 8);
    b.drawthinline(-3, 1, 20, 1);
    EXPECT_EQ(painted(b), 8u);
}

TEST(mybitmap, emptysizesdrawnothingandthesavedscreencomesback) {
    mybitmap b(4, 4);
    b.thick = 3;
    b.reset(0, 5);
    EXPECT_EQ(b.pbuf, nullptr);
    b.setpixel(0, 0, mycolor());
    b.clear(mycolor());
    b.drawthinline(0, 0, 3, 3);
    b.savebuffer();
    b.loadbuffer();
    b.reset(3, 2);
    EXPECT_EQ(b.thick, 1);
    EXPECT_EQ(painted(b), 0u);
    mybitmap none(-1, 3);
    EXPECT_EQ(none.width + none.height, 0);
    b.setpixel(1, 1, mycolor(1, 2, 3));
    b.savebuffer();
    b.clear(mycolor(0, 0, 0));
    b.loadbuffer();
    EXPECT_EQ(b.getpixel(1, 1).value(), mycolor(1, 2, 3).value());
    EXPECT_EQ(painted(b), 1u);
    EXPECT_FALSE(b.savetobmp("/nonexistent-dir-zhedit/x.bmp"));  // a file that cannot be made
}

// The picture replaces whatever has its name and never writes through it: a
// link planted there keeps its target as it was, and a step that fails, or a
// directory of that name, leaves what was there and no other file.
TEST(mybitmap, screenshotreplacesitsnamewhole) {
    scratchdir dir;
    mybitmap b(5, 3);
    const std::string shot = dir.path("aaaaa.bmp");
    writebytes(dir.path("precious"), "keep");
    std::filesystem::create_symlink(dir.path("precious"), shot);
    EXPECT_TRUE(b.savetobmp(shot.c_str()));
    EXPECT_EQ(readbytes(dir.path("precious")), "keep");
    EXPECT_EQ(readbytes(shot).size(), 54u + 16 * 3);
    EXPECT_EQ(lstatof(shot).st_mode & 07777, 0600u);
    const std::set<std::string> names = {"aaaaa.bmp", "precious"};
    for (const char* step : {"write", "fsync", "close", "rename"}) {
        faultyio io(faultyio::rule{step, "", 1, 0});
        writebytes(shot, "old");
        EXPECT_FALSE(b.savetobmp(shot.c_str(), io)) << step;
        EXPECT_TRUE(readbytes(shot) == "old" && dir.names() == names) << step;
    }
    std::filesystem::remove(shot);
    std::filesystem::create_directory(shot);
    EXPECT_FALSE(b.savetobmp(shot.c_str()));
    EXPECT_EQ(dir.names(), names);
}

}  // namespace
