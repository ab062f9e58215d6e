// The input state machine: modes, composing, committing, paging keys and the
// conversion of what it passes on, with a recording view in the editor's place.
#include <map>
#include <random>

#include "tests/fuzz/inputmethodfuzz.h"
#include "tests/ime/imefixture.h"

namespace {

using pyinputtest = imetest;

// F1 and F2 with the mode and width after each (English, Pinyin, Wubi;
// capital at full width).
TEST_F(pyinputtest, f1andf2cycles) {
    const std::string keys = "\1\1\2\2\2\2\1\1\2\1\1", states = "ePWEPWeWEeW";
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_TRUE(keys[i] == 1 ? f1() : f2());
        EXPECT_EQ(ime.quanjiao ? "EPW"[ime.mode] : "epw"[ime.mode], states[i]) << i;
    }
    EXPECT_TRUE(screen.editor.seen.empty());
}

// Keys typed from the start (\1 F1, \2 F2, \3 character 0), the code left,
// the bytes sent on and whether a choice is awaited.
TEST_F(pyinputtest, keys) {
    struct {
        const char* typed;
        const char* code;
        const char* sent;
        bool waiting;
    } cases[] = {
        {"zhuangz", "zhuangz", "", true},
        {"zhuangzh", "h", "", true},  // the eighth pinyin letter starts a new code
        {"\2abcde", "abcde", "", true},
        {"\2abcdef", "f", "", true},  // and the sixth wubi letter
        {"zh\b", "z", "", true},
        {"zh\b\b", "", "", false},     // emptied, the composition ends
        {"zh\b\b\b", "", "\b", false},  // and the next Backspace goes on
        {"zh\b\b" "7", "", "\xA3\xB7", false},  // as does a digit
        {"\2zh\b\b" "1", "", "\xA3\xB1", false},
        {"zho\1\1" "7", "", "\xA3\xB7", false},  // F1 and F2 give a code up
        {"zho\2\2\2" "1", "", "\xA3\xB1", false},
        // Space: the ideographic space at full width, ASCII at half width.
        {" \2 \2 \1 \2 ", "", "\xA1\xA1\xA1\xA1\xA1\xA1  ", false},
        {"guo\3", "", "", false},     // character 0 cancels
        {"iii ", "", "", false},      // no match: space inserts nothing
        {"zhong!A", "zhong", "\xA3\xA1\xA3\xC1", true},  // unused characters pass on
        {"\"\"\"\"", "", "\xA1\xB0\xA1\xB1\xA1\xB0\xA1\xB1", false},  // “ ” “ ”
        // At half width quotes stay ASCII and the alternation stays where it is.
        {"'\1\"'\1\"'", "", "\xA1\xAE\"'\xA1\xB0\xA1\xAF", false},
        // The full-width table with its own marks; '~' is never converted.
        {",.!0A$<>[]\\ }~", "",
         "\xA3\xAC\xA1\xA3\xA3\xA1\xA3\xB0\xA3\xC1\xA3\xA4\xA1\xB6\xA1\xB7\xA1\xBE\xA1\xBF\xA1\xA2\xA1\xA1\xA3\xFD~", false},
        {"\2\2a.b\1Hello, world.", "", "\xA3\xE1\xA1\xA3\xA3\xE2Hello, world.", false},  // English full, then half
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.typed);
        ime.reset();
        digiselview::waitsel = false;
        pyinput::isleftsy = pyinput::isleftdy = true;
        ime.mode = ime.lastmode = pyinput::pinyin;
        ime.quanjiao = true;
        screen.editor.clearall();
        type(c.typed);
        EXPECT_STREQ(ime.code, c.code);
        EXPECT_EQ(out, c.sent);
        EXPECT_EQ(digiselview::waitsel, c.waiting);
        if (!c.waiting) {
            EXPECT_STREQ(ime.zhisel->digistr, "012345");
            EXPECT_STREQ(ime.chisel->digistr, "6789");
        }
        for (int i = 7; i < pyinput::codesize; ++i) ASSERT_EQ(ime.code[i], 0);
    }
}

TEST_F(pyinputtest, spaceanddigitscommit) {
    struct {
        const char* code;
        char key;
        int slot;
    } cases[] = {{"a", ' ', 0}, {"a", '7', 7}, {"zhong", '3', 3}};
    for (auto c : cases) {
        SCOPED_TRACE(c.key);
        out.clear();
        type(c.code);
        ASSERT_TRUE(digiselview::waitsel);
        const std::string chosen = chinese(c.slot);
        ASSERT_GE(chosen.size(), 2u);
        ASSERT_EQ(chosen.size() == 2u, c.slot < 6) << "a character, or a phrase";
        EXPECT_TRUE(ch(c.key));
        EXPECT_EQ(out, chosen);
        EXPECT_FALSE(digiselview::waitsel);
        EXPECT_STREQ(ime.code, "");
        EXPECT_STREQ(ime.zhisel->digistr, "012345");
        EXPECT_STREQ(ime.chisel->digistr, "6789");
    }
}

TEST_F(pyinputtest, pagekeysinwubichangenothing) {
    type("\2aa");
    const std::string zhi = ime.zhisel->digistr, chi = ime.chisel->digistr;
    EXPECT_TRUE(ch('.'));
    EXPECT_TRUE(ch(','));
    EXPECT_EQ(ime.zhisel->digistr, zhi);
    EXPECT_EQ(ime.chisel->digistr, chi);
    EXPECT_STREQ(ime.code, "aa");
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_TRUE(out.empty());
}

// A 4-letter wubi code with several entries waits for a choice; one with a
// single entry commits it as its last letter is typed.
TEST_F(pyinputtest, wubisingleentrycommitsatonce) {
    std::map<std::string, int> count;
    for (int p = 0; p < inputhzchinumber; ++p) ++count[slot(inputhzchiwb[p])];
    std::string single, several;
    for (const auto& c : count) {
        if (c.first.size() == 4 && c.second == 1 && single.empty()) single = c.first;
        if (c.first.size() == 4 && c.second > 2 && several.empty()) several = c.first;
    }
    ASSERT_FALSE(single.empty() || several.empty());
    type("\2" + several);
    EXPECT_TRUE(out.empty());
    EXPECT_TRUE(digiselview::waitsel);
    type("\3" + single);
    EXPECT_GE(out.size(), 2u);
    EXPECT_EQ(out.size() % 2, 0u);
    EXPECT_STREQ(ime.code, "");
    EXPECT_FALSE(digiselview::waitsel);
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

// The fuzz target's checks over random keys, biased to letters so that long
// compositions, paging and commits all happen.
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
