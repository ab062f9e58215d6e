#include "widgets/selectview.h"

#include <gtest/gtest.h>

#include "app/amybitmapwin.h"
#include "view/testfont.h"
#include "widgets/statusbar.h"

namespace {

TEST(selectview, entriesstopatthefirstnullandarecut) {
    selectview s;
    s.setselects("\xD7\xD6\xCC\xE5\xA3\xBA", "a", "b", "c", "d");
    EXPECT_EQ(s.selcount, 4);
    s.setselects("a very long title", "0123456789abc");
    EXPECT_EQ(s.selcount, 1);
    EXPECT_STREQ(s.selects[0], "a very lo");
    EXPECT_STREQ(s.selects[1], "012345678");
}

TEST(selectview, pressrowschooseentries) {
    amybitmapwin win(640, 480);
    mymapwin = &win;
    myview bar(0, 0, 640, 30);
    statebar = &bar;
    myview::pmymap = &win.bmp;
    testfont font;
    font.shapes({'1'});
    font.install(win.bmp);
    selectview& s = win.fontsel;
    EXPECT_FALSE(s.keymouse(eventpress, 150, 100 + 30, 0, 0, 0));
    EXPECT_FALSE(s.keymouse(eventkeydown, 150, 100 + 31, 0, 0, 0));
    EXPECT_FALSE(s.keymouse(eventpress, 99, 100 + 31, 0, 0, 0));  // left of the list
    EXPECT_TRUE(s.keymouse(eventpress, 150, 100 + 31, 0, 0, 0));
    EXPECT_EQ(s.selected, 10000);
    EXPECT_TRUE(s.keymouse(eventpress, 150, 100 + 59, 0, 0, 0));
    EXPECT_EQ(s.selected, 10000);
    EXPECT_FALSE(s.keymouse(eventpress, 150, 100 + 150, 0, 0, 0));  // below the 4 entries
    testfont::restore(win.bmp);
    statebar = nullptr;
    mymapwin = nullptr;
}

}  // namespace
