// zhedit: a full-screen Chinese and English text editor for the Linux console.
// Start-up builds the screen objects, the loop turns each key read from the
// terminal into one event and shows the bitmap after it, F7 or F8 end it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>

#include "app/amybitmapwin.h"
#include "app/commandline.h"
#include "app/startup.h"
#include "clipboard/clipbd.h"
#include "editor/editview.h"
#include "input/myconsole.h"
#include "input/mykbhit.h"
#include "input/wayout.h"

// The clipboard of the previous run is loaded before main and written back
// after it returns.
clipbd clipboard;

namespace {

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

int main(int argc, char** argv) {
    const commandline line = parsecommandline(argc, argv);
    // The help, the version and a mistake touch neither the terminal, the
    // screen nor any file, and need no terminal.
    if (line.action == commandline::mistake)
        wayout::leavewithreason(exitstatus::commandlineerror, line.mistakeargument.c_str(), line.mistakereason,
                                usageline);
    if (line.action != commandline::edit) {
        if (line.action == commandline::help) std::fputs(usageline, stdout);
        std::fputs(line.action == commandline::help ? usagetext : versiontext, stdout);
        clipboard.skipexitwrite();
        return exitstatus::normal;
    }
    if (const char* problem = terminalproblem())
        wayout::leavewithreason(exitstatus::notaterminal, "standard input", problem);

    // Everything that can fail or take long comes before the terminal and the
    // console are taken: the framebuffer (which gives the screen's size) and
    // the file. Until then the ending signals keep their default action.
    mymapwin = new amybitmapwin;
    const openoutcome opened = buildscreen(mymapwin, line);
    if (!opened.ok) wayout::leavewithreason(exitstatus::cannotopen, line.filename.c_str(), opened.reason());
    editview* editor = mymapwin->peditview;

    mykbhit keyboard;
    myconsole::take();
    showfirstscreen(mymapwin);

    for (;;) {
        usleep(1000);
        if (myconsole::poll()) mymapwin->draw();  // back on show: the whole frame again
        const int64_t code = keyboard.kbhit();
        if (code != 0) deliver(mymapwin, code);
        if (code == keycodef8) {
            if (editor->save()) break;
            mymapwin->draw();  // not saved: the text stays, and the message shows why
        }
        if (code == keycodef7) break;
        if (const int sig = wayout::pendingendsignal()) {
            if (editor->ischanged()) editor->saverecovery();
            wayout::endbysignal(sig);
        }
    }

    mymapwin->dodraw();
    mymapwin->bmp.savetobmp("aaaaa.bmp");  // a picture that cannot be written changes nothing
    return exitstatus::normal;
}
