#include <random>

#include "clipboard/clipbd.h"
#include "editorfixture.h"

namespace {

constexpr int ctrlf = 6, ctrly = 25, ctrlz = 26, escape = 27;

class undofind : public editorfixture {};

TEST_F(undofind, TypedRunsAreStepsAndANewChangeDropsTheRedoSteps) {
    load("xy");
    at(1);
    type("ab" + zhong + "c");
    key(ctrlz);
    EXPECT_EQ(text(), "xy");
    EXPECT_EQ(cursor(), 1);
    key(ctrly);
    EXPECT_EQ(text(), "xab" + zhong + "cy");
    EXPECT_EQ(cursor(), 6);
    type("1");
    key(kleft);  // a key between two runs makes two steps; Backspace is one of its own
    type("2\b");
    key(ctrlz);
    EXPECT_EQ(text(), "xab" + zhong + "c21y");
    key(ctrlz);
    EXPECT_EQ(text(), "xab" + zhong + "c1y");
    EXPECT_EQ(ed.history.redosteps(), 2u);
    type("e");
    EXPECT_EQ(ed.history.redosteps(), 0u) << "a new change drops the steps that could be redone";
    key(ctrly);
    EXPECT_EQ(text(), "xab" + zhong + "ce1y");
    while (ed.history.steps() > 0) key(ctrlz);
    EXPECT_EQ(text(), "xy");
    EXPECT_FALSE(ed.ischanged()) << "back to the text as loaded: nothing to save";
    key(ctrlz);
    EXPECT_EQ(text(), "xy");
}

TEST(edithistorybound, KeepsTheLatestStepsWithinTheBudget) {
    edithistory h(1000);
    const std::string chunk(300, 'x');
    for (int i = 0; i < 10; ++i) {
        h.begin(editkind::paste, 0);
        h.record(0, nullptr, 0, reinterpret_cast<const unsigned char*>(chunk.data()), int(chunk.size()));
        h.end(300);
    }
    EXPECT_LE(h.recordedbytes(), 1000u);
    EXPECT_GE(h.steps(), 2u);
    EXPECT_LT(h.steps(), 10u);
}

TEST_F(undofind, RandomSessionsUndoAndRedoCompletely) {
    std::mt19937 random(99);
    const std::vector<std::string> pieces = {"a", "bc ", zhong, "\r\n", "\t", "7"};
    const int keyvalues[] = {kright, kleft, kup, kdown, khome, kend, kenter, kdelete, kf3, kf4, kf5, kf6};
    for (int session = 0; session < 15; ++session) {
        SCOPED_TRACE(session);
        std::string t;
        for (int i = int(random() % 40); i > 0; --i) t += pieces[random() % pieces.size()];
        load(t);
        const std::string loaded = text();
        ed.history = edithistory();
        narrow(10 + int(random() % 15));
        for (int step = 0; step < 80; ++step) {
            const int what = int(random() % 8);
            if (what < 4) key(keyvalues[random() % std::size(keyvalues)]);
            else if (what < 6) type(pieces[random() % pieces.size()]);
            else type("\b");
        }
        const std::string edited = text();
        while (ed.history.steps() > 0) key(ctrlz);
        ASSERT_EQ(text(), loaded);
        while (ed.history.redosteps() > 0) key(ctrly);
        ASSERT_EQ(text(), edited);
    }
}

TEST_F(undofind, FindSelectsTheNextMatchAndWraps) {
    load("one two\r\none" + zhong + "\r\n");
    at(0);
    key(ctrlf);
    type("one");
    key(kenter);
    EXPECT_EQ(anchor(), 9) << "across the line break";
    EXPECT_EQ(cursor(), 11);
    key(kenter);
    EXPECT_EQ(anchor(), 0) << "wrapped around";
    key(escape);
    EXPECT_FALSE(ed.findprompt());
    key(kf4);
    unsigned long n = 0;
    getclipdata(n);
    EXPECT_EQ(n, 4u) << "the kept selection is copied";
    key(ctrlf);
    type("\b\b\bzzz");
    const int before = cursor();
    key(kenter);
    EXPECT_EQ(cursor(), before) << "no match";
    key(kright);
    EXPECT_FALSE(ed.findprompt());
    EXPECT_EQ(cursor(), before + 1);
}

// The D6 that is the second byte of B0 D6 is no match for 中 (D6 D0).
TEST_F(undofind, MatchesStartOnCharacterBoundaries) {
    load("\xB0\xD6" "a" + zhong);
    at(0);
    key(ctrlf);
    type(zhong);
    key(kenter);
    EXPECT_EQ(anchor(), 3);
    key(escape);
    key(kdelete);
    EXPECT_EQ(text(), "\xB0\xD6" "a") << "Delete removes the kept selection";
}

}  // namespace
