// The recovery file: where the text goes when it cannot or must not be
// written over its own file (a failed or refused save, the process told to
// end with unsaved changes). Chosen once per run, then replaced whole by each
// later write.
#pragma once
#include <cstddef>

#include "storage/savefile.h"

class recoveryfile {
public:
    static constexpr size_t pathsize = 4096;
    static constexpr int maxnumber = 999;  // "name.save.1" to "name.save.999" after "name.save"

    // filename: the edited file's path, or "" when there is none. The first
    // free name of: filename".save", then filename".save.1", ".save.2", ...
    // in the file's directory; where there is no file name or that directory
    // takes no new file, "zhedit.save" (numbered likewise) in the working
    // directory, else in $HOME. Never the edited file itself. Once a name is
    // found, later calls return it; "" when none can be had (then a later
    // call tries again).
    const char* choose(const char* filename, fileio& io = systemfileio());
    // Writes the whole text to the chosen file through a temporary file
    // renamed over it, so it never holds part of a text. Mode 0600: the text
    // may be private.
    saveoutcome write(const unsigned char* data, size_t n, fileio& io = systemfileio());
    // The chosen path; "" before a successful choose.
    const char* path() const { return chosen; }

private:
    char chosen[pathsize] = {};

    bool choosein(const char* base, const char* original, fileio& io);
};
