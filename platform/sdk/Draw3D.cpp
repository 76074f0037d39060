#include "platform/sdk/Draw3D.h"

void Draw3DBox(Display* d, Drawable drawable, GC gc, int x, int y, int width, int height,
               int thickness, unsigned long light, unsigned long dark, bool pressed) {
  if (width <= 0 || height <= 0) return;
  const unsigned long topLeft = pressed ? dark : light;
  const unsigned long bottomRight = pressed ? light : dark;
  for (int i = 0; i < thickness && 2 * i < width && 2 * i < height; ++i) {
    const int x0 = x + i, y0 = y + i, x1 = x + width - 1 - i, y1 = y + height - 1 - i;
    XSetForeground(d, gc, topLeft);
    XDrawLine(d, drawable, gc, x0, y0, x1, y0);
    XDrawLine(d, drawable, gc, x0, y0, x0, y1);
    XSetForeground(d, gc, bottomRight);
    XDrawLine(d, drawable, gc, x0, y1, x1, y1);
    XDrawLine(d, drawable, gc, x1, y0, x1, y1);
  }
}
