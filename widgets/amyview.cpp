#include "widgets/amyview.h"

bool amyview::keymouse(int, int, int, int, int, int) { return false; }

void amyview::draw() {}
