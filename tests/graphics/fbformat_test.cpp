#include "graphics/fbformat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fuzz/fbformatfuzz.h"

namespace {

// Device memory in a vector; records every write the copy makes.
struct memdevice {
    std::vector<uint8_t> mem;
    struct span {
        long long offset;
        size_t count;
        const unsigned char* from;
    };
    std::vector<span> writes;
    int failat = -1;  // this write (counted from 0) fails

    explicit memdevice(size_t bytes) : mem(bytes, 0xAA) {}

    static bool put(void* context, long long offset, const unsigned char* bytes, size_t count) {
        auto* d = static_cast<memdevice*>(context);
        if (int(d->writes.size()) == d->failat) return false;
        d->writes.push_back({offset, count, bytes});
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

fbformat format32(int w, int h) {
    fbformat f;
    f.width = w;
    f.height = h;
    f.linelength = w * 4;
    f.virtualheight = h;
    return f;
}

fbformat withfields(fbformat f, int bits, fbfield r, fbfield g, fbfield b, fbfield t = {0, 0}) {
    f.bitsperpixel = bits;
    f.linelength = f.width * bits / 8;
    f.red = r;
    f.green = g;
    f.blue = b;
    f.transp = t;
    return f;
}

// A bitmap whose pixels all differ, so a misplaced pixel shows.
void fillpattern(mybitmap& b) {
    for (int y = 0; y < b.height; ++y)
        for (int x = 0; x < b.width; ++x)
            b.setpixel(x, y, mycolor((unsigned char)(x * 37 + y), (unsigned char)(y * 53 + x * 3), unsigned(x * 11 + y * 7)));
}

// The device pixel the conversion must give: each channel's top bits in its field.
uint32_t expected(const fbformat& f, mycolor c) {
    auto put = [](unsigned char v, fbfield fl) -> uint32_t {
        return fl.length == 0 ? 0 : uint32_t(v >> (8 - fl.length)) << fl.offset;
    };
    return put(c.red, f.red) | put(c.green, f.green) | put(c.blue, f.blue) | put(c.alpha, f.transp);
}

TEST(FbFormat, PlainDeviceGetsTheBitmapBytesInOneWriteAtZero) {
    mybitmap b(37, 11);
    fillpattern(b);
    fbformat f = format32(37, 11);
    ASSERT_TRUE(f.bitmaporder() && f.contiguous());
    memdevice d(37 * 11 * 4);
    ASSERT_TRUE(copytodevice(b, f, nullptr, memdevice::put, &d));
    ASSERT_EQ(d.writes.size(), 1u);
    EXPECT_EQ(d.writes[0].offset, 0);
    EXPECT_EQ(d.writes[0].count, size_t(37 * 11 * 4));
    EXPECT_EQ(d.writes[0].from, b.pbuf) << "the bitmap itself, not a copy";
    EXPECT_TRUE(std::equal(d.mem.begin(), d.mem.end(), b.pbuf));
}

// Known colours in every depth and field order a device reports, each
// channel cut to its top bits: the last colour has bits below the cut.
TEST(FbFormat, ConvertsKnownColoursToEachLayout) {
    const mycolor black(0, 0, 0), white(255, 255, 255), yellow(255, 255, 0), red(255, 0, 0),
        grey(128, 128, 128), lowbits(0x0F, 0x07, 0x1F);
    const mycolor colours[] = {black, white, yellow, red, grey, lowbits};
    struct layout {
        const char* name;
        int bits;
        fbfield r, g, b, t;
        uint32_t want[6];
    };
    const layout layouts[] = {
        {"RGB565", 16, {11, 5}, {5, 6}, {0, 5}, {0, 0}, {0x0000, 0xFFFF, 0xFFE0, 0xF800, 0x8410, 0x0823}},
        {"BGR565", 16, {0, 5}, {5, 6}, {11, 5}, {0, 0}, {0x0000, 0xFFFF, 0x07FF, 0x001F, 0x8410, 0x1821}},
        {"RGB555", 16, {10, 5}, {5, 5}, {0, 5}, {0, 0}, {0x0000, 0x7FFF, 0x7FE0, 0x7C00, 0x4210, 0x0403}},
        {"BGR555", 16, {0, 5}, {5, 5}, {10, 5}, {0, 0}, {0x0000, 0x7FFF, 0x03FF, 0x001F, 0x4210, 0x0C01}},
        {"BGR24", 24, {16, 8}, {8, 8}, {0, 8}, {0, 0}, {0x000000, 0xFFFFFF, 0xFFFF00, 0xFF0000, 0x808080, 0x0F071F}},
        {"RGB24", 24, {0, 8}, {8, 8}, {16, 8}, {0, 0}, {0x000000, 0xFFFFFF, 0x00FFFF, 0x0000FF, 0x808080, 0x1F070F}},
        {"RGBA32", 32, {0, 8}, {8, 8}, {16, 8}, {24, 8},
         {0xFF000000, 0xFFFFFFFF, 0xFF00FFFF, 0xFF0000FF, 0xFF808080, 0xFF1F070F}},
        {"RGBX32", 32, {0, 8}, {8, 8}, {16, 8}, {0, 0}, {0, 0xFFFFFF, 0x00FFFF, 0x0000FF, 0x808080, 0x1F070F}},
    };
    for (const layout& l : layouts) {
        SCOPED_TRACE(l.name);
        mybitmap b(6, 1);
        for (int i = 0; i < 6; ++i) b.setpixel(i, 0, colours[i]);
        fbformat f = withfields(format32(6, 1), l.bits, l.r, l.g, l.b, l.t);
        ASSERT_TRUE(f.supported());
        EXPECT_FALSE(f.bitmaporder());
        std::vector<unsigned char> staging(f.stagingsize());
        memdevice d(size_t(f.linelength));
        ASSERT_TRUE(copytodevice(b, f, staging.data(), memdevice::put, &d));
        EXPECT_EQ(d.writes.size(), 1u) << "rows without gaps go in one write";
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(d.at(size_t(i * f.bytesperpixel()), f.bytesperpixel()), l.want[i]) << "colour " << i;
            EXPECT_EQ(l.want[i], expected(f, colours[i])) << "the table agrees with the rule, colour " << i;
        }
    }
}

// Rows longer than the visible width: one write per row at its line, the
// padding left alone.
TEST(FbFormat, PaddedRowsGoOneWritePerRow) {
    const int w = 13, h = 7;
    mybitmap b(w, h);
    fillpattern(b);
    for (int bits : {32, 16}) {
        SCOPED_TRACE(bits);
        fbformat f = bits == 32 ? format32(w, h) : withfields(format32(w, h), 16, {11, 5}, {5, 6}, {0, 5});
        const int bpp = f.bytesperpixel();
        f.linelength = w * bpp + 10;
        ASSERT_TRUE(f.supported());
        ASSERT_FALSE(f.contiguous());
        std::vector<unsigned char> staging(f.stagingsize());
        memdevice d(size_t(f.linelength) * h);
        ASSERT_TRUE(copytodevice(b, f, staging.data(), memdevice::put, &d));
        EXPECT_EQ(d.writes.size(), size_t(h));
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(d.at(size_t(y * f.linelength + x * bpp), bpp), expected(f, b.getpixel(x, y)))
                    << x << "," << y;
            for (int p = w * bpp; p < f.linelength; ++p) ASSERT_EQ(d.mem[size_t(y * f.linelength + p)], 0xAA);
        }
    }
}

// A panned screen shows from (xoffset, yoffset) of the virtual screen: only
// that area is written.
TEST(FbFormat, PanningOffsetPlacesTheVisibleArea) {
    const int w = 9, h = 5, vw = 14, vh = 12;
    mybitmap b(w, h);
    fillpattern(b);
    fbformat f = withfields(format32(w, h), 16, {11, 5}, {5, 6}, {0, 5});
    f.linelength = vw * 2;
    f.virtualheight = vh;
    f.xoffset = 3;
    f.yoffset = 4;
    ASSERT_TRUE(f.supported());
    std::vector<unsigned char> staging(f.stagingsize());
    memdevice d(size_t(f.linelength) * vh);
    ASSERT_TRUE(copytodevice(b, f, staging.data(), memdevice::put, &d));
    for (int vy = 0; vy < vh; ++vy)
        for (int vx = 0; vx < vw; ++vx) {
            const size_t at = size_t(vy * f.linelength + vx * 2);
            const int x = vx - 3, y = vy - 4;
            if (x >= 0 && x < w && y >= 0 && y < h)
                ASSERT_EQ(d.at(at, 2), expected(f, b.getpixel(x, y))) << x << "," << y;
            else
                ASSERT_EQ(d.at(at, 2), 0xAAAAu) << "outside the visible area at " << vx << "," << vy;
        }

    // Panned only downwards, the rows still follow each other: one write.
    fbformat down = format32(w, h);
    down.yoffset = 6;
    down.virtualheight = vh;
    memdevice d2(size_t(down.linelength) * vh);
    ASSERT_TRUE(copytodevice(b, down, nullptr, memdevice::put, &d2));
    ASSERT_EQ(d2.writes.size(), 1u);
    EXPECT_EQ(d2.writes[0].offset, 6LL * w * 4);

    // Wrapping vertically, the rows past the virtual screen start at its top.
    fbformat wrap = down;
    wrap.ywrap = true;
    wrap.yoffset = vh - 2;
    EXPECT_FALSE(wrap.contiguous());
    EXPECT_EQ(wrap.rowoffset(1), (long long)(vh - 1) * w * 4);
    EXPECT_EQ(wrap.rowoffset(2), 0);
    memdevice d3(size_t(wrap.linelength) * vh);
    ASSERT_TRUE(copytodevice(b, wrap, nullptr, memdevice::put, &d3));
    EXPECT_EQ(d3.at(0, 4), b.getpixel(0, 2).value());
}

TEST(FbFormat, OnlyDepthsAndFieldsItCanFillAreSupported) {
    struct kind {
        const char* name;
        int bits;
        fbfield r, g, b;
        int extraline;
        bool ok;
    };
    const kind kinds[] = {
        {"32 BGR", 32, {16, 8}, {8, 8}, {0, 8}, 0, true},
        {"24 BGR", 24, {16, 8}, {8, 8}, {0, 8}, 0, true},
        {"16 RGB565", 16, {11, 5}, {5, 6}, {0, 5}, 0, true},
        {"8 pseudo-colour", 8, {0, 8}, {0, 8}, {0, 8}, 0, false},
        {"1 monochrome", 1, {0, 1}, {0, 1}, {0, 1}, 0, false},
        {"15 bits", 15, {10, 5}, {5, 5}, {0, 5}, 0, false},
        {"10-bit channels", 32, {20, 10}, {10, 10}, {0, 10}, 0, false},
        {"field past the pixel", 16, {12, 5}, {5, 6}, {0, 5}, 0, false},
        {"no green", 16, {11, 5}, {5, 0}, {0, 5}, 0, false},
        {"rows too short", 32, {16, 8}, {8, 8}, {0, 8}, -4, false},
    };
    for (const kind& k : kinds) {
        SCOPED_TRACE(k.name);
        fbformat f = format32(100, 50);
        f.bitsperpixel = k.bits;
        f.red = k.r;
        f.green = k.g;
        f.blue = k.b;
        f.linelength = 100 * k.bits / 8 + k.extraline;
        EXPECT_EQ(f.supported(), k.ok);
    }
    fbformat panned = format32(100, 50);
    panned.xoffset = 1;
    EXPECT_FALSE(panned.supported()) << "the visible area runs past the row";
}

TEST(FbFormat, ReadsTheDeviceInformation) {
    fb_fix_screeninfo fixed{};
    fb_var_screeninfo var{};
    var.xres = 640;
    var.yres = 480;
    var.xres_virtual = 648;
    var.yres_virtual = 960;
    var.xoffset = 8;
    var.yoffset = 480;
    var.bits_per_pixel = 16;
    var.red = {11, 5, 0};
    var.green = {5, 6, 0};
    var.blue = {0, 5, 0};
    var.vmode = FB_VMODE_YWRAP;
    fbformat f = fbformat::fromdevice(fixed, var);
    EXPECT_EQ(f.linelength, 648 * 2) << "no line length given: rows of the virtual width";
    fixed.line_length = 1400;
    f = fbformat::fromdevice(fixed, var);
    EXPECT_EQ(f.width, 640);
    EXPECT_EQ(f.height, 480);
    EXPECT_EQ(f.linelength, 1400);
    EXPECT_EQ(f.xoffset, 8);
    EXPECT_EQ(f.yoffset, 480);
    EXPECT_EQ(f.virtualheight, 960);
    EXPECT_TRUE(f.ywrap);
    EXPECT_EQ(f.red.offset, 11);
    EXPECT_EQ(f.green.length, 6);
    EXPECT_TRUE(f.supported());
    EXPECT_EQ(f.rowoffset(0), 480LL * 1400 + 16);
}

TEST(FbFormat, StopsAtAFailedWriteAndRefusesAMismatchedBitmap) {
    mybitmap b(8, 6);
    fbformat f = format32(8, 6);
    f.linelength = 40;
    memdevice d(40 * 6);
    d.failat = 2;
    EXPECT_FALSE(copytodevice(b, f, nullptr, memdevice::put, &d));
    EXPECT_EQ(d.writes.size(), 2u);

    fbformat other = format32(9, 6);
    memdevice d2(9 * 6 * 4);
    EXPECT_FALSE(copytodevice(b, other, nullptr, memdevice::put, &d2));
    EXPECT_TRUE(d2.writes.empty());
    fbformat needsstaging = withfields(format32(8, 6), 16, {11, 5}, {5, 6}, {0, 5});
    EXPECT_FALSE(copytodevice(b, needsstaging, nullptr, memdevice::put, &d2));
    EXPECT_TRUE(d2.writes.empty());
}

// The fuzz target's checks over random screen information, skewed towards
// the depths and fields devices report so that most of it is supported.
TEST(FbFormat, RandomDeviceInformationIsCopiedInBounds) {
    std::mt19937 random(4242);
    auto pick = [&](uint32_t n) { return uint32_t(random() % n); };
    int supported = 0;
    for (int i = 0; i < 3000; ++i) {
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
        for (fb_bitfield* f : {&var.red, &var.green, &var.blue, &var.transp}) {
            f->length = pick(10);
            f->offset = pick(var.bits_per_pixel + 2);
        }
        fixed.line_length = pick(3) == 0 ? 0 : var.xres_virtual * var.bits_per_pixel / 8 + pick(3) * pick(16);
        unsigned char bytes[sizeof fixed + sizeof var];
        std::memcpy(bytes, &fixed, sizeof fixed);
        std::memcpy(bytes + sizeof fixed, &var, sizeof var);
        checkfbformat(bytes, sizeof bytes);
        supported += fbformat::fromdevice(fixed, var).supported();
    }
    EXPECT_GT(supported, 200) << "too few supported formats to tell anything";
}

}  // namespace
