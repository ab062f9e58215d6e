// STUB until the filestore branch lands: writing a whole file.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>
#include <cstddef>

struct fileio {
    virtual ~fileio() = default;
};
fileio& systemfileio();
struct saveoutcome { bool ok; int error; const char* step; };
saveoutcome writewholefile(const char* path, const unsigned char* data, size_t n, fileio& io = systemfileio());
