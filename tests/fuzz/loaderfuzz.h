// The normaliser and the editor's loader run over arbitrary bytes: the text
// stays within its buffer, holds only CR LF line ends and whole two-byte
// characters, and its line table matches a fresh layout. Shared by the
// libFuzzer target and a unit test.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "editor/editview.h"
#include "editor/normaliser.h"

inline void checknormalised(const unsigned char* t, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (t[i] == 0x0D && (i + 1 >= n || t[i + 1] != 0x0A)) std::abort();
        if (t[i] == 0x0A && (i == 0 || t[i - 1] != 0x0D)) std::abort();
        if (t[i] >= 0x80) {
            if (i + 1 >= n || t[i + 1] < 0x80) std::abort();
            ++i;
        }
    }
}

// Feeds the bytes to the normaliser in pieces cut where the first byte says.
inline void checknormaliser(const uint8_t* data, size_t size) {
    if (size == 0) return;
    const size_t piece = 1 + data[0] % 7;
    std::vector<unsigned char> out(size * 2 + 1);
    size_t start = 1, written = 0;
    for (size_t end = std::min(size, start + piece);; end = std::min(size, end + piece)) {
        const normaliseresult r = normalise(data + start, end - start, end == size, out.data() + written,
                                            out.size() - 1 - written);
        if (r.written > out.size() - 1 - written || r.consumed > end - start) std::abort();
        start += r.consumed;
        written += r.written;
        if (end == size) break;
    }
    if (start != size) std::abort();
    checknormalised(out.data(), written);
}

inline void checkloader(editview& editor, const uint8_t* data, size_t size) {
    editor.loadtext(data, size);
    if (editor.contlth < 0 || editor.contlth > maxcontlth - 1) std::abort();
    if (editor.linenumber < 1 || editor.linenumber > maxlinenumber - 1) std::abort();
    checknormalised(editor.content, size_t(editor.contlth));
    const std::vector<int> table(editor.linestart, editor.linestart + editor.linenumber + 1);
    editor.setpara();
    if (table != std::vector<int>(editor.linestart, editor.linestart + editor.linenumber + 1)) std::abort();
}
