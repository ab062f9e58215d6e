#include "editorfixture.h"

namespace {

class layout : public editorfixture {};

TEST_F(layout, WrapsByTheRulesOfDisplayLines) {
    struct example {
        const char* name;
        int columns;
        std::string text;
        std::vector<int> starts;
    };
    const example examples[] = {
        {"empty text", 10, "", {0, 0}},
        {"CR LF at the end leaves an empty last line", 10, "a\r\n", {0, 3, 3}},
        {"a run of letters that does not fit moves whole", 10, "abc defghij", {0, 4, 11}},
        {"a two-byte character at column - 2 starts the next line", 10, "abcdefgh" + zhong, {0, 8, 10}},
        {"a two-byte character at column - 3 stays", 10, "abcdefg" + zhong, {0, 9}},
        {"a TAB at column - 2 stays", 10, "abcdefgh\tx", {0, 9, 10}},
        {"a TAB at column - 1 starts the next line", 10, "abcdefghi\t", {0, 9, 10}},
        {"a full line pushes its CR LF to a line of its own", 10, "ab\t" + zhong + "c\r\n", {0, 6, 8, 8}},
        {"a run at the end is measured only to the end", 10, "abcd efgh", {0, 9}},
        // A run of colnumber letters or more never leaves a line of no bytes:
        // the line takes colnumber - 1 letters and the run goes on.
        {"a whole-line run at the start", 10, "abcdefghijklmnopqrst", {0, 9, 18, 20}},
        {"a whole-line run after a word", 10, "ab abcdefghijkl", {0, 3, 12, 15}},
        {"line feeds become CR LF", 10, "a\nb\r\nc", {0, 3, 6, 7}},
    };
    for (const example& e : examples) {
        SCOPED_TRACE(e.name);
        load(e.text);
        narrow(e.columns);
        EXPECT_EQ(ed.colnumber, e.columns);
        EXPECT_EQ(lines(), e.starts);
        for (int i = 0; i + 1 < ed.linenumber; ++i)
            EXPECT_LT(ed.linestart[i], ed.linestart[i + 1]) << "display line " << i << " holds no byte";
    }
}

TEST_F(layout, FlagsMarkCharactersTabsAndLineFeeds) {
    load("a\t" + zhong + "\n");
    EXPECT_EQ(ed.ctrbytes[0], 0);
    EXPECT_EQ(ed.ctrbytes[1], istab);
    EXPECT_EQ(ed.ctrbytes[2], ishead);
    EXPECT_EQ(ed.ctrbytes[3], istail);
    EXPECT_EQ(ed.ctrbytes[4], 0) << "the CR the normaliser put in";
    EXPECT_EQ(ed.ctrbytes[5], isnewline);
}

TEST_F(layout, ViewTakesTheScreenBelowTheBarsUnlessTooLow) {
    EXPECT_TRUE(ed.isactive);
    EXPECT_EQ(ed.top, 90);
    EXPECT_EQ(ed.right, 1024);
    EXPECT_EQ(ed.colnumber, 1024 / 12 - 1);
    EXPECT_EQ(ed.rownumber, (768 - 90) / 30);

    amybitmapwin low(1024, 299);
    myview::pmymap = &low.bmp;
    editview inactive;
    inactive.init();
    EXPECT_FALSE(inactive.isactive);
    EXPECT_EQ(inactive.right, 30) << "an inactive editor keeps the default rectangle";
    EXPECT_FALSE(inactive.keymouse(eventkeydown, kright, 0, 0, 0, 0));
}

// The line table holds maxlinenumber - 1 lines: a change that needs more is
// refused and leaves the text as it was.
TEST_F(layout, ChangeNeedingMoreLinesThanTheTableIsRefused) {
    std::string many;
    for (int i = 0; i < maxlinenumber - 2; ++i) many += "\n";
    load(many);
    ASSERT_EQ(ed.loaded, loadstate::whole);
    ASSERT_EQ(ed.linenumber, maxlinenumber - 1);
    const std::string before = text();
    at(0);
    key(kenter);
    EXPECT_EQ(text(), before);
    EXPECT_EQ(ed.linenumber, maxlinenumber - 1);
    type("x");  // one more character on an existing line is fine
    EXPECT_EQ(ed.contlth, int(before.size()) + 1);
}

}  // namespace
