// The editor's buffers, its place on the screen, and the wrapping of the
// text into display lines.
#include <algorithm>
#include <cstring>

#include "editor/editview.h"
#include "widgets/screenrows.h"

namespace {

constexpr unsigned char tab = 0x09, lf = 0x0A, cr = 0x0D;

bool isletter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
bool isbreakable(unsigned char b) { return b == ' ' || b == ',' || b == ';' || b == '/' || b == cr; }

}  // namespace

bool editview::plainlayout = false;

editview::editview()
    : filename(new char[filenamesize]()),
      content(new unsigned char[maxcontlth]()),
      savedcontent(new unsigned char[maxcontlth]),
      ctrbytes(new ctrbyte[maxcontlth]()),
      linestart(new int[maxlinenumber]()),
      scratch(new unsigned char[maxcontlth]) {
    curpos = selpos = content;
}

editview::~editview() {
    delete[] filename;
    delete[] content;
    delete[] savedcontent;
    delete[] ctrbytes;
    delete[] linestart;
    delete[] scratch;
}

void editview::init() {
    if (!pmymap || !editorfits(pmymap->width, pmymap->height)) {
        isactive = false;
        return;
    }
    left = 0;
    right = pmymap->width;
    top = editortop();
    bottom = pmymap->height;
    cellwidth = editorcellwidth();
    charheight = gcharwidth;
    lineheight = editorlineheight();
    setpara();
    // A row's marks reach up to two columns past the last column (a TAB near
    // the edge, the end-of-text block after it).
    selarray.assign(size_t(std::max(colnumber, 0)) + 4, 0);
    isactive = true;
}

int editview::wordlth(const unsigned char* p) const {
    int n = 0;
    const unsigned char* end = textend();
    while (p + n < end && n < colnumber && isletter(p[n])) ++n;
    return n;
}

bool editview::issel(const unsigned char* p) const {
    return (curpos <= p && p <= selpos) || (selpos <= p && p <= curpos);
}

void editview::setsel() {
    if (!extendsel) selpos = curpos;
}

void editview::setpara() {
    colnumber = width() / cellwidth - 1;
    rownumber = high() / lineheight;
    linenumber = layoutfrom(0, 0, maxlinenumber - 1, [](int, int) { return false; });
}

// Lays out again after the bytes from..oldto became n bytes (the text and
// its flags after the change already moved). Only the lines around the change
// are wrapped again: from the line before the one holding the change (an
// edit can pull text back onto it) until a line start falls into step with
// the old table; the rest of the table moves by the change in length. Gives
// exactly the table and flags of a whole layout. layoutfull tells that the
// table would overflow.
void editview::relayout(int from, int oldto, int n) {
    const int delta = n - (oldto - from);
    // A run of letters reaching back before the change is wrapped again whole.
    int runstart = from;
    while (runstart > 0 && isletter(content[runstart - 1])) --runstart;
    const int oldlines = linenumber;
    int first = int(std::upper_bound(linestart, linestart + oldlines, runstart) - linestart) - 1;
    first = std::max(first - 1, 0);
    oldtable.assign(linestart + first, linestart + oldlines + 1);
    size_t next = 0;  // first entry of the old table that may still match
    const int changedend = from + n;
    linenumber = layoutfrom(first, linestart[first], maxlinenumber - 1, [&](int line, int at) {
        if (at < changedend) return false;
        const int old = at - delta;
        while (next < oldtable.size() && oldtable[next] < old) ++next;
        if (next + 1 >= oldtable.size() || oldtable[next] != old || old < oldto) return false;
        // In step again: the rest of the old table, moved.
        const size_t rest = oldtable.size() - next - 1;  // entries after this line start, the end included
        if (line + int(rest) > maxlinenumber - 1) return false;
        for (size_t k = 1; k <= rest; ++k) linestart[line + int(k)] = oldtable[next + k] + delta;
        resyncedlines = line + int(rest);
        return true;
    });
}

// Wraps the text from the start of display line `line`, at `pos`, into at
// most `limit` display lines and returns their number; layoutfull tells that
// the text needed more. `resynced(line, at)` is asked at each new line start
// whether the rest of the table is known (it then sets resyncedlines). A
// column holds a one-byte character, half a two-byte one or a quarter of a
// TAB; a line holds colnumber - 1 columns, the last column being the scroll
// mark's.
template <typename Resynced>
int editview::layoutfrom(int line, int pos, int limit, Resynced resynced) {
    layoutfull = false;
    bool known = false;
    int column = 0;
    linestart[line] = pos;
    // A line break before `at`; false when the layout stops there.
    auto breakbefore = [&](int at) {
        if (line + 1 >= limit) {
            layoutfull = true;
            return false;
        }
        linestart[++line] = at;
        known = resynced(line, at);
        return !known;
    };
    auto lineempty = [&]() { return pos == linestart[line]; };
    while (pos < contlth) {
        const unsigned char b = content[pos];
        if (b == lf) {
            ctrbytes[pos] = isnewline;
            column = 0;
            pos += 1;
            if (!breakbefore(pos)) break;
        } else if (b >= 0x80) {
            if (column + 2 >= colnumber && !lineempty()) {
                if (!breakbefore(pos)) break;
                column = 0;
            }
            column += 2;
            ctrbytes[pos] = ishead;
            if (pos + 1 < maxcontlth) ctrbytes[pos + 1] = istail;
            pos += 2;
        } else if (b == tab) {
            if (column + 1 >= colnumber && !lineempty()) {
                if (!breakbefore(pos)) break;
                column = 0;
            }
            column += 4;
            ctrbytes[pos] = istab;
            pos += 1;
        } else {
            // A run of letters moves whole to the next line when it does not
            // fit; any other byte takes one column and may break before it.
            const int run = isbreakable(b) ? 0 : wordlth(content + pos);
            int take = run > 0 ? run : 1;
            if (column + take >= colnumber && !lineempty()) {
                if (!breakbefore(pos)) break;
                column = 0;
            }
            // A run longer than a whole line fills it and goes on in the next.
            if (run > 0 && column + take >= colnumber) take = std::max(1, colnumber - 1 - column);
            std::memset(ctrbytes + pos, 0, size_t(take));
            column += take;
            pos += take;
        }
    }
    if (known) return resyncedlines;
    if (pos < maxcontlth) ctrbytes[std::min(pos, contlth)] = 0;
    linestart[line + 1] = layoutfull ? pos : contlth;
    return line + 1;
}
