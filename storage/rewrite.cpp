#include "storage/rewrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace {

constexpr size_t copychunk = 1 << 16;
// A restore rewrites everything each time: after a failed flush the system
// may have dropped the pages it could not write, so a later flush that
// succeeds proves nothing about them.
constexpr int restoreattempts = 2;

// The old bytes of the file in a file of their own, open for reading back.
struct oldcopy {
    int fd = -1;
    int dirfd = -1;
    bool owndirfd = false;  // dirfd was opened for the copy (a spare place)
    std::string dirpath;    // with its final slash, "" for the working directory
    std::string name;
    off_t size = 0;
};

// Copies size bytes (all of them when more come) from one descriptor to
// another, both from offset 0.
bool copybytes(int from, int to, off_t& size, bool toend, fileio& io) {
    std::vector<unsigned char> chunk(copychunk);
    off_t at = 0;
    while (toend || at < size) {
        const size_t want = toend ? chunk.size() : size_t(std::min<off_t>(off_t(chunk.size()), size - at));
        const ssize_t got = io.pread(from, chunk.data(), want, at);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) {
            if (toend) break;
            errno = EIO;  // the copy is shorter than what was written into it
            return false;
        }
        if (!writeallat(to, chunk.data(), size_t(got), at, io)) return false;
        at += got;
    }
    size = at;
    return true;
}

// The copy in the directory dirfd, flushed with its directory entry.
bool copyinto(int fd, int dirfd, const std::string& dirpath, const char* name, fileio& io, oldcopy& copy) {
    std::string made;
    const int cfd = createunique(dirfd, "", name, "old", 0600, made, io);
    if (cfd < 0) return false;
    off_t size = 0;
    if (!copybytes(fd, cfd, size, true, io) || io.fsync(cfd) != 0) {
        const int error = errno;
        io.close(cfd);
        io.unlinkat(dirfd, made.c_str(), 0);
        errno = error;
        return false;
    }
    io.fsync(dirfd);  // where supported; the copy's own bytes are already on disk
    copy.fd = cfd;
    copy.dirfd = dirfd;
    copy.dirpath = dirpath.empty() || dirpath.back() == '/' ? dirpath : dirpath + "/";
    copy.name = made;
    copy.size = size;
    return true;
}

// Beside the file first, where a user looks for it, then in the spare
// places; the error of the first attempt when none takes it.
bool makeoldcopy(int fd, int dirfd, const std::string& dirpath, const char* name, fileio& io, oldcopy& copy) {
    if (copyinto(fd, dirfd, dirpath, name, io, copy)) return true;
    const int error = errno;
    for (const std::string& place : io.spareplaces()) {
        const int pfd = io.open(place.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
        if (pfd < 0) continue;
        if (copyinto(fd, pfd, place, name, io, copy)) {
            copy.owndirfd = true;
            return true;
        }
        io.close(pfd);
    }
    errno = error;
    return false;
}

void closecopy(const oldcopy& copy, fileio& io) {
    io.close(copy.fd);
    if (copy.owndirfd) io.close(copy.dirfd);
}

// The file is whole again (new or old): the copy goes.
void dropcopy(const oldcopy& copy, fileio& io) {
    io.unlinkat(copy.dirfd, copy.name.c_str(), 0);
    closecopy(copy, io);
}

// The new bytes over the old; the failing step, or nullptr.
const char* rewrite(int fd, const unsigned char* data, size_t n, fileio& io) {
    if (!writeallat(fd, data, n, 0, io)) return "write";
    if (io.ftruncate(fd, off_t(n)) != 0) return "truncate";
    if (io.fsync(fd) != 0) return "fsync";
    return nullptr;
}

bool restore(int fd, const oldcopy& copy, fileio& io) {
    for (int attempt = 0; attempt < restoreattempts; ++attempt) {
        off_t size = copy.size;
        if (copybytes(copy.fd, fd, size, false, io) && io.ftruncate(fd, copy.size) == 0 && io.fsync(fd) == 0)
            return true;
    }
    return false;
}

// A reservation the file system does not offer is no failure: it is only an
// early warning of a full disk.
bool reservationunsupported(int error) { return error == EOPNOTSUPP || error == ENOSYS || error == EINVAL; }

}  // namespace

saveoutcome rewriteinplace(int fd, int dirfd, const std::string& dirpath, const char* name,
                           const unsigned char* data, size_t n, fileio& io) {
    oldcopy copy;
    if (!makeoldcopy(fd, dirfd, dirpath, name, io, copy)) return outcomefailed("copy", errno, true);
    if (off_t(n) > copy.size && io.fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(n)) != 0 &&
        !reservationunsupported(errno)) {
        const saveoutcome outcome = outcomefailed("reserve", errno, true);
        dropcopy(copy, io);
        return outcome;
    }
    const char* failed = rewrite(fd, data, n, io);
    if (failed == nullptr) {
        struct stat st;
        const saveoutcome outcome = outcomesaved(true, io.fstat(fd, &st) == 0 ? identityof(st) : fileidentity());
        dropcopy(copy, io);
        return outcome;
    }
    saveoutcome outcome = outcomefailed(failed, errno, true);
    if (restore(fd, copy, io)) {
        dropcopy(copy, io);
    } else {
        outcome.oldcopy = absolutepath(copy.dirpath + copy.name);
        closecopy(copy, io);
    }
    return outcome;
}
