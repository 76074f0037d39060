#pragma once
// Pictures the window manager draws that no client gives: XPM text made
// into pixmaps, and the icon of toolkit shell windows.
#include <X11/Xlib.h>

#include <string>
#include <vector>

struct ManagerState;

// XPM text as the library takes it (header, colours, then rows) as a pixmap
// of the root's depth, its shape in *mask when asked for (else freed); None
// when the text is not a picture.
Pixmap MakeXpmPixmap(Display* display, Window root, const std::vector<std::string>& lines, Pixmap* mask);
// The built-in 29 x 27 image of toolkit shell windows ("VendorShell",
// "TopLevelShell"), made on first use and kept.
void ShellWindowIcon(ManagerState* state, unsigned long* pixmap, unsigned long* mask);
