// The bridge between the screen bitmap and the Linux framebuffer device: opens
// it (/dev/fb0, or the device named by FRAMEBUFFER), sizes the bitmap to the
// screen and copies the pixels to it in the device's own format.
#pragma once
#include "graphics/fbformat.h"
#include "graphics/mybitmap.h"

class mybitmapwin {
public:
    mybitmap bmp;
    int w = 800;
    int h = 800;
    int fd = -1;
    int pixnum = 800 * 800;
    fbformat format;                   // how the device lays out its pixels
    unsigned char* staging = nullptr;  // the converted frame, for devices that need one

    // Opens the device; ends the process (through wayout) with status 1, 2 or
    // 3 when it cannot or cannot show the bitmap. The console is left as it
    // is: start-up puts it into graphics mode once it knows the screen will do.
    mybitmapwin();
    // A window of the given size with no device behind it (draw does nothing),
    // for drawing tests and tools.
    mybitmapwin(int width, int height);
    virtual ~mybitmapwin();
    mybitmapwin(const mybitmapwin&) = delete;
    mybitmapwin& operator=(const mybitmapwin&) = delete;

    // Copies the bitmap to the device, unless the console is switched away.
    virtual void draw();
};
