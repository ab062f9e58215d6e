// End-to-end tests of the editor: a file opened from the command line,
// browsed, edited, saved, and the ways text is kept when it cannot be saved.
#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <string>

#include "driver.h"
#include "view/myview.h"

namespace {

using zhe2e::frame;
using zhe2e::result;
using zhe2e::session;
namespace keys = zhe2e::keys;

const std::string zhong = "\xD6\xD0";  // 中

// The status bar drawn with a given text, in a bitmap of our own.
std::unique_ptr<mybitmap> statusbarshowing(const std::string& text, int width, int height) {
    auto b = std::make_unique<mybitmap>(width, height);
    myview::pmymap = b.get();
    myview bar(0, 0, width, gcharwidth * 30 / 24);
    bar.clear();
    bar.drawtext(1, 1, text.c_str(), gcharwidth, 0);
    return b;
}

::testing::AssertionResult statusshows(const frame& f, const std::string& text) {
    const auto b = statusbarshowing(text, f.width, f.height);
    for (int y = 0; y <= 30; ++y)
        for (int x = 0; x < f.width; ++x)
            if ((f.at(x, y) & 0xFFFFFF) != (b->getpixel(x, y).value() & 0xFFFFFF))
                return ::testing::AssertionFailure() << "status bar differs at (" << x << "," << y << ")";
    return ::testing::AssertionSuccess();
}

// 当前%d行,%d列,共%d字节,共%d行,代码:%2x
std::string position(int line, int column, int bytes, int lines, const std::string& code) {
    return "\xB5\xB1\xC7\xB0" + std::to_string(line) + "\xD0\xD0," + std::to_string(column) + "\xC1\xD0,\xB9\xB2" +
           std::to_string(bytes) + "\xD7\xD6\xBD\xDA,\xB9\xB2" + std::to_string(lines) + "\xD0\xD0,\xB4\xFA\xC2\xEB:" +
           code;
}

// Letters reach the editor as they are once the input method is in English mode.
const std::string english = keys::F1;

TEST(Editor, BrowsesAMultiScreenFileWithEveryMovementKey) {
    std::string t;
    for (int i = 0; i < 60; ++i) t += "Line " + std::to_string(i) + " " + zhong + "\xCE\xC4 text\r\n";
    zhe2e::options o;
    o.args = {"mixed.txt"};
    o.files["mixed.txt"] = t;
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({keys::PageDown, keys::Down, keys::Down, keys::End, keys::Left, keys::Home, keys::Right,
                        keys::PageUp, keys::Up, keys::PageDown, keys::ConsoleEnd, keys::ConsoleHome}))
        << s.error();
    // 22 rows at 1024x768: Page Down (line 22), Down twice (24), End, Left,
    // Home, Right (column 1), Page Up (line 2), Up (1), Page Down (23), End,
    // Home: line 24 shown from 1, column 1 on its "L".
    const frame f = s.lastframe();
    EXPECT_TRUE(statusshows(f, position(24, 1, int(t.size()), 61, "4c")));
    // The cursor cell: the lower half of column 0 on row 1, blended blue.
    int blended = 0;
    for (int y = 90 + 30 + 12; y < 90 + 30 + 24; ++y)
        for (int x = 0; x < 12; ++x) blended += (f.at(x, y) >> 24) == 0xFE && (f.at(x, y) & 0xFF) > 0x60;
    EXPECT_GT(blended, 100);
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["mixed.txt"], t);
}

TEST(Editor, TypedLinesAreSavedWithCrLfAndTheCountIsReported) {
    zhe2e::options o;
    o.args = {"notes.txt"};
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({english, "a", "b", "x", keys::Backspace, keys::Enter, "c", keys::Enter, "d"})) << s.error();
    ASSERT_TRUE(s.key(keys::F8)) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["notes.txt"], "ab\r\nc\r\nd");
    ASSERT_EQ(r.files.count("aaaaa.bmp"), 1u);
    // 文件notes.txt已保存，共8字节, on the last screen
    EXPECT_TRUE(statusshows(r.last, "\xCE\xC4\xBC\xFE" "notes.txt\xD2\xD1\xB1\xA3\xB4\xE6\xA3\xAC\xB9\xB2" "8\xD7\xD6\xBD\xDA"));
}

TEST(Editor, NoArgumentEditsAaaaaTxtAndF7LeavesItUntouched) {
    zhe2e::options o;
    o.files["aaaaa.txt"] = "keep\nme";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({english, "x", keys::Delete, keys::F7})) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["aaaaa.txt"], "keep\nme");
}

TEST(Editor, UnchangedFileWithLineFeedsStaysAsItWas) {
    zhe2e::options o;
    o.args = {"lf.txt"};
    o.files["lf.txt"] = "one\ntwo\n";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({keys::Down, keys::F8})) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["lf.txt"], "one\ntwo\n");
}

TEST(Editor, CopiedTextSurvivesInTheClipboardFileForTheNextRun) {
    std::string clip;
    {
        zhe2e::options o;
        o.args = {"a.txt"};
        o.files["a.txt"] = "hello world";
        session s(o);
        ASSERT_TRUE(s.start()) << s.error();
        ASSERT_TRUE(s.keys({keys::F3, keys::Right, keys::Right, keys::Right, keys::Right, keys::F4, keys::F7}))
            << s.error();
        result r = s.finish();
        ASSERT_TRUE(r.clipboard.has_value());
        EXPECT_EQ(*r.clipboard, std::string("hello\0", 6));
        clip = *r.clipboard;
    }
    zhe2e::options o;
    o.args = {"b.txt"};
    o.files["b.txt"] = "XY";
    o.clipboard = clip;
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({keys::Right, keys::F5, keys::F3, keys::Left, keys::Left, keys::F6, keys::F8})) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.files["b.txt"], "Xhel") << "pasted, then the last two pasted letters and Y cut";
    EXPECT_EQ(*r.clipboard, std::string("loY\0", 4));
}

TEST(Editor, FilesThatCannotBeWrittenBackKeepTheirOriginal) {
    struct example {
        const char* name;
        std::vector<std::string> args;
        std::string bytes;
        std::string recovery;
    };
    const example examples[] = {
        {"a zero byte", {"z.txt"}, std::string("ab\0cd", 5), "z.txt.save"},
        {"a GBK second byte below 0x80", {"g.txt"}, "\x81\x40z", "g.txt.save"},
        {"two arguments: no file", {"p.txt", "q.txt"}, "", "zhedit.save"},
    };
    for (const example& e : examples) {
        SCOPED_TRACE(e.name);
        zhe2e::options o;
        o.args = e.args;
        if (!e.bytes.empty()) o.files[e.args[0]] = e.bytes;
        session s(o);
        ASSERT_TRUE(s.start()) << s.error();
        if (e.bytes == std::string("ab\0cd", 5)) {  // the first frame says the file was not loaded whole
            EXPECT_TRUE(statusshows(s.lastframe(),
                                    "\xCE\xC4\xBC\xFE\xBA\xAC\xC1\xE3\xD7\xD6\xBD\xDA\xA3\xAC\xD6\xBB\xD4\xD8\xC8"
                                    "\xEB\xC1\xCB\xC1\xE3\xD7\xD6\xBD\xDA\xD6\xAE\xC7\xB0\xB5\xC4\xC4\xDA\xC8\xDD\xA3"
                                    "\xAC\xD4\xAD\xCE\xC4\xBC\xFE\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7"));
        }
        ASSERT_TRUE(s.keys({english, "k"})) << s.error();
        // F8 does not end: its own frame, then the frame with the message.
        ASSERT_TRUE(s.send(keys::F8, 2) && s.waitframes(s.expected())) << s.error();
        ASSERT_TRUE(s.running());
        ASSERT_TRUE(s.key(keys::F8)) << s.error();  // now nothing more to save: it ends
        result r = s.finish();
        EXPECT_EQ(r.status, 0);
        if (!e.bytes.empty()) {
            EXPECT_EQ(r.files[e.args[0]], e.bytes);
        }
        ASSERT_EQ(r.files.count(e.recovery), 1u);
        EXPECT_EQ(r.files[e.recovery].substr(0, 1), "k");
    }
}

TEST(Editor, OverlongPathEndsWithStatus11AndARestoredTerminal) {
    zhe2e::options o;
    o.args = {std::string(600, 'n')};
    session s(o);
    ASSERT_TRUE(s.launch()) << s.error();
    result r = s.finish();
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.status, 11);
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

TEST(Editor, HangupWithUnsavedTextWritesTheRecoveryFile) {
    zhe2e::options o;
    o.args = {"h.txt"};
    o.files["h.txt"] = "old";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({english, "n", "e", "w"})) << s.error();
    ASSERT_TRUE(s.kill(SIGHUP)) << s.error();
    result r = s.finish();
    EXPECT_TRUE(r.signaled);
    EXPECT_EQ(r.signal, SIGHUP);
    EXPECT_EQ(r.files["h.txt"], "old");
    EXPECT_EQ(r.files["h.txt.save"], "newold");
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

}  // namespace

namespace {

TEST(Editor, CtrlZUndoesTypingAndCtrlSSavesAndGoesOn) {
    zhe2e::options o;
    o.args = {"u.txt"};
    o.files["u.txt"] = "base";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    termios raw{};
    ASSERT_TRUE(s.terminal(raw));
    EXPECT_EQ(raw.c_iflag & IXON, 0u) << "Ctrl-S must reach the editor";
    ASSERT_TRUE(s.keys({english, "x", "y", keys::Right, "z", "\x1a"})) << s.error();  // Ctrl-Z undoes "z"
    ASSERT_TRUE(s.key("\x13")) << s.error();  // Ctrl-S
    ASSERT_TRUE(s.running());
    ASSERT_TRUE(s.keys({"\x1a", keys::F7})) << s.error();  // undo "xy", then leave without saving
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["u.txt"], "xybase");
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

}  // namespace

namespace {

// The clipboard file lives in a shared directory: a link put in its place is
// neither read nor followed when the clipboard is written.
TEST(Editor, ClipboardFileThatIsALinkIsNeitherReadNorWritten) {
    zhe2e::options o;
    o.args = {"c.txt"};
    o.files["c.txt"] = "copy me";
    o.files["secret.txt"] = "not yours";
    o.clipboardlink = "secret.txt";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({keys::End, keys::F5, keys::Home, keys::F3, keys::Right, keys::F4, keys::F7})) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["secret.txt"], "not yours");
    EXPECT_EQ(r.files["c.txt"], "copy me") << "nothing was pasted from the link";
}

}  // namespace

namespace {

TEST(Editor, Utf8FileEditedAndSavedStaysUtf8) {
    zhe2e::options o;
    o.args = {"u.txt"};
    o.files["u.txt"] = "\xE4\xB8\xAD\xE6\x96\x87\n";  // 中文
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({english, keys::End, "!", keys::F8})) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["u.txt"], "\xE4\xB8\xAD\xE6\x96\x87!\r\n");
}

TEST(Editor, HelpAndVersionPrintAndLeaveTheTerminalAlone) {
    for (const char* option : {"--help", "-h", "--version"}) {
        SCOPED_TRACE(option);
        zhe2e::options o;
        o.args = {option};
        o.clipboard = "kept";
        session s(o);
        ASSERT_TRUE(s.launch()) << s.error();
        result r = s.finish();
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.output.find("zhedit"), std::string::npos) << r.output;
        EXPECT_EQ(r.frames, 0u);
        EXPECT_EQ(r.opens, 0u) << "the framebuffer is never opened";
        EXPECT_EQ(*r.clipboard, "kept");
        EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
        EXPECT_EQ(r.files.count("aaaaa.txt"), 0u);
    }
    zhe2e::options o;
    o.args = {"--", "--help"};
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.files.count("--help"), 1u) << "after -- it is a file name";
}

}  // namespace

namespace {

// The find pattern can be typed through the input method: "zhong" and space
// commit 中 into the prompt, not into the text; English letters go there too.
TEST(Editor, FindPatternTypedThroughTheInputMethod) {
    zhe2e::options o;
    o.args = {"f.txt"};
    o.files["f.txt"] = "abc " + zhong + "x";
    session s(o);
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({"\x06", keys::F1, "c", " ", keys::F1, "z", "h", "o", "n", "g", " ", keys::Enter,
                        keys::Escape, keys::F4, keys::F7}))
        << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["f.txt"], "abc " + zhong + "x");
    ASSERT_TRUE(r.clipboard.has_value());
    EXPECT_EQ(*r.clipboard, "c " + zhong + std::string(1, '\0')) << "the match was selected and copied";
}

}  // namespace
