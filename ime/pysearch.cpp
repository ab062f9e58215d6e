// The candidate searches of the input method: pinyin characters with paging,
// phrase suggestions for the characters of a pinyin page, and wubi entries.
// Each is a linear scan over one dictionary table; nothing is allocated.
#include <cstring>

#include "ime/inputchi.h"
#include "ime/inpywb.h"
#include "ime/pyinput.h"

namespace {

// Mask n keeps the first n letters of a code value.
constexpr uint64_t pbws[8] = {
    0, 0xFF, 0xFFFF, 0xFFFFFF, 0xFFFFFFFFull, 0xFFFFFFFFFFull, 0xFFFFFFFFFFFFull, 0xFFFFFFFFFFFFFFull,
};

inline uint16_t firstchar(const unsigned char* text) { return uint16_t(text[0] | text[1] << 8); }

}  // namespace

uint64_t pyinput::codekey() const { return slotvalue(reinterpret_cast<const unsigned char*>(code)); }

// The code is read where it is in the table: a slot is its own terminated
// string.
bool pyinput::wbcode(int k, const char*& text, int& len) {
    for (int i = 0; i < zhicount; ++i) {
        if (wbidx[i] != k) continue;
        text = reinterpret_cast<const char*>(wbtab[i]);
        len = int(strnlen(text, 8));
        return true;
    }
    return false;
}

int pyinput::chinum(int p) const { return chiidx[p + 1] - chiidx[p]; }

// Slot `slot` of zhisel gets the character of pinyin row `row`, its wubi code
// as a hint and spaces, 7 bytes in all.
void pyinput::placecharacter(int row, int slot, bool remember) {
    const int k = pyidx[row];
    if (k < 0 || k >= zhicount) return;
    char text[7];
    std::memset(text, ' ', sizeof text);
    text[0] = char(zhitab[k][0]);
    text[1] = char(zhitab[k][1]);
    const char* hint;
    int len;
    if (wbcode(k, hint, len)) std::memcpy(text + 2, hint, size_t(len < 5 ? len : 5));
    zhisel->setchar('0' + slot, text, 7);
    if (remember && slot >= 0 && slot < pagesize) pagezhi[slot] = firstchar(zhitab[k]);
}

// The next page: the first matching rows from zhipos on, exact codes first
// because shorter codes sort first. A page that places nothing leaves the
// page on show as it was.
void pyinput::scanforward(uint64_t key, uint64_t mask) {
    int slot = zhisel->rangfrom;
    const int start = zhipos < 0 ? 0 : zhipos;
    if (start == 0) {
        pagefirst = 0;
        // The first page of a code: the suggestions go by the characters
        // on show only, not by those of an earlier code's page.
        if (frequentphrases)
            for (int t = 0; t < pagesize; ++t) pagezhi[t] = 0;
    }
    int i = start;
    for (; i < zhicount; ++i) {
        if ((slotvalue(pytab[i]) & mask) != key) continue;
        if (slot == zhisel->rangfrom) pagefirst = i;
        placecharacter(i, slot, true);
        if (++slot > zhisel->rangto) break;
    }
    zhipos = i + 1 < zhicount ? i + 1 : zhicount;
}

// The page before: the matching rows before the first row of the page on
// show, filling the slots from the last down. Reaching row 0 first means
// the first page. The next forward page starts after the last row placed.
void pyinput::scanbackward(uint64_t key, uint64_t mask) {
    if (zhipos <= 0) return;
    const int first = zhisel->rangfrom, last = zhisel->rangto;
    int j = last + 1;
    int lastrow = -1;
    int i = pagefirst - 1 < zhicount ? pagefirst - 1 : zhicount - 1;
    for (; i >= 0; --i) {
        if ((slotvalue(pytab[i]) & mask) != key) continue;
        --j;
        if (lastrow < 0) lastrow = i;
        placecharacter(i, j, true);
        if (j <= first) break;
    }
    if (i > 0 && j <= first) {
        pagefirst = i;
        zhipos = lastrow + 1;
        return;
    }
    zhipos = 0;
    scanforward(key, mask);
}

void pyinput::search(bool forward) {
    const uint64_t key = codekey();
    if (key == 0) return;
    const uint64_t mask = pbws[codelength()];
    if (forward)
        scanforward(key, mask);
    else
        scanbackward(key, mask);
    chipos = 0;
    pageidx = 0;
}

// Four phrases from chipos on whose first character is on the page. The
// comparison starts at pageidx and goes round the page, and pageidx stays
// on the match; an entry that matches no character leaves it where it was.
void pyinput::phrasesforward() {
    const int slots = chisel->rangto - chisel->rangfrom + 1;
    int placed = 0;
    if (chipos < 0) chipos = 0;
    while (chipos < chicount && placed < slots) {
        const unsigned char* text = chitext + chiidx[chipos];
        const int len = chinum(chipos);
        const uint16_t first = len >= 2 ? firstchar(text) : 0;
        for (int t = 0, at = pageidx; first != 0 && t < pagesize; ++t, at = at >= pagesize - 1 ? 0 : at + 1) {
            if (pagezhi[at] != first) continue;
            pageidx = at;
            chisel->setchar('0' + chisel->rangfrom + placed, reinterpret_cast<const char*>(text), len);
            ++placed;
            break;
        }
        ++chipos;
    }
}

// Walking back from chipos, only the character at pageidx is compared, and
// pageidx steps back at each match; the first four matches are passed over
// and the next four fill the slots from 9 down to 6.
void pyinput::phrasesbackward() {
    int n = 7;
    if (chipos >= chicount) chipos = chicount - 1;
    while (chipos >= 0) {
        const unsigned char* text = chitext + chiidx[chipos];
        const int len = chinum(chipos);
        const uint16_t first = len >= 2 ? firstchar(text) : 0;
        if (first != 0 && pagezhi[pageidx] == first) {
            if (n <= 3) chisel->setchar('6' + n, reinterpret_cast<const char*>(text), len);
            pageidx = pageidx <= 0 ? pagesize - 1 : pageidx - 1;
            --n;
        }
        if (--chipos < 0) {
            chipos = 0;
            pageidx = 0;
            phrasesforward();
            return;
        }
        if (n < 0) return;
    }
}

// The phrases of the page's characters from position `start` of their
// merged frequency order on: each character's list is already in that
// order, so the merge takes the smallest head of at most six lists. Slots
// left over are emptied.
void pyinput::frequentfrom(int start) {
    int next[pagesize], end[pagesize];
    int lists = 0;
    for (int t = 0; t < pagesize; ++t) {
        const int s = hanzislot(uint8_t(pagezhi[t] & 0xFF), uint8_t(pagezhi[t] >> 8));
        bool seen = s < 0;
        for (int u = 0; u < t && !seen; ++u) seen = pagezhi[u] == pagezhi[t];
        if (seen) continue;
        next[lists] = freqstart[s];
        end[lists] = freqstart[s + 1];
        ++lists;
    }
    const int slots = chisel->rangto - chisel->rangfrom + 1;
    int placed = 0;
    for (int passed = 0; placed < slots;) {
        int best = -1;
        for (int t = 0; t < lists; ++t)
            if (next[t] < end[t] && (best < 0 || freqbychar[next[t]] < freqbychar[next[best]])) best = t;
        if (best < 0) break;
        const int p = freqorder[freqbychar[next[best]++]];
        if (passed++ < start) continue;
        chisel->setchar('0' + chisel->rangfrom + placed++, reinterpret_cast<const char*>(chitext + chiidx[p]),
                        chinum(p));
    }
    for (int k = placed; k < slots; ++k) chisel->setchar('0' + chisel->rangfrom + k, "", 0);
    chipos = start + placed;
    chishown = placed;
}

// A new page starts its suggestions from the first; going on without a new
// page shows the next or the previous four.
void pyinput::search1(bool forward) {
    if (frequentphrases) {
        if (chipos < 0) chipos = 0;
        int start = chipos;
        if (!forward) start = chipos - chishown - (chisel->rangto - chisel->rangfrom + 1);
        frequentfrom(start < 0 ? 0 : start);
    } else {
        if (pageidx < 0 || pageidx >= pagesize) pageidx = 0;
        if (forward)
            phrasesforward();
        else
            phrasesbackward();
    }
}

// Entry p with its code letters after it and a space.
void pyinput::placewubi(digiselview* sel, int slot, int p) {
    char text[30];
    std::memset(text, ' ', sizeof text);
    const char* letters = reinterpret_cast<const char*>(chiwb[p]);
    const int n = int(strnlen(letters, 8));
    int len = chinum(p);
    if (len > int(sizeof text) - 1 - n) len = int(sizeof text) - 1 - n;
    if (len < 0) len = 0;
    std::memcpy(text, chitext + chiidx[p], size_t(len));
    std::memcpy(text + len, letters, size_t(n));
    sel->setchar('0' + slot, text, len + n + 1);
}

// One scan finds both kinds: up to six entries with exactly the typed code
// for zhisel and up to four with longer codes that start with it for chisel,
// each kind in dictionary order. The longer ones are placed only after the
// scan, because a 4-letter code with a single entry is committed at once and
// leaves chisel alone.
bool pyinput::searchwb(bool) {
    const uint64_t key = codekey();
    if (key == 0) return false;
    const int n = codelength();
    const uint64_t mask = pbws[n];
    const int exactslots = zhisel->rangto - zhisel->rangfrom + 1;
    const int longerslots = chisel->rangto - chisel->rangfrom + 1;
    int longer[digiselview::slotcount];
    int placed = 0, found = 0;
    for (int p = 0; p < chicount && (placed < exactslots || found < longerslots); ++p) {
        const uint64_t v = slotvalue(chiwb[p]);
        if ((v & mask) != key) continue;
        if (v == key) {
            if (placed < exactslots) placewubi(zhisel, zhisel->rangfrom + placed++, p);
        } else if (found < longerslots) {
            longer[found++] = p;
        }
    }
    if (placed == 1 && n == 4) return true;
    for (int i = 0; i < found; ++i) placewubi(chisel, chisel->rangfrom + i, longer[i]);
    return false;
}
