// zhedit: a full-screen Chinese and English text editor for the Linux console.
// Start-up builds the screen objects, the loop turns each key read from the
// terminal into one event and shows the bitmap after it, F7 or F8 end it.
#include <unistd.h>

#include <cstdint>

#include "app/amybitmapwin.h"
#include "ime/pyinput.h"
#include "input/myconsole.h"
#include "input/mykbhit.h"
#include "widgets/mybutton.h"
#include "widgets/statusbar.h"

namespace {

void createbuttons(amybitmapwin* win) {
    static const char* const labels[] = {
        "F1:\xD6\xD0\xD3\xA2\xCE\xC4",          // F1:中英文
        "F2:\xCA\xE4\xC8\xEB\xB7\xA8",          // F2:输入法
        "F3:\xD1\xA1\xD4\xF1",                  // F3:选择
        "F4:\xB8\xB4\xD6\xC6",                  // F4:复制
        "F5:\xD5\xB3\xCC\xF9",                  // F5:粘贴
        "F6:\xBC\xF4\xC7\xD0",                  // F6:剪切
        "F7:\xB7\xC5\xC6\xFA\xCD\xCB\xB3\xF6",  // F7:放弃退出
        "F8:\xB1\xA3\xB4\xE6\xCD\xCB\xB3\xF6",  // F8:保存退出
    };
    buttongroup* buttons = new buttongroup;
    win->pbuttons = buttons;
    for (const char* label : labels) buttons->addbutton(label);
    buttons->resetwidth(win->w);
    win->addview(buttons);
}

void createinputmethod(amybitmapwin* win) {
    pyinputview = new pyinput;
    win->ppyinput = pyinputview;
    pyinputview->readcode();
    pyinputview->left = 0;
    pyinputview->top = gcharwidth * 62 / 24;
    pyinputview->right = win->w;
    pyinputview->bottom = gcharwidth * 88 / 24;
    pyinputview->clear();
}

// One key: printable ASCII is a character for the input method, anything
// else goes through the key table; the screen is shown after every key.
void deliver(amybitmapwin* win, int64_t code) {
    if (code > 126 || code < 32)
        win->OnKeyDown(uint32_t(uint64_t(code)), uint32_t(uint64_t(code) >> 32), 0);
    else
        win->OnChar(unsigned(code), 0, 0);
    win->draw();
}

}  // namespace

int main(int, char**) {
    mykbhit keyboard;

    mymapwin = new amybitmapwin;
    myview::pmymap = &mymapwin->bmp;
    const int screenwidth = mymapwin->w;

    statebar = new myview(0, 0, screenwidth, gcharwidth * 30 / 24);
    mymapwin->pstatebar = statebar;
    createbuttons(mymapwin);
    createinputmethod(mymapwin);

    pyinputview->draw();
    mymapwin->dodraw();
    mymapwin->draw();

    for (;;) {
        usleep(1000);
        if (myconsole::poll()) mymapwin->draw();  // back on show: the whole frame again
        const int64_t code = keyboard.kbhit();
        if (code != 0) deliver(mymapwin, code);
        if (code == keycodef8) break;  // the editor saves here
        if (code == keycodef7) break;
    }

    mymapwin->dodraw();
    mymapwin->bmp.savetobmp("aaaaa.bmp");
    return 0;
}
