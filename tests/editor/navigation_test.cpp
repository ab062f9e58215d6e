#include "editorfixture.h"

namespace {

class navigation : public editorfixture {
protected:
    // A redraw always writes the position line into the status bar.
    bool drewstatus() {
        // The position line starts with ink near the bar's left edge.
        for (int y = 2; y < 26; ++y)
            for (int x = 2; x < 24; ++x)
                if (win.bmp.getpixel(x, y) == mycolor(0, 0, 0)) return true;
        return false;
    }
};

TEST_F(navigation, EarlyReturnsDoNotRedraw) {
    load("ab\r\ncd");
    struct step {
        const char* name;
        int where;
        int keyvalue;
    };
    const step steps[] = {
        {"Left at the start", 0, kleft},
        {"Up on the first line", 1, kup},
        {"Down on the last line", 4, kdown},
        {"Page Down with no further page", 0, kpagedown},
    };
    for (const step& s : steps) {
        SCOPED_TRACE(s.name);
        at(s.where);
        ed.draw();
        bar.clear();  // a redraw would write the position line again
        const int before = cursor();
        key(s.keyvalue);
        EXPECT_FALSE(drewstatus());
        EXPECT_EQ(cursor(), before);
    }
}

TEST_F(navigation, RightAndLeftStepOverCharactersAndLineEnds) {
    load("a" + zhong + "\r\nb");
    const int rights[] = {1, 4, 5, 6, 6};  // a, 中, LF (the CR is skipped), b, end
    at(0);
    for (int want : rights) {
        key(kright);
        EXPECT_EQ(cursor(), want);
    }
    const int lefts[] = {5, 4, 1, 0};
    for (int want : lefts) {
        key(kleft);
        EXPECT_EQ(cursor(), want);
    }
}

TEST_F(navigation, UpAndDownLandOnTheFirstByteAndNeverOnACr) {
    load("ab" + zhong + "\r\n" + "abcdefg\r\nx");
    at(9);  // "d" of the second line, column 3
    key(kup);
    EXPECT_EQ(cursor(), 2) << "onto the second byte of 中: its first byte";
    at(12);  // "g", column 6
    key(kup);
    EXPECT_EQ(cursor(), 5) << "past the line's end: its last byte, the LF";
    load("abc\r\nabcd");
    at(8);  // "d", byte 3 of line 1
    key(kup);
    EXPECT_EQ(cursor(), 4) << "onto the CR: the LF after it";
}

TEST_F(navigation, EndAndHome) {
    load("ab\r\ncd");
    at(0);
    key(kend);
    EXPECT_EQ(cursor(), 3) << "on the LF of a CR LF line end";
    at(4);
    key(kend);
    EXPECT_EQ(cursor(), 6) << "after the last character on the last line";
    key(khome);
    EXPECT_EQ(cursor(), 4);
    load("ab\r\n");
    at(4);
    key(kend);
    EXPECT_EQ(cursor(), 4) << "the empty last line";
}

TEST_F(navigation, PagesKeepTheCursorRowAndScrollingFollowsIt) {
    std::string t;
    for (int i = 0; i < 100; ++i) t += "line" + std::to_string(i) + "\n";
    load(t);
    const int rows = ed.rownumber;
    for (int i = 0; i < 3; ++i) key(kdown);
    key(kpagedown);
    EXPECT_EQ(ed.topline, rows);
    EXPECT_EQ(ed.curline, rows + 3);
    key(kpageup);
    EXPECT_EQ(ed.topline, 0);
    EXPECT_EQ(ed.curline, 3);
    key(kpageup);
    EXPECT_EQ(ed.curline, 3) << "near the top, Page Up keeps the row";
    for (int i = 0; i < rows; ++i) key(kdown);
    EXPECT_EQ(ed.topline, 4) << "Down from the last visible row scrolls by one line";
    ed.settop(5);
    EXPECT_EQ(ed.topline, 0);
    ed.settop(ed.high() - 5);
    EXPECT_EQ(ed.topline, ed.linenumber - rows / 2);
}

TEST_F(navigation, ClicksOnCellsPlaceTheCursor) {
    load("a" + zhong + "\tb\r\n");
    const int top = ed.top, cell = ed.cellwidth;
    auto click = [&](int column) { ed.keymouse(eventpress, column * cell + 2, top + 5, 1, 0, 0); };
    click(1);
    EXPECT_EQ(cursor(), 1);
    click(2);
    EXPECT_EQ(cursor(), 1) << "either column of a two-byte character";
    for (int column = 3; column <= 6; ++column) {
        click(column);
        EXPECT_EQ(cursor(), 3) << "TAB column " << column;
    }
    click(7);
    EXPECT_EQ(cursor(), 4);
    click(40);
    EXPECT_EQ(cursor(), 6) << "beyond the line's end: its last byte, the LF";
}

TEST_F(navigation, EmptyTextKeepsTheCursorAtTheStart) {
    load("");
    for (int k : {kright, kleft, kup, kdown, khome, kend, kpageup, kpagedown}) key(k);
    EXPECT_EQ(cursor(), 0);
    EXPECT_EQ(ed.curline, 0);
    EXPECT_EQ(ed.curcol, 0);
}

}  // namespace
