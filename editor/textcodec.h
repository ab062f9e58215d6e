// Converts between UTF-8 files and the editor's GBK text: decides which bytes
// read from a file are a UTF-8 text, turns UTF-8 into GBK on loading and GBK
// back into UTF-8 on saving, through the C library's iconv, one character at a
// time into bounded buffers.
//
// Loading: scanutf8 over the bytes read (moremayfollow when the file is
// longer); for a UTF-8 text, utf8fit on the whole part gives the cut that
// fits the text, utf8togbk converts it, and the file is loaded whole only
// when the cut is its size. Saving: gbktoutf8 with the mark the load found;
// conversion.replaced and firstline name what could not be written.
#pragma once
#include <cstddef>
#include <string>

namespace textcodec {

// The encoding a file is read and written in.
enum encodingkind {
    automatic,  // found from the file's bytes
    utf8,       // forced to UTF-8
    gbk,        // forced to GBK
};

// Stands in for a character the editor cannot hold: the GETA MARK 〓 (A1 FE),
// the typesetter's sign for a character that cannot be set. It is rare in
// running text, so it is not mistaken for a real character the way a
// full-width question mark would be; the built-in font has it; both bytes are
// 0x80 or above, so the editor keeps it as one character; and it takes two
// bytes, never more than the UTF-8 character it replaces.
constexpr unsigned char placeholder[2] = {0xA1, 0xFE};
// U+FFFD in UTF-8: written for a GBK pair that has no UTF-8 form.
constexpr unsigned char replacement[3] = {0xEF, 0xBF, 0xBD};
// The byte-order mark in UTF-8.
constexpr unsigned char bom[3] = {0xEF, 0xBB, 0xBF};

// What a look over bytes read from a file found.
struct utf8scan {
    // Every sequence is well formed: no stray or missing continuation byte,
    // no overlong form, no surrogate, nothing above U+10FFFF. An unfinished
    // sequence at the very end counts as well formed when more bytes may
    // follow and the bytes so far can still begin a well-formed one.
    bool valid = true;
    bool hashigh = false;     // a byte of 0x80 or above among the whole sequences
    bool hasbom = false;      // the bytes start with a byte-order mark
    size_t wholelength = 0;   // the longest prefix that ends on a whole sequence and is well formed
};

// Looks over n bytes; moremayfollow says that the bytes are the start of a
// longer file (a read cut short), so an unfinished last sequence is no fault.
utf8scan scanutf8(const unsigned char* data, size_t n, bool moremayfollow);

// A UTF-8 text: well formed throughout with at least one byte of 0x80 or
// above (a byte-order mark counts). Plain ASCII is left to the GBK path.
inline bool isutf8text(const utf8scan& scan) { return scan.valid && scan.hashigh; }

// The length (1 to 4) of the well-formed sequence that starts at data, 0 when
// the bytes there are not well formed, -1 when the n bytes there are a
// well-formed start cut short.
int sequenceat(const unsigned char* data, size_t n);

// How many bytes from the start of well-formed UTF-8 make at most capacity
// bytes of editor text once converted and given CR LF line ends: a leading
// byte-order mark and CR take none (CR LF becomes CR LF, a lone CR is
// dropped), LF takes two, other ASCII one, every other character two (held
// or placeholder). Always ends on a whole sequence and stops at the first
// fault.
size_t utf8fit(const unsigned char* data, size_t n, size_t capacity);

// Running totals of one conversion, carried from one chunk to the next.
struct conversion {
    long line = 1;           // file line at the current position (counted from 1; each LF starts the next)
    long replaced = 0;       // characters written as the placeholder (to GBK) or as U+FFFD (to UTF-8)
    long firstline = 0;      // file line of the first of them; 0 when there is none
    bool hasbom = false;     // to GBK: a leading byte-order mark was taken off; to UTF-8: write one first
    bool started = false;    // some input has been taken (a byte-order mark only counts at the start)
};

// UTF-8 to GBK. Takes whole characters from in while their GBK form fits in
// the cap bytes at out; returns the bytes taken and sets written. A character
// is held when it is ASCII or iconv gives exactly two bytes for it, both 0x80
// or above; any other becomes the placeholder and is counted. A leading
// byte-order mark is taken off and noted in state. Bytes that are not well
// formed UTF-8 become '?' each and are counted too. An unfinished sequence at
// the end is left for the next call unless atend. The output is never longer
// than the input taken.
size_t utf8togbk(const unsigned char* in, size_t n, bool atend,
                 unsigned char* out, size_t cap, size_t& written, conversion& state);

// GBK to UTF-8, as the editor splits its text: a byte below 0x80 is copied,
// any other starts a two-byte pair that iconv converts on its own (a whole
// buffer would be misread: glibc takes a lead byte 0x80 as the one-byte euro
// sign). A pair without a UTF-8 form, or a lead byte with nothing after it at
// the end, becomes U+FFFD and is counted. Writes the byte-order mark first
// when state.hasbom asks for it. Takes whole characters while they fit in cap
// bytes; returns the bytes taken and sets written. A lead byte at the end is
// left for the next call unless atend.
size_t gbktoutf8(const unsigned char* in, size_t n, bool atend,
                 unsigned char* out, size_t cap, size_t& written, conversion& state);

// The same for a whole text, appended to out in bounded chunks.
conversion utf8togbk(const unsigned char* in, size_t n, std::string& out);
conversion gbktoutf8(const unsigned char* in, size_t n, bool withbom, std::string& out);

// Whether iconv offers both conversions. Without them no character beyond
// ASCII is held and every pair becomes U+FFFD, so the loader should keep
// such files as GBK.
bool available();

}  // namespace textcodec
