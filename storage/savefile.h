// Writing a whole file so that a failure at any step (a full disk, an error
// on flush or close) never costs the copy already on disk, through a seam of
// the system calls involved so that tests can make each of them fail.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>

// The system calls a save makes; the default forwards each to the system.
struct fileio {
    virtual ~fileio() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* p, size_t n);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);
    virtual int lstat(const char* path, struct stat* st);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fchown(int fd, uid_t uid, gid_t gid);
    virtual int access(const char* path, int mode);
};

fileio& systemfileio();

// Writes all n bytes to fd, again after a short write or an interruption;
// false with errno set on an error (EIO when a write makes no progress).
bool writeall(int fd, const unsigned char* data, size_t n, fileio& io = systemfileio());

// The directory part of path with its final slash ("" for a bare name) in
// dir; false when it does not fit in size bytes.
bool directoryof(const char* path, char* dir, size_t size);

struct saveoutcome {
    bool ok;
    int error;           // errno of the failing step, 0 on success
    const char* step;    // the failing step: "open", "write", "fsync", ...; "" on success
    bool inplace;        // the file was written in place rather than replaced
};

// Writes n bytes of data as the whole of the file at path, exactly those bytes.
// Normally a temporary file in the same directory is written, flushed to disk,
// given the original's permission bits, owner and group, and renamed over the
// original. The file is written in place instead where a rename would change
// what the user relies on: path is a symbolic link, the file has other hard
// links or is not a regular file, its owner or group cannot be kept, or the
// directory takes no new file. A file that is not writable is not replaced.
// A missing file is created with mode 0666 less the umask.
saveoutcome writewholefile(const char* path, const unsigned char* data, size_t n,
                           fileio& io = systemfileio());

// Writes n bytes of data as the whole of the file at path, always through a
// temporary file renamed over it, never in place: either the complete new
// file is there afterwards or what was there before. A new file gets mode.
saveoutcome replacewholefile(const char* path, const unsigned char* data, size_t n,
                             mode_t mode, fileio& io = systemfileio());
