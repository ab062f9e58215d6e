#include "widgets/statusbar.h"

char publicbuffer[publicbuffersize];
myview* statebar = nullptr;

void dispmsg(const char* text) {
    if (!statebar) return;
    statebar->clear();
    statebar->drawtext(1, 1, text, gcharwidth, 0);
}
