// The candidate searches and the phrase suggestions on the real dictionaries,
// checked against the tables' own contents so that they hold whatever words
// the generator put in.
#include <algorithm>
#include <set>
#include <utility>

#include "tests/ime/imefixture.h"

namespace {

using searchtest = imetest;

bool rowmatches(int i, const std::string& typed) { return startswith(slot(keyinputpy[i]), typed); }

// The pinyin row, within [from, to), that stands behind a candidate text.
int rowbehind(const std::string& text, const std::string& typed, int from, int to) {
    for (int i = from; i < to; ++i)
        if (rowmatches(i, typed) && text.compare(0, 2, hanzi(keyinputpyindex[i])) == 0) return i;
    return -1;
}

std::string wubiof(const std::string& ch) {
    for (int i = 0; i < zhiinputsize; ++i)
        if (hanzi(keyinputwbindex[i]) == ch) return slot(keyinputwb[i]);
    return "";
}

// Each forward page shows the next matching rows, exact codes first, with the
// character's wubi code as a hint; paging past the end leaves the slots.
TEST_F(searchtest, pinyinpagesholdthenextmatchingrows) {
    for (const std::string typed : {"a", "zh", "zhong", "guo", "s", "shi", "x", "n", "lue"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        digiselview::waitsel = false;
        type(typed);
        int from = 0, pages = 0;
        size_t lastlength = 0;
        std::vector<std::string> before(6);
        for (; ime.zhipos != from; ++pages) {
            const std::vector<std::string> shown = page();
            const int to = ime.zhipos;
            int lastrow = from - 1, filled = 0;
            for (int k = 0; k <= 5; ++k) {
                if (shown[k] == before[k]) continue;  // a slot this page did not fill
                ASSERT_EQ(shown[k].size(), 7u) << k;
                const int row = rowbehind(shown[k], typed, lastrow + 1, to);
                ASSERT_GE(row, 0) << "slot " << k << " holds a row outside this page";
                EXPECT_EQ(shown[k].substr(2), (wubiof(shown[k].substr(0, 2)) + "     ").substr(0, 5));
                const size_t length = slot(keyinputpy[row]).size();
                EXPECT_GE(length, lastlength);
                lastlength = length;
                lastrow = row;
                ++filled;
            }
            int matching = 0;
            for (int i = from; i < to; ++i) matching += rowmatches(i, typed);
            EXPECT_TRUE(filled < 6 || matching == 6) << "a matching row skipped";
            before = shown;
            from = to;
            type(".");
        }
        EXPECT_EQ(ime.zhipos, zhiinputsize);
        EXPECT_EQ(page(), before) << "paging past the end leaves the slots";
        EXPECT_GT(pages, 0);
    }
}

// "shi" has one long run of rows; the rows of "zh" are scattered among others.
TEST_F(searchtest, backwardpagesretracetheforwardones) {
    for (const std::string typed : {"shi", "zh", "lue"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        type(typed);
        std::vector<std::vector<std::string>> pages = {page()};
        type(",");
        EXPECT_EQ(page(), pages[0]) << "a backward page from the first shows the first";
        while (ime.zhipos < zhiinputsize && pages.size() < 2000) {
            type(".");
            pages.push_back(page());
        }
        type(".");
        EXPECT_EQ(page(), pages.back());
        for (size_t n = pages.size() - 1; n-- > 0;) {
            type(",");
            ASSERT_EQ(page(), pages[n]) << "back to page " << n << " of " << pages.size();
        }
        type(",");
        EXPECT_EQ(page(), pages[0]);
        if (pages.size() > 2) {
            type(".");
            EXPECT_EQ(page(), pages[1]);
        }
    }
}

// Splits a wubi candidate into its Chinese bytes and its code letters.
std::pair<std::string, std::string> splitwubi(const std::string& text) {
    size_t n = 0;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0x80)) n += 2;
    EXPECT_EQ(text.back(), ' ');
    return {text.substr(0, n), text.substr(n, text.size() - n - 1)};
}

TEST_F(searchtest, wubicandidateshavethetypedcode) {
    std::set<std::pair<std::string, std::string>> pairs;
    for (int p = 0; p < inputhzchinumber; ++p) pairs.insert({entrytext(p), slot(inputhzchiwb[p])});
    f2();
    for (const std::string typed : {"a", "aa", "aaa", "aaaa", "g", "kh", "wqv", "yyyy", "tr"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        type(typed);
        ASSERT_TRUE(digiselview::waitsel);
        int exact = 0, longer = 0;
        for (int k = 0; k <= 9; ++k) {
            const std::string t = candidate(k);
            if (t.empty()) continue;
            const auto split = splitwubi(t);
            EXPECT_TRUE(pairs.count(split)) << t;
            if (k <= 5) {
                ++exact;
                EXPECT_EQ(split.second, typed);
            } else {
                ++longer;
                EXPECT_TRUE(startswith(split.second, typed));
                EXPECT_GT(split.second.size(), typed.size());
            }
        }
        int haveexact = 0, havelonger = 0;
        for (int p = 0; p < inputhzchinumber; ++p) {
            const std::string c = slot(inputhzchiwb[p]);
            haveexact += c == typed;
            havelonger += c != typed && startswith(c, typed);
        }
        EXPECT_EQ(exact, std::min(haveexact, 6));
        EXPECT_EQ(longer, typed.size() == 4 ? 0 : std::min(havelonger, 4));
    }
}

TEST_F(searchtest, fiveletterwubicodematchesnothing) {
    f2();
    type("aaaaa");
    EXPECT_STREQ(ime.code, "aaaaa");
    EXPECT_STREQ(ime.zhisel->digistr, "012345");
    EXPECT_STREQ(ime.chisel->digistr, "6789");
    EXPECT_TRUE(digiselview::waitsel);
}

class suggestiontest : public imetest {
protected:
    std::set<std::string> pagechars() const {
        std::set<std::string> chars;
        for (const std::string& c : page())
            if (!c.empty()) chars.insert(c.substr(0, 2));
        return chars;
    }
    // The first four suggestions for a set of characters, worked out from
    // the phrase dictionary and the ranks alone.
    static std::vector<std::string> expected(const std::set<std::string>& chars) {
        std::vector<std::string> all;
        for (int i = 0; i < inputhzfreqnumber; ++i) {
            const std::string t = entrytext(inputhzfreqorder[i]);
            if (chars.count(t.substr(0, 2))) all.push_back(t);
        }
        all.resize(std::max(all.size(), size_t(4)));
        return std::vector<std::string>(all.begin(), all.begin() + 4);
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
