// The editor's buffers, its place on the screen, and the wrapping of the
// text into display lines.
#include <algorithm>
#include <cstring>

#include "editor/editview.h"

namespace {

constexpr unsigned char tab = 0x09, lf = 0x0A, cr = 0x0D;

bool isletter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }
bool isbreakable(unsigned char b) { return b == ' ' || b == ',' || b == ';' || b == '/' || b == cr; }

}  // namespace

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
    if (!pmymap || pmymap->height < 300) {
        isactive = false;
        return;
    }
    left = 0;
    right = pmymap->width;
    top = gcharwidth * 90 / 24;
    bottom = pmymap->height;
    cellwidth = gcharwidth / 2;
    charheight = gcharwidth;
    lineheight = gcharwidth * 30 / 24;
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
    std::memset(ctrbytes, 0, size_t(std::min(std::max(flaggedlength, contlth) + 2, maxcontlth)));
    flaggedlength = contlth;
    colnumber = width() / cellwidth - 1;
    rownumber = high() / lineheight;
    linenumber = layoutlines(maxlinenumber - 1);
}

// Wraps the text into at most `limit` display lines and returns their
// number; layoutfull tells that the text needed more. A column holds a
// one-byte character, half a two-byte one or a quarter of a TAB; a line
// holds colnumber - 1 columns, the last column being the scroll mark's.
int editview::layoutlines(int limit) {
    layoutfull = false;
    int line = 0, column = 0, pos = 0;
    linestart[0] = 0;
    // A line break before pos; false when the table is full.
    auto breakbefore = [&](int at) {
        if (line + 1 >= limit) {
            layoutfull = true;
            return false;
        }
        linestart[++line] = at;
        return true;
    };
    auto lineempty = [&]() { return pos == linestart[line]; };
    while (pos < contlth) {
        const unsigned char b = content[pos];
        if (b == lf) {
            ctrbytes[pos] |= isnewline;
            if (!breakbefore(pos + 1)) break;
            column = 0;
            pos += 1;
        } else if (b >= 0x80) {
            if (column + 2 >= colnumber && !lineempty()) {
                if (!breakbefore(pos)) break;
                column = 2;
            } else {
                column += 2;
            }
            ctrbytes[pos] |= ishead;
            if (pos + 1 < maxcontlth) ctrbytes[pos + 1] |= istail;
            pos += 2;
        } else if (b == tab) {
            if (column + 1 < colnumber || lineempty()) {
                column += 4;
            } else {
                if (!breakbefore(pos)) break;
                column = 4;
            }
            ctrbytes[pos] |= istab;
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
            column += take;
            pos += take;
        }
    }
    if (layoutfull) {
        linestart[line + 1] = pos;
        return line + 1;
    }
    linestart[line + 1] = contlth;
    return line + 1;
}
