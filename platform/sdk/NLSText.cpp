#include "platform/sdk/NLSText.h"

#include <cstdio>

NLSFont* NLSCreateFont(Display* display, int size, int) {
  if (size < 4 || size > 200) size = 12;
  char pattern[512];
  std::snprintf(pattern, sizeof pattern,
                "-*-helvetica-medium-r-normal--%d-*-*-*-*-*-*-*,"
                "-*-*-medium-r-normal--%d-*-*-*-*-*-*-*,fixed,*",
                size, size);
  char** missing = nullptr;
  int missingCount = 0;
  char* defString = nullptr;
  XFontSet set = XCreateFontSet(display, pattern, &missing, &missingCount, &defString);
  if (missing) XFreeStringList(missing);
  if (!set) return nullptr;
  auto* font = new NLSFont{set, 0, 0, size};
  XFontSetExtents* e = XExtentsOfFontSet(set);
  font->ascent = e ? -e->max_logical_extent.y : size;
  font->descent = e ? e->max_logical_extent.height + e->max_logical_extent.y : 0;
  return font;
}

void NLSFreeFont(Display* display, NLSFont* font) {
  if (!font) return;
  XFreeFontSet(display, font->set);
  delete font;
}

int NLSTextWidth(const NLSFont* font, const char* text, int length) {
  if (!font || !text || length <= 0) return 0;
  return XmbTextEscapement(font->set, text, length);
}

void NLSDrawString(Display* display, Drawable drawable, const NLSFont* font, GC gc, int x, int y,
                   const char* text, int length) {
  if (!font || !text || length <= 0) return;
  XmbDrawString(display, drawable, font->set, gc, x, y, text, length);
}
