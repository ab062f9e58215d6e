#include <cstring>
#include <random>

#include "clipboard/clipbd.h"
#include "editor/normaliser.h"
#include "editorfixture.h"

namespace {

class editing : public editorfixture {
protected:
    void SetUp() override {
        editorfixture::SetUp();
        clipboard.setdata(nullptr, 0);
    }
    std::string clip() {
        unsigned long n = 0;
        const unsigned char* p = getclipdata(n);
        return std::string(reinterpret_cast<const char*>(p), n);
    }
    void select(int from, int to) {
        at(from);
        key(keyf3);
        for (int i = 0; i < 2 * (to - from) && cursor() < to; ++i) key(keyright);
    }
    // '\r' is the Enter key, '\x7f' the Delete key; other bytes are typed.
    void act(const std::string& s) {
        for (char c : s) c == '\r' ? key(keyenter) : c == '\x7f' ? key(keydelete) : type(std::string(1, c));
    }
};

std::string normalised(const std::string& s) {
    const unsigned char* t = tfileter(reinterpret_cast<const unsigned char*>(s.data()), int(s.size()));
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
}

TEST(normaliser, makescrlflineendsandwholecharacters) {
    EXPECT_EQ(normalised("a\r\r\nb"), "a\r\nb");
    EXPECT_EQ(normalised("a\nb"), "a\r\nb");
    EXPECT_EQ(normalised("a\rb"), "ab");
    EXPECT_EQ(normalised("\xB0x"), "\xB0\xB0x");
    EXPECT_EQ(normalised("\xB0\xA1\xB0"), "\xB0\xA1\xB0\xB0");
    unsigned char out[2];
    const normaliseresult r = normalise(reinterpret_cast<const unsigned char*>("a\r\nb"), 4, true, out, 2);
    EXPECT_TRUE(r.full);
    EXPECT_EQ(r.written, 1u) << "a full output never ends between CR and LF";
}

TEST_F(editing, operationsonsmalltexts) {
    const struct {
        std::string start;
        int at;
        std::string actions, want;
        int cursor;  // -1: not checked
    } rows[] = {
        {"ab", 1, "\xD6", "ab", -1},                      // a first byte waits for its second
        {"ab", 1, zhong, "a" + zhong + "b", 3},
        {"ab", 1, "\xA3\xA0", "ab", 1},                   // the full-width space pair is dropped
        {"ab", 1, "\xD6x", "axb", 2},                     // a one-byte character drops a waiting byte
        {"ab", 1, "\r", "a\r\nb", 3},
        {"ab\r\ncd", 3, "\r", "ab\r\n\r\ncd", 5},         // Enter on a line end adds an empty line
        {"ab\r\ncd", 3, "\rx", "ab\r\nx\r\ncd", -1},  // typed at a line end: before its CR
        {"a\r\n\r\n", 5, "\b\r", "a\r\n\r\n", 5},         // no stale CR read past the end
        {"a" + zhong + "b\r\ncd", 0, "\x7f", zhong + "b\r\ncd", 0},
        {zhong + "b\r\ncd", 0, "\x7f", "b\r\ncd", 0},
        {"b\r\ncd", 2, "\x7f", "bcd", 1},                 // Delete on a line end joins lines
        {"bcd", 3, "\x7f", "bcd", 3},
        {zhong + "a\r\nb", 5, "\b", zhong + "ab", 3},     // Backspace at a line start takes the CR LF
        {zhong + "ab", 2, "\b", "ab", 0},
        // On a line end: the line's last character, or on an empty line the
        // line end before it; at the start of the text nothing.
        {"abc\r\ndef\r\n", 4, "\b", "ab\r\ndef\r\n", 3},
        {zhong + "\r\nb", 3, "\b", "\r\nb", 1},
        {"abc\r\n\r\ndef", 6, "\b", "abc\r\ndef", 4},
        {"\r\nb", 1, "\b", "\r\nb", 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.start) + " at " + std::to_string(r.at) + testing::PrintToString(r.actions));
        ed.forgetpendingbyte();
        load(r.start);
        at(r.at);
        act(r.actions);
        EXPECT_EQ(text(), r.want);
        if (r.cursor >= 0) {
            EXPECT_EQ(cursor(), r.cursor);
        }
    }
}

// A bare LF (no editing makes one) never takes the byte before it along.
TEST_F(editing, barelinefeedsgoalone) {
    const auto raw = [&](const std::string& t) {
        std::memcpy(ed.content, t.data(), t.size());
        ed.contlth = int(t.size());
        ed.setpara();
    };
    raw(zhong + "\nb");
    at(3);
    type("\b");
    EXPECT_EQ(text(), zhong + "b");
    raw("a\nb");
    at(1);
    type("\b");
    EXPECT_EQ(text(), "\nb") << "Backspace on a bare LF takes the character before it";
    raw("a\nb");
    at(0);
    key(keydelete);
    EXPECT_EQ(text(), "\nb") << "Delete before a bare LF keeps the line break";
    raw(zhong + "\nb");
    select(2, 3);
    key(keyf6);
    EXPECT_EQ(text(), zhong);
    EXPECT_EQ(clip(), std::string("\r\nb\0", 4));
    EXPECT_EQ(cursor(), 2);
}

TEST_F(editing, copycutandpastethroughtheclipboard) {
    load("ab\r\ncd");
    at(0);
    key(keyf4);
    EXPECT_EQ(clip(), "") << "no selection, nothing copied";
    select(1, 4);
    key(keyf4);
    EXPECT_EQ(clip(), std::string("b\r\nc\0", 5));
    select(3, 4);  // starting on a LF takes its CR along
    key(keyf4);
    EXPECT_EQ(clip(), std::string("\r\nc\0", 4));
    select(1, 4);
    key(keyf6);
    EXPECT_EQ(text(), "ad");
    EXPECT_EQ(cursor(), 1);
    key(keyf5);
    EXPECT_EQ(text(), "ab\r\ncd");
    EXPECT_EQ(cursor(), 5);
    select(0, 1);
    key(keyf5);
    EXPECT_EQ(text(), "b\r\nc\r\ncd") << "a paste replaces the selection";
    EXPECT_EQ(cursor(), 4);
}

TEST_F(editing, insertionbeyondthecapacityisrefused) {
    load(std::string(maxcontlth - 2, 'a'));
    at(0);
    type("b");
    EXPECT_EQ(ed.contlth, maxcontlth - 1);
    act("c\r" + zhong);
    EXPECT_EQ(ed.contlth, maxcontlth - 1);
    EXPECT_EQ(ed.content[ed.contlth], 0);
}

// After every random key: no split character, the cursor on a character
// inside the text, and the line table and flags those of a fresh layout.
TEST_F(editing, randomsessionskeepthetextwhole) {
    std::mt19937 random(20261207);
    const std::vector<std::string> pieces = {"a", "word ", zhong, wen, "\r\n", "\n", "\t", " ", "7", ",", "\r"};
    const int keyvalues[] = {keyright, keyleft, keyup, keydown, keyhome, keyend, keypageup, keypagedown, keyenter,
                             keydelete, keyf3, keyf4, keyf5, keyf6};
    for (int session = 0; session < 20; ++session) {
        std::string t;
        for (int i = int(random() % 60); i > 0; --i) t += pieces[random() % pieces.size()];
        load(t);
        narrow(8 + int(random() % 20));
        for (int step = 0; step < 150; ++step) {
            SCOPED_TRACE(std::to_string(session) + "/" + std::to_string(step));
            const int what = int(random() % 10);
            if (what < 5) key(keyvalues[random() % std::size(keyvalues)]);
            else if (what < 7) type(pieces[random() % pieces.size()].substr(0, 1));
            else if (what < 8) type("\b");
            else type(random() % 2 ? zhong : wen);
            key(keyright);
            for (int i = 0; i < ed.contlth; ++i) {
                if (ed.content[i] < 0x80) continue;
                ASSERT_LT(i + 1, ed.contlth);
                ASSERT_GE(ed.content[++i], 0x80);
            }
            const int c = cursor();
            ASSERT_TRUE(c >= 0 && c <= ed.contlth);
            ASSERT_FALSE(c < ed.contlth && (ed.ctrbytes[c] & istail)) << "cursor on a second byte";
            const std::vector<int> table = lines();
            const std::vector<unsigned char> flags(ed.ctrbytes, ed.ctrbytes + ed.contlth);
            ed.setpara();
            ASSERT_EQ(table, lines());
            ASSERT_EQ(flags, std::vector<unsigned char>(ed.ctrbytes, ed.ctrbytes + ed.contlth));
        }
    }
}

}  // namespace
