#include "graphics/fbformat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "fuzz/fbformatfuzz.h"

namespace {

// Device memory in a vector; records every write the copy makes.
struct memdevice {
    std::vector<uint8_t> mem;
    std::vector<std::pair<long long, const unsigned char*>> writes;  // offset, source
    int failat = -1;  // this write (counted from 0) fails

    explicit memdevice(size_t bytes) : mem(bytes, 0xAA) {}
    static bool put(void* context, long long offset, const unsigned char* bytes, size_t count) {
        auto* d = static_cast<memdevice*>(context);
        if (int(d->writes.size()) == d->failat) return false;
        d->writes.push_back({offset, bytes});
        if (offset < 0 || size_t(offset) + count > d->mem.size()) return false;
        std::copy(bytes, bytes + count, d->mem.begin() + offset);
        return true;
    }
    uint32_t at(size_t offset, int bytes) const {
        uint32_t v = 0;
        for (int b = 0; b < bytes; ++b) v |= uint32_t(mem.at(offset + size_t(b))) << (8 * b);
        return v;
    }
};

const fbfield bgr32[] = {{16, 8}, {8, 8}, {0, 8}, {24, 8}}, rgb565[] = {{11, 5}, {5, 6}, {0, 5}, {0, 0}};

fbformat format(int w, int h, int bits = 32, const fbfield* f = bgr32) {
    fbformat out;
    out.width = w;
    out.height = h;
    out.bitsperpixel = bits;
    out.linelength = w * bits / 8;
    out.virtualheight = h;
    out.red = f[0];
    out.green = f[1];
    out.blue = f[2];
    out.transp = f[3];
    return out;
}

// A bitmap whose pixels all differ, so a misplaced pixel shows.
void fillpattern(mybitmap& b) {
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            b.setpixel(x, y, mycolor((unsigned char)(x * 37 + y), (unsigned char)(y * 53 + x * 3), unsigned(x * 11 + y * 7)));
}

// The device pixel the conversion must give, bit by bit: bit i from the top
// of a field is bit i mod 8 from the top of its channel, so a narrow field
// keeps the top bits and a wide one repeats them (checked against known
// colours below).
uint32_t expected(const fbformat& f, mycolor c) {
    auto put = [](unsigned char v, fbfield fl) {
        uint32_t bits = 0;
        for (int i = 0; i < fl.length; ++i) bits = bits << 1 | ((v >> (7 - i % 8)) & 1u);
        return bits << fl.offset;
    };
    return put(c.red, f.red) | put(c.green, f.green) | put(c.blue, f.blue) | put(c.alpha, f.transp);
}

// A layout the device may report: 16, 24 or 32 bits, the three colour
// fields and maybe a transparency field, each 1 to 16 bits, in any order,
// inside the pixel and apart.
fbformat randomlayout(std::mt19937& random, int w, int h) {
    for (;;) {
        const int bits = 16 + 8 * int(random() % 3);
        fbfield fields[4] = {};
        uint64_t used = 0;
        bool apart = true;
        for (int k = 0; k < 3 + int(random() % 2); ++k) {
            const int length = 1 + int(random() % 16);
            fields[k] = {int(random() % unsigned(std::max(1, bits - length + 1))), length};
            const uint64_t mask = ((uint64_t(1) << length) - 1) << fields[k].offset;
            apart = apart && length <= bits && (used & mask) == 0;
            used |= mask;
        }
        if (apart) return format(w, h, bits, fields);
    }
}

TEST(fbformat, plaindevicegetsthebitmapbytesinonewriteatzero) {
    mybitmap b(37, 11);
    fillpattern(b);
    memdevice d(37 * 11 * 4);
    ASSERT_TRUE(copytodevice(b, format(37, 11), nullptr, memdevice::put, &d));
    ASSERT_EQ(d.writes.size(), 1u);
    EXPECT_EQ(d.writes[0].first, 0);
    EXPECT_EQ(d.writes[0].second, b.pbuf) << "the bitmap itself, not a copy";
    EXPECT_TRUE(std::equal(d.mem.begin(), d.mem.end(), b.pbuf));
}

// Known colours (black, white, yellow, red, grey and one with bits below the
// cut) in every depth and field order a device reports, then in random
// layouts within the rules against the reference.
TEST(fbformat, convertsknowncolourstoeachlayout) {
    const mycolor colours[] = {{0, 0, 0}, {255, 255, 255}, {255, 255, 0}, {255, 0, 0}, {128, 128, 128}, {0x0F, 0x07, 0x1F}};
    struct layout {
        const char* name;
        int bits;
        fbfield fields[4];
        uint32_t want[6];
    };
    const layout layouts[] = {
        {"RGB565", 16, {{11, 5}, {5, 6}, {0, 5}}, {0x0000, 0xFFFF, 0xFFE0, 0xF800, 0x8410, 0x0823}},
        {"BGR565", 16, {{0, 5}, {5, 6}, {11, 5}}, {0x0000, 0xFFFF, 0x07FF, 0x001F, 0x8410, 0x1821}},
        {"RGB555", 16, {{10, 5}, {5, 5}, {0, 5}}, {0x0000, 0x7FFF, 0x7FE0, 0x7C00, 0x4210, 0x0403}},
        {"BGR555", 16, {{0, 5}, {5, 5}, {10, 5}}, {0x0000, 0x7FFF, 0x03FF, 0x001F, 0x4210, 0x0C01}},
        {"BGR24", 24, {{16, 8}, {8, 8}, {0, 8}}, {0x000000, 0xFFFFFF, 0xFFFF00, 0xFF0000, 0x808080, 0x0F071F}},
        {"RGB24", 24, {{0, 8}, {8, 8}, {16, 8}}, {0x000000, 0xFFFFFF, 0x00FFFF, 0x0000FF, 0x808080, 0x1F070F}},
        {"RGBA32", 32, {{0, 8}, {8, 8}, {16, 8}, {24, 8}},
         {0xFF000000, 0xFFFFFFFF, 0xFF00FFFF, 0xFF0000FF, 0xFF808080, 0xFF1F070F}},
        {"RGBX32", 32, {{0, 8}, {8, 8}, {16, 8}}, {0, 0xFFFFFF, 0x00FFFF, 0x0000FF, 0x808080, 0x1F070F}},
        {"BGR10", 32, {{20, 10}, {10, 10}, {0, 10}, {30, 2}},
         {0xC0000000, 0xFFFFFFFF, 0xFFFFFC00, 0xFFF00000, 0xE0280A02, 0xC3C0707C}},
    };
    mybitmap b(6, 1);
    for (int i = 0; i < 6; ++i) b.setpixel(i, 0, colours[i]);
    std::mt19937 random(2121);
    const int known = int(std::size(layouts));
    for (int round = 0; round < known + 600; ++round) {
        const fbformat f = round < known ? format(6, 1, layouts[round].bits, layouts[round].fields)
                                         : randomlayout(random, 6, 1);
        SCOPED_TRACE(round < known ? layouts[round].name : f.description());
        ASSERT_EQ(f.problem(), "");
        std::vector<unsigned char> staging(f.stagingsize());
        memdevice d(size_t(f.linelength));
        ASSERT_TRUE(copytodevice(b, f, staging.data(), memdevice::put, &d));
        ASSERT_EQ(d.writes.size(), 1u) << "rows without gaps go in one write";
        for (int i = 0; i < 6; ++i) {
            ASSERT_EQ(d.at(size_t(i * f.bytesperpixel()), f.bytesperpixel()), expected(f, colours[i])) << i;
            ASSERT_TRUE(round >= known || layouts[round].want[i] == expected(f, colours[i])) << "colour " << i;
        }
    }
}

// Every visible pixel of a copy into device memory of vheight rows is in its
// place, and the rest is left alone.
void expectplaced(const mybitmap& b, const fbformat& f, const memdevice& d, int vheight) {
    const int bpp = f.bytesperpixel();
    for (int vy = 0; vy < vheight; ++vy)
        for (int vx = 0; vx < f.linelength / bpp; ++vx) {
            const int x = vx - f.xoffset, y = (vy - f.yoffset + vheight) % vheight;
            const uint32_t want = x >= 0 && x < b.width && y < b.height ? expected(f, b.getpixel(x, y))
                                                                        : (bpp == 2 ? 0xAAAAu : 0xAAAAAAAAu);
            ASSERT_EQ(d.at(size_t(vy * f.linelength + vx * bpp), bpp), want) << vx << "," << vy;
        }
}

// Rows longer than the visible width, and a screen panned to (x, y) of a
// larger virtual screen, wrapping to its top where the device says so, copied
// in two runs of rows: one write per row unless the rows follow each other,
// and nothing outside the visible area touched.
TEST(fbformat, placesthevisibleareainpaddedandpannedrows) {
    const int w = 9, h = 5;
    mybitmap b(w, h);
    fillpattern(b);
    struct layout {
        int bits, extraline, x, y, vheight;
        bool wrap;
        size_t writes;
    };
    for (const layout& l : {layout{32, 12, 0, 0, h, false, h}, layout{16, 10, 0, 0, h, false, h},
                            layout{32, 0, 0, 6, 12, false, 2}, layout{16, 10, 3, 4, 12, false, h},
                            layout{16, 0, 0, 10, 12, true, h}}) {
        fbformat f = l.bits == 32 ? format(w, h) : format(w, h, 16, rgb565);
        SCOPED_TRACE(std::to_string(l.bits) + " bits, at " + std::to_string(l.x) + "," + std::to_string(l.y));
        f.linelength += l.extraline;
        f.xoffset = l.x;
        f.yoffset = l.y;
        f.virtualheight = l.vheight;
        f.ywrap = l.wrap;
        ASSERT_TRUE(f.supported());
        std::vector<unsigned char> staging(f.stagingsize());
        memdevice d(size_t(f.linelength) * size_t(l.vheight));
        ASSERT_TRUE(copyrows(b, f, staging.data(), memdevice::put, &d, 0, 1));
        ASSERT_TRUE(copyrows(b, f, staging.data(), memdevice::put, &d, 2, h - 1));
        EXPECT_EQ(d.writes.size(), l.writes);
        expectplaced(b, f, d, l.vheight);
    }
}

TEST(fbformat, refuseswhatitcannotfill) {
    struct kind {
        int bits;
        fbfield fields[4];
        int extraline, xoffset;
        const char* problem;
    };
    const kind kinds[] = {
        {15, {{10, 5}, {5, 5}, {0, 5}}, 0, 0, "15 bits per pixel (the editor fills 16, 24 or 32)"},
        {24, {{16, 8}, {8, 0}, {0, 8}}, 0, 0, "the green field has length 0"},
        {32, {{16, 16}, {0, 17}, {8, 8}}, 0, 0, "the green field is wider than 16 bits"},
        {16, {{12, 5}, {5, 6}, {0, 5}}, 0, 0, "the red field lies outside the pixel"},
        {24, {{16, 8}, {8, 8}, {0, 8}, {24, 8}}, 0, 0, "the transparency field lies outside the pixel"},
        {32, {{16, 8}, {8, 9}, {0, 8}}, 0, 0, "the red and green fields overlap"},
        {32, {{20, 10}, {10, 10}, {0, 10}, {29, 3}}, 0, 0, "the red and transparency fields overlap"},
        {32, {{16, 8}, {8, 8}, {0, 8}}, -4, 0, "rows of 396 bytes, too short for 100 pixels from column 0"},
        {32, {{16, 8}, {8, 8}, {0, 8}}, 0, 1, "rows of 400 bytes, too short for 100 pixels from column 1"},
    };
    for (const kind& k : kinds) {
        fbformat f = format(100, 50, k.bits, k.fields);
        f.linelength += k.extraline;
        f.xoffset = k.xoffset;
        EXPECT_EQ(f.problem(), k.problem);
        EXPECT_FALSE(f.supported());
    }
    // No fields at all: blue, green, red, alpha at 32 bits, nothing at 24.
    fb_var_screeninfo var{};
    var.xres = var.yres = var.bits_per_pixel = 32;
    EXPECT_TRUE(fbformat::fromdevice({}, var).bitmaporder() && fbformat::fromdevice({}, var).transp.length == 8);
    var.bits_per_pixel = 24;
    EXPECT_EQ(fbformat::fromdevice({}, var).problem(), "the red field has length 0");
}

TEST(fbformat, stopsatafailedwriteandrefusesamismatchedbitmap) {
    mybitmap b(8, 6);
    fbformat f = format(8, 6);
    f.linelength = 40;
    memdevice d(40 * 6);
    d.failat = 2;
    EXPECT_FALSE(copytodevice(b, f, nullptr, memdevice::put, &d));
    EXPECT_EQ(d.writes.size(), 2u);

    memdevice d2(9 * 6 * 4);
    EXPECT_FALSE(copytodevice(b, format(9, 6), nullptr, memdevice::put, &d2));
    EXPECT_FALSE(copytodevice(b, format(8, 6, 16, rgb565), nullptr, memdevice::put, &d2)) << "no staging";
    EXPECT_FALSE(copyrows(b, format(8, 6), nullptr, memdevice::put, &d2, 4, 6)) << "past the last row";
    EXPECT_FALSE(copyrows(b, format(8, 6), nullptr, memdevice::put, &d2, 3, 2));
    EXPECT_TRUE(d2.writes.empty());
}

// The fuzz target's checks over random screen information, skewed towards
// the depths and fields devices report so that much of it is supported.
TEST(fbformat, randomdeviceinformationiscopiedinbounds) {
    std::mt19937 random(4242);
    auto pick = [&](uint32_t n) { return uint32_t(random() % n); };
    int supported = 0;
    for (int i = 0; i < 3000; ++i) {
        unsigned char bytes[sizeof(fb_fix_screeninfo) + sizeof(fb_var_screeninfo)] = {};
        fb_fix_screeninfo fixed{};
        fb_var_screeninfo var{};
        const uint32_t depths[] = {8, 16, 24, 32, pick(40)};
        var.bits_per_pixel = depths[pick(5)];
        var.xres = 1 + pick(63);
        var.yres = 1 + pick(63);
        var.xres_virtual = var.xres + pick(8);
        var.yres_virtual = pick(4) == 0 ? 0 : var.yres + pick(70);
        var.xoffset = pick(4) == 0 ? pick(10) : 0;
        var.yoffset = pick(3) == 0 ? pick(70) : 0;
        var.vmode = pick(4) == 0 ? FB_VMODE_YWRAP : 0;
        const fbformat layout = randomlayout(random, 1, 1);
        const fbfield* valid[] = {&layout.red, &layout.green, &layout.blue, &layout.transp};
        fb_bitfield* fields[] = {&var.red, &var.green, &var.blue, &var.transp};
        const bool sane = pick(2) == 0;  // a layout within the rules, or anything
        if (sane) var.bits_per_pixel = uint32_t(layout.bitsperpixel);
        for (int k = 0; k < 4; ++k)
            *fields[k] = sane ? fb_bitfield{uint32_t(valid[k]->offset), uint32_t(valid[k]->length), 0}
                              : fb_bitfield{pick(var.bits_per_pixel + 2), pick(18), 0};
        fixed.line_length = pick(3) == 0 ? 0 : var.xres_virtual * var.bits_per_pixel / 8 + pick(3) * pick(16);
        std::memcpy(bytes, &fixed, sizeof fixed);
        std::memcpy(bytes + sizeof fixed, &var, sizeof var);
        checkfbformat(bytes, sizeof bytes);
        supported += fbformat::fromdevice(fixed, var).supported();
    }
    EXPECT_GT(supported, 200) << "too few supported formats to tell anything";
}

}  // namespace
