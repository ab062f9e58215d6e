#include "clipboard/clipbd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "storage/savefile.h"

// The file lives in a directory every user can write to, so it is only used
// when it is what this process expects: not a symbolic link (a planted link
// could point at any file of the user), a plain file with no other names,
// owned by this user. Anything else is neither read nor replaced. Opening
// never blocks, so a FIFO put in its place cannot hang the start. A copy
// replaces the file whole, through a new file in the same directory renamed
// over it: another run reading it meanwhile gets the old copy or the new,
// and in the sticky /tmp a rename over another user's file fails.

namespace {

bool isownplainfile(const struct stat& st) {
    return S_ISREG(st.st_mode) && st.st_nlink == 1 && st.st_uid == geteuid();
}

// Why a file that is there is not this process's to replace.
int notownreason(const struct stat& st) {
    if (S_ISLNK(st.st_mode)) return ELOOP;
    if (S_ISDIR(st.st_mode)) return EISDIR;
    if (!S_ISREG(st.st_mode)) return EINVAL;
    return st.st_nlink > 1 ? EMLINK : EPERM;
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

clipbd::~clipbd() { delete[] clipbuf; }

// A file that is not this process's own, or larger than the store, leaves
// what the store holds as it is.
void clipbd::load() {
    const int fd = open(filepath, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    if (fstat(fd, &st) != 0) {
        close(fd);
        return;
    }
    seen = identityof(st);
    if (!isownplainfile(st) || static_cast<unsigned long long>(st.st_size) > capacity) {
        close(fd);
        return;
    }
    const long long got = readupto(fd, clipbuf, capacity);
    unsigned char probe;
    // A file that grew past the store since fstat is as good as oversized.
    const bool complete =
        got >= 0 && (static_cast<unsigned long long>(got) < capacity || readupto(fd, &probe, 1) == 0);
    close(fd);
    cliplen = complete ? static_cast<unsigned long long>(got) : 0;
}

void clipbd::store() {
    writeerror = 0;
    if (filepath[0] == '\0') return;
    struct stat st;
    if (lstat(filepath, &st) == 0 && !isownplainfile(st)) {
        writeerror = notownreason(st);
        return;
    }
    const saveoutcome outcome = replacewholefile(filepath, clipbuf, size_t(cliplen), 0600);
    if (outcome.ok)
        seen = outcome.identity;
    else
        writeerror = outcome.error;
}

bool clipbd::setdata(const unsigned char* src, unsigned long n) {
    if (n > capacity || (src == nullptr && n != 0)) return false;
    // memmove: a caller may hand back bytes it got from getdata.
    if (n != 0) std::memmove(clipbuf, src, n);
    cliplen = n;
    store();
    return true;
}

unsigned char* clipbd::getdata(unsigned long& n) {
    struct stat st;
    // Whatever is at the path now, a link included: load refuses what is not ours.
    if (filepath[0] != '\0' && lstat(filepath, &st) == 0 && identityof(st) != seen) load();
    n = static_cast<unsigned long>(cliplen);
    return clipbuf;
}

void clipbd::skipexitwrite() { filepath[0] = '\0'; }

unsigned char* getclipdata(unsigned long& n) { return clipboard.getdata(n); }

bool setclipdata(const unsigned char* src, unsigned long n) { return clipboard.setdata(src, n); }
