// The bridge between the screen bitmap and the Linux framebuffer device: opens
// /dev/fb0, sizes the bitmap to the screen and copies the pixels to it.
#pragma once
#include "graphics/mybitmap.h"

class mybitmapwin {
public:
    mybitmap bmp;
    int w = 800;
    int h = 800;
    int fd = -1;
    int pixnum = 800 * 800;

    // Opens the device; ends the process with status 1, 2 or 3 when it cannot.
    mybitmapwin();
    // A window of the given size with no device behind it (draw does nothing),
    // for drawing tests and tools.
    mybitmapwin(int width, int height);
    virtual ~mybitmapwin();
    mybitmapwin(const mybitmapwin&) = delete;
    mybitmapwin& operator=(const mybitmapwin&) = delete;

    virtual void draw();
};
