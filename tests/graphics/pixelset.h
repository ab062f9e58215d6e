// The pixels of a bitmap that hold one colour, as a set of points, for
// drawing tests that assert on exactly which pixels were lit.
#pragma once
#include <set>
#include <utility>

#include "graphics/mybitmap.h"

using points = std::set<std::pair<int, int>>;

inline points pixelsof(const mybitmap& b, mycolor c) {
    points out;
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            if (b.getpixel(x, y) == c) out.insert({x, y});
    return out;
}
