// Loading the one edited file at start-up and saving it on F8, without ever
// writing over the original a text that is not the whole file as it is on disk.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "editor/editview.h"
#include "editor/normaliser.h"
#include "editor/textcodec.h"
#include "widgets/statusbar.h"

namespace {

constexpr size_t readchunk = 1 << 16;

const char unchangedmessage[] =  // 文件未改，取消保存
    "\xCE\xC4\xBC\xFE\xCE\xB4\xB8\xC4\xA3\xAC\xC8\xA1\xCF\xFB\xB1\xA3\xB4\xE6";
const char newfilemessage[] =  // 新文件%s，保存时才创建
    "\xD0\xC2\xCE\xC4\xBC\xFE%s\xA3\xAC\xB1\xA3\xB4\xE6\xCA\xB1\xB2\xC5\xB4\xB4\xBD\xA8";

ssize_t readsome(int fd, unsigned char* to, size_t n) {
    ssize_t got;
    do got = read(fd, to, n);
    while (got < 0 && errno == EINTR);
    return got;
}

// The loaded file as it is on disk, the one a save expects to find there.
fileidentity identityofdescriptor(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 ? identityof(st) : fileidentity();
}

// A reader (like read(2)) of bytes in memory, for loading from them.
auto memoryreader(const unsigned char* bytes, size_t n, size_t& at) {
    return [bytes, n, &at](unsigned char* to, size_t want) {
        const size_t k = std::min(want, n - at);
        std::memcpy(to, bytes + at, k);
        at += k;
        return ssize_t(k);
    };
}

}  // namespace

openoutcome editview::readfile(const char* path, loadcalls& calls) {
    openoutcome refusal;
    if (!path || !*path) refusal.refusal = "the name is empty";
    else if (std::strlen(path) >= size_t(filenamesize)) refusal.refusal = "the name is longer than 499 bytes";
    if (*refusal.refusal) return refusal;
    int fd = -1;
    const openoutcome opened = openforloading(path, fd, calls);
    if (!opened.ok) return opened;
    std::strcpy(filename, path);
    savefailed = overwriteasked = false;
    newfile = opened.isnew;
    if (newfile) {
        // Nothing on disk yet: a file that appears before the first save is
        // another program's, and a new file gets CR LF line ends.
        diskidentity = fileidentity();
        lineends = lineendform::crlf;
        loadfrom([](unsigned char*, size_t) { return ssize_t(0); });
        std::snprintf(publicbuffer, publicbuffersize, newfilemessage, shownname(filename).c_str());
        shownote(publicbuffer);
        return opened;
    }
    std::snprintf(publicbuffer, publicbuffersize, "open file %s", shownname(filename).c_str());
    dispmsg(publicbuffer);
    lineendcount ends;
    loadfrom([fd, &ends](unsigned char* to, size_t n) {
        const ssize_t got = readsome(fd, to, n);
        if (got > 0) ends.feed(to, size_t(got));
        return got;
    });
    lineends = ends.form();
    diskidentity = identityofdescriptor(fd);
    close(fd);
    return opened;
}

void editview::loadtext(const unsigned char* bytes, size_t n) {
    size_t at = 0;
    loadfrom(memoryreader(bytes, n, at));
}

// Reads with `read` (like read(2): bytes, 0 at the end, -1 on an error) only
// as far as the text can hold: a file of gigabytes is never read whole. A
// UTF-8 text is converted to GBK, any other file is taken as GBK bytes. Then
// lays the text out and puts the cursor at its start.
void editview::loadfrom(const std::function<ssize_t(unsigned char*, size_t)>& read) {
    // The first part of the file, as much as any text that fits can take.
    std::vector<unsigned char> head(size_t(maxcontlth) * 2 + 8);
    size_t n = 0;
    bool ended = false, failed = false;
    while (n < head.size() && !ended) {
        const ssize_t got = read(head.data() + n, head.size() - n);
        if (got <= 0) ended = true;
        if (got < 0) failed = true;
        if (got > 0) n += size_t(got);
    }
    const unsigned char* zero = static_cast<const unsigned char*>(std::memchr(head.data(), 0, n));
    const size_t usable = zero ? size_t(zero - head.data()) : n;
    utf8file = utf8bom = false;
    loadnote = loadnotekind::none;
    if (encoding != textcodec::gbk && textcodec::available()) {
        const textcodec::utf8scan scan = textcodec::scanutf8(head.data(), usable, !ended && !zero);
        const bool utf8 = encoding == textcodec::utf8 ? scan.valid : textcodec::isutf8text(scan);
        if (utf8) {
            loadutf8(head.data(), usable, ended && !zero && !failed);
            finishload(failed ? loadstate::readerror : zero ? loadstate::hadzero : loaded);
            return;
        }
        if (encoding == textcodec::utf8) loadnote = loadnotekind::notutf8;
    }
    if (encoding == textcodec::utf8 && usable == 0 && ended && !failed) utf8file = true;  // a new file
    // GBK: the part read first, then the rest of the file a chunk at a time.
    size_t served = 0;
    auto fromhead = memoryreader(head.data(), n, served);
    loadgbk([&](unsigned char* to, size_t want) -> ssize_t {
        if (served < n) return fromhead(to, want);
        if (ended) return failed ? -1 : 0;
        return read(to, want);
    });
}

// A UTF-8 text: as much of it as fits once converted, cut on a whole
// character; the rest of the file is not read. `complete`: the bytes are the
// whole file.
void editview::loadutf8(const unsigned char* bytes, size_t n, bool complete) {
    utf8file = true;
    const size_t fit = textcodec::utf8fit(bytes, n, size_t(maxcontlth - 1));
    std::string gbk;
    const textcodec::conversion c = textcodec::utf8togbk(bytes, fit, gbk);
    utf8bom = c.hasbom;
    const normaliseresult r =
        normalise(reinterpret_cast<const unsigned char*>(gbk.data()), gbk.size(), true, content, size_t(maxcontlth - 1));
    contlth = int(r.written);
    content[contlth] = 0;
    if (c.replaced > 0) {
        unheldfirstline = c.firstline;
        unheldcount = c.replaced;
    }
    loaded = !complete || fit < n || r.full ? loadstate::toolong
             : c.replaced > 0              ? loadstate::unheld
             : r.altered                   ? loadstate::altered
                                           : loadstate::whole;
}

// Bytes taken as GBK, a chunk at a time and only as far as the text holds.
void editview::loadgbk(const std::function<ssize_t(unsigned char*, size_t)>& read) {
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
    finishload(failed    ? loadstate::readerror
               : sawzero ? loadstate::hadzero
               : full    ? loadstate::toolong
               : altered ? loadstate::altered
                         : loadstate::whole);
}

void editview::finishload(loadstate state) {
    loaded = state;
    setpara();
    if (layoutfull) {
        cuttofitlinetable();
        loaded = loadstate::toomanylines;
    }
    marksaved();
    history = edithistory();
    saynotloadedwhole();
    if (contlth == 0 && loaded == loadstate::whole && loadnote == loadnotekind::none) return;
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
        if (loadnote == loadnotekind::notutf8)  // 文件不是有效的UTF-8，已按GBK载入
            shownote("\xCE\xC4\xBC\xFE\xB2\xBB\xCA\xC7\xD3\xD0\xD0\xA7\xB5\xC4UTF-8\xA3\xAC\xD2\xD1\xB0\xB4GBK"
                     "\xD4\xD8\xC8\xEB");
        return;
    case loadstate::unheld:  // 文件第%ld行起有%ld个字符不能显示，已用〓代替，原文件不会被覆盖
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xCE\xC4\xBC\xFE\xB5\xDA%ld\xD0\xD0\xC6\xF0\xD3\xD0%ld\xB8\xF6\xD7\xD6\xB7\xFB\xB2\xBB\xC4"
                      "\xDC\xCF\xD4\xCA\xBE\xA3\xAC\xD2\xD1\xD3\xC3\xA1\xFE\xB4\xFA\xCC\xE6\xA3\xAC\xD4\xAD\xCE"
                      "\xC4\xBC\xFE\xB2\xBB\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7",
                      unheldfirstline, unheldcount);
        break;
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

// The bytes a file of this text holds: the text itself, or for a UTF-8 file
// its UTF-8 form (with the byte-order mark it had), each GBK pair converted on
// its own; a pair without a UTF-8 form becomes U+FFFD and is counted. Line
// ends are the file's own (LF for a file that had them).
std::string editview::filebytes(textcodec::conversion& c) const {
    c = textcodec::conversion();
    std::string out;
    if (utf8file)
        c = textcodec::gbktoutf8(content, size_t(contlth), utf8bom, out);
    else
        out.assign(reinterpret_cast<const char*>(content), size_t(contlth));
    applylineends(out, lineends);
    return out;
}

// Writes the text over path; a UTF-8 file is not written when a character has
// no UTF-8 form (the original would lose it).
saveoutcome editview::savefile(const char* path, const fileidentity& expected) {
    textcodec::conversion c;
    const std::string bytes = filebytes(c);
    if (c.replaced > 0) {
        unwritableline = c.firstline;
        saveoutcome refused;
        refused.error = EILSEQ;
        refused.step = "convert";
        return refused;
    }
    savedbytes = long(bytes.size());
    return writewholefile(path, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), expected, *io);
}

void editview::marksaved() {
    std::memcpy(savedcontent, content, size_t(contlth));
    savedlth = contlth;
}

// F8 and Ctrl-S. The original is written only when the text is the whole file
// as it was loaded; otherwise, and when there is no file name, the text goes
// to the recovery file. True when the program may end.
bool editview::save() {
    // The outcome stays in the status line through the final redraw, so the
    // last screen (and its picture) says what happened to the file.
    if (!ischanged() && !newfile) {
        shownote(unchangedmessage);
        dispstate();
        return true;
    }
    if (filename[0] == 0 || loaded != loadstate::whole) {
        saverecovery();
        return false;
    }
    // Straight after the warning that the file changed on disk, the file as
    // it was then is written over; otherwise only the file as last seen.
    const fileidentity expected = overwriteasked ? warnedidentity : diskidentity;
    overwriteasked = false;
    const saveoutcome outcome = savefile(filename, expected);
    if (!outcome.ok) {
        keepafterfailedsave(outcome);
        return false;
    }
    diskidentity = outcome.identity;
    savefailed = false;
    marksaved();
    newfile = false;
    std::snprintf(publicbuffer, publicbuffersize,  // 文件%s已保存，共%ld字节
                  "\xCE\xC4\xBC\xFE%s\xD2\xD1\xB1\xA3\xB4\xE6\xA3\xAC\xB9\xB2%ld\xD7\xD6\xBD\xDA",
                  shownname(filename).c_str(), savedbytes);
    shownote(publicbuffer);
    dispstate();
    return true;
}

// The reason a save of the file shown as `shown` failed, after the recovery
// file's name (which a narrow status line must not cut); the length written.
int editview::formatfailure(char* to, size_t size, const saveoutcome& outcome, const std::string& shown) const {
    if (std::strcmp(outcome.step, "changed") == 0)  // 文件已被其他程序修改，未保存，再按F8或Ctrl-S覆盖
        return std::snprintf(to, size,
                             "\xCE\xC4\xBC\xFE\xD2\xD1\xB1\xBB\xC6\xE4\xCB\xFB\xB3\xCC\xD0\xF2\xD0\xDE\xB8\xC4\xA3"
                             "\xAC\xCE\xB4\xB1\xA3\xB4\xE6\xA3\xAC\xD4\xD9\xB0\xB4" "F8\xBB\xF2" "Ctrl-S\xB8\xB2\xB8\xC7");
    if (outcome.error == EILSEQ)  // 文件第%ld行有不能写成UTF-8的字符，未保存
        return std::snprintf(to, size,
                             "\xCE\xC4\xBC\xFE\xB5\xDA%ld\xD0\xD0\xD3\xD0\xB2\xBB\xC4\xDC\xD0\xB4\xB3\xC9UTF-8"
                             "\xB5\xC4\xD7\xD6\xB7\xFB\xA3\xAC\xCE\xB4\xB1\xA3\xB4\xE6",
                             unwritableline);
    if (std::strcmp(outcome.step, "kind") == 0)  // 文件%s不是普通文件，未保存
        return std::snprintf(to, size,
                             "\xCE\xC4\xBC\xFE%s\xB2\xBB\xCA\xC7\xC6\xD5\xCD\xA8\xCE\xC4\xBC\xFE\xA3\xAC\xCE\xB4"
                             "\xB1\xA3\xB4\xE6",
                             shown.c_str());
    if (!outcome.oldcopy.empty())  // 文件%s保存失败：%s，可能已损坏，原内容在%s
        return std::snprintf(to, size,
                             "\xCE\xC4\xBC\xFE%s\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xBA%s\xA3\xAC\xBF\xC9\xC4\xDC"
                             "\xD2\xD1\xCB\xF0\xBB\xB5\xA3\xAC\xD4\xAD\xC4\xDA\xC8\xDD\xD4\xDA%s",
                             shown.c_str(), std::strerror(outcome.error), shownname(outcome.oldcopy.c_str()).c_str());
    return std::snprintf(to, size, "\xCE\xC4\xBC\xFE%s\xB1\xA3\xB4\xE6\xCA\xA7\xB0\xDC\xA3\xBA%s",  // 文件%s保存失败：%s
                         shown.c_str(), std::strerror(outcome.error));
}

// A save that failed, or was refused because the file changed on disk: the
// text goes to the recovery file too but stays unsaved, so that F8 and
// Ctrl-S write the file again and F7 keeps it.
void editview::keepafterfailedsave(const saveoutcome& outcome) {
    savefailed = true;
    if (std::strcmp(outcome.step, "changed") == 0) {
        overwriteasked = true;
        warnedidentity = outcome.identity;
    } else if (outcome.identity.exists) {
        diskidentity = outcome.identity;  // rewritten in place and put back: its times moved
    }
    const saveoutcome kept = writerecovery();
    const size_t size = size_t(publicbuffersize);
    size_t n = 0;
    auto advance = [&](int k) { n = std::min(size - 1, n + size_t(std::max(k, 0))); };
    if (kept.ok)  // 已存入恢复文件%s；
        advance(std::snprintf(publicbuffer, size, "\xD2\xD1\xB4\xE6\xC8\xEB\xBB\xD6\xB8\xB4\xCE\xC4\xBC\xFE%s\xA3\xBB",
                              shownname(recovery.path()).c_str()));
    advance(formatfailure(publicbuffer + n, size - n, outcome, shownname(filename)));
    if (!kept.ok)  // ；恢复文件也写入失败：%s
        std::snprintf(publicbuffer + n, size - n, "\xA3\xBB\xBB\xD6\xB8\xB4\xCE\xC4\xBC\xFE\xD2\xB2\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xBA%s",
                      std::strerror(kept.error));
    shownote(publicbuffer);
    dispstate();
}

saveoutcome editview::writerecovery() {
    textcodec::conversion c;
    const std::string bytes = filebytes(c);
    return recovery.write(filename, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), *io);
}

// Writes the text to the recovery file and says where; a written recovery
// file counts as saved. For a UTF-8 file it is UTF-8 too, with U+FFFD for a
// character that has no UTF-8 form.
bool editview::saverecovery() {
    textcodec::conversion c;
    const std::string bytes = filebytes(c);
    const saveoutcome outcome =
        recovery.write(filename, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), *io);
    if (outcome.ok) {
        marksaved();  // 已存入恢复文件%s，共%ld字节
        int n = std::snprintf(publicbuffer, publicbuffersize,
                              "\xD2\xD1\xB4\xE6\xC8\xEB\xBB\xD6\xB8\xB4\xCE\xC4\xBC\xFE%s\xA3\xAC\xB9\xB2%ld"
                              "\xD7\xD6\xBD\xDA",
                              shownname(recovery.path()).c_str(), long(bytes.size()));
        if (c.replaced > 0 && n > 0 && n < publicbuffersize)  // ，其中%ld个字符写成了U+FFFD
            std::snprintf(publicbuffer + n, size_t(publicbuffersize - n),
                          "\xA3\xAC\xC6\xE4\xD6\xD0%ld\xB8\xF6\xD7\xD6\xB7\xFB\xD0\xB4\xB3\xC9\xC1\xCBU+FFFD",
                          c.replaced);
    } else {  // 恢复文件写入失败：%s
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xBB\xD6\xB8\xB4\xCE\xC4\xBC\xFE\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xBA%s",
                      std::strerror(outcome.error));
    }
    shownote(publicbuffer);
    dispstate();
    return outcome.ok;
}
