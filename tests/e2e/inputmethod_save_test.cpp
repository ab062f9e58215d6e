// End-to-end: typing through the input method and saving the file.
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

std::string typesave(const std::string& mode, const std::string& text) {
    std::vector<std::string> keylist;
    if (!mode.empty()) keylist.push_back(mode);
    for (char c : text) keylist.push_back(std::string(1, c));
    keylist.push_back(keys::F8);
    session s;
    if (!s.start()) return "start: " + s.error();
    if (!s.keys(keylist)) return "keys: " + s.error();
    zhe2e::result r = s.finish();
    if (!r.error.empty()) return "finish: " + r.error;
    return r.files["aaaaa.txt"];
}

TEST(inputmethodsave, typedtextissaved) {
    const std::string guo = exactcharacters("guo");
    const size_t at = guo.find("\xB9\xFA");  // 国
    ASSERT_NE(at, std::string::npos);
    ASSERT_LT(at / 2, 6u) << "国 on the first page of guo";
    const auto wubi = singlewubientry();
    ASSERT_EQ(wubi.first.size(), 4u);
    struct {
        std::string mode, typed, saved;
    } cases[] = {
        {"", "zhong guo ", "\xD6\xD0" + guo.substr(0, 2)},  // 中 and the first for "guo"
        {"", "guo" + std::string(1, char('0' + at / 2)), "\xB9\xFA"},
        {keys::F2, wubi.first, wubi.second},  // a single entry needs no digit
        {keys::F1, "Hello, world. \"ok\"", "Hello, world. \"ok\""},
        // 中，　“中”。: the space after the comma is the ideographic space.
        {"", "zhong , \"zhong \".", "\xD6\xD0\xA3\xAC\xA1\xA1\xA1\xB0\xD6\xD0\xA1\xB1\xA1\xA3"},
    };
    for (const auto& c : cases) EXPECT_EQ(typesave(c.mode, c.typed), c.saved) << c.typed;
}

}  // namespace
