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

// Files this process must neither read nor rewrite: each is set up with
// private text behind it, a run copies something, and everything stays.
TEST(clipbd, leavesalonewhatisnotitsownplainfile) {
    struct kind {
        const char* name;
        bool needsroot;
        int (*make)(const std::string& clip, const std::string& secret);
    };
    const kind kinds[] = {
        {"symbolic link", false, [](const std::string& c, const std::string& s) { return symlink(s.c_str(), c.c_str()); }},
        {"dangling link", false, [](const std::string& c, const std::string& s) {
             return unlink(s.c_str()) | symlink(s.c_str(), c.c_str()); }},
        {"second hard link", false, [](const std::string& c, const std::string& s) { return link(s.c_str(), c.c_str()); }},
        {"directory", false, [](const std::string& c, const std::string&) { return mkdir(c.c_str(), 0700); }},
        {"FIFO", false, [](const std::string& c, const std::string&) { return mkfifo(c.c_str(), 0600); }},
        {"another user's file", true, [](const std::string& c, const std::string&) {
             writebytes(c, "theirs");
             return chown(c.c_str(), 65534, 65534); }},
    };
    for (const kind& k : kinds) {
        SCOPED_TRACE(k.name);
        if (k.needsroot && geteuid() != 0) continue;  // only root can give a file away
        scratchdir d;
        ASSERT_TRUE(d.ok());
        const std::string clip = d.path("clip.txt"), secret = d.path("secret");
        writebytes(secret, "private text");
        ASSERT_EQ(k.make(clip, secret), 0);
        const auto before = d.names();
        const struct stat was = lstatof(clip);
        const std::string content = S_ISREG(was.st_mode) ? readbytes(clip) : "";
        {
            clipbd c(clip.c_str());  // a FIFO must not hang here
            EXPECT_EQ(held(c), "");
            EXPECT_TRUE(set(c, "copied"));
        }
        EXPECT_EQ(d.names(), before);
        if (before.count("secret") != 0) {
            EXPECT_EQ(readbytes(secret), "private text");
        }
        EXPECT_EQ(lstatof(clip).st_mode, was.st_mode);
        if (S_ISREG(was.st_mode)) {
            EXPECT_EQ(readbytes(clip), content);
        }
    }
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
