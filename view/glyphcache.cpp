#include "view/glyphcache.h"

#include <unordered_map>
#include <utility>

#include "font/glyphindex.h"

namespace glyphcache {
namespace {

// About 4 MB of offsets: far more than one screen of distinct characters needs.
constexpr size_t maxoffsets = size_t(1) << 20;

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
    if (keptoffsets + n > maxoffsets) clear();
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
