#include "view/glyphcache.h"

#include <unordered_map>
#include <utility>

#include "font/glyphindex.h"
#include "view/myview.h"

namespace glyphcache {
namespace {

// About 4 MB of offsets at the usual text size: far more than one screen of
// distinct characters needs. A glyph of larger text has more pixels, as many
// times more as the square of its brush width, and the bound grows with it.
size_t maxoffsets() {
    const size_t n = size_t(strokewidth());
    return (size_t(1) << 20) * n * n;
}

std::unordered_map<uint64_t, glyphpixels> kept;
size_t keptoffsets = 0;
unsigned fontgeneration = 0;
bool on = true;

// Glyph offsets in the stream belong to the font they were taken from.
void forgetotherfonts() {
    if (fontgeneration == glyphindex::generation()) return;
    clear();
    fontgeneration = glyphindex::generation();
}

}  // namespace

const glyphpixels* find(uint64_t key) {
    forgetotherfonts();
    const auto it = kept.find(key);
    return it == kept.end() ? nullptr : &it->second;
}

const glyphpixels& store(uint64_t key, glyphpixels pixels) {
    forgetotherfonts();
    const size_t n = pixels.offsets.size();
    if (keptoffsets + n > maxoffsets()) clear();
    keptoffsets += n;
    glyphpixels& slot = kept[key];
    keptoffsets -= slot.offsets.size();
    slot = std::move(pixels);
    return slot;
}

void clear() {
    kept.clear();
    keptoffsets = 0;
}

void setenabled(bool enable) { on = enable; }
bool enabled() { return on; }

}  // namespace glyphcache
