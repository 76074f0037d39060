#pragma once
// Screen dumps: the whole screen or one window saved as a Windows bitmap in
// the user's registry area ("documents/scrdumpN.bmp"), with a description
// profile ("documents/scrdumpN.inf") that lists it as a document.
#include <X11/Xlib.h>

#include <utility>
#include <vector>

struct ShellState;

enum { ScreenDumpBand = 32, ScreenDumpMaxNumber = 200 };

// The bands a window of `height` rows is read in: (top, rows), the band
// holding the last row first, going upwards.
std::vector<std::pair<int, int>> ScreenDumpBands(int height);
// The bytes of one bitmap row of `width` pixels at 8 or 24 bits, padded to 4.
int BmpRowSize(int width, int bitsPerPixel);
// The first n from 1 to 200 for which neither scrdumpN file exists; 0 when
// every number is taken.
int FreeScreenDumpNumber();
// Dumps the window; 1 when a file was written, 0 when nothing was dumped
// (the window lies partly off the screen, cannot be read, has no usable
// visual, or no number or file is free).
int DumpWindowToBmp(ShellState* state, Window window);
