// The editor's answer to events: movement and editing keys, typed
// characters, and the pointer.
#include "editor/editview.h"

namespace {

enum editorkey {
    keyenter = 13, keypageup = 33, keypagedown = 34, keyend = 35, keyhome = 36,
    keyleft = 37, keyup = 38, keyright = 39, keydown = 40, keydelete = 46,
    keyf3 = 114, keyf4 = 115, keyf5 = 116, keyf6 = 117,
    controlc = 3, controlv = 22, controlx = 24,
};

constexpr int backspace = 8, carriagereturn = 13;
constexpr int leftbuttonheld = 1;

}  // namespace

bool editview::keymouse(int type, int a, int b, int c, int d, int) {
    if (!isactive) return false;
    note.clear();
    if (type == eventkeydown) return onkey(a);
    if (type == eventchar) {
        extendsel = false;
        if (a == backspace) {
            backchar();
            selmode = false;
        } else if (a != carriagereturn) {
            insertchar(unsigned(a));
            selmode = false;
        }
        return false;
    }
    if (type == eventpress) return press(a, b);
    if (type == eventmove) return move(a, b, c);
    if (type == eventwheel) upone(d > 0);
    return false;
}

bool editview::onkey(int key) {
    extendsel = selmode;
    switch (key) {
    case keyright: rightone(true); break;
    case keyleft: rightone(false); break;
    case keyup: upone(true); break;
    case keydown: upone(false); break;
    case keyhome: homeend(true); break;
    case keyend: homeend(false); break;
    case keypageup: pgupdn(true); break;
    case keypagedown: pgupdn(false); break;
    case keyenter:
        insertda();
        return true;
    case keydelete:
        deletechar();
        selmode = false;
        draw();
        break;
    case keyf3:
        // Ending a selection puts the cursor back on the anchor; the screen
        // shows it at the next redraw.
        selmode = !selmode;
        if (!selmode) curpos = selpos;
        break;
    case keyf4:
    case controlc:
        copy();
        selmode = false;
        draw();
        break;
    case keyf5:
    case controlv:
        paste();
        selmode = false;
        draw();
        break;
    case keyf6:
    case controlx:
        cut();
        selmode = false;
        draw();
        break;
    default:
        break;
    }
    return false;
}

// A click in the two rightmost cells (or right of the view) scrolls when the
// text is longer than the view and never moves the cursor.
void editview::scrollbyclick(int y) {
    if (linenumber > rownumber) {
        settop(y);
        selpos = curpos;
        extendsel = false;
        draw();
    }
}

bool editview::press(int a, int b) {
    const int x = a - left, y = b - top;
    if (x > width() - 2 * cellwidth) {
        scrollbyclick(y);
        return true;
    }
    extendsel = false;
    if (x < 0 || x >= width() || y < 0 || y >= high()) return true;
    setms(x / cellwidth, y / lineheight);
    draw();
    return false;
}

// Dragging with the button held selects from where the click put the anchor.
bool editview::move(int a, int b, int buttons) {
    if (moveskip > 0) {
        --moveskip;
        return false;
    }
    if (!(buttons & leftbuttonheld)) return false;
    const int x = a - left, y = b - top;
    if (x < 0 || x >= width() || y < 0 || y >= high()) return true;
    if (x > width() - 2 * cellwidth) {
        scrollbyclick(y);
        return true;
    }
    setms(x / cellwidth, y / lineheight);
    extendsel = true;
    draw();
    return false;
}
