// Checks the compiled-in dictionaries: the layout the candidate search relies
// on, the tables of phrase suggestions, and a few entries any user of the
// input method would expect.
#include <algorithm>
#include <map>
#include <set>

#include "tests/ime/imefixture.h"

namespace {

bool ishanzi(const std::string& c) {
    const unsigned char lead = static_cast<unsigned char>(c[0]), trail = static_cast<unsigned char>(c[1]);
    return lead >= 0xB0 && lead <= 0xF7 && trail >= 0xA1 && trail <= 0xFE;
}

// Letters within [first, last] from byte 0, zeros after them, lengths within [minlen, maxlen].
void expectslots(const unsigned char (*slots)[8], int count, char first, char last, size_t minlen, size_t maxlen) {
    for (int i = 0; i < count; ++i) {
        const std::string s = slot(slots[i]);
        ASSERT_TRUE(s.size() >= minlen && s.size() <= maxlen) << "row " << i;
        for (char c : s) ASSERT_TRUE(c >= first && c <= last) << "row " << i;
        for (size_t j = s.size(); j < 8; ++j) ASSERT_EQ(slots[i][j], 0) << "row " << i;
    }
}

// Each index table names every character index once, and rows with one
// code stand in ascending character index.
void expectsortedpermutation(const unsigned char (*codes)[8], const int* index) {
    std::vector<int> seen(zhiinputsize, 0);
    for (int i = 0; i < zhiinputsize; ++i) {
        ASSERT_TRUE(index[i] >= 0 && index[i] < zhiinputsize);
        ++seen[index[i]];
        if (i == 0) continue;
        ASSERT_LE(slotvalue(codes[i - 1]), slotvalue(codes[i])) << "row " << i;
        ASSERT_TRUE(slotvalue(codes[i - 1]) != slotvalue(codes[i]) || index[i - 1] < index[i]) << "row " << i;
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), zhiinputsize);
}

TEST(dictionary, charactertables) {
    expectslots(keyinputpy, zhiinputsize, 'a', 'z', 1, 6);
    for (int i = 0; i < zhiinputsize; ++i) ASSERT_EQ(slot(keyinputpy[i]).find('v'), std::string::npos) << i;
    expectslots(keyinputwb, zhiinputsize, 'a', 'y', 3, 4);
    expectsortedpermutation(keyinputpy, keyinputpyindex);
    expectsortedpermutation(keyinputwb, keyinputwbindex);

    std::vector<std::string> py(zhiinputsize), wb(zhiinputsize);
    for (int i = 0; i < zhiinputsize; ++i) {
        py[keyinputpyindex[i]] = slot(keyinputpy[i]);
        wb[keyinputwbindex[i]] = slot(keyinputwb[i]);
    }
    // Character indexes run in pinyin order; each character has one row per
    // reading and a single wubi code.
    std::map<std::string, std::set<std::string>> readings;
    std::map<std::string, std::string> wubi;
    for (int k = 0; k < zhiinputsize; ++k) {
        ASSERT_LE(py[k > 0 ? k - 1 : 0], py[k]) << "character index " << k;
        ASSERT_TRUE(ishanzi(hanzi(k))) << k;
        ASSERT_TRUE(readings[hanzi(k)].insert(py[k]).second) << "repeated reading at index " << k;
        ASSERT_EQ(wubi.emplace(hanzi(k), wb[k]).first->second, wb[k]) << "two wubi codes at index " << k;
    }
    // Every GB2312 hanzi: 94 a row from 0xB0 to 0xF7 less five unassigned in row 0xD7.
    EXPECT_EQ(readings.size(), 72u * 94u - 5u);
}

TEST(dictionary, phrasetable) {
    expectslots(inputhzchiwb, inputhzchinumber, 'a', 'y', 1, 4);
    ASSERT_EQ(inputhzchiindex[0], 0);
    for (int p = 0; p < inputhzchinumber; ++p) {
        const std::string t = entrytext(p);
        ASSERT_TRUE(!t.empty() && t.size() % 2 == 0 && t.size() <= 18) << "entry " << p;
        for (size_t i = 0; i < t.size(); i += 2) ASSERT_TRUE(ishanzi(t.substr(i, 2))) << "entry " << p;
        // The wubi search relies on the order of the first three letters.
        ASSERT_LE(slot(inputhzchiwb[p > 0 ? p - 1 : 0]).substr(0, 3), slot(inputhzchiwb[p]).substr(0, 3)) << p;
    }
    EXPECT_EQ(inputhzchiindex[inputhzchinumber], 2 * inputchibufnumber);
}

TEST(dictionary, commoncharacterscomefirst) {
    auto firstpinyin = [](const std::string& code) {
        for (int i = 0; i < zhiinputsize; ++i)
            if (slot(keyinputpy[i]) == code) return hanzi(keyinputpyindex[i]);
        return std::string();
    };
    EXPECT_EQ(firstpinyin("de"), "\xB5\xC4");   // 的
    EXPECT_EQ(firstpinyin("shi"), "\xCA\xC7");  // 是
    auto wubioffer = [](const std::string& code) {
        std::vector<std::string> texts;
        for (int p = 0; p < inputhzchinumber; ++p)
            if (slot(inputhzchiwb[p]) == code) texts.push_back(entrytext(p));
        return texts;
    };
    // The one-letter short code, a key-name character and a three-letter full code.
    EXPECT_EQ(wubioffer("a"), std::vector<std::string>{"\xB9\xA4"});  // 工
    const auto aaaa = wubioffer("aaaa");
    ASSERT_GE(aaaa.size(), 2u);
    EXPECT_EQ(aaaa[0], "\xB9\xA4");
    const auto khk = wubioffer("khk");
    ASSERT_FALSE(khk.empty());
    EXPECT_EQ(khk[0], "\xD6\xD0");  // 中
}

// Slots 6 to 9 suggest the most frequent phrases that start with a character
// of the pinyin page, from the generated lookup tables.
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

}  // namespace
