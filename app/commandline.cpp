#include "app/commandline.h"

#include <cstring>

#include "app/textsize.h"

const char* const usageline = "Usage: zhedit [options] [--] [file]\n";

const char* const usagetext =
    "Full-screen Chinese and English text editor for the Linux console.\n"
    "With no file it edits aaaaa.txt; with two or more it starts empty. A file\n"
    "that does not exist yet is created when it is saved.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help and leave\n"
    "  --version    show the version and leave\n"
    "  --utf8       read and write the file as UTF-8\n"
    "  --gbk        read and write the file as GBK\n"
    "  --size N     text size: an even number of pixels from 12 to 96\n"
    "               (also --size=N)\n"
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
    "  Ctrl-O                   save under another name, typed in the status line;\n"
    "                           Enter or Ctrl-S saves, F8 saves and quits, Esc or F7\n"
    "                           cancels; editing goes on in the file saved\n"
    "  Ctrl-Z, Ctrl-Y           undo, redo\n"
    "  Ctrl-F                   find; Enter or Ctrl-F finds the next, Esc closes\n"
    "  Ctrl-L                   redraw the screen\n"
    "  arrows, Home, End        move the cursor (also with Ctrl, Shift or Alt)\n"
    "  PgUp, PgDn               move a screen up or down\n"
    "  Delete, Backspace        delete the character under or before the cursor\n"
    "  Ctrl-H                   Backspace\n"
    "  space                    the first candidate; else a space, ideographic\n"
    "                           while punctuation is full width\n"
    "  Enter                    new line\n"
    "  Tab                      insert a tab\n"
    "\n"
    "Exit status:\n"
    "  0        normal end (F7 or F8)\n"
    "  1, 2, 3  the framebuffer cannot be opened, read or filled\n"
    "  4        standard input is not a terminal, or zhedit is not in its foreground\n"
    "  5        the screen is too small for the text size\n"
    "  11       the file cannot be opened, is not a regular file, or its directory is missing\n"
    "  64       a command-line mistake: an unknown option or a bad value\n"
    "  128+N    ended by signal N\n";

const char* const versiontext = "zhedit 0.1\n";

namespace {

enum class optionid { help, version, utf8, gbk, size };

struct optionname {
    const char* name;
    optionid id;
    bool takesvalue;
};

constexpr optionname knownoptions[] = {
    {"--help", optionid::help, false}, {"-h", optionid::help, false},   {"--version", optionid::version, false},
    {"--utf8", optionid::utf8, false}, {"--gbk", optionid::gbk, false}, {"--size", optionid::size, true},
};

const optionname* findoption(const std::string& name) {
    for (const optionname& o : knownoptions)
        if (name == o.name) return &o;
    return nullptr;
}

// The first text or mistake asked for wins: once the action is no longer
// edit it stays.
void ask(commandline& line, commandline::actionkind action) {
    if (line.action == commandline::edit) line.action = action;
}

void mistake(commandline& line, const std::string& argument, const std::string& reason) {
    if (line.action != commandline::edit) return;
    line.action = commandline::mistake;
    line.mistakeargument = argument;
    line.mistakereason = reason;
}

void apply(commandline& line, const optionname& option, const std::string& argument, const std::string& value) {
    switch (option.id) {
    case optionid::help: ask(line, commandline::help); break;
    case optionid::version: ask(line, commandline::version); break;
    case optionid::utf8: line.encoding = textcodec::utf8; break;
    case optionid::gbk: line.encoding = textcodec::gbk; break;
    case optionid::size:
        line.textsize = textsizevalue(value.c_str());
        if (line.textsize == 0)
            mistake(line, argument, "the text size must be an even number from 12 to 96, not '" + value + "'");
        break;
    }
}

// One argument that starts with "-" and is not "--"; i is moved past a value
// taken from the next argument.
void takeoption(int argc, const char* const* argv, int& i, commandline& line) {
    const std::string argument = argv[i];
    if (argument == "-") {
        mistake(line, argument, "not a file name (for a file of that name write ./-)");
        return;
    }
    const size_t equals = argument.rfind("--", 0) == 0 ? argument.find('=') : std::string::npos;
    const std::string name = argument.substr(0, equals);
    const optionname* option = findoption(name);
    if (option == nullptr) {
        mistake(line, argument, "unknown option");
        return;
    }
    if (!option->takesvalue && equals != std::string::npos) {
        mistake(line, argument, "the option takes no value");
        return;
    }
    std::string value;
    if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
    } else if (option->takesvalue) {
        if (i + 1 >= argc || argv[i + 1] == nullptr) {
            mistake(line, argument, "the option needs a value");
            return;
        }
        value = argv[++i];
    }
    apply(line, *option, argument, value);
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
        if (!optionsended && argument[0] == '-') {
            takeoption(argc, argv, i, line);
            continue;
        }
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
