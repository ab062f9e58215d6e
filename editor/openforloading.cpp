#include "editor/openforloading.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int loadcalls::stat(const char* path, struct stat* st) { return ::stat(path, st); }
int loadcalls::lstat(const char* path, struct stat* st) { return ::lstat(path, st); }
ssize_t loadcalls::readlink(const char* path, char* to, size_t size) { return ::readlink(path, to, size); }
int loadcalls::open(const char* path, int flags) { return ::open(path, flags); }
int loadcalls::fstat(int fd, struct stat* st) { return ::fstat(fd, st); }

loadcalls& systemloadcalls() {
    static loadcalls calls;
    return calls;
}

std::string openoutcome::reason() const {
    const std::string why = error != 0 ? std::strerror(error) : refusal;
    return directory.empty() ? why : "directory " + directory + ": " + why;
}

namespace {

constexpr int linkdepth = 40;  // as many links as the kernel follows in one path

openoutcome failed(int error) {
    openoutcome o;
    o.error = error;
    return o;
}

openoutcome refused(const char* why) {
    openoutcome o;
    o.refusal = why;
    return o;
}

const char* notregular(mode_t mode) {
    if (S_ISDIR(mode)) return "a directory, not a regular file";
    if (S_ISFIFO(mode)) return "a FIFO, not a regular file";
    if (S_ISSOCK(mode)) return "a socket, not a regular file";
    if (S_ISCHR(mode)) return "a character device, not a regular file";
    if (S_ISBLK(mode)) return "a block device, not a regular file";
    return "not a regular file";
}

// The directory a new file at name goes into, "." for a bare name.
std::string directorypart(const std::string& name) {
    const size_t slash = name.rfind('/');
    return slash == std::string::npos ? "." : name.substr(0, slash + 1);
}

// Nothing is at path: the file the text will be saved to is path itself or,
// at the end of a chain of dangling links, the name the last link holds. It
// can be created only if its directory exists.
openoutcome newfile(const char* path, loadcalls& calls) {
    std::string name = path;
    struct stat st;
    for (int depth = 0; calls.lstat(name.c_str(), &st) == 0; ++depth) {
        if (!S_ISLNK(st.st_mode) || depth == linkdepth) return failed(depth == linkdepth ? ELOOP : ENOENT);
        char target[PATH_MAX];
        const ssize_t n = calls.readlink(name.c_str(), target, sizeof target);
        if (n < 0) return failed(errno);
        if (size_t(n) >= sizeof target) return failed(ENAMETOOLONG);
        const std::string held(target, size_t(n));
        name = held[0] == '/' ? held : (name.rfind('/') == std::string::npos ? "" : directorypart(name)) + held;
    }
    if (errno != ENOENT) return failed(errno);
    openoutcome o;
    o.directory = directorypart(name);
    if (calls.stat(o.directory.c_str(), &st) != 0) {
        o.error = errno;
        return o;
    }
    if (!S_ISDIR(st.st_mode)) {
        o.error = ENOTDIR;
        return o;
    }
    o.directory.clear();
    o.ok = o.isnew = true;
    return o;
}

// The opened descriptor must be the regular file stat saw; it then goes back
// to blocking reads.
openoutcome checkopened(int fd, const struct stat& seen, loadcalls& calls) {
    struct stat st;
    if (calls.fstat(fd, &st) != 0) return failed(errno);
    if (!S_ISREG(st.st_mode)) return refused(notregular(st.st_mode));
    if (st.st_dev != seen.st_dev || st.st_ino != seen.st_ino) return refused("replaced while it was being opened");
    const int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return failed(errno);
    openoutcome o;
    o.ok = true;
    return o;
}

}  // namespace

openoutcome openforloading(const char* path, int& fd, loadcalls& calls) {
    fd = -1;
    struct stat seen;
    if (calls.stat(path, &seen) != 0) return errno == ENOENT ? newfile(path, calls) : failed(errno);
    if (!S_ISREG(seen.st_mode)) return refused(notregular(seen.st_mode));
    // Non-blocking and without taking a terminal, in case the path was
    // changed into something else since it was looked at.
    const int opened = calls.open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (opened < 0) return failed(errno);
    const openoutcome o = checkopened(opened, seen, calls);
    if (!o.ok) {
        close(opened);
        return o;
    }
    fd = opened;
    return o;
}
