// The recovery file: where the text goes when it cannot or must not be
// written over its own file (a failed or refused save, the process told to
// end with unsaved changes). Each write replaces it whole; a place that
// cannot take it (a full disk, a quota, no permission) passes the text on to
// the next.
#pragma once
#include <cstddef>
#include <string>

#include "storage/savefile.h"

class recoveryfile {
public:
    static constexpr int maxnumber = 999;  // "name.save.1" to "name.save.999" after "name.save"

    // Writes the whole text, through a temporary file renamed over it so it
    // never holds part of a text, with mode 0600 (the text may be private),
    // in the first of these places that takes all of it: filename".save"
    // beside the file (or ".save.1", ".save.2", ... when taken), then
    // "zhedit.save" (numbered likewise) in each of io.spareplaces() in turn
    // (the working directory, $HOME, /var/tmp, /tmp). In a directory others
    // can write to no name is ever reused: the file goes into a directory of
    // its own made there. filename is the edited file's path, "" when there
    // is none; the file itself is never taken. Later writes start from the
    // place that last worked, with the name chosen there.
    saveoutcome write(const char* filename, const unsigned char* data, size_t n, fileio& io = systemfileio());
    // The file of the last successful write; "" before one.
    const char* path() const { return written.c_str(); }
    // Names are chosen afresh from here on (another file is being edited).
    void forget();

private:
    static constexpr int placecount = 8;  // the file's own directory and the spare places

    int place = 0;                     // where the next write starts
    std::string chosen[placecount];    // the name taken in each place, "" until one is
    std::string written;

    bool choose(int at, const char* filename, const std::string& dir, fileio& io);
};
