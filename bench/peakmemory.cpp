// Peak resident memory of the running editor: zhedit on the virtual
// framebuffer at 1920x1080 with a 990,000-byte file loaded, after a few keys.
// The virtual framebuffer's own mapping of its frame file (the decoded screen
// and the device memory) is counted in the process's figures; it is given
// apart, and the editor's own peak is the high-water mark less it.
//   cmake -S . -B build -DZHEDIT_BENCHMARKS=ON
//   cmake --build build --target zheditpeakmemory && ./build/bench/zheditpeakmemory
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "bench/prose.h"
#include "driver.h"

namespace {

// A "Name:   N kB" line's number.
long kilobytes(const std::string& line) {
    std::istringstream in(line.substr(line.find(':') + 1));
    long n = 0;
    in >> n;
    return n;
}

// The resident kilobytes of the mapping of the file whose path ends in suffix.
long mappingrss(const std::string& pid, const std::string& suffix) {
    std::ifstream smaps("/proc/" + pid + "/smaps");
    std::string line;
    bool inside = false;
    long rss = 0;
    while (std::getline(smaps, line)) {
        const bool header = !line.empty() && line.find(':') > line.find(' ');
        if (header) inside = line.size() >= suffix.size() && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0;
        else if (inside && line.rfind("Rss:", 0) == 0) rss += kilobytes(line);
    }
    return rss;
}

}  // namespace

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
    const std::string pid = std::to_string(s.pid());
    std::ifstream status("/proc/" + pid + "/status");
    std::string line;
    long hwm = 0;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) hwm = kilobytes(line);
        if (line.rfind("VmHWM:", 0) == 0 || line.rfind("VmRSS:", 0) == 0) std::printf("%s\n", line.c_str());
    }
    const long frame = mappingrss(pid, "/vfb/frame");
    std::printf("frame file mapping: %ld kB\neditor's own peak (VmHWM less the mapping): %ld kB\n", frame, hwm - frame);
    s.key(zhe2e::keys::F7);
    s.finish();
    return 0;
}
