// The input state machine driven by arbitrary bytes, each turned into one key,
// character or click event. The sanitizers watch every buffer; the code and
// the selectors must stay within their sizes and what one event sends on must
// be ASCII or whole two-byte characters. Shared by the fuzz target and a unit test.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ime/pyinput.h"
#include "input/keyvalues.h"
#include "tests/widgets/recordingwindow.h"

namespace inputmethodfuzz {

// ASCII and two-byte characters (lead 0x81 to 0xFE, trail 0x40 to 0xFE but not 0x7F) only.
inline bool wholecharacters(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        const unsigned char lead = static_cast<unsigned char>(s[i]);
        if (lead < 0x80) continue;
        if (lead == 0x80 || lead == 0xFF || i + 1 >= s.size()) return false;
        const unsigned char trail = static_cast<unsigned char>(s[++i]);
        if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
    }
    return true;
}

inline void checkstate(const pyinput& ime) {
    if (strnlen(ime.code, 8) > 7) std::abort();
    for (int i = 7; i < pyinput::codesize; ++i)
        if (ime.code[i]) std::abort();
    for (const digiselview* sel : {ime.zhisel, ime.chisel})
        if (strnlen(sel->digistr, digiselview::digisize) >= size_t(digiselview::digisize)) std::abort();
    if (ime.mode < 0 || ime.mode > 2 || ime.lastmode < 1 || ime.lastmode > 2) std::abort();
    if (ime.zhipos < 0 || ime.zhipos > ime.zhicount) std::abort();
    if (ime.chipos < 0 || ime.chipos > ime.chicount) std::abort();
    if (ime.pageidx < 0 || ime.pageidx >= pyinput::pagesize) std::abort();
}

// One event from the bytes at p (one to three of them); returns how many it took.
inline size_t sendevent(pyinput& ime, const uint8_t* p, size_t left) {
    static const char punctuation[] = " .,;:\"'!?~<>[]\\$()-_=+{}|`@#%^&*/";
    const uint8_t b = p[0];
    if (b < 120) {
        ime.keymouse(eventchar, 'a' + b % 26, 0, 0, 0, 0);
    } else if (b < 150) {
        ime.keymouse(eventchar, '0' + b % 10, 0, 0, 0, 0);
    } else if (b < 190) {
        ime.keymouse(eventchar, punctuation[b % (sizeof punctuation - 1)], 0, 0, 0, 0);
    } else if (b < 205) {
        ime.keymouse(eventchar, 8, 0, 0, 0, 0);
    } else if (b < 210) {
        ime.keymouse(eventchar, 0, 0, 0, 0, 0);
    } else if (b < 218) {
        ime.keymouse(eventkeydown, keyshift, rightshiftscancode, 0, 0, 0);  // F1
    } else if (b < 226) {
        ime.keymouse(eventkeydown, keyshift, rightshiftscancode, 0, -1, 0);  // F2
    } else if (b < 240 && left >= 3) {  // a press on or near the input bar
        ime.keymouse(eventpress, p[1] * 4, ime.top - 8 + p[2] % 48, 0, 0, 0);
        return 3;
    } else if (b < 248 && left >= 2) {
        ime.keymouse(eventchar, p[1] & 0x7F, 0, 0, 0, 0);  // any ASCII code
        return 2;
    } else {
        ime.keymouse(eventkeydown, 33 + b % 10, 0, 0, 0, 0);
    }
    return 1;
}

inline void check(const uint8_t* data, size_t size) {
    static recordingwindow screen(400, 120);
    mymapwin = &screen.win;
    myview::pmymap = &screen.win.bmp;
    const size_t len = size > 4096 ? 4096 : size;
    digiselview::waitsel = false;
    pyinput::isleftsy = pyinput::isleftdy = true;
    pyinput ime;
    pyinputview = &ime;
    for (size_t pos = 0; pos < len;) {
        screen.editor.clearall();
        pos += sendevent(ime, data + pos, len - pos);
        if (!wholecharacters(screen.editor.text)) std::abort();
        checkstate(ime);
    }
    pyinputview = nullptr;
    mymapwin = nullptr;
    myview::pmymap = nullptr;
}

}  // namespace inputmethodfuzz
