// End-to-end tests of the first screen: the status bar, the button bar and
// the description of a key in the status line.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "driver.h"
#include "view/myview.h"

namespace {

using zhe2e::frame;
using zhe2e::session;
namespace keys = zhe2e::keys;

constexpr std::uint32_t green = 0xFF00FF00u, black = 0xFF000000u;  // as stored pixels

// The status bar as the program draws it for a message, in a bitmap of our own.
std::unique_ptr<mybitmap> statusbarshowing(const char* text, int width, int height) {
    auto b = std::make_unique<mybitmap>(width, height);
    myview::pmymap = b.get();
    b->clear(mycolor(255, 255, 0));
    myview bar(0, 0, width, gcharwidth * 30 / 24);
    bar.clear();
    bar.drawtext(1, 1, text, gcharwidth, 0);
    return b;
}

::testing::AssertionResult samerows(const frame& f, const mybitmap& b, int y1, int y2) {
    for (int y = y1; y <= y2; ++y)
        for (int x = 0; x < f.width; ++x)
            if (f.at(x, y) != b.getpixel(x, y).value())
                return ::testing::AssertionFailure() << "first difference at (" << x << "," << y << ")";
    return ::testing::AssertionSuccess();
}

TEST(firstscreen, buttonbarhaseightframedbuttonswithlabels) {
    session s;
    ASSERT_TRUE(s.start()) << s.error();
    const frame f = s.lastframe();
    ASSERT_EQ(f.width, 1024);
    // At 1024 pixels the unit is 21: 105-pixel buttons every 126 pixels.
    for (int n = 0; n < 8; ++n) {
        SCOPED_TRACE(n);
        const int left = 126 * n, right = left + 105, top = 32, bottom = 60;
        // The candidate selectors of the input bar, drawn after the buttons,
        // take the row y = 60 from x = 203 (a fifth of the width, less their
        // frame's pen) on.
        auto framepixel = [&](int x, int y) { return y == bottom && x >= 1024 / 5 - 1 ? green : f.at(x, y); };
        for (int x = left; x <= right; ++x) {
            ASSERT_EQ(framepixel(x, top), green) << x;
            ASSERT_EQ(framepixel(x, bottom), green) << x;
        }
        for (int y = top; y <= bottom; ++y) {
            ASSERT_EQ(framepixel(left, y), green) << y;
            ASSERT_EQ(framepixel(right, y), green) << y;
        }
        int ink = 0;
        for (int y = top + 1; y < bottom; ++y)
            for (int x = left + 1; x < right; ++x) ink += f.at(x, y) == black;
        EXPECT_GT(ink, 100) << "the label is drawn inside the button";
    }
    // Between the buttons the background shows; below the bars, the editor.
    EXPECT_EQ(f.at(110, 45) & 0x00FFFFFFu, 0x00FFFF00u);
    EXPECT_EQ(f.at(500, 400) & 0x00FFFFFFu, 0x00FFFFFFu);
}

// 键按下键值为N, 标志为0
std::string keydescription(int code) {
    return "\xBC\xFC\xB0\xB4\xCF\xC2\xBC\xFC\xD6\xB5\xCE\xAA" + std::to_string(code) + ", \xB1\xEA\xD6\xBE\xCE\xAA" "0";
}

// A key the table does not know leaves the line as it was; F3 starts a
// selection without a redraw, so its description stays.
TEST(firstscreen, keysaredescribedinthestatusbar) {
    session s;
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.key(keys::Up)) << s.error();
    const auto up = statusbarshowing(keydescription(38).c_str(), 1024, 768);
    EXPECT_TRUE(samerows(s.lastframe(), *up, 0, 30));
    ASSERT_TRUE(s.key(keys::Insert)) << s.error();
    EXPECT_TRUE(samerows(s.lastframe(), *up, 0, 30));
    ASSERT_TRUE(s.key(keys::F3)) << s.error();
    EXPECT_TRUE(samerows(s.lastframe(), *statusbarshowing(keydescription(114).c_str(), 1024, 768), 0, 30));
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    EXPECT_EQ(s.finish().status, 0);
}

}  // namespace
