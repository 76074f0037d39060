#pragma once
// Colours by name ("grey60") or number ("#a0a0a4") in the screen's colormap.
#include <X11/X.h>

struct SdkScreen;

// The pixel, or `fallback` when the name is unknown or the colormap is full.
unsigned long GetColor(SdkScreen* screen, const char* name, unsigned long fallback);
// On a screen of 8 bits or less with a changeable colormap, a colormap of
// its own holding the 216 colours of the web palette, which are also shared
// cells of the screen's colormap, and the screen colormap's other colours
// at their pixels; None elsewhere.
Colormap AllocateOurColormap(SdkScreen* screen);
// Copies the screen colormap's cells into that colormap again, so that
// colours the clients took since keep their look.
void SyncOurColormap(SdkScreen* screen, Colormap map);
