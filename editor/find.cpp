// Find: the pattern is typed into a prompt in the status line like text
// (through the input method too); Enter or Ctrl-F selects the next match
// after the cursor, wrapping at the end of the text.
#include <algorithm>
#include <cstring>

#include "editor/editview.h"
#include "input/keyvalues.h"
#include "widgets/statusbar.h"

namespace {

constexpr size_t maxpattern = 200;
const char promptlabel[] = "\xB2\xE9\xD5\xD2\xA3\xBA";  // 查找：
const char notfoundlabel[] = "\xD5\xD2\xB2\xBB\xB5\xBD\xA3\xBA";  // 找不到：

}  // namespace

void editview::openfind() {
    findopen = true;
    patternpairer.lead = 0;
    draw();
}

void editview::closefind() {
    findopen = false;
    patternpairer.lead = 0;
}

// Characters build the pattern as they would build text: a first byte waits
// for its second, the full-width space pair is dropped, Backspace takes the
// last character.
void editview::onfindcharacter(int a) {
    const unsigned char b = a & 0xFF;
    if (b == characterbackspace) {
        patternpairer.lead = 0;
        size_t cut = 0;  // start of the last whole character
        for (size_t i = 0; i < pattern.size(); i += static_cast<unsigned char>(pattern[i]) >= 0x80 ? 2 : 1) cut = i;
        pattern.resize(cut);
    } else if (b != charactercarriagereturn) {
        unsigned char bytes[2];
        const int n = patternpairer.take(b, bytes);
        if (pattern.size() + size_t(n) <= maxpattern) pattern.append(reinterpret_cast<char*>(bytes), size_t(n));
    }
    dispstate();
}

// The next match after the cursor becomes the selection, anchor on its first
// character and cursor on its last. A match starts on a character boundary.
bool editview::findnext() {
    const int n = int(pattern.size());
    if (n == 0) return false;
    const int from = std::min(offset(curpos) + 1, contlth);
    auto matchesat = [&](int i) {
        return !(ctrbytes[i] & istail) && std::memcmp(content + i, pattern.data(), size_t(n)) == 0;
    };
    int found = -1;
    for (int i = from; i + n <= contlth && found < 0; ++i)
        if (matchesat(i)) found = i;
    for (int i = 0; i < from && i + n <= contlth && found < 0; ++i)
        if (matchesat(i)) found = i;
    if (found < 0) {
        shownote((std::string(notfoundlabel) + pattern).c_str());
        return false;
    }
    const int lastcharacter = static_cast<unsigned char>(pattern[size_t(n) - 1]) >= 0x80 ? found + n - 2 : found + n - 1;
    selpos = content + found;
    extendsel = true;
    setcur(content + lastcharacter);
    return true;
}

// Keys while the prompt is open: Enter and Ctrl-F find, Esc closes it and
// keeps the selection, any other key closes it and acts as usual.
bool editview::onfindkey(int key) {
    if (key == keyenter || key == keycontrolf) {
        findnext();
        draw();
        return true;
    }
    closefind();
    if (key == keyescape) {
        extendsel = curpos != selpos;
        draw();
        return true;
    }
    return false;
}

std::string editview::findpromptline() const {
    return std::string(promptlabel) + pattern;
}
