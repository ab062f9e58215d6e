#include "editorfixture.h"

namespace {

class navigation : public editorfixture {};

TEST_F(navigation, earlyreturnsdonotredraw) {
    load("ab\r\ncd");
    const int steps[][2] = {{0, keyleft}, {1, keyup}, {4, keydown}, {0, keypagedown}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s[1]);
        at(s[0]);
        ed.draw();
        bar.clear();  // a redraw would write the position line again
        key(s[1]);
        EXPECT_EQ(cursor(), s[0]);
        for (int y = 2; y < 26; ++y)
            for (int x = 2; x < 24; ++x) ASSERT_FALSE(win.bmp.getpixel(x, y) == mycolor(0, 0, 0));
    }
}

TEST_F(navigation, keysstepovercharactersandlineends) {
    const std::string mixed = "a" + zhong + "\r\nb", updown = "ab" + zhong + "\r\nabcdefg\r\nx";
    const struct {
        std::string text;
        int from;
        std::vector<int> keys;
        int want;
    } rows[] = {
        {mixed, 0, {keyright, keyright}, 4},
        {mixed, 0, {keyright, keyright, keyright}, 5},  // the CR is skipped
        {mixed, 0, {keyright, keyright, keyright, keyright, keyright}, 6},
        {mixed, 6, {keyleft, keyleft}, 4},
        {mixed, 6, {keyleft, keyleft, keyleft}, 1},
        {updown, 9, {keyup}, 2},                    // onto the second byte of 中: its first
        {updown, 12, {keyup}, 5},                   // past the line's end: its LF
        {"abc\r\nabcd", 8, {keyup}, 4},             // onto the CR: the LF after it
        {"ab\r\ncd", 0, {keyend}, 3},
        {"ab\r\ncd", 4, {keyend}, 6},
        {"ab\r\ncd", 6, {keyhome}, 4},
        {"ab\r\n", 4, {keyend}, 4},
        // Up and Down keep the cell as drawn (a TAB takes four), also across
        // shorter lines, until another key moves the cursor.
        {"\tabcdefgh\r\n\tabcdefgh", 0, {keydown, keyright, keyup}, 1},
        {"abcdef\r\nab\r\nabcdef", 5, {keydown, keydown}, 17},
        {"abcdef\r\nab\r\nabcdef", 5, {keydown, keyleft, keydown}, 13},
        {"abcdefghij\r\nabc\tx", 7, {keydown}, 16},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.text) + " from " + std::to_string(r.from));
        load(r.text);
        at(r.from);
        for (int k : r.keys) key(k);
        EXPECT_EQ(cursor(), r.want);
    }
}

TEST_F(navigation, pageskeepthecursorrowandscrollingfollowsit) {
    std::string t;
    for (int i = 0; i < 100; ++i) t += "line" + std::to_string(i) + "\n";
    load(t);
    const int rows = ed.rownumber;
    for (int i = 0; i < 3; ++i) key(keydown);
    key(keypagedown);
    EXPECT_EQ(ed.topline, rows);
    EXPECT_EQ(ed.curline, rows + 3);
    for (int i = 0; i < 2; ++i) {
        key(keypageup);
        EXPECT_EQ(ed.topline, 0);
        EXPECT_EQ(ed.curline, 3);
    }
    for (int i = 0; i < rows; ++i) key(keydown);
    EXPECT_EQ(ed.topline, 4) << "Down from the last visible row scrolls by one line";
    ed.settop(5);
    EXPECT_EQ(ed.topline, 0);
    ed.settop(ed.high() - 5);
    EXPECT_EQ(ed.topline, ed.linenumber - rows / 2);
}

// F3 that ends a selection puts the cursor on the anchor, as a move there
// would (line, column as drawn, scrolling), and shows it.
TEST_F(navigation, f3endingaselectionmovesthecursortotheanchor) {
    std::string t;
    for (int i = 0; i < 60; ++i) t += "\tline\r\n";
    load(t);
    at(2);
    key(keyf3);
    for (int i = 0; i < ed.rownumber + 5; ++i) key(keydown);
    win.bmp.clear(mycolor(0, 0, 0));
    key(keyf3);
    EXPECT_EQ(win.bmp.getpixel(ed.left + 2 * ed.cellwidth, ed.top + 3), mycolor(255, 255, 255)) << "redrawn";
    EXPECT_EQ(cursor(), 2);
    EXPECT_EQ(anchor(), 2);
    EXPECT_EQ(ed.curline, 0);
    EXPECT_EQ(ed.curcol, 5);
    EXPECT_EQ(ed.topline, 0);
    key(keydown);
    EXPECT_EQ(cursor(), 9);
}

TEST_F(navigation, clicksoncellsplacethecursor) {
    load("a" + zhong + "\tb\r\n");
    const int wants[][2] = {{1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {7, 4}, {40, 6}};
    for (const auto& w : wants) {
        ed.keymouse(eventpress, w[0] * ed.cellwidth + 2, ed.top + 5, 1, 0, 0);
        EXPECT_EQ(cursor(), w[1]) << "column " << w[0];
    }
}

}  // namespace
