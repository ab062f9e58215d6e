// An editor on an off-screen window, with the text given as a string, for the
// editor's tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/amybitmapwin.h"
#include "editor/editview.h"
#include "widgets/statusbar.h"

class editorfixture : public ::testing::Test {
protected:
    amybitmapwin win{1024, 768};
    myview bar{0, 0, 1024, gcharwidth * 30 / 24};
    editview ed;

    void SetUp() override {
        mymapwin = &win;
        myview::pmymap = &win.bmp;
        statebar = &bar;
        editview::forgetpendingbyte();
        ed.init();
    }
    void TearDown() override {
        mymapwin = nullptr;
        statebar = nullptr;
    }

    void load(const std::string& s) {
        ed.loadtext(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    }
    std::string text() const { return std::string(reinterpret_cast<const char*>(ed.content), size_t(ed.contlth)); }
    int cursor() const { return int(ed.curpos - ed.content); }
    int anchor() const { return int(ed.selpos - ed.content); }
    std::vector<int> lines() const { return std::vector<int>(ed.linestart, ed.linestart + ed.linenumber + 1); }
    // Narrows the view to `columns` columns (colnumber) and lays the text out again.
    void narrow(int columns) {
        ed.right = ed.left + (columns + 1) * ed.cellwidth;
        ed.setpara();
    }
    // The cursor to an offset, with no selection.
    void at(int offset) {
        ed.selmode = ed.extendsel = false;
        ed.setcur(ed.content + offset);
    }
    void key(int value) { ed.keymouse(eventkeydown, value, 0, 0, 0, 0); }
    void type(const std::string& s) {
        for (unsigned char c : s) ed.keymouse(eventchar, static_cast<signed char>(c), 0, 0, 0, 0);
    }
};

// Key values of the editor's keys.
enum testkey {
    kenter = 13, kpageup = 33, kpagedown = 34, kend = 35, khome = 36, kleft = 37, kup = 38, kright = 39,
    kdown = 40, kdelete = 46, kf3 = 114, kf4 = 115, kf5 = 116, kf6 = 117,
};

// The two bytes of 中 and 文.
inline const std::string zhong = "\xD6\xD0";
inline const std::string wen = "\xCE\xC4";
