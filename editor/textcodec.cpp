#include "editor/textcodec.h"

#include <iconv.h>

#include <cstring>

namespace textcodec {

namespace {

// The two iconv conversions, opened once on first use. Both encodings are
// stateless, so a handle needs no reset between characters.
struct converters {
    iconv_t togbk;
    iconv_t toutf8;
    converters() : togbk(iconv_open("GBK", "UTF-8")), toutf8(iconv_open("UTF-8", "GBK")) {}
    ~converters() {
        if (togbk != iconv_t(-1)) iconv_close(togbk);
        if (toutf8 != iconv_t(-1)) iconv_close(toutf8);
    }
    converters(const converters&) = delete;
    converters& operator=(const converters&) = delete;
};

const converters& iconvs() {
    static const converters handles;
    return handles;
}

// Converts one character of inlength bytes with cd into out (room for
// outroom bytes); returns the bytes written, or -1 when iconv refuses it,
// leaves input behind, or replaces it by something else.
int convertone(iconv_t cd, const unsigned char* in, size_t inlength, unsigned char* out, size_t outroom) {
    char source[4];
    if (cd == iconv_t(-1) || inlength > sizeof source) return -1;
    std::memcpy(source, in, inlength);
    char* inpos = source;
    size_t inleft = inlength;
    char* outpos = reinterpret_cast<char*>(out);
    size_t outleft = outroom;
    const size_t result = iconv(cd, &inpos, &inleft, &outpos, &outleft);
    if (result != 0 || inleft != 0) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return -1;
    }
    return int(outroom - outleft);
}

// The GBK pair of a UTF-8 character of 2 to 4 bytes, when the editor can hold
// it: exactly two bytes, both 0x80 or above. Anything else (glibc gives the
// euro sign as the single byte 0x80 and some characters as nothing) is not.
bool heldpair(const unsigned char* sequence, int length, unsigned char pair[2]) {
    unsigned char gbk[8];
    const int got = convertone(iconvs().togbk, sequence, size_t(length), gbk, sizeof gbk);
    if (got != 2 || gbk[0] < 0x80 || gbk[1] < 0x80) return false;
    pair[0] = gbk[0];
    pair[1] = gbk[1];
    return true;
}

// The UTF-8 form of a GBK pair: exactly one well-formed character, or
// nothing (-1). A pair can come back as two characters (0x80 read as the
// euro sign, then the second byte on its own): that is no form of the pair.
int pairutf8(const unsigned char pair[2], unsigned char out[8]) {
    const int got = convertone(iconvs().toutf8, pair, 2, out, 8);
    if (got <= 0 || sequenceat(out, size_t(got)) != got) return -1;
    return got;
}

void noteplaceholder(conversion& state) {
    if (state.replaced == 0) state.firstline = state.line;
    ++state.replaced;
}

// ASCII is the same byte in both encodings; a line feed starts the next line.
void copyascii(unsigned char c, unsigned char* out, size_t& written, conversion& state) {
    out[written++] = c;
    if (c == '\n') ++state.line;
}

bool startswithbom(const unsigned char* data, size_t n) {
    return n >= 3 && std::memcmp(data, bom, 3) == 0;
}

// Bytes of editor text one UTF-8 character of the given length becomes.
size_t editorbytes(unsigned char first, int length) {
    if (length > 1) return 2;
    if (first == '\r') return 0;
    if (first == '\n') return 2;
    return 1;
}

constexpr size_t chunksize = 4096;

}  // namespace

int sequenceat(const unsigned char* data, size_t n) {
    if (n == 0) return -1;
    const unsigned char lead = data[0];
    if (lead < 0x80) return 1;
    int length;
    unsigned char low = 0x80;   // the range of the second byte; later ones are always 80..BF
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;    // below: overlong
        if (lead == 0xED) high = 0x9F;   // above: surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;    // below: overlong
        if (lead == 0xF4) high = 0x8F;   // above: beyond U+10FFFF
    } else {
        return 0;   // a continuation byte, an overlong lead C0/C1, or F5..FF
    }
    for (int i = 1; i < length; ++i) {
        if (size_t(i) >= n) return -1;
        const unsigned char c = data[i];
        if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return 0;
    }
    return length;
}

utf8scan scanutf8(const unsigned char* data, size_t n, bool moremayfollow) {
    utf8scan scan;
    scan.hasbom = startswithbom(data, n);
    size_t pos = 0;
    while (pos < n) {
        if (data[pos] < 0x80) {
            ++pos;
            continue;
        }
        const int length = sequenceat(data + pos, n - pos);
        if (length <= 0) {
            scan.valid = length < 0 && moremayfollow;
            break;
        }
        scan.hashigh = true;
        pos += size_t(length);
    }
    scan.wholelength = pos;
    return scan;
}

size_t utf8fit(const unsigned char* data, size_t n, size_t capacity) {
    size_t pos = startswithbom(data, n) ? 3 : 0;
    size_t used = 0;
    while (pos < n) {
        const int length = sequenceat(data + pos, n - pos);
        if (length <= 0) break;
        const size_t cost = editorbytes(data[pos], length);
        if (cost > capacity - used) break;
        used += cost;
        pos += size_t(length);
    }
    return pos;
}

size_t utf8togbk(const unsigned char* in, size_t n, bool atend,
                 unsigned char* out, size_t cap, size_t& written, conversion& state) {
    size_t pos = 0;
    written = 0;
    if (!state.started) {
        // A short start that could still become a byte-order mark waits for more.
        if (!atend && n < 3 && (n == 0 || std::memcmp(in, bom, n) == 0)) return 0;
        if (startswithbom(in, n)) {
            state.hasbom = true;
            pos = 3;
        }
        state.started = true;
    }
    while (pos < n && written < cap) {
        const unsigned char first = in[pos];
        if (first < 0x80) {
            copyascii(first, out, written, state);
            ++pos;
            continue;
        }
        const int length = sequenceat(in + pos, n - pos);
        if (length < 0 && !atend) break;
        if (length <= 0) {   // not UTF-8: one '?' per byte keeps the output no longer than the input
            noteplaceholder(state);
            out[written++] = '?';
            ++pos;
            continue;
        }
        if (cap - written < 2) break;
        if (!heldpair(in + pos, length, out + written)) {
            noteplaceholder(state);
            out[written] = placeholder[0];
            out[written + 1] = placeholder[1];
        }
        written += 2;
        pos += size_t(length);
    }
    return pos;
}

size_t gbktoutf8(const unsigned char* in, size_t n, bool atend,
                 unsigned char* out, size_t cap, size_t& written, conversion& state) {
    written = 0;
    if (!state.started) {
        if (state.hasbom) {
            if (cap < 3) return 0;
            std::memcpy(out, bom, 3);
            written = 3;
        }
        state.started = true;
    }
    size_t pos = 0;
    while (pos < n && written < cap) {
        const unsigned char first = in[pos];
        if (first < 0x80) {
            copyascii(first, out, written, state);
            ++pos;
            continue;
        }
        const bool whole = pos + 1 < n;   // the trail byte is there
        if (!whole && !atend) break;
        unsigned char utf8[8];
        const int got = whole ? pairutf8(in + pos, utf8) : -1;
        const size_t length = got > 0 ? size_t(got) : sizeof replacement;
        if (cap - written < length) break;
        if (got <= 0) noteplaceholder(state);
        std::memcpy(out + written, got > 0 ? utf8 : replacement, length);
        written += length;
        pos += whole ? 2 : 1;
    }
    return pos;
}

namespace {

using conversionstep = size_t (*)(const unsigned char*, size_t, bool, unsigned char*, size_t, size_t&,
                                  conversion&);

// Runs a chunked conversion over a whole text, appending to out.
void convertwhole(conversionstep step, const unsigned char* in, size_t n, conversion& state, std::string& out) {
    unsigned char chunk[chunksize];
    size_t pos = 0;
    do {
        size_t written = 0;
        const size_t taken = step(in + pos, n - pos, true, chunk, sizeof chunk, written, state);
        out.append(reinterpret_cast<const char*>(chunk), written);
        pos += taken;
        if (taken == 0 && written == 0) break;
    } while (pos < n);
}

}  // namespace

conversion utf8togbk(const unsigned char* in, size_t n, std::string& out) {
    conversion state;
    convertwhole(utf8togbk, in, n, state, out);
    return state;
}

conversion gbktoutf8(const unsigned char* in, size_t n, bool withbom, std::string& out) {
    conversion state;
    state.hasbom = withbom;
    convertwhole(gbktoutf8, in, n, state, out);
    return state;
}

bool available() {
    return iconvs().togbk != iconv_t(-1) && iconvs().toutf8 != iconv_t(-1);
}

}  // namespace textcodec
