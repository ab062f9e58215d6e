// End-to-end tests of the editor: a file opened from the command line,
// browsed, edited, saved, and the ways text is kept when it cannot be saved.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "driver.h"
#include "tests/storage/scratchdir.h"
#include "view/myview.h"

namespace {

using zhe2e::frame;
using zhe2e::result;
using zhe2e::session;
namespace keys = zhe2e::keys;

const std::string zhong = "\xD6\xD0";  // 中
const std::string english = keys::F1;  // letters reach the editor as they are

zhe2e::options with(std::vector<std::string> args, std::map<std::string, std::string> files = {}) {
    zhe2e::options o;
    o.args = std::move(args);
    o.files = std::move(files);
    return o;
}

// Starts the program, sends the keys (the last may end it) and collects the result.
result run(const zhe2e::options& o, const std::vector<std::string>& k) {
    session s(o);
    if (!s.start() || !s.keys(k)) ADD_FAILURE() << s.error();
    return s.finish();
}

::testing::AssertionResult statusshows(const frame& f, const std::string& text) {
    mybitmap b(f.width, f.height);
    myview::pmymap = &b;
    myview bar(0, 0, f.width, gcharwidth * 30 / 24);
    bar.clear();
    bar.drawtext(1, 1, text.c_str(), gcharwidth, 0);
    for (int y = 0; y <= 30; ++y)
        for (int x = 0; x < f.width; ++x)
            if ((f.at(x, y) & 0xFFFFFF) != (b.getpixel(x, y).value() & 0xFFFFFF))
                return ::testing::AssertionFailure() << "status bar differs at (" << x << "," << y << ")";
    return ::testing::AssertionSuccess();
}

TEST(editor, browsesamultiscreenfilewitheverymovementkey) {
    std::string t;
    for (int i = 0; i < 60; ++i) t += "Line " + std::to_string(i) + " " + zhong + "\xCE\xC4 text\r\n";
    session s(with({"mixed.txt"}, {{"mixed.txt", t}}));
    ASSERT_TRUE(s.start()) << s.error();
    // 22 rows: ends on line 24, column 1, on its "L".
    ASSERT_TRUE(s.keys({keys::PageDown, keys::Down, keys::Down, keys::End, keys::Left, keys::Home, keys::Right,
                        keys::PageUp, keys::Up, keys::PageDown, keys::ConsoleEnd, keys::ConsoleHome}))
        << s.error();
    const frame f = s.lastframe();
    // 当前24行,1列,共N字节,共61行,代码:4c
    EXPECT_TRUE(statusshows(f, "\xB5\xB1\xC7\xB0" "24\xD0\xD0,1\xC1\xD0,\xB9\xB2" + std::to_string(t.size()) +
                                   "\xD7\xD6\xBD\xDA,\xB9\xB2" "61\xD0\xD0,\xB4\xFA\xC2\xEB:4c"));
    int blended = 0;  // the cursor cell: lower half of column 0 on row 1, blended blue
    for (int y = 90 + 30 + 12; y < 90 + 30 + 24; ++y)
        for (int x = 0; x < 12; ++x) blended += (f.at(x, y) >> 24) == 0xFE && (f.at(x, y) & 0xFF) > 0x60;
    EXPECT_GT(blended, 100);
    ASSERT_TRUE(s.key(keys::F7)) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["mixed.txt"], t);
}

TEST(editor, typedlinesaresavedwithcrlfandthecountisreported) {
    result r = run(with({"notes.txt"}),
                   {english, "a", "b", "x", keys::Backspace, keys::Enter, "c", keys::Enter, "d", keys::F8});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["notes.txt"], "ab\r\nc\r\nd");
    // 文件notes.txt已保存，共8字节
    EXPECT_TRUE(statusshows(r.last, "\xCE\xC4\xBC\xFE" "notes.txt\xD2\xD1\xB1\xA3\xB4\xE6\xA3\xAC\xB9\xB2" "8\xD7\xD6\xBD\xDA"));
}

TEST(editor, f7andanunchangedf8leavethefileasitwas) {
    result r = run(with({}, {{"aaaaa.txt", "keep\nme"}}), {english, "x", keys::Delete, keys::F7});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["aaaaa.txt"], "keep\nme");
    r = run(with({"lf.txt"}, {{"lf.txt", "one\ntwo\n"}}), {keys::Down, keys::F8});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["lf.txt"], "one\ntwo\n");
}

TEST(editor, copiedtextsurvivesintheclipboardfileforthenextrun) {
    result r = run(with({"a.txt"}, {{"a.txt", "hello world"}}),
                   {keys::F3, keys::Right, keys::Right, keys::Right, keys::Right, keys::F4, keys::F7});
    ASSERT_TRUE(r.clipboard.has_value());
    EXPECT_EQ(*r.clipboard, std::string("hello\0", 6));
    zhe2e::options o = with({"b.txt"}, {{"b.txt", "XY"}});
    o.clipboard = r.clipboard;
    r = run(o, {keys::Right, keys::F5, keys::F3, keys::Left, keys::Left, keys::F6, keys::F8});
    EXPECT_EQ(r.files["b.txt"], "Xhel") << "pasted, then the last two pasted letters and Y cut";
    EXPECT_EQ(*r.clipboard, std::string("loY\0", 4));
}

TEST(editor, filesthatcannotbewrittenbackkeeptheiroriginal) {
    const std::string zero("ab\0cd", 5);
    const struct {
        std::vector<std::string> args;
        std::string bytes, recovery;
    } examples[] = {
        {{"z.txt"}, zero, "z.txt.save"},
        {{"g.txt"}, "\x81\x40z", "g.txt.save"},  // a GBK second byte below 0x80
        {{"p.txt", "q.txt"}, "", "zhedit.save"},  // two arguments: no file
    };
    for (const auto& e : examples) {
        SCOPED_TRACE(e.recovery);
        zhe2e::options o = with(e.args);
        if (!e.bytes.empty()) o.files[e.args[0]] = e.bytes;
        session s(o);
        ASSERT_TRUE(s.start()) << s.error();
        if (e.bytes == zero) {  // the first frame says the file was not loaded whole
            EXPECT_TRUE(statusshows(s.lastframe(),
                                    "\xCE\xC4\xBC\xFE\xBA\xAC\xC1\xE3\xD7\xD6\xBD\xDA\xA3\xAC\xD6\xBB\xD4\xD8\xC8"
                                    "\xEB\xC1\xCB\xC1\xE3\xD7\xD6\xBD\xDA\xD6\xAE\xC7\xB0\xB5\xC4\xC4\xDA\xC8\xDD\xA3"
                                    "\xAC\xD4\xAD\xCE\xC4\xBC\xFE\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7"));
        }
        ASSERT_TRUE(s.keys({english, "k"})) << s.error();
        ASSERT_TRUE(s.key(keys::F8)) << s.error();  // it does not end
        ASSERT_TRUE(s.running());
        ASSERT_TRUE(s.key(keys::F8)) << s.error();  // nothing more to save: it ends
        result r = s.finish();
        EXPECT_EQ(r.status, 0);
        if (!e.bytes.empty()) {
            EXPECT_EQ(r.files[e.args[0]], e.bytes);
        }
        ASSERT_EQ(r.files.count(e.recovery), 1u);
        EXPECT_EQ(r.files[e.recovery].substr(0, 1), "k");
    }
}

TEST(editor, ctrlzundoestypingandctrlssavesandgoeson) {
    session s(with({"u.txt"}, {{"u.txt", "base"}}));
    ASSERT_TRUE(s.start()) << s.error();
    termios raw{};
    ASSERT_TRUE(s.terminal(raw));
    EXPECT_EQ(raw.c_iflag & IXON, 0u) << "Ctrl-S must reach the editor";
    ASSERT_TRUE(s.keys({english, "x", "y", keys::Right, "z", "\x1a", "\x13"})) << s.error();  // undo "z", save
    ASSERT_TRUE(s.running());
    ASSERT_TRUE(s.keys({"\x1a", keys::F7})) << s.error();  // undo "xy", leave without saving
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["u.txt"], "xybase");
    EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
}

// A link put in the clipboard file's place is neither read nor written through.
TEST(editor, clipboardfilethatisalinkisneitherreadnorwritten) {
    zhe2e::options o = with({"c.txt"}, {{"c.txt", "copy me"}, {"secret.txt", "not yours"}});
    o.clipboardlink = "secret.txt";
    result r = run(o, {keys::End, keys::F5, keys::Home, keys::F3, keys::Right, keys::F4, keys::F7});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["secret.txt"], "not yours");
    EXPECT_EQ(r.files["c.txt"], "copy me");
}

TEST(editor, utf8filewithlfeditedandsavedstaysboth) {
    result r = run(with({"u.txt"}, {{"u.txt", "\xE4\xB8\xAD\xE6\x96\x87\n"}}),
                   {english, keys::End, "!", keys::Enter, keys::F8});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["u.txt"], "\xE4\xB8\xAD\xE6\x96\x87!\n\n");
}

// The help and the version, and the refusals (status 64 for a mistake, with
// the usage line; 4 without a terminal), say what they say and end at once:
// no framebuffer, no file, the terminal and the clipboard file as they were.
TEST(editor, helpversionandrefusalsleaveeverythingalone) {
    const struct {
        std::vector<std::string> args;
        bool stdinnull;
        int status;
        std::string says;  // on standard output for status 0, else on standard error
    } runs[] = {
        {{"--help"}, false, 0, "Exit status"},
        {{"-h"}, false, 0, "Usage: zhedit"},
        {{"--version"}, false, 0, "zhedit 0.1"},
        {{"--versoin"}, false, 64, "zhedit: --versoin: unknown option\nUsage: zhedit [options] [--] [file]\n"},
        {{"typo.txt"}, true, 4, "zhedit: standard input: not a terminal\n"},
    };
    for (const auto& u : runs) {
        SCOPED_TRACE(u.args[0]);
        zhe2e::options o = with(u.args);
        o.clipboard = "kept";
        o.stdinnull = u.stdinnull;
        o.stderrapart = true;
        session s(o);
        ASSERT_TRUE(s.launch()) << s.error();
        result r = s.finish();
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.status, u.status);
        EXPECT_NE((u.status == 0 ? r.output : r.errors).find(u.says), std::string::npos) << r.output << r.errors;
        EXPECT_EQ(r.opens, 0u) << "the framebuffer is never opened";
        EXPECT_EQ(*r.clipboard, "kept");
        EXPECT_TRUE(zhe2e::sametermios(r.before, r.after)) << zhe2e::termiosdiff(r.before, r.after);
        EXPECT_TRUE(r.files.empty());
    }
    EXPECT_EQ(run(with({"--", "--help"}), {keys::F8}).files.count("--help"), 1u)
        << "after -- it is a file name, new, and F8 makes it";
}

// "zhong" and space commit 中 into the find prompt, not into the text.
TEST(editor, findpatterntypedthroughtheinputmethod) {
    const std::string t = "abc " + zhong + "x";
    result r = run(with({"f.txt"}, {{"f.txt", t}}), {"\x06", keys::F1, "c", " ", keys::F1, "z", "h", "o", "n", "g",
                                                     " ", keys::Enter, keys::Escape, keys::F4, keys::F7});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["f.txt"], t);
    ASSERT_TRUE(r.clipboard.has_value());
    EXPECT_EQ(*r.clipboard, "c " + zhong + std::string(1, '\0')) << "the match was selected and copied";
}

// On a full disk a file behind a symbolic link and a file with a second
// name keep their old bytes (the one replaced through a new file, the other
// rewritten in place and put back); the failed F8 names the recovery file,
// and F7 leaves with the text in it.
TEST(editor, linkedfilesonafulldiskkeeptheiroldbytes) {
    const std::string old = std::string(3000, 'o') + "\r\n";
    for (const bool symbolic : {true, false}) {
        SCOPED_TRACE(symbolic ? "symbolic link" : "hard link");
        scratchdir d;
        ASSERT_EQ(mkdir(d.path("full").c_str(), 0700), 0);
        const std::string target = d.path("full/target.txt");
        const std::string name = symbolic ? d.path("link.txt") : d.path("full/second.txt");
        writebytes(target, old);
        ASSERT_EQ(symbolic ? symlink(target.c_str(), name.c_str()) : link(target.c_str(), name.c_str()), 0);
        zhe2e::options o = with({name});
        o.env["ZHEDIT_VFB_FULLDIR"] = d.path("full");
        session s(o);
        ASSERT_TRUE(s.start()) << s.error();
        ASSERT_TRUE(s.keys({english, "x"})) << s.error();
        ASSERT_TRUE(s.key(keys::F8)) << s.error();
        const std::string recovery = symbolic ? name + ".save" : s.workdir() + "/zhedit.save";
        if (symbolic) {  // 已存入恢复文件%s；文件%s保存失败：%s
            EXPECT_TRUE(statusshows(s.lastframe(), "\xD2\xD1\xB4\xE6\xC8\xEB\xBB\xD6\xB8\xB4\xCE\xC4\xBC\xFE" + recovery +
                                                       "\xA3\xBB\xCE\xC4\xBC\xFE" + name +
                                                       "\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xBA" + std::strerror(ENOSPC)));
        }
        ASSERT_TRUE(s.key(keys::F7)) << s.error();
        result r = s.finish();
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(readbytes(target), old);
        EXPECT_EQ(readbytes(recovery), "x" + old);
        EXPECT_NE(r.output.find(name + " was not saved; the unsaved text is in " + recovery), std::string::npos)
            << r.output;
        EXPECT_TRUE(symbolic ? S_ISLNK(lstatof(name).st_mode) : lstatof(target).st_nlink == 2);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(d.path("full")), {}), symbolic ? 1 : 2)
            << "no copy or temporary file is left";
    }
}

// A file changed on disk after the start is not overwritten by the first F8
// (which keeps the text in the recovery file), and is by the second.
TEST(editor, filechangedondiskneedsasecondf8) {
    session s(with({"c.txt"}, {{"c.txt", "one\r\n"}}));
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({english, "x"})) << s.error();
    writebytes(s.workdir() + "/c.txt", "theirs\r\n");
    ASSERT_TRUE(s.key(keys::F8)) << s.error();
    EXPECT_EQ(readbytes(s.workdir() + "/c.txt"), "theirs\r\n");
    ASSERT_TRUE(s.running());
    ASSERT_TRUE(s.key(keys::F8)) << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["c.txt"], "xone\r\n");
    EXPECT_EQ(r.files["c.txt.save"], "xone\r\n");
}

// Ctrl-O: the prompt types in English (no F1 here) and gives the text its
// input mode back ("zhong" and space then make 中); a directory is refused
// and F8 on it does not leave; a file there needs the second Enter; editing
// goes on in the file written. F8 in the prompt saves a text not loaded whole
// under a new name and leaves.
TEST(editor, ctrlosavesunderanothernameandeditinggoesonthere) {
    const std::string o = "\x0f", bs = keys::Backspace;
    session s(with({"a.txt"}, {{"a.txt", "old\r\n"}, {"other.txt", "theirs"}, {"d/keep", ""}}));
    ASSERT_TRUE(s.start()) << s.error();
    ASSERT_TRUE(s.keys({o, "x", keys::Escape, o, bs, bs, bs, bs, bs, "d", keys::F8, keys::Escape, o, bs, bs, bs, bs,
                        bs, "o", "t", "h", "e", "r", ".", "t", "x", "t", keys::Enter}))
        << s.error();
    EXPECT_EQ(readbytes(s.workdir() + "/other.txt"), "theirs") << "asked first";
    ASSERT_TRUE(s.keys({keys::Enter, o, bs, bs, bs, bs, bs, bs, bs, bs, bs, "b", ".", "t", "x", "t", keys::Enter, "z",
                        "h", "o", "n", "g", " ", keys::F8}))
        << s.error();
    result r = s.finish();
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["a.txt"], "old\r\n");
    EXPECT_EQ(r.files["other.txt"], "old\r\n");
    EXPECT_EQ(r.files["b.txt"], zhong + "old\r\n");
    EXPECT_EQ(r.files.count("a.txtx"), 0u) << "Esc saved nothing";
    const std::string zero("ab\0cd", 5);
    r = run(with({"z.txt"}, {{"z.txt", zero}}), {o, bs, bs, bs, bs, bs, "n", ".", "t", "x", "t", keys::F8});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.files["z.txt"], zero);
    EXPECT_EQ(r.files["n.txt"], "ab");
}

// Two runs at once: every copy goes to the clipboard file at once, a run
// pastes what the other copied, and the run that ends last does not put back
// an older copy. The real /tmp/clip.txt is not touched by either.
TEST(editor, tworunsatoncesharethelatestcopy) {
    struct stat before {}, after {};
    const bool existed = stat("/tmp/clip.txt", &before) == 0;
    scratchdir d;
    zhe2e::options oa = with({"a.txt"}, {{"a.txt", "alpha"}}), ob = with({"b.txt"}, {{"b.txt", "marker"}});
    oa.clipfile = ob.clipfile = d.path("clip.txt");
    session a(oa), b(ob);
    ASSERT_TRUE(a.start() && b.start()) << a.error() << b.error();
    ASSERT_TRUE(a.keys({keys::F3, keys::Right, keys::Right, keys::Right, keys::Right, keys::F4})) << a.error();
    ASSERT_TRUE(b.keys({keys::End, keys::F5, keys::Home, keys::F3, keys::Right, keys::Right, keys::Right, keys::Right,
                        keys::Right, keys::F4, keys::F8}))
        << b.error();
    ASSERT_TRUE(a.key(keys::F8)) << a.error();
    result rb = b.finish(), ra = a.finish();
    EXPECT_EQ(rb.files["b.txt"], "markeralpha");
    EXPECT_EQ(ra.files["a.txt"], "alpha");
    EXPECT_EQ(readbytes(d.path("clip.txt")), std::string("marker\0", 7));
    ASSERT_EQ(stat("/tmp/clip.txt", &after) == 0, existed);
    if (existed) {
        EXPECT_TRUE(before.st_ino == after.st_ino && before.st_size == after.st_size &&
                    before.st_ctim.tv_sec == after.st_ctim.tv_sec && before.st_ctim.tv_nsec == after.st_ctim.tv_nsec);
    }
    for (const auto& e : std::filesystem::directory_iterator("/tmp"))
        EXPECT_NE(e.path().filename().string().rfind(".clip.txt.", 0), 0u) << e.path();
}

}  // namespace
