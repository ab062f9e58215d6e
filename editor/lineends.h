// The line ends a file is saved with. The editor holds every line end as
// CR LF; a file whose line ends on disk were mostly a bare LF (a shell
// script, a file from a Unix tool) gets LF line ends back when it is saved.
#pragma once
#include <cstddef>
#include <string>

enum class lineendform { crlf, lf };

// Counts the line ends of a file's bytes as they are read, in pieces.
struct lineendcount {
    long lf = 0;    // an LF alone
    long crlf = 0;  // CR LF
    bool aftercr = false;

    void feed(const unsigned char* bytes, size_t n);
    // LF when most line ends are, or as many as CR LF; CR LF otherwise and
    // for a file without a line end.
    lineendform form() const;
};

// Every CR LF of bytes becomes an LF for an LF file.
void applylineends(std::string& bytes, lineendform form);
