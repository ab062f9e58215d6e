// The UTF-8 check and both conversions run over arbitrary bytes: nothing is
// written past a buffer however small, chunked conversion gives what a whole
// one gives, UTF-8 to GBK never grows, and a conversion that replaced nothing
// comes back byte for byte. Shared by the libFuzzer target and a unit test.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "editor/textcodec.h"

namespace textcodecfuzz {

constexpr unsigned char guard = 0x5A;
constexpr size_t guardlength = 16;

inline void require(bool condition) {
    if (!condition) std::abort();
}

inline bool same(const std::string& s, const uint8_t* data, size_t size) {
    return s.size() == size && std::memcmp(s.data(), data, size) == 0;
}

// Converts in pieces of at most piece input bytes into an output buffer of
// cap bytes followed by guard bytes, and checks the guard after every call.
template <typename convert>
std::string inpieces(const unsigned char* data, size_t size, size_t piece, size_t cap,
                     textcodec::conversion& state, convert function) {
    std::vector<unsigned char> out(cap + guardlength, guard);
    std::string result;
    size_t pos = 0;
    for (int idle = 0; pos < size || !state.started;) {
        const size_t offered = std::min(size - pos, piece);
        const bool atend = pos + offered == size;
        size_t written = 0;
        const size_t taken = function(data + pos, offered, atend, out.data(), cap, written, state);
        require(taken <= offered && written <= cap);
        for (size_t i = cap; i < out.size(); ++i) require(out[i] == guard);
        result.append(reinterpret_cast<const char*>(out.data()), written);
        pos += taken;
        if (taken || written) {
            idle = 0;
            continue;
        }
        // Nothing taken: only while the piece ends inside a character; a longer piece lets it through.
        if (atend) {
            require(pos == size && state.started);
            break;
        }
        require(++idle < 8);
        ++piece;
    }
    return result;
}

// Whole two-byte characters only, as the editor holds its text.
inline bool editorform(const unsigned char* data, size_t size) {
    for (size_t i = 0; i < size; ++i)
        if (data[i] >= 0x80 && (++i >= size || data[i] < 0x80)) return false;
    return true;
}

inline void checktextcodec(const uint8_t* data, size_t size) {
    size = std::min<size_t>(size, 1 << 16);

    // The scan: the whole part is well formed, and a scan of it alone agrees.
    const textcodec::utf8scan full = textcodec::scanutf8(data, size, false);
    const textcodec::utf8scan cut = textcodec::scanutf8(data, size, true);
    require(full.wholelength <= size && cut.wholelength == full.wholelength);
    require(!full.valid || full.wholelength == size);
    if (cut.valid) require(size - cut.wholelength < 4);
    const textcodec::utf8scan prefix = textcodec::scanutf8(data, full.wholelength, false);
    require(prefix.valid && prefix.wholelength == full.wholelength && prefix.hashigh == full.hashigh);
    require(textcodec::utf8fit(data, size, size / 2) <= full.wholelength);

    const size_t piece = 1 + (size ? data[0] % 7 : 0);
    const size_t cap = 2 + (size > 1 ? data[1] % 9 : 0);
    std::string gbk;
    const textcodec::conversion whole = textcodec::utf8togbk(data, size, gbk);
    require(gbk.size() <= size && whole.hasbom == full.hasbom);
    textcodec::conversion pieces;
    require(gbk == inpieces(data, size, piece, cap, pieces,
        [](const unsigned char* in, size_t n, bool atend, unsigned char* out, size_t room, size_t& written,
           textcodec::conversion& state) { return textcodec::utf8togbk(in, n, atend, out, room, written, state); }));
    require(pieces.replaced == whole.replaced && pieces.firstline == whole.firstline);
    require(pieces.hasbom == whole.hasbom && pieces.line == whole.line);

    // Back again: well-formed UTF-8 of held characters only comes back exactly.
    std::string back;
    const textcodec::conversion again =
        textcodec::gbktoutf8(reinterpret_cast<const unsigned char*>(gbk.data()), gbk.size(), whole.hasbom, back);
    if (full.valid && whole.replaced == 0) require(again.replaced == 0 && same(back, data, size));

    std::string utf8;
    const textcodec::conversion fromgbk = textcodec::gbktoutf8(data, size, false, utf8);
    require(utf8.size() <= 3 * size);
    textcodec::conversion utf8pieces;
    require(utf8 == inpieces(data, size, piece, cap + 2, utf8pieces,
        [](const unsigned char* in, size_t n, bool atend, unsigned char* out, size_t room, size_t& written,
           textcodec::conversion& state) { return textcodec::gbktoutf8(in, n, atend, out, room, written, state); }));
    require(utf8pieces.replaced == fromgbk.replaced && utf8pieces.firstline == fromgbk.firstline);
    require(textcodec::scanutf8(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), false).valid);
    if (fromgbk.replaced == 0 && editorform(data, size)) {
        std::string regained;
        const textcodec::conversion round =
            textcodec::utf8togbk(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), regained);
        require(round.replaced == 0 && same(regained, data, size));
    }
}

}  // namespace textcodecfuzz
