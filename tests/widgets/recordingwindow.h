// An off-screen window manager with one registered view that stands in for
// the editor: it records every event it is offered and takes character
// events, as the editor does. Sets the globals the views reach it through,
// and clears them again.
#pragma once
#include <string>
#include <vector>

#include "app/amybitmapwin.h"
#include "widgets/digiselview.h"
#include "widgets/statusbar.h"

class recordingview : public amyview {
public:
    struct event {
        int type, a, b, c, d, e;
    };
    std::vector<event> seen;
    std::string text;  // the bytes of the character events, as the editor would get them

    bool keymouse(int type, int a, int b, int c, int d, int e) override {
        seen.push_back({type, a, b, c, d, e});
        if (type != eventchar) return false;
        text += char(a);
        return true;
    }
    void clearall() {
        seen.clear();
        text.clear();
    }
};

class recordingwindow {
public:
    amybitmapwin win;
    recordingview editor;

    explicit recordingwindow(int width = 1024, int height = 768) : win(width, height) {
        mymapwin = &win;
        myview::pmymap = &win.bmp;
        statebar = nullptr;
        win.addview(&editor);
        digiselview::waitsel = false;
    }
    ~recordingwindow() {
        mymapwin = nullptr;
        myview::pmymap = nullptr;
        digiselview::waitsel = false;
    }
    recordingwindow(const recordingwindow&) = delete;
    recordingwindow& operator=(const recordingwindow&) = delete;
};
