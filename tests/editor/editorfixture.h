// An editor on an off-screen window, with the text given as a string, for the
// editor's tests.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/amybitmapwin.h"
#include "editor/editview.h"
#include "input/keyvalues.h"
#include "widgets/screenrows.h"
#include "widgets/statusbar.h"

inline std::string textof(const editview& e) {
    return std::string(reinterpret_cast<const char*>(e.content), size_t(e.contlth));
}

class editorfixture : public ::testing::Test {
protected:
    amybitmapwin win{1024, 768};
    myview bar{0, statusbarrow().top, 1024, statusbarrow().bottom};
    editview ed;

    void SetUp() override {
        mymapwin = &win;
        myview::pmymap = &win.bmp;
        statebar = &bar;
        ed.init();
    }
    void TearDown() override {
        mymapwin = nullptr;
        statebar = nullptr;
    }

    void load(const std::string& s) { ed.loadtext(reinterpret_cast<const unsigned char*>(s.data()), s.size()); }
    std::string text() const { return textof(ed); }
    int cursor() const { return int(ed.curpos - ed.content); }
    int anchor() const { return int(ed.selpos - ed.content); }
    std::vector<int> lines() const { return std::vector<int>(ed.linestart, ed.linestart + ed.linenumber + 1); }
    // Narrows the view to `columns` columns and lays the text out again.
    void narrow(int columns) {
        ed.right = ed.left + (columns + 1) * ed.cellwidth;
        ed.setpara();
    }
    void at(int offset) {  // the cursor to an offset, with no selection
        ed.selmode = ed.extendsel = false;
        ed.setcur(ed.content + offset);
    }
    void key(int value) { ed.keymouse(eventkeydown, value, 0, 0, 0, 0); }
    void type(const std::string& s) {
        for (unsigned char c : s) ed.keymouse(eventchar, static_cast<signed char>(c), 0, 0, 0, 0);
    }
};

inline const std::string zhong = "\xD6\xD0";  // 中
inline const std::string wen = "\xCE\xC4";    // 文
