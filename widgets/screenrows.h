// The rows of the screen, top to bottom, in one place: the status bar, the
// function-key buttons, the input method's bar with its candidate selectors,
// and the editor from below them to the bottom of the screen. Every edge is
// a multiple of the base character size, gcharwidth * k / 24 truncated; the
// comments give the pixels at gcharwidth 24.
#pragma once
#include "view/myview.h"

// The top and bottom coordinates of one row of views.
struct screenrow {
    int top;
    int bottom;
};

inline screenrow statusbarrow() { return {0, gcharwidth * 30 / 24}; }                    // 0 to 30
inline screenrow buttonrow() { return {gcharwidth * 32 / 24, gcharwidth * 60 / 24}; }    // 32 to 60
inline screenrow inputbarrow() { return {gcharwidth * 62 / 24, gcharwidth * 88 / 24}; }  // 62 to 88
// The candidate selectors reach a little above and below the bar they show in.
inline screenrow selectorrow() { return {gcharwidth * 60 / 24, gcharwidth * 90 / 24}; }  // 60 to 90
// The editor goes on from here to the bottom of the screen. It and its cells
// can be asked for at another text size than the run's.
inline int editortop(int size = gcharwidth) { return size * 90 / 24; }  // 90
// A column is half a character wide, a line 30/24 of one high.
inline int editorcellwidth(int size = gcharwidth) { return size / 2; }          // 12
inline int editorlineheight(int size = gcharwidth) { return size * 30 / 24; }  // 30
// The editor is of use when at least one text row and this many columns fit
// below the bars; the rightmost column holds the scroll mark.
constexpr int editormincolumns = 20;
inline bool editorfits(int screenwidth, int screenheight, int size = gcharwidth) {
    return (screenheight - editortop(size)) / editorlineheight(size) >= 1 &&
           screenwidth / editorcellwidth(size) - 1 >= editormincolumns;
}
// The text offset in the bars: one pixel at 24.
inline int textinset() { return gcharwidth / 24; }
