#include "storage/savefile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

int fileio::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
ssize_t fileio::write(int fd, const void* p, size_t n) { return ::write(fd, p, n); }
int fileio::fsync(int fd) { return ::fsync(fd); }
int fileio::close(int fd) { return ::close(fd); }
int fileio::rename(const char* from, const char* to) { return ::rename(from, to); }
int fileio::unlink(const char* path) { return ::unlink(path); }
int fileio::lstat(const char* path, struct stat* st) { return ::lstat(path, st); }
int fileio::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int fileio::fchown(int fd, uid_t uid, gid_t gid) { return ::fchown(fd, uid, gid); }
int fileio::access(const char* path, int mode) { return ::access(path, mode); }

fileio& systemfileio() {
    static fileio io;
    return io;
}

bool writeall(int fd, const unsigned char* data, size_t n, fileio& io) {
    size_t written = 0;
    while (written < n) {
        const ssize_t w = io.write(fd, data + written, n - written);
        if (w < 0 && errno == EINTR) continue;
        if (w < 0) return false;
        if (w == 0) {  // no progress and no reason given: do not spin
            errno = EIO;
            return false;
        }
        written += size_t(w);
    }
    return true;
}

bool directoryof(const char* path, char* dir, size_t size) {
    const char* slash = std::strrchr(path, '/');
    const size_t len = slash == nullptr ? 0 : size_t(slash - path) + 1;
    if (len >= size) return false;
    std::memcpy(dir, path, len);
    dir[len] = '\0';
    return true;
}

namespace {

constexpr size_t pathbuf = PATH_MAX;
constexpr int temptries = 100;

saveoutcome done(bool inplace) { return {true, 0, "", inplace}; }
saveoutcome failed(const char* step, int error, bool inplace) { return {false, error, step, inplace}; }

// Creates a new, empty file beside path, its name in temp; the descriptor,
// or -1 with errno set. The name does not grow with the file's own name, so
// a long file name still leaves room for it.
int createtemp(const char* path, mode_t mode, fileio& io, char* temp, size_t size) {
    char dir[pathbuf];
    if (!directoryof(path, dir, sizeof dir)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    for (int k = 0; k < temptries; ++k) {
        const int len = std::snprintf(temp, size, "%s.zhedit-%ld-%d.tmp", dir, long(getpid()), k);
        if (len < 0 || size_t(len) >= size) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const int fd = io.open(temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// After a failed step: the temporary file goes, the step's errno is kept.
saveoutcome discardtemp(const char* step, int fd, const char* temp, fileio& io) {
    const int error = errno;
    if (fd >= 0) io.close(fd);
    io.unlink(temp);
    return failed(step, error, false);
}

// A rename is on disk only once its directory is; the file itself already
// is, so a failure here does not undo the save.
void syncdirectory(const char* path, fileio& io) {
    char dir[pathbuf];
    if (!directoryof(path, dir, sizeof dir)) return;
    if (dir[0] == '\0') std::strcpy(dir, ".");
    const int fd = io.open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    io.fsync(fd);
    io.close(fd);
}

// Flushes and closes the finished temporary file and renames it over path.
saveoutcome committemp(const char* path, int fd, const char* temp, fileio& io) {
    if (io.fsync(fd) != 0) return discardtemp("fsync", fd, temp, io);
    if (io.close(fd) != 0) return discardtemp("close", -1, temp, io);
    if (io.rename(temp, path) != 0) return discardtemp("rename", -1, temp, io);
    syncdirectory(path, io);
    return done(false);
}

enum class tempresult { written, failed, useinplace };

// The save through a temporary file. original is the file being replaced,
// or nullptr for a new file. useinplace: the directory takes no new file,
// or the original's owner and group cannot be given to one.
tempresult writeviatemp(const char* path, const unsigned char* data, size_t n,
                        const struct stat* original, fileio& io, saveoutcome& outcome) {
    char temp[pathbuf];
    // Private until it has the original's owner and mode.
    const int fd = createtemp(path, original != nullptr ? 0600 : 0666, io, temp, sizeof temp);
    if (fd < 0) {
        if (original != nullptr && (errno == EACCES || errno == EPERM)) return tempresult::useinplace;
        outcome = failed("open", errno, false);
        return tempresult::failed;
    }
    if (original != nullptr) {
        if (io.fchown(fd, original->st_uid, original->st_gid) != 0) {
            discardtemp("fchown", fd, temp, io);
            return tempresult::useinplace;
        }
        // After fchown, which may clear the set-id bits.
        if (io.fchmod(fd, original->st_mode & 07777) != 0) {
            outcome = discardtemp("fchmod", fd, temp, io);
            return tempresult::failed;
        }
    }
    if (!writeall(fd, data, n, io)) {
        outcome = discardtemp("write", fd, temp, io);
        return tempresult::failed;
    }
    outcome = committemp(path, fd, temp, io);
    return outcome.ok ? tempresult::written : tempresult::failed;
}

// The file's own bytes are replaced where it is: through a symbolic link, on
// every hard link, on a device. A failure half-way leaves it damaged, which
// the caller reports; the text it holds is still the caller's to write again.
saveoutcome writeinplace(const char* path, const unsigned char* data, size_t n, bool fifo,
                         fileio& io) {
    // A FIFO with no reader fails at once rather than hanging the editor.
    const int flags = O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC | (fifo ? O_NONBLOCK : 0);
    const int fd = io.open(path, flags, 0666);
    if (fd < 0) return failed("open", errno, true);
    if (!writeall(fd, data, n, io)) {
        const int error = errno;
        io.close(fd);
        return failed("write", error, true);
    }
    // Devices and pipes have nothing to flush and say so with EINVAL or EROFS.
    if (io.fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int error = errno;
        io.close(fd);
        return failed("fsync", error, true);
    }
    if (io.close(fd) != 0) return failed("close", errno, true);
    return done(true);
}

}  // namespace

saveoutcome writewholefile(const char* path, const unsigned char* data, size_t n, fileio& io) {
    if (path == nullptr || *path == '\0') return failed("path", ENOENT, false);
    if (data == nullptr && n != 0) return failed("path", EINVAL, false);
    struct stat st;
    saveoutcome outcome = done(false);
    if (io.lstat(path, &st) != 0) {
        if (errno != ENOENT) return failed("lstat", errno, false);
        writeviatemp(path, data, n, nullptr, io, outcome);
        return outcome;
    }
    if (!S_ISREG(st.st_mode) || st.st_nlink > 1)
        return writeinplace(path, data, n, S_ISFIFO(st.st_mode), io);
    if (io.access(path, W_OK) != 0) return failed("access", errno, false);
    if (writeviatemp(path, data, n, &st, io, outcome) == tempresult::useinplace)
        return writeinplace(path, data, n, false, io);
    return outcome;
}

saveoutcome replacewholefile(const char* path, const unsigned char* data, size_t n, mode_t mode,
                             fileio& io) {
    if (path == nullptr || *path == '\0') return failed("path", ENOENT, false);
    if (data == nullptr && n != 0) return failed("path", EINVAL, false);
    char temp[pathbuf];
    const int fd = createtemp(path, mode, io, temp, sizeof temp);
    if (fd < 0) return failed("open", errno, false);
    if (!writeall(fd, data, n, io)) return discardtemp("write", fd, temp, io);
    return committemp(path, fd, temp, io);
}
