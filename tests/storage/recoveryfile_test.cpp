#include "storage/recoveryfile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/storage/faultyio.h"
#include "tests/storage/scratchdir.h"

namespace {

// Directories that take no new file: the at-th check of one (0: every check),
// and count checks from there on.
faultyio refusing(int at, int count = 1) {
    faultyio io;
    io.failop = "access";
    io.failat = at;
    io.failcount = count;
    io.failerrno = EACCES;
    return io;
}

// Runs a test inside its scratch directory with HOME pointing elsewhere.
class recoverytest : public ::testing::Test {
protected:
    scratchdir work, home;
    std::string oldcwd = std::filesystem::current_path().string();
    const char* oldhome = std::getenv("HOME");
    std::string savedhome = oldhome != nullptr ? oldhome : "";

    void SetUp() override {
        ASSERT_TRUE(work.ok() && home.ok());
        ASSERT_EQ(chdir(work.dir.c_str()), 0);
        setenv("HOME", home.dir.c_str(), 1);
    }
    void TearDown() override {
        if (chdir(oldcwd.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << oldcwd;
        if (oldhome != nullptr) setenv("HOME", savedhome.c_str(), 1); else unsetenv("HOME");
    }
};

TEST_F(recoverytest, namedafterthefilenumberedwhentakenandchosenonce) {
    const std::string file = work.path("notes.txt");
    recoveryfile r;
    EXPECT_EQ(std::string(r.choose(file.c_str())), file + ".save");
    EXPECT_EQ(std::string(r.choose("other.txt")), file + ".save");

    writebytes(file + ".save", "from an earlier run");
    ASSERT_EQ(symlink("nowhere", (file + ".save.1").c_str()), 0);  // a dangling link is taken too
    recoveryfile numbered;
    EXPECT_EQ(std::string(numbered.choose(file.c_str())), file + ".save.2");
}

TEST_F(recoverytest, withoutfilenameorwritabledirectoryfallsback) {
    recoveryfile none, filedir, original, inhome, nowhere, numbered;
    EXPECT_STREQ(none.choose(nullptr), "zhedit.save");
    faultyio first = refusing(1), again = refusing(1), cwd = refusing(1), every = refusing(0);
    EXPECT_STREQ(filedir.choose("/somewhere/notes.txt", first), "zhedit.save");
    // The fallback in the file's own directory must not be the file itself.
    EXPECT_STREQ(original.choose("zhedit.save", again), "zhedit.save.1");
    EXPECT_EQ(std::string(inhome.choose("", cwd)), home.path("zhedit.save"));
    EXPECT_STREQ(nowhere.choose("notes.txt", every), "");
    EXPECT_FALSE(nowhere.write(reinterpret_cast<const unsigned char*>("x"), 1).ok);
    EXPECT_STREQ(nowhere.choose("notes.txt"), "notes.txt.save") << "no name found is not final";

    writebytes(work.path("zhedit.save"), "taken");
    EXPECT_STREQ(numbered.choose(""), "zhedit.save.1");
}

// Paths that do not fit are not cut short: the next place is tried.
TEST_F(recoverytest, pathsthatdonotfitarerefused) {
    recoveryfile hugename, longhome, nohome;
    EXPECT_STREQ(hugename.choose(std::string(recoveryfile::pathsize, 'n').c_str()), "zhedit.save");
    setenv("HOME", (home.dir + "/" + std::string(recoveryfile::pathsize, 'h')).c_str(), 1);
    faultyio twodirs = refusing(1, 2);
    EXPECT_STREQ(longhome.choose("notes.txt", twodirs), "");
    unsetenv("HOME");
    faultyio again = refusing(1, 2);
    EXPECT_STREQ(nohome.choose("notes.txt", again), "");
}

TEST_F(recoverytest, writesreplacethechosenfilewhole) {
    auto bytes = [](const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); };
    recoveryfile r;
    ASSERT_STREQ(r.choose("notes.txt"), "notes.txt.save");
    EXPECT_TRUE(r.write(bytes("first text\r\n"), 12).ok);
    EXPECT_EQ(lstatof("notes.txt.save").st_mode & 0777, 0600u);
    EXPECT_STREQ(r.choose("notes.txt"), "notes.txt.save") << "this run's file is not numbered again";
    EXPECT_TRUE(r.write(bytes("second"), 6).ok);
    EXPECT_EQ(readbytes("notes.txt.save"), "second");

    faultyio full;
    full.diskroom = 3;
    const std::string longer(10000, 'z');
    const saveoutcome out = r.write(bytes(longer), longer.size(), full);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, ENOSPC);
    EXPECT_EQ(readbytes("notes.txt.save"), "second");
    EXPECT_EQ(work.names(), (std::set<std::string>{"notes.txt.save"}));
}

}  // namespace
