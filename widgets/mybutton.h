// A framed button with a centred label, and the row of function-key buttons.
#pragma once
#include "widgets/amyview.h"

class mybutton : public myview {
public:
    static constexpr int textsize = 50;
    char text[textsize] = {};
    int fontsize = gcharwidth;
    bool pressed = false;
    bool clicked = false;

    mybutton() : myview(0, 0, 1, 1) {}
    virtual ~mybutton() = default;

    void addtext(const char* label);
    bool hit(int x, int y);
    bool tryclick2(int x, int y);  // hit test with a short flash
    bool tryclick(int x, int y);   // hit test that toggles pressed
    virtual void draw();
};

class buttongroup final : public amyview {
public:
    static constexpr int maxbuttons = 100;
    mybutton* buttons[maxbuttons] = {};
    int buttoncount = 0;

    buttongroup() = default;
    ~buttongroup();
    buttongroup(const buttongroup&) = delete;
    buttongroup& operator=(const buttongroup&) = delete;

    void addbutton(const char* label);
    void resetwidth(int screenwidth);
    bool keymouse(int type, int a, int b, int c, int d, int e) override;
    void draw() override;

private:
    static void place(mybutton* button, int index, int unit);
};
