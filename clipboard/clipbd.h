// The clipboard store: one byte buffer holding the last copied or cut text,
// written to its file at each copy or cut and read from it again when another
// run has changed it, so that copied text survives between runs and every
// run pastes the latest copy of any run.
#pragma once

#include "storage/savefile.h"

class clipbd {
public:
    static constexpr unsigned long capacity = 2000000;
    static constexpr unsigned long pathsize = 4096;

    unsigned char* clipbuf;          // capacity bytes, owned
    unsigned long long cliplen = 0;  // valid bytes at the start of clipbuf
    int writeerror = 0;              // errno of the last copy's failed file write; 0 when written

    // Loads the file at path; nullptr keeps the store in memory only, with no
    // file read or written.
    explicit clipbd(const char* path = "//tmp//clip.txt");
    ~clipbd();
    clipbd(const clipbd&) = delete;
    clipbd& operator=(const clipbd&) = delete;

    // Copies n bytes from src (which may lie inside clipbuf) and writes them
    // to the file, unless it is not one this process may replace (see
    // clipbd.cpp). More than capacity bytes, or no bytes to copy from, leave
    // the store unchanged (false). The bytes are held even when the file
    // could not be written: writeerror says why.
    bool setdata(const unsigned char* src, unsigned long n);
    // The store keeps ownership; the bytes are valid until the next setdata
    // or getdata. They are read from the file again first when it changed
    // since this run last read or wrote it.
    unsigned char* getdata(unsigned long& n);
    // Leaves the file alone from here on (runs that only print help).
    void skipexitwrite();
    const char* path() const { return filepath; }

private:
    char filepath[pathsize] = {};  // empty: memory only
    fileidentity seen;             // the file as this run last read or wrote it

    void load();
    void store();
};

// The program's one store. Each program defines it: the editor with the real
// file, tests and tools with clipbd clipboard(nullptr) or a path of their own.
extern clipbd clipboard;

unsigned char* getclipdata(unsigned long& n);
bool setclipdata(const unsigned char* src, unsigned long n);
