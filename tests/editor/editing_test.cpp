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
        key(kf3);
        for (int i = 0; i < 2 * (to - from) && cursor() < to; ++i) key(kright);
    }
};

std::string normalised(const std::string& s) {
    const unsigned char* t = tfileter(reinterpret_cast<const unsigned char*>(s.data()), int(s.size()));
    return t ? std::string(reinterpret_cast<const char*>(t)) : std::string();
}

TEST(normaliser, MakesCrLfLineEndsAndWholeCharacters) {
    EXPECT_EQ(normalised("a\r\r\nb"), "a\r\nb") << "CR CR LF";
    EXPECT_EQ(normalised("a\nb"), "a\r\nb") << "a lone LF";
    EXPECT_EQ(normalised("a\rb"), "ab") << "a CR that ends no line";
    EXPECT_EQ(normalised("\xB0x"), "\xB0\xB0x") << "a lone high byte before a letter";
    EXPECT_EQ(normalised("\xB0\xA1\xB0"), "\xB0\xA1\xB0\xB0") << "a lone high byte at the end";
    EXPECT_EQ(tfileter(reinterpret_cast<const unsigned char*>("x"), 0), nullptr);
    // Fed in pieces, the result is the same as fed whole.
    const std::string whole = "ab\r\n\xD6\xD0\rc\n\xB0";
    unsigned char out[64];
    size_t written = 0, start = 0;
    for (size_t end = 1; end <= whole.size(); ++end) {
        const bool atend = end == whole.size();
        normaliseresult r = normalise(reinterpret_cast<const unsigned char*>(whole.data()) + start, end - start,
                                      atend, out + written, sizeof out - written);
        start += r.consumed;
        written += r.written;
    }
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), written), normalised(whole));
    // A full output takes whole characters only.
    normaliseresult r = normalise(reinterpret_cast<const unsigned char*>("a\r\nb"), 4, true, out, 2);
    EXPECT_TRUE(r.full);
    EXPECT_EQ(r.written, 1u) << "never between CR and LF";
}

TEST_F(editing, TwoByteCharacterArrivesInTwoEvents) {
    load("ab");
    at(1);
    type("\xD6");
    EXPECT_EQ(text(), "ab") << "the first byte alone changes nothing";
    type("\xD0");
    EXPECT_EQ(text(), "a" + zhong + "b");
    EXPECT_EQ(cursor(), 3);
    type("\xA3\xA0");
    EXPECT_EQ(text(), "a" + zhong + "b") << "the full-width space pair is dropped";
    type("\xD6" "x");
    EXPECT_EQ(text(), "a" + zhong + "xb") << "a one-byte character drops a waiting first byte";
}

TEST_F(editing, EnterSplitsLinesAndAtALineEndAddsAnEmptyOne) {
    load("ab");
    at(1);
    key(kenter);
    EXPECT_EQ(text(), "a\r\nb");
    EXPECT_EQ(cursor(), 3);
    load("ab\r\ncd");
    at(3);  // on the LF
    key(kenter);
    EXPECT_EQ(text(), "ab\r\n\r\ncd");
    EXPECT_EQ(cursor(), 5) << "on the LF of the new empty line";
    type("x");
    EXPECT_EQ(text(), "ab\r\nx\r\ncd") << "an insertion at a line end goes before its CR";
}

// Bytes left in the buffer after the text are never read as part of it.
TEST_F(editing, EnterAtTheEndIgnoresOldBytesAfterTheText) {
    load("a\r\n\r\n");
    at(5);
    type("\b");
    ASSERT_EQ(text(), "a\r\n");
    at(3);
    key(kenter);
    EXPECT_EQ(text(), "a\r\n\r\n");
    EXPECT_EQ(cursor(), 5) << "at the end, not past it";
}

TEST_F(editing, DeleteTakesWholeCharactersAndJoinsLines) {
    load("a" + zhong + "b\r\ncd");
    at(0);
    key(kdelete);
    EXPECT_EQ(text(), zhong + "b\r\ncd") << "only the letter before a two-byte character";
    key(kdelete);
    EXPECT_EQ(text(), "b\r\ncd");
    at(2);  // LF
    key(kdelete);
    EXPECT_EQ(text(), "bcd") << "Delete on a line end joins the lines";
    at(3);
    key(kdelete);
    EXPECT_EQ(text(), "bcd") << "at the end of the text nothing happens";
}

TEST_F(editing, BackspaceTakesWholeCharactersAndNeverSplitsOne) {
    load(zhong + "a\r\nb");
    at(5);  // start of the second line
    type("\b");
    EXPECT_EQ(text(), zhong + "ab") << "Backspace at a line's start removes the CR LF";
    at(2);
    type("\b");
    EXPECT_EQ(text(), "ab");
    // On a line end Backspace first takes the CR, leaving a bare LF ...
    load(zhong + "\r\nb");
    at(3);
    type("\b");
    EXPECT_EQ(text(), zhong + "\nb");
    // ... and a bare LF goes alone, never with the byte before it.
    at(3);
    type("\b");
    EXPECT_EQ(text(), zhong + "b");
    // The end of a selection takes a following LF only after a CR.
    load("a\nb");
    ed.content[1] = '\n';
    ed.contlth = 3;
    ed.content[2] = 'b';
    ed.content[3] = 0;
    ed.setpara();
    at(0);
    key(kdelete);
    EXPECT_EQ(text(), "\nb") << "Delete on a letter before a bare LF keeps the line break";
}

TEST_F(editing, CopyCutAndPasteThroughTheClipboard) {
    load("ab\r\ncd");
    at(0);
    key(kf4);
    EXPECT_EQ(clip(), "") << "no selection, nothing copied";
    select(1, 4);  // b, CR LF, c
    key(kf4);
    EXPECT_EQ(clip(), std::string("b\r\nc\0", 5)) << "the clipboard holds the text and its zero";
    EXPECT_EQ(text(), "ab\r\ncd");
    // A selection starting on a LF takes its CR along.
    select(3, 4);
    key(kf4);
    EXPECT_EQ(clip(), std::string("\r\nc\0", 4));
    select(1, 4);
    key(kf6);
    EXPECT_EQ(text(), "ad");
    EXPECT_EQ(cursor(), 1) << "after a cut the cursor is where the text was";
    key(kf5);
    EXPECT_EQ(text(), "ab\r\ncd");
    EXPECT_EQ(cursor(), 5) << "after a paste the cursor follows the pasted text";
    select(0, 1);  // both ends are in the selection: "ab"
    key(kf5);
    EXPECT_EQ(text(), "b\r\nc\r\ncd") << "a paste replaces the selection";
    EXPECT_EQ(cursor(), 4);
}

TEST_F(editing, SelectionOnABareLineFeedIsCutWhole) {
    load(zhong + "\r\nb");
    at(3);
    type("\b");  // leaves 中 LF b
    ASSERT_EQ(text(), zhong + "\nb");
    select(2, 3);  // the bare LF and b
    key(kf6);
    EXPECT_EQ(text(), zhong);
    EXPECT_EQ(clip(), std::string("\r\nb\0", 4)) << "the bare LF goes out as a CR LF, the character before it stays";
    EXPECT_EQ(cursor(), 2);
}

TEST_F(editing, InsertionBeyondTheCapacityIsRefused) {
    load(std::string(maxcontlth - 2, 'a'));
    ASSERT_EQ(ed.contlth, maxcontlth - 2);
    at(0);
    type("b");
    EXPECT_EQ(ed.contlth, maxcontlth - 1) << "the text may take all but the byte for its zero";
    type("c");
    key(kenter);
    type("\xD6\xD0");
    EXPECT_EQ(ed.contlth, maxcontlth - 1);
    EXPECT_EQ(ed.content[ed.contlth], 0);
}

// Random keys on random texts: after every key the text holds no split
// character, the cursor stands on a character inside it, and the line table
// and flags kept up change by change are those of a fresh layout.
TEST_F(editing, RandomSessionsKeepTheTextWhole) {
    std::mt19937 random(20261207);
    const std::vector<std::string> pieces = {"a", "word ", zhong, wen, "\r\n", "\n", "\t", " ", "7", ",", "\r"};
    const int keyvalues[] = {kright, kleft, kup, kdown, khome, kend, kpageup, kpagedown, kenter,
                             kdelete, kf3, kf4, kf5, kf6};
    for (int session = 0; session < 20; ++session) {
        std::string t;
        const int n = int(random() % 60);
        for (int i = 0; i < n; ++i) t += pieces[random() % pieces.size()];
        load(t);
        narrow(8 + int(random() % 20));
        for (int step = 0; step < 150; ++step) {
            const int what = int(random() % 10);
            if (what < 5) key(keyvalues[random() % (sizeof keyvalues / sizeof keyvalues[0])]);
            else if (what < 7) type(pieces[random() % pieces.size()].substr(0, 1));
            else if (what < 8) type("\b");
            else type(random() % 2 ? zhong : wen);
            ed.keymouse(eventkeydown, kright, 0, 0, 0, 0);
            // Every character whole: a high byte is followed by a second one.
            for (int i = 0; i < ed.contlth; ++i) {
                if (ed.content[i] >= 0x80) {
                    ASSERT_LT(i + 1, ed.contlth) << "session " << session << " step " << step;
                    ASSERT_GE(ed.content[i + 1], 0x80);
                    ++i;
                }
            }
            const int c = cursor();
            ASSERT_GE(c, 0);
            ASSERT_LE(c, ed.contlth);
            ASSERT_FALSE(c < ed.contlth && (ed.ctrbytes[c] & istail)) << "cursor on a second byte";
            // The layout kept up after each change is the one a whole layout gives.
            const std::vector<int> table = lines();
            const std::vector<unsigned char> flags(ed.ctrbytes, ed.ctrbytes + ed.contlth);
            ed.setpara();
            ASSERT_EQ(table, lines()) << "session " << session << " step " << step;
            ASSERT_EQ(flags, std::vector<unsigned char>(ed.ctrbytes, ed.ctrbytes + ed.contlth));
        }
    }
}

}  // namespace
