// Peak resident memory of the running editor: zhedit on the virtual
// framebuffer at 1920x1080 with a 990,000-byte file loaded, after a few keys.
//   cmake -S . -B build -DZHEDIT_BENCHMARKS=ON
//   cmake --build build --target zheditpeakmemory && ./build/bench/zheditpeakmemory
#include <cstdio>
#include <fstream>
#include <string>

#include "bench/prose.h"
#include "driver.h"

int main() {
    zhe2e::options o;
    o.width = 1920;
    o.height = 1080;
    o.args = {"big.txt"};
    o.files["big.txt"] = prose(990000);
    zhe2e::session s(o);
    if (!s.start() || !s.keys({zhe2e::keys::PageDown, zhe2e::keys::End, "a", zhe2e::keys::Backspace})) {
        std::fprintf(stderr, "peakmemory: %s\n", s.error().c_str());
        return 1;
    }
    std::ifstream status("/proc/" + std::to_string(s.pid()) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0 || line.rfind("VmRSS:", 0) == 0) std::printf("%s\n", line.c_str());
    s.key(zhe2e::keys::F7);
    s.finish();
    return 0;
}
