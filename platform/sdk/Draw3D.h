#pragma once
// The SDK's three-dimensional boxes: a light top-left edge and a dark
// bottom-right edge (swapped for a pressed look).
#include <X11/Xlib.h>

void Draw3DBox(Display* display, Drawable drawable, GC gc, int x, int y, int width, int height,
               int thickness, unsigned long light, unsigned long dark, bool pressed);
