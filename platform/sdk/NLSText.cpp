#include "platform/sdk/NLSText.h"

#include <cstdio>
#include <cstdlib>

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

namespace {

// The byte length of the character at p (1 for bytes that are no valid
// character of the locale).
int CharLength(const char* p, int left) {
  const int n = std::mblen(p, static_cast<size_t>(left));
  return n > 0 ? n : 1;
}

}  // namespace

int DrawTextCenteredWithWrap(Display* display, Drawable drawable, const NLSFont* font, GC gc, int x, int y,
                             int width, const char* text, int length) {
  if (!font || !text || length <= 0) return 0;
  const int lineHeight = font->ascent + font->descent;
  int lines = 0, at = 0;
  std::mblen(nullptr, 0);
  while (at < length) {
    while (at < length && text[at] == ' ') ++at;
    if (at >= length) break;
    // The longest run from `at` that fits, ended at a blank when one is in it.
    int end = at, lastBlank = -1;
    while (end < length) {
      const int next = end + CharLength(text + end, length - end);
      if (NLSTextWidth(font, text + at, next - at) > width && end > at) break;
      if (text[end] == ' ') lastBlank = end;
      end = next;
    }
    if (end < length && lastBlank > at) end = lastBlank;
    int shown = end;
    while (shown > at && text[shown - 1] == ' ') --shown;
    if (drawable) {
      const int w = NLSTextWidth(font, text + at, shown - at);
      NLSDrawString(display, drawable, font, gc, x + (width - w) / 2, y + lines * lineHeight + font->ascent,
                    text + at, shown - at);
    }
    ++lines;
    at = end;
  }
  return lines * lineHeight;
}
