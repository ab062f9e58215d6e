#include "storage/recoveryfile.h"

#include <fcntl.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace {

const char sparename[] = "zhedit.save";
const char noplace[] = "";  // a place that does not apply (no file name)

// No place could be chosen: the reason.
saveoutcome nowhere(int error) {
    saveoutcome s;
    s.step = "choose";
    s.error = error;
    return s;
}

// The file name without its directory.
const char* basenameof(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

}  // namespace

// Takes a name in directory dir (the file's own when at is 0): in a
// directory others can write to, one inside a directory of its own made
// there; elsewhere the first of base, base.1, base.2, ... that names nothing
// yet (not even a dangling link) and is not the edited file.
bool recoveryfile::choose(int at, const char* filename, const std::string& dir, fileio& io) {
    const bool named = filename != nullptr && *filename != '\0';
    const std::string base = named ? std::string(basenameof(filename)) + ".save" : sparename;
    struct stat st;
    if (io.fstatat(AT_FDCWD, dir.empty() ? "." : dir.c_str(), &st, 0) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (isshared(st)) {
        std::string own;
        if (!makeowndirectory(dir.empty() ? "." : dir, own, io)) return false;
        chosen[at] = own + "/" + base;
        return true;
    }
    const std::string prefix = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const std::string first = prefix + (at == 0 ? base : sparename);
    const std::string original = named ? absolutepath(filename) : "";
    for (int k = 0; k <= maxnumber; ++k) {
        const std::string candidate = k == 0 ? first : first + "." + std::to_string(k);
        if (candidate.size() >= PATH_MAX) return false;  // never cut a path short
        if (absolutepath(candidate) == original) continue;
        if (io.fstatat(AT_FDCWD, candidate.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) continue;
        if (errno != ENOENT) return false;
        chosen[at] = candidate;
        return true;
    }
    return false;
}

saveoutcome recoveryfile::write(const char* filename, const unsigned char* data, size_t n, fileio& io) {
    std::vector<std::string> places;
    char dir[PATH_MAX];
    const bool named = filename != nullptr && *filename != '\0';
    places.push_back(named && directoryof(filename, dir, sizeof dir) ? dir : noplace);
    for (const std::string& spare : io.spareplaces())
        if (places.size() < size_t(placecount)) places.push_back(spare);
    saveoutcome first = nowhere(ENOENT);
    bool tried = false;
    for (int at = place; at < int(places.size()); ++at) {
        if (at == 0 && !named) continue;
        if (chosen[at].empty() && !choose(at, filename, places[size_t(at)], io)) {
            if (!tried) first = nowhere(errno);
            tried = true;
            continue;
        }
        const saveoutcome outcome = replacewholefile(chosen[at].c_str(), data, n, 0600, io);
        if (outcome.ok) {
            place = at;
            written = chosen[at];
            return outcome;
        }
        if (!tried) first = outcome;
        tried = true;
    }
    return first;
}

void recoveryfile::forget() {
    place = 0;
    for (std::string& name : chosen) name.clear();
    written.clear();
}
