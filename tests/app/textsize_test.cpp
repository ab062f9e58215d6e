// The text size: the default each screen gets, what asks for another, and
// the screen built at every size.
#include "app/textsize.h"

#include <gtest/gtest.h>

#include "app/startup.h"
#include "ime/pyinput.h"
#include "widgets/mybutton.h"
#include "widgets/screenrows.h"
#include "widgets/statusbar.h"

namespace {

struct screensize {
    int width, height;
};
const screensize screens[] = {{320, 240},   {480, 272},   {640, 480},   {800, 480},
                              {800, 600},   {1024, 768},  {1366, 768},  {1920, 1080},
                              {1920, 1200}, {2560, 1440}, {3840, 2160}, {7680, 4320}};

TEST(textsize, defaultfollowstheshortersideofthescreen) {
    const int defaults[] = {16, 16, 16, 16, 24, 24, 24, 24, 24, 32, 48, 96};
    for (size_t i = 0; i < std::size(screens); ++i)
        EXPECT_EQ(defaulttextsize(screens[i].width, screens[i].height), defaults[i]) << screens[i].width;
    const int more[][3] = {{800, 599, 16}, {2560, 1439, 24}, {1440, 2560, 32}, {3000, 1500, 32}, {15360, 8640, 96}};
    for (const auto& m : more) EXPECT_EQ(defaulttextsize(m[0], m[1]), m[2]) << m[0] << "x" << m[1];
}

TEST(textsize, theoptionwinsandabadvariableisrefused) {
    EXPECT_EQ(textsizevalue("12"), 12);
    EXPECT_EQ(textsizevalue("096"), 96);
    for (const char* bad : {"", "7", "10", "13", "98", "abc", "24px", " 24", "+24", "-24", "4800000000"})
        EXPECT_EQ(textsizevalue(bad), 0) << bad;
    EXPECT_EQ(askedtextsize(32, "abc").size, 32);
    EXPECT_EQ(askedtextsize(0, "48").size, 48);
    EXPECT_EQ(askedtextsize(0, nullptr).size + askedtextsize(0, "").size, 0);
    EXPECT_NE(askedtextsize(0, "abc").error.find("not 'abc'"), std::string::npos);
    EXPECT_EQ(largestfittingsize(320, 240), 30) << "20 columns of 15 pixels and a scroll mark";
    EXPECT_EQ(largestfittingsize(1920, 300), 60) << "one row below the bars";
    EXPECT_EQ(largestfittingsize(125, 1000), 0);
}

// Every view inside the screen, the rows of the bars where they are at 24
// scaled to the size, and room for eight rows of text at each screen's default.
TEST(textsize, screenislaidoutateverysize) {
    for (const screensize& s : screens) {
        for (int size : {12, 16, 24, 32, 48, 72, 96, 0}) {
            // The largest screen, a quarter of a gigabyte of bitmaps, only at its default.
            if (size != 0 && (!editorfits(s.width, s.height, size) || s.width > 4000)) continue;
            SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height) + " at " + std::to_string(size));
            amybitmapwin win(s.width, s.height);
            mymapwin = &win;
            settextsizefor(size, s.width, s.height);
            commandline none;
            none.file = commandline::nofile;
            ASSERT_TRUE(buildscreen(&win, none).ok);
            const int k = gcharwidth;
            const auto inside = [&](const myview& v) {
                EXPECT_TRUE(v.left >= 0 && v.left < v.right && v.right <= s.width) << v.left << ".." << v.right;
                EXPECT_TRUE(v.top >= 0 && v.top < v.bottom && v.bottom <= s.height) << v.top << ".." << v.bottom;
            };
            const auto row = [&](const myview& v, int top24, int bottom24) {
                inside(v);
                EXPECT_EQ(v.top, k * top24 / 24);
                EXPECT_EQ(v.bottom, bottom24 < 0 ? s.height : k * bottom24 / 24);
            };
            row(*statebar, 0, 30);
            for (int n = 0; n < win.pbuttons->buttoncount; ++n) row(*win.pbuttons->buttons[n], 32, 60);
            row(*pyinputview, 62, 88);
            row(*pyinputview->zhisel, 60, 90);
            row(*pyinputview->chisel, 60, 90);
            EXPECT_LT(pyinputview->zhisel->right, pyinputview->chisel->left);
            row(*win.peditview, 90, -1);
            EXPECT_TRUE(win.peditview->isactive);
            EXPECT_EQ(win.peditview->lineheight, k * 30 / 24);
            if (size == 0) {
                EXPECT_GE(win.peditview->rownumber, 8);
                inside(win.fontsel);
            }
            teardownscreen(&win);
            mymapwin = nullptr;
        }
    }
    setgcharwidth(24);
}

}  // namespace
