// Start-up of the screen: the status bar, the button bar, the editor with the
// file the command line names, and the input method, laid out from the
// window's width at the run's text size, and drawn once.
#pragma once
#include "app/amybitmapwin.h"
#include "app/commandline.h"
#include "editor/editview.h"

// Why the editor cannot run on its standard input, or nullptr when it can:
// it must be a terminal, with the editor in its foreground (started in the
// background it would take the terminal and the console from the shell).
const char* terminalproblem();
// Builds every view on the window and loads the file, drawing into the
// bitmap only: nothing reaches the screen yet, so that a path that cannot be
// edited stops the program with the console as it was. The outcome says why,
// and the caller ends the program.
openoutcome buildscreen(amybitmapwin* win, const commandline& line);
// Draws the whole first screen and copies it to the framebuffer.
void showfirstscreen(amybitmapwin* win);
// Releases what buildscreen made, for tools and benchmarks that build it again.
void teardownscreen(amybitmapwin* win);
