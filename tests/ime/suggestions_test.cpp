// The phrase suggestions of slots 6 to 9: the most frequent phrases that
// start with a character of the pinyin page, from the generated lookup tables.
#include <algorithm>
#include <map>
#include <set>

#include "tests/ime/imefixture.h"

namespace {

TEST(suggestiontables, matchthephrasedictionaryforeverycharacter) {
    // The suggestions are the first entry of every text of two or more characters.
    std::vector<int> expected;
    std::set<std::string> texts;
    for (int p = 0; p < inputhzchinumber; ++p)
        if (entrytext(p).size() >= 4 && texts.insert(entrytext(p)).second) expected.push_back(p);
    std::vector<int> order(inputhzfreqorder, inputhzfreqorder + inputhzfreqnumber);
    std::sort(order.begin(), order.end());
    ASSERT_EQ(order, expected);
    // Each hanzi lists exactly the suggestions it starts, by rank.
    std::vector<std::vector<int>> bychar(hanzislots);
    for (int i = 0; i < inputhzfreqnumber; ++i) {
        const std::string t = entrytext(inputhzfreqorder[i]);
        const int s = hanzislot(static_cast<unsigned char>(t[0]), static_cast<unsigned char>(t[1]));
        ASSERT_GE(s, 0) << "a phrase that starts with no hanzi";
        bychar[s].push_back(i);
    }
    ASSERT_EQ(inputhzfreqstart[0], 0);
    for (int s = 0; s < hanzislots; ++s) {
        const std::vector<int> got(inputhzfreqbychar + inputhzfreqstart[s], inputhzfreqbychar + inputhzfreqstart[s + 1]);
        ASSERT_EQ(got, bychar[s]) << "hanzi slot " << s;
    }
}

class suggestiontest : public imetest {
protected:
    std::set<std::string> pagechars() const {
        std::set<std::string> chars;
        for (const std::string& c : page())
            if (!c.empty()) chars.insert(c.substr(0, 2));
        return chars;
    }
    // Suggestions `from` to `from` + 3 for a set of characters, worked out
    // from the phrase dictionary and the ranks alone.
    static std::vector<std::string> expected(const std::set<std::string>& chars, size_t from = 0) {
        std::vector<std::string> all;
        for (int i = 0; i < inputhzfreqnumber; ++i) {
            const std::string t = entrytext(inputhzfreqorder[i]);
            if (chars.count(t.substr(0, 2))) all.push_back(t);
        }
        all.resize(std::max(all.size(), from + 4));
        return std::vector<std::string>(all.begin() + long(from), all.begin() + long(from) + 4);
    }
};

TEST_F(suggestiontest, firstpageshowsthemostfrequentphrasesofitscharacters) {
    for (const std::string typed : {"zhong", "guo", "shi", "de", "ren", "zh", "a", "xue", "lue"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        type(typed);
        EXPECT_EQ(phrases(), expected(pagechars()));
    }
    ime.reset();
    type("zhong");
    const std::vector<std::string> shown = phrases();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "\xD6\xD0\xB9\xFA"), shown.end()) << "中国";
}

TEST_F(suggestiontest, pagingupdatesthesuggestions) {
    type("shi");
    const std::vector<std::string> first = phrases();
    for (const char* k : {".", ".", ","}) {
        type(k);
        EXPECT_EQ(phrases(), expected(pagechars())) << k;
    }
    EXPECT_NE(phrases(), first);
    type(",");
    EXPECT_EQ(phrases(), first);
}

// With the code emptied by Backspace the characters are gone and the page
// keys go on through the phrases of the last page.
TEST_F(suggestiontest, emptiedcodegoesthroughthephrasesofthelastpage) {
    type("z");
    const std::set<std::string> chars = pagechars();
    ASSERT_EQ(phrases(), expected(chars));
    type("\b");
    EXPECT_STREQ(ime.code, "");
    EXPECT_TRUE(pagechars().empty());
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_EQ(phrases(), expected(chars, 4));
    for (auto [k, from] : std::vector<std::pair<const char*, size_t>>{{".", 8}, {",", 4}, {",", 0}, {",", 0}}) {
        type(k);
        EXPECT_EQ(phrases(), expected(chars, from)) << k << from;
    }
}

// Slots the page's characters do not fill are emptied, not left showing the
// phrases of an earlier page.
TEST_F(suggestiontest, fewphrasesleavetherestempty) {
    std::string none;
    for (int i = 0; i < zhiinputsize && none.empty(); ++i) {
        ime.reset();
        digiselview::waitsel = false;
        type(slot(keyinputpy[i]));
        if (phrases()[0].empty()) none = slot(keyinputpy[i]);
    }
    ASSERT_FALSE(none.empty()) << "some syllable whose characters start no phrase";
    ime.reset();
    type("zhong\3" + none);
    EXPECT_EQ(phrases(), std::vector<std::string>(4));
}

// The order the measuring tool compares with: the first entries of the
// dictionary that start with a character of the page, single ones too.
TEST_F(suggestiontest, dictionaryorderisstillthere) {
    ime.frequentphrases = false;
    type("zhong");
    const std::set<std::string> chars = pagechars();
    std::vector<std::string> want;
    for (int p = 0; p < inputhzchinumber && want.size() < 4; ++p)
        if (chars.count(entrytext(p).substr(0, 2))) want.push_back(entrytext(p));
    EXPECT_EQ(phrases(), want);
}

}  // namespace
