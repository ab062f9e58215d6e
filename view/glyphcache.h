// The pixels that a glyph lights at one cell size and drawing mode, recorded
// once from its stroke walk, so that drawing the glyph again is a stamp of
// pixel offsets rather than a walk of its strokes. Kept for the current font
// only and bounded in size.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/mybitmap.h"

// Offsets from the cell's top-left corner of every pixel a glyph leaves: the
// first pencount are left in the pen colour, the rest red (strokes of the
// two-colour mode).
struct glyphpixels {
    std::vector<pixeloffset> offsets;
    size_t pencount = 0;
};

namespace glyphcache {

// The pixels kept under key, or null.
const glyphpixels* find(uint64_t key);
// Keeps pixels under key and returns the kept copy; may first forget every
// glyph kept so far to stay within its bound.
const glyphpixels& store(uint64_t key, glyphpixels pixels);
void clear();

// Drawing uses the cache only while it is enabled (the default); benchmarks
// and tests switch it off to draw every glyph by walking its strokes.
void setenabled(bool on);
bool enabled();

}  // namespace glyphcache
