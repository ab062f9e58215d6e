// zhedit: a full-screen Chinese and English text editor for the Linux console.
// Start-up builds the screen objects, the loop turns each key read from the
// terminal into one event and shows the bitmap after it, and sleeps while no
// key comes; F7 or F8 end it.
#include <signal.h>

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
#include "input/keyvalues.h"
#include "input/myconsole.h"
#include "input/mykbhit.h"
#include "input/wayout.h"

// The clipboard of the previous run is loaded before main and written back
// after it returns.
clipbd clipboard;

namespace {

std::string signalname(int sig) {
    if (const char* abbreviation = sigabbrev_np(sig)) return std::string("SIG") + abbreviation;
    if (sig >= SIGRTMIN && sig <= SIGRTMAX) return "SIGRTMIN+" + std::to_string(sig - SIGRTMIN);
    return "signal " + std::to_string(sig);
}

// Unsaved text goes to the recovery file; the line that tells the user where
// (in ASCII, which every console shows), or why it could not.
std::string keepunsaved(editview* editor, const std::string& what) {
    const saveoutcome kept = editor->writerecovery();
    if (kept.ok) return "zhedit: " + what + "; the unsaved text is in " + absolutepath(editor->recoverypath()) + "\n";
    return "zhedit: " + what + "; the unsaved text could not be kept: " + std::strerror(kept.error) + "\n";
}

std::string endsignalline(editview* editor, int sig) {
    const std::string what = "ended by " + signalname(sig);
    return editor->ischanged() ? keepunsaved(editor, what) : "zhedit: " + what + "\n";
}

// F7 leaves without saving, on purpose; after a save of the file failed the
// text goes to the recovery file first.
std::string leavingline(editview* editor) {
    if (!editor->savefailed || !editor->ischanged()) return "";
    return keepunsaved(editor, std::string(editor->filename) + " was not saved");
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
    // A bad ZHEDIT_SIZE is a mistake on the command line too.
    const askedsize size = askedtextsize(line.textsize, std::getenv("ZHEDIT_SIZE"));
    if (!size.error.empty())
        wayout::leavewithreason(exitstatus::commandlineerror, "ZHEDIT_SIZE", size.error, usageline);
    if (const char* problem = terminalproblem())
        wayout::leavewithreason(exitstatus::notaterminal, "standard input", problem);

    // Everything that can fail or take long comes before the terminal and the
    // console are taken: the framebuffer (which gives the screen's size) and
    // the file. Until then the ending signals keep their default action.
    mymapwin = new amybitmapwin;
    settextsizefor(size.size, mymapwin->w, mymapwin->h);
    const openoutcome opened = buildscreen(mymapwin, line);
    if (!opened.ok) wayout::leavewithreason(exitstatus::cannotopen, line.filename.c_str(), opened.reason());
    editview* editor = mymapwin->peditview;

    mykbhit keyboard;
    myconsole::take();
    showfirstscreen(mymapwin);

    std::string farewell;  // said on standard error once the terminal is back
    for (;;) {
        if (myconsole::poll()) mymapwin->drawwhole();  // back on show: the whole frame again
        const int64_t code = keyboard.kbhit();
        const bool prompting = editor->saveasprompt();  // F7 and F8 are then the save prompt's
        if (code != 0) mymapwin->deliver(code);
        if (editor->leaveasked) break;
        if (code == keycodef8 && !prompting) {
            if (editor->save()) break;
            mymapwin->draw();  // not saved: the text stays, and the message shows why
        }
        // Ctrl-S arrives as its own byte. Only a save key straight after the
        // warning writes over a file changed on disk.
        if (code != 0 && code != keycodef8 && code != keycontrols) editor->forgetoverwrite();
        if (code == keycodef7 && !prompting) {
            farewell = leavingline(editor);
            break;
        }
        if (const int sig = wayout::pendingendsignal()) wayout::endbysignal(sig, endsignalline(editor, sig).c_str());
        if (code == 0) keyboard.wait();  // until a key, a signal or the rest of a sequence comes
    }

    mymapwin->dodraw();
    mymapwin->bmp.savetobmp("aaaaa.bmp");  // a picture that cannot be written changes nothing
    if (!farewell.empty()) {
        wayout::restoreterminal();  // (the key reader puts it back once more as it goes)
        std::fputs(farewell.c_str(), stderr);
    }
    return exitstatus::normal;
}
