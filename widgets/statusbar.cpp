#include "widgets/statusbar.h"

#include "widgets/screenrows.h"

char publicbuffer[publicbuffersize];
myview* statebar = nullptr;

void dispmsg(const char* text) {
    if (!statebar) return;
    statebar->clear();
    textclip clip(*statebar);  // a long message stops at the screen's edge
    statebar->drawtext(textinset(), textinset(), text, gcharwidth, 0);
}
