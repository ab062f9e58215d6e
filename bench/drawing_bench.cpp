// Drawing speed: the work behind one key on a large screen.
//   cmake -S . -B build && cmake --build build --target zheditbench
//   ./build/bench/zheditbench
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "view/myview.h"

namespace {

constexpr int screenwidth = 1920, screenheight = 1080;

// Rows of common hanzi filling a screen of 24-pixel cells.
std::vector<std::string> screenofhanzi() {
    std::vector<std::string> rows;
    int code = 0;
    for (int y = 0; y < screenheight / gcharwidth; ++y) {
        std::string row;
        for (int x = 0; x < screenwidth / gcharwidth; ++x, ++code) {
            row += char(0xB0 + (code / 94) % 40);
            row += char(0xA1 + code % 94);
        }
        rows.push_back(row);
    }
    return rows;
}

void drawscreen(benchmark::State& state, bool redstrokes) {
    mybitmap bitmap(screenwidth, screenheight);
    myview::pmymap = &bitmap;
    myview view(0, 0, screenwidth - 1, screenheight - 1);
    view.redstrokes = redstrokes;
    const std::vector<std::string> rows = screenofhanzi();
    for (auto _ : state) {
        for (size_t y = 0; y < rows.size(); ++y) view.drawtext(0, int(y) * gcharwidth, rows[y].c_str(), gcharwidth, 0);
        benchmark::ClobberMemory();
    }
    state.counters["chars"] = double(rows.size() * rows[0].size() / 2);
}

void BM_fullscreenofhanzi(benchmark::State& state) { drawscreen(state, false); }
void BM_fullscreenofhanzi_twocolour(benchmark::State& state) { drawscreen(state, true); }

void BM_clearscreen(benchmark::State& state) {
    mybitmap bitmap(screenwidth, screenheight);
    for (auto _ : state) {
        bitmap.clear(mycolor(255, 255, 0));
        benchmark::ClobberMemory();
    }
}

void BM_fillview(benchmark::State& state) {
    mybitmap bitmap(screenwidth, screenheight);
    myview::pmymap = &bitmap;
    myview view(0, 90, screenwidth, screenheight);
    for (auto _ : state) {
        view.clear();
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_fullscreenofhanzi)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fullscreenofhanzi_twocolour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_clearscreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fillview)->Unit(benchmark::kMillisecond);
