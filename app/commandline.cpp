#include "app/commandline.h"

#include <cstring>

#include "app/textsize.h"

const char* const usagetext =
    "Usage: zhedit [options] [--] [file]\n"
    "Full-screen Chinese and English text editor for the Linux console.\n"
    "With no file it edits aaaaa.txt; with two or more it starts empty.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help and leave\n"
    "  --version    show the version and leave\n"
    "  --utf8       read and write the file as UTF-8\n"
    "  --gbk        read and write the file as GBK\n"
    "  --           end of options: what follows is a file name\n"
    "Without them, a file of valid UTF-8 with characters beyond ASCII is read\n"
    "and saved as UTF-8, any other as GBK.\n"
    "\n"
    "The text size (an even number of pixels from 12 to 96) follows the screen:\n"
    "24 where its shorter side is 600 to 1439 pixels, 16 below, and above in\n"
    "proportion (48 at 3840x2160). The environment variable ZHEDIT_SIZE=N sets\n"
    "another when --size does not.\n"
    "\n"
    "Keys:\n"
    "  F1                       Chinese or English input\n"
    "  F2                       input method: pinyin, wubi, English\n"
    "  F3                       start or end a selection\n"
    "  F4                       copy\n"
    "  F5                       paste\n"
    "  F6                       cut\n"
    "  F7                       quit without saving\n"
    "  F8                       save and quit\n"
    "  Ctrl-S                   save and go on\n"
    "  Ctrl-Z, Ctrl-Y           undo, redo\n"
    "  Ctrl-F                   find; Enter or Ctrl-F finds the next, Esc closes\n"
    "  arrows, Home, End        move the cursor\n"
    "  PgUp, PgDn               move a screen up or down\n"
    "  Delete, Backspace        delete the character under or before the cursor\n"
    "  Enter                    new line\n"
    "  Tab                      insert a tab\n";

const char* const versiontext = "zhedit 0.1\n";

namespace {

// Applies one option; false when the argument is not one. The first text
// asked for wins: once the action is no longer edit it stays.
bool takeoption(const char* argument, commandline& line) {
    commandline::actionkind asked;
    if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
        asked = commandline::help;
    } else if (std::strcmp(argument, "--version") == 0) {
        asked = commandline::version;
    } else if (std::strcmp(argument, "--utf8") == 0) {
        line.encoding = textcodec::utf8;
        return true;
    } else if (std::strcmp(argument, "--gbk") == 0) {
        line.encoding = textcodec::gbk;
        return true;
    } else {
        return false;
    }
    if (line.action == commandline::edit) line.action = asked;
    return true;
}

}  // namespace

commandline parsecommandline(int argc, const char* const* argv) {
    commandline line;
    bool optionsended = false;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i] ? argv[i] : "";
        if (!optionsended && std::strcmp(argument, "--") == 0) {
            optionsended = true;
            continue;
        }
        if (!optionsended && std::strncmp(argument, "--size", 6) == 0 && (argument[6] == '=' || !argument[6])) {
            const char* value = argument[6] == '=' ? argument + 7 : i + 1 < argc && argv[i + 1] ? argv[++i] : "";
            line.textsize = textsizevalue(value);
            if (line.textsize == 0 && line.error.empty())
                line.error = std::string("--size: '") + value + "' is not an even number from 12 to 96";
            continue;
        }
        if (!optionsended && takeoption(argument, line)) continue;
        if (++files == 1) line.filename = argument;
    }
    if (files == 1) {
        line.file = commandline::namedfile;
    } else if (files > 1) {
        line.file = commandline::nofile;
        line.filename.clear();
    }
    return line;
}
