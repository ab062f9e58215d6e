// Drawing glyphs from their kept pixels gives exactly the pixels of walking
// their strokes.
#include "view/glyphcache.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "font/ku500.h"
#include "view/myview.h"
#include "view/testfont.h"

namespace {

constexpr int bitmapwidth = 160, bitmapheight = 120;

// Two bitmaps drawn alike, one with the cache and one without.
class cachetest : public ::testing::Test {
protected:
    mybitmap cached{bitmapwidth, bitmapheight};
    mybitmap walked{bitmapwidth, bitmapheight};

    void TearDown() override {
        glyphcache::setenabled(true);
        setgcharwidth(24);
    }

    // Runs draw on both bitmaps with the same pen; the cache is on for the first.
    template <typename Draw>
    void both(const mycolor& pen, int thick, Draw draw) {
        for (bool usecache : {true, false}) {
            mybitmap& b = usecache ? cached : walked;
            glyphcache::setenabled(usecache);
            myview::pmymap = &b;
            b.pencolor = pen;
            b.thick = thick;
            draw();
            EXPECT_EQ(b.pencolor, pen) << "the pen is left as found";
        }
        glyphcache::setenabled(true);
    }
    // The first pixel where the two differ, or "" when they are the same.
    std::string difference() const {
        for (int y = 0; y < bitmapheight; ++y)
            for (int x = 0; x < bitmapwidth; ++x)
                if (cached.getpixel(x, y) != walked.getpixel(x, y)) return std::to_string(x) + "," + std::to_string(y);
        return "";
    }
};

TEST_F(cachetest, randomglyphsdrawthesamepixelsasthestrokewalk) {
    std::mt19937 random(20261207);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
    const mycolor pens[] = {mycolor(0, 0, 0), mycolor(255, 0, 0), mycolor(20, 200, 90), mycolor(0, 0, 255, 100)};
    // Random glyphs, sizes, positions (partly off the bitmap), views, pens and
    // modes, on a background with opaque, blended and zero pixels, at text
    // sizes with every stroke width.
    for (int screen = 0; screen < 40; ++screen) {
        setgcharwidth(screen % 2 == 0 ? 24 : pick(6, 48) * 2);
        for (mybitmap* b : {&cached, &walked}) {
            b->clear(mycolor(255, 255, 0));
            myview::pmymap = b;
            myview(10, 10, 60, 40).boxf(0, 0, 50, 30, mycolor(255, 255, 255));
            b->setpixel(70, 70, mycolor(0u));
        }
        for (int n = 0; n < 60; ++n) {
            const int g = pick(0, 9) == 0 ? pick(0, 94) : pick(0, zzhinumber - 1);
            const char s[3] = {char(zzhi[g] & 0xFF), char(zzhi[g] >> 8), 0};
            const int w = pick(0, 5) == 0 ? pick(1, 100) : pick(8, 48);
            const int h = pick(0, 2) == 0 ? 0 : pick(1, 80);
            myview view(pick(-30, 30), pick(-30, 30), 200, 200);
            view.redstrokes = pick(0, 1) == 1;
            const int x = pick(-60, bitmapwidth + 10), y = pick(-60, bitmapheight + 10);
            const mycolor pen = pens[pick(0, 9) == 0 ? 3 : pick(0, 2)];
            const int thick = pick(0, 19) == 0 ? 2 : pick(0, 1);
            both(pen, thick, [&] { view.drawfont(x, y, s, w, h); });
        }
        ASSERT_EQ(difference(), "") << "screen " << screen;
    }
}

TEST_F(cachetest, textrowsinbothmodesmatch) {
    // Whole strings as the editor and the bars draw them: ASCII, GB2312 and
    // added hanzi, a code without a glyph, at the bitmap's right and bottom edges.
    const char* text = "Ab \xB0\xA1\xD6\xD0\x87\xF8\x81\x80 q,\xA3\xAC\xA1\xA1z";
    for (bool two : {false, true}) {
        myview view(0, 0, bitmapwidth - 1, bitmapheight - 1);
        view.redstrokes = two;
        both(mycolor(0, 0, 0), 0, [&] {
            view.drawtext(0, 0, text, 24, 0);
            view.drawtext(bitmapwidth - 100, bitmapheight - 15, text, 30, 20);
            view.drawtext(3, 50, text, 16, 0);
        });
    }
    EXPECT_EQ(difference(), "");
}

TEST_F(cachetest, anewfontisnotdrawnwiththepixelsoftheold) {
    // The compiled-in space and the test font's space both start at offset 0
    // of their streams; only the second has ink.
    myview view(0, 0, bitmapwidth - 1, bitmapheight - 1);
    auto drawspace = [&] { view.drawfont(0, 0, " ", 40, 40); };
    both(mycolor(0, 0, 0), 1, drawspace);
    testfont font;
    font.glyph(' ', {{{0, 100}, {63, 100}}});
    font.install(cached);
    both(mycolor(0, 0, 0), 1, drawspace);
    testfont::restore(cached);
    EXPECT_EQ(difference(), "");
    EXPECT_EQ(walked.getpixel(10, 31), mycolor(0, 0, 0));
}

}  // namespace
