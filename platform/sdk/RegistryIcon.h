#pragma once
// Registry images as X pixmaps: a JPEG file of the user's registry area (or
// else the system's) decoded and scaled to the size asked for.
#include <X11/Xlib.h>

struct SdkScreen;
struct JpegImage;

// A pixmap of width x height (0, 0: the image's own size), or None when the
// file is missing or unreadable or the visual is not true-colour.
Pixmap JPEGLoadRegistryIcon(SdkScreen* screen, const char* registryName, int width, int height);
// A registry picture: an XPM file (with its mask) at its own size, or a
// JPEG scaled to size x size (0: its own size). None when missing or bad.
Pixmap PixmapLoadRegistryIcon(SdkScreen* screen, const char* registryName, int size, Pixmap* mask);
// The image scaled (nearest pixel) into a new pixmap of the screen.
Pixmap PixmapFromRgb(SdkScreen* screen, const JpegImage& image, int width, int height);
