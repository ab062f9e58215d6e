#include "app/startup.h"

#include <unistd.h>

#include "ime/pyinput.h"
#include "widgets/mybutton.h"
#include "widgets/screenrows.h"
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

// The editor, drawn in two colours, below the bars; it loads the file the
// command line names: none given, "aaaaa.txt"; one, that file; more, none.
openoutcome createeditor(amybitmapwin* win, const commandline& line) {
    editview* editor = new editview;
    editor->redstrokes = true;
    editor->init();
    editor->encoding = line.encoding;
    win->peditview = editor;
    win->addview(editor);
    if (line.file != commandline::nofile) return editor->readfile(line.filename.c_str());
    openoutcome none;
    none.ok = true;
    return none;
}

void createinputmethod(amybitmapwin* win) {
    pyinputview = new pyinput;
    win->ppyinput = pyinputview;
    pyinputview->readcode();
    pyinputview->left = 0;
    pyinputview->top = inputbarrow().top;
    pyinputview->right = win->w;
    pyinputview->bottom = inputbarrow().bottom;
    pyinputview->clear();
    if (win->peditview)
        win->peditview->promptinputmode = [](bool open) {
            if (!pyinputview) return;
            if (open) pyinputview->holdenglish();
            else pyinputview->releaseenglish();
        };
}

}  // namespace

const char* terminalproblem() {
    if (!isatty(0)) return "not a terminal";
    const pid_t foreground = tcgetpgrp(0);
    if (foreground < 0) return "not the controlling terminal of zhedit";
    if (foreground != getpgrp()) return "zhedit is not in the foreground of this terminal (started with &?)";
    return nullptr;
}

openoutcome buildscreen(amybitmapwin* win, const commandline& line) {
    myview::pmymap = &win->bmp;
    win->fontsel.place(win->w, win->h);  // built with the window, before the text size was known
    statebar = new myview(0, statusbarrow().top, win->w, statusbarrow().bottom);
    win->pstatebar = statebar;
    createbuttons(win);
    const openoutcome opened = createeditor(win, line);
    if (!opened.ok) return opened;
    createinputmethod(win);
    return opened;
}

void showfirstscreen(amybitmapwin* win) {
    pyinputview->draw();
    win->dodraw();
    win->draw();
}

void teardownscreen(amybitmapwin* win) {
    delete pyinputview;
    pyinputview = nullptr;
    delete win->peditview;
    delete win->pbuttons;
    delete statebar;
    statebar = nullptr;
    win->ppyinput = nullptr;
    win->peditview = nullptr;
    win->pbuttons = nullptr;
    win->pstatebar = nullptr;
    win->viewcount = 0;
}
