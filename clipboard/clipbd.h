// STUB until the filestore branch lands: the clipboard store.
#pragma once
class clipbd {
public:
    static constexpr unsigned long capacity = 2000000;
    unsigned char* clipbuf;
    unsigned long long cliplen = 0;
    explicit clipbd(const char* path = "//tmp//clip.txt");
    ~clipbd();
    bool setdata(const unsigned char* src, unsigned long n);
    unsigned char* getdata(unsigned long& n);
    void skipexitwrite() {}
};
extern clipbd clipboard;
unsigned char* getclipdata(unsigned long& n);
bool setclipdata(const unsigned char* src, unsigned long n);
