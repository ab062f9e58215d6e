// Writing a whole file so that a failure at any step (a full disk, an error
// on flush or close, a crash half-way) never costs the copy already on disk,
// through a seam of the system calls involved so that tests can make each of
// them fail.
#pragma once
#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <ctime>
#include <string>
#include <vector>

// The system calls a save makes; the default forwards each to the system.
struct fileio {
    virtual ~fileio() = default;
    virtual int open(const char* path, int flags, mode_t mode);
    virtual int openat(int dirfd, const char* name, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* p, size_t n);
    virtual ssize_t pwrite(int fd, const void* p, size_t n, off_t at);
    virtual ssize_t pread(int fd, void* p, size_t n, off_t at);
    virtual int fsync(int fd);
    virtual int close(int fd);
    // flags: 0, or RENAME_NOREPLACE (then EINVAL where the file system cannot).
    virtual int renameat(int fromdir, const char* from, int todir, const char* to, unsigned flags);
    virtual int unlinkat(int dirfd, const char* name, int flags);
    virtual int mkdirat(int dirfd, const char* name, mode_t mode);
    virtual int lstat(const char* path, struct stat* st);
    virtual int fstatat(int dirfd, const char* name, struct stat* st, int flags);
    virtual int fstat(int fd, struct stat* st);
    virtual ssize_t readlink(const char* path, char* to, size_t n);
    virtual int fchmod(int fd, mode_t mode);
    virtual int fchown(int fd, uid_t uid, gid_t gid);
    virtual int ftruncate(int fd, off_t n);
    virtual int fallocate(int fd, int mode, off_t at, off_t n);
    virtual ssize_t flistxattr(int fd, char* names, size_t n);
    virtual ssize_t fgetxattr(int fd, const char* name, void* value, size_t n);
    virtual int fsetxattr(int fd, const char* name, const void* value, size_t n, int flags);
    // The directories that may take a file when the edited file's own cannot,
    // in the order they are tried: the working directory, $HOME, /var/tmp, /tmp.
    virtual std::vector<std::string> spareplaces();
};

fileio& systemfileio();

// Writes all n bytes to fd, again after a short write or an interruption;
// false with errno set on an error (EIO when a write makes no progress).
bool writeall(int fd, const unsigned char* data, size_t n, fileio& io = systemfileio());
// The same from offset at of fd, whatever its file position.
bool writeallat(int fd, const unsigned char* data, size_t n, off_t at, fileio& io = systemfileio());

// The directory part of path with its final slash ("" for a bare name) in
// dir; false when it does not fit in size bytes.
bool directoryof(const char* path, char* dir, size_t size);

// What a file was when it was last seen: another program that changed it
// since has changed at least one of these. A file that was not there has
// the identity "missing" (exists false).
struct fileidentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const fileidentity& o) const;
    bool operator!=(const fileidentity& o) const { return !(*this == o); }
};
fileidentity identityof(const struct stat& st);

struct saveoutcome {
    bool ok = false;
    int error = 0;            // errno of the failing step, 0 on success
    const char* step = "";    // the failing step: "open", "write", "fsync", ...; "" on success;
                              // "changed": the file is not the one expected (see identity);
                              // "kind": the path names no regular file
    bool inplace = false;     // the file was (or was to be) rewritten where it is
    fileidentity identity;    // the file as written; with "changed", the file found
    std::string oldcopy;      // not empty: the file may be damaged and its old bytes are here
};

// Writes n bytes of data as the whole of the file at path, exactly those
// bytes, and only into the file expected to be there: the path (through any
// symbolic links) must name a regular file of that identity, or nothing when
// expected is "missing" (a file gone since it was seen is written anew).
//
// Normally a new file in the file's own directory is written, flushed, given
// the old one's permission bits, owner, group and extended attributes, and
// renamed over it; a symbolic link stays a link. Where the new file could not
// keep all of these, the file has other hard links, or the directory takes no
// new file, the file is rewritten in place: its old bytes are first copied to
// a file of their own (".NAME.zhedit-old-XXXXXX" beside it, or in one of the
// spare places) and flushed, and any failure puts them back. Whatever
// happens, either the file or that copy is whole; a failure that could not
// put the old bytes back says where the copy is.
saveoutcome writewholefile(const char* path, const unsigned char* data, size_t n, const fileidentity& expected,
                           fileio& io = systemfileio());

// Writes n bytes of data as the whole of the file at path, always through a
// temporary file renamed over it, never in place: either the complete new
// file is there afterwards or what was there before. A new file gets mode.
saveoutcome replacewholefile(const char* path, const unsigned char* data, size_t n,
                             mode_t mode, fileio& io = systemfileio());

// Creates a new file of its own beside the others in directory dirfd, named
// after base so that a user can tell what it holds (".BASE.zhedit-KIND-XXXXXX",
// the X's unpredictable); dirfd may be AT_FDCWD with prefix the directory's
// path. The descriptor (read and write), with the name made (prefix
// included) in name, or -1 with errno set.
int createunique(int dirfd, const std::string& prefix, const char* base, const char* kind, mode_t mode,
                 std::string& name, fileio& io = systemfileio());
// Makes a directory of its own (mode 0700) in the directory at path; its
// path in made, or false with errno set.
bool makeowndirectory(const std::string& path, std::string& made, fileio& io = systemfileio());
// Whether users other than its owner may put files into the directory: it is
// world-writable or sticky. There no name is ever reused.
bool isshared(const struct stat& st);
// path made absolute against the working directory.
std::string absolutepath(const std::string& path);
