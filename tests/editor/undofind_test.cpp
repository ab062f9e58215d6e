#include <random>

#include "clipboard/clipbd.h"
#include "editorfixture.h"

namespace {

constexpr int ctrlf = 6, ctrly = 25, ctrlz = 26, escape = 27;

class undofind : public editorfixture {};

TEST_F(undofind, TypedRunIsOneStepAndUndoRestoresTextAndCursor) {
    load("xy");
    at(1);
    type("ab" + zhong + "c");
    EXPECT_EQ(text(), "xab" + zhong + "cy");
    key(ctrlz);
    EXPECT_EQ(text(), "xy");
    EXPECT_EQ(cursor(), 1);
    key(ctrly);
    EXPECT_EQ(text(), "xab" + zhong + "cy");
    EXPECT_EQ(cursor(), 6);
    // A key between two runs makes two steps; Backspace is a step of its own.
    type("1");
    key(kleft);
    type("2");
    type("\b");
    EXPECT_EQ(text(), "xab" + zhong + "c1y");
    key(ctrlz);
    EXPECT_EQ(text(), "xab" + zhong + "c21y") << "the Backspace undone";
    key(ctrlz);
    EXPECT_EQ(text(), "xab" + zhong + "c1y") << "the 2 undone";
}

TEST_F(undofind, NewChangeDropsTheRedoStepsAndUndoReachesTheSavedText) {
    load("abc");
    at(3);
    type("d");
    key(kenter);
    key(ctrlz);
    EXPECT_EQ(ed.history.redosteps(), 1u);
    type("e");
    EXPECT_EQ(ed.history.redosteps(), 0u);
    key(ctrly);
    EXPECT_EQ(text(), "abcde");
    key(ctrlz);
    key(ctrlz);
    EXPECT_EQ(text(), "abc");
    EXPECT_FALSE(ed.ischanged()) << "back to the text as loaded: nothing to save";
    key(ctrlz);
    EXPECT_EQ(text(), "abc") << "nothing more to undo";
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

// Random edits undone all the way give back the loaded text byte for byte;
// redone all the way, the edited text.
TEST_F(undofind, RandomSessionsUndoAndRedoCompletely) {
    std::mt19937 random(99);
    const std::vector<std::string> pieces = {"a", "bc ", zhong, "\r\n", "\t", "7"};
    const int keyvalues[] = {kright, kleft, kup, kdown, khome, kend, kenter, kdelete, kf3, kf4, kf5, kf6};
    for (int session = 0; session < 15; ++session) {
        std::string t;
        for (int i = int(random() % 40); i > 0; --i) t += pieces[random() % pieces.size()];
        load(t);
        ed.history = edithistory();
        narrow(10 + int(random() % 15));
        for (int step = 0; step < 80; ++step) {
            const int what = int(random() % 8);
            if (what < 4) key(keyvalues[random() % (sizeof keyvalues / sizeof keyvalues[0])]);
            else if (what < 6) type(pieces[random() % pieces.size()]);
            else type("\b");
        }
        const std::string edited = text();
        while (ed.history.steps() > 0) key(ctrlz);
        ASSERT_EQ(text(), t.empty() ? "" : std::string(reinterpret_cast<char*>(ed.savedcontent), size_t(ed.savedlth)))
            << "session " << session;
        while (ed.history.redosteps() > 0) key(ctrly);
        ASSERT_EQ(text(), edited) << "session " << session;
    }
}

TEST_F(undofind, FindSelectsTheNextMatchAndWraps) {
    load("one two\r\none" + zhong + "\r\n");
    at(0);
    key(ctrlf);
    EXPECT_TRUE(ed.findprompt());
    type("one");
    key(kenter);
    EXPECT_EQ(anchor(), 9) << "the next match after the cursor, across the line break";
    EXPECT_EQ(cursor(), 11) << "the cursor on the match's last character";
    key(kenter);
    EXPECT_EQ(anchor(), 0) << "wrapped around";
    key(escape);
    EXPECT_FALSE(ed.findprompt());
    key(kf4);
    unsigned long n = 0;
    getclipdata(n);
    EXPECT_EQ(n, 4u) << "the kept selection is copied: one and its zero";
    // No match: the cursor stays.
    key(ctrlf);
    type("\b\b\bzzz");
    const int before = cursor();
    key(kenter);
    EXPECT_EQ(cursor(), before);
    key(kright);
    EXPECT_FALSE(ed.findprompt()) << "a movement key closes the prompt and moves";
    EXPECT_EQ(cursor(), before + 1);
}

// 中 is D6 D0; in "\xB0\xD6\xD0..." the D6 that is a second byte is no match.
TEST_F(undofind, MatchesStartOnCharacterBoundaries) {
    load("\xB0\xD6" "a" + zhong);
    at(0);
    key(ctrlf);
    type(zhong);
    key(kenter);
    EXPECT_EQ(anchor(), 3);
    EXPECT_EQ(cursor(), 3);
    key(escape);
    key(kdelete);
    EXPECT_EQ(text(), "\xB0\xD6" "a") << "Delete removes the kept selection";
}

}  // namespace
