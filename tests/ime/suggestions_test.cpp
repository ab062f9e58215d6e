// The phrase suggestions of slots 6 to 9: the most frequent phrases that
// start with a character of the pinyin page, from the generated lookup
// tables, checked against the phrase dictionary itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ime/inputchi.h"
#include "ime/inpywb.h"
#include "ime/pyinput.h"
#include "tests/widgets/recordingwindow.h"

namespace {

std::string entrytext(int p) {
    return std::string(reinterpret_cast<const char*>(inputhzchi + inputhzchiindex[p]),
                       size_t(inputhzchiindex[p + 1] - inputhzchiindex[p]));
}

int slotof(const std::string& text) {
    return hanzislot(static_cast<unsigned char>(text[0]), static_cast<unsigned char>(text[1]));
}

// Rank (position in inputhzfreqorder) of every suggested entry.
std::map<int, int> ranks() {
    std::map<int, int> r;
    for (int i = 0; i < inputhzfreqnumber; ++i) r[inputhzfreqorder[i]] = i;
    return r;
}

TEST(suggestiontables, matchthephrasedictionaryforeverycharacter) {
    // The suggestions are the first entry of every text of two or more characters.
    std::vector<int> expected;
    std::set<std::string> texts;
    for (int p = 0; p < inputhzchinumber; ++p) {
        const std::string t = entrytext(p);
        if (t.size() >= 4 && texts.insert(t).second) expected.push_back(p);
    }
    ASSERT_EQ(inputhzfreqnumber, int(expected.size()));
    std::vector<int> order(inputhzfreqorder, inputhzfreqorder + inputhzfreqnumber);
    std::sort(order.begin(), order.end());
    ASSERT_EQ(order, expected);
    // Each hanzi lists exactly the suggestions it starts, by rank.
    std::vector<std::vector<int>> bychar(hanzislots);
    for (int i = 0; i < inputhzfreqnumber; ++i) {
        const int s = slotof(entrytext(inputhzfreqorder[i]));
        ASSERT_GE(s, 0) << "a phrase that starts with no hanzi";
        bychar[s].push_back(i);
    }
    ASSERT_EQ(inputhzfreqstart[0], 0);
    for (int s = 0; s < hanzislots; ++s) {
        const std::vector<int> got(inputhzfreqbychar + inputhzfreqstart[s], inputhzfreqbychar + inputhzfreqstart[s + 1]);
        ASSERT_EQ(got, bychar[s]) << "hanzi slot " << s;
    }
    EXPECT_EQ(inputhzfreqstart[hanzislots], inputhzfreqnumber);
}

class suggestiontest : public ::testing::Test {
protected:
    recordingwindow screen{1920, 200};
    pyinput ime;
    std::map<int, int> rank = ranks();

    void SetUp() override { pyinputview = &ime; }
    void TearDown() override { pyinputview = nullptr; }

    void type(const std::string& keys) {
        for (char c : keys) ime.keymouse(eventchar, c, 0, 0, 0, 0);
    }
    std::string candidate(const digiselview& sel, int k) const {
        const char* t = sel.candidate(k);
        return t ? std::string(t, size_t(sel.charlens[k])) : std::string();
    }
    std::set<std::string> pagechars() const {
        std::set<std::string> out;
        for (int k = 0; k <= 5; ++k) {
            const std::string c = candidate(*ime.zhisel, k);
            if (!c.empty()) out.insert(c.substr(0, 2));
        }
        return out;
    }
    std::vector<std::string> phrases() const {
        std::vector<std::string> out;
        for (int k = 6; k <= 9; ++k) out.push_back(candidate(*ime.chisel, k));
        return out;
    }
    // The four suggestions for a set of characters, worked out from the
    // phrase dictionary and the ranks alone.
    std::vector<std::string> expectedphrases(const std::set<std::string>& chars, size_t from = 0) const {
        std::vector<std::pair<int, std::string>> all;
        for (const auto& [p, r] : rank) {
            const std::string t = entrytext(p);
            if (chars.count(t.substr(0, 2))) all.push_back({r, t});
        }
        std::sort(all.begin(), all.end());
        std::vector<std::string> out;
        for (size_t i = from; i < from + 4; ++i) out.push_back(i < all.size() ? all[i].second : "");
        return out;
    }
};

TEST_F(suggestiontest, firstpageshowsthemostfrequentphrasesofitscharacters) {
    for (const std::string typed : {"zhong", "guo", "shi", "de", "ren", "zh", "a", "xue", "lue"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        type(typed);
        const std::vector<std::string> shown = phrases();
        EXPECT_EQ(shown, expectedphrases(pagechars()));
        for (const std::string& p : shown) EXPECT_NE(p.size(), 2u) << "no single characters";
    }
    // The word everyone expects for "zhong" is offered.
    ime.reset();
    type("zhong");
    const std::vector<std::string> shown = phrases();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "\xD6\xD0\xB9\xFA"), shown.end()) << "中国";
}

TEST_F(suggestiontest, pagingupdatesthesuggestions) {
    type("shi");
    const std::vector<std::string> first = phrases();
    type(".");
    EXPECT_EQ(phrases(), expectedphrases(pagechars()));
    EXPECT_NE(phrases(), first);
    type(".");
    EXPECT_EQ(phrases(), expectedphrases(pagechars()));
    type(",");
    EXPECT_EQ(phrases(), expectedphrases(pagechars()));
    type(",");
    EXPECT_EQ(phrases(), first);
}

TEST_F(suggestiontest, emptiedcodegoesthroughthephrasesofthelastpage) {
    type("z");
    const std::set<std::string> chars = pagechars();
    ASSERT_EQ(phrases(), expectedphrases(chars));
    type("\b");  // the code is empty; the characters are gone, their phrases go on
    EXPECT_STREQ(ime.code, "");
    EXPECT_TRUE(pagechars().empty());
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_EQ(phrases(), expectedphrases(chars, 4));
    type(".");
    EXPECT_EQ(phrases(), expectedphrases(chars, 8));
    type(",");
    EXPECT_EQ(phrases(), expectedphrases(chars, 4));
    type(",");
    EXPECT_EQ(phrases(), expectedphrases(chars, 0));
    type(",");
    EXPECT_EQ(phrases(), expectedphrases(chars, 0));
}

// Every pinyin code, in table order.
std::vector<std::string> allsyllables() {
    std::vector<std::string> out;
    for (int i = 0; i < zhiinputsize; ++i) {
        const std::string c(reinterpret_cast<const char*>(keyinputpy[i]));
        if (out.empty() || out.back() != c) out.push_back(c);
    }
    return out;
}

TEST_F(suggestiontest, fewphrasesleavetherestempty) {
    std::string none, fewonsecond;
    for (const std::string& s : allsyllables()) {
        ime.reset();
        digiselview::waitsel = false;
        type(s);
        const std::vector<std::string> p = phrases();
        if (none.empty() && p[0].empty()) none = s;
        if (fewonsecond.empty() && !p[3].empty()) {
            type(".");
            if (phrases()[3].empty() && !pagechars().empty()) fewonsecond = s;
        }
        if (!none.empty() && !fewonsecond.empty()) break;
    }
    ASSERT_FALSE(none.empty()) << "some syllable whose characters start no phrase";
    ime.reset();
    type("zhong");
    type(std::string(1, '\0'));
    type(none);
    EXPECT_EQ(phrases(), std::vector<std::string>(4));
    // A page with fewer than four phrases empties the slots it does not fill.
    ASSERT_FALSE(fewonsecond.empty());
    ime.reset();
    type(fewonsecond);
    type(".");
    EXPECT_EQ(phrases(), expectedphrases(pagechars()));
}

TEST_F(suggestiontest, dictionaryorderisstillthere) {
    // The order the measuring tool compares with: the first entries of the
    // dictionary that start with a character of the page, single ones too.
    ime.frequentphrases = false;
    type("zhong");
    const std::set<std::string> chars = pagechars();
    std::vector<std::string> expected;
    for (int p = 0; p < inputhzchinumber && expected.size() < 4; ++p) {
        const std::string t = entrytext(p);
        if (chars.count(t.substr(0, 2))) expected.push_back(t);
    }
    EXPECT_EQ(phrases(), expected);
}

}  // namespace
