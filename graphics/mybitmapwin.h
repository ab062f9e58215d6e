// The bridge between the screen bitmap and the Linux framebuffer device: opens
// it (/dev/fb0, or the device named by FRAMEBUFFER), sizes the bitmap to the
// screen and copies the pixels to it in the device's own format: after each
// key only the rows drawn since the last copy.
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

    // Opens the device and sizes the bitmap to it; ends the process (through
    // wayout) with status 1, 2 or 3, and the device and the reason on standard
    // error, when it cannot or cannot show the bitmap. The console is left
    // alone: start-up takes it (myconsole) once everything that can fail has
    // been done.
    mybitmapwin();
    // A window of the given size with no device behind it (draw does nothing),
    // for drawing tests and tools.
    mybitmapwin(int width, int height);
    virtual ~mybitmapwin();
    mybitmapwin(const mybitmapwin&) = delete;
    mybitmapwin& operator=(const mybitmapwin&) = delete;

    // Copies what was drawn since the last copy to the device: the rows
    // written since, each run of consecutive rows in one write where the
    // device keeps them together. The whole bitmap goes where the device's
    // content is not known (before the first copy, after a write failed or
    // was cut short, after drawwhole) and on every copy where the console's
    // text may draw over the picture. Nothing while the console is switched
    // away.
    virtual void draw();
    // The device's content is not known (the console was handed back): the
    // whole bitmap goes.
    void drawwhole();

private:
    uint64_t copiedupto = 0;   // the drawing period the device shows
    bool deviceknown = false;  // the device holds the bitmap as of copiedupto
    bool copychanged(uint64_t seen);
};
