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
  // The values line is the first string after the declaration's opening
  // brace, as libXpm reads it: quotes inside comments do not count.
  const char* p = std::strchr(text, '{');
  if (!p) return false;
  for (++p; *p; ++p) {
    if (p[0] == '/' && p[1] == '*') {
      const char* end = std::strstr(p + 2, "*/");
      if (!end) return false;
      p = end + 1;
    } else if (*p == '"') {
      return std::sscanf(p + 1, "%d %d %d %d", width, height, colors, cpp) == 4;
    }
  }
  return false;
}

int CreateCheckedXpmPixmap(Display* display, Drawable drawable, const char* xpmText, Pixmap* pixmap,
                           Pixmap* mask) {
  *pixmap = None;
  if (mask) *mask = None;
  int w, h, colors, cpp;
  if (!XpmValues(xpmText, &w, &h, &colors, &cpp) || w <= 0 || h <= 0 || w > XpmMaxSide ||
      h > XpmMaxSide || colors <= 0 || colors > XpmMaxColors || cpp <= 0 || cpp > 4)
    return -1;
  Pixmap m = None;
  XpmAttributes attr;
  attr.valuemask = 0;
  if (XpmCreatePixmapFromBuffer(display, drawable, const_cast<char*>(xpmText), pixmap, &m, &attr) !=
      XpmSuccess) {
    *pixmap = None;
    return -1;
  }
  XpmFreeAttributes(&attr);
  if (mask)
    *mask = m;
  else if (m)
    XFreePixmap(display, m);
  return 0;
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
  Pixmap pixmap = None, mask = None;
  if (CreateCheckedXpmPixmap(c->display, c->root, xpmText, &pixmap, &mask) != 0) return -1;
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
