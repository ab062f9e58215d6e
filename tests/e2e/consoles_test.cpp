// End-to-end tests on real consoles as the virtual framebuffer plays them:
// devices of other pixel formats, the FRAMEBUFFER device path, and a virtual
// terminal on standard input (graphics mode, switching away and back).
#include <gtest/gtest.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <signal.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver.h"

namespace {

using zhe2e::result;
using zhe2e::session;
namespace keys = zhe2e::keys;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

bool hasline(const std::string& output, const std::string& line) {
    for (std::size_t at = output.find(line); at != std::string::npos; at = output.find(line, at + 1)) {
        bool startok = at == 0 || output[at - 1] == '\n';
        std::size_t end = at + line.size();
        if (startok && (end == output.size() || output[end] == '\r' || output[end] == '\n')) return true;
    }
    return false;
}

// The channel lengths of a format "off:len,off:len,off:len" (red, green, blue).
struct lengths {
    int red = 8, green = 8, blue = 8;
};

// The decoded frame shows the screenshot with each channel cut to the
// device's top bits: the device got exactly the picture, reduced by the rule.
::testing::AssertionResult showsreduced(const zhe2e::frame& f, const std::string& bmp, lengths l) {
    const std::size_t w = std::size_t(f.width), h = std::size_t(f.height);
    const std::size_t rowsize = (w * 3 + 3) / 4 * 4;
    if (f.empty() || bmp.size() != 54 + rowsize * h)
        return ::testing::AssertionFailure() << "frame and screenshot differ in size";
    const int keep[3] = {l.blue, l.green, l.red};
    std::size_t wrong = 0;
    std::string first;
    for (std::size_t y = 0; y < h; ++y)
        for (std::size_t x = 0; x < w; ++x)
            for (std::size_t c = 0; c < 3; ++c) {
                const unsigned char full = static_cast<unsigned char>(bmp[54 + (h - 1 - y) * rowsize + x * 3 + c]);
                const unsigned char want = static_cast<unsigned char>(full >> (8 - keep[c]) << (8 - keep[c]));
                if (f.pixels[(y * w + x) * 4 + c] != want && wrong++ == 0)
                    first = std::to_string(x) + "," + std::to_string(y) + " byte " + std::to_string(c);
            }
    if (wrong > 0) return ::testing::AssertionFailure() << wrong << " channel values differ, first at " << first;
    return ::testing::AssertionSuccess();
}

struct devicekind {
    const char* name;
    int bits;
    const char* fields;
    lengths keep;
    int extraline;        // bytes added to each row
    int vwidth, vheight;  // virtual resolution, 0 for the screen's
    int xoffset, yoffset;
    int shortwrite;
    bool onewrite;        // each frame is one write
};

void PrintTo(const devicekind& d, std::ostream* os) { *os << d.name; }

class DeviceFormat : public ::testing::TestWithParam<devicekind> {};

// Typing and leaving on the device: every frame lands inside the visible area
// and the last one decodes to the screenshot, reduced to the device's depth.
TEST_P(DeviceFormat, ShowsTheScreenshotReducedToTheDevice) {
    const devicekind& d = GetParam();
    zhe2e::options o;
    o.width = 640;
    o.height = 480;
    o.bitsperpixel = d.bits;
    o.fields = d.fields;
    const int bytes = d.bits / 8;
    const int vwidth = d.vwidth > 0 ? d.vwidth : o.width;
    o.virtualwidth = d.vwidth;
    o.virtualheight = d.vheight;
    o.linelength = vwidth * bytes + d.extraline;
    o.xoffset = d.xoffset;
    o.yoffset = d.yoffset;
    o.shortwrite = d.shortwrite;
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({"a", keys::Enter, "z"})) << s.error();
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(hasline(r.output, "w and h is 640,480")) << r.output;
    EXPECT_EQ(r.frames, s.expected() + 1);
    EXPECT_EQ(r.badwrites, 0u) << "a write reached outside the visible area";
    if (d.onewrite) {
        EXPECT_EQ(r.writes, r.frames);
    }
    if (d.shortwrite > 0) {
        EXPECT_GT(r.writes, r.frames) << "the short writes were retried";
    }
    ASSERT_EQ(r.files.count("aaaaa.bmp"), 1u);
    EXPECT_TRUE(showsreduced(r.last, r.files["aaaaa.bmp"], d.keep));
}

INSTANTIATE_TEST_SUITE_P(
    Consoles, DeviceFormat,
    ::testing::Values(devicekind{"Plain32", 32, "", {}, 0, 0, 0, 0, 0, 0, true},
                      devicekind{"RGB565", 16, "11:5,5:6,0:5", {5, 6, 5}, 0, 0, 0, 0, 0, 0, true},
                      devicekind{"BGR565", 16, "0:5,5:6,11:5", {5, 6, 5}, 0, 0, 0, 0, 0, 0, true},
                      devicekind{"RGB555", 16, "10:5,5:5,0:5", {5, 5, 5}, 0, 0, 0, 0, 0, 0, true},
                      devicekind{"BGR24", 24, "16:8,8:8,0:8", {}, 0, 0, 0, 0, 0, 0, true},
                      devicekind{"RGB24", 24, "0:8,8:8,16:8", {}, 0, 0, 0, 0, 0, 0, true},
                      devicekind{"RGBX32", 32, "0:8,8:8,16:8", {}, 0, 0, 0, 0, 0, 0, true},
                      devicekind{"PaddedRows32", 32, "", {}, 64, 0, 0, 0, 0, 0, false},
                      devicekind{"PaddedRows16", 16, "", {5, 6, 5}, 32, 0, 0, 0, 0, 0, false},
                      devicekind{"PaddedRows24", 24, "", {}, 8, 0, 0, 0, 0, 0, false},
                      devicekind{"Panned16", 16, "", {5, 6, 5}, 0, 672, 960, 16, 100, 0, false},
                      devicekind{"PannedDown32", 32, "", {}, 0, 640, 960, 0, 480, 0, true},
                      devicekind{"ShortWrites", 32, "", {}, 0, 0, 0, 0, 0, 100000, false},
                      devicekind{"ShortWrites16Padded", 16, "", {5, 6, 5}, 6, 0, 0, 0, 0, 700, false}),
    [](const ::testing::TestParamInfo<devicekind>& i) { return std::string(i.param.name); });

// Depths the program cannot fill are refused before anything is drawn or the
// console touched, with the terminal given back.
TEST(Consoles, UnsupportedDepthEndsWithItsMessage) {
    for (int bits : {8, 1}) {
        SCOPED_TRACE(bits);
        zhe2e::options o;
        o.bitsperpixel = bits;
        o.console = "active";
        session s(o);
        ASSERT_TRUE(s.launch()) << s.error();
        result r = s.finish();
        ASSERT_TRUE(r.error.empty()) << r.error;
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 3);
        EXPECT_TRUE(hasline(r.output, "error: unsupported framebuffer format (" + std::to_string(bits) +
                                          " bits per pixel)"))
            << r.output;
        EXPECT_EQ(r.output.find("w and h is"), std::string::npos);
        EXPECT_EQ(r.writes, 0u);
        EXPECT_EQ(r.console.kdmode, -1) << "the console was touched";
        ASSERT_TRUE(r.haveafter);
        EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
    }
}

TEST(Consoles, FramebufferVariableNamesTheDevice) {
    struct run {
        const char* name;
        const char* device;      // the path the framebuffer answers to
        const char* variable;    // FRAMEBUFFER, or null for unset
        int status;
    };
    const run runs[] = {
        {"picked", "/dev/fb1", "/dev/fb1", 0},
        {"default is fb0", "/dev/fb1", nullptr, 1},
        {"empty is unset", "/dev/fb0", "", 0},
        {"names a missing device", "/dev/fb0", "/dev/fb3", 1},
    };
    for (const run& u : runs) {
        SCOPED_TRACE(u.name);
        zhe2e::options o;
        o.device = u.device;
        if (u.variable != nullptr) o.framebuffer = u.variable;
        session s(o);
        if (u.status == 0) {
            ASSERT_TRUE(s.start()) << s.error();
            ASSERT_TRUE(s.key(keys::F7)) << s.error();
        } else {
            ASSERT_TRUE(s.launch()) << s.error();
        }
        result r = s.finish();
        ASSERT_TRUE(r.error.empty()) << r.error;
        EXPECT_EQ(r.status, u.status);
        if (u.status == 1) {
            EXPECT_TRUE(hasline(r.output, "error: open fp fail.")) << r.output;
        }
    }
}

struct exitway {
    const char* name;
    int sig;  // 0: F7, -1: F8
};

void PrintTo(const exitway& e, std::ostream* os) { *os << e.name; }

class ConsoleRestored : public ::testing::TestWithParam<exitway> {};

// On a virtual terminal the program runs in graphics mode and takes part in
// switching, and gives both back on every way out.
TEST_P(ConsoleRestored, OnThisWayOut) {
    const exitway& e = GetParam();
    zhe2e::options o;
    o.console = "active";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.key("a")) << s.error();
    const zhe2e::consolestate c = s.console();
    ASSERT_EQ(c.kdmode, KD_GRAPHICS);
    ASSERT_EQ(c.vtmode, VT_PROCESS);
    EXPECT_EQ(c.relsig, SIGUSR1);
    EXPECT_EQ(c.acqsig, SIGUSR2);
    if (e.sig <= 0) {
        ASSERT_TRUE(s.key(e.sig == 0 ? keys::F7 : keys::F8)) << s.error();
    } else {
        ASSERT_TRUE(s.kill(e.sig)) << s.error();
    }
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    if (e.sig <= 0) {
        EXPECT_EQ(r.status, 0);
    } else if (!sanitized || e.sig == SIGTERM || e.sig == SIGHUP || e.sig == SIGABRT || e.sig == SIGILL) {
        // (A sanitizer reports the faults it watches and exits instead.)
        EXPECT_TRUE(r.signaled);
        EXPECT_EQ(r.signal, e.sig);
    } else {
        EXPECT_TRUE(r.signaled || (r.exited && r.status != 0));
    }
    EXPECT_EQ(r.console.kdmode, KD_TEXT);
    EXPECT_EQ(r.console.vtmode, VT_AUTO);
    ASSERT_TRUE(r.haveafter);
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

INSTANTIATE_TEST_SUITE_P(Consoles, ConsoleRestored,
                         ::testing::Values(exitway{"F7", 0}, exitway{"F8", -1}, exitway{"SIGTERM", SIGTERM}, exitway{"SIGHUP", SIGHUP},
                                           exitway{"SIGSEGV", SIGSEGV}, exitway{"SIGBUS", SIGBUS},
                                           exitway{"SIGFPE", SIGFPE}, exitway{"SIGILL", SIGILL},
                                           exitway{"SIGABRT", SIGABRT}),
                         [](const ::testing::TestParamInfo<exitway>& i) { return std::string(i.param.name); });

// Switched away, keys are still handled but nothing is copied, not even the
// final redraw; the screenshot is still written.
TEST(Consoles, SwitchedAwayNothingIsCopied) {
    zhe2e::options o;
    o.console = "active";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.switchaway()) << s.error();
    ASSERT_TRUE(s.send("ab" + keys::F8)) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.frames, 2u) << "only the start-up frames";
    EXPECT_EQ(r.console.releases, 1u);
    EXPECT_EQ(r.files.count("aaaaa.bmp"), 1u);
    EXPECT_EQ(r.console.kdmode, KD_TEXT);
    EXPECT_EQ(r.console.vtmode, VT_AUTO);
}

// Back on show, the whole frame is copied again at once, without a key.
TEST(Consoles, SwitchedBackTheFrameIsCopiedAgain) {
    zhe2e::options o;
    o.console = "active";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.key("q")) << s.error();
    const zhe2e::frame before = s.lastframe();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(s.switchaway()) << s.error();
        ASSERT_TRUE(s.switchback()) << s.error();
        EXPECT_TRUE(s.lastframe().pixels == before.pixels);
    }
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.frames, s.expected() + 1);
    EXPECT_EQ(r.console.releases, 2u);
    EXPECT_EQ(r.console.acquires, 2u);
}

// Started on a terminal that is not on show: nothing is written until it comes up.
TEST(Consoles, StartedOnAnotherTerminal) {
    {
        zhe2e::options o;
        o.console = "inactive";
        session s(o);
        ASSERT_TRUE(s.launch()) << s.error();
        ASSERT_TRUE(s.waitswitching()) << s.error();
        ASSERT_TRUE(s.switchback()) << s.error();
        ASSERT_TRUE(s.key("a")) << s.error();
        ASSERT_TRUE(s.key(keys::F7)) << s.error();
        result r = s.finish();
        ASSERT_TRUE(r.error.empty()) << r.error;
        EXPECT_EQ(r.frames, s.expected() + 1);
        EXPECT_EQ(r.badwrites, 0u);
    }
    {
        zhe2e::options o;
        o.console = "inactive";
        session s(o);
        ASSERT_TRUE(s.launch()) << s.error();
        ASSERT_TRUE(s.send("ab" + keys::F7)) << s.error();
        result r = s.finish();
        ASSERT_TRUE(r.error.empty()) << r.error;
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.frames, 0u);
        EXPECT_EQ(r.writes, 0u);
        EXPECT_EQ(r.files.count("aaaaa.bmp"), 1u);
        EXPECT_EQ(r.console.kdmode, KD_TEXT);
    }
}

}  // namespace

namespace {

// The editor's own ways out give the console back too: a file that cannot be
// opened (status 11), and a hangup that first keeps the unsaved text.
TEST(Consoles, EditorExitsRestoreTheConsole) {
    {
        zhe2e::options o;
        o.console = "active";
        o.args = {std::string(600, 'n')};
        session s(o);
        ASSERT_TRUE(s.launch()) << s.error();
        result r = s.finish();
        EXPECT_EQ(r.status, 11);
        EXPECT_EQ(r.console.kdmode, KD_TEXT);
        EXPECT_EQ(r.console.vtmode, VT_AUTO);
    }
    zhe2e::options o;
    o.console = "active";
    o.args = {"h.txt"};
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({keys::F1, "x"})) << s.error();
    ASSERT_TRUE(s.kill(SIGHUP)) << s.error();
    result r = s.finish();
    EXPECT_TRUE(r.signaled);
    EXPECT_EQ(r.files["h.txt.save"], "x");
    EXPECT_EQ(r.console.kdmode, KD_TEXT);
    EXPECT_EQ(r.console.vtmode, VT_AUTO);
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

}  // namespace
