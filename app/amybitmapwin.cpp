#include "app/amybitmapwin.h"

#include <cstdio>

#include "editor/editview.h"
#include "ime/pyinput.h"
#include "input/keyvalues.h"
#include "widgets/statusbar.h"

amybitmapwin* mymapwin = nullptr;

amybitmapwin::amybitmapwin() { setupfontlist(); }

amybitmapwin::amybitmapwin(int width, int height) : mybitmapwin(width, height) { setupfontlist(); }

void amybitmapwin::setupfontlist() {
    fontsel.setselects("\xD7\xD6\xCC\xE5\xA3\xBA",  // 字体：
                       "\xD7\xD6\xCC\xE5" "1",       // 字体1
                       "\xD7\xD6\xCC\xE5" "2",       // 字体2
                       "\xD7\xD6\xCC\xE5" "3",       // 字体3
                       "\xD7\xD6\xCC\xE5" "4");      // 字体4
}

void amybitmapwin::addview(amyview* v) {
    if (!v || viewcount >= maxviews) return;
    views[viewcount++] = v;
}

void amybitmapwin::dodraw() {
    bmp.clear(mycolor(255, 255, 0));
    for (int i = 0; i < viewcount; ++i) views[i]->draw();
    if (pyinputview) pyinputview->draw();
    draw();
}

// Writes the one-line description of an event into the status bar; false for
// event types that are not routed at all.
bool amybitmapwin::describe(int type, int a, int b) {
    const char* format;
    switch (type) {
    case eventpress: format = "\xD7\xF3\xBC\xFC\xB5\xA5\xBB\xF7\xA3\xACx=%d,y=%d"; break;  // 左键单击，x=%d,y=%d
    case eventmove: format = "\xCA\xF3\xB1\xEA\xD2\xC6\xB6\xAF\xA3\xACx=%d,y=%d"; break;   // 鼠标移动，x=%d,y=%d
    case eventwheel: format = "\xCA\xF3\xB1\xEA\xB9\xF6\xC2\xD6\xA3\xACx=%d,y=%d"; break;  // 鼠标滚轮，x=%d,y=%d
    case eventkeydown:  // 键按下键值为%d, 标志为%x
        format = "\xBC\xFC\xB0\xB4\xCF\xC2\xBC\xFC\xD6\xB5\xCE\xAA%d, \xB1\xEA\xD6\xBE\xCE\xAA%x";
        break;
    case eventchar:  // 字符信息为%d, 标志为%x
        format = "\xD7\xD6\xB7\xFB\xD0\xC5\xCF\xA2\xCE\xAA%d, \xB1\xEA\xD6\xBE\xCE\xAA%x";
        break;
    default:
        if (type < eventbutton) return false;
        std::snprintf(publicbuffer, publicbuffersize, "\xB0\xB4\xC5\xA5%d\xB0\xB4\xCF\xC2", type);  // 按钮%d按下
        dispmsg(publicbuffer);
        return true;
    }
    std::snprintf(publicbuffer, publicbuffersize, format, a, b);
    dispmsg(publicbuffer);
    return true;
}

bool amybitmapwin::keymouse(int type, int a, int b, int c, int d, int e) {
    if (pmodal) {
        pmodal->keymouse(type, a, b, c, d, e);
        if (fontsel.selected == 0) return true;
        mybitmap::zhityid = fontsel.selected - fontsel.selbase;
        std::snprintf(publicbuffer, publicbuffersize, "\xD1\xA1\xD4\xF1\xD7\xD6\xCC\xE5%d",  // 选择字体%d
                      fontsel.selected);
        dispmsg(publicbuffer);
        fontsel.selected = 0;
        bmp.loadbuffer();
        dodraw();
    }
    if (!describe(type, a, b)) return false;
    for (int i = 0; i < viewcount; ++i)
        if (views[i]->keymouse(type, a, b, c, d, e)) return true;
    return false;
}

namespace {

constexpr int64_t keycodeescape = 27;  // a lone ESC byte

enum route { towindow, toinput, repaint };

struct keytranslation {
    int64_t code;
    route target;
    int type;
    int value;
    int which;  // for the input-mode keys: 0 F1, -1 F2
};

// Escape sequences of xterm-like terminals and of the Linux console.
const keytranslation keytable[] = {
    {0x415B1B, towindow, eventkeydown, keyup, 0},          // ESC [ A
    {0x425B1B, towindow, eventkeydown, keydown, 0},        // ESC [ B
    {0x435B1B, towindow, eventkeydown, keyright, 0},       // ESC [ C
    {0x445B1B, towindow, eventkeydown, keyleft, 0},        // ESC [ D
    {0x485B1B, towindow, eventkeydown, keyhome, 0},        // ESC [ H
    {0x7E315B1B, towindow, eventkeydown, keyhome, 0},      // ESC [ 1 ~
    {0x465B1B, towindow, eventkeydown, keyend, 0},         // ESC [ F
    {0x7E345B1B, towindow, eventkeydown, keyend, 0},       // ESC [ 4 ~
    {0x7E335B1B, towindow, eventkeydown, keydelete, 0},    // ESC [ 3 ~
    {0x7E355B1B, towindow, eventkeydown, keypageup, 0},    // ESC [ 5 ~
    {0x7E365B1B, towindow, eventkeydown, keypagedown, 0},  // ESC [ 6 ~
    {0x504F1B, toinput, eventkeydown, keyshift, 0},        // ESC O P, F1
    {0x415B5B1B, toinput, eventkeydown, keyshift, 0},      // ESC [ [ A, F1
    {0x514F1B, toinput, eventkeydown, keyshift, -1},       // ESC O Q, F2
    {0x425B5B1B, toinput, eventkeydown, keyshift, -1},     // ESC [ [ B, F2
    {0x524F1B, towindow, eventkeydown, keyf3, 0},          // ESC O R
    {0x435B5B1B, towindow, eventkeydown, keyf3, 0},        // ESC [ [ C
    {0x534F1B, towindow, eventkeydown, keyf4, 0},          // ESC O S
    {0x445B5B1B, towindow, eventkeydown, keyf4, 0},        // ESC [ [ D
    {0x455B5B1B, towindow, eventkeydown, keyf5, 0},        // ESC [ [ E
    {0x7E35315B1B, towindow, eventkeydown, keyf5, 0},      // ESC [ 1 5 ~
    {0x7E37315B1B, towindow, eventkeydown, keyf6, 0},      // ESC [ 1 7 ~
    {keycodef7, towindow, eventkeydown, keyf7, 0},         // ESC [ 1 8 ~
    {keycodef8, towindow, eventkeydown, keyf8, 0},         // ESC [ 1 9 ~
    {10, towindow, eventkeydown, keyenter, 0},             // LF: Enter
    {9, towindow, eventchar, charactertab, 0},             // Tab
    {127, toinput, eventchar, characterbackspace, 0},      // DEL: Backspace
    {8, toinput, eventchar, characterbackspace, 0},        // BS: Backspace as some terminals send it
    // Control keys the editor answers with the byte as key value.
    {6, towindow, eventkeydown, keycontrolf, 0},           // Ctrl-F: find
    {15, towindow, eventkeydown, keycontrolo, 0},          // Ctrl-O: save under another name
    {19, towindow, eventkeydown, keycontrols, 0},          // Ctrl-S: save and go on
    {25, towindow, eventkeydown, keycontroly, 0},          // Ctrl-Y: redo
    {26, towindow, eventkeydown, keycontrolz, 0},          // Ctrl-Z: undo
    {12, repaint, 0, 0, 0},                                // Ctrl-L: redraw the screen
};

}  // namespace

void amybitmapwin::OnKeyDown(unsigned int codelow, unsigned int codehigh, unsigned int) {
    const int64_t code = int64_t(uint64_t(codehigh) << 32 | codelow);
    for (const keytranslation& k : keytable) {
        if (k.code != code) continue;
        if (k.target == repaint) {
            dodraw();  // every view, and (with every row drawn) the whole frame
        } else if (k.target == towindow) {
            keymouse(k.type, k.value, 0, 0, 0, 0);
        } else if (pyinputview) {
            if (k.type == eventkeydown)
                pyinputview->keymouse(k.type, k.value, rightshiftscancode, int(codehigh), k.which, 0);
            else
                pyinputview->keymouse(k.type, k.value, 0, 0, 0, 0);
        }
        return;
    }
    // A lone Esc closes the find or save prompt; while none is open it stays ignored.
    if (code == keycodeescape && peditview && (peditview->findprompt() || peditview->saveasprompt()))
        keymouse(eventkeydown, keyescape, 0, 0, 0, 0);
}

void amybitmapwin::deliver(int64_t code) {
    if (code > 126 || code < 32)
        OnKeyDown(uint32_t(uint64_t(code)), uint32_t(uint64_t(code) >> 32), 0);
    else
        OnChar(unsigned(code), 0, 0);
    draw();
}

void amybitmapwin::OnChar(unsigned int ch, unsigned int rep, unsigned int flags) {
    if (pyinputview) pyinputview->keymouse(eventchar, int(ch), int(flags), int(rep), 0, 0);
}
