#include "graphics/mybitmapwin.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "input/myconsole.h"
#include "input/wayout.h"

namespace {

[[noreturn]] void fail(const char* message, int status) {
    std::puts(message);
    wayout::leavenow(status);
}

// FRAMEBUFFER names another device, as console framebuffer programs agree.
const char* devicepath() {
    const char* path = std::getenv("FRAMEBUFFER");
    return path != nullptr && *path != '\0' ? path : "/dev/fb0";
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
    fd = open(devicepath(), O_RDWR);
    if (fd < 0) fail("error: open fp fail.", 1);
    fb_fix_screeninfo fixed{};
    if (ioctl(fd, FBIOGET_FSCREENINFO, &fixed) != 0) fail("Error reading fixed", 2);
    fb_var_screeninfo variable{};
    if (ioctl(fd, FBIOGET_VSCREENINFO, &variable) != 0) fail("Error reading variable", 3);
    format = fbformat::fromdevice(fixed, variable);
    if (!format.supported()) {
        std::printf("error: unsupported framebuffer format (%d bits per pixel)\n", int(variable.bits_per_pixel));
        wayout::leavenow(3);
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
    copytodevice(bmp, format, staging, writedevice, &fd);
}
