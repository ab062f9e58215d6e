// The input method's work behind one key, from the key to the redrawn input
// bar: search, phrase suggestions and both candidate selectors drawn (the
// copy to the framebuffer is not included).
//   ./build/bench/zheditbench --benchmark_filter=letter
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "app/amybitmapwin.h"
#include "ime/pyinput.h"
#include "widgets/statusbar.h"

namespace {

// The input method on a window of the size the benchmark's arguments give.
struct imescreen {
    amybitmapwin win;
    pyinput ime;
    explicit imescreen(const benchmark::State& state) : win(int(state.range(0)), int(state.range(1))) {
        mymapwin = &win;
        myview::pmymap = &win.bmp;
        statebar = nullptr;
        pyinputview = &ime;
        // The bar is drawn after every key, as it is when a key changes it:
        // the same code typed again would find it showing that already.
        myview::wholeviews = true;
    }
    ~imescreen() {
        myview::wholeviews = false;
        pyinputview = nullptr;
        mymapwin = nullptr;
    }
};

// The typed code before the key and the letter that completes it.
void typeletter(benchmark::State& state, int mode, const std::string& before, char letter,
                bool frequentphrases = true) {
    imescreen s(state);
    pyinput& ime = s.ime;
    ime.mode = mode;
    ime.frequentphrases = frequentphrases;
    for (auto _ : state) {
        std::memset(ime.code, 0, 8);
        std::memcpy(ime.code, before.data(), before.size());
        ime.keymouse(eventchar, letter, 0, 0, 0, 0);
        benchmark::ClobberMemory();
    }
    if (std::strlen(ime.code) != before.size() + 1) state.SkipWithError("the letter did not extend the code");
}

// Pinyin: the first letter of a code, a letter in the middle of one and
// the one that completes a common syllable.
void BM_pinyinletter_a(benchmark::State& state) { typeletter(state, pyinput::pinyin, "", 'a'); }
void BM_pinyinletter_zhon_g(benchmark::State& state) { typeletter(state, pyinput::pinyin, "zhon", 'g'); }
void BM_pinyinletter_sh_i(benchmark::State& state) { typeletter(state, pyinput::pinyin, "sh", 'i'); }
void BM_pinyinletter_q_u(benchmark::State& state) { typeletter(state, pyinput::pinyin, "q", 'u'); }
// The same with the phrases in dictionary order, found by a scan.
void BM_pinyinletter_a_dictionaryorder(benchmark::State& state) { typeletter(state, pyinput::pinyin, "", 'a', false); }
void BM_pinyinletter_zhon_g_dictionaryorder(benchmark::State& state) {
    typeletter(state, pyinput::pinyin, "zhon", 'g', false);
}
// Wubi: a letter that completes a 4-letter code with several entries.
void BM_wubiletter_aaa_a(benchmark::State& state) { typeletter(state, pyinput::wubi, "aaa", 'a'); }
void BM_wubiletter_khk_h(benchmark::State& state) { typeletter(state, pyinput::wubi, "khk", 'h'); }

// A page key: '.' shows the next page of "shi" (several dozen characters),
// the code typed again untimed whenever the pages run out.
void BM_pinyinpagekey(benchmark::State& state) {
    imescreen s(state);
    pyinput& ime = s.ime;
    ime.mode = pyinput::pinyin;
    int pages = 0;
    for (auto _ : state) {
        if (pages++ % 8 == 0) {
            state.PauseTiming();
            std::memset(ime.code, 0, 8);
            std::memcpy(ime.code, "sh", 2);
            ime.keymouse(eventchar, 'i', 0, 0, 0, 0);
            state.ResumeTiming();
        }
        ime.keymouse(eventchar, '.', 0, 0, 0, 0);
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_pinyinletter_a)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pinyinletter_zhon_g)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pinyinletter_sh_i)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pinyinletter_q_u)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pinyinletter_a_dictionaryorder)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pinyinletter_zhon_g_dictionaryorder)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_wubiletter_aaa_a)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_wubiletter_khk_h)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_pinyinpagekey)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);
