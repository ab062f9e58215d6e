// The editor's answer to events: movement and editing keys, typed
// characters, and the pointer.
#include "editor/editview.h"
#include "input/keyvalues.h"

namespace {

constexpr int leftbuttonheld = 1;

}  // namespace

// Runs one editing operation as one step of the undo history.
template <typename Edit>
void editview::asstep(editkind kind, Edit edit) {
    history.begin(kind, offset(curpos));
    edit();
    history.end(offset(curpos));
}

bool editview::keymouse(int type, int a, int b, int c, int d, int) {
    if (!isactive) return false;
    note.clear();
    if (type == eventkeydown) {
        history.interrupt();
        if (saveasopen) return onsaveaskey(a);
        if (findopen && onfindkey(a)) return a == keyenter;
        return onkey(a);
    }
    if (type == eventchar) {
        if (saveasopen) {
            onsaveascharacter(a);
            return false;
        }
        if (findopen) {
            onfindcharacter(a);
            return false;
        }
        extendsel = false;
        if (a == characterbackspace) {
            history.interrupt();
            asstep(editkind::backspace, [&] { backchar(); });
            history.interrupt();
            selmode = false;
        } else if (a != charactercarriagereturn) {
            // Characters typed one after another at the cursor are one step.
            const bool continued = history.continuetyping(offset(curpos));
            if (!continued) history.begin(editkind::typing, offset(curpos));
            insertchar(unsigned(a));
            history.end(offset(curpos));
            selmode = false;
        }
        return false;
    }
    history.interrupt();
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
        asstep(editkind::linebreak, [&] { insertda(); });
        return true;
    case keydelete:
        asstep(editkind::deletion, [&] { deletechar(); });
        selmode = false;
        draw();
        break;
    case keyf3:
        // Ending a selection puts the cursor back on the anchor as a move
        // there would, and shows it.
        selmode = !selmode;
        if (!selmode) {
            extendsel = false;
            setcur(selpos);
            draw();
        }
        break;
    case keyf4:
    case keycontrolc:
        copy();
        selmode = false;
        draw();
        break;
    case keyf5:
    case keycontrolv:
        asstep(editkind::paste, [&] { paste(); });  // draws itself
        selmode = false;
        break;
    case keyf6:
    case keycontrolx:
        asstep(editkind::cut, [&] { cut(); });  // draws itself
        selmode = false;
        break;
    case keycontrolz: undo(); break;
    case keycontroly: redo(); break;
    case keycontrolf: openfind(); break;
    case keycontrolo: opensaveas(); break;
    case keycontrols:
        save();  // and go on editing, whatever the outcome
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
