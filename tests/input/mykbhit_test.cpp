#include "input/mykbhit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>
#include <vector>

#include "fuzz/keyreaderfuzz.h"
#include "input/wayout.h"

namespace {

int64_t faketime = 0;

// Puts a non-blocking pipe on standard input, so the reader sees exactly the
// bytes a test writes and nothing when the pipe is empty, and gives it a
// clock that moves only when the test moves it.
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
        faketime = 1000;
    }
    void TearDown() override {
        if (writeend >= 0) close(writeend);
        dup2(savedstdin, 0);
        close(savedstdin);
    }
    void send(const std::string& bytes) {
        ASSERT_EQ(write(writeend, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Every key the reader gives until it has none.
    static std::vector<int64_t> drain(mykbhit& k) {
        std::vector<int64_t> out;
        for (int64_t c; (c = k.kbhit()) != 0;) out.push_back(c);
        return out;
    }
    std::vector<int64_t> keysof(mykbhit& k, const std::string& bytes) {
        send(bytes);
        return drain(k);
    }
};

constexpr int64_t up = 0x415B1B, right = 0x435B1B, home = 0x485B1B, end = 0x465B1B, del = 0x7E335B1B;

// Byte strings and the keys they give; those that start with ESC are sent
// again split after every byte, the rest coming within 50 ms (the same keys)
// or after it (the first part is dropped, a lone ESC being the Escape key).
TEST_F(kbhittest, sequencesreadwholewhateverthesplit) {
    const struct {
        std::string bytes;
        std::vector<int64_t> keys;
    } rows[] = {
        {"\x1b[A", {up}}, {"\x1b[H", {home}}, {"\x1b[F", {end}}, {"\x1b[3~", {del}}, {"\x1b[2~", {0x7E325B1B}},
        {"\x1b[6~", {0x7E365B1B}}, {"\x1b[19~", {0x7E39315B1B}}, {"\x1b[20~", {0x7E30325B1B}},
        {"\x1bOP", {0x504F1B}}, {"\x1bOS", {0x534F1B}}, {"\x1b[[A", {0x415B5B1B}}, {"\x1b[[E", {0x455B5B1B}},
        // With modifiers: the plain key, or nothing for a function key.
        {"\x1b[1;5C", {right}}, {"\x1b[1;2A", {up}}, {"\x1b[1;3H", {home}}, {"\x1b[3;5~", {del}},
        {"\x1b[5;2~", {0x7E355B1B}}, {"\x1b[18;5~", {}}, {"\x1b[19;2~", {}}, {"\x1b[1;5P", {}}, {"\x1bO2P", {}},
        // Application cursor keys and keypad.
        {"\x1bOA", {up}}, {"\x1bOF", {end}}, {"\x1bO5C", {right}}, {"\x1bOp", {'0'}}, {"\x1bOy", {'9'}},
        {"\x1bOM", {'\n'}}, {"\x1bOk", {'+'}}, {"\x1bOn", {'.'}},
        // Alt with a key, mouse reports, and sequences of no key.
        {"\x1bx", {}}, {"\x1b\x7f", {}}, {"\x1b\x01", {}}, {"\x1b[M !!", {}}, {"\x1b[M\x1b\x1b\x1b", {}},
        {"\x1b[<0;10;20M", {}}, {"\x1b[<0;10;20m", {}}, {"\x1b[200~", {}}, {"\x1b[Z", {}}, {"\x1b[ q", {}},
        {"\x1b[[x", {}},
        // Not split: Escape, then a key; a sequence cut short by a byte that
        // belongs to none; Ctrl-H and a Chinese character as they are; NUL.
        {"\x1b\x1b[A", {27, up}}, {"\x1b[1;\xD6\xD0", {0xD6, 0xD0}}, {"\x08\xB0\xA1", {8, 0xB0, 0xA1}},
        {std::string("\0a", 2), {'a'}},
    };
    mykbhit k;
    k.clock = [] { return faketime; };
    EXPECT_EQ(k.kbhit(), 0);
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.bytes));
        EXPECT_EQ(keysof(k, r.bytes), r.keys);
        EXPECT_EQ(k.klen, 0);
        if (r.bytes[0] != 27 || r.keys.size() > 1) continue;
        for (size_t at = 1; at < r.bytes.size(); ++at) {
            SCOPED_TRACE(at);
            const std::string first = r.bytes.substr(0, at), rest = r.bytes.substr(at);
            EXPECT_TRUE(keysof(k, first).empty());
            EXPECT_EQ(k.deadline(), faketime + mykbhit::sequencewait);
            faketime += mykbhit::sequencewait - 1;
            EXPECT_TRUE(drain(k).empty());
            ASSERT_TRUE(k.unfinished());
            EXPECT_EQ(keysof(k, rest), r.keys);
            EXPECT_EQ(k.deadline(), -1);
            EXPECT_TRUE(keysof(k, first).empty());
            faketime += mykbhit::sequencewait;
            EXPECT_EQ(drain(k), at == 1 ? std::vector<int64_t>{27} : std::vector<int64_t>{});
            EXPECT_EQ(k.klen, 0) << "dropped whole";
            keysof(k, rest);  // read anew, as keys of their own
            faketime += mykbhit::sequencewait;
            drain(k);
        }
    }
}

// The loop's sleep ends at once while whole keys or input are pending, when
// the rest of a sequence is due, and when the terminal hangs up, which counts
// as SIGHUP. (Were it to sleep instead, the test would hang.)
TEST_F(kbhittest, waitendsforkeysthesequencesdeadlineandahangup) {
    mykbhit k;
    k.clock = [] { return faketime; };
    send("ab");
    EXPECT_EQ(k.kbhit(), 'a');
    k.wait();
    EXPECT_EQ(k.kbhit(), 'b');
    send("\x1b");
    EXPECT_EQ(k.kbhit(), 0);
    faketime += mykbhit::sequencewait;
    k.wait();
    EXPECT_EQ(k.kbhit(), 27);
    send("c");
    k.wait();
    EXPECT_EQ(k.kbhit(), 'c');
    close(writeend);
    writeend = -1;
    k.wait();
    EXPECT_EQ(wayout::pendingendsignal(), SIGHUP);
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

TEST(keyparse, randombytesreadassequencesandkeys) {
    std::mt19937 random(12345);
    // Bytes biased towards the ones that start, continue and end sequences.
    const unsigned char interesting[] = {27, 27, '[', 'O', '~', ';', '1', '5', 'A', 'M', 'p', '<', ' ', 0, 0x80, 0xFF};
    for (int round = 0; round < 20000; ++round) {
        unsigned char buf[40];
        const size_t n = random() % sizeof buf;
        for (size_t i = 0; i < n; ++i)
            buf[i] = random() % 2 ? interesting[random() % sizeof interesting] : static_cast<unsigned char>(random());
        checkkeyparse(buf, n);
    }
    EXPECT_EQ(mykbhit::parsekey(nullptr, 0).used, 0);
}

}  // namespace
