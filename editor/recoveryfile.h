// STUB until the filestore branch lands: the recovery file.
#pragma once
#include <string>
#include "editor/savefile.h"
class recoveryfile {
public:
    const char* choose(const char* filename, fileio& io = systemfileio());
    saveoutcome write(const unsigned char* data, size_t n, fileio& io = systemfileio());
    const char* path() const { return chosen.c_str(); }
private:
    std::string chosen;
};
