#include "editor/savefile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "editor/faultyio.h"
#include "editor/scratchdir.h"

namespace {

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

    const saveoutcome r = save(file, text);
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.inplace);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(readbytes(file), text);
    EXPECT_EQ(lstatof(file).st_mode & 07777, 0640u);
    EXPECT_NE(lstatof(file).st_ino, before);  // a new file took its place
    EXPECT_EQ(d.names(), (std::set<std::string>{"notes.txt"}));

    EXPECT_TRUE(save(file, "").ok);
    EXPECT_EQ(readbytes(file), "");

    // Short and interrupted writes are carried on to the end.
    faultyio io;
    io.chunk = 7;
    io.interrupts = 3;
    EXPECT_TRUE(save(file, text, io).ok);
    EXPECT_EQ(readbytes(file), text);
}

TEST(writewholefile, newfilegetsthedefaultmode) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const mode_t old = umask(022);
    const std::string file = d.path("new.txt");
    const saveoutcome r = save(file, "abc\r\n");
    umask(old);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(readbytes(file), "abc\r\n");
    EXPECT_EQ(lstatof(file).st_mode & 07777, 0644u);
    EXPECT_EQ(d.names(), (std::set<std::string>{"new.txt"}));
}

TEST(writewholefile, everyfailingstepleavestheoriginalandnotemporaryfile) {
    struct failure {
        const char* op;
        int at;
        int error;
        const char* step;
    };
    const failure cases[] = {
        {"lstat", 1, EACCES, "lstat"},  {"access", 1, EACCES, "access"}, {"open", 1, EIO, "open"},
        {"open", 1, ENOSPC, "open"},    {"fchmod", 1, EPERM, "fchmod"},  {"write", 1, EIO, "write"},
        {"write", 2, ENOSPC, "write"},  {"fsync", 1, EIO, "fsync"},      {"close", 1, EIO, "close"},
        {"rename", 1, EXDEV, "rename"},
    };
    const std::string original = "the original\r\n\xD6\xD0\r\n";
    const std::string text = newtext();
    for (const failure& f : cases) {
        SCOPED_TRACE(std::string(f.op) + " call " + std::to_string(f.at));
        scratchdir d;
        ASSERT_TRUE(d.ok());
        const std::string file = d.path("notes.txt");
        writebytes(file, original);
        faultyio io;
        io.failop = f.op;
        io.failat = f.at;
        io.failerrno = f.error;
        io.chunk = 1000;  // several writes, so the second one fails half-way
        const saveoutcome r = save(file, text, io);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, f.error);
        EXPECT_STREQ(r.step, f.step);
        EXPECT_EQ(readbytes(file), original);
        EXPECT_EQ(d.names(), (std::set<std::string>{"notes.txt"}));
    }
}

TEST(writewholefile, fulldiskhalfwaykeepstheoriginal) {
    for (size_t room : {size_t(0), size_t(1), size_t(4096), size_t(30000)}) {
        SCOPED_TRACE(room);
        scratchdir d;
        ASSERT_TRUE(d.ok());
        const std::string file = d.path("notes.txt");
        writebytes(file, "the original");
        faultyio io;
        io.diskroom = room;
        const saveoutcome r = save(file, newtext(), io);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, ENOSPC);
        EXPECT_STREQ(r.step, "write");
        EXPECT_EQ(readbytes(file), "the original");
        EXPECT_EQ(d.names(), (std::set<std::string>{"notes.txt"}));
    }
}

TEST(writewholefile, linksarewritteninplaceandstaylinks) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string target = d.path("target.txt");
    const std::string link = d.path("link.txt");
    writebytes(target, "old");
    ASSERT_EQ(symlink("target.txt", link.c_str()), 0);
    saveoutcome r = save(link, "through the link");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.inplace);
    EXPECT_TRUE(S_ISLNK(lstatof(link).st_mode));
    EXPECT_EQ(readbytes(target), "through the link");

    const std::string other = d.path("other.txt");
    ASSERT_EQ(::link(target.c_str(), other.c_str()), 0);
    const ino_t inode = lstatof(target).st_ino;
    r = save(target, "on both names");
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.inplace);
    EXPECT_EQ(lstatof(target).st_ino, inode);
    EXPECT_EQ(readbytes(other), "on both names");
    EXPECT_EQ(d.names(), (std::set<std::string>{"link.txt", "other.txt", "target.txt"}));

    // A failure in place is reported, never taken for success.
    faultyio io;
    io.failop = "fsync";
    r = save(link, "again", io);
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.inplace);
    EXPECT_STREQ(r.step, "fsync");
}

TEST(writewholefile, inplacewhereownerordirectorycannotbekept) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("notes.txt");
    writebytes(file, "old");
    const ino_t inode = lstatof(file).st_ino;

    faultyio owner;
    owner.failop = "fchown";
    owner.failerrno = EPERM;
    saveoutcome r = save(file, "kept owner", owner);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.inplace);
    EXPECT_EQ(readbytes(file), "kept owner");
    EXPECT_EQ(lstatof(file).st_ino, inode);
    EXPECT_EQ(d.names(), (std::set<std::string>{"notes.txt"}));

    faultyio directory;
    directory.failopenpath = ".zhedit-";
    directory.failerrno = EACCES;
    r = save(file, "no new file here", directory);
    EXPECT_TRUE(r.ok);
    EXPECT_TRUE(r.inplace);
    EXPECT_EQ(readbytes(file), "no new file here");
    EXPECT_EQ(lstatof(file).st_ino, inode);

    // Nowhere to make a file that does not exist yet.
    r = save(d.path("absent.txt"), "x", directory);
    EXPECT_FALSE(r.ok);
    EXPECT_STREQ(r.step, "open");
    EXPECT_FALSE(std::filesystem::exists(d.path("absent.txt")));
}

TEST(writewholefile, ownerandgroupkeptwhenreplaced) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("theirs.txt");
    writebytes(file, "old");
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(file.c_str(), 0604), 0);
    const saveoutcome r = save(file, "new");
    EXPECT_TRUE(r.ok);
    EXPECT_FALSE(r.inplace);
    const struct stat st = lstatof(file);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
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
        const saveoutcome r = save(file, "replace");
        EXPECT_FALSE(r.ok);
        EXPECT_STREQ(r.step, "access");
        EXPECT_EQ(readbytes(file), "keep");

        // A writable file in a directory that takes no new file.
        const std::string locked = d.path("locked");
        ASSERT_EQ(mkdir(locked.c_str(), 0700), 0);
        writebytes(locked + "/f.txt", "old");
        ASSERT_EQ(chmod(locked.c_str(), 0500), 0);
        const saveoutcome inplace = save(locked + "/f.txt", "new");
        chmod(locked.c_str(), 0700);
        EXPECT_TRUE(inplace.ok);
        EXPECT_TRUE(inplace.inplace);
        EXPECT_EQ(readbytes(locked + "/f.txt"), "new");
    }

    const std::string sub = d.path("sub");
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    EXPECT_FALSE(save(sub, "x").ok);
    EXPECT_TRUE(std::filesystem::is_directory(sub));

    // A FIFO nobody reads fails at once instead of waiting for a reader.
    const std::string fifo = d.path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const saveoutcome r = save(fifo, "x");
    EXPECT_FALSE(r.ok);
    EXPECT_STREQ(r.step, "open");
}

TEST(replacewholefile, neverinplaceandnopartialfile) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("r.save");
    const std::string text = newtext();
    EXPECT_TRUE(replacewholefile(file.c_str(), bytesof(text), text.size(), 0600).ok);
    EXPECT_EQ(readbytes(file), text);
    EXPECT_EQ(lstatof(file).st_mode & 0777, 0600u);

    // A link put there is replaced, not followed.
    const std::string elsewhere = d.path("elsewhere");
    writebytes(elsewhere, "untouched");
    std::filesystem::remove(file);
    ASSERT_EQ(symlink(elsewhere.c_str(), file.c_str()), 0);
    EXPECT_TRUE(replacewholefile(file.c_str(), bytesof("abc"), 3, 0600).ok);
    EXPECT_FALSE(S_ISLNK(lstatof(file).st_mode));
    EXPECT_EQ(readbytes(file), "abc");
    EXPECT_EQ(readbytes(elsewhere), "untouched");

    faultyio io;
    io.diskroom = 100;
    const saveoutcome r = replacewholefile(file.c_str(), bytesof(text), text.size(), 0600, io);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, ENOSPC);
    EXPECT_EQ(readbytes(file), "abc");
    EXPECT_EQ(d.names(), (std::set<std::string>{"elsewhere", "r.save"}));
}

}  // namespace
