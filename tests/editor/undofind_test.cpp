#include <random>

#include "clipboard/clipbd.h"
#include "editorfixture.h"

namespace {

class undofind : public editorfixture {};

TEST_F(undofind, typedrunsarestepsandanewchangedropstheredosteps) {
    load("xy");
    at(1);
    type("ab" + zhong + "c");
    key(keycontrolz);
    EXPECT_EQ(text(), "xy");
    EXPECT_EQ(cursor(), 1);
    key(keycontroly);
    EXPECT_EQ(text(), "xab" + zhong + "cy");
    EXPECT_EQ(cursor(), 6);
    type("1");
    key(keyleft);  // a key between two runs makes two steps; Backspace is one of its own
    type("2\b");
    key(keycontrolz);
    EXPECT_EQ(text(), "xab" + zhong + "c21y");
    key(keycontrolz);
    EXPECT_EQ(text(), "xab" + zhong + "c1y");
    EXPECT_EQ(ed.history.redosteps(), 2u);
    type("e");
    EXPECT_EQ(ed.history.redosteps(), 0u) << "a new change drops the steps that could be redone";
    key(keycontroly);
    EXPECT_EQ(text(), "xab" + zhong + "ce1y");
    while (ed.history.steps() > 0) key(keycontrolz);
    EXPECT_EQ(text(), "xy");
    EXPECT_FALSE(ed.ischanged()) << "back to the text as loaded: nothing to save";
    key(keycontrolz);
    EXPECT_EQ(text(), "xy");
}

TEST(edithistorybound, keepsthelateststepswithinthebudget) {
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

TEST_F(undofind, randomsessionsundoandredocompletely) {
    std::mt19937 random(99);
    const std::vector<std::string> pieces = {"a", "bc ", zhong, "\r\n", "\t", "7"};
    const int keyvalues[] = {keyright, keyleft, keyup, keydown, keyhome, keyend, keyenter, keydelete, keyf3, keyf4, keyf5, keyf6};
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
        while (ed.history.steps() > 0) key(keycontrolz);
        ASSERT_EQ(text(), loaded);
        while (ed.history.redosteps() > 0) key(keycontroly);
        ASSERT_EQ(text(), edited);
    }
}

TEST_F(undofind, findselectsthenextmatchandwraps) {
    load("one two\r\none" + zhong + "\r\n");
    at(0);
    key(keycontrolf);
    type("one");
    key(keyenter);
    EXPECT_EQ(anchor(), 9) << "across the line break";
    EXPECT_EQ(cursor(), 11);
    key(keyenter);
    EXPECT_EQ(anchor(), 0) << "wrapped around";
    key(keyescape);
    EXPECT_FALSE(ed.findprompt());
    key(keyf4);
    unsigned long n = 0;
    getclipdata(n);
    EXPECT_EQ(n, 4u) << "the kept selection is copied";
    key(keycontrolf);
    type("\b\b\bzzz");
    const int before = cursor();
    key(keyenter);
    EXPECT_EQ(cursor(), before) << "no match";
    key(keyright);
    EXPECT_FALSE(ed.findprompt());
    EXPECT_EQ(cursor(), before + 1);
    // A pattern longer than the text is a miss like any other.
    const std::string longer(size_t(ed.contlth) + 1, 'z');
    key(keycontrolf);
    type("\b\b\b" + longer);
    key(keyenter);
    const auto status = [&] {
        std::vector<uint32_t> pixels;
        for (int y = bar.top; y <= bar.bottom; ++y)
            for (int x = bar.left; x < bar.right; ++x) pixels.push_back(win.bmp.getpixel(x, y).value());
        return pixels;
    };
    const std::vector<uint32_t> shown = status();
    dispmsg(("\xD5\xD2\xB2\xBB\xB5\xBD\xA3\xBA" + longer).c_str());  // 找不到：
    EXPECT_EQ(status(), shown);
}

// The D6 that is the second byte of B0 D6 is no match for 中 (D6 D0).
TEST_F(undofind, matchesstartoncharacterboundaries) {
    load("\xB0\xD6" "a" + zhong);
    at(0);
    key(keycontrolf);
    type(zhong);
    key(keyenter);
    EXPECT_EQ(anchor(), 3);
    key(keyescape);
    key(keydelete);
    EXPECT_EQ(text(), "\xB0\xD6" "a") << "Delete removes the kept selection";
}

}  // namespace
