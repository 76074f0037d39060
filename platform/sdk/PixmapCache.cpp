#include "platform/sdk/PixmapCache.h"

#include <X11/xpm.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace {

struct Entry {
  Pixmap pixmap = None;
  Pixmap mask = None;
  bool kept = false;
};

}  // namespace

struct DesktopPixmapCache {
  Display* display;
  Window root;
  std::map<std::string, Entry> entries;
};

bool XpmValues(const char* text, int* width, int* height, int* colors, int* cpp) {
  if (!text) return false;
  // The values line is the first string after the declaration's opening brace.
  const char* brace = std::strchr(text, '{');
  const char* quote = std::strchr(brace ? brace : text, '"');
  if (!quote) return false;
  return std::sscanf(quote + 1, "%d %d %d %d", width, height, colors, cpp) == 4;
}

DesktopPixmapCache* CreateDesktopPixmapCache(Display* display, Window root) {
  return new DesktopPixmapCache{display, root, {}};
}

namespace {

void Release(DesktopPixmapCache* c, Entry& e) {
  if (e.kept) return;
  if (e.pixmap) XFreePixmap(c->display, e.pixmap);
  if (e.mask) XFreePixmap(c->display, e.mask);
}

}  // namespace

int AddPixmap(DesktopPixmapCache* c, const char* name, const char* xpmText) {
  if (!c || !name || !*name) return -1;
  int w, h, colors, cpp;
  if (!XpmValues(xpmText, &w, &h, &colors, &cpp) || w <= 0 || h <= 0 || w > XpmMaxSide ||
      h > XpmMaxSide || colors <= 0 || colors > XpmMaxColors || cpp <= 0 || cpp > 4)
    return -1;
  Pixmap pixmap = None, mask = None;
  XpmAttributes attr;
  attr.valuemask = 0;
  if (XpmCreatePixmapFromBuffer(c->display, c->root, const_cast<char*>(xpmText), &pixmap, &mask,
                                &attr) != XpmSuccess)
    return -1;
  auto it = c->entries.find(name);
  if (it != c->entries.end()) Release(c, it->second);
  c->entries[name] = Entry{pixmap, mask, false};
  return 0;
}

Pixmap FindPixmap(const DesktopPixmapCache* c, const char* name, Pixmap* mask) {
  if (mask) *mask = None;
  if (!c || !name) return None;
  auto it = c->entries.find(name);
  if (it == c->entries.end()) return None;
  if (mask) *mask = it->second.mask;
  return it->second.pixmap;
}

void KeepPixmap(DesktopPixmapCache* c, const char* name) {
  if (!c || !name) return;
  auto it = c->entries.find(name);
  if (it != c->entries.end()) it->second.kept = true;
}

void FreeDesktopPixmapCache(DesktopPixmapCache* c) {
  if (!c) return;
  for (auto& e : c->entries) Release(c, e.second);
  delete c;
}
