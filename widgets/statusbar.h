// The status line at the top of the screen, the one way messages reach the
// user: format into publicbuffer, then show it with dispmsg.
#pragma once
#include "view/myview.h"

constexpr int publicbuffersize = 10000;
extern char publicbuffer[publicbuffersize];

extern myview* statebar;

// Clears the status bar and shows one line of GB2312/GBK text in it.
void dispmsg(const char* text);
