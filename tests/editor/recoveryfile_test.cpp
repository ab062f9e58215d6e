#include "editor/recoveryfile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "editor/faultyio.h"
#include "editor/scratchdir.h"

namespace {

const unsigned char* bytesof(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Runs a test inside its scratch directory with HOME pointing elsewhere, and
// puts both back afterwards.
class recoverytest : public ::testing::Test {
protected:
    scratchdir work, home;
    std::string oldcwd;
    std::string oldhome;
    bool hadhome = false;

    void SetUp() override {
        ASSERT_TRUE(work.ok() && home.ok());
        oldcwd = std::filesystem::current_path().string();
        const char* h = std::getenv("HOME");
        hadhome = h != nullptr;
        if (hadhome) oldhome = h;
        ASSERT_EQ(chdir(work.dir.c_str()), 0);
        setenv("HOME", home.dir.c_str(), 1);
    }
    void TearDown() override {
        if (chdir(oldcwd.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << oldcwd;
        if (hadhome)
            setenv("HOME", oldhome.c_str(), 1);
        else
            unsetenv("HOME");
    }
};

TEST_F(recoverytest, namedafterthefilenumberedwhentaken) {
    const std::string file = work.path("notes.txt");
    recoveryfile r;
    EXPECT_STREQ(r.path(), "");
    EXPECT_EQ(std::string(r.choose(file.c_str())), file + ".save");
    // Chosen once: the same path whatever comes later.
    EXPECT_EQ(std::string(r.choose("other.txt")), file + ".save");
    EXPECT_EQ(std::string(r.path()), file + ".save");

    writebytes(file + ".save", "from an earlier run");
    ASSERT_EQ(symlink("nowhere", (file + ".save.1").c_str()), 0);  // a dangling link is taken too
    recoveryfile numbered;
    EXPECT_EQ(std::string(numbered.choose(file.c_str())), file + ".save.2");

    recoveryfile relative;
    EXPECT_STREQ(relative.choose("notes.txt"), "notes.txt.save.2");
}

TEST_F(recoverytest, withoutfilenameorwritabledirectoryfallsback) {
    recoveryfile none;
    EXPECT_STREQ(none.choose(""), "zhedit.save");
    recoveryfile null;
    EXPECT_STREQ(null.choose(nullptr), "zhedit.save");

    // The file's directory takes no new file: the working directory.
    faultyio filedir;
    filedir.failop = "access";
    filedir.failat = 1;
    filedir.failerrno = EACCES;
    recoveryfile r;
    EXPECT_STREQ(r.choose("/somewhere/notes.txt", filedir), "zhedit.save");

    // Neither does the working directory: the home directory.
    faultyio both;
    both.failop = "access";
    both.failat = 0;
    both.failerrno = EACCES;
    recoveryfile nowhere;
    EXPECT_STREQ(nowhere.choose("notes.txt", both), "");
    EXPECT_FALSE(nowhere.write(bytesof("x"), 1).ok);
    faultyio workdir;  // the working directory takes no new file
    workdir.failop = "access";
    workdir.failerrno = EACCES;
    recoveryfile inhome;
    EXPECT_EQ(std::string(inhome.choose("", workdir)), home.path("zhedit.save"));

    writebytes(work.path("zhedit.save"), "taken");
    recoveryfile numbered;
    EXPECT_STREQ(numbered.choose(""), "zhedit.save.1");
    // No name found is not final: a later call tries again.
    EXPECT_STREQ(nowhere.choose("notes.txt"), "notes.txt.save");
}

TEST_F(recoverytest, nevertheoriginal) {
    // The file is named zhedit.save and its directory refused at first:
    // the fallback in the same working directory must not be the file.
    faultyio io;
    io.failop = "access";
    io.failat = 1;
    io.failerrno = EACCES;
    recoveryfile r;
    EXPECT_STREQ(r.choose("zhedit.save", io), "zhedit.save.1");
}

TEST_F(recoverytest, pathsthatdonotfitarerefused) {
    unsetenv("HOME");
    faultyio io;
    io.failop = "access";
    io.failat = 0;
    io.failerrno = EACCES;
    recoveryfile r;
    EXPECT_STREQ(r.choose("notes.txt", io), "");

    // A home directory whose path does not fit is not cut short.
    setenv("HOME", (home.dir + "/" + std::string(recoveryfile::pathsize, 'h')).c_str(), 1);
    faultyio twodirs;
    twodirs.failop = "access";
    twodirs.failcount = 2;
    twodirs.failerrno = EACCES;
    recoveryfile longhome;
    EXPECT_STREQ(longhome.choose("notes.txt", twodirs), "");

    // A file name as long as the editor's buffer holds still gets its name.
    std::string name;
    for (int i = 0; i < 4; ++i) {
        name += std::string(100, char('a' + i));
        ASSERT_EQ(mkdir(name.c_str(), 0700), 0);
        name += '/';
    }
    name += std::string(499 - name.size(), 'n');
    recoveryfile longname;
    EXPECT_EQ(std::string(longname.choose(name.c_str())), name + ".save");
    // One too long for the buffer is not cut: the fallback is used.
    const std::string huge(recoveryfile::pathsize, 'n');
    recoveryfile hugename;
    EXPECT_STREQ(hugename.choose(huge.c_str()), "zhedit.save");
}

TEST_F(recoverytest, writesreplacethechosenfilewhole) {
    recoveryfile r;
    ASSERT_STREQ(r.choose("notes.txt"), "notes.txt.save");
    EXPECT_TRUE(r.write(bytesof("first text\r\n"), 12).ok);
    EXPECT_EQ(readbytes("notes.txt.save"), "first text\r\n");
    EXPECT_EQ(lstatof("notes.txt.save").st_mode & 0777, 0600u);
    // The second write replaces the file of this run; it is not numbered again.
    EXPECT_STREQ(r.choose("notes.txt"), "notes.txt.save");
    EXPECT_TRUE(r.write(bytesof("second"), 6).ok);
    EXPECT_EQ(readbytes("notes.txt.save"), "second");

    faultyio full;
    full.diskroom = 3;
    const std::string longer(10000, 'z');
    const saveoutcome out = r.write(bytesof(longer), longer.size(), full);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.error, ENOSPC);
    EXPECT_EQ(readbytes("notes.txt.save"), "second");
    EXPECT_EQ(work.names(), (std::set<std::string>{"notes.txt.save"}));
}

}  // namespace
