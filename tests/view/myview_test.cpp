#include "view/myview.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "graphics/pixelset.h"

namespace {

points rect(int x1, int y1, int x2, int y2) {
    points out;
    for (int y = y1; y <= y2; ++y)
        for (int x = x1; x <= x2; ++x) out.insert({x, y});
    return out;
}

TEST(myview, shapesliteexactlytheirpixels) {
    mybitmap bitmap(64, 48);
    myview::pmymap = &bitmap;
    myview v(30, 40, 10, 20);  // corners in any order; coordinates relative and unclipped
    EXPECT_EQ(std::make_pair(v.width(), v.high()), std::make_pair(20, 20));
    const struct {
        const char* name;
        int thick;
        std::function<void()> draw;
        points black;
    } cases[] = {
        {"setpixel", 1, [&] { v.setpixel(0, 0); v.setpixel(-5, 0); }, {{10, 20}, {5, 20}}},
        {"thin pen dot", 0, [&] { v.pixel(5, 5); }, rect(14, 25, 16, 25)},
        {"pen dot of 3", 3, [&] { v.pixel(5, 5); }, rect(14, 25, 16, 25)},
        {"empty disc", 1, [&] { v.circlef(0, 0, 0); }, {}},
        {"disc of 2", 1, [&] { v.circlef(0, 0, 2); }, rect(8, 19, 12, 21)},  // 2r - 1 rows
    };
    for (const auto& c : cases) {
        bitmap.clear(mycolor(0xFFFFFFFFu));
        bitmap.thick = c.thick;
        c.draw();
        EXPECT_EQ(pixelsof(bitmap, mycolor(0, 0, 0)), c.black) << c.name;
    }
    bitmap.clear(mycolor(0xFFFFFFFFu));
    bitmap.thick = 4;
    v.pixel(5, 5);
    const points thick = pixelsof(bitmap, mycolor(0, 0, 0));
    EXPECT_EQ(thick.size(), 15u);
    EXPECT_TRUE(thick.count({13, 24}) && thick.count({17, 26}));
    const mycolor c(1, 2, 3);
    v.boxf(5, 5, 2, 2, c);  // edges included, and the pen keeps the colour
    EXPECT_EQ(pixelsof(bitmap, c), rect(12, 22, 15, 25));
    EXPECT_EQ(bitmap.pencolor, c);
}

TEST(myview, clearboxandoutline) {
    mybitmap bitmap(64, 48);
    myview::pmymap = &bitmap;
    bitmap.clear(mycolor(0, 0, 0));
    myview v(10, 10, 20, 15);
    v.clear();
    // 7 x 4 white inside; the yellow frame reaches one pixel beyond left and right.
    EXPECT_EQ(pixelsof(bitmap, mycolor(0xFFFFFFFFu)).size(), 7u * 4);
    const points frame = pixelsof(bitmap, mycolor(255, 255, 0));
    EXPECT_TRUE(frame.count({9, 12}) && frame.count({21, 12}) && frame.count({15, 10}) && frame.count({15, 15}));
    EXPECT_FALSE(frame.count({15, 9}));
    EXPECT_EQ(bitmap.pencolor, mycolor(0, 0, 0));
    bitmap.clear(mycolor(0xFFFFFFFFu));
    v.drawbj();
    const points outline = pixelsof(bitmap, mycolor(0, 0, 0));
    EXPECT_EQ(outline.size(), 2u * 11 + 2u * 4);
    EXPECT_TRUE(outline.count({10, 10}) && outline.count({20, 15}));
    bitmap.clear(mycolor(0xFFFFFFFFu));
    v.box(0, 0, 4, 2);  // horizontal edges are pen lines, reaching one beyond
    const points b = pixelsof(bitmap, mycolor(0, 0, 0));
    EXPECT_TRUE(b.count({9, 10}) && b.count({15, 10}) && b.count({9, 11}) && b.count({15, 12}));
    EXPECT_FALSE(b.count({12, 11}));
}

}  // namespace
