// The candidate searches on the real dictionaries. The expectations come
// from the tables' own contents, so they hold whatever words the generator
// put in: what is offered must really have the typed code, in the order the
// tables give.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ime/inputchi.h"
#include "ime/inpywb.h"
#include "ime/pyinput.h"
#include "tests/widgets/recordingwindow.h"

namespace {

std::string slot(const unsigned char* s) { return std::string(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8)); }
std::string hanzi(int k) { return std::string(reinterpret_cast<const char*>(keyinputhanzhi[k]), 2); }
bool startswith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

// The text of candidate k of a selector, empty when there is none.
std::string candidate(const digiselview& sel, int k) {
    const char* t = sel.candidate(k);
    return t ? std::string(t, size_t(sel.charlens[k])) : std::string();
}

class searchtest : public ::testing::Test {
protected:
    recordingwindow screen{1920, 200};
    pyinput ime;

    void SetUp() override { pyinputview = &ime; }
    void TearDown() override { pyinputview = nullptr; }

    void type(const std::string& keys) {
        for (char c : keys) ime.keymouse(eventchar, c, 0, 0, 0, 0);
    }
    std::vector<std::string> page() const {
        std::vector<std::string> out;
        for (int k = 0; k <= 5; ++k) out.push_back(candidate(*ime.zhisel, k));
        return out;
    }
    std::vector<std::string> phrases() const {
        std::vector<std::string> out;
        for (int k = 6; k <= 9; ++k) out.push_back(candidate(*ime.chisel, k));
        return out;
    }
};

// The pinyin row, within [from, to), that stands behind a candidate text.
int rowbehind(const std::string& text, const std::string& typed, int from, int to) {
    for (int i = from; i < to; ++i) {
        const int k = keyinputpyindex[i];
        if (startswith(slot(keyinputpy[i]), typed) && text.compare(0, 2, hanzi(k)) == 0) return i;
    }
    return -1;
}

std::string wubiof(const std::string& ch) {
    for (int i = 0; i < zhiinputsize; ++i)
        if (hanzi(keyinputwbindex[i]) == ch) return slot(keyinputwb[i]);
    return "";
}

TEST_F(searchtest, pinyinpagesholdmatchingrowsinorder) {
    for (const std::string typed : {"a", "zh", "zhong", "guo", "s", "shi", "x", "n", "lue"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        digiselview::waitsel = false;
        type(typed);
        int from = 0;
        size_t lastlength = 0;
        int pages = 0;
        std::vector<std::string> before;
        for (;;) {
            const std::vector<std::string> shown = page();
            const int to = ime.zhipos;
            if (to == from) break;  // past the end: nothing placed
            int lastrow = from - 1;
            for (int k = 0; k <= 5; ++k) {
                const std::string& text = shown[k];
                if (text == (pages ? before[k] : "")) continue;  // a slot this page did not fill
                ASSERT_EQ(text.size(), 7u) << k;
                // The character, its wubi code, spaces.
                const int row = rowbehind(text, typed, lastrow + 1, to);
                ASSERT_GE(row, 0) << "slot " << k << " holds a row outside this page";
                const std::string w = wubiof(text.substr(0, 2));
                EXPECT_EQ(text.substr(2), (w + "     ").substr(0, 5));
                // Exact codes first: the code lengths never go down.
                const size_t length = slot(keyinputpy[row]).size();
                EXPECT_GE(length, lastlength);
                lastlength = length;
                lastrow = row;
            }
            ++pages;
            before = shown;
            from = to;
            type(".");
            ASSERT_GE(ime.zhipos, from);
        }
        EXPECT_EQ(ime.zhipos, zhiinputsize);
        EXPECT_EQ(page(), before) << "paging past the end leaves the slots";
        EXPECT_GT(pages, 0);
    }
}

TEST_F(searchtest, firstpageofaisallexactrows) {
    // "a" has exactly six rows of its own: the first page is all of them.
    type("a");
    int exact = 0;
    for (int i = 0; i < zhiinputsize; ++i) exact += slot(keyinputpy[i]) == "a";
    ASSERT_GE(exact, 6);
    for (int k = 0; k <= 5; ++k) {
        const int row = rowbehind(page()[k], "a", 0, zhiinputsize);
        ASSERT_GE(row, 0);
        EXPECT_EQ(slot(keyinputpy[row]), "a");
    }
}

TEST_F(searchtest, backwardpagesretracetheforwardones) {
    // "shi" has one long run of rows; the rows of "zh" are scattered over
    // the table among other codes.
    for (const std::string typed : {"shi", "zh", "lue"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        type(typed);
        // A backward page from the first page shows the first page again.
        std::vector<std::vector<std::string>> pages = {page()};
        type(",");
        EXPECT_EQ(page(), pages[0]);
        for (int guard = 0; guard < 2000 && ime.zhipos < zhiinputsize; ++guard) {
            type(".");
            pages.push_back(page());
        }
        type(".");  // past the end: nothing changes
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

TEST_F(searchtest, phrasesstartwithacharacterofthepage) {
    for (const std::string typed : {"zhong", "guo", "shi", "de", "a"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        type(typed);
        std::set<std::string> pagechars;
        for (const std::string& c : page()) pagechars.insert(c.substr(0, 2));
        int shown = 0;
        for (const std::string& p : phrases()) {
            if (p.empty()) continue;
            ++shown;
            EXPECT_EQ(p.size() % 2, 0u);
            EXPECT_TRUE(pagechars.count(p.substr(0, 2))) << p;
        }
        EXPECT_EQ(shown, 4);
    }
}

// Every (text, code) pair of the phrase dictionary.
std::set<std::pair<std::string, std::string>> phrasepairs() {
    std::set<std::pair<std::string, std::string>> pairs;
    for (int p = 0; p < inputhzchinumber; ++p) {
        const int off = inputhzchiindex[p], len = inputhzchiindex[p + 1] - off;
        pairs.insert({std::string(reinterpret_cast<const char*>(inputhzchi + off), size_t(len)), slot(inputhzchiwb[p])});
    }
    return pairs;
}

// Splits a wubi candidate into its Chinese bytes and its code letters.
std::pair<std::string, std::string> splitwubi(const std::string& text) {
    size_t n = 0;
    while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0x80)) n += 2;
    std::string letters = text.substr(n);
    EXPECT_FALSE(letters.empty());
    if (!letters.empty()) {
        EXPECT_EQ(letters.back(), ' ');
        letters.pop_back();
    }
    return {text.substr(0, n), letters};
}

TEST_F(searchtest, wubicandidateshavethetypedcode) {
    const auto pairs = phrasepairs();
    ime.keymouse(eventkeydown, 16, 54, 0, -1, 0);  // F2: wubi
    ASSERT_EQ(ime.mode, pyinput::wubi);
    for (const std::string typed : {"a", "aa", "aaa", "aaaa", "g", "kh", "wqv", "yyyy", "tr"}) {
        SCOPED_TRACE(typed);
        ime.reset();
        type(typed);
        ASSERT_TRUE(digiselview::waitsel);
        int exact = 0;
        for (int k = 0; k <= 5; ++k) {
            const std::string t = candidate(*ime.zhisel, k);
            if (t.empty()) continue;
            ++exact;
            const auto split = splitwubi(t);
            EXPECT_EQ(split.second, typed);
            EXPECT_TRUE(pairs.count(split)) << t;
        }
        int longer = 0;
        for (int k = 6; k <= 9; ++k) {
            const std::string t = candidate(*ime.chisel, k);
            if (t.empty()) continue;
            ++longer;
            const auto split = splitwubi(t);
            EXPECT_TRUE(startswith(split.second, typed));
            EXPECT_GT(split.second.size(), typed.size());
            EXPECT_TRUE(pairs.count(split)) << t;
        }
        // As many as the dictionary has, up to the slots there are.
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
    ime.keymouse(eventkeydown, 16, 54, 0, -1, 0);
    type("aaaaa");
    EXPECT_STREQ(ime.code, "aaaaa");
    EXPECT_STREQ(ime.zhisel->digistr, "012345");
    EXPECT_STREQ(ime.chisel->digistr, "6789");
    EXPECT_TRUE(digiselview::waitsel);
}

}  // namespace
