// zhedit: a full-screen Chinese and English text editor for the Linux console.
// Start-up builds the screen objects, the loop turns each key read from the
// terminal into one event and shows the bitmap after it, F7 or F8 end it.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/amybitmapwin.h"
#include "app/commandline.h"
#include "app/startup.h"
#include "app/textsize.h"
#include "clipboard/clipbd.h"
#include "editor/editview.h"
#include "input/myconsole.h"
#include "input/mykbhit.h"
#include "input/wayout.h"

// The clipboard of the previous run is loaded before main and written back
// after it returns.
clipbd clipboard;

namespace {

constexpr int cantopenstatus = 11;  // the file to edit can be neither opened nor created
constexpr int commandlinestatus = 64;  // a bad option or value

// A command-line error: what is wrong and the usage line, before anything is touched.
int refuse(const std::string& what) {
    const char* usageend = std::strchr(usagetext, '\n');
    std::fprintf(stderr, "zhedit: %s\n%.*s\n", what.c_str(), int(usageend - usagetext), usagetext);
    clipboard.skipexitwrite();
    return commandlinestatus;
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

int main(int argc, char** argv) {
    const commandline line = parsecommandline(argc, argv);
    if (!line.error.empty()) return refuse(line.error);
    // The help and the version touch neither the terminal, the screen nor the clipboard file.
    if (line.action != commandline::edit) {
        std::fputs(line.action == commandline::help ? usagetext : versiontext, stdout);
        clipboard.skipexitwrite();
        return 0;
    }
    const askedsize size = askedtextsize(line.textsize, std::getenv("ZHEDIT_SIZE"));
    if (!size.error.empty()) return refuse(size.error);
    mykbhit keyboard;

    mymapwin = new amybitmapwin;
    settextsizefor(size.size, mymapwin->w, mymapwin->h);
    myconsole::take();

    if (!buildscreen(mymapwin, line).ok) wayout::leavenow(cantopenstatus);
    editview* editor = mymapwin->peditview;

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
    mymapwin->bmp.savetobmp("aaaaa.bmp");
    return 0;
}
