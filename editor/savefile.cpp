#include "editor/savefile.h"
#include <cerrno>
#include <cstdio>
fileio& systemfileio() { static fileio io; return io; }
saveoutcome writewholefile(const char* path, const unsigned char* data, size_t n, fileio&) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return {false, errno, "open"};
    bool ok = std::fwrite(data, 1, n, f) == n;
    ok = std::fclose(f) == 0 && ok;
    return {ok, ok ? 0 : EIO, ok ? "" : "write"};
}
