// The work behind one key with the real window, editor and input method, the
// frame written to a memory-backed file so that its copy is real.
//   cmake --build build --target zheditbench && ./build/bench/zheditbench --benchmark_filter=editor
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

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

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + long(v.size() / 2), v.end());
    return v[v.size() / 2];
}

double since(clockused::time_point t) { return std::chrono::duration<double, std::milli>(clockused::now() - t).count(); }

// The start of an empty display line near the top of the view: a letter typed
// there changes that line only.
unsigned char* emptyline(editview& e) {
    for (int line = 1; line + 1 < e.rownumber && line + 1 < e.linenumber; ++line)
        if (e.content[e.linestart[line]] == '\r') return e.content + e.linestart[line];
    return e.content;
}

// From the key to the end of the device copy in the 990,000-byte text, with
// the copy of the whole frame measured in the same run: a Right arrow that
// does not scroll (range 2: 0), or a letter typed into a short line, taken
// out again untimed (range 2: 1). Medians of the iterations, in ms.
void BM_keytocopy(benchmark::State& state) {
    screen s(int(state.range(0)), int(state.range(1)), prose(990000));
    const bool letter = state.range(2) != 0;
    s.window->deliver(0x504F1B);  // F1: English, letters go straight to the text
    s.editor->setcur(letter ? emptyline(*s.editor) : s.editor->content);
    s.window->dodraw();
    std::vector<double> keys, wholes;
    for (auto _ : state) {
        if (!letter && s.editor->curline >= s.editor->rownumber - 1) s.editor->setcur(s.editor->content);
        auto t0 = clockused::now();
        s.window->deliver(letter ? 'a' : 0x435B1B);  // the key, and the copy of what it drew
        const double key = since(t0);
        auto t1 = clockused::now();
        s.window->drawwhole();
        const double whole = since(t1);
        keys.push_back(key);
        wholes.push_back(whole);
        state.SetIterationTime(key / 1000);
        if (letter) s.window->deliver(127);  // Backspace
    }
    state.counters["key_ms"] = median(keys);
    state.counters["wholecopy_ms"] = median(wholes);
    state.counters["ratio"] = median(keys) / median(wholes);
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

// The whole editor view drawn, as it is when it scrolls.
void BM_editorredraw(benchmark::State& state) {
    screen s(1920, 1080, prose(100000));
    myview::wholeviews = true;
    for (auto _ : state) {
        s.editor->draw();
        benchmark::ClobberMemory();
    }
    myview::wholeviews = false;
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

BENCHMARK(BM_keytocopy)
    ->ArgsProduct({{1024}, {768}, {0, 1}})
    ->ArgsProduct({{1920}, {1080}, {0, 1}})
    ->ArgsProduct({{3840}, {2160}, {0, 1}})
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
