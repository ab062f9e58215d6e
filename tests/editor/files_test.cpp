#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>

#include "editorfixture.h"
#include "fuzz/loaderfuzz.h"
#include "tests/storage/faultyio.h"
#include "tests/storage/scratchdir.h"

namespace {

class files : public editorfixture {
protected:
    scratchdir scratch;
    std::filesystem::path previous = std::filesystem::current_path();
    void SetUp() override {
        editorfixture::SetUp();
        std::filesystem::current_path(scratch.dir);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        editorfixture::TearDown();
    }
    // A fresh editor with the file written with these bytes loaded.
    static std::unique_ptr<editview> opened(const std::string& name, const std::string* bytes,
                                            textcodec::encodingkind encoding = textcodec::automatic) {
        if (bytes) writebytes(name, *bytes);
        auto e = std::make_unique<editview>();
        e->init();
        e->encoding = encoding;
        e->readfile(name.c_str());
        return e;
    }
    static void typeinto(editview& e, const std::string& s) {
        for (unsigned char c : s) e.keymouse(eventchar, static_cast<signed char>(c), 0, 0, 0, 0);
    }
    static void press(editview& e, int value) { e.keymouse(eventkeydown, value, 0, 0, 0, 0); }
};

// Line ends are held as CR LF and saved as the file had most of them.
TEST_F(files, linefeedsloadascrlfandcomebackonsave) {
    const struct {
        std::string bytes, saved;
    } cases[] = {
        {"one\ntwo\n", "zone\ntwo\n\n"},
        {"one\r\ntwo\r\n", "zone\r\ntwo\r\n\r\n"},
        {"a\nb\r\nc\n", "za\nb\nc\n\n"},
        {"a\nb\r\n", "za\nb\n\n"},  // a tie
        {"a\r\nb\r\nc\n", "za\r\nb\r\nc\r\n\r\n"},
        {"abc", "zabc\r\n"},  // no line end
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        auto f = opened("l.txt", &c.bytes);
        EXPECT_EQ(f->loaded, loadstate::whole);
        const std::string held = textof(*f);
        EXPECT_EQ(std::count(held.begin(), held.end(), '\n'), std::count(held.begin(), held.end(), '\r'));
        f->setcur(f->content);
        typeinto(*f, "x\b");
        EXPECT_FALSE(f->ischanged());
        typeinto(*f, "z");
        f->setcur(f->content + f->contlth);
        f->keymouse(eventkeydown, keyenter, 0, 0, 0, 0);
        EXPECT_TRUE(f->save());
        EXPECT_EQ(readbytes("l.txt"), c.saved);
        EXPECT_FALSE(f->ischanged());
    }
}

// The loader's system calls, counting the opens; stat may report another
// inode, as when the file is replaced before it is opened.
struct countingcalls : loadcalls {
    int opens = 0;
    ino_t otherinode = 0;
    int open(const char* path, int flags) override { return ++opens, loadcalls::open(path, flags); }
    int stat(const char* path, struct stat* st) override {
        const int r = loadcalls::stat(path, st);
        if (r == 0 && otherinode != 0) st->st_ino = otherinode;
        return r;
    }
};

// Only a regular file is opened, and in blocking mode once it is known to be
// one; anything else is refused unopened (opening the FIFO would block), and
// a path with nothing behind it is a new file where its directory exists.
TEST_F(files, onlyregularfilesareopened) {
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    sockaddr_un address{AF_UNIX, "socket"};
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    std::filesystem::create_directory("dir");
    writebytes("plain", "x");
    for (const char* target : {"plain", "gone", "nodir/x"})  // links "top", "tog", "ton"
        std::filesystem::create_symlink(target, std::string("to") + target[0]);
    const struct {
        const char* path;
        int opens;
        std::string reason;  // empty when the path may be edited
    } rows[] = {
        {"fifo", 0, "a FIFO, not a regular file"}, {"socket", 0, "a socket, not a regular file"},
        {"dir", 0, "a directory, not a regular file"}, {"/dev/null", 0, "a character device, not a regular file"},
        {"plain", 1, ""}, {"top", 1, ""}, {"missing.txt", 0, ""}, {"tog", 0, ""},
        {"nodir/x.txt", 0, "directory nodir/: No such file or directory"},
        {"ton", 0, "directory nodir/: No such file or directory"}, {"plain/x", 0, "Not a directory"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.path);
        countingcalls calls;
        int fd = -2;
        const openoutcome o = openforloading(r.path, fd, calls);
        EXPECT_EQ(o.ok ? "" : o.reason(), r.reason);
        EXPECT_EQ(o.isnew, o.ok && r.opens == 0);
        EXPECT_EQ(calls.opens, r.opens);
        EXPECT_EQ(fd >= 0 ? fcntl(fd, F_GETFL) & O_NONBLOCK : -1, r.opens == 1 ? 0 : -1);
        if (fd >= 0) close(fd);
    }
    close(sock);
    countingcalls replaced;
    replaced.otherinode = 1;
    int fd = -2;
    EXPECT_EQ(openforloading("plain", fd, replaced).reason(), "replaced while it was being opened");
    EXPECT_EQ(fd, -1);
    load("kept");  // a refused path leaves the text alone
    EXPECT_FALSE(ed.readfile(std::string(editview::filenamesize, 'n').c_str()).ok);
    EXPECT_FALSE(ed.readfile("").ok);
    EXPECT_EQ(text(), "kept");
}

// A missing file starts empty and says so; only a save creates it, even
// unchanged, and through a dangling link it creates the file the link names.
TEST_F(files, missingfileiscreatedonlybyasave) {
    EXPECT_TRUE(ed.readfile("new.txt").isnew);
    EXPECT_NE(std::string(publicbuffer).find("\xD0\xC2\xCE\xC4\xBC\xFE"), std::string::npos);  // 新文件
    EXPECT_FALSE(std::filesystem::exists("new.txt"));
    EXPECT_TRUE(ed.save());
    EXPECT_TRUE(std::filesystem::exists("new.txt"));
    std::filesystem::create_symlink("target.txt", "link.txt");
    auto linked = opened("link.txt", nullptr);
    typeinto(*linked, "a");
    EXPECT_TRUE(linked->save());
    EXPECT_EQ(readbytes("target.txt"), "a");
    EXPECT_TRUE(std::filesystem::is_symlink("link.txt"));
}

// A text that is not the file as it is on disk never goes over it: F8 with
// changes writes the recovery file and the editor stays open.
TEST_F(files, textnotloadedwholegoestotherecoveryfile) {
    std::string manylines;
    for (int i = 0; i < 250000; ++i) manylines += "x\n";
    std::string big(maxcontlth + 5000, 'a');
    for (size_t i = 70; i < big.size(); i += 71) big[i] = '\n';
    const struct {
        std::string bytes;
        loadstate state;
        std::string kept;
    } examples[] = {
        {std::string("ab\0cd", 5), loadstate::hadzero, "ab"},
        {"\x81\x40z", loadstate::altered, "\x81\x81@z"},  // a GBK second byte below 0x80
        {"a\rb", loadstate::altered, "ab"},
        {"ab\xB0", loadstate::altered, "ab\xB0\xB0"},
        {manylines, loadstate::toomanylines, ""},
        {big, loadstate::toolong, ""},
    };
    int n = 0;
    for (const auto& e : examples) {
        const std::string name = "f" + std::to_string(n++) + ".txt";
        SCOPED_TRACE(name);
        auto f = opened(name, &e.bytes);
        EXPECT_EQ(f->loaded, e.state);
        if (!e.kept.empty()) {
            EXPECT_EQ(textof(*f), e.kept);
        }
        EXPECT_LE(f->linenumber, maxlinenumber - 1);
        EXPECT_LE(f->contlth, maxcontlth - 1);
        if (f->contlth > 0) {
            EXPECT_NE(f->content[f->contlth - 1], '\r') << "never cut between CR and LF";
        }
        EXPECT_TRUE(f->save()) << "unchanged: nothing to save";
        f->keymouse(eventkeydown, keydelete, 0, 0, 0, 0);
        EXPECT_FALSE(f->save()) << "changed: the recovery file, and the editor stays open";
        EXPECT_EQ(readbytes(name), e.bytes);
        std::string kept = textof(*f);
        applylineends(kept, f->lineends);
        EXPECT_TRUE(readbytes(name + ".save") == kept) << "in the file's own line ends";
        EXPECT_TRUE(f->save()) << "a written recovery file counts as saved";
    }
    EXPECT_GT(opened("f5.txt", nullptr)->contlth, maxcontlth - 3);
}

TEST_F(files, randombytesloadintoawholetext) {
    std::mt19937 random(7);
    const unsigned char alphabet[] = {'a', ' ', '\t', '\r', '\n', 0x80, 0xB0, 0xA1, 0xFF, 'z'};
    for (int round = 0; round < 200; ++round) {
        std::vector<unsigned char> bytes(random() % 300);
        for (auto& b : bytes) b = random() % 4 ? alphabet[random() % sizeof alphabet] : (random() % 2 ? 0 : random());
        checknormaliser(bytes.data(), bytes.size());
        checkloader(ed, bytes.data(), bytes.size());
    }
}

const std::string utf8text = "\xE4\xB8\xAD\xE6\x96\x87 and English\n\xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\n";  // 中文, 第二行

TEST_F(files, utf8fileroundtripsandaneditstaysutf8) {
    for (const std::string bom : {"", "\xEF\xBB\xBF"}) {
        SCOPED_TRACE(bom.size());
        const std::string original = bom + utf8text;
        auto f = opened("u.txt", &original);
        EXPECT_EQ(f->loaded, loadstate::whole);
        EXPECT_EQ(textof(*f).substr(0, 6), "\xD6\xD0\xCE\xC4 a") << "held as GBK";
        EXPECT_TRUE(f->save());
        EXPECT_EQ(readbytes("u.txt"), original);
        f->setcur(f->content);
        typeinto(*f, "X");
        EXPECT_TRUE(f->save());
        EXPECT_EQ(readbytes("u.txt"), bom + "X" + utf8text) << "UTF-8 with its LF line ends";
    }
}

TEST_F(files, utf8characterthatcannotbeheldprotectstheoriginal) {
    const std::string emoji = "ok\nline two \xF0\x9F\x98\x80!\n";
    auto f = opened("e.txt", &emoji);
    EXPECT_EQ(f->loaded, loadstate::unheld);
    f->keymouse(eventkeydown, keydelete, 0, 0, 0, 0);
    EXPECT_FALSE(f->save());
    EXPECT_EQ(readbytes("e.txt"), emoji);
    EXPECT_EQ(readbytes("e.txt.save").substr(0, 5), "k\nlin");
}

TEST_F(files, gbkstaysgbkandtheoptionsforcetheencoding) {
    const std::string gbk = "\xD6\xD0\xCE\xC4\n";  // 中文 in GBK is not valid UTF-8
    auto plain = opened("g.txt", &gbk);
    EXPECT_FALSE(plain->utf8file);
    EXPECT_EQ(textof(*plain), "\xD6\xD0\xCE\xC4\r\n");
    EXPECT_FALSE(opened("g.txt", nullptr, textcodec::utf8)->utf8file) << "not UTF-8: as without the option";
    auto forcedgbk = opened("u.txt", &utf8text, textcodec::gbk);
    EXPECT_FALSE(forcedgbk->utf8file);
    EXPECT_EQ(forcedgbk->loaded, loadstate::altered);
    auto fresh = opened("new.txt", nullptr, textcodec::utf8);
    typeinto(*fresh, zhong);
    EXPECT_TRUE(fresh->save());
    EXPECT_EQ(readbytes("new.txt"), "\xE4\xB8\xAD") << "a new file given with --utf8 is saved as UTF-8";
}

TEST_F(files, pairwithoututf8formfailsthesave) {
    auto f = opened("u.txt", &utf8text);
    f->setcur(f->content);
    typeinto(*f, "\xAA\xA1");  // a user-defined GBK code, as from the clipboard
    EXPECT_FALSE(f->save());
    EXPECT_EQ(readbytes("u.txt"), utf8text);
    EXPECT_TRUE(f->ischanged());
}

// A failed save keeps the original, and the text goes to the recovery file
// but stays unsaved, so the next F8 tries again.
TEST_F(files, failedsavekeepsthetextandthenextsavetriesagain) {
    const faultyio::rule failures[] = {
        {"open", ".s.txt.zhedit-new", 1, 1, EIO}, {"write", "/.s.txt", 2, 1, ENOSPC}, {"rename", "/s.txt", 1, 1, EXDEV}};
    const std::string original = "original text\r\n";
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.op);
        auto f = opened("s.txt", &original);
        faultyio faults(failure);
        faults.chunk = 4;
        f->io = &faults;
        f->setcur(f->content);
        typeinto(*f, "N");
        EXPECT_FALSE(f->save());
        EXPECT_EQ(readbytes("s.txt"), original);
        EXPECT_EQ(readbytes("s.txt.save"), "N" + original);
        EXPECT_TRUE(f->ischanged() && f->savefailed);
        EXPECT_EQ(scratch.names(), (std::set<std::string>{"s.txt", "s.txt.save"})) << "no temporary file left";
        EXPECT_TRUE(f->save());
        EXPECT_EQ(readbytes("s.txt"), "N" + original);
        EXPECT_FALSE(f->savefailed);
        std::filesystem::remove("s.txt.save");
    }
}

// A file changed on disk is not written over unseen: the first save warns
// (and keeps the text in the recovery file), a second straight after it
// overwrites, unless another key or another change came in between.
TEST_F(files, filechangedondiskneedsasecondsave) {
    const std::string original = "original\r\n";
    auto f = opened("c.txt", &original);
    typeinto(*f, "N");
    writebytes("c.txt", "theirs\r\n");
    EXPECT_FALSE(f->save());
    EXPECT_EQ(readbytes("c.txt"), "theirs\r\n");
    EXPECT_EQ(readbytes("c.txt.save"), "N" + original);
    f->forgetoverwrite();  // another key
    EXPECT_FALSE(f->save());
    writebytes("c.txt", "theirs again\r\n");
    EXPECT_FALSE(f->save()) << "changed again since the warning";
    EXPECT_TRUE(f->save());
    EXPECT_EQ(readbytes("c.txt"), "N" + original);
    typeinto(*f, "M");
    EXPECT_TRUE(f->save()) << "the editor's own save is no change on disk";
}

const std::string zhongutf8 = "\xE4\xB8\xAD";
const std::string saved = "\xD2\xD1\xB1\xA3\xB4\xE6";  // 已保存

const unsigned char* bytesof(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

TEST(nameprompt, editswholecharactersandkeepsthebytesofthename) {
    nameprompt p;
    p.start((zhongutf8 + ".txt").c_str());
    p.home();
    p.right();
    EXPECT_TRUE(p.insert(bytesof(wen), 2));
    EXPECT_EQ(p.shown("|"), zhong + wen + "|.txt");
    EXPECT_EQ(p.systemname(), zhongutf8 + "\xE6\x96\x87.txt") << "typed GBK goes to the system as UTF-8";
    p.backspace();
    EXPECT_FALSE(p.insert(bytesof("\t"), 1));
    EXPECT_FALSE(p.insert(bytesof("\xAA\xA1"), 2)) << "a user-defined code has no UTF-8 form";
    p.left();
    p.backspace();
    p.end();
    p.right();
    EXPECT_EQ(p.shown("|"), zhong + ".txt|") << "Backspace takes a two-byte character whole";
    EXPECT_EQ(p.shown("|", 6), "\xA1\xADtxt|") << "cut at the start so that the cursor shows";
    // Not UTF-8: a GBK pair shows as itself, a lone byte as '?', a character
    // the editor cannot hold as the placeholder; untouched, all keep their bytes.
    const std::string odd = "\xD6\xD0-\xFF\x01\xF0\x9F\x98\x80";
    p.start(odd.c_str());
    EXPECT_EQ(shownname(odd.c_str()), zhong + "-??\xA1\xFE");
    EXPECT_TRUE(p.insert(bytesof("x"), 1));
    EXPECT_EQ(p.systemname(), odd + "x");
}

// Ctrl-O, the old name taken out, the new one typed (GBK), then the key.
void saveunder(editview& e, const std::string& name, int key = keyenter) {
    e.keymouse(eventkeydown, keycontrolo, 0, 0, 0, 0);
    for (size_t i = std::strlen(e.filename); i > 0; --i) e.keymouse(eventchar, characterbackspace, 0, 0, 0, 0);
    for (unsigned char c : name) e.keymouse(eventchar, static_cast<signed char>(c), 0, 0, 0, 0);
    e.keymouse(eventkeydown, key, 0, 0, 0, 0);
}

// The file being edited, by any name, is saved at once; another file is
// asked about; what cannot be written is refused with the reason.
TEST_F(files, saveasrefusesasksorwritesandthengoesonwiththenewfile) {
    std::filesystem::create_directory("dir");
    writebytes("other.txt", "theirs");
    const struct {
        std::string name, written, says;  // written: the file on disk the editor then edits
    } rows[] = {
        {zhong + ".txt", zhongutf8 + ".txt", "\xCE\xC4\xBC\xFE" + zhong + ".txt" + saved},  // 文件中.txt已保存
        {"./a.txt", "./a.txt", saved},
        {"hard.txt", "hard.txt", saved},
        {"other.txt", "", "\xD4\xD9\xB0\xB4\xBB\xD8\xB3\xB5\xB8\xB2\xB8\xC7"},  // 再按回车覆盖
        {"dir", "", "\xCA\xC7\xC4\xBF\xC2\xBC"},                                               // 是目录
        {"", "", "\xCE\xAA\xBF\xD5"},                                                          // 为空
        {std::string(500, 'n'), "", "\xCC\xAB\xB3\xA4"},                                       // 太长
        {"nodir/x.txt", "", "\xCA\xA7\xB0\xDC\xA3\xBA" + std::string(std::strerror(ENOENT))},  // 失败：
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        std::filesystem::remove("hard.txt");
        writebytes("a.txt", "text");
        ASSERT_EQ(link("a.txt", "hard.txt"), 0);
        auto e = opened("a.txt", nullptr);
        typeinto(*e, "N");
        saveunder(*e, r.name);
        EXPECT_NE(std::string(publicbuffer).find(r.says), std::string::npos);
        EXPECT_EQ(e->saveasprompt(), r.written.empty()) << "a refusal leaves the prompt open";
        EXPECT_EQ(std::string(e->filename), r.written.empty() ? "a.txt" : r.written);
        EXPECT_EQ(e->ischanged(), r.written.empty());
        EXPECT_EQ(readbytes(r.written.empty() ? "a.txt" : r.written), r.written.empty() ? "text" : "Ntext");
    }
    EXPECT_EQ(readbytes("other.txt"), "theirs");
}

// The question holds for the same key straight after, and only for the file
// as it was then; the editor then edits the file written with its undo
// history, and names its recovery file after it.
TEST_F(files, saveasexistingfileneedsthesamekeyagainstraightafter) {
    const std::string text = "text";
    writebytes("other.txt", "theirs");
    auto e = opened("a.txt", &text);
    typeinto(*e, "N");
    e->writerecovery();
    int modeswitches = 0;
    e->promptinputmode = [&](bool open) { modeswitches += open ? 1 : 10; };
    saveunder(*e, "other.txt", keycontrols);
    press(*e, keyenter);  // another key: asked again
    press(*e, keycontrols);
    EXPECT_NE(std::string(publicbuffer).find("Ctrl-S"), std::string::npos);
    writebytes("other.txt", "theirs, changed");
    press(*e, keycontrols);  // changed since: asked again
    EXPECT_EQ(readbytes("other.txt"), "theirs, changed");
    press(*e, keyf8);
    EXPECT_FALSE(e->leaveasked);
    press(*e, keyf8);
    EXPECT_EQ(readbytes("other.txt"), "Ntext");
    EXPECT_TRUE(e->leaveasked && e->diskidentity == identityof(lstatof("other.txt")));
    e->writerecovery();
    EXPECT_EQ(std::string(e->recoverypath()), "other.txt.save");
    e->undo();
    EXPECT_TRUE(e->save());
    EXPECT_EQ(readbytes("other.txt"), "text");
    press(*e, keycontrolo);  // Esc and F7 change nothing
    press(*e, keyescape);
    press(*e, keycontrolo);
    press(*e, keyf7);
    EXPECT_EQ(std::string(e->filename), "other.txt");
    EXPECT_EQ(modeswitches, 33);
}

// A text that is not the whole file goes under a new name, never over its
// original, whatever name reaches it.
TEST_F(files, saveastextnotloadedwholenevergoesoveritsoriginal) {
    const std::string zero("ab\0cd", 5);
    ASSERT_EQ(symlink("z.txt", "link.txt"), 0);
    auto e = opened("z.txt", &zero);
    typeinto(*e, "N");
    saveunder(*e, "link.txt");
    EXPECT_NE(std::string(publicbuffer).find("\xD4\xAD\xCE\xC4\xBC\xFE"), std::string::npos);  // 原文件
    EXPECT_EQ(readbytes("z.txt"), zero);
    press(*e, keyescape);
    saveunder(*e, "whole.txt");
    typeinto(*e, "M");
    EXPECT_EQ(e->loaded, loadstate::whole);
    EXPECT_TRUE(e->save());
    EXPECT_EQ(readbytes("whole.txt"), "NMab");
}

}  // namespace
