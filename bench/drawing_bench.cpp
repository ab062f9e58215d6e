// Drawing speed: the work behind one key on a large screen. Text is drawn
// both ways: _strokes walks every glyph's strokes, _cached stamps the pixels
// the glyph cache keeps (the way the editor draws).
//   cmake -S . -B build -DZHEDIT_BENCHMARKS=ON && cmake --build build --target zheditbench
//   ./build/bench/zheditbench
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "view/glyphcache.h"
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

// Draws the rows on a whole screen, `pitch` pixels apart, with the glyph
// cache (warm: every glyph's pixels already kept) or by walking every glyph's
// strokes.
void drawrows(benchmark::State& state, const std::vector<std::string>& rows, int pitch, bool redstrokes,
              bool cache) {
    mybitmap bitmap(screenwidth, screenheight);
    myview::pmymap = &bitmap;
    myview view(0, 0, screenwidth - 1, screenheight - 1);
    view.redstrokes = redstrokes;
    glyphcache::setenabled(cache);
    size_t bytes = 0;
    for (const std::string& r : rows) bytes += r.size();
    for (auto _ : state) {
        for (size_t y = 0; y < rows.size(); ++y) view.drawtext(0, int(y) * pitch, rows[y].c_str(), gcharwidth, 0);
        benchmark::ClobberMemory();
    }
    glyphcache::setenabled(true);
    state.counters["bytes"] = double(bytes);
}

void drawscreen(benchmark::State& state, bool redstrokes, bool cache) {
    drawrows(state, screenofhanzi(), gcharwidth, redstrokes, cache);
}

// Lines as the editor shows them (24-pixel cells on a 30-pixel pitch) of
// Chinese prose with English words and ASCII punctuation, each line filling
// the screen's width.
std::vector<std::string> screenofmixedtext() {
    // 中文编辑器的每一个字 都由笔画画成， 如果有人输入了繁体字國 我们在屏幕上看到。
    // (GBK bytes; 國 is one of the added hanzi)
    const std::string chinese[] = {
        "\xD6\xD0\xCE\xC4\xB1\xE0\xBC\xAD\xC6\xF7\xB5\xC4\xC3\xBF\xD2\xBB\xB8\xF6\xD7\xD6",
        "\xB6\xBC\xD3\xC9\xB1\xCA\xBB\xAD\xBB\xAD\xB3\xC9\xA3\xAC",
        "\xC8\xE7\xB9\xFB\xD3\xD0\xC8\xCB\xCA\xE4\xC8\xEB\xC1\xCB\xB7\xB1\xCC\xE5\xD7\xD6\x87\xF8",
        "\xCE\xD2\xC3\xC7\xD4\xDA\xC6\xC1\xC4\xBB\xC9\xCF\xBF\xB4\xB5\xBD\xA1\xA3"};
    const std::string english[] = {" the stroke font ", " draws every glyph, ", " at 24 pixels; ", " 1920x1080 "};
    std::vector<std::string> rows;
    size_t piece = 0;
    for (int y = 0; y + gcharwidth <= screenheight; y += gcharwidth * 30 / 24) {
        std::string row;
        for (int columns = 0;;) {
            const std::string& next = piece % 2 ? english[(piece / 2) % 4] : chinese[(piece / 2) % 4];
            if (columns + int(next.size()) > screenwidth / (gcharwidth / 2)) break;
            row += next;
            columns += int(next.size());
            ++piece;
        }
        rows.push_back(row);
    }
    return rows;
}

void drawmixed(benchmark::State& state, bool redstrokes, bool cache) {
    drawrows(state, screenofmixedtext(), gcharwidth * 30 / 24, redstrokes, cache);
}

void BM_mixedscreen_strokes(benchmark::State& state) { drawmixed(state, false, false); }
void BM_mixedscreen_cached(benchmark::State& state) { drawmixed(state, false, true); }
void BM_mixedscreen_twocolour_strokes(benchmark::State& state) { drawmixed(state, true, false); }
void BM_mixedscreen_twocolour_cached(benchmark::State& state) { drawmixed(state, true, true); }

// A screen of 3200 distinct hanzi with the cache emptied first: the cost of
// keeping every glyph's pixels, paid once per size and mode.
void BM_hanziscreen_coldcache(benchmark::State& state) {
    mybitmap bitmap(screenwidth, screenheight);
    myview::pmymap = &bitmap;
    myview view(0, 0, screenwidth - 1, screenheight - 1);
    view.redstrokes = true;
    const std::vector<std::string> rows = screenofhanzi();
    for (auto _ : state) {
        glyphcache::clear();
        for (size_t y = 0; y < rows.size(); ++y) view.drawtext(0, int(y) * gcharwidth, rows[y].c_str(), gcharwidth, 0);
        benchmark::ClobberMemory();
    }
}

void BM_fullscreenofhanzi_strokes(benchmark::State& state) { drawscreen(state, false, false); }
void BM_fullscreenofhanzi_cached(benchmark::State& state) { drawscreen(state, false, true); }
void BM_fullscreenofhanzi_twocolour_strokes(benchmark::State& state) { drawscreen(state, true, false); }
void BM_fullscreenofhanzi_twocolour_cached(benchmark::State& state) { drawscreen(state, true, true); }

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

BENCHMARK(BM_mixedscreen_strokes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_mixedscreen_cached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_mixedscreen_twocolour_strokes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_mixedscreen_twocolour_cached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_hanziscreen_coldcache)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fullscreenofhanzi_strokes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fullscreenofhanzi_cached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fullscreenofhanzi_twocolour_strokes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fullscreenofhanzi_twocolour_cached)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_clearscreen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_fillview)->Unit(benchmark::kMillisecond);
