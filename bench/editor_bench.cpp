// The editor's work behind one key on a 1920x1080 screen.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/amybitmapwin.h"
#include "bench/prose.h"
#include "editor/editview.h"
#include "widgets/statusbar.h"

namespace {

struct editorscreen {
    amybitmapwin window{1920, 1080};
    myview bar{0, 0, 1920, gcharwidth * 30 / 24};
    editview editor;
    explicit editorscreen(const std::string& text) {
        mymapwin = &window;
        myview::pmymap = &window.bmp;
        statebar = &bar;
        editor.redstrokes = true;
        editor.init();
        editor.loadtext(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    }
};

void BM_editorredraw(benchmark::State& state) {
    editorscreen s(prose(100000));
    for (auto _ : state) {
        s.editor.draw();
        benchmark::ClobberMemory();
    }
}

void BM_rightarrow(benchmark::State& state) {
    editorscreen s(prose(100000));
    for (auto _ : state) {
        if (s.editor.curline >= s.editor.rownumber - 1) s.editor.setcur(s.editor.content);
        s.editor.keymouse(eventkeydown, 39, 0, 0, 0, 0);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_editorredraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_rightarrow)->Unit(benchmark::kMillisecond);
