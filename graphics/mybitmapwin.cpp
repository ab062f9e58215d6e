#include "graphics/mybitmapwin.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "input/myconsole.h"
#include "input/wayout.h"

namespace {

// FRAMEBUFFER names another device, as console framebuffer programs agree.
const char* devicepath() {
    const char* path = std::getenv("FRAMEBUFFER");
    return path != nullptr && *path != '\0' ? path : "/dev/fb0";
}

// The fixed line on standard output, then the device and the reason on
// standard error once the terminal is back.
[[noreturn]] void fail(const char* message, int status, const std::string& reason) {
    std::puts(message);
    wayout::leavewithreason(status, devicepath(), reason);
}

// A failed call's reason, taken before anything else can change errno.
[[noreturn]] void failedcall(const char* message, int status, const char* doing) {
    const int error = errno;
    fail(message, status, std::string(doing) + ": " + std::strerror(error));
}

// The device may take fewer bytes than offered: the rest goes in again until
// all are written or a write fails.
bool writedevice(void* context, long long offset, const unsigned char* bytes, size_t count) {
    const int fd = *static_cast<int*>(context);
    if (lseek(fd, off_t(offset), SEEK_SET) != off_t(offset)) return false;
    while (count > 0) {
        const ssize_t done = write(fd, bytes, count);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) return false;
        bytes += done;
        count -= size_t(done);
    }
    return true;
}

}  // namespace

mybitmapwin::mybitmapwin() : bmp(800, 800) {
    fd = open(devicepath(), O_RDWR | O_CLOEXEC);
    if (fd < 0) failedcall("error: open fp fail.", exitstatus::noframebuffer, "cannot open the framebuffer");
    fb_fix_screeninfo fixed{};
    if (ioctl(fd, FBIOGET_FSCREENINFO, &fixed) != 0)
        failedcall("Error reading fixed", exitstatus::nofixedinfo, "cannot read the fixed screen information");
    fb_var_screeninfo variable{};
    if (ioctl(fd, FBIOGET_VSCREENINFO, &variable) != 0)
        failedcall("Error reading variable", exitstatus::novariableinfo, "cannot read the variable screen information");
    format = fbformat::fromdevice(fixed, variable);
    const std::string problem = format.problem();
    if (!problem.empty()) {
        std::printf("error: unsupported framebuffer format (%d bits per pixel)\n", int(variable.bits_per_pixel));
        wayout::leavewithreason(exitstatus::novariableinfo, devicepath(),
                                "unsupported framebuffer format: " + problem + " (the device reports " +
                                    format.description() + ")");
    }
    std::printf("w and h is %d,%d\n", int(variable.xres), int(variable.yres));
    std::fflush(stdout);
    w = format.width;
    h = format.height;
    bmp.reset(w, h);
    pixnum = bmp.width * bmp.height;
    if (!format.bitmaporder()) staging = new unsigned char[format.stagingsize()];
}

mybitmapwin::mybitmapwin(int width, int height) : bmp(800, 800) {
    w = width;
    h = height;
    bmp.reset(w, h);
    pixnum = bmp.width * bmp.height;
    format.width = bmp.width;
    format.height = bmp.height;
    format.linelength = bmp.width * 4;
}

mybitmapwin::~mybitmapwin() {
    if (fd >= 0) close(fd);
    delete[] staging;
}

void mybitmapwin::draw() {
    if (fd < 0 || !myconsole::visible()) return;
    const uint64_t seen = copiedupto;
    copiedupto = bmp.endperiod();
    const bool whole = !deviceknown || myconsole::textshowsthrough();
    deviceknown = whole ? copytodevice(bmp, format, staging, writedevice, &fd) : copychanged(seen);
}

void mybitmapwin::drawwhole() {
    deviceknown = false;
    draw();
}

// The rows written after the period `seen`, run by run.
bool mybitmapwin::copychanged(uint64_t seen) {
    for (int y = 0; y < bmp.height; ++y) {
        if (!bmp.writtenafter(y, seen)) continue;
        const int first = y;
        while (y + 1 < bmp.height && bmp.writtenafter(y + 1, seen)) ++y;
        if (!copyrows(bmp, format, staging, writedevice, &fd, first, y)) return false;
    }
    return true;
}
