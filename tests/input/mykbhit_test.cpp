#include "input/mykbhit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "fuzz/keyreaderfuzz.h"

namespace {

// Puts a non-blocking pipe on standard input, so the reader sees exactly the
// bytes a test writes and nothing when the pipe is empty.
class kbhittest : public ::testing::Test {
protected:
    int savedstdin = -1;
    int writeend = -1;

    void SetUp() override {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        savedstdin = dup(0);
        dup2(fds[0], 0);
        close(fds[0]);
        writeend = fds[1];
    }
    void TearDown() override {
        close(writeend);
        dup2(savedstdin, 0);
        close(savedstdin);
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(write(writeend, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    static std::vector<int64_t> drain(mykbhit& k, int calls) {
        std::vector<int64_t> out(size_t(calls), 0);
        for (int64_t& c : out) c = k.kbhit();
        return out;
    }
};

TEST_F(kbhittest, singlebytesandrecognisedsequences) {
    mykbhit k;
    EXPECT_EQ(k.kbhit(), 0);
    const std::pair<std::string, int64_t> keys[] = {
        {"\x1b", 27},           {"\x1b[A", 0x415B1B},          {"\x1bOP", 0x504F1B},          {"\x1b[3~", 0x7E335B1B},
        {"\x1b[2~", 0x7E325B1B}, {"\x1b[[A", 0x415B5B1B},       {"\x1b[15~", 0x7E35315B1B},    {"\x1b[19~", 0x7E39315B1B},
        {std::string("\0", 1), 0},  // a NUL byte is indistinguishable from no key
    };
    for (const auto& [bytes, code] : keys) {
        send(bytes);
        EXPECT_EQ(k.kbhit(), code) << bytes.substr(1);
        EXPECT_EQ(k.klen, 0);
    }
    send("\xB0\xA1");
    EXPECT_EQ(drain(k, 3), (std::vector<int64_t>{0xB0, 0xA1, 0}));
    send("\x1b[[");  // cut short by the end of the pending bytes: only those are taken
    EXPECT_EQ(k.kbhit(), 0x5B5B1B);
    EXPECT_EQ(k.klen, 0);
}

TEST_F(kbhittest, unknownandsplitsequencesfallbacktosinglebytes) {
    mykbhit k;
    send("\x1bx");  // Alt-x
    EXPECT_EQ(drain(k, 3), (std::vector<int64_t>{27, 'x', 0}));
    send("\x1b[1;5A");  // a modified cursor key
    EXPECT_EQ(drain(k, 7), (std::vector<int64_t>{27, '[', '1', ';', '5', 'A', 0}));
    send("\x1b[1");  // F8 split across two reads is not F8
    EXPECT_EQ(k.kbhit(), 27);
    send("9~");
    EXPECT_EQ(drain(k, 4), (std::vector<int64_t>{'[', '1', '9', '~'}));
}

TEST_F(kbhittest, pendingbufferneverfillsitszerotail) {
    mykbhit k;
    // Far more input than the buffer holds arrives while keys are taken
    // one at a time: the pending count stops short of the zero tail.
    fcntl(writeend, F_SETFL, O_NONBLOCK);
    const std::string chunk(4096, 'z');
    int sent = 0, taken = 0, maxpending = 0;
    for (int round = 0; round < 2000; ++round) {
        const ssize_t n = write(writeend, chunk.data(), chunk.size());
        if (n > 0) sent += int(n);
        if (k.kbhit() == 'z') ++taken;
        maxpending = std::max(maxpending, k.klen);
        ASSERT_LE(k.klen, mykbhit::bufsize - mykbhit::zerotail);
        for (int i = 0; i < mykbhit::zerotail; ++i) ASSERT_EQ(k.kbuf[k.klen + i], 0);
    }
    EXPECT_GE(maxpending, mykbhit::bufsize - mykbhit::zerotail - mykbhit::readsize);
    EXPECT_GT(taken, 0);
}


TEST(keyparse, everybytecomesoutonceinorder) {
    std::mt19937 random(12345);
    // Bytes biased towards the ones that start and end sequences.
    const unsigned char interesting[] = {27, '[', 'O', '~', '1', '5', 'A', 'Z', '[', 0, 0x80, 0xFF};
    for (int round = 0; round < 20000; ++round) {
        unsigned char buf[40];
        const size_t n = random() % sizeof buf;
        for (size_t i = 0; i < n; ++i)
            buf[i] = random() % 2 ? interesting[random() % sizeof interesting] : static_cast<unsigned char>(random());
        checkkeyparse(buf, n);
    }
    int used = -1;
    EXPECT_EQ(mykbhit::parsekey(nullptr, 0, used), 0);
    EXPECT_EQ(used, 0);
}

}  // namespace
