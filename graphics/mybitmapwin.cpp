#include "graphics/mybitmapwin.h"

#include <fcntl.h>
#include <linux/fb.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>

#include "input/mykbhit.h"

namespace {

[[noreturn]] void fail(const char* message, int status) {
    std::puts(message);
    mykbhit::leavenow(status);
}

}  // namespace

mybitmapwin::mybitmapwin() : bmp(800, 800) {
    fd = open("/dev/fb0", O_RDWR);
    if (fd < 0) fail("error: open fp fail.", 1);
    fb_fix_screeninfo fixed{};
    if (ioctl(fd, FBIOGET_FSCREENINFO, &fixed) != 0) fail("Error reading fixed", 2);
    fb_var_screeninfo variable{};
    if (ioctl(fd, FBIOGET_VSCREENINFO, &variable) != 0) fail("Error reading variable", 3);
    std::printf("w and h is %d,%d\n", int(variable.xres), int(variable.yres));
    std::fflush(stdout);
    w = int(variable.xres);
    h = int(variable.yres);
    bmp.reset(w, h);
    pixnum = bmp.width * bmp.height;
}

mybitmapwin::mybitmapwin(int width, int height) : bmp(800, 800) {
    w = width;
    h = height;
    bmp.reset(w, h);
    pixnum = bmp.width * bmp.height;
}

mybitmapwin::~mybitmapwin() {
    if (fd >= 0) close(fd);
}

// The device takes the bitmap's bytes as they are, row after row from byte 0.
void mybitmapwin::draw() {
    if (fd < 0 || !bmp.pbuf) return;
    lseek(fd, 0, SEEK_SET);
    ssize_t ignored = write(fd, bmp.pbuf, size_t(pixnum) * 4);
    (void)ignored;
}
