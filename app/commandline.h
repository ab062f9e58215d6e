// Reads zhedit's command line: what to do (edit, or print the help or the
// version), which encoding the file is forced to, and which file to edit.
// Pure: nothing is printed or opened here.
#pragma once
#include <string>

#include "editor/textcodec.h"

struct commandline {
    enum actionkind { edit, help, version };
    enum filekind { defaultfile, namedfile, nofile };

    actionkind action = edit;
    textcodec::encodingkind encoding = textcodec::automatic;
    filekind file = defaultfile;
    std::string filename = "aaaaa.txt";   // the file to edit; empty when there is none
    int textsize = 0;                     // --size N or --size=N; 0 when not given
    std::string error;                    // what is wrong with the command line; empty when nothing is
};

// Options may stand anywhere before "--" and are taken out before the files
// are counted: no file edits "aaaaa.txt", one file that file, two or more
// none. "--help" or "-h" and "--version" ask for a text (the first one asked
// for wins); "--utf8" and "--gbk" force the encoding (the last one wins).
// Every other argument, and everything after "--", is a file name.
commandline parsecommandline(int argc, const char* const* argv);

// What "--help" prints.
extern const char* const usagetext;
// What "--version" prints.
extern const char* const versiontext;
