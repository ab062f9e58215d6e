// The clipboard store: one byte buffer holding the last copied or cut text,
// loaded from its file when the program starts and written back at normal exit,
// so that copied text survives between runs.
#pragma once

class clipbd {
public:
    static constexpr unsigned long capacity = 2000000;
    static constexpr unsigned long pathsize = 4096;

    unsigned char* clipbuf;          // capacity bytes, owned
    unsigned long long cliplen = 0;  // valid bytes at the start of clipbuf

    // Loads the file at path; nullptr keeps the store in memory only, with no
    // file read or written.
    explicit clipbd(const char* path = "//tmp//clip.txt");
    // Writes the file, unless skipexitwrite was called or the file is not
    // one this process may rewrite (see clipbd.cpp).
    ~clipbd();
    clipbd(const clipbd&) = delete;
    clipbd& operator=(const clipbd&) = delete;

    // Copies n bytes from src (which may lie inside clipbuf). More than
    // capacity bytes, or no bytes to copy from, leave the store unchanged.
    bool setdata(const unsigned char* src, unsigned long n);
    // The store keeps ownership; the bytes are valid until the next setdata.
    unsigned char* getdata(unsigned long& n);
    // Leaves the file as it was at exit (runs that only print help).
    void skipexitwrite();

private:
    char filepath[pathsize] = {};  // empty: memory only
    bool writeatexit = false;      // the file may be rewritten at exit

    void load();
    void store();
};

// The program's one store. Each program defines it: the editor with the real
// file, tests and tools with clipbd clipboard(nullptr) or a path of their own.
extern clipbd clipboard;

unsigned char* getclipdata(unsigned long& n);
bool setclipdata(const unsigned char* src, unsigned long n);
