#include "storage/recoveryfile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/storage/faultyio.h"
#include "tests/storage/scratchdir.h"

namespace {

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

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

TEST_F(recoverytest, namedafterthefilenumberedwhentakenandkept) {
    const std::string file = work.path("notes.txt");
    recoveryfile r;
    EXPECT_TRUE(r.write(file.c_str(), bytes("first"), 5).ok);
    EXPECT_EQ(std::string(r.path()), file + ".save");
    EXPECT_EQ(lstatof(r.path()).st_mode & 0777, 0600u);
    EXPECT_TRUE(r.write(file.c_str(), bytes("second"), 6).ok);
    EXPECT_EQ(readbytes(file + ".save"), "second") << "this run's file is not numbered again";

    ASSERT_EQ(symlink("nowhere", (file + ".save.1").c_str()), 0);  // a dangling link is taken too
    recoveryfile numbered, unnamed, hugename;
    EXPECT_TRUE(numbered.write(file.c_str(), bytes("x"), 1).ok);
    EXPECT_EQ(std::string(numbered.path()), file + ".save.2");
    EXPECT_TRUE(unnamed.write("", bytes("x"), 1).ok);
    EXPECT_EQ(std::string(unnamed.path()), work.path("zhedit.save"));
    EXPECT_TRUE(hugename.write(std::string(5000, 'n').c_str(), bytes("x"), 1).ok) << "never a name cut short";
    EXPECT_EQ(std::string(hugename.path()), work.path("zhedit.save.1"));
}

// A place that cannot take the text passes it on; later writes start where
// writing last worked; in a directory anyone can write to, the file goes
// into a private directory of its own.
TEST_F(recoverytest, fallsthroughtheplaces) {
    scratchdir spare, shared;
    ASSERT_TRUE(spare.ok() && shared.ok());
    ASSERT_EQ(chmod(shared.dir.c_str(), 01777), 0);
    const std::string file = work.path("notes.txt");
    faultyio io({"write", work.dir, 1, 0, ENOSPC});
    io.places = {work.dir, spare.dir, shared.dir};
    recoveryfile r;
    EXPECT_TRUE(r.write(file.c_str(), bytes("one"), 3, io).ok);
    EXPECT_EQ(std::string(r.path()), spare.path("zhedit.save"));
    io.rules.clear();
    EXPECT_TRUE(r.write(file.c_str(), bytes("two"), 3, io).ok);
    EXPECT_EQ(std::string(r.path()), spare.path("zhedit.save")) << "not back to the first place";
    EXPECT_EQ(readbytes(r.path()), "two");

    io.rules = {{"write", spare.dir, 1, 0, EDQUOT}};
    EXPECT_TRUE(r.write(file.c_str(), bytes("three"), 5, io).ok);
    const std::string inshared = r.path();
    EXPECT_EQ(inshared.substr(0, shared.path("zhedit-").size()), shared.path("zhedit-"));
    EXPECT_EQ(inshared.substr(inshared.size() - 15), "/notes.txt.save");
    EXPECT_EQ(lstatof(inshared.substr(0, inshared.size() - 15)).st_mode & 07777, 0700u);
    EXPECT_EQ(readbytes(inshared), "three");

    io.rules = {{"write", "", 1, 0, EIO}};
    const saveoutcome none = r.write(file.c_str(), bytes("four"), 4, io);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, EIO);
    EXPECT_EQ(std::string(r.path()), inshared);
    EXPECT_EQ(readbytes(inshared), "three");
    EXPECT_TRUE(work.names().empty()) << "no temporary file is left";
    EXPECT_EQ(spare.names(), std::set<std::string>{"zhedit.save"});
}

}  // namespace
