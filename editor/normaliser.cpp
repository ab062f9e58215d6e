#include "editor/normaliser.h"

#include <cstdlib>


namespace {

constexpr unsigned char cr = 0x0D, lf = 0x0A;

}  // namespace

normaliseresult normalise(const unsigned char* src, size_t n, bool atend, unsigned char* dst, size_t dstcapacity) {
    normaliseresult r;
    size_t i = 0, j = 0;
    while (i < n) {
        const unsigned char b = src[i];
        const bool havenext = i + 1 < n;
        if ((b == cr || b >= 0x80) && !havenext && !atend) break;  // wait for the byte after it
        unsigned char out[2];
        size_t outlength, inlength;
        if (b == cr) {
            if (havenext && src[i + 1] == lf) {
                out[0] = cr; out[1] = lf; outlength = 2; inlength = 2;
            } else {
                outlength = 0; inlength = 1;  // a CR that ends no line is dropped
                r.altered = true;
            }
        } else if (b == lf) {
            out[0] = cr; out[1] = lf; outlength = 2; inlength = 1;
        } else if (b >= 0x80) {
            if (havenext && src[i + 1] >= 0x80) {
                out[0] = b; out[1] = src[i + 1]; inlength = 2;
            } else {
                out[0] = b; out[1] = b; inlength = 1;  // a lone high byte becomes a whole character
                r.altered = true;
            }
            outlength = 2;
        } else {
            out[0] = b; outlength = 1; inlength = 1;
        }
        if (j + outlength > dstcapacity) {
            r.full = true;
            break;
        }
        for (size_t k = 0; k < outlength; ++k) dst[j + k] = out[k];
        j += outlength;
        i += inlength;
    }
    r.consumed = i;
    r.written = j;
    return r;
}

unsigned char* tfileter(const unsigned char* src, int n) {
    static unsigned char* res = nullptr;
    std::free(res);
    res = nullptr;
    if (n <= 0 || !src) return nullptr;
    const size_t capacity = size_t(n) * 2;
    res = static_cast<unsigned char*>(std::malloc(capacity + 1));
    if (!res) return nullptr;
    const normaliseresult r = normalise(src, size_t(n), true, res, capacity);
    res[r.written] = 0;
    return res;
}
