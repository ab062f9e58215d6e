// The text size of a run: every row, cell and glyph of the screen is drawn
// at it. --size asks for one, else the environment variable ZHEDIT_SIZE, else
// the screen's shorter side chooses.
#pragma once
#include <string>

// The size a text names: an even number of pixels from 12 to 96 in decimal
// digits; 0 when it names none.
int textsizevalue(const char* text);

// What asks for a size: the option's value (0 when not given) wins over the
// variable's (null or empty when not set), which is read only without it.
struct askedsize {
    int size = 0;       // 0 when nothing asks
    std::string error;  // what is wrong with the variable; empty when nothing is
};
askedsize askedtextsize(int option, const char* variable);

// The size a screen gets when nothing asks, by its shorter side.
int defaulttextsize(int screenwidth, int screenheight);

// The largest size at which the editor has room on a screen; 0 when none.
int largestfittingsize(int screenwidth, int screenheight);

// Start-up, before anything is built: the run's text size becomes the asked
// one or the screen's default. When the editor has no room at it, the
// terminal is restored, standard error says so and names the largest size
// that fits, and the program ends with exitstatus::screentoosmall.
void settextsizefor(int asked, int screenwidth, int screenheight);
