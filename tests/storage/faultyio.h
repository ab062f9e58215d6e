// A fileio that fails the system calls a test names: the calls of one kind
// on paths that hold some text, from the k-th on; a disk that fills up after
// some bytes; short or interrupted writes; spare places of the test's own.
// Everything else goes to the system.
#pragma once
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "storage/savefile.h"

struct faultyio : fileio {
    struct rule {
        std::string op;    // "open", "write", "fsync", "rename", ...
        std::string path;  // only calls on a path holding this ("" for any)
        int at = 1;        // the first matching call that fails (1: the first)
        int count = 1;     // how many fail from there; 0: all
        int error = EIO;
        int seen = 0;
    };
    std::vector<rule> rules;
    size_t diskroom = SIZE_MAX;       // bytes written in all before ENOSPC
    size_t chunk = SIZE_MAX;          // at most this many bytes per write
    int interrupts = 0;               // this many writes fail with EINTR first
    std::vector<std::string> places;  // the spare places (none unless a test gives some)
    std::map<int, std::string> paths; // what each descriptor opened here is

    faultyio() = default;
    explicit faultyio(rule r) { rules.push_back(r); }

    bool fails(const char* op, const std::string& path) {
        bool failing = false;
        for (rule& r : rules) {
            if (r.op != op || path.find(r.path) == std::string::npos) continue;
            ++r.seen;
            if (r.seen >= r.at && (r.count == 0 || r.seen < r.at + r.count)) {
                errno = r.error;
                failing = true;
            }
        }
        return failing;
    }
    std::string pathof(int fd) const {
        const auto it = paths.find(fd);
        return it == paths.end() ? "" : it->second;
    }
    std::string pathat(int dirfd, const char* name) const {
        if (dirfd == AT_FDCWD || name[0] == '/') return name;
        const std::string dir = pathof(dirfd);
        return dir + (!dir.empty() && dir.back() == '/' ? "" : "/") + name;
    }
    int opened(int fd, const std::string& path) {
        if (fd >= 0) paths[fd] = path;
        return fd;
    }

    int open(const char* path, int flags, mode_t mode) override {
        return fails("open", path) ? -1 : opened(fileio::open(path, flags, mode), path);
    }
    int openat(int dirfd, const char* name, int flags, mode_t mode) override {
        const std::string path = pathat(dirfd, name);
        return fails("open", path) ? -1 : opened(fileio::openat(dirfd, name, flags, mode), path);
    }
    ssize_t write(int fd, const void* p, size_t n) override { return pwrite(fd, p, n, -1); }
    ssize_t pwrite(int fd, const void* p, size_t n, off_t at) override {
        if (fails("write", pathof(fd))) return -1;
        if (interrupts > 0 || diskroom == 0) {
            errno = interrupts-- > 0 ? EINTR : ENOSPC;
            return -1;
        }
        const size_t k = std::min({n, chunk, diskroom});
        const ssize_t w = at < 0 ? fileio::write(fd, p, k) : fileio::pwrite(fd, p, k, at);
        if (w > 0) diskroom -= size_t(w);
        return w;
    }
    // A failing close still releases the descriptor, as the system's does.
    int close(int fd) override {
        const bool failing = fails("close", pathof(fd));
        paths.erase(fd);
        const int r = fileio::close(fd);
        return failing ? -1 : r;
    }
    int fsync(int fd) override { return fails("fsync", pathof(fd)) ? -1 : fileio::fsync(fd); }
    int renameat(int fd, const char* from, int td, const char* to, unsigned flags) override {
        return fails("rename", pathat(td, to)) ? -1 : fileio::renameat(fd, from, td, to, flags);
    }
    int mkdirat(int dirfd, const char* name, mode_t mode) override {
        return fails("mkdir", pathat(dirfd, name)) ? -1 : fileio::mkdirat(dirfd, name, mode);
    }
    int fchmod(int fd, mode_t mode) override { return fails("fchmod", pathof(fd)) ? -1 : fileio::fchmod(fd, mode); }
    int fchown(int fd, uid_t uid, gid_t gid) override {
        return fails("fchown", pathof(fd)) ? -1 : fileio::fchown(fd, uid, gid);
    }
    int ftruncate(int fd, off_t n) override { return fails("ftruncate", pathof(fd)) ? -1 : fileio::ftruncate(fd, n); }
    int fallocate(int fd, int mode, off_t at, off_t n) override {
        return fails("fallocate", pathof(fd)) ? -1 : fileio::fallocate(fd, mode, at, n);
    }
    int fsetxattr(int fd, const char* name, const void* value, size_t n, int flags) override {
        return fails("fsetxattr", pathof(fd)) ? -1 : fileio::fsetxattr(fd, name, value, n, flags);
    }
    std::vector<std::string> spareplaces() override { return places; }
};
