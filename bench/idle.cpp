// What the editor costs while nobody types: zhedit on the virtual framebuffer
// at 1920x1080 with a 990,000-byte file, left alone for ten seconds. Counts
// the times it was woken (context switches: it gave up the processor, or was
// made to) and the processor time it used meanwhile.
//   cmake --build build --target zheditidle && ./build/bench/zheditidle
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "bench/prose.h"
#include "driver.h"

namespace {

struct usage {
    long switches = 0;   // voluntary and involuntary context switches
    long ticks = 0;      // user and system time, in clock ticks
};

usage usageof(pid_t pid) {
    usage u;
    const std::string dir = "/proc/" + std::to_string(pid);
    std::ifstream status(dir + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.find("ctxt_switches:") != std::string::npos) u.switches += std::stol(line.substr(line.find(':') + 1));
    std::ifstream stat(dir + "/stat");
    std::getline(stat, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) u.ticks += std::stol(field);
    return u;
}

}  // namespace

int main() {
    zhe2e::options o;
    o.width = 1920;
    o.height = 1080;
    o.args = {"big.txt"};
    o.files["big.txt"] = prose(990000);
    zhe2e::session s(o);
    if (!s.start()) {
        std::fprintf(stderr, "idle: %s\n", s.error().c_str());
        return 1;
    }
    const usage before = usageof(s.pid());
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const usage after = usageof(s.pid());
    const double tick = 1000.0 / double(sysconf(_SC_CLK_TCK));
    std::printf("in 10 s left alone: %ld wake-ups (context switches), %.0f ms of processor time\n",
                after.switches - before.switches, double(after.ticks - before.ticks) * tick);
    s.key(zhe2e::keys::F7);
    s.finish();
    return 0;
}
