// An input method on a recording window, with the helpers the input-method
// tests share: typing, reading candidates and the dictionary tables.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ime/inputchi.h"
#include "ime/inpywb.h"
#include "ime/pyinput.h"
#include "input/keyvalues.h"
#include "tests/widgets/recordingwindow.h"

inline std::string slot(const unsigned char* s) {
    return std::string(reinterpret_cast<const char*>(s), strnlen(reinterpret_cast<const char*>(s), 8));
}
inline std::string hanzi(int k) { return std::string(reinterpret_cast<const char*>(keyinputhanzhi[k]), 2); }
inline std::string entrytext(int p) {
    return std::string(reinterpret_cast<const char*>(inputhzchi + inputhzchiindex[p]),
                       size_t(inputhzchiindex[p + 1] - inputhzchiindex[p]));
}
inline bool startswith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }

class imetest : public ::testing::Test {
protected:
    recordingwindow screen{1920, 200};
    pyinput ime;
    std::string& out = screen.editor.text;

    void SetUp() override {
        pyinputview = &ime;
        pyinput::isleftsy = pyinput::isleftdy = true;
    }
    void TearDown() override { pyinputview = nullptr; }

    bool ch(int c) { return ime.keymouse(eventchar, c, 0, 0, 0, 0); }
    bool f1() { return ime.keymouse(eventkeydown, keyshift, rightshiftscancode, 0, 0, 0); }
    bool f2() { return ime.keymouse(eventkeydown, keyshift, rightshiftscancode, 0, -1, 0); }
    // Characters, with \1 for F1, \2 for F2 and \3 for character 0.
    void type(const std::string& keys) {
        for (char c : keys) c == 1 ? f1() : c == 2 ? f2() : ch(c == 3 ? 0 : c);
    }
    // Candidate k (0 to 9) as shown, empty when there is none.
    std::string candidate(int k) const {
        const digiselview& sel = k < 6 ? *ime.zhisel : *ime.chisel;
        const char* t = sel.candidate(k);
        return t ? std::string(t, size_t(sel.charlens[k])) : std::string();
    }
    // The Chinese bytes at the front of a candidate, as a commit sends them.
    std::string chinese(int k) const {
        const std::string t = candidate(k);
        size_t n = 0;
        while (n < t.size() && (static_cast<unsigned char>(t[n]) & 0x80)) ++n;
        return t.substr(0, n);
    }
    std::vector<std::string> page() const { return range(0, 5); }
    std::vector<std::string> phrases() const { return range(6, 9); }
    std::vector<std::string> range(int from, int to) const {
        std::vector<std::string> r;
        for (int k = from; k <= to; ++k) r.push_back(candidate(k));
        return r;
    }
};
