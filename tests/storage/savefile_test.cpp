#include "storage/savefile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <string>

#include "tests/storage/faultyio.h"
#include "tests/storage/scratchdir.h"

namespace {

using names = std::set<std::string>;

const unsigned char* bytesof(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

fileidentity identityat(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? identityof(st) : fileidentity();
}

// Saves over the file as it is now, as the editor does over the file it loaded.
saveoutcome save(const std::string& path, const std::string& text, fileio& io = systemfileio()) {
    return writewholefile(path.c_str(), bytesof(text), text.size(), identityat(path), io);
}

// A text long enough to take several writes, with two-byte characters and CR LF.
std::string newtext() {
    std::string s;
    for (int i = 0; i < 3000; ++i) s += "line \xD6\xD0\xCE\xC4 " + std::to_string(i) + "\r\n";
    return s;
}

TEST(writewholefile, replacesthefilekeepingwhatithad) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("notes.txt");
    writebytes(file, "old\n");
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    const bool attributes = setxattr(file.c_str(), "user.kept", "yes", 3, 0) == 0;
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
    EXPECT_EQ(r.identity, identityat(file));
    char value[8] = {};
    if (attributes) { EXPECT_EQ(getxattr(file.c_str(), "user.kept", value, sizeof value), 3); }
    EXPECT_TRUE(save(file, "").ok);
    EXPECT_EQ(readbytes(file), "");
    if (geteuid() == 0) {  // only root can give a file to another user
        ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        EXPECT_TRUE(save(file, "new").ok);
        EXPECT_EQ(lstatof(file).st_uid, 65534u);
        EXPECT_EQ(lstatof(file).st_mode & 07777, 0640u);
    }

    const mode_t old = umask(022);
    EXPECT_TRUE(save(d.path("new.txt"), "abc\r\n").ok);
    umask(old);
    EXPECT_EQ(lstatof(d.path("new.txt")).st_mode & 07777, 0644u) << "a new file gets the default mode";
    EXPECT_EQ(d.names(), (names{"new.txt", "notes.txt"}));
}

// The file a chain of links names is saved; every link stays a link.
TEST(writewholefile, followslinksandkeepsthem) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    ASSERT_EQ(mkdir(d.path("sub").c_str(), 0700), 0);
    writebytes(d.path("sub/target.txt"), "old");
    ASSERT_EQ(symlink("sub/target.txt", d.path("relative").c_str()), 0);
    ASSERT_EQ(symlink(d.path("relative").c_str(), d.path("absolute").c_str()), 0);
    ASSERT_EQ(symlink("missing.txt", d.path("sub/dangling").c_str()), 0);
    ASSERT_EQ(symlink("loop", d.path("loop").c_str()), 0);
    EXPECT_TRUE(save(d.path("absolute"), "through two links").ok);
    EXPECT_EQ(readbytes(d.path("sub/target.txt")), "through two links");
    EXPECT_TRUE(save(d.path("sub/dangling"), "made").ok);
    EXPECT_EQ(readbytes(d.path("sub/missing.txt")), "made");
    for (const char* link : {"relative", "absolute", "sub/dangling"}) EXPECT_TRUE(S_ISLNK(lstatof(d.path(link)).st_mode));
    const saveoutcome loop = save(d.path("loop"), "x");
    EXPECT_FALSE(loop.ok);
    EXPECT_EQ(loop.error, ELOOP);
    EXPECT_EQ(d.names(), (names{"absolute", "loop", "relative", "sub"}));
}

// Where the new file could not be what the old one was, or other names
// share the file, the file is rewritten where it is.
TEST(writewholefile, inplacewherearenamewouldchangethefile) {
    const struct {
        const char* why;
        faultyio::rule fault;
    } cases[] = {
        {"hard link", {}},
        {"directory takes no new file", {"open", ".zhedit-new", 1, 1, EACCES}},
        {"owner cannot be kept", {"fchown", "", 1, 1, EPERM}},
        {"attribute cannot be kept", {"fsetxattr", "", 1, 1, EPERM}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        scratchdir d;
        ASSERT_TRUE(d.ok());
        const std::string file = d.path("notes.txt");
        writebytes(file, "old");
        if (c.fault.op.empty()) { ASSERT_EQ(link(file.c_str(), d.path("other.txt").c_str()), 0); }
        if (c.fault.op == "fsetxattr" && setxattr(file.c_str(), "user.kept", "yes", 3, 0) != 0) continue;
        const ino_t inode = lstatof(file).st_ino;
        faultyio io(c.fault);
        const saveoutcome r = save(file, newtext(), io);
        EXPECT_TRUE(r.ok && r.inplace) << r.step;
        EXPECT_EQ(readbytes(file), newtext());
        EXPECT_EQ(lstatof(file).st_ino, inode);
        EXPECT_EQ(r.identity, identityat(file));
        EXPECT_EQ(d.names().size(), c.fault.op.empty() ? 2u : 1u) << "no copy or temporary file is left";
    }
}

// Each step failing in turn leaves the file's old bytes and no stray file; a
// restore that fails too leaves them in the copy it names.
TEST(writewholefile, everyfailingstepleavestheoldbytes) {
    const struct {
        bool hardlink;  // rewritten in place
        faultyio::rule fault;
        const char* step;
    } cases[] = {
        {false, {"open", ".zhedit-new", 1, 1, EIO}, "open"},
        {false, {"write", ".zhedit-new", 2, 1, ENOSPC}, "write"},
        {false, {"fsync", ".zhedit-new", 1, 1, EIO}, "fsync"},
        {false, {"close", ".zhedit-new", 1, 1, EIO}, "close"},
        {false, {"rename", "", 1, 1, EXDEV}, "rename"},
        {true, {"open", ".zhedit-old", 1, 0, ENOSPC}, "copy"},
        {true, {"fallocate", "", 1, 1, ENOSPC}, "reserve"},
        {true, {"write", "/notes.txt", 2, 1, ENOSPC}, "write"},
        {true, {"ftruncate", "/notes.txt", 1, 1, EIO}, "truncate"},
        {true, {"fsync", "/notes.txt", 1, 1, EIO}, "fsync"},
        {true, {"fsync", "/notes.txt", 1, 2, EIO}, "fsync"},  // the first restore's flush fails too
        {true, {"write", "/notes.txt", 1, 0, EIO}, "write"},  // and the restore cannot write
    };
    const std::string original = "the original\r\n\xD6\xD0\r\n";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.step) + " " + c.fault.op + " from " + std::to_string(c.fault.at));
        scratchdir d;
        ASSERT_TRUE(d.ok());
        const std::string file = d.path("notes.txt");
        writebytes(file, original);
        if (c.hardlink) { ASSERT_EQ(link(file.c_str(), d.path("other.txt").c_str()), 0); }
        faultyio io(c.fault);
        io.chunk = 1000;  // several writes, so that a later one fails half-way
        const saveoutcome r = save(file, newtext(), io);
        EXPECT_FALSE(r.ok);
        EXPECT_STREQ(r.step, c.step);
        EXPECT_EQ(r.error, c.fault.error);
        const bool restorefailed = c.fault.op == "write" && c.fault.count == 0;
        EXPECT_EQ(r.oldcopy.empty(), !restorefailed);
        names expected{"notes.txt"};
        if (c.hardlink) expected.insert("other.txt");
        if (restorefailed) {
            expected.insert(r.oldcopy.substr(d.dir.size() + 1));
            EXPECT_EQ(readbytes(r.oldcopy), original);
            EXPECT_EQ(r.oldcopy.substr(0, d.path(".notes.txt.zhedit-old-").size()), d.path(".notes.txt.zhedit-old-"));
        } else {
            EXPECT_EQ(readbytes(file), original);
            if (c.hardlink) { EXPECT_EQ(r.identity, identityat(file)) << "the caller knows the file as it is now"; }
        }
        EXPECT_EQ(d.names(), expected);
    }
}

// The copy of the old bytes goes to the first spare place that takes it;
// with none, the file is not touched.
TEST(writewholefile, oldbytesgotoaspareplace) {
    scratchdir d, spare;
    ASSERT_TRUE(d.ok() && spare.ok());
    const std::string file = d.path("notes.txt");
    writebytes(file, "old");
    ASSERT_EQ(link(file.c_str(), d.path("other.txt").c_str()), 0);
    faultyio io({"open", d.path(".notes.txt.zhedit-old"), 1, 0, EDQUOT});
    io.rules.push_back({"ftruncate", "", 1, 0, EIO});  // the restore fails: the copy stays
    io.places = {d.path("none"), spare.dir};
    const saveoutcome r = save(file, "new", io);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(spare.names().size(), 1u);
    EXPECT_EQ(r.oldcopy, spare.path(*spare.names().begin()));
    EXPECT_EQ(readbytes(r.oldcopy), "old");
    io.places.clear();
    const saveoutcome nowhere = save(file, "new", io);
    EXPECT_STREQ(nowhere.step, "copy");
    EXPECT_EQ(nowhere.error, EDQUOT);
}

// Only the file that was seen is written: a change on disk, a file created
// since it was seen missing, or another file behind the link is reported
// with what was found, and a path that names no regular file is refused.
TEST(writewholefile, writesonlythefileexpected) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("notes.txt"), link = d.path("link");
    writebytes(file, "old");
    writebytes(d.path("other.txt"), "other");
    ASSERT_EQ(symlink("notes.txt", link.c_str()), 0);
    const fileidentity seen = identityat(file);
    const timeval later[2] = {{1000, 0}, {1000, 0}};
    const struct {
        const char* change;
        std::string path;
        fileidentity expected;
        void (*make)(scratchdir&);
    } cases[] = {
        {"size", file, seen, [](scratchdir& s) { writebytes(s.path("notes.txt"), "longer"); }},
        {"time", file, seen, [](scratchdir&) {}},
        {"created", d.path("new.txt"), fileidentity(), [](scratchdir& s) { writebytes(s.path("new.txt"), "new"); }},
        {"link", link, seen, [](scratchdir& s) {
             unlink(s.path("link").c_str());
             symlink("other.txt", s.path("link").c_str());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        writebytes(file, "old");
        const fileidentity expected = c.expected.exists ? identityat(file) : c.expected;
        c.make(d);
        if (std::string(c.change) == "time") { ASSERT_EQ(utimes(file.c_str(), later), 0); }
        const std::string before = readbytes(c.path);
        const saveoutcome r = writewholefile(c.path.c_str(), bytesof("mine"), 4, expected);
        EXPECT_FALSE(r.ok);
        EXPECT_STREQ(r.step, "changed");
        EXPECT_EQ(r.identity, identityat(c.path));
        EXPECT_EQ(readbytes(c.path), before);
        EXPECT_TRUE(writewholefile(c.path.c_str(), bytesof("mine"), 4, r.identity).ok) << "with what was found";
        EXPECT_EQ(readbytes(c.path), "mine");
    }
    ASSERT_EQ(unlink(file.c_str()), 0);
    EXPECT_TRUE(writewholefile(file.c_str(), bytesof("again"), 5, seen).ok) << "a removed file is made again";
    EXPECT_EQ(readbytes(file), "again");

    ASSERT_EQ(mkfifo(d.path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(d.path("dir").c_str(), 0700), 0);
    for (const char* other : {"fifo", "dir"}) {
        const saveoutcome r = writewholefile(d.path(other).c_str(), bytesof("x"), 1, identityat(d.path(other)));
        EXPECT_STREQ(r.step, "kind") << other;
    }
    EXPECT_FALSE(writewholefile("", bytesof("x"), 1, seen).ok);
    EXPECT_FALSE(writewholefile(nullptr, bytesof("x"), 1, seen).ok);
    EXPECT_FALSE(writewholefile(file.c_str(), nullptr, 1, seen).ok);
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
