#include "storage/recoveryfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool directorytakesfile(const char* dir, fileio& io) { return io.access(dir, W_OK | X_OK) == 0; }

// True when a new file can be made beside path.
bool parenttakesfile(const char* path, fileio& io) {
    char dir[recoveryfile::pathsize];
    if (!directoryof(path, dir, sizeof dir)) return false;
    return directorytakesfile(dir[0] != '\0' ? dir : ".", io);
}

}  // namespace

// Takes the first of base, base.1, base.2, ... that names nothing yet (not
// even a dangling link) and is not the original's path.
bool recoveryfile::choosein(const char* base, const char* original, fileio& io) {
    char candidate[pathsize];
    for (int k = 0; k <= maxnumber; ++k) {
        const int len = k == 0 ? std::snprintf(candidate, sizeof candidate, "%s", base)
                               : std::snprintf(candidate, sizeof candidate, "%s.%d", base, k);
        if (len < 0 || size_t(len) >= sizeof candidate) return false;  // never cut a path short
        if (original != nullptr && std::strcmp(candidate, original) == 0) continue;
        struct stat st;
        if (io.lstat(candidate, &st) == 0) continue;
        if (errno != ENOENT) return false;
        std::memcpy(chosen, candidate, size_t(len) + 1);
        return true;
    }
    return false;
}

const char* recoveryfile::choose(const char* filename, fileio& io) {
    if (chosen[0] != '\0') return chosen;
    const bool named = filename != nullptr && *filename != '\0';
    if (named && parenttakesfile(filename, io)) {
        char base[pathsize];
        const int len = std::snprintf(base, sizeof base, "%s.save", filename);
        if (len > 0 && size_t(len) < sizeof base && choosein(base, filename, io)) return chosen;
    }
    const char* original = named ? filename : nullptr;
    if (directorytakesfile(".", io) && choosein("zhedit.save", original, io)) return chosen;
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0' && directorytakesfile(home, io)) {
        char base[pathsize];
        const int len = std::snprintf(base, sizeof base, "%s/zhedit.save", home);
        if (len > 0 && size_t(len) < sizeof base && choosein(base, original, io)) return chosen;
    }
    chosen[0] = '\0';
    return chosen;
}

saveoutcome recoveryfile::write(const unsigned char* data, size_t n, fileio& io) {
    if (chosen[0] == '\0') return {false, ENOENT, "choose", false};
    return replacewholefile(chosen, data, n, 0600, io);
}
