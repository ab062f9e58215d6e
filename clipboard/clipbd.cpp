#include "clipboard/clipbd.h"
#include <cstring>
clipbd::clipbd(const char*) : clipbuf(new unsigned char[capacity]) {}
clipbd::~clipbd() { delete[] clipbuf; }
bool clipbd::setdata(const unsigned char* src, unsigned long n) {
    if (n > capacity) return false;
    std::memcpy(clipbuf, src, n); cliplen = n; return true;
}
unsigned char* clipbd::getdata(unsigned long& n) { n = (unsigned long)cliplen; return clipbuf; }
unsigned char* getclipdata(unsigned long& n) { return clipboard.getdata(n); }
bool setclipdata(const unsigned char* src, unsigned long n) { return clipboard.setdata(src, n); }
