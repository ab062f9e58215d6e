// A boxed popup list of up to nine short entries under a title, chosen with a
// pointer press. The window manager keeps one as its font-choice list.
#pragma once
#include "widgets/amyview.h"

class selectview : public amyview {
public:
    static constexpr int slotsize = 10;      // 9 bytes and a terminator
    static constexpr int maxentries = 9;
    char (*selects)[slotsize];              // slot 0 the title, 1..9 the entries
    int selcount = 0;
    int selbase = 10000;
    int selected = 0;                        // selbase + row of the last choice, 0 for none

    selectview();
    ~selectview();
    selectview(const selectview&) = delete;
    selectview& operator=(const selectview&) = delete;

    void setselects(const char* title, const char* e1 = nullptr, const char* e2 = nullptr,
                    const char* e3 = nullptr, const char* e4 = nullptr, const char* e5 = nullptr,
                    const char* e6 = nullptr, const char* e7 = nullptr, const char* e8 = nullptr,
                    const char* e9 = nullptr);
    bool keymouse(int type, int a, int b, int c, int d, int e) override;
    void draw() override;
    // Puts the list at its place for the text size, moved up and left as far
    // as a small screen needs (the constructor does; start-up again once the
    // size and the screen are known).
    void place(int screenwidth, int screenheight);
};
