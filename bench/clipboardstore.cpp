// The benchmarks' clipboard: in memory only, so that no run reads or rewrites
// the user's clipboard file.
#include "clipboard/clipbd.h"

clipbd clipboard(nullptr);
