#include "clipboard/clipbd.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/storage/scratchdir.h"

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

// Written at each copy, whole and private, never at exit; read again when
// another run has written it since.
TEST(clipbd, everycopygoestothefileandeveryrunpastesthelatest) {
    scratchdir d;
    ASSERT_TRUE(d.ok());
    const std::string file = d.path("clip.txt");
    const std::string bytes("\xD6\xD0\r\nab\0", 7);  // 中, CR LF, ab, the editor's zero
    clipbd first(file.c_str()), second(file.c_str());
    EXPECT_TRUE(set(first, bytes));
    EXPECT_EQ(first.writeerror, 0);
    EXPECT_EQ(readbytes(file), bytes);
    EXPECT_EQ(lstatof(file).st_mode & 0777, 0600u);
    EXPECT_EQ(held(second), bytes);
    EXPECT_TRUE(set(second, "later"));
    EXPECT_EQ(held(first), "later");
    {
        clipbd third(file.c_str());
        EXPECT_EQ(held(third), "later");
        third.cliplen = 1;  // what it would write at exit
    }
    EXPECT_EQ(readbytes(file), "later") << "nothing is written at exit";
    EXPECT_EQ(d.names(), std::set<std::string>{"clip.txt"});
}

// Files this process must neither read nor rewrite (a link to a file is
// checked end to end): each is set up with private text behind it, a run
// copies something, and everything stays.
TEST(clipbd, leavesalonewhatisnotitsownplainfile) {
    using maker = int (*)(const std::string& clip, const std::string& secret);
    const std::pair<const char*, maker> kinds[] = {
        {"dangling link", [](const std::string& c, const std::string& s) { return unlink(s.c_str()) | symlink(s.c_str(), c.c_str()); }},
        {"second hard link", [](const std::string& c, const std::string& s) { return link(s.c_str(), c.c_str()); }},
        {"directory", [](const std::string& c, const std::string&) { return mkdir(c.c_str(), 0700); }},
        {"FIFO", [](const std::string& c, const std::string&) { return mkfifo(c.c_str(), 0600); }},
        {"another user's file", [](const std::string& c, const std::string&) {  // only root can give it away
             writebytes(c, "theirs");
             return geteuid() == 0 ? chown(c.c_str(), 65534, 65534) : -2; }},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.first);
        scratchdir d;
        ASSERT_TRUE(d.ok());
        const std::string clip = d.path("clip.txt"), secret = d.path("secret");
        writebytes(secret, "private text");
        const int made = k.second(clip, secret);
        if (made == -2) continue;
        ASSERT_EQ(made, 0);
        const auto before = d.names();
        const struct stat was = lstatof(clip);
        const std::string content = S_ISREG(was.st_mode) ? readbytes(clip) : "";
        {
            clipbd c(clip.c_str());  // a FIFO must not hang here
            EXPECT_EQ(held(c), "");
            EXPECT_TRUE(set(c, "copied"));
            EXPECT_NE(c.writeerror, 0) << "the copy is held, and the failed write is told";
            EXPECT_EQ(held(c), "copied");
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
    clipbd c(file.c_str());
    EXPECT_EQ(c.cliplen, 0u);
    EXPECT_TRUE(readbytes(file) == big);
    EXPECT_TRUE(set(c, "cut"));
    EXPECT_EQ(readbytes(file), "cut");

    // Exactly the capacity is loaded whole.
    std::string full(clipbd::capacity, 'f');
    full.back() = 'L';
    writebytes(file, full);
    unsigned long n = 0;
    EXPECT_EQ(c.getdata(n)[n - 1], 'L');
    EXPECT_EQ(n, clipbd::capacity);
}

TEST(clipbd, setdatanevergoespastthebuffer) {
    clipbd c(nullptr);
    ASSERT_TRUE(set(c, "keep"));
    std::unique_ptr<unsigned char[]> big(new unsigned char[clipbd::capacity + 1]());
    EXPECT_FALSE(c.setdata(big.get(), clipbd::capacity + 1));
    EXPECT_FALSE(c.setdata(big.get(), ~0ul));
    EXPECT_FALSE(c.setdata(nullptr, 3));
    EXPECT_FALSE(setclipdata(big.get(), clipbd::capacity + 1));
    EXPECT_EQ(held(c), "keep");
    EXPECT_TRUE(c.setdata(big.get(), clipbd::capacity));
    EXPECT_EQ(c.cliplen, clipbd::capacity);

    // Bytes handed back from the store itself.
    ASSERT_TRUE(set(c, "abcdef"));
    EXPECT_TRUE(c.setdata(c.clipbuf + 2, 4));
    EXPECT_EQ(held(c), "cdef");

    // A path longer than the store keeps is not cut to another file's name
    // (here "c" in the directory).
    scratchdir d;
    ASSERT_TRUE(d.ok());
    {
        clipbd longpath((d.dir + std::string(clipbd::pathsize - 2 - d.dir.size(), '/') + "clip.txt").c_str());
        EXPECT_TRUE(set(longpath, "memory"));
    }
    EXPECT_TRUE(d.names().empty());
}

}  // namespace
