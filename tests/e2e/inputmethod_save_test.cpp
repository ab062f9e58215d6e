// End-to-end tests of typing Chinese through the input method and saving it.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "driver.h"
#include "ime/inputchi.h"
#include "ime/inpywb.h"

namespace {

using zhe2e::session;
namespace keys = zhe2e::keys;

std::string slot(const unsigned char* s) {
    return std::string(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
}

// The characters whose pinyin is exactly `code`, in the order they are offered.
std::string exactcharacters(const std::string& code) {
    std::string out;
    for (int i = 0; i < zhiinputsize; ++i)
        if (slot(keyinputpy[i]) == code) out.append(reinterpret_cast<const char*>(keyinputhanzhi[keyinputpyindex[i]]), 2);
    return out;
}

// A 4-letter wubi code with exactly one entry, and that entry's text.
std::pair<std::string, std::string> singlewubientry() {
    std::map<std::string, int> count;
    for (int p = 0; p < inputhzchinumber; ++p) ++count[slot(inputhzchiwb[p])];
    for (int p = 0; p < inputhzchinumber; ++p) {
        const std::string c = slot(inputhzchiwb[p]);
        if (c.size() == 4 && count[c] == 1)
            return {c, std::string(reinterpret_cast<const char*>(inputhzchi + inputhzchiindex[p]),
                                   size_t(inputhzchiindex[p + 1] - inputhzchiindex[p]))};
    }
    return {};
}

std::string typesave(const std::vector<std::string>& keylist) {
    session s;
    if (!s.start()) return "start: " + s.error();
    if (!s.keys(keylist)) return "keys: " + s.error();
    if (!s.key(keys::F8)) return "F8: " + s.error();
    zhe2e::result r = s.finish();
    if (!r.error.empty()) return "finish: " + r.error;
    return r.files["aaaaa.txt"];
}

std::vector<std::string> letters(const std::string& s) {
    std::vector<std::string> out;
    for (char c : s) out.push_back(std::string(1, c));
    return out;
}

TEST(InputMethodSave, PinyinSpaceTakesTheFirstCandidate) {
    const std::string guo = exactcharacters("guo");
    ASSERT_GE(guo.size(), 2u);
    std::vector<std::string> k = letters("zhong");
    k.push_back(" ");
    for (auto& l : letters("guo")) k.push_back(l);
    k.push_back(" ");
    EXPECT_EQ(typesave(k), "\xD6\xD0" + guo.substr(0, 2));  // 中 and the first for "guo"
}

TEST(InputMethodSave, PinyinDigitTakesItsCandidate) {
    const std::string guo = exactcharacters("guo");
    const size_t at = guo.find("\xB9\xFA");  // 国
    ASSERT_NE(at, std::string::npos);
    ASSERT_LT(at / 2, 6u) << "国 on the first page of guo";
    std::vector<std::string> k = letters("guo");
    k.push_back(std::string(1, char('0' + at / 2)));
    EXPECT_EQ(typesave(k), "\xB9\xFA");
}

TEST(InputMethodSave, WubiSingleEntryNeedsNoDigit) {
    const auto entry = singlewubientry();
    ASSERT_EQ(entry.first.size(), 4u);
    std::vector<std::string> k = {keys::F2};
    for (auto& l : letters(entry.first)) k.push_back(l);
    EXPECT_EQ(typesave(k), entry.second);
}

TEST(InputMethodSave, EnglishIsPlainAscii) {
    std::vector<std::string> k = {keys::F1};
    for (auto& l : letters("Hello, world. \"ok\"")) k.push_back(l);
    EXPECT_EQ(typesave(k), "Hello, world. \"ok\"");
}

TEST(InputMethodSave, FullWidthPunctuationArrivesAsTwoBytes) {
    // 中，“中”。 with the space after the comma not inserted at full width.
    std::vector<std::string> k = letters("zhong");
    for (auto& l : letters(" , \"zhong \".")) k.push_back(l);
    EXPECT_EQ(typesave(k), "\xD6\xD0\xA3\xAC\xA1\xB0\xD6\xD0\xA1\xB1\xA1\xA3");
}

}  // namespace
