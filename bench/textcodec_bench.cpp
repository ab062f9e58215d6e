// Loading and saving speed of a UTF-8 file that fills the editor: about a
// million bytes of GBK text, mostly hanzi with a line end every 40.
#include <benchmark/benchmark.h>

#include <string>

#include "editor/textcodec.h"

namespace {

// A full editor text in GBK: common hanzi, some ASCII, CR LF line ends.
std::string fulltext() {
    std::string text;
    int code = 0;
    while (text.size() < 999000) {
        for (int i = 0; i < 36; ++i, ++code) {
            text += char(0xB0 + (code / 94) % 40);
            text += char(0xA1 + code % 94);
        }
        text += "abc\r\n";
    }
    return text;
}

const unsigned char* bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

void loadutf8(benchmark::State& state) {
    std::string utf8;
    const std::string gbk = fulltext();
    textcodec::gbktoutf8(bytes(gbk), gbk.size(), false, utf8);
    std::string out;
    for (auto _ : state) {
        out.clear();
        const textcodec::utf8scan scan = textcodec::scanutf8(bytes(utf8), utf8.size(), false);
        const size_t fit = textcodec::utf8fit(bytes(utf8), scan.wholelength, 999999);
        textcodec::utf8togbk(bytes(utf8), fit, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(utf8.size()));
}
BENCHMARK(loadutf8)->Unit(benchmark::kMillisecond);

void saveutf8(benchmark::State& state) {
    const std::string gbk = fulltext();
    std::string out;
    for (auto _ : state) {
        out.clear();
        textcodec::gbktoutf8(bytes(gbk), gbk.size(), false, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(gbk.size()));
}
BENCHMARK(saveutf8)->Unit(benchmark::kMillisecond);

}  // namespace
