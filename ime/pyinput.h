// The built-in Chinese input method: a view that sees every printable
// character before the editor. In pinyin or wubi mode it collects typed
// letters into a code, searches the dictionaries after every change and
// offers numbered candidates in two selectors; a digit or space commits one.
// Everything it does not use goes on to the window manager, with ASCII
// punctuation turned into full-width Chinese forms while that switch is on.
#pragma once
#include <cstdint>
#include <string>

#include "widgets/amyview.h"
#include "widgets/digiselview.h"

class pyinput : public amyview {
public:
    static constexpr int codesize = 200;   // bytes of the code buffer
    static constexpr int pagesize = 6;     // characters on one pinyin page
    static constexpr int maxpinyin = 7;    // letters of a pinyin code
    static constexpr int maxwubi = 5;      // letters of a wubi code

    enum inputmode { english = 0, pinyin = 1, wubi = 2 };

    // The next ASCII double (single) quote opens a quotation: the marks
    // alternate between opening and closing over the whole run.
    static bool isleftsy;
    static bool isleftdy;

    int charsize = gcharwidth;  // glyph width of the bar's labels, set by draw

    // The dictionaries, as the searches read them.
    const unsigned char (*zhitab)[2];
    int zhicount;
    const unsigned char (*pytab)[8];
    const unsigned char (*wbtab)[8];
    const int* pyidx;
    const int* wbidx;
    const unsigned char* chitext;
    int chicount;
    const int* chiidx;
    const unsigned char (*chiwb)[8];
    const int* freqorder;   // phrase suggestions, most frequent first
    const int* freqstart;
    const int* freqbychar;

    char* code;            // the typed letters; the first 8 bytes are a code slot
    int zhipos = 0;        // pinyin row where the next forward page starts
    int chipos = 0;        // where the phrase suggestions go on (see frequentphrases)
    int pageidx = 0;       // rotating index into pagezhi for the phrase scan
    uint16_t* pagezhi;     // the characters of the page, lead byte in the low half
    bool quanjiao = true;  // full-width punctuation
    int mode = pinyin;
    int lastmode = pinyin;  // the Chinese mode F1 goes back to
    digiselview* zhisel;    // candidates 0 to 5
    digiselview* chisel;    // candidates 6 to 9
    int pagefirst = 0;      // pinyin row in slot 0 of the page on show
    // Which phrases slots 6 to 9 suggest: the most frequent ones that start
    // with a character of the page (chipos counts those already passed), or,
    // when false, the first ones in dictionary order (chipos is an entry).
    bool frequentphrases = true;
    int chishown = 0;       // frequent phrases the last suggestion placed

    pyinput();
    virtual ~pyinput();  // deleted as itself when a screen is torn down (tools, benchmarks)
    pyinput(const pyinput&) = delete;
    pyinput& operator=(const pyinput&) = delete;

    void readcode() {}
    void reset();
    bool keymouse(int type, int a, int b, int c, int d, int e) override;
    // Draws the bar, unless it shows this already: the mode, width, code and
    // candidates are those it last drew and no other view has drawn over its
    // rows since (or wholeviews).
    void draw() override;
    // A prompt for a file name opens in English at half width (F1 still
    // switches to Chinese) and, as it closes, the modes from before come
    // back. Either gives up a code being typed.
    void holdenglish();
    void releaseenglish();

    // Candidate search (pysearch.cpp).
    bool wbcode(int k, const char*& text, int& len);
    int chinum(int p) const;
    void search(bool forward);
    void search1(bool forward);
    bool searchwb(bool forward);

    // The two bytes that ASCII character c (32 to 126) becomes at full width.
    static const unsigned char* fullwidth(int c);

private:
    int codelength() const;
    void endcomposition();
    uint64_t codekey() const;
    bool typeletter(int type, int a, int b, int c, int d, int e);
    bool backspace(int type, int a, int b, int c, int d, int e);
    bool searchagain(int type, int b, int c, int d, int e);
    bool pagekey(bool forward);
    bool clicklabel(int x, int y);
    void nextmode();
    void switchwidth();
    bool offer(int type, int a, int b, int c, int d, int e);
    bool passon(int type, int a, int b, int c, int d, int e);

    void scanforward(uint64_t key, uint64_t mask);
    void scanbackward(uint64_t key, uint64_t mask);
    void placecharacter(int row, int slot, bool remember);
    void phrasesforward();
    void phrasesbackward();
    void frequentfrom(int start);
    void placewubi(digiselview* sel, int slot, int p);

    struct modes {
        int mode, lastmode;
        bool quanjiao;
    };
    modes beforehold{};  // the modes holdenglish put aside
    bool holding = false;

    std::string showing() const;
    bool overdrawn() const;
    std::string shown;      // showing() at the last draw
    uint64_t drawnupto = 0;  // the bitmap's drawing period that ended with it
};

extern pyinput* pyinputview;
