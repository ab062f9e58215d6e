// The text size end to end: a large screen draws larger text, small panels
// edit, --size sets the size, and sizes that cannot be are refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver.h"

namespace {

namespace keys = zhe2e::keys;

// Rows of ink (black or red, under the cursor or not) in the left half of
// the editor's first text line at a text size.
int inkheight(const zhe2e::frame& f, int size) {
  int first = -1, last = -1;
  for (int y = size * 90 / 24; y < size * 120 / 24; ++y)
    for (int x = 0; x < f.width / 2; ++x)
      if ((f.at(x, y) >> 8 & 0xFF) < 100) {
        first = first < 0 ? y : first;
        last = y;
        break;
      }
  return first < 0 ? 0 : last - first + 1;
}

int hanziheight(int width, int height, int size, std::vector<std::string> args = {}) {
  zhe2e::options o;
  o.width = width;
  o.height = height;
  o.args = args;
  o.files["aaaaa.txt"] = "\xD6\xD0\xCE\xC4\xBA\xBA\xD7\xD6\r\nx\r\n";  // 中文汉字
  zhe2e::session s(o);
  EXPECT_TRUE(s.start()) << s.error();
  const int h = inkheight(s.lastframe(), size);
  EXPECT_TRUE(s.key(keys::F7)) << s.error();
  EXPECT_EQ(s.finish().status, 0);
  return h;
}

TEST(textsize, glyphsfollowthescreenandtheoption) {
  const int usual = hanziheight(1920, 1080, 24);
  EXPECT_GE(usual, 20);
  EXPECT_NEAR(double(hanziheight(3840, 2160, 48)) / usual, 2.0, 0.15) << "twice as tall on a screen twice as large";
  EXPECT_NEAR(hanziheight(1024, 768, 32, {"--size", "32"}), usual * 32 / 24, 2);
}

// On the smallest panels a file is shown, pinyin and English go in, F8 saves.
TEST(textsize, smallpanelsedit) {
  for (const auto& [width, height] : {std::pair{320, 240}, std::pair{480, 272}}) {
    zhe2e::options o;
    o.width = width;
    o.height = height;
    o.files["aaaaa.txt"] = "hi\r\n";
    zhe2e::session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    EXPECT_GE(inkheight(s.lastframe(), 16), 8) << width;
    ASSERT_TRUE(s.keys({"z", "h", "o", "n", "g", " ", keys::F1, "o", "k", keys::F8})) << s.error();
    zhe2e::result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["aaaaa.txt"], "\xD6\xD0okhi\r\n") << width;  // 中okhi
  }
}

// Bad sizes are command-line errors; a size the screen has no room for ends
// the program with status 5. Neither shows a frame or creates the file.
TEST(textsize, refusedsizes) {
  const struct {
    std::vector<std::string> args;
    std::string variable, says;
    int status;
  } cases[] = {
      {{"--size", "7"}, "", "Usage:", 64},
      {{"--size", "abc"}, "", "'abc'", 64},
      {{}, "abc", "ZHEDIT_SIZE", 64},
      {{"--size=96"}, "24", "--size 30", 5},
  };
  for (const auto& c : cases) {
    zhe2e::options o;
    o.width = 320;
    o.height = 240;
    o.args = c.args;
    if (!c.variable.empty()) o.env["ZHEDIT_SIZE"] = c.variable;
    zhe2e::session s(o);
    ASSERT_TRUE(s.launch()) << s.error();
    zhe2e::result r = s.finish();
    EXPECT_EQ(r.status, c.status) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    EXPECT_EQ(r.files.count("aaaaa.txt") + r.writes, 0u);
    EXPECT_TRUE(r.haveafter && zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
  }
}

}  // namespace
