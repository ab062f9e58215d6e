// libFuzzer target for the normaliser and the editor's loader (built with clang only).
#include "app/amybitmapwin.h"
#include "clipboard/clipbd.h"
#include "tests/fuzz/loaderfuzz.h"
#include "widgets/statusbar.h"

clipbd clipboard(nullptr);

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static amybitmapwin* window = [] {
        auto* w = new amybitmapwin(640, 480);
        myview::pmymap = &w->bmp;
        statebar = new myview(0, 0, 640, 30);
        return w;
    }();
    static editview* editor = [] {
        auto* e = new editview;
        e->init();
        return e;
    }();
    (void)window;
    checknormaliser(data, size);
    checkloader(*editor, data, size);
    return 0;
}
