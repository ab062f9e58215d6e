// The application window: the framebuffer window with a table of views, the
// event router and the full redraw. It turns terminal key codes into events,
// describes each event in the status line and offers it to the views in
// registration order until one consumes it; Ctrl-L redraws every view.
#pragma once
#include <cstdint>

#include "graphics/mybitmapwin.h"
#include "widgets/amyview.h"
#include "widgets/selectview.h"

class buttongroup;
class pyinput;
class editview;

class amybitmapwin : public mybitmapwin {
public:
    static constexpr int maxviews = 100;
    amyview* views[maxviews] = {};
    int viewcount = 0;
    myview* pstatebar = nullptr;
    buttongroup* pbuttons = nullptr;
    pyinput* ppyinput = nullptr;
    editview* peditview = nullptr;
    amyview* pmodal = nullptr;  // a popup that takes every event first
    selectview fontsel;         // the font-choice list

    amybitmapwin();                        // on the framebuffer device
    amybitmapwin(int width, int height);   // off-screen, for tests and tools
    ~amybitmapwin() override = default;

    void addview(amyview* v);
    void dodraw();
    // One key code from the key reader: printable ASCII goes to the input
    // method as a character, anything else through the key table; then what
    // the key drew is copied to the screen.
    void deliver(int64_t code);
    virtual bool keymouse(int type, int a, int b, int c, int d, int e);
    void OnKeyDown(unsigned int codelow, unsigned int codehigh, unsigned int flags);
    void OnChar(unsigned int ch, unsigned int rep, unsigned int flags);
    void OnKeyUp() {}
    void resetpara() {}

private:
    void setupfontlist();
    bool describe(int type, int a, int b);
};

extern amybitmapwin* mymapwin;

// Key codes that end the program.
constexpr int64_t keycodef7 = 0x7E38315B1B;
constexpr int64_t keycodef8 = 0x7E39315B1B;
