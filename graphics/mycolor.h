// One pixel or pen colour: four bytes in memory order blue, green, red, alpha,
// also handled as one little-endian 32-bit value. Constructors take red first.
#pragma once
#include <cstdint>
#include <cstring>

struct mycolor {
    unsigned char blue;
    unsigned char green;
    unsigned char red;
    unsigned char alpha;

    mycolor() : blue(0), green(0), red(0), alpha(255) {}
    mycolor(unsigned char r, unsigned char g, unsigned int b)
        : blue(static_cast<unsigned char>(b & 0xFF)), green(g), red(r), alpha(255) {}
    mycolor(unsigned char r, unsigned char g, unsigned char b, unsigned char a)
        : blue(b), green(g), red(r), alpha(a) {}
    explicit mycolor(uint32_t v)
        : blue(v & 0xFF), green((v >> 8) & 0xFF), red((v >> 16) & 0xFF), alpha(v >> 24) {}

    uint32_t value() const {
        return uint32_t(blue) | uint32_t(green) << 8 | uint32_t(red) << 16 | uint32_t(alpha) << 24;
    }
    bool operator==(const mycolor& o) const { return value() == o.value(); }
    bool operator!=(const mycolor& o) const { return !(*this == o); }
};

static_assert(sizeof(mycolor) == 4, "a colour is exactly one 32-bit pixel");

// Stored pixels carry this alpha byte once blended (or cleared): a translucent
// colour then leaves them alone, so overlapping translucent strokes do not darken.
constexpr unsigned char blendedmark = 254;
