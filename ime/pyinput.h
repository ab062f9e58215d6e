// The input method's view. For now a stand-in that passes every character on
// to the window manager unchanged and shows an empty input bar.
#pragma once
#include "widgets/amyview.h"

class pyinput : public amyview {
public:
    pyinput() = default;
    ~pyinput() = default;

    void readcode() {}
    bool keymouse(int type, int a, int b, int c, int d, int e) override;
    void draw() override;
};

extern pyinput* pyinputview;
