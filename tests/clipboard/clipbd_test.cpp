#include "clipboard/clipbd.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "editor/scratchdir.h"

// The unit tests' own store: in memory, never the user's clipboard file.
clipbd clipboard(nullptr);

namespace {

std::string held(clipbd& c) {
    unsigned long n = 99;
    const unsigned char* p = c.getdata(n);
    EXPECT_EQ(n, c.cliplen);
    return std::string(reinterpret_cast<const char*>(p), n);
}

bool set(clipbd& c, const std::string& bytes) {
    return c.setdata(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

TEST(clipbd, roundtripthroughitsfile) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("clip.txt");
    const std::string bytes("\xD6\xD0\r\nab\0", 7);  // 中, CR LF, ab, the editor's zero
    {
        clipbd c(file.c_str());
        EXPECT_EQ(held(c), "");  // no file yet
        EXPECT_TRUE(set(c, bytes));
        EXPECT_EQ(held(c), bytes);
        EXPECT_EQ(readbytes(file), "");  // written at exit only
    }
    EXPECT_EQ(readbytes(file), bytes);
    EXPECT_EQ(lstatof(file).st_mode & 0777, 0600u);
    {
        clipbd c(file.c_str());
        EXPECT_EQ(held(c), bytes);
        EXPECT_TRUE(set(c, ""));
    }
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(readbytes(file), "");

    // Nothing stored in a run that found no file: exit leaves an empty file.
    const std::string fresh = d.path("fresh.txt");
    { clipbd c(fresh.c_str()); }
    EXPECT_TRUE(std::filesystem::exists(fresh));
    EXPECT_EQ(readbytes(fresh), "");

    // A file of ours that others could read is made private when rewritten.
    writebytes(file, "old");
    chmod(file.c_str(), 0644);
    {
        clipbd c(file.c_str());
        EXPECT_EQ(held(c), "old");
    }
    EXPECT_EQ(readbytes(file), "old");
    EXPECT_EQ(lstatof(file).st_mode & 0777, 0600u);
}

TEST(clipbd, neverfollowsalinknorusesafilewithothernames) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string secret = d.path("secret");
    writebytes(secret, "private text");
    const std::string link = d.path("clip.txt");
    ASSERT_EQ(symlink(secret.c_str(), link.c_str()), 0);
    {
        clipbd c(link.c_str());
        EXPECT_EQ(held(c), "");
        EXPECT_TRUE(set(c, "copied"));
    }
    EXPECT_EQ(readbytes(secret), "private text");
    EXPECT_TRUE(S_ISLNK(lstatof(link).st_mode));

    // A dangling link is not followed to make a file either.
    const std::string dangling = d.path("dangling");
    ASSERT_EQ(symlink(d.path("made").c_str(), dangling.c_str()), 0);
    {
        clipbd c(dangling.c_str());
        set(c, "copied");
    }
    EXPECT_FALSE(std::filesystem::exists(d.path("made")));

    // A second hard link may be any file of the user's.
    const std::string linked = d.path("linked");
    ASSERT_EQ(::link(secret.c_str(), linked.c_str()), 0);
    {
        clipbd c(linked.c_str());
        EXPECT_EQ(held(c), "");
        set(c, "copied");
    }
    EXPECT_EQ(readbytes(secret), "private text");
}

TEST(clipbd, otherkindsoffilearelefttostand) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string dir = d.path("adir");
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    {
        clipbd c(dir.c_str());
        EXPECT_EQ(held(c), "");
        set(c, "x");
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir));

    // A FIFO neither hangs the start nor the exit.
    const std::string fifo = d.path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    {
        clipbd c(fifo.c_str());
        EXPECT_EQ(held(c), "");
        set(c, "x");
    }
    EXPECT_TRUE(S_ISFIFO(lstatof(fifo).st_mode));
}

TEST(clipbd, refusesafileofanotheruser) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("clip.txt");
    writebytes(file, "theirs");
    ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
    {
        clipbd c(file.c_str());
        EXPECT_EQ(held(c), "");
        EXPECT_TRUE(set(c, "mine"));
    }
    EXPECT_EQ(readbytes(file), "theirs");
    EXPECT_EQ(lstatof(file).st_uid, 65534u);
}

TEST(clipbd, oversizedfileisneitherloadednorrewrittenunlesssomethingiscopied) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("clip.txt");
    const std::string big(clipbd::capacity + 1, 'b');
    writebytes(file, big);
    {
        clipbd c(file.c_str());
        EXPECT_EQ(c.cliplen, 0u);
    }
    EXPECT_EQ(readbytes(file), big);
    {
        clipbd c(file.c_str());
        EXPECT_TRUE(set(c, "cut"));
    }
    EXPECT_EQ(readbytes(file), "cut");

    // Exactly the capacity is loaded whole and written back whole.
    std::string full(clipbd::capacity, 'f');
    full[0] = 'F';
    full.back() = 'L';
    writebytes(file, full);
    {
        clipbd c(file.c_str());
        EXPECT_EQ(c.cliplen, clipbd::capacity);
        EXPECT_EQ(c.clipbuf[clipbd::capacity - 1], 'L');
    }
    EXPECT_EQ(readbytes(file), full);
}

TEST(clipbd, setdatanevergoespastthebuffer) {
    clipbd c(nullptr);
    ASSERT_TRUE(set(c, "keep"));
    std::unique_ptr<unsigned char[]> big(new unsigned char[clipbd::capacity + 1]());
    EXPECT_FALSE(c.setdata(big.get(), clipbd::capacity + 1));
    EXPECT_FALSE(c.setdata(big.get(), ~0ul));
    EXPECT_FALSE(c.setdata(nullptr, 3));
    EXPECT_EQ(held(c), "keep");
    EXPECT_TRUE(c.setdata(big.get(), clipbd::capacity));
    EXPECT_EQ(c.cliplen, clipbd::capacity);
    EXPECT_TRUE(c.setdata(nullptr, 0));
    EXPECT_EQ(c.cliplen, 0u);

    // Bytes handed back from the store itself.
    ASSERT_TRUE(set(c, "abcdef"));
    EXPECT_TRUE(c.setdata(c.clipbuf + 2, 4));
    EXPECT_EQ(held(c), "cdef");

    // The free functions reach the program's store.
    const unsigned char ab[] = {'a', 0xB0};
    EXPECT_TRUE(setclipdata(ab, 2));
    EXPECT_FALSE(setclipdata(ab, clipbd::capacity + 1));
    unsigned long n = 0;
    const unsigned char* p = getclipdata(n);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(std::memcmp(p, ab, 2), 0);
}

TEST(clipbd, skippedexitwriteandunusablepathsleavethefile) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("clip.txt");
    writebytes(file, "before");
    {
        clipbd c(file.c_str());
        set(c, "after");
        c.skipexitwrite();
        set(c, "again");
    }
    EXPECT_EQ(readbytes(file), "before");

    // A path longer than the store keeps is not cut to another file's name.
    const std::string longpath = d.dir + "/" + std::string(clipbd::pathsize, 'x');
    clipbd c(longpath.c_str());
    EXPECT_EQ(held(c), "");
    EXPECT_TRUE(set(c, "memory"));
}

}  // namespace
