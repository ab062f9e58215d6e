#include "view/myview.h"

#include <gtest/gtest.h>

#include "graphics/pixelset.h"

#include <set>
#include <utility>

namespace {

class viewtest : public ::testing::Test {
protected:
    mybitmap bitmap{64, 48};
    void SetUp() override { myview::pmymap = &bitmap; }

    points painted(mycolor c) const { return pixelsof(bitmap, c); }
    points black() const { return painted(mycolor(0, 0, 0)); }
};

TEST_F(viewtest, cornersinanyorder) {
    myview v(100, 50, 10, 5);
    EXPECT_EQ(v.left, 10);
    EXPECT_EQ(v.top, 5);
    EXPECT_EQ(v.right, 100);
    EXPECT_EQ(v.bottom, 50);
    EXPECT_EQ(v.width(), 90);
    EXPECT_EQ(v.high(), 45);
    myview d;
    EXPECT_EQ(d.right, 30);
    EXPECT_FALSE(d.redstrokes);
}

TEST_F(viewtest, coordinatesarerelativeandunclipped) {
    myview v(10, 20, 30, 40);
    v.setpixel(0, 0);
    v.setpixel(-5, 0);
    EXPECT_EQ(black(), (points{{10, 20}, {5, 20}}));
}

TEST_F(viewtest, pendotisthreepixelswideforthinpens) {
    myview v(0, 0, 30, 30);
    for (int thick : {0, 1, 3}) {
        bitmap.clear(mycolor(0xFFFFFFFFu));
        bitmap.thick = thick;
        v.pixel(5, 5);
        EXPECT_EQ(black(), (points{{4, 5}, {5, 5}, {6, 5}})) << thick;
    }
    bitmap.clear(mycolor(0xFFFFFFFFu));
    bitmap.thick = 4;
    v.pixel(5, 5);
    EXPECT_EQ(black().size(), 15u);
    EXPECT_TRUE(black().count({3, 4}) && black().count({7, 6}));
}

TEST_F(viewtest, discsspantworminusonerows) {
    myview v(10, 10, 40, 40);
    v.circlef(0, 0, 0);
    EXPECT_TRUE(black().empty());
    v.circlef(0, 0, 2);
    points expected;
    for (int y = -1; y <= 1; ++y)
        for (int x = -2; x <= 2; ++x) expected.insert({10 + x, 10 + y});
    EXPECT_EQ(black(), expected);
}

TEST_F(viewtest, boxfincludesedgesandleavesthepen) {
    myview v(0, 0, 30, 30);
    const mycolor c(1, 2, 3);
    v.boxf(5, 5, 2, 2, c);
    points expected;
    for (int y = 2; y <= 5; ++y)
        for (int x = 2; x <= 5; ++x) expected.insert({x, y});
    EXPECT_EQ(painted(c), expected);
    EXPECT_EQ(bitmap.pencolor, c);
}

TEST_F(viewtest, clearpaintswhitewithyellowframeandblackpen) {
    bitmap.clear(mycolor(0, 0, 0));
    myview v(10, 10, 20, 15);
    v.clear();
    const mycolor white(0xFFFFFFFFu), yellow(255, 255, 0);
    // Inside the frame: 7 x 4 white pixels; the frame reaches one pixel
    // beyond the rectangle on the left and right.
    EXPECT_EQ(painted(white).size(), 7u * 4);
    const points frame = painted(yellow);
    EXPECT_TRUE(frame.count({9, 12}) && frame.count({21, 12}) && frame.count({15, 10}) && frame.count({15, 15}));
    EXPECT_FALSE(frame.count({15, 9}));
    EXPECT_EQ(bitmap.pencolor, mycolor(0, 0, 0));
}

TEST_F(viewtest, boxandoutline) {
    myview v(10, 10, 20, 15);
    v.drawbj();
    const points outline = black();
    EXPECT_EQ(outline.size(), 2u * 11 + 2u * 4);
    EXPECT_TRUE(outline.count({10, 10}) && outline.count({20, 15}));
    bitmap.clear(mycolor(0xFFFFFFFFu));
    bitmap.pencolor = mycolor(0, 0, 0);
    v.box(0, 0, 4, 2);  // pen lines: horizontal edges one pixel tall, reaching one beyond
    const points b = black();
    EXPECT_TRUE(b.count({9, 10}) && b.count({15, 10}) && b.count({9, 11}) && b.count({15, 12}));
    EXPECT_FALSE(b.count({12, 11}));
}

}  // namespace
