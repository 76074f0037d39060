#include "platform/sdk/Color.h"

#include <X11/Xlib.h>

#include "platform/sdk/SdkScreen.h"

unsigned long GetColor(SdkScreen* screen, const char* name, unsigned long fallback) {
  if (!screen || !screen->display || !name || !*name) return fallback;
  XColor exact, shown;
  if (!XAllocNamedColor(screen->display, screen->colormap, name, &shown, &exact)) return fallback;
  return shown.pixel;
}

Colormap AllocateOurColormap(SdkScreen* screen) {
  if (!screen || !screen->display || screen->depth > 8) return None;
  Display* d = screen->display;
  Visual* visual = DefaultVisual(d, DefaultScreen(d));
  if (visual->c_class != PseudoColor && visual->c_class != GrayScale) return None;
  // The 216 colours of the web palette, six levels of each primary, are
  // taken as shared cells of the screen's colormap, where every client that
  // asks for one of them gets the same pixel.
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        XColor c = {};
        c.red = static_cast<unsigned short>(r * 51 * 257);
        c.green = static_cast<unsigned short>(g * 51 * 257);
        c.blue = static_cast<unsigned short>(b * 51 * 257);
        c.flags = DoRed | DoGreen | DoBlue;
        XAllocColor(d, screen->colormap, &c);
      }
  Colormap map = XCreateColormap(d, screen->root, visual, AllocAll);
  if (map) SyncOurColormap(screen, map);
  return map;
}

void SyncOurColormap(SdkScreen* screen, Colormap map) {
  if (!screen || !screen->display || !map || map == screen->colormap) return;
  Display* d = screen->display;
  // Every pixel of the clients on the screen's colormap keeps its colour
  // while ours is installed.
  const int n = DefaultVisual(d, DefaultScreen(d))->map_entries;
  if (n <= 0 || n > 256) return;
  XColor cells[256];
  for (int i = 0; i < n; ++i) {
    cells[i] = {};
    cells[i].pixel = static_cast<unsigned long>(i);
  }
  XQueryColors(d, screen->colormap, cells, n);
  for (int i = 0; i < n; ++i) cells[i].flags = DoRed | DoGreen | DoBlue;
  XStoreColors(d, map, cells, n);
}
