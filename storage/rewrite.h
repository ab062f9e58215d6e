// Rewriting a file where it is (the save route for a file with other hard
// links, in a directory that takes no new file, or whose owner, group or
// attributes a new file could not keep), so that at every moment either the
// file or a flushed copy of its old bytes is whole. Used by savefile.cpp.
#pragma once
#include <cstddef>
#include <string>

#include "storage/savefile.h"

// fd: the file, open for reading and writing; it is name in directory dirfd,
// whose path is dirpath ("" for the working directory).
saveoutcome rewriteinplace(int fd, int dirfd, const std::string& dirpath, const char* name,
                           const unsigned char* data, size_t n, fileio& io);

saveoutcome outcomesaved(bool inplace, const fileidentity& identity);
saveoutcome outcomefailed(const char* step, int error, bool inplace);
