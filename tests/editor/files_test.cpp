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
