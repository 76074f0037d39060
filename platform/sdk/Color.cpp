#include "platform/sdk/Color.h"

#include <X11/Xlib.h>

#include "platform/sdk/SdkScreen.h"

unsigned long GetColor(SdkScreen* screen, const char* name, unsigned long fallback) {
  if (!screen || !screen->display || !name || !*name) return fallback;
  XColor exact, shown;
  if (!XAllocNamedColor(screen->display, screen->colormap, name, &shown, &exact)) return fallback;
  return shown.pixel;
}
