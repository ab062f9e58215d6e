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
        const int line = lineof(at);
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

// The display line holding offset at: the last line start at or before it
// (line starts only ever grow).
int editview::lineof(int at) const {
    return std::max(int(std::upper_bound(linestart, linestart + linenumber, at) - linestart) - 1, 0);
}

namespace {

// Cells a byte takes as the text is drawn: a TAB four, the CR of a line end
// none, any other one (a two-byte character two).
int cellsof(unsigned char b) { return b == tab ? 4 : b == cr ? 0 : 1; }

}  // namespace

int editview::drawncolumn(const unsigned char* p) const {
    const int at = std::min(offset(p), contlth);
    int column = 0;
    for (int i = linestart[lineof(at)]; i < at; ++i) column += cellsof(content[i]);
    return column;
}

unsigned char* editview::atdrawncolumn(int line, int column) {
    line = std::max(std::min(line, linenumber - 1), 0);
    const int start = linestart[line], n = linelength(line);
    int x = 0;
    for (int k = 0; k < n;) {
        const int bytes = (ctrbytes[start + k] & ishead) && k + 1 < n ? 2 : 1;
        const int cells = bytes == 2 ? 2 : cellsof(content[start + k]);
        if (x + cells > column) return content + start + k;
        x += cells;
        k += bytes;
    }
    // Past the end: the end of the text on the last line, otherwise the
    // line's last character (its LF at a line end).
    if (line == linenumber - 1 || n == 0) return content + start + n;
    unsigned char* last = content + start + n - 1;
    if (ctrbytes[offset(last)] & istail) --last;
    return last;
}

// Up, Down, Page Up and Page Down one after another keep the cell the first
// of them started from, also across lines too short to reach it.
int editview::verticalcolumn() const {
    return keptcolumn >= 0 && keptat == curpos ? keptcolumn : drawncolumn(curpos);
}

void editview::keepcolumn(int column) {
    keptcolumn = column;
    keptat = curpos;
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

// The cursor goes to the character drawn over the kept cell of the line
// above or below, or to that line's end; the view follows it.
void editview::upone(bool up) {
    if (up ? curline <= 0 : curline >= linenumber - 1) return;
    const int column = verticalcolumn();
    setcur(atdrawncolumn(curline + (up ? -1 : 1), column));
    keepcolumn(column);
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

// A page up or down keeps the cursor's row on the screen and its cell.
void editview::pgupdn(bool up) {
    const int row = curline - topline;
    if (up) {
        topline = std::max(topline - rownumber, 0);
    } else {
        if (topline + rownumber >= linenumber) return;
        topline += rownumber;
    }
    const int column = verticalcolumn();
    setcur(atdrawncolumn(topline + row, column));
    keepcolumn(column);
    draw();
}
