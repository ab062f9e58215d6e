// Placing the cursor and the first visible line, and the movement keys.
#include <algorithm>

#include "editor/editview.h"

namespace {

constexpr unsigned char tab = 0x09, lf = 0x0A, cr = 0x0D;

}  // namespace

// The cursor from a byte offset within a display line. Placed by column, the
// cursor never stands on a second byte, nor on the CR of a line end.
void editview::setcur(int col, int line) {
    if (contlth == 0) {
        curline = 0;
        curcol = 0;
        return;
    }
    line = std::max(std::min(line, linenumber - 1), 0);
    curline = line;
    curcol = col;
    const int n = linelength(line);
    if (line == linenumber - 1 && col >= n) {
        curcol = n;
        curpos = textend();
        return;
    }
    if (col >= n - 1) curcol = std::max(n - 1, 0);
    curpos = content + linestart[line] + curcol;
    if (ctrbytes[offset(curpos)] & istail) {
        --curcol;
        --curpos;
        return;
    }
    while (byteat(curpos) == cr) {
        ++curcol;
        ++curpos;
    }
}

// The cursor from an address; the view scrolls to show it. curcol becomes the
// display column here (a TAB counts four).
void editview::setcur(unsigned char* p) {
    if (p >= content + linestart[linenumber]) {
        p = textend();
        curline = linenumber - 1;
        if (curline < topline) topline = curline;
        else if (curline >= topline + rownumber) topline = std::max(curline - rownumber + 1, 0);
        curcol = linelength(curline);
    } else {
        if (p < content) p = content;
        const int at = offset(p);
        // The last line start at or before p; line starts only ever grow.
        const int line = int(std::upper_bound(linestart, linestart + linenumber, at) - linestart) - 1;
        curline = line;
        if (line - topline >= rownumber) topline = line - rownumber + 1;
        else if (line < topline) topline = line;
        int tabs = 0;
        for (int i = linestart[line]; i < at; ++i) tabs += content[i] == tab;
        curcol = at - linestart[line] + 3 * tabs;
    }
    curpos = p;
    if (!extendsel) selpos = p;
}

// topline from a position in the scroll column.
void editview::settop(int y) {
    const int h = high(), lh = lineheight;
    if (y < lh) topline = 0;
    else if (y > h - lh) topline = linenumber - rownumber / 2;
    else topline = int(0.5 + double((linenumber - 1) * (y - lh)) / double(h - 2 * lh));
    topline = std::max(topline, 0);
}

// The cursor from a cell of the view: a click on either column of a two-byte
// character takes its first byte, on any of a TAB's columns the TAB.
void editview::setms(int col, int row) {
    const int line = std::min(row + topline, linenumber - 1);
    const int n = linelength(line);
    int x = 0;
    for (int k = 0; k < n; ++k) {
        if (content[linestart[line] + k] == tab) x += 3;
        if (x >= col) {
            setcur(k, line);
            return;
        }
        ++x;
    }
    setcur(line == linenumber - 1 ? n : n - 1, line);
}

void editview::rightone(bool right) {
    unsigned char* p = curpos;
    if (right) {
        if (byteat(p) == cr) {
            ++p;
        } else if (byteat(p) < 0x80) {
            ++p;
            if (byteat(p) == cr) ++p;
        } else {
            ++p;
            if (byteat(p) >= 0x80) ++p;
            if (byteat(p) == cr) ++p;
        }
        if (p > textend()) p = textend();
    } else {
        if (curpos == content || (curpos == content + 1 && byteat(curpos) == lf)) return;
        p = curpos - 1;
        if (*p == cr) --p;
        if (p >= content && *p >= 0x80) --p;
        if (p < content) p = content;
    }
    setcur(p);
    draw();
}

void editview::upone(bool up) {
    if (up) {
        if (curline <= 0) return;
        setcur(curcol, curline - 1);
        if (curline < topline) topline = curline;
    } else {
        if (curline >= linenumber - 1) return;
        setcur(curcol, curline + 1);
        if (curline >= topline + rownumber) topline = curline - rownumber + 1;
    }
    draw();
}

void editview::homeend(bool home) {
    if (home) {
        setcur(0, curline);
    } else {
        const int n = linelength(std::max(std::min(curline, linenumber - 1), 0));
        setcur(curline == linenumber - 1 ? n : n - 1, curline);
    }
    draw();
}

// A page up or down keeps the cursor's row on the screen.
void editview::pgupdn(bool up) {
    const int row = curline - topline;
    if (up) {
        const int t = std::max(topline - rownumber, 0);
        topline = t;
        setcur(curcol, t + row);
    } else {
        const int t = topline + rownumber;
        if (t >= linenumber) return;
        topline = t;
        setcur(curcol, t + row);
    }
    draw();
}
