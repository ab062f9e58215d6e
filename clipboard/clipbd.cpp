#include "clipboard/clipbd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "storage/savefile.h"

// The file lives in a directory every user can write to, so it is only used
// when it is what this process expects: opened without following a symbolic
// link (a planted link could point at any file of the user), a plain file
// with no other names, owned by this user. Anything else is neither read nor
// rewritten. Opening never blocks, so a FIFO put in its place cannot hang
// the start.

namespace {

bool isownplainfile(int fd, struct stat& st) {
    if (fstat(fd, &st) != 0) return false;
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
}

// Reads up to n bytes; the count read, or -1 on an error.
long long readupto(int fd, unsigned char* to, unsigned long n) {
    unsigned long got = 0;
    while (got < n) {
        const ssize_t r = read(fd, to + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<unsigned long>(r);
    }
    return static_cast<long long>(got);
}

}  // namespace

clipbd::clipbd(const char* path) : clipbuf(new unsigned char[capacity]) {
    // A path that does not fit is not cut short (that would name another
    // file): the store then stays in memory.
    const size_t length = path != nullptr ? std::strlen(path) : 0;
    if (length == 0 || length >= pathsize) return;
    std::memcpy(filepath, path, length + 1);
    load();
}

clipbd::~clipbd() {
    store();
    delete[] clipbuf;
}

void clipbd::load() {
    const int fd = open(filepath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        // Only a missing file is made at exit; one that is there but cannot
        // be opened is left alone unless something is copied.
        writeatexit = errno == ENOENT;
        return;
    }
    struct stat st;
    if (!isownplainfile(fd, st) || static_cast<unsigned long long>(st.st_size) > capacity) {
        close(fd);
        return;
    }
    const long long got = readupto(fd, clipbuf, capacity);
    unsigned char probe;
    // A file that grew past the store since fstat is as good as oversized.
    const bool complete =
        got >= 0 && (static_cast<unsigned long long>(got) < capacity || readupto(fd, &probe, 1) == 0);
    close(fd);
    if (!complete) return;
    cliplen = static_cast<unsigned long long>(got);
    writeatexit = true;
}

void clipbd::store() {
    if (!writeatexit || filepath[0] == '\0') return;
    // No O_TRUNC: the file is emptied only once it is known to be ours.
    const int fd = open(filepath, O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0) return;
    struct stat st;
    if (isownplainfile(fd, st)) {
        if ((st.st_mode & 077) != 0) fchmod(fd, 0600);
        // A fileio of its own: this runs at exit, perhaps after the shared
        // one is gone.
        fileio io;
        if (ftruncate(fd, 0) == 0) writeall(fd, clipbuf, size_t(cliplen), io);
    }
    close(fd);
}

bool clipbd::setdata(const unsigned char* src, unsigned long n) {
    if (n > capacity || (src == nullptr && n != 0)) return false;
    // memmove: a caller may hand back bytes it got from getdata.
    if (n != 0) std::memmove(clipbuf, src, n);
    cliplen = n;
    writeatexit = true;
    return true;
}

unsigned char* clipbd::getdata(unsigned long& n) {
    n = static_cast<unsigned long>(cliplen);
    return clipbuf;
}

// Forgetting the path keeps a later setdata from bringing the write back.
void clipbd::skipexitwrite() { filepath[0] = '\0'; }

unsigned char* getclipdata(unsigned long& n) { return clipboard.getdata(n); }

bool setclipdata(const unsigned char* src, unsigned long n) { return clipboard.setdata(src, n); }
