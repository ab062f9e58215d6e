#include "widgets/mybutton.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "input/keyvalues.h"
#include "view/testfont.h"

namespace {

// F1:中英文 F2:输入法 F3:选择 F4:复制 F5:粘贴 F6:剪切 F7:放弃退出 F8:保存退出
const char* const labels[] = {"F1:\xD6\xD0\xD3\xA2\xCE\xC4", "F2:\xCA\xE4\xC8\xEB\xB7\xA8", "F3:\xD1\xA1\xD4\xF1",
                              "F4:\xB8\xB4\xD6\xC6",         "F5:\xD5\xB3\xCC\xF9",         "F6:\xBC\xF4\xC7\xD0",
                              "F7:\xB7\xC5\xC6\xFA\xCD\xCB\xB3\xF6", "F8:\xB1\xA3\xB4\xE6\xCD\xCB\xB3\xF6"};

void addeight(buttongroup& g) {
    for (const char* l : labels) g.addbutton(l);
}

TEST(mybutton, rowshrinksonlywhenthescreenistoonarrow) {
    const struct {
        int screen, unit;
    } cases[] = {{1920, 24}, {1152, 24}, {1151, 23}, {1024, 21}, {800, 16}};
    for (auto c : cases) {
        buttongroup g;
        addeight(g);
        g.resetwidth(c.screen);
        for (int n = 0; n < 8; ++n) {
            const mybutton* b = g.buttons[n];
            EXPECT_EQ(std::vector<int>({b->left, b->right, b->top, b->bottom, b->fontsize}),
                      std::vector<int>({c.unit * 6 * n, c.unit * 6 * n + c.unit * 5, 32, 60, 24})) << c.screen << " " << n;
        }
    }
    buttongroup empty;
    empty.resetwidth(100);  // nothing to lay out, and no division by zero
    EXPECT_EQ(empty.buttoncount, 0);
}

TEST(mybutton, hittestedgesandlabelbounds) {
    mybitmap bitmap(1920, 80);
    myview::pmymap = &bitmap;
    buttongroup g;
    g.addbutton("x");  // 0..120 wide, 32..60 high
    mybutton& b = *g.buttons[0];
    EXPECT_FALSE(b.tryclick(0, 40));
    EXPECT_FALSE(b.tryclick(120, 40));
    EXPECT_TRUE(b.tryclick(1, 32));
    EXPECT_TRUE(b.pressed);
    EXPECT_TRUE(b.tryclick(119, 59));
    EXPECT_FALSE(b.pressed);
    EXPECT_FALSE(b.tryclick(60, 60));
    EXPECT_FALSE(b.clicked);
    EXPECT_FALSE(g.keymouse(eventkeydown, keyup, 0, 0, 0, 0));
    EXPECT_FALSE(g.keymouse(eventchar, 'a', 0, 0, 0, 0));
    // Labels are cut to 49 bytes, and the group holds 100 buttons.
    for (int n = 0; n < 101; ++n) g.addbutton("0123456789012345678901234567890123456789012345678901234");
    EXPECT_EQ(g.buttoncount, 100);
    EXPECT_EQ(std::strlen(g.buttons[99]->text), 49u);
}

TEST(mybutton, longlabelisdrawnnarrowerbutnotlower) {
    testfont font;
    font.shapes({'F', '1', '7', ':', 0xD0D6, 0xA2D3, 0xC4CE, 0xC5B7, 0xFAC6, 0xCBCD, 0xF6B3});
    buttongroup g;
    addeight(g);
    g.resetwidth(1920);  // 120-pixel buttons
    for (int n : {0, 6}) {
        mybutton& b = *g.buttons[n];
        mybitmap actual(1920, 80), expected(1920, 80);  // a new bitmap installs the compiled-in font again
        font.install(actual);
        myview::pmymap = &actual;
        b.draw();
        myview::pmymap = &expected;
        myview face(b.left, b.top, b.right, b.bottom);
        face.boxf(0, 0, face.width(), face.high(), mycolor(0xFFFFFFFFu));
        expected.pencolor = mycolor(0, 255, 0);
        face.drawbj();
        expected.pencolor = mycolor(0, 0, 0);
        // "F1:中英文" keeps the full size; "F7:放弃退出" is drawn at 21.
        face.drawtextc(60, 14, labels[n], n == 0 ? 24 : 21, 24);
        EXPECT_EQ(std::memcmp(actual.pbuf, expected.pbuf, size_t(1920) * 80 * 4), 0) << n;
        testfont::restore(actual);
    }
}

}  // namespace
