#include "storage/savefile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "storage/rewrite.h"

int fileio::open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int fileio::openat(int dirfd, const char* name, int flags, mode_t mode) { return ::openat(dirfd, name, flags, mode); }
ssize_t fileio::write(int fd, const void* p, size_t n) { return ::write(fd, p, n); }
ssize_t fileio::pwrite(int fd, const void* p, size_t n, off_t at) { return ::pwrite(fd, p, n, at); }
ssize_t fileio::pread(int fd, void* p, size_t n, off_t at) { return ::pread(fd, p, n, at); }
int fileio::fsync(int fd) { return ::fsync(fd); }
int fileio::close(int fd) { return ::close(fd); }
int fileio::renameat(int fromdir, const char* from, int todir, const char* to, unsigned flags) {
    return flags == 0 ? ::renameat(fromdir, from, todir, to) : ::renameat2(fromdir, from, todir, to, flags);
}
int fileio::unlinkat(int dirfd, const char* name, int flags) { return ::unlinkat(dirfd, name, flags); }
int fileio::mkdirat(int dirfd, const char* name, mode_t mode) { return ::mkdirat(dirfd, name, mode); }
int fileio::lstat(const char* path, struct stat* st) { return ::lstat(path, st); }
int fileio::fstatat(int dirfd, const char* name, struct stat* st, int flags) {
    return ::fstatat(dirfd, name, st, flags);
}
int fileio::fstat(int fd, struct stat* st) { return ::fstat(fd, st); }
ssize_t fileio::readlink(const char* path, char* to, size_t n) { return ::readlink(path, to, n); }
int fileio::fchmod(int fd, mode_t mode) { return ::fchmod(fd, mode); }
int fileio::fchown(int fd, uid_t uid, gid_t gid) { return ::fchown(fd, uid, gid); }
int fileio::ftruncate(int fd, off_t n) { return ::ftruncate(fd, n); }
int fileio::fallocate(int fd, int mode, off_t at, off_t n) { return ::fallocate(fd, mode, at, n); }
ssize_t fileio::flistxattr(int fd, char* names, size_t n) { return ::flistxattr(fd, names, n); }
ssize_t fileio::fgetxattr(int fd, const char* name, void* value, size_t n) {
    return ::fgetxattr(fd, name, value, n);
}
int fileio::fsetxattr(int fd, const char* name, const void* value, size_t n, int flags) {
    return ::fsetxattr(fd, name, value, n, flags);
}

std::vector<std::string> fileio::spareplaces() {
    std::vector<std::string> places;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) != nullptr) places.push_back(cwd);
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') places.push_back(home);
    places.push_back("/var/tmp");
    places.push_back("/tmp");
    return places;
}

fileio& systemfileio() {
    static fileio io;
    return io;
}

namespace {

// Writes through write (like write(2)) until all n bytes are out.
template <typename Write>
bool writewith(const unsigned char* data, size_t n, Write write) {
    size_t written = 0;
    while (written < n) {
        const ssize_t w = write(data + written, n - written, written);
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

}  // namespace

bool writeall(int fd, const unsigned char* data, size_t n, fileio& io) {
    return writewith(data, n, [&](const unsigned char* p, size_t k, size_t) { return io.write(fd, p, k); });
}

bool writeallat(int fd, const unsigned char* data, size_t n, off_t at, fileio& io) {
    return writewith(data, n,
                     [&](const unsigned char* p, size_t k, size_t done) { return io.pwrite(fd, p, k, at + off_t(done)); });
}

bool directoryof(const char* path, char* dir, size_t size) {
    const char* slash = std::strrchr(path, '/');
    const size_t len = slash == nullptr ? 0 : size_t(slash - path) + 1;
    if (len >= size) return false;
    std::memcpy(dir, path, len);
    dir[len] = '\0';
    return true;
}

bool fileidentity::operator==(const fileidentity& o) const {
    if (!exists || !o.exists) return exists == o.exists;
    return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
           modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
           changed.tv_nsec == o.changed.tv_nsec;
}

fileidentity identityof(const struct stat& st) {
    fileidentity id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.modified = st.st_mtim;
    id.changed = st.st_ctim;
    return id;
}

bool isshared(const struct stat& st) { return (st.st_mode & (S_ISVTX | S_IWOTH)) != 0; }

std::string absolutepath(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd) == nullptr) return path;
    return std::string(cwd) + (path.empty() ? "" : "/") + path;
}

namespace {

constexpr int temptries = 100;
constexpr int suffixlength = 6;
constexpr int maxlinkdepth = 40;

// Six letters or digits no other process can guess, as mkostemp makes them.
std::string randomsuffix() {
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[suffixlength];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != ssize_t(sizeof bytes)) {
        // Without the kernel's randomness (an old kernel, a seccomp filter):
        // the clock and the process mixed, which O_EXCL still makes safe.
        static unsigned long long state = 0;
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        state ^= (unsigned long long)now.tv_nsec * 0x9E3779B97F4A7C15ull ^ (unsigned long long)getpid() << 32;
        for (unsigned char& b : bytes) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            b = (unsigned char)(state >> 56);
        }
    }
    std::string s;
    for (unsigned char b : bytes) s += letters[b % (sizeof letters - 1)];
    return s;
}

// At most limit bytes of name, never cutting a UTF-8 character in two.
std::string shortened(const char* name, size_t limit) {
    size_t len = std::strlen(name);
    if (len <= limit) return name;
    len = limit;
    while (len > 0 && (static_cast<unsigned char>(name[len]) & 0xC0) == 0x80) --len;
    return std::string(name, len);
}

}  // namespace

int createunique(int dirfd, const std::string& prefix, const char* base, const char* kind, mode_t mode,
                 std::string& name, fileio& io) {
    const size_t fixed = std::strlen(".") + std::strlen(".zhedit-") + std::strlen(kind) + 1 + suffixlength;
    const std::string stem = "." + shortened(base, NAME_MAX - fixed) + ".zhedit-" + kind + "-";
    for (int k = 0; k < temptries; ++k) {
        name = prefix + stem + randomsuffix();
        if (name.size() >= PATH_MAX) {
            errno = ENAMETOOLONG;
            return -1;
        }
        const int fd = io.openat(dirfd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool makeowndirectory(const std::string& path, std::string& made, fileio& io) {
    for (int k = 0; k < temptries; ++k) {
        made = path + (path.empty() || path.back() == '/' ? "" : "/") + "zhedit-" + randomsuffix();
        if (io.mkdirat(AT_FDCWD, made.c_str(), 0700) == 0) return true;
        if (errno != EEXIST) return false;
    }
    errno = EEXIST;
    return false;
}

saveoutcome outcomesaved(bool inplace, const fileidentity& identity) {
    saveoutcome s;
    s.ok = true;
    s.inplace = inplace;
    s.identity = identity;
    return s;
}

saveoutcome outcomefailed(const char* step, int error, bool inplace) {
    saveoutcome s;
    s.error = error;
    s.step = step;
    s.inplace = inplace;
    return s;
}

namespace {

// After a failed step: the temporary file goes, the step's errno is kept.
saveoutcome discardtemp(const char* step, int fd, int dirfd, const std::string& temp, fileio& io) {
    const int error = errno;
    if (fd >= 0) io.close(fd);
    io.unlinkat(dirfd, temp.c_str(), 0);
    return outcomefailed(step, error, false);
}

// The identity of what is at name now; "missing" when it cannot be seen.
fileidentity identityat(int dirfd, const char* name, fileio& io) {
    struct stat st;
    return io.fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? identityof(st) : fileidentity();
}

// A rename is on disk only once its directory is; the file itself already
// is, so a failure here does not undo the save.
void syncdirectory(int dirfd, const char* target, fileio& io) {
    if (dirfd != AT_FDCWD) {
        io.fsync(dirfd);
        return;
    }
    char dir[PATH_MAX];
    if (!directoryof(target, dir, sizeof dir)) return;
    const int fd = io.open(dir[0] != '\0' ? dir : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0) return;
    io.fsync(fd);
    io.close(fd);
}

// Flushes and closes the finished temporary file and renames it to target,
// in directory dirfd (or paths from the working directory with AT_FDCWD).
// With RENAME_NOREPLACE a file that appeared at target meanwhile is left
// alone and reported as "changed".
saveoutcome committemp(int dirfd, const std::string& temp, int fd, const char* target, unsigned flags,
                       fileio& io) {
    if (io.fsync(fd) != 0) return discardtemp("fsync", fd, dirfd, temp, io);
    if (io.close(fd) != 0) return discardtemp("close", -1, dirfd, temp, io);
    int renamed = io.renameat(dirfd, temp.c_str(), dirfd, target, flags);
    if (renamed != 0 && flags != 0 && errno == EINVAL) renamed = io.renameat(dirfd, temp.c_str(), dirfd, target, 0);
    if (renamed != 0) {
        const bool appeared = flags != 0 && errno == EEXIST;
        saveoutcome s = discardtemp(appeared ? "changed" : "rename", -1, dirfd, temp, io);
        if (appeared) s.identity = identityat(dirfd, target, io);
        return s;
    }
    // Taken after the rename, which changes the file's change time.
    const fileidentity identity = identityat(dirfd, target, io);
    syncdirectory(dirfd, target, io);
    return outcomesaved(false, identity);
}

// The name is followed through symbolic links (absolute or relative to the
// link's directory) to the path of the file itself, or of a missing file
// that a dangling link names.
bool resolvelinks(const char* path, std::string& resolved, fileio& io) {
    std::string current = path;
    for (int depth = 0; depth <= maxlinkdepth; ++depth) {
        struct stat st;
        const bool there = io.lstat(current.c_str(), &st) == 0;
        if (!there && errno != ENOENT) return false;
        if (!there || !S_ISLNK(st.st_mode)) {  // the file, or the missing one a link names
            resolved = current;
            return true;
        }
        char target[PATH_MAX];
        const ssize_t len = io.readlink(current.c_str(), target, sizeof target);
        if (len < 0) return false;
        if (len == 0 || size_t(len) >= sizeof target) {
            errno = len == 0 ? ENOENT : ENAMETOOLONG;
            return false;
        }
        char dir[PATH_MAX];
        directoryof(current.c_str(), dir, sizeof dir);
        current = target[0] == '/' ? std::string(target, size_t(len)) : dir + std::string(target, size_t(len));
        if (current.size() >= PATH_MAX) {
            errno = ENAMETOOLONG;
            return false;
        }
    }
    errno = ELOOP;
    return false;
}

// Attribute names in a list as flistxattr gives it.
std::vector<std::string> attributenames(int fd, fileio& io, bool& ok) {
    std::vector<std::string> names;
    ok = true;
    const ssize_t len = io.flistxattr(fd, nullptr, 0);
    if (len < 0) {
        ok = errno == ENOTSUP || errno == ENOSYS;  // a file system without them
        return names;
    }
    std::vector<char> list(size_t(len) + 1);
    const ssize_t got = len == 0 ? 0 : io.flistxattr(fd, list.data(), size_t(len));
    if (got < 0) {
        ok = false;  // (the list grew in between)
        return names;
    }
    for (size_t at = 0; at < size_t(got); at += std::strlen(list.data() + at) + 1) names.push_back(list.data() + at);
    return names;
}

// Gives the new file every extended attribute of the old (the POSIX ACL,
// the security label, the user's own) and none it inherited besides; false
// when one cannot be given, and the save then goes in place.
bool copyattributes(int from, int to, fileio& io) {
    bool ok = false;
    const std::vector<std::string> names = attributenames(from, io, ok);
    if (!ok) return false;
    for (const std::string& name : names) {
        const ssize_t len = io.fgetxattr(from, name.c_str(), nullptr, 0);
        if (len < 0 && errno == ENODATA) continue;
        std::vector<char> value(size_t(len > 0 ? len : 1));
        const ssize_t got = len < 0 ? -1 : io.fgetxattr(from, name.c_str(), value.data(), size_t(len));
        if (got < 0 || io.fsetxattr(to, name.c_str(), value.data(), size_t(got), 0) != 0) return false;
    }
    // An inherited default ACL would give the new file rights the old one did not have.
    for (const std::string& name : attributenames(to, io, ok)) {
        bool kept = false;
        for (const std::string& n : names) kept = kept || n == name;
        if (!kept) return false;
    }
    return ok;
}

// Creating a file was refused in a way that writing the old one in place may not be.
bool refusesnewfile(int error) {
    return error == EACCES || error == EPERM || error == EROFS || error == ENOSPC || error == EDQUOT ||
           error == EMLINK;
}

enum class routeresult { done, useinplace };

// The save through a new file renamed over the old one, which it matches in
// owner, group, permission bits and extended attributes. useinplace: the
// directory takes no new file, or the new file could not match the old.
routeresult replacebyrename(int dirfd, const char* name, int fd, const struct stat& st, const unsigned char* data,
                            size_t n, fileio& io, saveoutcome& outcome) {
    std::string temp;
    const int tfd = createunique(dirfd, "", name, "new", 0600, temp, io);  // private until it matches
    if (tfd < 0) {
        if (refusesnewfile(errno)) return routeresult::useinplace;
        outcome = outcomefailed("open", errno, false);
        return routeresult::done;
    }
    // The owner first, on the empty file; the bits and attributes after the
    // bytes, since a write takes away set-id bits and file capabilities.
    if (io.fchown(tfd, st.st_uid, st.st_gid) != 0) {
        discardtemp("fchown", tfd, dirfd, temp, io);
        return routeresult::useinplace;
    }
    if (!writeall(tfd, data, n, io)) {
        outcome = discardtemp("write", tfd, dirfd, temp, io);
        return routeresult::done;
    }
    if (io.fchmod(tfd, st.st_mode & 07777) != 0 || !copyattributes(fd, tfd, io)) {
        discardtemp("attributes", tfd, dirfd, temp, io);
        return routeresult::useinplace;
    }
    outcome = committemp(dirfd, temp, tfd, name, 0, io);
    return routeresult::done;
}

// A file that is not there: written anew (a file removed since it was seen
// comes back), never over one that appears meanwhile.
saveoutcome createnew(int dirfd, const char* name, const unsigned char* data, size_t n, fileio& io) {
    std::string temp;
    const int tfd = createunique(dirfd, "", name, "new", 0666, temp, io);  // 0666 less the umask
    if (tfd < 0) return outcomefailed("open", errno, false);
    if (!writeall(tfd, data, n, io)) return discardtemp("write", tfd, dirfd, temp, io);
    return committemp(dirfd, temp, tfd, name, RENAME_NOREPLACE, io);
}

saveoutcome changedto(const fileidentity& found) {
    saveoutcome s = outcomefailed("changed", 0, false);
    s.identity = found;
    return s;
}

// The file name in directory dirfd (at dirpath) must be the regular file
// expected; it is opened without following a link or waiting on a device,
// and checked on the descriptor itself.
saveoutcome saveinto(int dirfd, const std::string& dirpath, const char* name, const unsigned char* data, size_t n,
                     const fileidentity& expected, fileio& io) {
    struct stat st;
    if (io.fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) return outcomefailed("stat", errno, false);
        return createnew(dirfd, name, data, n, io);
    }
    if (S_ISLNK(st.st_mode)) return changedto(identityof(st));  // put there since the link was followed
    if (!S_ISREG(st.st_mode)) return outcomefailed("kind", S_ISDIR(st.st_mode) ? EISDIR : EINVAL, false);
    if (identityof(st) != expected) return changedto(identityof(st));
    const int fd = io.openat(dirfd, name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0);
    if (fd < 0) return outcomefailed("open", errno, false);
    struct stat opened;
    saveoutcome outcome;
    if (io.fstat(fd, &opened) != 0) {
        outcome = outcomefailed("stat", errno, false);
    } else if (!S_ISREG(opened.st_mode)) {
        outcome = outcomefailed("kind", EINVAL, false);
    } else if (identityof(opened) != expected) {
        outcome = changedto(identityof(opened));
    } else if (opened.st_nlink > 1 ||
               replacebyrename(dirfd, name, fd, opened, data, n, io, outcome) == routeresult::useinplace) {
        outcome = rewriteinplace(fd, dirfd, dirpath, name, data, n, io);
    }
    // A failed rewrite in place that put the old bytes back still changed
    // the file's times: the caller keeps what the file is now.
    if (!outcome.ok && outcome.inplace && io.fstat(fd, &opened) == 0) outcome.identity = identityof(opened);
    io.close(fd);
    return outcome;
}

}  // namespace

saveoutcome writewholefile(const char* path, const unsigned char* data, size_t n, const fileidentity& expected,
                           fileio& io) {
    if (path == nullptr || *path == '\0') return outcomefailed("path", ENOENT, false);
    if (data == nullptr && n != 0) return outcomefailed("path", EINVAL, false);
    std::string resolved;
    if (!resolvelinks(path, resolved, io)) return outcomefailed("resolve", errno, false);
    char dir[PATH_MAX];
    directoryof(resolved.c_str(), dir, sizeof dir);  // fits: resolved is shorter than PATH_MAX
    const char* name = resolved.c_str() + std::strlen(dir);
    if (*name == '\0') return outcomefailed("kind", EISDIR, false);
    const int dirfd = io.open(dir[0] != '\0' ? dir : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (dirfd < 0) return outcomefailed("open", errno, false);
    const saveoutcome outcome = saveinto(dirfd, dir, name, data, n, expected, io);
    io.close(dirfd);
    return outcome;
}

saveoutcome replacewholefile(const char* path, const unsigned char* data, size_t n, mode_t mode, fileio& io) {
    if (path == nullptr || *path == '\0') return outcomefailed("path", ENOENT, false);
    if (data == nullptr && n != 0) return outcomefailed("path", EINVAL, false);
    char dir[PATH_MAX];
    if (!directoryof(path, dir, sizeof dir)) return outcomefailed("path", ENAMETOOLONG, false);
    std::string temp;
    const int fd = createunique(AT_FDCWD, dir, path + std::strlen(dir), "new", mode, temp, io);
    if (fd < 0) return outcomefailed("open", errno, false);
    if (!writeall(fd, data, n, io)) return discardtemp("write", fd, AT_FDCWD, temp, io);
    return committemp(AT_FDCWD, temp, fd, path, 0, io);
}
