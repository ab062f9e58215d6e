// Start-up of the screen: the status bar, the button bar, the editor with the
// file the command line names, and the input method, laid out from the
// window's width at the run's text size, and drawn once.
#pragma once
#include "app/amybitmapwin.h"
#include "app/commandline.h"
#include "editor/editview.h"

// Builds every view on the window, loads the file and shows the first screen.
// A file that can be neither opened nor created stops it before anything is
// drawn: the outcome says why, and the caller ends the program.
openoutcome buildscreen(amybitmapwin* win, const commandline& line);
// Releases what buildscreen made, for tools and benchmarks that build it again.
void teardownscreen(amybitmapwin* win);
