#pragma once
// Named XPM images of a display (the pictures embedded in theme packages),
// made into pixmaps once and kept until the cache goes. XPM text from a
// package is checked against size bounds before libXpm sees it.
#include <X11/Xlib.h>

struct DesktopPixmapCache;

enum { XpmMaxSide = 4096, XpmMaxColors = 4096 };

DesktopPixmapCache* CreateDesktopPixmapCache(Display* display, Window root);
// Makes the pixmap of the XPM text under the name (replacing an earlier
// one); 0, or -1 when the text is refused or not a readable XPM image.
int AddPixmap(DesktopPixmapCache* cache, const char* name, const char* xpmText);
// The pixmap of the name (and its mask when asked for), or None.
Pixmap FindPixmap(const DesktopPixmapCache* cache, const char* name, Pixmap* mask);
// Frees the cache; pixmaps handed on with KeepPixmap stay on the server.
void KeepPixmap(DesktopPixmapCache* cache, const char* name);
void FreeDesktopPixmapCache(DesktopPixmapCache* cache);
// The pixmap (and mask, when asked for) of XPM text that passes the size
// bounds; 0, or -1 with both None.
int CreateCheckedXpmPixmap(Display* display, Drawable drawable, const char* xpmText, Pixmap* pixmap,
                           Pixmap* mask);
// The width, height, colour count and characters per pixel of the XPM's
// values line; false when there is none.
bool XpmValues(const char* xpmText, int* width, int* height, int* colors, int* cpp);
