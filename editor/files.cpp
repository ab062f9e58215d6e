// Loading the one edited file at start-up and saving it on F8, without ever
// writing over the original a text that is not the whole file as it is on disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "editor/editview.h"
#include "editor/normaliser.h"
#include "input/mykbhit.h"
#include "widgets/statusbar.h"

namespace {

constexpr int cantopenstatus = 11;
constexpr size_t readchunk = 1 << 16;

const char unchangedmessage[] =  // 文件未改，取消保存
    "\xCE\xC4\xBC\xFE\xCE\xB4\xB8\xC4\xA3\xAC\xC8\xA1\xCF\xFB\xB1\xA3\xB4\xE6";

// Opens the file for reading, creating it when it is missing; a file that may
// be read but not written is still opened, and its save fails later.
int openforloading(const char* path) {
    int fd = open(path, O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == ETXTBSY)) fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

ssize_t readsome(int fd, unsigned char* to, size_t n) {
    ssize_t got;
    do got = read(fd, to, n);
    while (got < 0 && errno == EINTR);
    return got;
}

}  // namespace

void editview::readfile(const char* path) {
    if (!path || std::strlen(path) >= size_t(filenamesize)) mykbhit::leavenow(cantopenstatus);
    const int fd = openforloading(path);
    if (fd < 0) mykbhit::leavenow(cantopenstatus);
    std::strcpy(filename, path);
    std::snprintf(publicbuffer, publicbuffersize, "open file %s", filename);
    dispmsg(publicbuffer);
    loadfrom([fd](unsigned char* to, size_t n) { return readsome(fd, to, n); });
    close(fd);
}

void editview::loadtext(const unsigned char* bytes, size_t n) {
    size_t at = 0;
    loadfrom([&](unsigned char* to, size_t want) {
        const size_t k = std::min(want, n - at);
        std::memcpy(to, bytes + at, k);
        at += k;
        return ssize_t(k);
    });
}

// Reads with `read` (like read(2): bytes, 0 at the end, -1 on an error) a
// chunk at a time and only as far as the text can hold: a file of gigabytes
// is never read whole. Then lays the text out and puts the cursor at its start.
void editview::loadfrom(const std::function<ssize_t(unsigned char*, size_t)>& read) {
    std::vector<unsigned char> chunk(readchunk + 1);
    size_t pending = 0;  // bytes of chunk not yet normalised
    bool sawzero = false, ended = false, altered = false, full = false, failed = false;
    contlth = 0;
    while (!ended && !full) {
        const ssize_t got = read(chunk.data() + pending, readchunk);
        if (got <= 0) ended = true;
        if (got < 0) failed = true;
        size_t available = pending + size_t(got > 0 ? got : 0);
        if (void* zero = std::memchr(chunk.data() + pending, 0, available - pending)) {
            available = size_t(static_cast<unsigned char*>(zero) - chunk.data());
            sawzero = ended = true;
        }
        const normaliseresult r = normalise(chunk.data(), available, ended, content + contlth,
                                            size_t(maxcontlth - 1 - contlth));
        contlth += int(r.written);
        altered = altered || r.altered;
        full = r.full;
        pending = available - r.consumed;
        std::memmove(chunk.data(), chunk.data() + r.consumed, pending);
    }
    content[contlth] = 0;

    loaded = failed    ? loadstate::readerror
             : sawzero ? loadstate::hadzero
             : full    ? loadstate::toolong
             : altered ? loadstate::altered
                       : loadstate::whole;
    setpara();
    if (layoutfull) {
        cuttofitlinetable();
        loaded = loadstate::toomanylines;
    }
    marksaved();
    saynotloadedwhole();
    if (contlth == 0 && loaded == loadstate::whole) return;
    setcur(content);
    draw();
}

// Ends the text at the start of a display line such that what is kept, with
// the empty line after a final LF, fits the line table.
void editview::cuttofitlinetable() {
    int keep = maxlinenumber - 2;
    while (layoutfull && keep > 0) {
        contlth = linestart[keep];
        content[contlth] = 0;
        setpara();
        --keep;
    }
}

void editview::saynotloadedwhole() {
    switch (loaded) {
    case loadstate::whole:
        return;
    case loadstate::hadzero:  // 文件含零字节，只载入了零字节之前的内容，原文件不会被覆盖
        shownote("\xCE\xC4\xBC\xFE\xBA\xAC\xC1\xE3\xD7\xD6\xBD\xDA\xA3\xAC\xD6\xBB\xD4\xD8\xC8\xEB\xC1\xCB\xC1\xE3"
                 "\xD7\xD6\xBD\xDA\xD6\xAE\xC7\xB0\xB5\xC4\xC4\xDA\xC8\xDD\xA3\xAC\xD4\xAD\xCE\xC4\xBC\xFE\xB2\xBB"
                 "\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7");
        return;
    case loadstate::readerror:  // 读文件出错，只载入了一部分，原文件不会被覆盖
        shownote("\xB6\xC1\xCE\xC4\xBC\xFE\xB3\xF6\xB4\xED\xA3\xAC\xD6\xBB\xD4\xD8\xC8\xEB\xC1\xCB\xD2\xBB"
                 "\xB2\xBF\xB7\xD6\xA3\xAC\xD4\xAD\xCE\xC4\xBC\xFE\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7");
        return;
    case loadstate::toolong:  // 文件太大，只载入了前%d字节，原文件不会被覆盖
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xCE\xC4\xBC\xFE\xCC\xAB\xB4\xF3\xA3\xAC\xD6\xBB\xD4\xD8\xC8\xEB\xC1\xCB\xC7\xB0%d\xD7\xD6"
                      "\xBD\xDA\xA3\xAC\xD4\xAD\xCE\xC4\xBC\xFE\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7",
                      contlth);
        break;
    case loadstate::toomanylines:  // 文件行数太多，只载入了前%d行，原文件不会被覆盖
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xCE\xC4\xBC\xFE\xD0\xD0\xCA\xFD\xCC\xAB\xB6\xE0\xA3\xAC\xD6\xBB\xD4\xD8\xC8\xEB\xC1\xCB\xC7"
                      "\xB0%d\xD0\xD0\xA3\xAC\xD4\xAD\xCE\xC4\xBC\xFE\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7",
                      linenumber);
        break;
    case loadstate::altered:  // 文件含有不成对的字节或单独的回车，载入时已改动，原文件不会被覆盖
        shownote("\xCE\xC4\xBC\xFE\xBA\xAC\xD3\xD0\xB2\xBB\xB3\xC9\xB6\xD4\xB5\xC4\xD7\xD6\xBD\xDA\xBB\xF2\xB5\xA5"
                 "\xB6\xC0\xB5\xC4\xBB\xD8\xB3\xB5\xA3\xAC\xD4\xD8\xC8\xEB\xCA\xB1\xD2\xD1\xB8\xC4\xB6\xAF\xA3\xAC"
                 "\xD4\xAD\xCE\xC4\xBC\xFE\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7");
        return;
    }
    shownote(publicbuffer);
}

bool editview::ischanged() const {
    return contlth != savedlth || std::memcmp(content, savedcontent, size_t(contlth)) != 0;
}

saveoutcome editview::savefile(const char* path) { return writewholefile(path, content, size_t(contlth)); }

void editview::marksaved() {
    std::memcpy(savedcontent, content, size_t(contlth));
    savedlth = contlth;
}

// F8. The original is written only when the text is the whole file as it
// was loaded; otherwise, and when there is no file name, the text goes to the
// recovery file. True when the program may end.
bool editview::save() {
    if (!ischanged()) {
        dispmsg(unchangedmessage);
        return true;
    }
    if (filename[0] == 0 || loaded != loadstate::whole) {
        saverecovery();
        return false;
    }
    const saveoutcome outcome = savefile(filename);
    if (!outcome.ok) {  // 文件%s保存失败：%s
        std::snprintf(publicbuffer, publicbuffersize, "\xCE\xC4\xBC\xFE%s\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xBA%s",
                      filename, std::strerror(outcome.error));
        shownote(publicbuffer);
        dispstate();
        return false;
    }
    marksaved();
    std::snprintf(publicbuffer, publicbuffersize,  // 文件%s已保存，共%d字节
                  "\xCE\xC4\xBC\xFE%s\xD2\xD1\xB1\xA3\xB4\xE6\xA3\xAC\xB9\xB2%d\xD7\xD6\xBD\xDA", filename, contlth);
    dispmsg(publicbuffer);
    return true;
}

// Writes the text to the recovery file and says where; a written recovery
// file counts as saved.
bool editview::saverecovery() {
    recovery.choose(filename);
    const saveoutcome outcome = recovery.write(content, size_t(contlth));
    if (outcome.ok) {
        marksaved();  // 已存入恢复文件%s，共%d字节
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xD2\xD1\xB4\xE6\xC8\xEB\xBB\xD6\xB8\xB4\xCE\xC4\xBC\xFE%s\xA3\xAC\xB9\xB2%d\xD7\xD6\xBD\xDA",
                      recovery.path(), contlth);
    } else {  // 恢复文件%s写入失败：%s
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xBB\xD6\xB8\xB4\xCE\xC4\xBC\xFE%s\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xBA%s", recovery.path(),
                      std::strerror(outcome.error));
    }
    shownote(publicbuffer);
    dispstate();
    return outcome.ok;
}
