#include "app/textsize.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "input/wayout.h"
#include "widgets/screenrows.h"

int textsizevalue(const char* text) {
    if (!text) return 0;
    const size_t n = std::strlen(text);
    if (n == 0 || n > 3 || std::strspn(text, "0123456789") != n) return 0;
    const int size = std::atoi(text);
    return size % 2 == 0 && size >= smallesttextsize && size <= largesttextsize ? size : 0;
}

askedsize askedtextsize(int option, const char* variable) {
    askedsize asked;
    if (option != 0 || !variable || !*variable) {
        asked.size = option;
        return asked;
    }
    asked.size = textsizevalue(variable);
    if (asked.size == 0)
        asked.error = std::string("the text size must be an even number from 12 to 96, not '") + variable + "'";
    return asked;
}

// 24 from 600 to 1439 pixels, which keeps the usual picture on the usual
// screens; above, the size grows with the screen as 24 does at 1080. Below
// 600 it is 16, on the smallest panels too: at 12 the denser hanzi of the
// stroke font run together, at 16 they all read.
int defaulttextsize(int screenwidth, int screenheight) {
    const int shorter = std::min(screenwidth, screenheight);
    if (shorter >= 1440) return std::min(largesttextsize, 24 * std::min(shorter, 4320) / 1080 / 2 * 2);
    return shorter >= 600 ? 24 : 16;
}

int largestfittingsize(int screenwidth, int screenheight) {
    for (int size = largesttextsize; size >= smallesttextsize; size -= 2)
        if (editorfits(screenwidth, screenheight, size)) return size;
    return 0;
}

void settextsizefor(int asked, int screenwidth, int screenheight) {
    const int size = asked != 0 ? asked : defaulttextsize(screenwidth, screenheight);
    if (editorfits(screenwidth, screenheight, size)) {
        setgcharwidth(size);
        return;
    }
    const int largest = largestfittingsize(screenwidth, screenheight);
    char what[40];
    std::snprintf(what, sizeof what, "the screen (%dx%d)", screenwidth, screenheight);
    std::string reason = "too small for the editor at text size " + std::to_string(size);
    reason += largest != 0 ? "; the largest that fits is --size " + std::to_string(largest) : " or any other";
    wayout::leavewithreason(exitstatus::screentoosmall, what, reason);
}
