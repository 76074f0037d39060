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
  Colormap map = XCreateColormap(d, screen->root, visual, AllocNone);
  if (!map) return None;
  // The 216 colours of the web palette: six levels of each primary.
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) {
        XColor c = {};
        c.red = static_cast<unsigned short>(r * 51 * 257);
        c.green = static_cast<unsigned short>(g * 51 * 257);
        c.blue = static_cast<unsigned short>(b * 51 * 257);
        c.flags = DoRed | DoGreen | DoBlue;
        XAllocColor(d, map, &c);
      }
  return map;
}
