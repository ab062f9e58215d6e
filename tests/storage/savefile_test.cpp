#include "storage/savefile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/storage/faultyio.h"
#include "tests/storage/scratchdir.h"

namespace {

using names = std::set<std::string>;

const unsigned char* bytesof(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

saveoutcome save(const std::string& path, const std::string& text, fileio& io = systemfileio()) {
    return writewholefile(path.c_str(), bytesof(text), text.size(), io);
}

// A text long enough to take several writes, with two-byte characters and CR LF.
std::string newtext() {
    std::string s;
    for (int i = 0; i < 3000; ++i) s += "line \xD6\xD0\xCE\xC4 " + std::to_string(i) + "\r\n";
    return s;
}

TEST(writewholefile, replacesthefilekeepingitsmode) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("notes.txt");
    writebytes(file, "old\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    const ino_t before = lstatof(file).st_ino;
    const std::string text = newtext();
    faultyio io;  // short and interrupted writes are carried on to the end
    io.chunk = 7;
    io.interrupts = 3;
    const saveoutcome r = save(file, text, io);
    EXPECT_TRUE(r.ok && !r.inplace);
    EXPECT_EQ(readbytes(file), text);
    EXPECT_EQ(lstatof(file).st_mode & 07777, 0640u);
    EXPECT_NE(lstatof(file).st_ino, before);
    EXPECT_TRUE(save(file, "").ok);
    EXPECT_EQ(readbytes(file), "");
    if (geteuid() == 0) {  // only root can give a file to another user
        ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        EXPECT_TRUE(save(file, "new").ok);
        EXPECT_EQ(lstatof(file).st_uid, 65534u);
        EXPECT_EQ(lstatof(file).st_gid, 65534u);
        EXPECT_EQ(lstatof(file).st_mode & 07777, 0640u);
    }

    const mode_t old = umask(022);
    EXPECT_TRUE(save(d.path("new.txt"), "abc\r\n").ok);
    umask(old);
    EXPECT_EQ(lstatof(d.path("new.txt")).st_mode & 07777, 0644u) << "a new file gets the default mode";
    EXPECT_EQ(d.names(), (names{"new.txt", "notes.txt"}));
}

TEST(writewholefile, everyfailingstepleavestheoriginalandnotemporaryfile) {
    struct failure {
        const char* op;
        int at;
        int error;
        size_t diskroom;
    };
    const failure cases[] = {
        {"lstat", 1, EACCES, SIZE_MAX}, {"access", 1, EACCES, SIZE_MAX}, {"open", 1, EIO, SIZE_MAX},
        {"fchmod", 1, EPERM, SIZE_MAX}, {"write", 1, EIO, SIZE_MAX},     {"write", 2, ENOSPC, SIZE_MAX},
        {"fsync", 1, EIO, SIZE_MAX},    {"close", 1, EIO, SIZE_MAX},     {"rename", 1, EXDEV, SIZE_MAX},
        {"write", 0, ENOSPC, 0},        {"write", 0, ENOSPC, 4096},  // a full disk
    };
    const std::string original = "the original\r\n\xD6\xD0\r\n";
    for (const failure& f : cases) {
        SCOPED_TRACE(std::string(f.op) + " call " + std::to_string(f.at) + " room " + std::to_string(f.diskroom));
        scratchdir d;
        ASSERT_TRUE(d.ok());
        const std::string file = d.path("notes.txt");
        writebytes(file, original);
        faultyio io;
        if (f.diskroom == SIZE_MAX) io.failop = f.op;
        io.failat = f.at;
        io.failerrno = f.error;
        io.diskroom = f.diskroom;
        io.chunk = 1000;  // several writes, so the second one fails half-way
        const saveoutcome r = save(file, newtext(), io);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, f.error);
        EXPECT_STREQ(r.step, f.op);
        EXPECT_EQ(readbytes(file), original);
        EXPECT_EQ(d.names(), (names{"notes.txt"}));
    }
}

// In place where a rename would change what the user relies on: links, an
// owner that cannot be kept, a directory that takes no new file.
TEST(writewholefile, inplacewherearenamewouldchangethefile) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string target = d.path("target.txt"), link = d.path("link.txt"), other = d.path("other.txt");
    writebytes(target, "old");
    ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
    saveoutcome r = save(link, "through the link");
    EXPECT_TRUE(r.ok && r.inplace);
    EXPECT_TRUE(S_ISLNK(lstatof(link).st_mode));
    EXPECT_EQ(readbytes(target), "through the link");

    ASSERT_EQ(::link(target.c_str(), other.c_str()), 0);
    const ino_t inode = lstatof(target).st_ino;
    r = save(target, "on both names");
    EXPECT_TRUE(r.ok && r.inplace);
    EXPECT_EQ(readbytes(other), "on both names");
    ASSERT_EQ(unlink(other.c_str()), 0);

    faultyio owner;
    owner.failop = "fchown";
    owner.failerrno = EPERM;
    r = save(target, "kept owner", owner);
    EXPECT_TRUE(r.ok && r.inplace);
    EXPECT_EQ(readbytes(target), "kept owner");

    faultyio directory;
    directory.failopenpath = ".zhedit-";
    directory.failerrno = EACCES;
    r = save(target, "no new file here", directory);
    EXPECT_TRUE(r.ok && r.inplace);
    EXPECT_EQ(readbytes(target), "no new file here");
    EXPECT_EQ(lstatof(target).st_ino, inode);
    EXPECT_FALSE(save(d.path("absent.txt"), "x", directory).ok) << "nowhere to make a new file";
    EXPECT_EQ(d.names(), (names{"link.txt", "target.txt"}));

    // A failure in place is reported, never taken for success.
    faultyio io;
    io.failop = "fsync";
    r = save(link, "again", io);
    EXPECT_FALSE(r.ok);
    EXPECT_STREQ(r.step, "fsync");
}

TEST(writewholefile, refusedwithoutpathorwhatcannotbewritten) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    EXPECT_FALSE(writewholefile("", bytesof("x"), 1).ok);
    EXPECT_FALSE(writewholefile(nullptr, bytesof("x"), 1).ok);
    EXPECT_FALSE(writewholefile(d.path("x").c_str(), nullptr, 1).ok);

    const std::string file = d.path("readonly.txt");
    writebytes(file, "keep");
    ASSERT_EQ(chmod(file.c_str(), 0444), 0);
    if (geteuid() != 0) {
        EXPECT_FALSE(save(file, "replace").ok);
        EXPECT_EQ(readbytes(file), "keep");
    }
    const std::string sub = d.path("sub");
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    EXPECT_FALSE(save(sub, "x").ok);
    EXPECT_TRUE(std::filesystem::is_directory(sub));

    // A FIFO nobody reads fails at once instead of waiting for a reader.
    const std::string fifo = d.path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(save(fifo, "x").ok);
}

TEST(replacewholefile, neverinplaceandnopartialfile) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("r.save"), elsewhere = d.path("elsewhere");
    writebytes(elsewhere, "untouched");
    ASSERT_EQ(symlink(elsewhere.c_str(), file.c_str()), 0);
    EXPECT_TRUE(replacewholefile(file.c_str(), bytesof("abc"), 3, 0600).ok);
    EXPECT_FALSE(S_ISLNK(lstatof(file).st_mode)) << "a link put there is replaced, not followed";
    EXPECT_EQ(lstatof(file).st_mode & 0777, 0600u);
    EXPECT_EQ(readbytes(file), "abc");
    EXPECT_EQ(readbytes(elsewhere), "untouched");

    faultyio io;
    io.diskroom = 100;
    const std::string text = newtext();
    const saveoutcome r = replacewholefile(file.c_str(), bytesof(text), text.size(), 0600, io);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ENOSPC);
    EXPECT_EQ(readbytes(file), "abc");
    EXPECT_EQ(d.names(), (names{"elsewhere", "r.save"}));
}

}  // namespace
