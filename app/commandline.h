// Reads zhedit's command line: what to do (edit, print the help or the
// version, or refuse a mistake), which encoding the file is forced to, the
// text size, and which file to edit. Pure: nothing is printed or opened here.
#pragma once
#include <string>

#include "editor/textcodec.h"

struct commandline {
    enum actionkind { edit, help, version, mistake };
    enum filekind { defaultfile, namedfile, nofile };

    actionkind action = edit;
    textcodec::encodingkind encoding = textcodec::automatic;
    int textsize = 0;                     // --size: the text size in pixels; 0 when not given
    filekind file = defaultfile;
    std::string filename = "aaaaa.txt";   // the file to edit; empty when there is none
    // With a mistake: the argument it is in, and what is wrong with it.
    std::string mistakeargument;
    std::string mistakereason;
};

// Options may stand anywhere before "--" and are taken out before the files
// are counted: no file edits "aaaaa.txt", one file that file, two or more
// none. An option that takes a value has it in the next argument or after
// "=" ("--size 32", "--size=32"). "--help" or "-h" and "--version" ask for a
// text; a word that starts with "-" and is no option, a lone "-", and a
// missing or bad value are mistakes. Of texts and mistakes the first one on
// the line wins. "--utf8" and "--gbk" force the encoding (the last one
// wins). Everything after "--" is a file name.
commandline parsecommandline(int argc, const char* const* argv);

// The first line of the help, also printed after a mistake.
extern const char* const usageline;
// What "--help" prints after the usage line.
extern const char* const usagetext;
// What "--version" prints.
extern const char* const versiontext;
