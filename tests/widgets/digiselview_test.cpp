#include "widgets/digiselview.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

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
};

TEST_F(digiseltest, rangeandreset) {
    EXPECT_EQ(str(low), "012345");
    EXPECT_EQ(str(high), "6789");
    for (int k = 0; k < 10; ++k) EXPECT_EQ(low.charlens[k], 0);
    digiselview whole(0, 0, 10, 10);
    EXPECT_EQ(str(whole), "0123456789");
    // The rectangle is taken as given.
    digiselview reversed(50, 40, 10, 5);
    EXPECT_EQ(reversed.left, 50);
    EXPECT_EQ(reversed.bottom, 5);
    // A range beyond the ten digits is cut to them.
    whole.setrang(-3, 12);
    EXPECT_EQ(str(whole), "0123456789");
}

TEST_F(digiseltest, setcharreplacesinplaceandkeepsthelabels) {
    low.setchar('2', "\xD6\xD0", 2);                // 中
    low.setchar('2', "\xB9\xFA\xBC\xD2", 4);        // 国家
    EXPECT_EQ(str(low), "012\xB9\xFA\xBC\xD2" "345");
    low.setchar('5', "\xCE\xD2" "q  ", 5);          // 我 and its hint
    low.setchar('0', "\xB0\xA1", 2);                // 啊
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
    // A zero byte ends a text.
    low.setchar('1', "\xD6\xD0\0\xD6\xD0", 4);
    EXPECT_EQ(low.charlens[1], 2);
}

TEST_F(digiseltest, setcharneverletsthestringpast199bytes) {
    std::mt19937 random(7);
    const std::string big(150, '\xB0');
    for (int round = 0; round < 2000; ++round) {
        const int digit = '0' + int(random() % 10);
        const int len = int(random() % 151);
        low.setchar(digit, big.c_str(), len);
        const size_t n = strnlen(low.digistr, digiselview::digisize);
        ASSERT_LT(n, size_t(digiselview::digisize));
        // Every label is still there, in order.
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
    digiselview::waitsel = true;
    EXPECT_FALSE(low.keymouse(eventchar, '7', 0, 0, 0, 0));
    EXPECT_TRUE(digiselview::waitsel);
    EXPECT_TRUE(high.keymouse(eventchar, '7', 0, 0, 0, 0));
    EXPECT_EQ(screen.editor.text, "\xD6\xD0\xB9\xFA");
    ASSERT_EQ(screen.editor.seen.size(), 4u);
    EXPECT_EQ(screen.editor.seen[0].a, -42);  // 0xD6 as a signed byte
    EXPECT_FALSE(digiselview::waitsel);
    EXPECT_EQ(str(high), "6789");
    // The other selector empties itself at its next event.
    EXPECT_FALSE(low.keymouse(eventchar, '3', 0, 0, 0, 0));
    EXPECT_EQ(str(low), "012345");
    EXPECT_EQ(screen.editor.text, "\xD6\xD0\xB9\xFA");

    screen.editor.clearall();
    low.setchar('3', "\xD6\xD0khk  ", 7);
    digiselview::waitsel = true;
    EXPECT_TRUE(low.keymouse(eventchar, '3', 0, 0, 0, 0));
    EXPECT_EQ(screen.editor.text, "\xD6\xD0");
}

TEST_F(digiseltest, emptycandidateendsthechoicewithoutsending) {
    digiselview::waitsel = true;
    EXPECT_TRUE(low.keymouse(eventchar, '4', 0, 0, 0, 0));
    EXPECT_TRUE(screen.editor.seen.empty());
    EXPECT_FALSE(digiselview::waitsel);
}

TEST_F(digiseltest, othereventsleavethecandidates) {
    low.setchar('1', "\xD6\xD0", 2);
    digiselview::waitsel = true;
    EXPECT_FALSE(low.keymouse(eventkeydown, 38, 0, 0, 0, 0));
    EXPECT_FALSE(low.keymouse(eventchar, 'a', 0, 0, 0, 0));
    EXPECT_FALSE(low.keymouse(eventmove, 300, 70, 0, 0, 0));
    EXPECT_EQ(low.charlens[1], 2);
    EXPECT_TRUE(digiselview::waitsel);
    // With no choice awaited every event empties the selector.
    digiselview::waitsel = false;
    EXPECT_FALSE(low.keymouse(eventchar, '1', 0, 0, 0, 0));
    EXPECT_EQ(str(low), "012345");
    EXPECT_TRUE(screen.editor.seen.empty());
}

TEST_F(digiseltest, pressonacandidatechoosesit) {
    // Labels and texts: "0" + 2 bytes, "1" + 4 bytes, "2".. at 12 pixels a byte.
    low.setchar('0', "\xB0\xA1", 2);
    low.setchar('1', "\xB9\xFA\xBC\xD2", 4);
    low.draw();
    ASSERT_EQ(low.drawwidth, 12);
    struct {
        int dx;
        const char* sent;  // null: not taken
    } cases[] = {
        {2, nullptr},                    // left of the first label
        {3, "\xB0\xA1"},                 // candidate 0 covers 3..37
        {37, "\xB0\xA1"},
        {38, nullptr},                   // one pixel between two candidates
        {39, "\xB9\xFA\xBC\xD2"},        // candidate 1 covers 39..97
        {97, "\xB9\xFA\xBC\xD2"},
        {99, ""},                        // candidate 2, empty
        {12 * 11 + 2, nullptr},          // past the last label
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.dx);
        screen.editor.clearall();
        digiselview::waitsel = true;
        EXPECT_EQ(low.keymouse(eventpress, low.left + c.dx, 70, 0, 0, 0), c.sent != nullptr);
        if (c.sent) {
            EXPECT_EQ(screen.editor.text, c.sent);
            low.setchar('0', "\xB0\xA1", 2);
            low.setchar('1', "\xB9\xFA\xBC\xD2", 4);
        }
    }
    // A press further below the top than the bottom coordinate misses.
    digiselview::waitsel = true;
    EXPECT_FALSE(low.keymouse(eventpress, low.left + 10, low.top + low.bottom + 1, 0, 0, 0));
    EXPECT_TRUE(low.keymouse(eventpress, low.left + 10, low.top + low.bottom, 0, 0, 0));
}

TEST_F(digiseltest, drawnarrowsalongrowtothewidth) {
    digiselview narrow(0, 0, 100, 30);
    narrow.charwidth = 12;
    narrow.draw();
    EXPECT_EQ(narrow.drawwidth, 10);  // 10 labels in 100 pixels
    narrow.setrang(0, 1);
    narrow.draw();
    EXPECT_EQ(narrow.drawwidth, 12);
    // The labels are drawn in black inside the cleared rectangle.
    int ink = 0;
    for (int y = 0; y <= 30; ++y)
        for (int x = 0; x <= 100; ++x) ink += screen.win.bmp.getpixel(x, y) == mycolor(0, 0, 0, 255);
    EXPECT_GT(ink, 20);
}

}  // namespace
