#include "app/amybitmapwin.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "ime/pyinput.h"
#include "input/keyvalues.h"
#include "view/testfont.h"
#include "widgets/mybutton.h"
#include "widgets/statusbar.h"

namespace {

// One event as a view receives it: type and five values.
using event = std::array<int, 6>;

// A view that records what reaches it and consumes what it is told to.
class recorder : public amyview {
public:
    std::vector<event> seen;
    bool consume = true;
    bool keymouse(int type, int a, int b, int c, int d, int e) override {
        seen.push_back({type, a, b, c, d, e});
        return consume;
    }
    void draw() override {}
};

// The input method seen from the window manager: it records its events and,
// in English at half width, passes characters on unchanged.
class inputspy : public pyinput {
public:
    inputspy() {
        mode = english;
        quanjiao = false;
    }
    std::vector<event> seen;
    bool keymouse(int type, int a, int b, int c, int d, int e) override {
        seen.push_back({type, a, b, c, d, e});
        return pyinput::keymouse(type, a, b, c, d, e);
    }
};

class windowtest : public ::testing::Test {
protected:
    amybitmapwin win{1024, 768};
    myview bar{0, 0, 1024, 30};
    inputspy input;
    recorder editor;
    testfont font;

    void SetUp() override {
        mymapwin = &win;
        myview::pmymap = &win.bmp;
        statebar = &bar;
        pyinputview = &input;
        win.addview(&editor);
        font.shapes({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', ',', ' ', '=', 'x', 'y'});
        font.install(win.bmp);
    }
    void TearDown() override {
        testfont::restore(win.bmp);
        mymapwin = nullptr;
        statebar = nullptr;
        pyinputview = nullptr;
    }

    std::string statusbytes() const {
        return std::string(reinterpret_cast<const char*>(win.bmp.rows[0]), 32 * 1024 * 4);
    }
    void key(uint64_t code) { win.OnKeyDown(uint32_t(code), uint32_t(code >> 32), 0); }
};

TEST_F(windowtest, keytranslationtable) {
    // Key codes and the event each sends to the views; F1 to F4 (key 16) and
    // Backspace (DEL or BS) go to the input method, which passes it on to the views.
    // The values are written as numbers: the protocol fixes them, and this
    // table holds the named key values to it.
    const struct {
        uint64_t code;
        event sent;
    } keys[] = {
        {0x415B1B, {100, 38}},      {0x425B1B, {100, 40}},      {0x435B1B, {100, 39}},      {0x445B1B, {100, 37}},
        {0x485B1B, {100, 36}},      {0x7E315B1B, {100, 36}},    {0x465B1B, {100, 35}},      {0x7E345B1B, {100, 35}},
        {0x7E335B1B, {100, 46}},    {0x7E355B1B, {100, 33}},    {0x7E365B1B, {100, 34}},    {0x524F1B, {100, 114}},
        {0x435B5B1B, {100, 114}},   {0x534F1B, {100, 115}},     {0x445B5B1B, {100, 115}},   {0x455B5B1B, {100, 116}},
        {0x7E35315B1B, {100, 116}}, {0x7E37315B1B, {100, 117}}, {0x7E38315B1B, {100, 118}}, {0x7E39315B1B, {100, 119}},
        {10, {100, 13}},            {9, {101, 9}},              {6, {100, 6}},              {19, {100, 19}},
        {25, {100, 25}},            {26, {100, 26}},
        {0x504F1B, {100, 16, 54, 0, 0, 0}},  {0x415B5B1B, {100, 16, 54, 0, 0, 0}},
        {0x514F1B, {100, 16, 54, 0, -1, 0}}, {0x425B5B1B, {100, 16, 54, 0, -1, 0}},
        {127, {101, 8}},            {8, {101, 8}},
    };
    for (const auto& k : keys) {
        editor.seen.clear();
        input.seen.clear();
        key(k.code);
        const bool toinput = k.sent[1] == 16 || k.code == 127 || k.code == 8;
        const std::vector<event>& seen = toinput ? input.seen : editor.seen;
        ASSERT_EQ(seen.size(), 1u) << std::hex << k.code;
        EXPECT_EQ(seen[0], k.sent) << std::hex << k.code;
        if (!toinput) { EXPECT_TRUE(input.seen.empty()) << std::hex << k.code; }
        if (k.code == 127 || k.code == 8) { EXPECT_EQ(editor.seen.size(), 1u); }
    }
}

TEST_F(windowtest, unknowncodesdonothingandleavethestatusline) {
    win.keymouse(eventkeydown, keyup, 0, 0, 0, 0);
    const std::string before = statusbytes();
    editor.seen.clear();
    // a lone Esc is routed only while the editor's find prompt is open
    std::vector<uint64_t> ignored = {0x7E325B1B, 0x7E30325B1B, 27, 3, 13, 1, 17, 31, 0x414F1B};
    for (int b = 128; b < 256; ++b) ignored.push_back(uint64_t(b));
    for (uint64_t code : ignored) key(code);
    EXPECT_TRUE(editor.seen.empty());
    EXPECT_TRUE(input.seen.empty());
    EXPECT_EQ(statusbytes(), before);
}

TEST_F(windowtest, statuslinedescribeseachroutedevent) {
    win.keymouse(eventkeydown, 38, 0, 0, 0, 0);
    EXPECT_STREQ(publicbuffer, "\xBC\xFC\xB0\xB4\xCF\xC2\xBC\xFC\xD6\xB5\xCE\xAA" "38, \xB1\xEA\xD6\xBE\xCE\xAA" "0");
    win.keymouse(eventchar, 9, 0, 0, 0, 0);
    EXPECT_STREQ(publicbuffer, "\xD7\xD6\xB7\xFB\xD0\xC5\xCF\xA2\xCE\xAA" "9, \xB1\xEA\xD6\xBE\xCE\xAA" "0");
    editor.seen.clear();
    EXPECT_TRUE(win.keymouse(300, 0, 0, 0, 0, 0));
    EXPECT_STREQ(publicbuffer, "\xB0\xB4\xC5\xA5" "300\xB0\xB4\xCF\xC2");
    EXPECT_EQ(editor.seen.size(), 1u);
    // Types outside the table: refused, no text, no view called.
    std::strcpy(publicbuffer, "unchanged");
    for (int type : {3, 99, 102, 299, -1}) EXPECT_FALSE(win.keymouse(type, 0, 0, 0, 0, 0));
    EXPECT_STREQ(publicbuffer, "unchanged");
    EXPECT_EQ(editor.seen.size(), 1u);
}

TEST_F(windowtest, viewsareofferedtheeventinregistrationorder) {
    recorder second;  // after the editor
    win.addview(&second);
    EXPECT_TRUE(win.keymouse(eventkeydown, keydown, 0, 0, 0, 0));
    EXPECT_EQ(editor.seen.size(), 1u);
    EXPECT_TRUE(second.seen.empty());
    editor.consume = false;
    second.consume = false;
    EXPECT_FALSE(win.keymouse(eventkeydown, keydown, 0, 0, 0, 0));
    EXPECT_EQ(second.seen.size(), 1u);
    // Printable characters reach the views through the input method.
    win.OnChar('a', 0, 0);
    ASSERT_EQ(input.seen.size(), 1u);
    EXPECT_EQ(input.seen[0], (event{101, 'a', 0, 0, 0, 0}));
    EXPECT_EQ(second.seen.back(), (event{101, 'a', 0, 0, 0, 0}));
}

TEST_F(windowtest, viewtableholdsahundredviews) {
    std::vector<recorder> many(120);
    win.addview(nullptr);
    for (recorder& r : many) win.addview(&r);
    EXPECT_EQ(win.viewcount, 100);
    EXPECT_EQ(win.views[99], &many[98]);
}

TEST_F(windowtest, modalpopuptakeseveryeventuntilachoice) {
    win.pmodal = &win.fontsel;
    EXPECT_TRUE(win.keymouse(eventkeydown, keyup, 0, 0, 0, 0));
    EXPECT_TRUE(win.keymouse(eventchar, 'a', 0, 0, 0, 0));
    EXPECT_TRUE(editor.seen.empty());
    // A press in the second row of the list chooses entry 1.
    EXPECT_TRUE(win.keymouse(eventpress, 150, 100 + 61, 0, 0, 0));
    EXPECT_EQ(mybitmap::zhityid, 1);
    EXPECT_EQ(win.pmodal, nullptr);
    EXPECT_EQ(win.fontsel.selected, 0);
    EXPECT_EQ(editor.seen.size(), 1u);  // then routed as usual
    mybitmap::zhityid = 0;
}

}  // namespace
