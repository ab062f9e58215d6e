#include "editor/textcodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fuzz/textcodecfuzz.h"

namespace {

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

textcodec::utf8scan scan(const std::string& s, bool more = false) { return textcodec::scanutf8(bytes(s), s.size(), more); }

std::string togbk(const std::string& utf8, textcodec::conversion& state) {
    std::string out;
    state = textcodec::utf8togbk(bytes(utf8), utf8.size(), out);
    return out;
}

std::string toutf8(const std::string& gbk, bool withbom, textcodec::conversion& state) {
    std::string out;
    state = textcodec::gbktoutf8(bytes(gbk), gbk.size(), withbom, out);
    return out;
}

std::string utf8of(unsigned codepoint) {
    if (codepoint < 0x80) return std::string(1, char(codepoint));
    const int continuations = codepoint < 0x800 ? 1 : codepoint < 0x10000 ? 2 : 3;
    std::string s(1, char(((0x1F80 >> continuations) & 0xFF) | codepoint >> (6 * continuations)));
    for (int i = continuations - 1; i >= 0; --i) s += char(0x80 | ((codepoint >> (6 * i)) & 0x3F));
    return s;
}

const std::string placeholder = "\xA1\xFE";  // 〓

TEST(textcodec, tellsutf8textsfromothers) {
    const struct {
        std::string data;
        bool valid, hashigh;
        size_t wholelength;
    } rows[] = {
        {"plain ASCII\r\n", true, false, 13},
        {"\xE4\xB8\xAD\xE6\x96\x87 text", true, true, 11},  // 中文 text
        {"\xEF\xBB\xBFplain", true, true, 8},                // a mark makes even ASCII UTF-8
        {"\xF4\x8F\xBF\xBF", true, true, 4},                 // U+10FFFF
        {"\xC0\x80", false, false, 0},                       // overlong
        {"\xF0\x8F\xBF\xBF", false, false, 0},               // overlong U+FFFF
        {"\xED\xA0\x80", false, false, 0},                   // surrogate
        {"\xF4\x90\x80\x80", false, false, 0},               // U+110000
        {"\x80", false, false, 0},
        {"\xE4\xB8", false, false, 0},                       // cut short at the end of the file
        {"a\xE4\xB8\xAD\xB8", false, true, 4},
        {"\xD6\xD0\xCE\xC4", false, false, 0},               // short GBK texts stay GBK: 中文
        {"ab\xD7\xD6", false, false, 2},                     // ab字
        {"\xA1\xA3", false, false, 0},                       // 。
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.data));
        const textcodec::utf8scan s = scan(r.data);
        EXPECT_EQ(s.valid, r.valid);
        EXPECT_EQ(s.hashigh, r.hashigh);
        EXPECT_EQ(s.hasbom, r.data[0] == '\xEF');
        EXPECT_EQ(textcodec::isutf8text(s), r.valid && r.hashigh);
        EXPECT_EQ(s.wholelength, r.wholelength);
    }
    // A read cut inside a character may still be valid; a start that never can be is not.
    for (const std::string cut : {"ab\xE4", "ab\xE4\xB8"}) {
        EXPECT_TRUE(scan(cut, true).valid);
        EXPECT_EQ(scan(cut, true).wholelength, 2u);
    }
    for (const std::string bad : {"a\xE0\x80", "a\xED\xA0", "a\xF4\x90", "a\xC0", "a\xF8"}) {
        EXPECT_FALSE(scan(bad, true).valid) << testing::PrintToString(bad);
        EXPECT_EQ(scan(bad, true).wholelength, 1u);
    }
}

TEST(textcodec, byteordermarkandunheldcharacters) {
    textcodec::conversion state;
    EXPECT_EQ(togbk("\xEF\xBB\xBF" "a\xE4\xB8\xAD", state), "a\xD6\xD0");
    EXPECT_TRUE(state.hasbom);
    EXPECT_EQ(toutf8("a\xD6\xD0", true, state), "\xEF\xBB\xBF" "a\xE4\xB8\xAD");
    EXPECT_EQ(togbk("a\xEF\xBB\xBF", state), "a" + placeholder) << "only a leading mark is one";
    EXPECT_FALSE(state.hasbom);
    // Into a buffer too small for the mark nothing is written yet; a lead byte
    // at the end of a piece waits for its second byte.
    textcodec::conversion saving;
    saving.hasbom = true;
    unsigned char room[5];
    size_t written = 9;
    EXPECT_EQ(textcodec::gbktoutf8(bytes("z\xD6\xD0"), 3, true, room, 2, written, saving), 0u);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(textcodec::gbktoutf8(bytes("z\xD6\xD0"), 3, true, room, sizeof room, written, saving), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(room), written), "\xEF\xBB\xBFz");
    EXPECT_EQ(textcodec::gbktoutf8(bytes("\xD6\xD0"), 1, false, room, sizeof room, written, saving), 0u);
    EXPECT_EQ(textcodec::gbktoutf8(bytes("\xD6\xD0"), 2, false, room, sizeof room, written, saving), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(room), written), "\xE4\xB8\xAD");
    // An emoji, the euro sign (one byte in glibc), extension B, a GBK pair with a
    // low second byte, Hangul, a language tag (nothing in glibc), a Latin letter outside GBK.
    for (const std::string unheld : {"\xF0\x9F\x98\x80", "\xE2\x82\xAC", "\xF0\xA0\x80\x80", "\xE4\xB8\x82",
                                     "\xEA\xB0\x80", "\xF3\xA0\x80\x81", "\xC4\x80"}) {
        SCOPED_TRACE(testing::PrintToString(unheld));
        EXPECT_EQ(togbk("one\r\ntwo\nx" + unheld + "y\n" + unheld, state), "one\r\ntwo\nx" + placeholder + "y\n" + placeholder);
        EXPECT_EQ(state.replaced, 2);
        EXPECT_EQ(state.firstline, 3);
    }
    EXPECT_EQ(togbk("\n\n\xD6\xD0", state), "\n\n??") << "bytes that are not UTF-8 never grow";
    EXPECT_EQ(state.firstline, 3);
}

// Pairs with no UTF-8 form (user-defined, second byte A0, lead 80 or FF) and a lone lead byte.
TEST(textcodec, pairswithoutautf8formbecomereplacementcharacters) {
    textcodec::conversion state;
    for (const std::string pair : {"\xAA\xA1", "\xFE\xFE", "\xA1\xA0", "\x80\x80", "\x80\x41", "\xFF\xA1"}) {
        SCOPED_TRACE(testing::PrintToString(pair));
        EXPECT_EQ(toutf8("ab\r\ncd\r\n\xD6\xD0" + pair + "e", false, state), "ab\r\ncd\r\n\xE4\xB8\xAD\xEF\xBF\xBD" "e");
        EXPECT_EQ(state.replaced, 1);
        EXPECT_EQ(state.firstline, 3);
    }
    EXPECT_EQ(toutf8("a\xD6", false, state), "a\xEF\xBF\xBD");
    EXPECT_EQ(state.replaced, 1);
    EXPECT_EQ(toutf8("\x81\x40", false, state), "\xE4\xB8\x82") << "a low second byte is still GBK";
    EXPECT_EQ(state.replaced, 0);
}

TEST(textcodec, everyheldcharactercomesbackexactly) {
    ASSERT_TRUE(textcodec::available());
    long held = 0;
    for (unsigned codepoint = 1; codepoint <= 0x10FFFF; ++codepoint) {
        if ((codepoint >= 0xD800 && codepoint < 0xE000) || codepoint == 0xFEFF) continue;
        const std::string utf8 = utf8of(codepoint);
        textcodec::conversion state;
        const std::string gbk = togbk(utf8, state);
        ASSERT_LE(gbk.size(), utf8.size());
        if (state.replaced) continue;
        ++held;
        if (codepoint >= 0x80) {
            ASSERT_EQ(gbk.size(), 2u);
            ASSERT_TRUE(static_cast<unsigned char>(gbk[0]) >= 0x80 && static_cast<unsigned char>(gbk[1]) >= 0x80);
        }
        ASSERT_EQ(toutf8(gbk, false, state), utf8) << std::hex << codepoint;
        ASSERT_EQ(state.replaced, 0);
    }
    EXPECT_GT(held, 14000);
}

TEST(textcodec, fitscountwhattheeditorwillhold) {
    // Costs: mark 0, a 1, b 1, CR 0, LF 2, c 1, LF 2, 中 2, CR 0, d 1.
    const std::string text = "\xEF\xBB\xBF" "ab\r\nc\n\xE4\xB8\xAD\rd";
    const size_t ends[] = {3, 4, 6, 6, 7, 8, 8, 9, 9, 13, 14, 14, 14};
    for (size_t capacity = 0; capacity < std::size(ends); ++capacity)
        EXPECT_EQ(textcodec::utf8fit(bytes(text), text.size(), capacity), ends[capacity]) << capacity;
    EXPECT_EQ(textcodec::utf8fit(bytes("ab\xE4\xB8"), 4, 100), 2u);
    EXPECT_EQ(textcodec::utf8fit(bytes("ab\xC0\x80"), 4, 100), 2u);
}

// Random texts of every kind of character, and random bytes, through the fuzzer's checks.
TEST(textcodec, randominput) {
    const std::string pieces[] = {
        "a", "Z", " ", "\r", "\n", "\r\n", "\t", std::string(1, '\0'),
        "\xE4\xB8\xAD", "\xE6\x96\x87", "\xEF\xBC\x8C", "\xC2\xB7", "\xE3\x80\x93",   // 中 文 ， · 〓
        "\xF0\x9F\x98\x80", "\xE2\x82\xAC", "\xF0\xA0\x80\x80", "\xE4\xB8\x82",      // not held
        "\xEF\xBB\xBF", "\xD6\xD0", "\x80", "\xC0\x80", "\xED\xA0\x80", "\xE4\xB8",  // mark, GBK, faults
    };
    std::mt19937 random(20261207);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int count = int(random() % 40);
        const size_t kinds = round % 2 == 0 ? 18 : std::size(pieces);  // even rounds: well formed only
        for (int i = 0; i < count; ++i) text += round % 5 == 4 ? std::string(1, char(random())) : pieces[random() % kinds];
        textcodecfuzz::checktextcodec(bytes(text), text.size());
    }
}

}  // namespace
