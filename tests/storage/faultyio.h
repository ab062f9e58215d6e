// A fileio that fails the system call a test names: the k-th call of one
// operation, opens of matching paths, a disk that fills up after some bytes,
// short or interrupted writes. Everything else goes to the system.
#pragma once
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <map>
#include <string>

#include "storage/savefile.h"

struct faultyio : fileio {
    std::string failop;          // "open", "write", "fsync", ... or "" for none
    int failat = 1;              // the first call of failop that fails (1: the first); 0: every call
    int failcount = 1;           // how many calls from failat on fail
    int failerrno = EIO;
    std::string failopenpath;    // opens of paths holding this fail with failerrno
    size_t diskroom = SIZE_MAX;  // bytes written in all before ENOSPC
    size_t chunk = SIZE_MAX;     // at most this many bytes per write
    int interrupts = 0;          // this many writes fail with EINTR first
    std::map<std::string, int> calls;

    bool fails(const char* op, bool also = false) {
        const int n = ++calls[op];
        if (!also && (failop != op || (failat != 0 && (n < failat || n >= failat + failcount)))) return false;
        errno = failerrno;
        return true;
    }

    int open(const char* path, int flags, mode_t mode) override {
        const bool matches = !failopenpath.empty() && std::string(path).find(failopenpath) != std::string::npos;
        return fails("open", matches) ? -1 : fileio::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* p, size_t n) override {
        if (fails("write")) return -1;
        if (interrupts > 0 || diskroom == 0) {
            errno = interrupts-- > 0 ? EINTR : ENOSPC;
            return -1;
        }
        const ssize_t w = fileio::write(fd, p, std::min({n, chunk, diskroom}));
        if (w > 0) diskroom -= size_t(w);
        return w;
    }
    // A failing close still releases the descriptor, as the system's does.
    int close(int fd) override {
        if (!fails("close")) return fileio::close(fd);
        fileio::close(fd);
        errno = failerrno;
        return -1;
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : fileio::fsync(fd); }
    int rename(const char* from, const char* to) override { return fails("rename") ? -1 : fileio::rename(from, to); }
    int lstat(const char* path, struct stat* st) override { return fails("lstat") ? -1 : fileio::lstat(path, st); }
    int fchmod(int fd, mode_t mode) override { return fails("fchmod") ? -1 : fileio::fchmod(fd, mode); }
    int fchown(int fd, uid_t uid, gid_t gid) override { return fails("fchown") ? -1 : fileio::fchown(fd, uid, gid); }
    int access(const char* path, int mode) override { return fails("access") ? -1 : fileio::access(path, mode); }
};
