// Drawing the editor: the visible display lines, the line-feed marks, the
// end-of-text block, the selection and cursor cells, the scroll mark, and
// the position line in the status bar.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "editor/editview.h"
#include "widgets/statusbar.h"

namespace {

constexpr unsigned char lf = 0x0A, cr = 0x0D, space = 0x20;

const mycolor white(255, 255, 255, 255);
const mycolor red(255, 0, 0, 255);
const mycolor selectionblue(0, 0, 255, 100);
const mycolor scrollgreen(0, 255, 0, 100);

}  // namespace

void editview::draw() {
    if (!isactive) return;
    setsel();
    clear();
    const int n = std::min(rownumber, linenumber - topline);
    for (int r = 0; r < n; ++r) drawline(r);
    drawcur();
    pmymap->thick = 0;
    dispstate();
}

void editview::clear() { boxf(0, 0, width(), high(), white); }

void editview::drawline(int r) {
    if (r < 0 || r >= rownumber) return;
    std::fill(selarray.begin(), selarray.end(), 0);
    bool marked = false;
    // Marks past the array (a TAB at the right edge, a stale cursor column)
    // are dropped.
    auto mark = [&](int column) {
        if (column >= 0 && size_t(column) < selarray.size()) selarray[size_t(column)] = 1;
        marked = true;
    };
    const int line = r + topline;
    if (line >= linenumber) return;
    const unsigned char* p = content + linestart[line];
    const unsigned char* end = content + linestart[line + 1];
    int c = 0;
    for (; p < end; ++p) {
        const ctrbyte flags = ctrbytes[offset(p)];
        if (flags & istab) {
            if (issel(p))
                for (int k = 0; k < 4; ++k) mark(c + k);
            c += 4;
        } else if (flags & istail) {
            if (issel(p)) mark(c);
            ++c;
        } else if (*p == cr) {
        } else if (*p == space) {
            if (issel(p)) mark(c);
            ++c;
        } else if (*p == lf) {
            if (issel(p)) mark(c);
            drawnr(r, c);
            ++c;
            break;
        } else {
            if (issel(p)) mark(c);
            drawchar(r, c, p, flags);
            ++c;
        }
    }
    if (p == textend() && line == linenumber - 1) {
        drawfileend(r, c);
        if (issel(p)) mark(c);
    }
    if (r == curline - topline && !marked) mark(curcol);
    const int last = std::min(colnumber, int(selarray.size()) - 1);
    for (int k = 0; k <= last; ++k)
        if (selarray[size_t(k)]) drawsel(k, r);
}

void editview::drawchar(int r, int c, const unsigned char* p, ctrbyte flags) {
    if ((flags & (isnewline | istail)) || *p == cr) return;
    pmymap->pencolor = textcolor;
    drawfont(c * cellwidth, r * lineheight, reinterpret_cast<const char*>(p), cellwidth * 2, charheight);
}

// The line-feed mark: a red "/".
void editview::drawnr(int r, int c) {
    pmymap->pencolor = red;
    pmymap->thick = 0;
    drawfont(c * cellwidth, r * lineheight, "/", cellwidth * 2, charheight);
}

void editview::drawfileend(int r, int c) {
    boxf(c * cellwidth, r * lineheight, c * cellwidth + cellwidth, r * lineheight + charheight, red);
}

// The lower part of a cell, cellwidth high: a selected or cursor cell.
void editview::drawsel(int c, int r) {
    boxf(c * cellwidth, r * lineheight + charheight, c * cellwidth + cellwidth,
         r * lineheight + charheight - cellwidth, selectionblue);
}

// The scroll mark in the rightmost column, when the text is longer than the view.
void editview::drawcur() {
    if (linenumber <= rownumber) return;
    const int y = int(double(topline) / double(linenumber - rownumber) * high());
    const int x = colnumber * cellwidth;
    const int overhang = gcharwidth * 15 / 24;  // reaches above the mark's line, onto the bar at the top
    boxf(x, y - overhang, x + cellwidth, y + lineheight, scrollgreen);
}

void editview::shownote(const char* text) { note = text; }

// The position line: line, column, bytes, lines and the code under the cursor.
void editview::dispstate() {
    if (!note.empty()) {
        dispmsg(note.c_str());
        return;
    }
    if (findopen) {
        dispmsg(findpromptline().c_str());
        return;
    }
    if (saveasopen) {
        dispmsg(saveaspromptline().c_str());
        return;
    }
    const unsigned b = byteat(curpos);
    if (b >= 0x80)  // 当前%d行,%d列,共%d字节,共%d行,代码:%2x,%2x
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xB5\xB1\xC7\xB0%d\xD0\xD0,%d\xC1\xD0,\xB9\xB2%d\xD7\xD6\xBD\xDA,\xB9\xB2%d\xD0\xD0,"
                      "\xB4\xFA\xC2\xEB:%2x,%2x",
                      curline + 1, curcol + 1, contlth, linenumber, b, unsigned(byteat(curpos + 1)));
    else  // 当前%d行,%d列,共%d字节,共%d行,代码:%2x
        std::snprintf(publicbuffer, publicbuffersize,
                      "\xB5\xB1\xC7\xB0%d\xD0\xD0,%d\xC1\xD0,\xB9\xB2%d\xD7\xD6\xBD\xDA,\xB9\xB2%d\xD0\xD0,"
                      "\xB4\xFA\xC2\xEB:%2x",
                      curline + 1, curcol + 1, contlth, linenumber, b);
    dispmsg(publicbuffer);
}
