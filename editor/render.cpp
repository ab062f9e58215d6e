// Drawing the editor: the visible display lines, the line-feed marks, the
// end-of-text block, the selection and cursor cells, the scroll mark, and
// the position line in the status bar.
#include <algorithm>
#include <climits>
#include <cstdint>
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
constexpr int nomark = INT_MIN;

}  // namespace

void editview::draw() {
    if (!isactive) return;
    setsel();
    if (wholeviews || drawingsettings() != shownsettings) drawall();
    else drawchanged();
    drawcur();
    pmymap->thick = 0;
    dispstate();
    drawnupto = pmymap->endperiod();
}

void editview::clear() { boxf(0, 0, width(), high(), white); }

// Every row, as the rows are then remembered.
void editview::drawall() {
    clear();
    const int n = std::min(rownumber, linenumber - topline);
    for (int r = 0; r < n; ++r) drawline(r);
    shownsettings = drawingsettings();
    shownrows.resize(size_t(std::max(rownumber, 0)));
    for (int r = 0; r < rownumber; ++r) describerow(r, shownrows[size_t(r)]);
    shownmarktop = scrollmarktop();
}

// What every row's pixels depend on besides the row's own line, the bitmap
// drawn on among them: a change in any of them draws the whole view.
std::vector<int> editview::drawingsettings() const {
    const uint64_t bitmap = uint64_t(reinterpret_cast<uintptr_t>(pmymap));
    return {int(bitmap), int(bitmap >> 32), left, top, right, bottom, topline, rownumber, colnumber, cellwidth,
            lineheight, charheight, int(textcolor.value()), redstrokes, pmymap->thick >= 2, strokewidth()};
}

// How many pixel rows a line's strokes reach above its cell: the brush of
// large text reaches back from each point.
int editview::glyphreach() const { return (strokewidth() - 1) / 2; }

// The rows of the view drawn again are those of each display row whose
// description changed, those another view wrote since the last draw (the
// input bar's selectors share the view's top row, and the strokes of the
// first line reach into the bar at large sizes) and those of the scroll mark
// where it was and is. A row is drawn again as the whole view draws it: the
// white ground, then every line that reaches it, cut at the row.
void editview::drawchanged() {
    const int reach = glyphreach(), h = high();
    redraw.assign(size_t(h + reach), 0);
    auto flag = [&](int a, int b) {
        for (int y = std::max(a, -reach); y <= b && y < h; ++y) redraw[size_t(y + reach)] = 1;
    };
    for (int r = 0; r < rownumber; ++r) {
        describerow(r, rowbytes);
        if (rowbytes == shownrows[size_t(r)]) continue;
        flag(r * lineheight - reach, (r + 1) * lineheight - 1);
        shownrows[size_t(r)].swap(rowbytes);
    }
    for (int y = -reach; y < h; ++y)
        if (pmymap->writtenafter(top + y, drawnupto)) redraw[size_t(y + reach)] = 1;
    const int mark = scrollmarktop();
    if (mark != shownmarktop) {
        const int overhang = gcharwidth * 15 / 24;
        for (int at : {shownmarktop, mark})
            if (at != nomark) flag(at - overhang, at + lineheight);
        shownmarktop = mark;
    }
    for (int y = -reach; y < h; ++y) {
        if (!redraw[size_t(y + reach)]) continue;
        const int first = y;
        while (y + 1 < h && redraw[size_t(y + 1 + reach)]) ++y;
        redrawrows(first, y);
    }
}

// View rows a to b (a may lie above the view, where only strokes reach).
void editview::redrawrows(int a, int b) {
    pmymap->setclip(0, top + a, pmymap->width - 1, top + b);
    if (b >= 0) boxf(0, std::max(a, 0), width(), b, white);
    const int n = std::min(rownumber, linenumber - topline);
    const int first = std::max(a, 0) / lineheight, last = std::min(n - 1, (b + glyphreach()) / lineheight);
    for (int r = first; r <= last; ++r) drawline(r);
    pmymap->unclip();
}

// Walks display row r as drawline draws it: glyph(c, p, flags) for each
// character drawn, linefeed(c) for the line-feed mark, fileend(c) for the
// end-of-text block, and the highlighted cells left in selarray. False when
// no line is shown in the row.
template <typename Glyph, typename Linefeed, typename Fileend>
bool editview::walkrow(int r, Glyph glyph, Linefeed linefeed, Fileend fileend) {
    if (r < 0 || r >= rownumber) return false;
    std::fill(selarray.begin(), selarray.end(), 0);
    bool marked = false;
    // Marks past the array (a TAB at the right edge, a stale cursor column)
    // are dropped.
    auto mark = [&](int column) {
        if (column >= 0 && size_t(column) < selarray.size()) selarray[size_t(column)] = 1;
        marked = true;
    };
    const int line = r + topline;
    if (line >= linenumber) return false;
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
            linefeed(c);
            ++c;
            break;
        } else {
            if (issel(p)) mark(c);
            glyph(c, p, flags);
            ++c;
        }
    }
    if (p == textend() && line == linenumber - 1) {
        fileend(c);
        if (issel(p)) mark(c);
    }
    if (r == curline - topline && !marked) mark(curcol);
    return true;
}

void editview::drawline(int r) {
    const bool shown = walkrow(
        r, [&](int c, const unsigned char* p, ctrbyte flags) { drawchar(r, c, p, flags); },
        [&](int c) { drawnr(r, c); }, [&](int c) { drawfileend(r, c); });
    if (!shown) return;
    const int last = std::min(colnumber, int(selarray.size()) - 1);
    for (int k = 0; k <= last; ++k)
        if (selarray[size_t(k)]) drawsel(k, r);
}

// Everything drawline(r) draws depends on: the line's bytes and layout flags
// (and the byte after them, which a lead byte at the end takes as its
// trail), whether the end-of-text block follows, and the highlighted cells.
// Empty for a row that shows no line.
void editview::describerow(int r, std::string& out) {
    out.clear();
    bool endblock = false;
    const auto none = [](auto...) {};
    if (!walkrow(r, none, none, [&](int) { endblock = true; })) return;
    const int from = linestart[r + topline], to = linestart[r + topline + 1];
    out.append(reinterpret_cast<const char*>(content + from), size_t(to - from));
    out.append(reinterpret_cast<const char*>(ctrbytes + from), size_t(to - from));
    out += char(content[to]);
    out += endblock ? 'E' : '-';
    const int last = std::min(colnumber, int(selarray.size()) - 1);
    out.append(reinterpret_cast<const char*>(selarray.data()), size_t(last + 1));
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

// Where the scroll mark's line is, or nomark when the text fits the view.
int editview::scrollmarktop() const {
    if (linenumber <= rownumber) return nomark;
    return int(double(topline) / double(linenumber - rownumber) * high());
}

// The scroll mark in the rightmost column, when the text is longer than the view.
void editview::drawcur() {
    const int y = scrollmarktop();
    if (y == nomark) return;
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
