#include "editorfixture.h"

namespace {

class layout : public editorfixture {};

TEST_F(layout, wrapsbytherulesofdisplaylines) {
    const struct {
        std::string text;
        std::vector<int> starts;
    } examples[] = {  // at 10 columns
        {"", {0, 0}},
        {"a\r\n", {0, 3, 3}},                           // CR LF at the end leaves an empty last line
        {"abc defghij", {0, 4, 11}},                    // a word that does not fit moves whole
        {"abcdefgh" + zhong, {0, 8, 10}},               // a two-byte character at column - 2 moves
        {"abcdefg" + zhong, {0, 9}},
        {"abcdefgh\tx", {0, 9, 10}},                    // a TAB at column - 2 stays
        {"abcdefghi\t", {0, 9, 10}},                    // at column - 1 it moves
        {"ab\t" + zhong + "c\r\n", {0, 6, 8, 8}},       // a full line pushes its CR LF to its own line
        {"abcd efgh", {0, 9}},                          // a run at the end is measured to the end
        {"abcdefghijklmnopqrst", {0, 9, 18, 20}},       // a run of a whole line or more is cut,
        {"ab abcdefghijkl", {0, 3, 12, 15}},            // never leaving a line of no bytes
        {"a\nb\r\nc", {0, 3, 6, 7}},
    };
    for (const auto& e : examples) {
        SCOPED_TRACE(testing::PrintToString(e.text));
        load(e.text);
        narrow(10);
        EXPECT_EQ(lines(), e.starts);
    }
}

TEST_F(layout, activeonlywithroomforarowandtwentycolumns) {
    const struct {
        int width, height;
        bool active;
    } screens[] = {{1024, 119, false}, {1024, 120, true}, {251, 768, false}, {252, 768, true}};
    for (const auto& s : screens) {
        amybitmapwin small(s.width, s.height);
        myview::pmymap = &small.bmp;
        editview e;
        e.init();
        EXPECT_EQ(e.isactive, s.active) << s.width << "x" << s.height;
        if (!s.active) {
            EXPECT_FALSE(e.keymouse(eventkeydown, keyright, 0, 0, 0, 0)) << "every key is ignored";
        }
    }
}

// A change that needs more display lines than the table holds is refused.
TEST_F(layout, changeneedingmorelinesthanthetableisrefused) {
    load(std::string(maxlinenumber - 2, '\n'));
    ASSERT_EQ(ed.loaded, loadstate::whole);
    ASSERT_EQ(ed.linenumber, maxlinenumber - 1);
    const std::string before = text();
    at(0);
    key(keyenter);
    EXPECT_EQ(text(), before);
    EXPECT_EQ(ed.linenumber, maxlinenumber - 1);
    type("x");
    EXPECT_EQ(ed.contlth, int(before.size()) + 1) << "one more character on an existing line is fine";
}

}  // namespace
