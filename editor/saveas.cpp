// Save as: Ctrl-O asks for a file name in the status line and writes the
// text there by the same route as every save; from then on the editor edits
// that file. A file already there is written over only when the user asks
// twice, and a text that is not the whole of the file it was loaded from
// never goes over that file, whatever name reaches it.
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "editor/editview.h"
#include "input/keyvalues.h"
#include "widgets/statusbar.h"

namespace {

const char promptlabel[] = "\xC1\xED\xB4\xE6\xCE\xAA\xA3\xBA";  // 另存为：
const char cursormark[] = "\xA9\xA6";                             // │
const char savedmessage[] =  // 文件%s已保存，共%ld字节
    "\xCE\xC4\xBC\xFE%s\xD2\xD1\xB1\xA3\xB4\xE6\xA3\xAC\xB9\xB2%ld\xD7\xD6\xBD\xDA";
const char emptyname[] =  // 文件名为空，未保存
    "\xCE\xC4\xBC\xFE\xC3\xFB\xCE\xAA\xBF\xD5\xA3\xAC\xCE\xB4\xB1\xA3\xB4\xE6";
const char longname[] =  // 文件名太长，最多499字节，未保存
    "\xCE\xC4\xBC\xFE\xC3\xFB\xCC\xAB\xB3\xA4\xA3\xAC\xD7\xEE\xB6\xE0" "499" "\xD7\xD6\xBD\xDA\xA3\xAC\xCE\xB4\xB1"
    "\xA3\xB4\xE6";
const char isdirectory[] =  // 文件%s是目录，未保存
    "\xCE\xC4\xBC\xFE%s\xCA\xC7\xC4\xBF\xC2\xBC\xA3\xAC\xCE\xB4\xB1\xA3\xB4\xE6";
const char notregular[] =  // 文件%s不是普通文件，未保存
    "\xCE\xC4\xBC\xFE%s\xB2\xBB\xCA\xC7\xC6\xD5\xCD\xA8\xCE\xC4\xBC\xFE\xA3\xAC\xCE\xB4\xB1\xA3\xB4\xE6";
const char partoforiginal[] =  // 文件%s是载入不完整的原文件，不会被覆盖
    "\xCE\xC4\xBC\xFE%s\xCA\xC7\xD4\xD8\xC8\xEB\xB2\xBB\xCD\xEA\xD5\xFB\xB5\xC4\xD4\xAD\xCE\xC4\xBC\xFE\xA3\xAC\xB2\xBB"
    "\xBB\xE1\xB1\xBB\xB8\xB2\xB8\xC7";
const char unreachable[] =  // 文件%s无法访问：%s
    "\xCE\xC4\xBC\xFE%s\xCE\xDE\xB7\xA8\xB7\xC3\xCE\xCA\xA3\xBA%s";
const char existsquestion[] =  // 再按%s覆盖已存在的文件%s
    "\xD4\xD9\xB0\xB4%s\xB8\xB2\xB8\xC7\xD2\xD1\xB4\xE6\xD4\xDA\xB5\xC4\xCE\xC4\xBC\xFE%s";

// The key as the question names it.
const char* keyname(int key) {
    if (key == keyf8) return "F8";
    if (key == keycontrols) return "Ctrl-S";
    return "\xBB\xD8\xB3\xB5";  // 回车
}

// The last part of a name as shown in a message: short enough for a narrow
// status line, while the prompt still holds the whole name.
std::string lastpart(const std::string& path) {
    const size_t slash = path.size() > 1 ? path.rfind('/', path.size() - 2) : std::string::npos;
    const std::string part = slash == std::string::npos ? path : path.substr(slash + 1);
    return shownname(part.c_str());
}

bool samefile(const fileidentity& a, const fileidentity& b) {
    return a.exists && b.exists && a.device == b.device && a.inode == b.inode;
}

}  // namespace

void editview::opensaveas() {
    saveasopen = true;
    namepairer.lead = 0;
    askedkey = 0;
    typedname.start(filename);
    if (promptinputmode) promptinputmode(true);
    dispstate();
}

void editview::closesaveas() {
    saveasopen = false;
    namepairer.lead = 0;
    askedkey = 0;
    if (promptinputmode) promptinputmode(false);
}

// The prompt, with the name cut at its start where the line is too narrow
// to show it up to the cursor (a byte takes a cell, as in the text).
std::string editview::saveaspromptline() const {
    const size_t room = size_t(std::max(colnumber - int(sizeof promptlabel - 1), 1));
    return promptlabel + typedname.shown(cursormark, colnumber > 0 ? room : SIZE_MAX);
}

// Every key is the prompt's: the question about a file already there holds
// only for the key that asked, straight after.
bool editview::onsaveaskey(int key) {
    const int asked = askedkey;
    askedkey = 0;
    namepairer.lead = 0;
    switch (key) {
    case keyleft: typedname.left(); break;
    case keyright: typedname.right(); break;
    case keyhome: typedname.home(); break;
    case keyend: typedname.end(); break;
    case keyescape:
    case keyf7:
        closesaveas();
        draw();
        return true;
    case keyenter:
    case keycontrols:
    case keyf8:
        if (saveunder(key, asked == key) && key == keyf8) leaveasked = true;
        break;
    default: break;
    }
    dispstate();
    return true;
}

// Characters go into the name as into text: a first byte waits for its
// second, Backspace takes the whole character before the cursor.
void editview::onsaveascharacter(int a) {
    askedkey = 0;
    const unsigned char b = a & 0xFF;
    if (b == characterbackspace) {
        namepairer.lead = 0;
        typedname.backspace();
    } else {
        unsigned char bytes[2];
        const int n = namepairer.take(b, bytes);
        if (n > 0) typedname.insert(bytes, n);
    }
    dispstate();
}

// The reason nothing was written; false, for the save that did not happen.
bool editview::refusesaveas(const char* format, const std::string& shown, const char* detail) {
    std::snprintf(publicbuffer, publicbuffersize, format, shown.c_str(), detail);
    shownote(publicbuffer);
    return false;
}

// A file is there: the same key again, straight after, writes over it as it
// is now. False, as nothing was written yet.
bool editview::askoverwrite(int key, const fileidentity& found, const std::string& shown) {
    askedkey = key;
    askedidentity = found;
    std::snprintf(publicbuffer, publicbuffersize, existsquestion, keyname(key), shown.c_str());
    shownote(publicbuffer);
    return false;
}

// Writes the text under the typed name; true when it was written and the
// editor now edits that file. confirmed: this key asked about the file there
// straight before, which is written over if it is still as it was then.
bool editview::saveunder(int key, bool confirmed) {
    const std::string path = typedname.systemname();
    const std::string shown = lastpart(path);
    if (path.empty()) return refusesaveas(emptyname, shown);
    if (path.size() >= size_t(filenamesize)) return refusesaveas(longname, shown);
    struct stat st;
    fileidentity found;  // "missing" until something is there
    if (io->fstatat(AT_FDCWD, path.c_str(), &st, 0) == 0) {
        if (S_ISDIR(st.st_mode)) return refusesaveas(isdirectory, shown);
        if (!S_ISREG(st.st_mode)) return refusesaveas(notregular, shown);
        found = identityof(st);
    } else if (errno != ENOENT) {
        return refusesaveas(unreachable, shown, std::strerror(errno));
    }
    // The file being edited, by whatever name: written without asking as
    // long as it is as it was loaded or last saved, never when the text is
    // not the whole of it.
    const bool edited = samefile(found, diskidentity);
    if (edited && loaded != loadstate::whole) return refusesaveas(partoforiginal, shown);
    const bool agreed = (edited && found == diskidentity) || (confirmed && found == askedidentity);
    if (found.exists && !agreed) return askoverwrite(key, found, shown);
    // A file that appeared, or changed, since the look above is asked about too.
    const saveoutcome outcome = savefile(path.c_str(), found);
    if (!outcome.ok && std::strcmp(outcome.step, "changed") == 0) return askoverwrite(key, outcome.identity, shown);
    if (!outcome.ok) {
        savefailed = true;  // F7 keeps the text in the recovery file
        formatfailure(publicbuffer, size_t(publicbuffersize), outcome, shown);
        shownote(publicbuffer);
        return false;
    }
    editsaved(path, outcome.identity);
    std::snprintf(publicbuffer, publicbuffersize, savedmessage, shown.c_str(), savedbytes);
    shownote(publicbuffer);
    return true;
}

// From here on the editor edits the file just written: its name, the file as
// written, the whole text in it and nothing left to save, and a recovery file
// named after it. The encoding, the line ends and the undo history stay.
void editview::editsaved(const std::string& path, const fileidentity& identity) {
    std::snprintf(filename, size_t(filenamesize), "%s", path.c_str());
    diskidentity = identity;
    loaded = loadstate::whole;
    newfile = savefailed = overwriteasked = false;
    marksaved();
    recovery.forget();
    closesaveas();
}
