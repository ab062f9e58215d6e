// End-to-end test of the input bar: the mode name, the width label and the
// typed code as the program shows them, against the same texts drawn into a
// bitmap of our own.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "driver.h"
#include "view/myview.h"

namespace {

using zhe2e::frame;
using zhe2e::session;
namespace keys = zhe2e::keys;

constexpr int screenwidth = 1024;
constexpr int bartop = 62, barbottom = 88;
constexpr int labelsize = screenwidth / 5 / 10;  // glyph width of the bar's labels
constexpr int selectorleft = screenwidth / 5;
constexpr std::uint32_t black = 0xFF000000u;

const char* const pinyinname = "\xC6\xB4\xD2\xF4";  // 拼音
const char* const wubiname = "\xCE\xE5\xB1\xCA";    // 五笔
const char* const englishname = "\xD3\xA2\xCE\xC4"; // 英文
const char* const fullwidth = "\xC8\xAB\xBD\xC7";   // 全角
const char* const halfwidth = "\xB0\xEB\xBD\xC7";   // 半角

// The left part of the bar, up to the first selector, as it should look.
std::unique_ptr<mybitmap> barleft(const char* mode, const char* width, const char* code) {
    auto b = std::make_unique<mybitmap>(screenwidth, 100);
    myview::pmymap = b.get();
    b->clear(mycolor(255, 255, 0));
    myview bar(0, bartop, screenwidth, barbottom);
    bar.clear();
    bar.drawtext(1, 1, mode, labelsize, gcharwidth);
    bar.drawtext(labelsize * 50 / 24, 1, width, labelsize, gcharwidth);
    bar.drawtext(labelsize * 5, 1, code, labelsize, gcharwidth);
    return b;
}

::testing::AssertionResult barshows(const frame& f, const char* mode, const char* width, const char* code) {
    const auto expected = barleft(mode, width, code);
    for (int y = bartop + 1; y < barbottom; ++y)
        for (int x = 1; x < selectorleft - 1; ++x)
            if (f.at(x, y) != expected->getpixel(x, y).value())
                return ::testing::AssertionFailure() << "first difference at (" << x << "," << y << ")";
    return ::testing::AssertionSuccess();
}

// Black pixels in the two selectors.
int selectorink(const frame& f) {
    int n = 0;
    for (int y = bartop; y <= barbottom; ++y)
        for (int x = selectorleft; x < screenwidth; ++x) n += f.at(x, y) == black;
    return n;
}

// The candidates appear with the code and go when the composition ends.
TEST(inputbar, showsmodewidthandcode) {
    session s;
    ASSERT_TRUE(s.start()) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, ""));
    const int labelsonly = selectorink(s.lastframe());
    ASSERT_TRUE(s.keys({"z", "h", "o", "n", "g"})) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, "zhong"));
    EXPECT_GT(selectorink(s.lastframe()), labelsonly + 500) << "candidates on show";
    ASSERT_TRUE(s.key(" ")) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, ""));
    EXPECT_EQ(selectorink(s.lastframe()), labelsonly);
    ASSERT_TRUE(s.keys({"z", "h", "o", "n", "g", keys::F2})) << s.error();  // F2 gives the code up
    EXPECT_TRUE(barshows(s.lastframe(), wubiname, fullwidth, ""));
    EXPECT_EQ(selectorink(s.lastframe()), labelsonly);
    ASSERT_TRUE(s.key(keys::F2)) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), englishname, fullwidth, ""));
    ASSERT_TRUE(s.keys({keys::F2, keys::F1})) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), englishname, halfwidth, ""));
    ASSERT_TRUE(s.key(keys::ConsoleF1)) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, ""));
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    const zhe2e::result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(barshows(r.last, pinyinname, fullwidth, "")) << "the final full redraw";
}

}  // namespace
