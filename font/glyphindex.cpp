#include "font/glyphindex.h"

#include <vector>

namespace glyphindex {
namespace {

constexpr int codecount = 65536;
const unsigned char* stream = nullptr;
std::vector<int> startofcode(codecount, -1);  // byte offset in the stream, or -1
unsigned builds = 0;

}  // namespace

void build(const unsigned char* vec, int vennum, const unsigned short* chss, unsigned short zn) {
    stream = vec;
    ++builds;
    startofcode.assign(codecount, -1);
    if (!vec || vennum <= 0 || !chss) return;

    // Glyph g starts right after the g-th point that ends a glyph.
    std::vector<int> starts;
    const int points = vennum / 2;
    int start = 0;
    for (int p = 0; p < points && int(starts.size()) < zn; ++p) {
        if (vec[2 * p + 1] & 1) {
            starts.push_back(start * 2);
            start = p + 1;
        }
    }
    // The first entry of a code in the table decides; a glyph that the stream
    // does not finish is not offered, so a drawer never runs off its end.
    for (int i = int(zn) - 1; i >= 0; --i) {
        if (i < int(starts.size())) startofcode[chss[i]] = starts[i];
        else startofcode[chss[i]] = -1;
    }
}

const unsigned char* find(unsigned short code) {
    const int start = startofcode[code];
    return start < 0 ? nullptr : stream + start;
}

unsigned generation() { return builds; }

}  // namespace glyphindex
