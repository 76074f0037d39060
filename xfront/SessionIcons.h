#pragma once
// The icons of a session window: the normal icon and the alternate one that
// an iconified window shows when a message or a bell waits for the user.
#include <X11/Intrinsic.h>

constexpr int kSessionIconSize = 37;

// Draws both 37 x 37 icons on the screen of w: *icon (with *mask, the shape
// of the terminal) and *second (the terminal with a message flag). Returns
// 1; the pixmaps are the caller's to free.
int GetIcon(Widget w, Pixmap* icon, Pixmap* second, Pixmap* mask);

// A pixmap (and its shape mask) from XPM data, made on the root window of
// the default screen of w's display with no attributes. Always 0: when the
// data cannot be turned into a pixmap both stay None.
int CreatePixmapFromXpmData(Widget w, char** data, Pixmap* pixmap, Pixmap* mask);
