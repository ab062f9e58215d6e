#include "editor/textcodec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fuzz/textcodecfuzz.h"

namespace {

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

textcodec::utf8scan scan(const std::string& s, bool more = false) {
    return textcodec::scanutf8(bytes(s), s.size(), more);
}

std::string togbk(const std::string& utf8, textcodec::conversion* state = nullptr) {
    std::string out;
    const textcodec::conversion done = textcodec::utf8togbk(bytes(utf8), utf8.size(), out);
    if (state) *state = done;
    return out;
}

std::string toutf8(const std::string& gbk, bool withbom = false, textcodec::conversion* state = nullptr) {
    std::string out;
    const textcodec::conversion done = textcodec::gbktoutf8(bytes(gbk), gbk.size(), withbom, out);
    if (state) *state = done;
    return out;
}

std::string utf8of(unsigned codepoint) {
    std::string s;
    if (codepoint < 0x80) {
        s += char(codepoint);
    } else if (codepoint < 0x800) {
        s += char(0xC0 | codepoint >> 6);
        s += char(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        s += char(0xE0 | codepoint >> 12);
        s += char(0x80 | ((codepoint >> 6) & 0x3F));
        s += char(0x80 | (codepoint & 0x3F));
    } else {
        s += char(0xF0 | codepoint >> 18);
        s += char(0x80 | ((codepoint >> 12) & 0x3F));
        s += char(0x80 | ((codepoint >> 6) & 0x3F));
        s += char(0x80 | (codepoint & 0x3F));
    }
    return s;
}

const std::string placeholder = "\xA1\xFE";  // 〓

TEST(textcodec, tellsutf8textsfromothers) {
    struct row {
        std::string data;
        bool valid, hashigh, hasbom;
    };
    const row rows[] = {
        {"", true, false, false},
        {"plain ASCII\r\n", true, false, false},
        {"\xE4\xB8\xAD\xE6\x96\x87 text", true, true, false},        // 中文 text
        {"\xEF\xBB\xBFplain", true, true, true},                       // a mark on ASCII makes it UTF-8
        {"\xC3\xA9t\xC3\xA9", true, true, false},                      // été
        {"\xF0\x9F\x98\x80", true, true, false},                       // an emoji
        {"\xF4\x8F\xBF\xBF", true, true, false},                       // U+10FFFF
        {"\xC0\x80", false, false, false},                             // overlong NUL
        {"\xC1\xBF", false, false, false},                             // overlong
        {"\xE0\x80\xAF", false, false, false},                         // overlong '/'
        {"\xF0\x8F\xBF\xBF", false, false, false},                     // overlong U+FFFF
        {"\xED\xA0\x80", false, false, false},                         // surrogate D800
        {"\xED\xBF\xBF", false, false, false},                         // surrogate DFFF
        {"\xF4\x90\x80\x80", false, false, false},                     // U+110000
        {"\xF5\x80\x80\x80", false, false, false},
        {"\xFF", false, false, false},
        {"\x80", false, false, false},                                 // stray continuation
        {"\xE4\xB8", false, false, false},                             // cut short at the end of the file
        {"a\xE4\xB8\xAD\xB8", false, true, false},                     // one continuation too many
        // Short GBK texts are not UTF-8 and stay GBK.
        {"\xD6\xD0\xCE\xC4", false, false, false},                     // 中文
        {"\xC4\xE3\xBA\xC3", false, false, false},                     // 你好
        {"\xB1\xA3\xB4\xE6", false, false, false},                     // 保存
        {"ab\xD7\xD6", false, false, false},                           // ab字
        {"\xA1\xA3", false, false, false},                             // 。
    };
    for (const row& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.data));
        const textcodec::utf8scan s = scan(r.data);
        EXPECT_EQ(s.valid, r.valid);
        EXPECT_EQ(s.hashigh, r.hashigh);
        EXPECT_EQ(s.hasbom, r.hasbom);
        EXPECT_EQ(textcodec::isutf8text(s), r.valid && r.hashigh);
        if (r.valid) {
            EXPECT_EQ(s.wholelength, r.data.size());
        }
    }
    EXPECT_EQ(scan("a\xE4\xB8\xAD\xB8").wholelength, 4u);
    EXPECT_EQ(scan("ab\xD7\xD6").wholelength, 2u);
}

TEST(textcodec, acutreadendsonawholesequence) {
    // 中 cut after one or two of its three bytes: could still be valid.
    for (const std::string& cut : {std::string("ab\xE4"), std::string("ab\xE4\xB8")}) {
        const textcodec::utf8scan s = scan(cut, true);
        EXPECT_TRUE(s.valid);
        EXPECT_FALSE(s.hashigh);
        EXPECT_EQ(s.wholelength, 2u);
        EXPECT_FALSE(scan(cut, false).valid);
    }
    const textcodec::utf8scan whole = scan("\xE4\xB8\xAD\xF0\x9F\x98", true);
    EXPECT_TRUE(whole.valid && whole.hashigh);
    EXPECT_EQ(whole.wholelength, 3u);
    // Starts that can never become valid are faults even in a cut read.
    for (const std::string& bad : {std::string("a\xE0\x80"), std::string("a\xED\xA0"), std::string("a\xF4\x90"),
                                   std::string("a\xC0"), std::string("a\xF8")}) {
        SCOPED_TRACE(testing::PrintToString(bad));
        const textcodec::utf8scan s = scan(bad, true);
        EXPECT_FALSE(s.valid);
        EXPECT_EQ(s.wholelength, 1u);
    }
}

TEST(textcodec, chineseandenglishroundtrip) {
    const std::string utf8 =
        "Hello, \xE4\xB8\x96\xE7\x95\x8C\r\n"                  // Hello, 世界
        "\xE4\xB8\xAD\xE6\x96\x87\xE7\xBC\x96\xE8\xBE\x91\xE5\x99\xA8\xEF\xBC\x8C"  // 中文编辑器，
        "\xE4\xBF\x9D\xE5\xAD\x98\xE3\x80\x82\n"               // 保存。
        "\xC2\xB7\xE2\x80\x94\xE2\x80\x9C\xE2\x80\x9D\xE3\x80\x93 tab\there\n";  // ·—“”〓
    const std::string gbk =
        "Hello, \xCA\xC0\xBD\xE7\r\n"
        "\xD6\xD0\xCE\xC4\xB1\xE0\xBC\xAD\xC6\xF7\xA3\xAC"
        "\xB1\xA3\xB4\xE6\xA1\xA3\n"
        "\xA1\xA4\xA1\xAA\xA1\xB0\xA1\xB1\xA1\xFE tab\there\n";
    textcodec::conversion loaded;
    EXPECT_EQ(togbk(utf8, &loaded), gbk);
    EXPECT_EQ(loaded.replaced, 0);
    EXPECT_EQ(loaded.firstline, 0);
    EXPECT_FALSE(loaded.hasbom);
    EXPECT_EQ(loaded.line, 4);
    textcodec::conversion saved;
    EXPECT_EQ(toutf8(gbk, false, &saved), utf8);
    EXPECT_EQ(saved.replaced, 0);

    // With a byte-order mark: taken off on loading, put back on saving.
    const std::string marked = "\xEF\xBB\xBF" + utf8;
    EXPECT_EQ(togbk(marked, &loaded), gbk);
    EXPECT_TRUE(loaded.hasbom);
    EXPECT_EQ(toutf8(gbk, loaded.hasbom), marked);
    EXPECT_EQ(toutf8("", true), "\xEF\xBB\xBF");
    EXPECT_EQ(togbk("\xEF\xBB\xBF", &loaded), "");
    EXPECT_TRUE(loaded.hasbom);
    // Only a leading mark is one; later it is a character the editor cannot hold.
    EXPECT_EQ(togbk("a\xEF\xBB\xBF", &loaded), "a" + placeholder);
    EXPECT_FALSE(loaded.hasbom);
    EXPECT_EQ(loaded.replaced, 1);
}

TEST(textcodec, charactersthatcannotbeheldbecometheplaceholder) {
    struct row {
        std::string name, utf8;
    };
    const row rows[] = {
        {"emoji", "\xF0\x9F\x98\x80"},
        {"euro sign (glibc gives one byte)", "\xE2\x82\xAC"},
        {"CJK extension B", "\xF0\xA0\x80\x80"},
        {"second GBK byte below 0x80", "\xE4\xB8\x82"},   // 丂 is 81 40
        {"Hangul syllable", "\xEA\xB0\x80"},
        {"language tag (glibc gives nothing)", "\xF3\xA0\x80\x81"},
        {"two-byte Latin letter outside GBK", "\xC4\x80"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const std::string text = "line one\r\nline two\nx" + r.utf8 + "y\n" + r.utf8;
        textcodec::conversion state;
        const std::string gbk = togbk(text, &state);
        EXPECT_EQ(gbk, "line one\r\nline two\nx" + placeholder + "y\n" + placeholder);
        EXPECT_EQ(state.replaced, 2);
        EXPECT_EQ(state.firstline, 3);
        EXPECT_LE(gbk.size(), text.size());
    }
    // Bytes that are not UTF-8 at all each become one '?', so the output never grows.
    textcodec::conversion state;
    EXPECT_EQ(togbk("\n\n\xD6\xD0", &state), "\n\n??");
    EXPECT_EQ(state.replaced, 2);
    EXPECT_EQ(state.firstline, 3);
}

TEST(textcodec, pairswithoutautf8formbecomereplacementcharacters) {
    struct row {
        std::string name, gbk;
    };
    const row rows[] = {
        {"user-defined area", "\xAA\xA1"},
        {"user-defined area, last", "\xFE\xFE"},
        {"second byte A0", "\xA1\xA0"},
        {"lead byte 0x80 (glibc reads it as a one-byte euro sign)", "\x80\x80"},
        {"lead byte 0x80 then a letter", "\x80\x41"},
        {"lead byte FF", "\xFF\xA1"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        textcodec::conversion state;
        EXPECT_EQ(toutf8("ab\r\ncd\r\n\xD6\xD0" + r.gbk + "e", false, &state),
                  "ab\r\ncd\r\n\xE4\xB8\xAD\xEF\xBF\xBD" "e");
        EXPECT_EQ(state.replaced, 1);
        EXPECT_EQ(state.firstline, 3);
    }
    // A lead byte left alone at the end.
    textcodec::conversion state;
    EXPECT_EQ(toutf8("a\xD6", false, &state), "a\xEF\xBF\xBD");
    EXPECT_EQ(state.replaced, 1);
    EXPECT_EQ(state.firstline, 1);
    // A pair whose second byte is below 0x80 is still one character of GBK.
    EXPECT_EQ(toutf8("\x81\x40", false, &state), "\xE4\xB8\x82");   // 丂
    EXPECT_EQ(state.replaced, 0);
}

TEST(textcodec, everyheldcharactercomesbackexactly) {
    ASSERT_TRUE(textcodec::available());
    long held = 0;
    for (unsigned codepoint = 1; codepoint <= 0x10FFFF; ++codepoint) {
        if (codepoint >= 0xD800 && codepoint < 0xE000) continue;
        if (codepoint == 0xFEFF) continue;   // a mark at the start of a text
        const std::string utf8 = utf8of(codepoint);
        textcodec::conversion loaded;
        const std::string gbk = togbk(utf8, &loaded);
        ASSERT_LE(gbk.size(), utf8.size());
        if (loaded.replaced) continue;
        ++held;
        if (codepoint >= 0x80) {
            ASSERT_EQ(gbk.size(), 2u);
            ASSERT_TRUE(static_cast<unsigned char>(gbk[0]) >= 0x80 && static_cast<unsigned char>(gbk[1]) >= 0x80);
        }
        textcodec::conversion saved;
        ASSERT_EQ(toutf8(gbk, false, &saved), utf8) << std::hex << codepoint;
        ASSERT_EQ(saved.replaced, 0);
    }
    // ASCII and GBK's characters with both bytes at 0x80 or above.
    EXPECT_GT(held, 14000);
}

TEST(textcodec, fitscountwhattheeditorwillhold) {
    const std::string text = "\xEF\xBB\xBF" "ab\r\nc\n\xE4\xB8\xAD\rd";   // mark, ab CR LF c LF 中 CR d
    // Costs: mark 0, a 1, b 1, CR 0, LF 2, c 1, LF 2, 中 2, CR 0, d 1: 10 in all.
    const size_t ends[] = {3, 4, 6, 6, 7, 8, 8, 9, 9, 13, 14, 14, 14};
    for (size_t capacity = 0; capacity < sizeof ends / sizeof ends[0]; ++capacity) {
        SCOPED_TRACE(capacity);
        const size_t fit = textcodec::utf8fit(bytes(text), text.size(), capacity);
        EXPECT_EQ(fit, ends[capacity]);
    }
    EXPECT_EQ(textcodec::utf8fit(bytes("ab\xE4\xB8"), 4, 100), 2u);   // stops before a cut sequence
    EXPECT_EQ(textcodec::utf8fit(bytes("ab\xC0\x80"), 4, 100), 2u);   // and before a fault
}

// Converts in the smallest steps: one input byte offered more at a time, into
// a buffer with room for one character, and compares with the whole result.
TEST(textcodec, smallbuffersandpiecesgivethewholeresult) {
    const std::string utf8 = "\xEF\xBB\xBFz\xE4\xB8\xAD\n\xF0\x9F\x98\x80\xE6\x96\x87";
    const std::string gbk = togbk(utf8);
    EXPECT_EQ(gbk, "z\xD6\xD0\n" + placeholder + "\xCE\xC4");
    textcodec::conversion state;
    std::string gathered;
    size_t pos = 0;
    for (size_t end = 1; end <= utf8.size(); ++end) {
        unsigned char out[2 + textcodecfuzz::guardlength];
        std::fill(out, out + sizeof out, textcodecfuzz::guard);
        for (;;) {
            size_t written = 0;
            const size_t taken =
                textcodec::utf8togbk(bytes(utf8) + pos, end - pos, end == utf8.size(), out, 2, written, state);
            for (size_t i = 2; i < sizeof out; ++i) ASSERT_EQ(out[i], textcodecfuzz::guard);
            gathered.append(reinterpret_cast<char*>(out), written);
            pos += taken;
            if (taken == 0 && written == 0) break;
        }
    }
    EXPECT_EQ(pos, utf8.size());
    EXPECT_EQ(gathered, gbk);
    EXPECT_TRUE(state.hasbom);
    EXPECT_EQ(state.replaced, 1);
    EXPECT_EQ(state.firstline, 2);

    // To UTF-8 into a buffer too small for the mark writes nothing yet.
    textcodec::conversion saving;
    saving.hasbom = true;
    unsigned char small[2];
    size_t written = 9;
    EXPECT_EQ(textcodec::gbktoutf8(bytes(gbk), gbk.size(), true, small, sizeof small, written, saving), 0u);
    EXPECT_EQ(written, 0u);
    unsigned char room[5];
    EXPECT_EQ(textcodec::gbktoutf8(bytes(gbk), gbk.size(), true, room, sizeof room, written, saving), 1u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(room), written), "\xEF\xBB\xBFz");
    // A lead byte at the end of a piece waits for its second byte.
    EXPECT_EQ(textcodec::gbktoutf8(bytes(gbk) + 1, 1, false, room, sizeof room, written, saving), 0u);
    EXPECT_EQ(textcodec::gbktoutf8(bytes(gbk) + 1, 2, false, room, sizeof room, written, saving), 2u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(room), written), "\xE4\xB8\xAD");
}

// Random texts built from characters of every kind, and random bytes, through
// the fuzzer's checks.
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
        const bool clean = round % 2 == 0;   // only well-formed pieces: round trips are checked
        for (int i = 0; i < count; ++i) {
            const size_t choice = random() % (clean ? 18 : sizeof pieces / sizeof pieces[0]);
            text += pieces[choice];
        }
        if (round % 5 == 4) {
            text.clear();
            for (int i = 0; i < count; ++i) text += char(random());
        }
        textcodecfuzz::checktextcodec(bytes(text), text.size());
    }
}

}  // namespace
