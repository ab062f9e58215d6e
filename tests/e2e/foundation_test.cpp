// End-to-end tests of the foundation: start-up on the framebuffer, keys read
// whole and handled as they come, the ways out and the screenshot written at
// the end.
#include "driver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

using zhe2e::frame;
using zhe2e::result;
using zhe2e::session;
namespace keys = zhe2e::keys;

// True when the output has `line` as a whole line (the terminal ends lines with CR LF).
bool hasline(const std::string& output, const std::string& line) {
  for (std::size_t at = output.find(line); at != std::string::npos; at = output.find(line, at + 1)) {
    const std::size_t end = at + line.size();
    if ((at == 0 || output[at - 1] == '\n') && (end == output.size() || output[end] == '\r' || output[end] == '\n'))
      return true;
  }
  return false;
}

std::uint32_t le(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + std::size_t(i)]);
  return v;
}

// A 24-bit BMP of the frame: its headers, rows bottom-up and padded to four
// bytes with zeros, blue green red with the alpha dropped.
::testing::AssertionResult bmpshows(const std::string& bmp, const frame& f) {
  const std::size_t w = std::size_t(f.width), h = std::size_t(f.height), rowsize = (w * 3 + 3) / 4 * 4;
  if (f.empty() || bmp.size() != 54 + rowsize * h)
    return ::testing::AssertionFailure() << "BMP has " << bmp.size() << " bytes for a " << w << "x" << h << " frame";
  // offset, width in bytes, value: signature, file size, pixel offset, header
  // size, width, height, planes, bits per pixel, compression, image size
  const std::size_t fields[][3] = {{0, 2, 0x4D42}, {2, 4, bmp.size()}, {10, 4, 54}, {14, 4, 40}, {18, 4, w},
                                   {22, 4, h},     {26, 2, 1},          {28, 2, 24}, {30, 4, 0},  {34, 4, rowsize * h}};
  for (const auto& fl : fields)
    if (le(bmp, fl[0], int(fl[1])) != fl[2]) return ::testing::AssertionFailure() << "BMP header field at " << fl[0];
  for (std::size_t y = 0; y < h; ++y) {
    const char* line = bmp.data() + 54 + (h - 1 - y) * rowsize;
    for (std::size_t x = 0; x < w; ++x)
      for (std::size_t c = 0; c < 3; ++c)
        if (static_cast<std::uint8_t>(line[x * 3 + c]) != f.pixels[(y * w + x) * 4 + c])
          return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") byte " << c << " differs";
    for (std::size_t pad = w * 3; pad < rowsize; ++pad)
      if (line[pad] != 0) return ::testing::AssertionFailure() << "non-zero padding in row " << y;
  }
  return ::testing::AssertionSuccess();
}

struct ending {
  const char* name;
  std::string key;
  int width, height;
};

void PrintTo(const ending& e, std::ostream* os) { *os << e.name; }

class endswithscreenshot : public ::testing::TestWithParam<ending> {};

// The program prints the screen size, runs the terminal raw, copies the first
// screen in one write of the whole screen and every later one inside it, and
// F7 and F8 redraw once more, write
// aaaaa.bmp of the final screen in place of a link planted under that name
// (its target stays as it was), give the terminal back and end with status 0.
// The file to edit is missing: F7 leaves it missing, F8 makes it.
TEST_P(endswithscreenshot, afterthefinalredraw) {
  const ending& e = GetParam();
  zhe2e::options o;
  o.width = e.width;
  o.height = e.height;
  o.args = {"typo.txt"};
  o.files["precious"] = "keep";
  o.links["aaaaa.bmp"] = "precious";
  session s(o);
  ASSERT_TRUE(s.start()) << s.error();
  EXPECT_EQ(s.writes(), 1u);
  termios raw{};
  ASSERT_TRUE(s.terminal(raw));
  EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u);
  ASSERT_TRUE(s.keys({"a", keys::Enter, "b"})) << s.error();
  ASSERT_TRUE(s.key(e.key)) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_TRUE(hasline(r.output, "w and h is " + std::to_string(e.width) + "," + std::to_string(e.height))) << r.output;
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.last.width, e.width);
  EXPECT_EQ(r.last.height, e.height);
  EXPECT_EQ(r.opens, 1u);
  EXPECT_EQ(r.badwrites, 0u);
  ASSERT_EQ(r.files.count("aaaaa.bmp"), 1u) << "no screenshot written";
  EXPECT_TRUE(bmpshows(r.files["aaaaa.bmp"], r.last));
  EXPECT_FALSE(std::filesystem::is_symlink(s.workdir() + "/aaaaa.bmp"));
  EXPECT_EQ(r.files["precious"], "keep");
  EXPECT_EQ(r.files.count("typo.txt"), e.key == keys::F8 ? 1u : 0u);
  ASSERT_TRUE(r.haveafter);
  EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

// Rows of 1022 pixels need padding, rows of 800 none.
INSTANTIATE_TEST_SUITE_P(foundation, endswithscreenshot,
                         ::testing::Values(ending{"f7padded", keys::F7, 1022, 600}, ending{"f8unpadded", keys::F8, 800, 600}),
                         [](const ::testing::TestParamInfo<ending>& i) { return std::string(i.param.name); });

TEST(foundation, framebufferfailuresendwiththeirmessageandstatus) {
  const struct {
    const char* mode;
    const char* message;
    int status;
  } failures[] = {{"open", "error: open fp fail.", 1}, {"fixed", "Error reading fixed", 2}, {"variable", "Error reading variable", 3}};
  for (const auto& f : failures) {
    SCOPED_TRACE(f.mode);
    zhe2e::options o;
    o.fail = f.mode;
    session s(o);
    ASSERT_TRUE(s.launch()) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, f.status);
    EXPECT_TRUE(hasline(r.output, f.message)) << r.output;
    EXPECT_EQ(r.output.find("w and h is"), std::string::npos) << r.output;
    EXPECT_EQ(r.writes, 0u);
    EXPECT_EQ(r.files.count("aaaaa.bmp"), 0u);
    ASSERT_TRUE(r.haveafter);
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
  }
}

// Keys that no table knows, and a NUL byte, are read whole and change
// nothing: nothing is drawn, so nothing is copied. Ctrl-L redraws and copies
// every row, the same picture.
TEST(foundation, unknownkeysandnulchangenothing) {
  session s;
  ASSERT_TRUE(s.start()) << s.error();
  const frame before = s.lastframe();
  const unsigned writes = s.writes();
  ASSERT_TRUE(s.send(keys::Nul)) << s.error();
  const std::pair<const char*, std::string> unknown[] = {
      {"Insert", keys::Insert}, {"F9", keys::F9}, {"lone Escape", keys::Escape},
      {"Ctrl-C", "\x03"},       {"byte 0xB0", "\xb0"}, {"F10", "\x1b[21~"}};
  for (const auto& [name, bytes] : unknown) {
    ASSERT_TRUE(s.key(bytes)) << s.error();
    EXPECT_TRUE(s.lastframe().pixels == before.pixels) << name;
    EXPECT_EQ(s.writes(), writes) << name;
  }
  ASSERT_TRUE(s.running()) << "Ctrl-C must not end the program";
  ASSERT_TRUE(s.key("\x0c")) << s.error();
  EXPECT_EQ(s.rowswritten().size(), 768u);
  EXPECT_TRUE(s.lastframe().pixels == before.pixels);
  ASSERT_TRUE(s.keys({keys::Nul + "a", keys::F7})) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.status, 0);
}

// In Chinese and in English mode, a modified arrow moves as the plain one
// and mouse reports are read whole without a key (no frame); a sequence
// split across two writes is one key. The text gets only what was typed.
TEST(foundation, escapesequencesarereadwhole) {
  zhe2e::options o;
  o.files["aaaaa.txt"] = "ab";
  session s(o);
  ASSERT_TRUE(s.start()) << s.error();
  for (const std::string& mode : {std::string(), keys::F1}) {
    if (!mode.empty()) {
      ASSERT_TRUE(s.key(mode)) << s.error();
    }
    ASSERT_TRUE(s.send("\x1b[M !!\x1b[<0;3;9M")) << s.error();
    ASSERT_TRUE(s.keys({"\x1b[1;5C", "1"})) << s.error();  // Ctrl-Right
  }
  ASSERT_TRUE(s.send("\x1b[1;5")) << s.error();
  std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(s.keys({"D", "2", keys::F8})) << s.error();  // the rest of Ctrl-Left
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.files["aaaaa.txt"], "a\xA3\xB1" "b21");  // a１b21
}

// A cursor movement copies only the rows it changed, each run in one write:
// the status line and the text rows the cursor left and reached.
TEST(foundation, cursormovementcopiesonlytherowsitchanged) {
  zhe2e::options o;
  o.width = 1920;
  o.height = 1080;
  o.files["aaaaa.txt"] = "first line\r\nsecond line\r\n";
  session s(o);
  ASSERT_TRUE(s.start()) << s.error();
  auto rows = [](int textrows) {
    std::vector<int> out;
    for (int y = 0; y <= 30; ++y) out.push_back(y);  // the status line
    for (int y = 90; y < 90 + 30 * textrows; ++y) out.push_back(y);
    return out;
  };
  for (const auto& [key, textrows] : {std::pair{keys::Right, 1}, std::pair{keys::Down, 2}}) {
    const unsigned writes = s.writes();
    ASSERT_TRUE(s.key(key)) << s.error();
    EXPECT_EQ(s.rowswritten(), rows(textrows));
    EXPECT_EQ(s.writes(), writes + 2);
  }
  ASSERT_TRUE(s.key(keys::F7)) << s.error();
}

// Keys that arrive together are all taken at once, none left waiting for a
// later key; the 21 bytes below take two reads, and F8 after them saves what
// they typed.
TEST(foundation, burstofkeysisallhandled) {
  session s;
  ASSERT_TRUE(s.start()) << s.error();
  ASSERT_TRUE(s.send(keys::F1 + keys::Up + keys::Down + keys::Left + keys::Right + "ab" + keys::Insert)) << s.error();
  ASSERT_TRUE(s.settle()) << s.error();
  ASSERT_TRUE(s.key(keys::F8)) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.files["aaaaa.txt"], "ab");
}

}  // namespace
