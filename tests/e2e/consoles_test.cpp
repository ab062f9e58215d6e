// End-to-end tests on real consoles as the virtual framebuffer plays them:
// devices of other pixel formats, the FRAMEBUFFER device path, and a virtual
// terminal on standard input (graphics mode, switching away and back).
#include <gtest/gtest.h>
#include <linux/kd.h>
#include <linux/vt.h>
#include <signal.h>

#include <cstdint>
#include <cstring>
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

bool has(const std::string& output, const std::string& text) { return output.find(text) != std::string::npos; }

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
};

void PrintTo(const devicekind& d, std::ostream* os) { *os << d.name; }

class deviceformat : public ::testing::TestWithParam<devicekind> {};

// Typing and leaving on the device: every frame lands inside the visible area
// and the last one decodes to the screenshot, reduced to the device's depth.
TEST_P(deviceformat, showsthescreenshotreducedtothedevice) {
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
    EXPECT_EQ(r.badwrites, 0u) << "a write reached outside the visible area";
    ASSERT_EQ(r.files.count("aaaaa.bmp"), 1u);
    EXPECT_TRUE(showsreduced(r.last, r.files["aaaaa.bmp"], d.keep));
}

INSTANTIATE_TEST_SUITE_P(
    consoles, deviceformat,
    ::testing::Values(devicekind{"rgb565", 16, "11:5,5:6,0:5", {5, 6, 5}, 0, 0, 0, 0, 0, 0},
                      devicekind{"rgb555", 16, "10:5,5:5,0:5", {5, 5, 5}, 0, 0, 0, 0, 0, 0},
                      devicekind{"bgr24", 24, "16:8,8:8,0:8", {}, 0, 0, 0, 0, 0, 0},
                      devicekind{"rgb24", 24, "0:8,8:8,16:8", {}, 0, 0, 0, 0, 0, 0},
                      devicekind{"paddedrows16", 16, "", {5, 6, 5}, 32, 0, 0, 0, 0, 0},
                      devicekind{"paddedrows24", 24, "", {}, 8, 0, 0, 0, 0, 0},
                      devicekind{"panned16", 16, "", {5, 6, 5}, 0, 672, 960, 16, 100, 0},
                      devicekind{"shortwrites", 32, "", {}, 0, 0, 0, 0, 0, 100000},
                      devicekind{"tenbit", 32, "20:10,10:10,0:10,30:2", {}, 0, 0, 0, 0, 0, 0}),
    [](const ::testing::TestParamInfo<devicekind>& i) { return std::string(i.param.name); });

// A depth the program cannot fill is refused before anything is drawn or the
// console touched, with the terminal given back.
TEST(consoles, unsupporteddepthendswithitsmessage) {
    zhe2e::options o;
    o.bitsperpixel = 8;
    o.console = "active";
    session s(o);
    ASSERT_TRUE(s.launch()) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(has(r.output, "error: unsupported framebuffer format (8 bits per pixel)")) << r.output;
    EXPECT_EQ(r.writes, 0u);
    EXPECT_EQ(r.console.kdmode, -1) << "the console was touched";
    ASSERT_TRUE(r.haveafter);
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

TEST(consoles, framebuffervariablenamesthedevice) {
    struct run {
        const char* device;    // the path the framebuffer answers to
        const char* variable;  // FRAMEBUFFER
        int status;
    };
    for (const run& u : {run{"/dev/fb1", "/dev/fb1", 0}, run{"/dev/fb0", "", 0}, run{"/dev/fb0", "/dev/fb3", 1}}) {
        SCOPED_TRACE(u.variable);
        zhe2e::options o;
        o.device = u.device;
        o.framebuffer = u.variable;
        session s(o);
        ASSERT_TRUE(u.status == 0 ? s.start() && s.key(keys::F7) : s.launch()) << s.error();
        result r = s.finish();
        ASSERT_TRUE(r.error.empty()) << r.error;
        EXPECT_EQ(r.status, u.status);
        EXPECT_EQ(has(r.output, "error: open fp fail."), u.status == 1) << r.output;
    }
}

// On a virtual terminal the program runs in graphics mode and takes part in
// switching, and gives both back on every way out: F8, the signals that end
// it (which first keep the unsaved text) and the fatal ones. A path the
// editor refuses (a FIFO: status 11, and why on standard error) never
// touches the console.
TEST(consoles, consolerestoredoneverywayout) {
    for (int sig : {0, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, -1}) {
        SCOPED_TRACE(sig);
        zhe2e::options o;
        o.console = "active";
        o.args = {sig == -1 ? "fifo" : "h.txt"};
        o.fifos = {"fifo"};
        o.stderrapart = true;
        session s(o);
        if (sig == -1) {
            ASSERT_TRUE(s.launch()) << s.error();
        } else {
            ASSERT_TRUE(s.start()) << s.error();
            ASSERT_TRUE(s.keys({keys::F1, "x"})) << s.error();
            EXPECT_EQ(s.console().kdmode, KD_GRAPHICS);
            EXPECT_EQ(s.console().vtmode, VT_PROCESS);
            ASSERT_TRUE(sig == 0 ? s.key(keys::F8) : s.kill(sig)) << s.error();
        }
        result r = s.finish();
        ASSERT_TRUE(r.error.empty()) << r.error;
        if (sig == 0 || sig == -1) {
            EXPECT_EQ(r.status, sig == 0 ? 0 : 11);
            if (sig == -1) {
                EXPECT_EQ(r.errors, "zhedit: fifo: a FIFO, not a regular file\n");
            }
        } else if (!sanitized || sig == SIGTERM || sig == SIGHUP || sig == SIGQUIT || sig == SIGABRT || sig == SIGILL) {
            // (A sanitizer reports the faults it watches and exits instead.)
            EXPECT_TRUE(r.signaled);
            EXPECT_EQ(r.signal, sig);
        } else {
            EXPECT_TRUE(r.signaled || (r.exited && r.status != 0));
        }
        if (sig == SIGTERM || sig == SIGHUP || sig == SIGQUIT) {
            EXPECT_EQ(r.files["h.txt.save"], "x");
            EXPECT_NE(r.errors.find(std::string("zhedit: ended by SIG") + sigabbrev_np(sig) +
                                    "; the unsaved text is in " + s.workdir() + "/h.txt.save"),
                      std::string::npos)
                << r.output;
        }
        EXPECT_EQ(r.console.kdmode, sig == -1 ? -1 : KD_TEXT) << "a refused path never touches the console";
        EXPECT_EQ(r.console.vtmode, VT_AUTO);
        ASSERT_TRUE(r.haveafter);
        EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
    }
}

// Switched away, keys are still handled but nothing is copied, not even the
// final redraw; back on show, the whole frame is copied again without a key.
TEST(consoles, copiesonlywhileonshow) {
    zhe2e::options o;
    o.console = "active";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.key("q")) << s.error();
    const zhe2e::frame before = s.lastframe();
    ASSERT_TRUE(s.switchaway() && s.switchback()) << s.error();
    EXPECT_TRUE(s.lastframe().pixels == before.pixels);
    EXPECT_EQ(s.rowswritten().size(), 768u) << "the whole frame";
    const unsigned writes = s.writes();
    ASSERT_TRUE(s.switchaway()) << s.error();
    ASSERT_TRUE(s.send("ab" + keys::F8)) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.writes, writes);
    EXPECT_EQ(r.console.releases, 2u);
    EXPECT_EQ(r.console.acquires, 1u);
    EXPECT_EQ(r.files.count("aaaaa.bmp"), 1u) << "the screenshot is still written";
}

// Started on a terminal that is not on show: nothing is written at all.
TEST(consoles, startedonanotherterminal) {
    zhe2e::options o;
    o.console = "inactive";
    session s(o);
    ASSERT_TRUE(s.launch()) << s.error();
    ASSERT_TRUE(s.send("ab" + keys::F7)) << s.error();
    result r = s.finish();
    ASSERT_TRUE(r.error.empty()) << r.error;
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.writes, 0u);
    EXPECT_EQ(r.files.count("aaaaa.bmp"), 1u);
    EXPECT_EQ(r.console.kdmode, KD_TEXT);
}

}  // namespace
