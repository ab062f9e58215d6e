#include "editor/lineends.h"

void lineendcount::feed(const unsigned char* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (bytes[i] == '\n') ++(aftercr ? crlf : lf);
        aftercr = bytes[i] == '\r';
    }
}

lineendform lineendcount::form() const { return lf > 0 && lf >= crlf ? lineendform::lf : lineendform::crlf; }

// No byte of a GBK or UTF-8 character is a CR or LF: the bytes are scanned one by one.
void applylineends(std::string& bytes, lineendform form) {
    if (form != lineendform::lf) return;
    size_t out = 0;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) bytes[out++] = bytes[i];
    bytes.resize(out);
}
