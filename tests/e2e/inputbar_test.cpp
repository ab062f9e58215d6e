// End-to-end tests of the input bar: the mode name, the width label and the
// typed code as the program shows them, compared with the same texts drawn
// by the text drawing into a bitmap of our own; and the candidates appearing.
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

int inkin(const frame& f, int x1, int x2) {
    int n = 0;
    for (int y = bartop; y <= barbottom; ++y)
        for (int x = x1; x <= x2; ++x) n += f.at(x, y) == black;
    return n;
}

TEST(InputBar, ShowsModeWidthAndCode) {
    session s;
    ASSERT_TRUE(s.start()) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, ""));
    // No candidates yet: only the digit labels in the selectors.
    const int labelsonly = inkin(s.lastframe(), selectorleft, screenwidth - 1);
    ASSERT_TRUE(s.keys({"z", "h", "o", "n", "g"})) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, "zhong"));
    EXPECT_GT(inkin(s.lastframe(), selectorleft, screenwidth - 1), labelsonly + 500) << "candidates on show";
    ASSERT_TRUE(s.key(keys::F2)) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), wubiname, fullwidth, "zhong"));
    ASSERT_TRUE(s.key(" ")) << s.error();  // ends the composition: "zhong" is no wubi code
    ASSERT_TRUE(s.key(keys::F2)) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), englishname, fullwidth, ""));
    ASSERT_TRUE(s.key(keys::F2)) << s.error();
    ASSERT_TRUE(s.key(keys::F1)) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), englishname, halfwidth, ""));
    ASSERT_TRUE(s.key(keys::ConsoleF1)) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, ""));
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    const zhe2e::result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.status, 0);
    // The final full redraw shows the bar as it was.
    EXPECT_TRUE(barshows(r.last, pinyinname, fullwidth, ""));
}

TEST(InputBar, CommitEmptiesTheCodeAndTheCandidates) {
    session s;
    ASSERT_TRUE(s.start()) << s.error();
    const int labelsonly = inkin(s.lastframe(), selectorleft, screenwidth - 1);
    ASSERT_TRUE(s.keys({"g", "u", "o"})) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, "guo"));
    ASSERT_TRUE(s.key(" ")) << s.error();
    EXPECT_TRUE(barshows(s.lastframe(), pinyinname, fullwidth, ""));
    EXPECT_EQ(inkin(s.lastframe(), selectorleft, screenwidth - 1), labelsonly);
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    EXPECT_EQ(s.finish().status, 0);
}

}  // namespace
