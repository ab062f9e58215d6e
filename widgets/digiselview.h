// The numbered candidate selector of the input method: a row of digit labels,
// each followed by one candidate's text. A digit (or a press on a candidate)
// sends the candidate's Chinese bytes to the window manager as character
// events, one per byte, and empties the selector.
#pragma once
#include "widgets/amyview.h"

class digiselview final : public amyview {
public:
    static constexpr int digisize = 200;   // bytes of digistr with its terminator
    static constexpr int labelarea = 180;  // the labels are looked for in these bytes
    static constexpr int slotcount = 10;   // the digits 0 to 9

    // True while candidates are on show and a digit or space chooses one;
    // shared by every selector and the input method.
    static bool waitsel;

    char* digistr;        // every label of the range followed by its candidate's text
    int rangfrom = 0;     // first digit of the range
    int rangto = 9;       // last digit of the range
    int charwidth = 12;   // preferred width of one byte of digistr on screen
    int drawwidth = 12;   // the byte width the last draw used
    int* charlens;        // byte length of each digit's candidate, 0 for none

    // The rectangle is taken as given, without reordering.
    digiselview(int left, int top, int right, int bottom);
    ~digiselview();
    digiselview(const digiselview&) = delete;
    digiselview& operator=(const digiselview&) = delete;

    void setrang(int from, int to);
    void reset();
    void setchar(int digit, const char* text, int len);
    bool keymouse(int type, int a, int b, int c, int d, int e) override;
    void draw() override;

    // The bytes of the candidate labelled with digit k (charlens[k] of them),
    // or null when k has no label.
    const char* candidate(int k) const;

private:
    int labelposition(int digit) const;
    int hitcandidate(int dx) const;
    void sendcandidate(int k);
};
