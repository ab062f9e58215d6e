// Placeholder until the generated font lands: an empty font.
#include "view/ku500.h"

const unsigned char ttu[1] = {0};
const int ttunumber = 0;
const unsigned short zzhi[1] = {0};
const int zzhinumber = 0;
