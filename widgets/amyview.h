// The base of every view that takes events: a viewport with the two virtual
// operations, keymouse (take one event, true when consumed) and draw.
#pragma once
#include "view/myview.h"

class amyview : public myview {
public:
    virtual bool keymouse(int type, int a, int b, int c, int d, int e);
    virtual void draw();

protected:
    ~amyview() = default;  // views live for the whole run; never deleted through the base
};

// Event types of keymouse.
enum eventtype {
    eventpress = 0,
    eventmove = 1,
    eventwheel = 2,
    eventkeydown = 100,
    eventchar = 101,
    eventbutton = 300,  // + the button's number
};
