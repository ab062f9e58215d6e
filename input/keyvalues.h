// The values keys travel as in events, for every sender and receiver: the key
// values of key-down events (the numbers of the Windows virtual-key codes the
// window manager turns terminal keys into, and the control keys the editor
// answers, which keep their byte) and the character codes of the control
// characters that travel as character events.
#pragma once

enum keyvalue {
    keyenter = 13,
    keyshift = 16,  // with rightshiftscancode: F1 or F2, for the input method
    keyescape = 27,
    keypageup = 33,
    keypagedown = 34,
    keyend = 35,
    keyhome = 36,
    keyleft = 37,
    keyup = 38,
    keyright = 39,
    keydown = 40,
    keydelete = 46,
    keyf3 = 114,
    keyf4 = 115,
    keyf5 = 116,
    keyf6 = 117,
    keyf7 = 118,
    keyf8 = 119,
    keycontrolc = 3,
    keycontrolf = 6,
    keycontrolo = 15,
    keycontrols = 19,
    keycontrolv = 22,
    keycontrolx = 24,
    keycontroly = 25,
    keycontrolz = 26,
};

// The keyboard scan code of the right Shift key, sent with keyshift.
constexpr int rightshiftscancode = 54;

// Character codes of the control characters among character events.
constexpr int characterbackspace = 8;
constexpr int charactertab = 9;
constexpr int charactercarriagereturn = 13;
