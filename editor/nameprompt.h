// The file name typed into the save prompt. The system's file names are
// UTF-8 and the screen shows GBK text, so every character of the name is
// kept twice: as it is shown, and as its own bytes on the file system. A
// name read from the system keeps the bytes of each character the user does
// not touch, even bytes that are not UTF-8 at all.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class nameprompt {
public:
    // Bytes of a name on the file system beyond which typing stops; far
    // above what a save takes, so that the save can say why it refuses.
    static constexpr size_t maxbytes = 4096;

    // Starts editing the name the file system knows as systemname, with the
    // cursor at its end.
    void start(const char* systemname);
    // Inserts one character before the cursor: an ASCII byte or a GBK pair
    // (n is 1 or 2). False when it is not taken: a control byte, a pair
    // without a UTF-8 form, or a name that would grow past maxbytes.
    bool insert(const unsigned char* gbk, int n);
    void backspace();  // the whole character before the cursor
    void left();
    void right();
    void home();
    void end();

    // The name as GBK text, with mark put where the cursor stands. When the
    // name up to the cursor would take more than width bytes (a byte is a
    // cell on the screen), whole characters at its start give way to an
    // ellipsis, so that the cursor stays in sight.
    std::string shown(const std::string& mark = "", size_t width = SIZE_MAX) const;
    // The name as the file system takes it.
    std::string systemname() const;
    size_t cursor() const { return at; }
    size_t length() const { return characters.size(); }

private:
    struct character {
        std::string shown;   // GBK bytes for the screen
        std::string name;    // bytes on the file system
    };
    std::vector<character> characters;
    size_t at = 0;  // characters before the cursor

    friend std::string shownname(const char* systemname);
    static std::vector<character> decode(const char* systemname);
};

// A name from the file system as GBK text for the status line: UTF-8
// characters converted, a character the editor cannot hold as the
// placeholder, bytes that are not UTF-8 as GBK where they make a pair, and
// any other byte (and a control byte) as '?'.
std::string shownname(const char* systemname);
