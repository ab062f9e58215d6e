// The final screenshot of one fixed session, pinned by its checksum at two
// screen sizes: a change that alters any pixel of the usual picture shows up
// here. A change that alters it on purpose records the new checksums in the
// same commit and says why.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "driver.h"

namespace {

namespace keys = zhe2e::keys;

// FNV-1a, 64 bits: enough to tell two screenshots apart.
std::uint64_t checksum(const std::string& bytes) {
  std::uint64_t h = 0xCBF29CE484222325ULL;
  for (unsigned char c : bytes) {
    h ^= c;
    h *= 0x100000001B3ULL;
  }
  return h;
}

// An existing file with hanzi, ASCII and a TAB; the cursor moves right, F3
// starts a selection that the moves extend and no second F3 ends; F7 leaves
// without saving. No vertical move touches the line with the TAB.
std::uint64_t finalscreenshot(int width, int height) {
  zhe2e::options o;
  o.width = width;
  o.height = height;
  o.files["aaaaa.txt"] =
      "\xB5\xDA\xD2\xBB\xD0\xD0 hello \xD6\xD0\xCE\xC4\r\n"  // 第一行 hello 中文
      "second \xBA\xBA\xD7\xD6 line\r\n"                    // second 汉字 line
      "last\tline \xC4\xA9\xCE\xB2\r\n";                    // last<TAB>line 末尾
  zhe2e::session s(o);
  EXPECT_TRUE(s.start()) << s.error();
  EXPECT_TRUE(s.keys({keys::Right, keys::Right, keys::Right, keys::F3, keys::Down, keys::Right, keys::Right,
                      keys::End, keys::F7}))
      << s.error();
  zhe2e::result r = s.finish();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.files["aaaaa.txt"], o.files["aaaaa.txt"]);
  return checksum(r.files["aaaaa.bmp"]);
}

TEST(pinnedpictures, finalscreenshotofafixedsession) {
  EXPECT_EQ(finalscreenshot(1024, 768), 0x55BDA38CB086A1E0ULL);
  EXPECT_EQ(finalscreenshot(1920, 1080), 0x5584633620DAEEA7ULL);
}

}  // namespace
