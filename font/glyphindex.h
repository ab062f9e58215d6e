// Finds the glyph of a character code in the current font in constant time.
// Built once when a font is installed; gives the same glyph as searching the
// code table from the front and counting glyph ends through the stroke stream.
#pragma once

namespace glyphindex {

void build(const unsigned char* vec, int vennum, const unsigned short* chss, unsigned short zn);

// Start of the glyph for a code, or null when the font has none.
const unsigned char* find(unsigned short code);

// Counts the fonts installed so far, so that what is kept about the glyphs of
// one font (their pixels at a size) is not taken for another's.
unsigned generation();

}  // namespace glyphindex
