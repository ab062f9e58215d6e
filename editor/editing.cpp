// Changing the text: characters, line breaks, deletion, Backspace, and copy,
// cut and paste through the clipboard store. Every change goes through
// replacetext, which refuses what the buffers cannot hold.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "clipboard/clipbd.h"
#include "editor/editview.h"
#include "editor/normaliser.h"
#include "widgets/statusbar.h"

namespace {

constexpr unsigned char lf = 0x0A, cr = 0x0D;

const char textfullmessage[] = "\xCE\xC4\xB1\xBE\xD2\xD1\xC2\xFA\xA3\xAC\xCE\xB4\xD7\xF7\xD0\xDE\xB8\xC4";  // 文本已满，未作修改
const char linesfullmessage[] = "\xD0\xD0\xCA\xFD\xD2\xD1\xC2\xFA\xA3\xAC\xCE\xB4\xD7\xF7\xD0\xDE\xB8\xC4";  // 行数已满，未作修改
const char copytoolargemessage[] =  // 选中的内容太大，不能复制
    "\xD1\xA1\xD6\xD0\xB5\xC4\xC4\xDA\xC8\xDD\xCC\xAB\xB4\xF3\xA3\xAC\xB2\xBB\xC4\xDC\xB8\xB4\xD6\xC6";

}  // namespace

int characterpairer::take(unsigned char b, unsigned char out[2]) {
    if (b < 0x80) {
        lead = 0;
        out[0] = b;
        return 1;
    }
    if (lead == 0) {
        lead = b;
        return 0;
    }
    out[0] = lead;
    out[1] = b;
    lead = 0;
    return out[0] == 0xA3 && b == 0xA0 ? 0 : 2;
}

// Replaces the bytes from..to of the text with n bytes from src. Refused,
// with the text unchanged, when the text would not leave its terminating
// zero room in the buffer or would need more display lines than the table
// holds.
bool editview::replacetext(int from, int to, const unsigned char* src, int n) {
    from = std::max(0, std::min(from, contlth));
    to = std::max(from, std::min(to, contlth));
    const int removed = to - from;
    if (n < 0 || contlth - removed + n > maxcontlth - 1) {
        shownote(textfullmessage);
        return false;
    }
    std::memcpy(scratch, content + from, size_t(removed));
    movetail(to, from + n);
    if (n > 0) std::memcpy(content + from, src, size_t(n));
    contlth += n - removed;
    content[contlth] = 0;
    if (plainlayout) setpara();
    else relayout(from, to, n);
    if (layoutfull) {
        // Put the bytes back and lay them out as they were (a rare path).
        movetail(from + n, to);
        std::memcpy(content + from, scratch, size_t(removed));
        contlth += removed - n;
        content[contlth] = 0;
        setpara();
        shownote(linesfullmessage);
        return false;
    }
    if (!replaying) history.record(from, scratch, removed, src, n);
    keptcolumn = -1;  // the next Up or Down starts from where the cursor is drawn
    return true;
}

// Moves the text after `from` (and its flags) to start at `to`.
void editview::movetail(int from, int to) {
    std::memmove(content + to, content + from, size_t(contlth - from));
    std::memmove(ctrbytes + to, ctrbytes + from, size_t(contlth - from));
}

// The end (exclusive) of the character at hi: a two-byte character whole, a
// CR together with the LF after it.
unsigned char* editview::endofcharacter(unsigned char* hi) {
    unsigned char* end = textend();
    if (hi >= end) return end;
    unsigned char* e;
    if (*hi == lf) e = hi + 1;
    else if (*hi >= 0x80) e = hi + 2;
    else if (*hi == cr && byteat(hi + 1) == lf) e = hi + 2;
    else e = hi + 1;
    return std::min(e, end);
}

// Where an insertion at the cursor goes. At a line end that is a CR LF it goes
// before the CR; a bare LF (left by Backspace) first gets its CR back.
unsigned char* editview::insertpoint() {
    if (curpos >= textend()) return textend();
    const unsigned char b = *curpos;
    if (b != lf) return curpos;  // a character, or the CR of a line end
    if (curpos == content || curpos[-1] != cr) {
        static const unsigned char crbyte = cr;
        if (!replacetext(offset(curpos), offset(curpos), &crbyte, 1)) return nullptr;
        return curpos;
    }
    return curpos - 1;
}

void editview::insertda() {
    static const unsigned char crlf[2] = {cr, lf};
    unsigned char* p = insertpoint();
    if (p && replacetext(offset(p), offset(p), crlf, 2)) {
        unsigned char* q = p + 2;
        if (byteat(q) == cr) ++q;
        setcur(q);
    }
    draw();
}

void editview::insertchar(unsigned code) {
    unsigned char bytes[2];
    const int n = typing.take(code & 0xFF, bytes);
    if (n == 0) return;
    unsigned char* p = insertpoint();
    if (p && replacetext(offset(p), offset(p), bytes, n)) setcur(p + n);
    draw();
}

// The bytes a change of the selection (curpos lo, selpos hi) takes: from
// where an insertion at lo goes to the end of the character at hi. A CR put
// back at lo moves hi up with the text.
bool editview::takenbyselection(unsigned char*& s, unsigned char*& e) {
    unsigned char* hi = selpos;
    const int before = contlth;
    s = insertpoint();
    if (!s) return false;
    if (contlth > before) ++hi;
    e = endofcharacter(hi);
    return true;
}

// Deletes the selection, or the character under the cursor (at a line end
// the CR LF, joining the lines).
void editview::deletechar() {
    if (curpos > selpos) std::swap(curpos, selpos);
    if (curpos >= textend()) return;
    unsigned char *s, *e;
    if (!takenbyselection(s, e)) return;
    if (replacetext(offset(s), offset(e), nullptr, 0)) {
        curpos = selpos = s;
        setcur(s);
    } else {
        selpos = curpos;
        setcur(curpos);
    }
}

// Backspace removes the character before the cursor. On the LF of a CR LF
// line end it acts as on the CR: the last character of the line goes (the
// cursor stays on the line end), and on an empty line the line end before it.
void editview::backchar() {
    if (curpos != selpos) {
        deletechar();
        draw();
        return;
    }
    const bool onlineend = byteat(curpos) == lf && curpos > content && curpos[-1] == cr;
    unsigned char* at = onlineend ? curpos - 1 : curpos;
    if (at <= content) return;
    unsigned char* p = at - 1;
    // Two bytes go together only when they are one character or a CR LF; a
    // bare LF goes alone.
    if (p > content && ((ctrbytes[offset(p)] & istail) || (*p == lf && p[-1] == cr))) --p;
    if (replacetext(offset(p), offset(at), nullptr, 0)) setcur(onlineend ? p + 1 : p);
    selpos = curpos;
    draw();
}

// The selected bytes as they go to the clipboard: from lo (with the CR of a
// line end whose LF it is) to the end of the character at hi.
bool editview::copyselection(unsigned char*& s, unsigned char*& e) {
    unsigned char* lo = std::min(curpos, selpos);
    unsigned char* hi = std::max(curpos, selpos);
    if (lo >= textend()) return false;
    s = (*lo == lf && lo > content && lo[-1] == cr) ? lo - 1 : lo;
    e = endofcharacter(hi);
    content[contlth] = 0;
    const unsigned char* t = tfileter(s, int(e - s));
    if (!t || !mycopy(t, std::strlen(reinterpret_cast<const char*>(t)) + 1)) {
        shownote(copytoolargemessage);
        return false;
    }
    if (clipboard.writeerror != 0) {  // held for this run all the same; 剪贴板文件%s写入失败：%s
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xBC\xF4\xCC\xF9\xB0\xE5\xCE\xC4\xBC\xFE%s\xD0\xB4\xC8\xEB\xCA\xA7\xB0\xDC\xA3\xBA%s",
                      clipboard.path(), std::strerror(clipboard.writeerror));
        shownote(publicbuffer);
    }
    return true;
}

void editview::copy() {
    if (curpos == selpos) return;
    unsigned char *s, *e;
    copyselection(s, e);
}

void editview::cut() {
    if (curpos == selpos) return;
    unsigned char *s, *e;
    // Nothing is removed unless the clipboard has taken it.
    if (copyselection(s, e) && replacetext(offset(s), offset(e), nullptr, 0)) {
        curpos = s;
        extendsel = false;
    }
    selpos = curpos;
    setcur(curpos);
    draw();
}

// Pastes the clipboard at the cursor, or over the selection; the cursor goes
// after what was pasted.
void editview::paste() {
    unsigned long n = 0;
    const unsigned char* bytes = mypaste(n);
    const unsigned char* t = n > 0 ? tfileter(bytes, int(std::min<unsigned long>(n, clipbd::capacity))) : nullptr;
    const int m = t ? int(std::strlen(reinterpret_cast<const char*>(t))) : 0;
    unsigned char *s, *e;
    bool ready;
    if (curpos != selpos) {
        if (curpos > selpos) std::swap(curpos, selpos);
        ready = takenbyselection(s, e);
    } else {
        s = e = insertpoint();
        ready = s != nullptr;
    }
    if (ready && replacetext(offset(s), offset(e), t, m)) {
        extendsel = false;
        setcur(s + m);
    }
    selpos = curpos;
    draw();
}

bool editview::mycopy(const unsigned char* bytes, unsigned long n) { return setclipdata(bytes, n); }

unsigned char* editview::mypaste(unsigned long& n) { return getclipdata(n); }
