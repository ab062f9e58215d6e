// The input state machine: modes, composing, committing, paging keys and the
// conversion of what it passes on, against the real window manager with a
// recording view in the editor's place.
#include "ime/pyinput.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "ime/inputchi.h"
#include "tests/fuzz/inputmethodfuzz.h"
#include "tests/widgets/recordingwindow.h"

namespace {

constexpr int f1[] = {eventkeydown, 16, 54, 0, 0, 0};
constexpr int f2[] = {eventkeydown, 16, 54, 0, -1, 0};

class pyinputtest : public ::testing::Test {
protected:
    recordingwindow screen{1920, 200};
    pyinput ime;
    std::string& out = screen.editor.text;

    void SetUp() override {
        pyinputview = &ime;
        pyinput::isleftsy = true;
        pyinput::isleftdy = true;
    }
    void TearDown() override { pyinputview = nullptr; }

    bool key(const int (&k)[6]) { return ime.keymouse(k[0], k[1], k[2], k[3], k[4], k[5]); }
    bool ch(int c) { return ime.keymouse(eventchar, c, 0, 0, 0, 0); }
    void type(const std::string& keys) {
        for (char c : keys) ch(c);
    }
    std::string candidate(int k) const {
        const digiselview& sel = k < 6 ? *ime.zhisel : *ime.chisel;
        const char* t = sel.candidate(k);
        return t ? std::string(t, size_t(sel.charlens[k])) : std::string();
    }
    // The Chinese bytes at the front of a candidate, as a commit sends them.
    std::string chinese(int k) const {
        std::string t = candidate(k);
        size_t n = 0;
        while (n < t.size() && (static_cast<unsigned char>(t[n]) & 0x80)) ++n;
        return t.substr(0, n);
    }
};

TEST_F(pyinputtest, startsinpinyinatfullwidth) {
    EXPECT_EQ(ime.mode, pyinput::pinyin);
    EXPECT_TRUE(ime.quanjiao);
    EXPECT_EQ(ime.top, 60);
    EXPECT_EQ(ime.bottom, 90);
    EXPECT_EQ(ime.right, 1920);
    // The two selectors split the bar right of its first fifth.
    EXPECT_EQ(ime.zhisel->left, 384);
    EXPECT_EQ(ime.zhisel->right, 1151);
    EXPECT_EQ(ime.chisel->left, 1152);
    EXPECT_EQ(ime.chisel->right, 1920);
    EXPECT_EQ(ime.zhisel->charwidth, 12);
    EXPECT_STREQ(ime.zhisel->digistr, "012345");
    EXPECT_STREQ(ime.chisel->digistr, "6789");
}

TEST_F(pyinputtest, f1andf2cycles) {
    struct step {
        const int (*k)[6];
        int mode;
        bool quanjiao;
    } steps[] = {
        {&f1, pyinput::english, false}, {&f1, pyinput::pinyin, true},  {&f2, pyinput::wubi, true},
        {&f2, pyinput::english, true},  {&f2, pyinput::pinyin, true},  {&f2, pyinput::wubi, true},
        {&f1, pyinput::english, false}, {&f1, pyinput::wubi, true},    {&f2, pyinput::english, true},
        {&f1, pyinput::english, false}, {&f1, pyinput::wubi, true},
    };
    int n = 0;
    for (const step& s : steps) {
        SCOPED_TRACE(n++);
        EXPECT_TRUE(key(*s.k));
        EXPECT_EQ(ime.mode, s.mode);
        EXPECT_EQ(ime.quanjiao, s.quanjiao);
    }
    EXPECT_TRUE(screen.editor.seen.empty());
}

TEST_F(pyinputtest, modekeysleavethecomposition) {
    type("zho");
    const std::string first = candidate(0);
    key(f2);
    key(f1);
    EXPECT_STREQ(ime.code, "zho");
    EXPECT_EQ(candidate(0), first);
    EXPECT_TRUE(digiselview::waitsel);
}

TEST_F(pyinputtest, longcodesstartanewcode) {
    type("zhuangz");
    EXPECT_STREQ(ime.code, "zhuangz");
    type("h");  // the eighth pinyin letter
    EXPECT_STREQ(ime.code, "h");
    ch(0);
    key(f2);
    type("abcde");
    EXPECT_STREQ(ime.code, "abcde");
    type("f");  // the sixth wubi letter
    EXPECT_STREQ(ime.code, "f");
    for (int i = 7; i < pyinput::codesize; ++i) ASSERT_EQ(ime.code[i], 0);
    EXPECT_TRUE(out.empty());
}

TEST_F(pyinputtest, spaceanddigitscommit) {
    type("a");
    ASSERT_TRUE(digiselview::waitsel);
    const std::string first = chinese(0);
    ASSERT_EQ(first.size(), 2u);
    EXPECT_TRUE(ch(' '));
    EXPECT_EQ(out, first);
    EXPECT_FALSE(digiselview::waitsel);
    EXPECT_STREQ(ime.code, "");
    EXPECT_STREQ(ime.zhisel->digistr, "012345");
    EXPECT_STREQ(ime.chisel->digistr, "6789");

    out.clear();
    type("a");
    const std::string phrase = chinese(7);
    ASSERT_GE(phrase.size(), 2u);
    EXPECT_TRUE(ch('7'));
    EXPECT_EQ(out, phrase);

    out.clear();
    type("zhong");
    const std::string third = chinese(3);
    ch('3');
    EXPECT_EQ(out, third);
    EXPECT_STREQ(ime.code, "");
}

TEST_F(pyinputtest, codewithnomatchendsonspacewithoutinserting) {
    type("iii");
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_EQ(candidate(0), "");
    EXPECT_TRUE(ch(' '));
    EXPECT_TRUE(out.empty());
    EXPECT_FALSE(digiselview::waitsel);
}

TEST_F(pyinputtest, backspaceshortensthenpasseson) {
    type("zh");
    ch(8);
    EXPECT_STREQ(ime.code, "z");
    EXPECT_NE(candidate(0), "");
    ch(8);
    // The code and the characters are gone; the phrases of the old page stay
    // on offer and the composition goes on.
    EXPECT_STREQ(ime.code, "");
    EXPECT_STREQ(ime.zhisel->digistr, "012345");
    EXPECT_NE(candidate(6), "");
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_TRUE(screen.editor.seen.empty());
    ch(8);
    EXPECT_FALSE(digiselview::waitsel);
    ASSERT_EQ(screen.editor.seen.size(), 1u);
    EXPECT_EQ(screen.editor.seen[0].type, eventchar);
    EXPECT_EQ(screen.editor.seen[0].a, 8);
    EXPECT_STREQ(ime.chisel->digistr, "6789");
}

TEST_F(pyinputtest, charactercerocancels) {
    type("guo");
    EXPECT_TRUE(ch(0));
    EXPECT_STREQ(ime.code, "");
    EXPECT_FALSE(digiselview::waitsel);
    EXPECT_STREQ(ime.zhisel->digistr, "012345");
    EXPECT_TRUE(screen.editor.seen.empty());
}

TEST_F(pyinputtest, quotationmarksalternate) {
    type("\"\"\"\"");
    EXPECT_EQ(out, "\xA1\xB0\xA1\xB1\xA1\xB0\xA1\xB1");  // “ ” “ ”
    out.clear();
    type("'''");
    EXPECT_EQ(out, "\xA1\xAE\xA1\xAF\xA1\xAE");  // ‘ ’ ‘
    // At half width the quotes stay ASCII and the flags stay where they are.
    out.clear();
    key(f1);
    type("\"'");
    EXPECT_EQ(out, "\"'");
    key(f1);
    out.clear();
    type("\"'");
    EXPECT_EQ(out, "\xA1\xB0\xA1\xAF");
}

TEST_F(pyinputtest, passedoncharactersatfullwidth) {
    struct {
        const char* typed;
        const char* sent;
    } cases[] = {
        {",", "\xA3\xAC"},  // ，
        {".", "\xA1\xA3"},  // 。
        {"!", "\xA3\xA1"},  {"0", "\xA3\xB0"},  {"A", "\xA3\xC1"},  {"$", "\xA3\xA4"},
        {"<", "\xA1\xB6"},  {">", "\xA1\xB7"},  {"[", "\xA1\xBE"},  {"]", "\xA1\xBF"},
        {"\\", "\xA1\xA2"}, {" ", "\xA3\xA0"},  {"}", "\xA3\xFD"},
        {"~", "~"},  // never converted
    };
    for (auto c : cases) {
        out.clear();
        type(c.typed);
        EXPECT_EQ(out, c.sent) << c.typed;
    }
    // English at full width (F2 twice) converts too; F1 gives plain ASCII.
    key(f2);
    key(f2);
    out.clear();
    type("a.b");
    EXPECT_EQ(out, "\xA3\xE1\xA1\xA3\xA3\xE2");
    key(f1);
    out.clear();
    type("Hello, world.");
    EXPECT_EQ(out, "Hello, world.");
}

TEST_F(pyinputtest, unusedcharacterswhilecomposingpassonandkeepthecode) {
    type("zhong");
    const std::string first = candidate(0);
    type("!A");
    EXPECT_EQ(out, "\xA3\xA1\xA3\xC1");
    EXPECT_STREQ(ime.code, "zhong");
    EXPECT_EQ(candidate(0), first);
    EXPECT_TRUE(digiselview::waitsel);
}

TEST_F(pyinputtest, pagekeysinwubichangenothing) {
    key(f2);
    type("aa");
    const std::string zhi = ime.zhisel->digistr, chi = ime.chisel->digistr;
    EXPECT_TRUE(ch('.'));
    EXPECT_TRUE(ch(','));
    EXPECT_EQ(ime.zhisel->digistr, zhi);
    EXPECT_EQ(ime.chisel->digistr, chi);
    EXPECT_STREQ(ime.code, "aa");
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_TRUE(out.empty());
}

// A 4-letter wubi code with one entry, and one with several, from the dictionary.
std::map<std::string, int> fourlettercodes() {
    std::map<std::string, int> count;
    for (int p = 0; p < inputhzchinumber; ++p) {
        const char* c = reinterpret_cast<const char*>(inputhzchiwb[p]);
        if (strnlen(c, 8) == 4) ++count[c];
    }
    return count;
}

TEST_F(pyinputtest, wubisingleentrycommitsatonce) {
    const auto counts = fourlettercodes();
    std::string single, several;
    for (const auto& c : counts) {
        if (c.second == 1 && single.empty()) single = c.first;
        if (c.second > 2 && several.empty()) several = c.first;
    }
    ASSERT_FALSE(single.empty());
    ASSERT_FALSE(several.empty());
    key(f2);
    type(single.substr(0, 3));
    EXPECT_TRUE(out.empty());
    type(single.substr(3));
    EXPECT_GE(out.size(), 2u);
    EXPECT_EQ(out.size() % 2, 0u);
    EXPECT_STREQ(ime.code, "");
    EXPECT_FALSE(digiselview::waitsel);

    out.clear();
    type(several);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(digiselview::waitsel);
    const std::string second = chinese(1);
    ch('1');
    EXPECT_EQ(out, second);

    // Backspace back onto a single-entry code commits it too (the five
    // letters typed in pinyin, then wubi).
    out.clear();
    key(f2);
    key(f2);
    type(single + "a");
    key(f2);
    ASSERT_EQ(ime.mode, pyinput::wubi);
    EXPECT_TRUE(out.empty());
    ch(8);
    EXPECT_GE(out.size(), 2u);
    EXPECT_STREQ(ime.code, "");
}

TEST_F(pyinputtest, clicksonthelabels) {
    ime.draw();
    ASSERT_EQ(ime.charsize, 38);  // 384 / 10
    const int y = ime.top + 10;
    EXPECT_TRUE(ime.keymouse(eventpress, 100, y, 0, 0, 0));  // the width label
    EXPECT_FALSE(ime.quanjiao);
    EXPECT_TRUE(ime.keymouse(eventpress, 40, y, 0, 0, 0));   // the mode label
    EXPECT_EQ(ime.mode, pyinput::wubi);
    // Above or below the labels, or between them, the click goes on.
    EXPECT_FALSE(ime.keymouse(eventpress, 40, ime.top + 25, 0, 0, 0));
    EXPECT_FALSE(ime.keymouse(eventpress, 78, y, 0, 0, 0));
    EXPECT_EQ(ime.mode, pyinput::wubi);
    EXPECT_FALSE(ime.quanjiao);
    EXPECT_EQ(screen.editor.seen.size(), 2u);
}

TEST_F(pyinputtest, barshowsthelabelsandthecode) {
    auto ink = [&](int x1, int x2) {
        int n = 0;
        for (int y = ime.top; y <= ime.bottom; ++y)
            for (int x = x1; x <= x2; ++x) n += screen.win.bmp.getpixel(x, y) == mycolor(0, 0, 0, 255);
        return n;
    };
    ime.draw();
    EXPECT_GT(ink(1, 77), 20);    // 拼音
    EXPECT_GT(ink(79, 155), 20);  // 全角
    EXPECT_EQ(ink(190, 383), 0);  // no code yet
    type("zhong");
    EXPECT_GT(ink(190, 285), 20);
    EXPECT_EQ(ink(290, 383), 0);
}

// The fuzz target's checks over random key sequences, biased to letters so
// that long compositions, paging and commits all happen.
TEST(pyinputrandom, randomkeysstayinboundsandsendwholecharacters) {
    std::mt19937 random(10);
    for (int round = 0; round < 100; ++round) {
        std::vector<uint8_t> keys(random() % 150);
        for (uint8_t& k : keys) k = uint8_t(random());
        inputmethodfuzz::check(keys.data(), keys.size());
    }
    EXPECT_TRUE(inputmethodfuzz::wholecharacters("a\xD6\xD0" "b"));
    EXPECT_FALSE(inputmethodfuzz::wholecharacters("a\xD6"));
    EXPECT_FALSE(inputmethodfuzz::wholecharacters("\xD6 "));
}

}  // namespace
