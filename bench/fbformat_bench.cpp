// Copying one 1920 x 1080 frame to the framebuffer in each device layout (the
// conversion only: the device is a buffer in memory).
//   ./build/bench/zheditbench --benchmark_filter=copy
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "graphics/fbformat.h"

namespace {

constexpr int screenwidth = 1920, screenheight = 1080;

bool intomemory(void* context, long long offset, const unsigned char* bytes, size_t count) {
    auto* mem = static_cast<std::vector<unsigned char>*>(context);
    std::memcpy(mem->data() + offset, bytes, count);
    return true;
}

void copyframe(benchmark::State& state, int bits, fbfield red, fbfield green, fbfield blue, int padding) {
    mybitmap bitmap(screenwidth, screenheight);
    fbformat f;
    f.width = screenwidth;
    f.height = screenheight;
    f.bitsperpixel = bits;
    f.red = red;
    f.green = green;
    f.blue = blue;
    f.transp = fbfield{};
    f.linelength = screenwidth * bits / 8 + padding;
    std::vector<unsigned char> staging(f.stagingsize());
    std::vector<unsigned char> device(size_t(f.linelength) * screenheight);
    for (auto _ : state) {
        copytodevice(bitmap, f, staging.data(), intomemory, &device);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * screenwidth * screenheight * 4);
}

void copyplain(benchmark::State& s) { copyframe(s, 32, {16, 8}, {8, 8}, {0, 8}, 0); }
void copypadded32(benchmark::State& s) { copyframe(s, 32, {16, 8}, {8, 8}, {0, 8}, 64); }
void copyrgb32(benchmark::State& s) { copyframe(s, 32, {0, 8}, {8, 8}, {16, 8}, 0); }
void copy24(benchmark::State& s) { copyframe(s, 24, {16, 8}, {8, 8}, {0, 8}, 0); }
void copy565(benchmark::State& s) { copyframe(s, 16, {11, 5}, {5, 6}, {0, 5}, 0); }

BENCHMARK(copyplain)->Unit(benchmark::kMillisecond);
BENCHMARK(copypadded32)->Unit(benchmark::kMillisecond);
BENCHMARK(copyrgb32)->Unit(benchmark::kMillisecond);
BENCHMARK(copy24)->Unit(benchmark::kMillisecond);
BENCHMARK(copy565)->Unit(benchmark::kMillisecond);

}  // namespace
