#include "widgets/digiselview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "input/keyvalues.h"
#include "tests/widgets/recordingwindow.h"

namespace {

class digiseltest : public ::testing::Test {
protected:
    recordingwindow screen;
    digiselview low{200, 60, 599, 90};
    digiselview high{600, 60, 1024, 90};

    void SetUp() override {
        low.setrang(0, 5);
        high.setrang(6, 9);
    }
    static std::string str(const digiselview& s) { return s.digistr; }
    bool choose(digiselview& sel, int digit) {
        digiselview::waitsel = true;
        return sel.keymouse(eventchar, digit, 0, 0, 0, 0);
    }
};

TEST_F(digiseltest, setcharreplacesinplaceandrefusesbadinput) {
    digiselview whole(0, 0, 10, 10);
    whole.setrang(-3, 12);
    EXPECT_EQ(str(whole), "0123456789");
    low.setchar('2', "\xD6\xD0", 2);          // 中
    low.setchar('2', "\xB9\xFA\xBC\xD2", 4);  // 国家
    low.setchar('5', "\xCE\xD2" "q  ", 5);    // 我 and its hint
    low.setchar('0', "\xB0\xA1", 2);          // 啊
    EXPECT_EQ(str(low), "0\xB0\xA1" "12\xB9\xFA\xBC\xD2" "345\xCE\xD2" "q  ");
    low.setchar('2', "", 0);
    EXPECT_EQ(str(low), "0\xB0\xA1" "12345\xCE\xD2" "q  ");
    EXPECT_EQ(low.charlens[5], 5);
    // Digits outside the range, bad lengths and null texts change nothing.
    const std::string before = str(low);
    low.setchar('7', "\xD6\xD0", 2);
    low.setchar('/', "\xD6\xD0", 2);
    low.setchar('1', "\xD6\xD0", -4);
    low.setchar('1', nullptr, 2);
    EXPECT_EQ(str(low), before);
    low.setchar('1', "\xD6\xD0\0\xD6\xD0", 4);  // a zero byte ends a text
    EXPECT_EQ(low.charlens[1], 2);
}

TEST_F(digiseltest, setcharneverletsthestringpast199bytes) {
    std::mt19937 random(7);
    const std::string big(150, '\xB0');
    for (int round = 0; round < 2000; ++round) {
        low.setchar('0' + int(random() % 10), big.c_str(), int(random() % 151));
        const size_t n = strnlen(low.digistr, digiselview::digisize);
        ASSERT_LT(n, size_t(digiselview::digisize));
        std::string labels;
        for (size_t i = 0; i < n; ++i)
            if (low.digistr[i] >= '0' && low.digistr[i] <= '9') labels += low.digistr[i];
        ASSERT_EQ(labels, "012345");
    }
    // A text that does not fit is refused whole.
    low.reset();
    low.setchar('0', big.c_str(), 150);
    low.setchar('1', big.c_str(), 44);
    EXPECT_EQ(low.charlens[1], 0);
    low.setchar('1', big.c_str(), 43);
    EXPECT_EQ(strlen(low.digistr), 199u);
}

TEST_F(digiseltest, digitsendsonlytheleadinghighbytes) {
    low.setchar('3', "\xD6\xD0khk  ", 7);  // 中 with its wubi hint
    high.setchar('7', "\xD6\xD0\xB9\xFA", 4);
    EXPECT_FALSE(choose(low, '7'));
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_TRUE(high.keymouse(eventchar, '7', 0, 0, 0, 0));
    EXPECT_EQ(screen.editor.text, "\xD6\xD0\xB9\xFA");
    ASSERT_EQ(screen.editor.seen.size(), 4u);
    EXPECT_EQ(screen.editor.seen[0].a, -42);  // 0xD6 as a signed byte
    EXPECT_FALSE(digiselview::waitsel);
    EXPECT_EQ(str(high), "6789");
    // With no choice awaited, the other selector empties itself at its next event.
    EXPECT_FALSE(low.keymouse(eventchar, '3', 0, 0, 0, 0));
    EXPECT_EQ(str(low), "012345");

    screen.editor.clearall();
    low.setchar('3', "\xD6\xD0khk  ", 7);
    EXPECT_TRUE(choose(low, '3'));
    EXPECT_EQ(screen.editor.text, "\xD6\xD0");
    // An empty candidate ends the choice without sending.
    screen.editor.clearall();
    EXPECT_TRUE(choose(low, '4'));
    EXPECT_TRUE(screen.editor.seen.empty());
    EXPECT_FALSE(digiselview::waitsel);
}

TEST_F(digiseltest, othereventsleavethecandidates) {
    low.setchar('1', "\xD6\xD0", 2);
    digiselview::waitsel = true;
    EXPECT_FALSE(low.keymouse(eventkeydown, keyup, 0, 0, 0, 0));
    EXPECT_FALSE(low.keymouse(eventchar, 'a', 0, 0, 0, 0));
    EXPECT_FALSE(low.keymouse(eventmove, 300, 70, 0, 0, 0));
    EXPECT_EQ(low.charlens[1], 2);
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_TRUE(screen.editor.seen.empty());
}

TEST_F(digiseltest, pressonacandidatechoosesit) {
    low.draw();
    ASSERT_EQ(low.drawwidth, 12);
    // "0" + 2 bytes, "1" + 4 bytes, "2".. at 12 pixels a byte; null: not taken.
    struct {
        int dx;
        const char* sent;
    } cases[] = {
        {2, nullptr}, {3, "\xB0\xA1"}, {37, "\xB0\xA1"}, {38, nullptr}, {39, "\xB9\xFA\xBC\xD2"},
        {97, "\xB9\xFA\xBC\xD2"}, {99, ""}, {12 * 11 + 2, nullptr},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.dx);
        screen.editor.clearall();
        low.setchar('0', "\xB0\xA1", 2);
        low.setchar('1', "\xB9\xFA\xBC\xD2", 4);
        digiselview::waitsel = true;
        EXPECT_EQ(low.keymouse(eventpress, low.left + c.dx, 70, 0, 0, 0), c.sent != nullptr);
        if (c.sent) {
            EXPECT_EQ(screen.editor.text, c.sent);
        }
    }
    // A press further below the top than the bottom coordinate misses.
    digiselview::waitsel = true;
    EXPECT_FALSE(low.keymouse(eventpress, low.left + 10, low.top + low.bottom + 1, 0, 0, 0));
    EXPECT_TRUE(low.keymouse(eventpress, low.left + 10, low.top + low.bottom, 0, 0, 0));
}

}  // namespace
