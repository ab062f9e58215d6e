#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "editorfixture.h"

namespace fs = std::filesystem;

namespace {

class files : public editorfixture {
protected:
    fs::path dir;
    fs::path previous;
    void SetUp() override {
        editorfixture::SetUp();
        char templ[] = "/tmp/zhedit-files-XXXXXX";
        dir = mkdtemp(templ);
        previous = fs::current_path();
        fs::current_path(dir);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(dir);
        editorfixture::TearDown();
    }
    static void write(const std::string& name, const std::string& bytes) {
        std::ofstream(name, std::ios::binary) << bytes;
    }
    static std::string read(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

TEST_F(files, MissingFileIsCreatedEmpty) {
    ed.readfile("new.txt");
    EXPECT_TRUE(fs::exists("new.txt"));
    EXPECT_EQ(ed.contlth, 0);
    EXPECT_EQ(ed.loaded, loadstate::whole);
}

TEST_F(files, LineFeedsLoadAsCrLfAndAnUnchangedTextIsNotWritten) {
    write("lf.txt", "one\ntwo\n");
    ed.readfile("lf.txt");
    EXPECT_EQ(text(), "one\r\ntwo\r\n");
    EXPECT_EQ(ed.loaded, loadstate::whole);
    EXPECT_FALSE(ed.ischanged());
    EXPECT_TRUE(ed.save());
    EXPECT_EQ(read("lf.txt"), "one\ntwo\n");
    at(0);
    type("x");
    type("\b");
    EXPECT_FALSE(ed.ischanged()) << "a character typed and taken back again";
    type("z");
    EXPECT_TRUE(ed.save());
    EXPECT_EQ(read("lf.txt"), "zone\r\ntwo\r\n");
    EXPECT_FALSE(ed.ischanged());
}

// A text that is not the whole file as it is on disk is never written over
// it: F8 writes the recovery file instead, and the editor stays open.
TEST_F(files, TextNotLoadedWholeGoesToTheRecoveryFile) {
    struct example {
        const char* name;
        std::string bytes;
        loadstate state;
        std::string kept;
    };
    std::string manylines;
    for (int i = 0; i < 250000; ++i) manylines += "x\n";
    const example examples[] = {
        {"a zero byte", std::string("ab\0cd", 5), loadstate::hadzero, "ab"},
        {"a GBK second byte below 0x80", "\x81\x40z", loadstate::altered, "\x81\x81@z"},
        {"a lone CR", "a\rb", loadstate::altered, "ab"},
        {"a lone high byte at the end", "ab\xB0", loadstate::altered, "ab\xB0\xB0"},
        {"more lines than the table holds", manylines, loadstate::toomanylines, ""},
    };
    int n = 0;
    for (const example& e : examples) {
        SCOPED_TRACE(e.name);
        const std::string name = "f" + std::to_string(n++) + ".txt";
        write(name, e.bytes);
        editview fresh;
        fresh.init();
        fresh.readfile(name.c_str());
        EXPECT_EQ(fresh.loaded, e.state);
        if (!e.kept.empty()) {
            EXPECT_EQ(std::string(reinterpret_cast<char*>(fresh.content), size_t(fresh.contlth)), e.kept);
        }
        EXPECT_LE(fresh.linenumber, maxlinenumber - 1);
        EXPECT_TRUE(fresh.save()) << "unchanged: nothing to save, the program may end";
        fresh.keymouse(eventkeydown, kdelete, 0, 0, 0, 0);
        EXPECT_FALSE(fresh.save()) << "changed: the recovery file, and the editor stays open";
        EXPECT_EQ(read(name), e.bytes) << "the original is untouched";
        EXPECT_EQ(read(name + ".save"), std::string(reinterpret_cast<char*>(fresh.content), size_t(fresh.contlth)));
    }
}

TEST_F(files, OversizeFileLoadsOnlyWhatFits) {
    std::string big(maxcontlth + 5000, 'a');
    for (size_t i = 70; i < big.size(); i += 71) big[i] = '\n';
    write("big.txt", big);
    ed.readfile("big.txt");
    EXPECT_EQ(ed.loaded, loadstate::toolong);
    EXPECT_LE(ed.contlth, maxcontlth - 1);
    EXPECT_GT(ed.contlth, maxcontlth - 3);
    EXPECT_FALSE(ed.content[ed.contlth - 1] == '\r') << "never cut between CR and LF";
    type("q");
    EXPECT_FALSE(ed.ischanged()) << "a full text takes no more";
    key(kdelete);
    EXPECT_FALSE(ed.save()) << "the editor stays open";
    EXPECT_EQ(read("big.txt"), big) << "the original is untouched";
    const std::string recovered = read("big.txt.save");
    EXPECT_EQ(recovered.size(), size_t(ed.contlth));
    EXPECT_TRUE(ed.save()) << "a written recovery file counts as saved";
}

}  // namespace

#include <random>

#include "fuzz/loaderfuzz.h"

namespace {

TEST_F(files, RandomBytesLoadIntoAWholeText) {
    std::mt19937 random(7);
    const unsigned char alphabet[] = {'a', ' ', '\t', '\r', '\n', 0x80, 0xB0, 0xA1, 0xFF, 'z', 0};
    for (int round = 0; round < 200; ++round) {
        std::vector<unsigned char> bytes(random() % 300);
        for (auto& b : bytes) b = random() % 4 ? alphabet[random() % (sizeof alphabet - 1)] : (random() % 2 ? 0 : random());
        checknormaliser(bytes.data(), bytes.size());
        checkloader(ed, bytes.data(), bytes.size());
    }
}

}  // namespace

namespace {

const std::string utf8text = "\xE4\xB8\xAD\xE6\x96\x87 and English\n\xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\n";  // 中文 and English / 第二行

TEST_F(files, Utf8FileRoundTripsAndAnEditStaysUtf8) {
    for (const std::string& bom : {std::string(), std::string("\xEF\xBB\xBF")}) {
        SCOPED_TRACE(bom.empty() ? "without a byte-order mark" : "with a byte-order mark");
        write("u.txt", bom + utf8text);
        editview fresh;
        fresh.init();
        fresh.readfile("u.txt");
        EXPECT_EQ(fresh.loaded, loadstate::whole);
        EXPECT_TRUE(fresh.utf8file);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(fresh.content), 6), "\xD6\xD0\xCE\xC4 a") << "held as GBK";
        EXPECT_TRUE(fresh.save()) << "unchanged";
        EXPECT_EQ(read("u.txt"), bom + utf8text);
        fresh.setcur(fresh.content);
        fresh.keymouse(eventchar, 'X', 0, 0, 0, 0);
        EXPECT_TRUE(fresh.save());
        EXPECT_EQ(read("u.txt"), bom + "X\xE4\xB8\xAD\xE6\x96\x87 and English\r\n\xE7\xAC\xAC\xE4\xBA\x8C\xE8\xA1\x8C\r\n")
            << "only the edit and the CR LF line ends differ";
    }
}

TEST_F(files, Utf8CharacterThatCannotBeHeldProtectsTheOriginal) {
    const std::string emoji = "ok\nline two \xF0\x9F\x98\x80!\n";
    write("e.txt", emoji);
    ed.readfile("e.txt");
    EXPECT_EQ(ed.loaded, loadstate::unheld);
    key(kdelete);
    EXPECT_FALSE(ed.save());
    EXPECT_EQ(read("e.txt"), emoji);
    const std::string recovered = read("e.txt.save");
    EXPECT_EQ(recovered.substr(0, 5), "k\r\nli") << "the recovery file is UTF-8 too";
}

TEST_F(files, GbkStaysGbkAndTheOptionsForceTheEncoding) {
    const std::string gbk = "\xD6\xD0\xCE\xC4\n";  // 中文 in GBK is not valid UTF-8
    write("g.txt", gbk);
    ed.readfile("g.txt");
    EXPECT_FALSE(ed.utf8file);
    EXPECT_EQ(text(), "\xD6\xD0\xCE\xC4\r\n");

    editview forcedutf8;
    forcedutf8.init();
    forcedutf8.encoding = commandline::utf8;
    forcedutf8.readfile("g.txt");
    EXPECT_FALSE(forcedutf8.utf8file) << "not valid UTF-8: loaded as without the option";

    write("u.txt", utf8text);
    editview forcedgbk;
    forcedgbk.init();
    forcedgbk.encoding = commandline::gbk;
    forcedgbk.readfile("u.txt");
    EXPECT_FALSE(forcedgbk.utf8file);
    EXPECT_EQ(forcedgbk.loaded, loadstate::altered) << "as GBK, a lone high byte had to be doubled";

    editview newfile;
    newfile.init();
    newfile.encoding = commandline::utf8;
    newfile.readfile("new.txt");
    newfile.keymouse(eventchar, -42, 0, 0, 0, 0);  // 中 as two bytes
    newfile.keymouse(eventchar, -48, 0, 0, 0, 0);
    EXPECT_TRUE(newfile.save());
    EXPECT_EQ(read("new.txt"), "\xE4\xB8\xAD") << "a new file given with --utf8 is saved as UTF-8";
}

// A pair with no UTF-8 form (it can come in through the GBK clipboard) is
// never written over a UTF-8 original.
TEST_F(files, PairWithoutUtf8FormFailsTheSave) {
    write("u.txt", utf8text);
    ed.readfile("u.txt");
    at(0);
    type("\xAA\xA1");  // a GBK user-defined code with no Unicode character
    EXPECT_FALSE(ed.save());
    EXPECT_EQ(read("u.txt"), utf8text);
    EXPECT_TRUE(ed.ischanged());
}

}  // namespace

#include "faultyio.h"

namespace {

// A save that fails at any step leaves the original byte for byte and the
// text in the editor, changed, so that the next F8 tries again.
TEST_F(files, FailedSaveKeepsTheOriginalAndTheNextSaveTriesAgain) {
    struct failure {
        const char* name;
        const char* op;
        size_t diskroom;
        size_t chunk;
    };
    const failure failures[] = {
        {"open fails", "open", SIZE_MAX, SIZE_MAX},
        {"a write fails", "write", SIZE_MAX, SIZE_MAX},
        {"the disk fills half-way", "", 5, SIZE_MAX},
        {"rename fails", "rename", SIZE_MAX, SIZE_MAX},
        {"fsync fails", "fsync", SIZE_MAX, SIZE_MAX},
    };
    const std::string original = "original text\r\n";
    for (const failure& f : failures) {
        SCOPED_TRACE(f.name);
        write("s.txt", original);
        editview fresh;
        fresh.init();
        fresh.readfile("s.txt");
        faultyio faults;
        faults.failop = f.op;
        faults.diskroom = f.diskroom;
        faults.chunk = f.chunk;
        fresh.io = &faults;
        fresh.setcur(fresh.content);
        fresh.keymouse(eventchar, 'N', 0, 0, 0, 0);
        EXPECT_FALSE(fresh.save()) << "a failed save does not end the program";
        EXPECT_EQ(read("s.txt"), original);
        EXPECT_TRUE(fresh.ischanged());
        size_t files = 0;
        for (auto& entry : fs::directory_iterator(dir)) files += entry.path().filename() != "s.txt";
        EXPECT_EQ(files, 0u) << "no temporary file left behind";
        fresh.io = &systemfileio();
        EXPECT_TRUE(fresh.save()) << "the second try";
        EXPECT_EQ(read("s.txt"), "N" + original);
    }
}

}  // namespace
