// Opening the file to edit for reading without side effects: only a regular
// file is ever opened (opening a FIFO waits for a writer, opening a device
// can act by itself: a watchdog arms, a tape rewinds, a terminal becomes the
// controlling one), and a file that does not exist yet is told apart from a
// path that cannot be used at all. The system calls go through a seam so that
// tests can see what is opened and change a file between its stat and open.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>

struct loadcalls {
    virtual ~loadcalls() = default;
    virtual int stat(const char* path, struct stat* st);
    virtual int lstat(const char* path, struct stat* st);
    virtual ssize_t readlink(const char* path, char* to, size_t size);
    virtual int open(const char* path, int flags);
    virtual int fstat(int fd, struct stat* st);
};

loadcalls& systemloadcalls();

// Whether the file to edit could be opened, or is new, and if not, why.
struct openoutcome {
    bool ok = false;
    int error = 0;             // errno of the call that failed; 0 when none did
    const char* refusal = "";  // when no call failed: why the path is refused, in words
    bool isnew = false;        // nothing is there yet: the text starts empty
    std::string directory;     // the directory that is missing or unusable, when that is the cause
    // The reason in words (ASCII): strerror of the failed call, or the refusal,
    // after the directory when it is the cause.
    std::string reason() const;
};

// Opens path for reading: a regular file (through any symbolic links) with
// the device and inode that stat saw before it was opened, in blocking mode.
// A path with nothing behind it (a dangling link included) whose directory
// exists is a new file: ok with isnew and fd -1; it is created only when it is
// saved. Anything else that exists is refused without being opened.
openoutcome openforloading(const char* path, int& fd, loadcalls& calls = systemloadcalls());
