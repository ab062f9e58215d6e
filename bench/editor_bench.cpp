// The work behind one key with the real window, editor and input method, the
// frame written to a memory-backed file so that its copy is real.
//   cmake --build build --target zheditbench && ./build/bench/zheditbench --benchmark_filter=editor
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "app/startup.h"
#include "app/textsize.h"
#include "bench/prose.h"
#include "editor/editview.h"

namespace {

using clockused = std::chrono::steady_clock;

// The whole screen of the program at one size and its default text size, on
// a memory-backed "device".
struct screen {
    amybitmapwin* window;
    editview* editor;
    screen(int width, int height, const std::string& text) {
        setgcharwidth(defaulttextsize(width, height));
        window = new amybitmapwin(width, height);
        window->fd = memfd_create("frame", 0);
        if (ftruncate(window->fd, off_t(width) * height * 4) != 0) std::perror("ftruncate");
        mymapwin = window;
        commandline none;
        none.file = commandline::nofile;
        buildscreen(window, none);
        showfirstscreen(window);
        editor = window->peditview;
        editor->loadtext(reinterpret_cast<const unsigned char*>(text.data()), text.size());
        window->draw();
    }
    ~screen() {
        teardownscreen(window);
        delete window;
        mymapwin = nullptr;
    }
    void character(int c) { window->keymouse(eventchar, c, 0, 0, 0, 0); }
};

// Where the cursor stands: near the start, in the middle, at the end.
void placecursor(editview& e, int where) {
    const int at = where == 0 ? std::min(e.contlth, 100) : where == 1 ? e.contlth / 2 : e.contlth;
    unsigned char* p = e.content + at;
    if (at > 0 && at < e.contlth && (e.ctrbytes[at] & istail)) --p;
    e.extendsel = false;
    e.setcur(p);
}

// Right arrow, from the key to the end of the frame write, beside the frame
// write alone measured in the same run.
void BM_editorkeytoframe(benchmark::State& state) {
    screen s(int(state.range(0)), int(state.range(1)), prose(200000));
    double keytoframe = 0, framewrite = 0;
    for (auto _ : state) {
        if (s.editor->curline >= s.editor->rownumber - 1) s.editor->setcur(s.editor->content);
        auto t0 = clockused::now();
        s.window->OnKeyDown(0x435B1B, 0, 0);
        s.window->draw();
        auto t1 = clockused::now();
        s.window->draw();
        auto t2 = clockused::now();
        const double key = std::chrono::duration<double>(t1 - t0).count();
        keytoframe += key;
        framewrite += std::chrono::duration<double>(t2 - t1).count();
        state.SetIterationTime(key);
    }
    state.counters["framewrite_ms"] = framewrite * 1000 / double(state.iterations());
    state.counters["ratio"] = keytoframe / framewrite;
}

// One ASCII and one Chinese character typed (three character events), frame
// copy excluded; the two characters are taken out again untimed.
void BM_editortyping(benchmark::State& state) {
    const int size = int(state.range(0)), where = int(state.range(1));
    const bool oneparagraph = state.range(2) != 0;
    std::string text = prose(size_t(size));
    if (oneparagraph)
        for (char& c : text)
            if (c == '\n') c = ' ';
    screen s(1920, 1080, text);
    placecursor(*s.editor, where);
    for (auto _ : state) {
        s.character('a');
        s.character(-42);  // 中
        s.character(-48);
        state.PauseTiming();
        s.window->keymouse(eventchar, 8, 0, 0, 0, 0);
        s.window->keymouse(eventchar, 8, 0, 0, 0, 0);
        state.ResumeTiming();
    }
}

void BM_editorredraw(benchmark::State& state) {
    screen s(1920, 1080, prose(100000));
    for (auto _ : state) {
        s.editor->draw();
        benchmark::ClobberMemory();
    }
}

void BM_dodraw(benchmark::State& state) {
    screen s(int(state.range(0)), int(state.range(1)), prose(100000));
    for (auto _ : state) s.window->dodraw();
}

// From nothing to the first frame: the window, the views, the file read and
// laid out, and the start-up drawing.
void BM_startup(benchmark::State& state) {
    const int size = int(state.range(2));
    char name[] = "/tmp/zhedit-bench-XXXXXX";
    const int fd = mkstemp(name);
    const std::string text = prose(size_t(size));
    if (fd < 0 || write(fd, text.data(), text.size()) != ssize_t(text.size())) std::perror("bench file");
    close(fd);
    commandline line;
    line.file = commandline::namedfile;
    line.filename = name;
    for (auto _ : state) {
        auto* window = new amybitmapwin(int(state.range(0)), int(state.range(1)));
        window->fd = memfd_create("frame", 0);
        if (ftruncate(window->fd, off_t(window->w) * window->h * 4) != 0) std::perror("ftruncate");
        mymapwin = window;
        buildscreen(window, line);
        showfirstscreen(window);
        state.PauseTiming();
        teardownscreen(window);
        delete window;
        mymapwin = nullptr;
        state.ResumeTiming();
    }
    unlink(name);
}

}  // namespace

BENCHMARK(BM_editorkeytoframe)
    ->Args({1024, 768})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_editortyping)
    ->ArgsProduct({{1000, 100000, 990000}, {0, 1, 2}, {0}})
    ->Args({990000, 0, 1})
    ->Args({990000, 1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_editorredraw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_dodraw)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_startup)
    ->Args({1024, 768, 0})
    ->Args({1920, 1080, 0})
    ->Args({1024, 768, 990000})
    ->Args({1920, 1080, 990000})
    ->Unit(benchmark::kMillisecond);
