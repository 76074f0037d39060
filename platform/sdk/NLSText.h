#pragma once
// National-language text of the SDK: fonts as X font sets of the locale, so
// that text in the locale's multibyte encoding draws with every character
// the fonts of the server have.
#include <X11/Xlib.h>

struct NLSFont {
  XFontSet set;
  int ascent;
  int descent;
  int size;  // the pixel size asked for
};

// A font set of about `size` pixels (a proportional face when the server
// has one, else "fixed"); null only when the server has no usable font.
NLSFont* NLSCreateFont(Display* display, int size, int flags);
void NLSFreeFont(Display* display, NLSFont* font);
int NLSTextWidth(const NLSFont* font, const char* text, int length);
void NLSDrawString(Display* display, Drawable drawable, const NLSFont* font, GC gc, int x, int y,
                   const char* text, int length);
// Lays `text` out in lines no wider than `width` (breaking at blanks, or
// inside a word that alone is too wide), each centred between x and
// x + width, the first line's top at y. Draws only when `drawable` is not
// 0; returns the height of the lines.
int DrawTextCenteredWithWrap(Display* display, Drawable drawable, const NLSFont* font, GC gc, int x,
                             int y, int width, const char* text, int length);
