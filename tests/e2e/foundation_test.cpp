// End-to-end tests of the foundation: start-up on the framebuffer, one frame
// per key, the ways out and the screenshot written at the end.
#include "driver.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using zhe2e::frame;
using zhe2e::result;
using zhe2e::session;
namespace keys = zhe2e::keys;

zhe2e::options sized(int w, int h) {
  zhe2e::options o;
  o.width = w;
  o.height = h;
  return o;
}

// True when the output has `line` as a whole line (the terminal ends lines with CR LF).
bool hasline(const std::string& output, const std::string& line) {
  for (std::size_t at = output.find(line); at != std::string::npos; at = output.find(line, at + 1)) {
    bool startok = at == 0 || output[at - 1] == '\n';
    std::size_t end = at + line.size();
    bool endok = end == output.size() || output[end] == '\r' || output[end] == '\n';
    if (startok && endok) return true;
  }
  return false;
}

std::uint32_t le32(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

std::uint32_t le16(const std::string& b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8;
}

// Checks a 24-bit BMP file against a frame: the headers, the size, every
// pixel (rows bottom-up, blue green red, alpha dropped) and the zero padding.
::testing::AssertionResult bmpshows(const std::string& bmp, const frame& f) {
  if (f.empty()) return ::testing::AssertionFailure() << "no frame to compare with";
  std::size_t w = static_cast<std::size_t>(f.width), h = static_cast<std::size_t>(f.height);
  std::size_t rowsize = (w * 3 + 3) / 4 * 4;
  std::size_t want = 54 + rowsize * h;
  if (bmp.size() != want)
    return ::testing::AssertionFailure() << "BMP has " << bmp.size() << " bytes, expected " << want;
  struct field {
    const char* name;
    std::uint32_t got, want;
  };
  const field fields[] = {
      {"signature", le16(bmp, 0), 0x4D42},
      {"file size", le32(bmp, 2), static_cast<std::uint32_t>(want)},
      {"reserved", le32(bmp, 6), 0},
      {"pixel offset", le32(bmp, 10), 54},
      {"header size", le32(bmp, 14), 40},
      {"width", le32(bmp, 18), static_cast<std::uint32_t>(w)},
      {"height", le32(bmp, 22), static_cast<std::uint32_t>(h)},
      {"planes", le16(bmp, 26), 1},
      {"bits per pixel", le16(bmp, 28), 24},
      {"compression", le32(bmp, 30), 0},
      {"image size", le32(bmp, 34), static_cast<std::uint32_t>(rowsize * h)},
      {"resolution x", le32(bmp, 38), 0},
      {"resolution y", le32(bmp, 42), 0},
      {"colours used", le32(bmp, 46), 0},
      {"important colours", le32(bmp, 50), 0},
  };
  for (const field& fl : fields)
    if (fl.got != fl.want)
      return ::testing::AssertionFailure() << "BMP " << fl.name << " is " << fl.got << ", expected " << fl.want;
  std::size_t mismatches = 0;
  std::string first;
  for (std::size_t row = 0; row < h; ++row) {
    std::size_t y = h - 1 - row;
    const char* line = bmp.data() + 54 + row * rowsize;
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint8_t* px = f.pixels.data() + (y * w + x) * 4;
      for (std::size_t c = 0; c < 3; ++c) {
        if (static_cast<std::uint8_t>(line[x * 3 + c]) != px[c]) {
          if (mismatches++ == 0)
            first = "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") byte " + std::to_string(c);
        }
      }
    }
    for (std::size_t pad = w * 3; pad < rowsize; ++pad)
      if (line[pad] != 0)
        return ::testing::AssertionFailure() << "non-zero padding in BMP row " << row << " at byte " << pad;
  }
  if (mismatches > 0)
    return ::testing::AssertionFailure() << mismatches << " BMP bytes differ from the last frame, first at "
                                         << first;
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult samepixels(const frame& a, const frame& b) {
  if (a.width != b.width || a.height != b.height)
    return ::testing::AssertionFailure() << "sizes differ: " << a.width << "x" << a.height << " vs " << b.width
                                         << "x" << b.height;
  if (a.pixels != b.pixels) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) n += a.pixels[i] != b.pixels[i];
    return ::testing::AssertionFailure() << n << " bytes of the frame changed";
  }
  return ::testing::AssertionSuccess();
}

TEST(Foundation, PrintsTheScreenSizeAndDrawsAtThatSize) {
  const int sizes[][2] = {{1024, 768}, {800, 600}};
  for (const auto& sz : sizes) {
    SCOPED_TRACE(std::to_string(sz[0]) + "x" + std::to_string(sz[1]));
    session s(sized(sz[0], sz[1]));
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(hasline(r.output, "w and h is " + std::to_string(sz[0]) + "," + std::to_string(sz[1])))
        << r.output;
    EXPECT_EQ(r.last.width, sz[0]);
    EXPECT_EQ(r.last.height, sz[1]);
    EXPECT_EQ(r.opens, 1u);
    EXPECT_EQ(r.badwrites, 0u) << "every copy is one write of the whole screen from byte 0";
    EXPECT_EQ(r.writes, r.frames);
  }
}

struct ending {
  const char* name;
  std::string key;
  int width, height;
};

void PrintTo(const ending& e, std::ostream* os) { *os << e.name; }

class EndsWithScreenshot : public ::testing::TestWithParam<ending> {};

// F7 and F8 show their own frame, redraw once more, write aaaaa.bmp of the
// final screen and end with status 0. 1366 and 1022 pixel rows need padding.
TEST_P(EndsWithScreenshot, AfterTheFinalRedraw) {
  const ending& e = GetParam();
  session s(sized(e.width, e.height));
  ASSERT_TRUE(s.start()) << s.error();
  ASSERT_TRUE(s.keys({"a", keys::Enter, "b"})) << s.error();
  ASSERT_TRUE(s.key(e.key)) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_TRUE(r.exited);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.frames, s.expected() + 1) << "one frame for the key and one for the final redraw";
  EXPECT_EQ(r.badwrites, 0u);
  ASSERT_EQ(r.files.count("aaaaa.bmp"), 1u) << "no screenshot written";
  EXPECT_TRUE(bmpshows(r.files["aaaaa.bmp"], r.last));
}

INSTANTIATE_TEST_SUITE_P(Foundation, EndsWithScreenshot,
                         ::testing::Values(ending{"F7", keys::F7, 1024, 768}, ending{"F8", keys::F8, 1366, 768},
                                           ending{"F7Padded", keys::F7, 1022, 600},
                                           ending{"F8Unpadded", keys::F8, 800, 600}),
                         [](const ::testing::TestParamInfo<ending>& i) { return std::string(i.param.name); });

TEST(Foundation, FramebufferFailuresEndWithTheirMessageAndStatus) {
  struct failure {
    const char* mode;
    const char* message;
    int status;
  };
  const failure failures[] = {
      {"open", "error: open fp fail.", 1}, {"fixed", "Error reading fixed", 2}, {"variable", "Error reading variable", 3}};
  for (const failure& f : failures) {
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
    EXPECT_EQ(r.frames, 0u);
    EXPECT_EQ(r.files.count("aaaaa.bmp"), 0u);
  }
}

// A NUL byte is key code 0: no event and no frame. The unknown key after it
// shows that nothing changed on the screen either.
TEST(Foundation, NulByteMakesNoFrame) {
  session s;
  ASSERT_TRUE(s.start()) << s.error();
  frame before = s.lastframe();
  ASSERT_TRUE(s.send(keys::Nul)) << s.error();
  ASSERT_TRUE(s.key(keys::Insert)) << s.error();
  EXPECT_TRUE(samepixels(s.lastframe(), before));
  // A frame owed to the NUL would arrive late and show up here as one too many.
  ASSERT_TRUE(s.keys({keys::Nul + "a", keys::F7})) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.frames, s.expected() + 1);
  EXPECT_EQ(r.status, 0);
}

// Keys that no table knows are read whole, copied once, and change nothing.
TEST(Foundation, UnknownKeysChangeNothing) {
  session s;
  ASSERT_TRUE(s.start()) << s.error();
  frame before = s.lastframe();
  const std::pair<const char*, std::string> unknown[] = {
      {"Insert", keys::Insert}, {"F9", keys::F9}, {"lone Escape", keys::Escape},
      {"Ctrl-C", "\x03"},       {"byte 0xB0", "\xb0"}, {"F10", "\x1b[21~"}};
  for (const auto& [name, bytes] : unknown) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(s.key(bytes)) << s.error();
    EXPECT_TRUE(samepixels(s.lastframe(), before));
  }
  ASSERT_TRUE(s.running()) << "Ctrl-C must not end the program";
  ASSERT_TRUE(s.key(keys::F7)) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.status, 0);
}

// Keys that arrive together are taken one per poll, each with its own frame;
// the 23 bytes below take two reads, and F7 at their end still ends the program.
TEST(Foundation, BurstOfKeysGivesOneFramePerKey) {
  session s;
  ASSERT_TRUE(s.start()) << s.error();
  std::string burst = keys::Up + keys::Down + keys::Left + keys::Right + "ab" + keys::Insert + keys::F7;
  ASSERT_TRUE(s.send(burst, 8)) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.frames, s.expected() + 1);
  EXPECT_EQ(r.files.count("aaaaa.bmp"), 1u);
}

// F8 split over two writes is read as ESC, '[', '1' and then '9', '~': five
// keys, and the program goes on.
TEST(Foundation, SplitF8DoesNotEnd) {
  session s;
  ASSERT_TRUE(s.start()) << s.error();
  ASSERT_TRUE(s.send("\x1b[1", 3) && s.waitframes(s.expected())) << s.error();
  ASSERT_TRUE(s.send("9~", 2) && s.waitframes(s.expected())) << s.error();
  ASSERT_TRUE(s.running());
  ASSERT_TRUE(s.key(keys::F7)) << s.error();
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  EXPECT_EQ(r.frames, s.expected() + 1);
  EXPECT_EQ(r.status, 0);
}

struct exitway {
  const char* name;
  std::string key;   // ends the program by this key,
  int sig;           // or by this signal,
  const char* fail;  // or by this framebuffer failure
};

void PrintTo(const exitway& e, std::ostream* os) { *os << e.name; }

class TerminalRestored : public ::testing::TestWithParam<exitway> {};

TEST_P(TerminalRestored, OnThisWayOut) {
  const exitway& e = GetParam();
  zhe2e::options o;
  if (e.fail != nullptr) o.fail = e.fail;
  session s(o);
  if (e.fail != nullptr) {
    ASSERT_TRUE(s.launch()) << s.error();
  } else {
    ASSERT_TRUE(s.start()) << s.error();
    termios raw{};
    ASSERT_TRUE(s.terminal(raw));
    EXPECT_EQ(raw.c_lflag & (ICANON | ECHO | ISIG), 0u) << "the program runs with the terminal in raw mode";
    ASSERT_TRUE(s.key("a")) << s.error();
    if (!e.key.empty()) {
      ASSERT_TRUE(s.key(e.key)) << s.error();
    }
    if (e.sig != 0) {
      ASSERT_TRUE(s.kill(e.sig)) << s.error();
    }
  }
  result r = s.finish();
  ASSERT_TRUE(r.error.empty()) << r.error;
  if (e.sig != 0) {
    EXPECT_TRUE(r.signaled);
    EXPECT_EQ(r.signal, e.sig);
  } else {
    EXPECT_TRUE(r.exited);
  }
  ASSERT_TRUE(r.haveafter);
  EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

INSTANTIATE_TEST_SUITE_P(Foundation, TerminalRestored,
                         ::testing::Values(exitway{"F7", keys::F7, 0, nullptr}, exitway{"F8", keys::F8, 0, nullptr},
                                           exitway{"OpenFails", "", 0, "open"},
                                           exitway{"FixedInfoFails", "", 0, "fixed"},
                                           exitway{"VariableInfoFails", "", 0, "variable"},
                                           exitway{"SIGTERM", "", SIGTERM, nullptr},
                                           exitway{"SIGHUP", "", SIGHUP, nullptr}),
                         [](const ::testing::TestParamInfo<exitway>& i) { return std::string(i.param.name); });

}  // namespace
