// The session window's icons, drawn with Xlib: a terminal with a green
// screen, and the same terminal with a yellow message flag.
#include "xfront/SessionIcons.h"

#include <X11/xpm.h>

#include <initializer_list>

#include "xfront/ColorAllocation.h"

namespace {

// The terminal: a grey case, a dark screen with green lines, a foot.
void DrawTerminal(Display* d, Drawable p, GC gc, unsigned long grey, unsigned long black, unsigned long green) {
  XSetForeground(d, gc, grey);
  XFillRectangle(d, p, gc, 2, 3, 33, 25);
  XFillRectangle(d, p, gc, 10, 28, 17, 3);
  XFillRectangle(d, p, gc, 5, 31, 27, 4);
  XSetForeground(d, gc, black);
  XDrawRectangle(d, p, gc, 2, 3, 32, 24);
  XFillRectangle(d, p, gc, 5, 6, 27, 19);
  XDrawRectangle(d, p, gc, 5, 31, 26, 3);
  XSetForeground(d, gc, green);
  for (int y = 9; y <= 21; y += 4) XDrawLine(d, p, gc, 8, y, y == 21 ? 16 : 28, y);
}

}  // namespace

int GetIcon(Widget w, Pixmap* icon, Pixmap* second, Pixmap* mask) {
  Display* d = XtDisplay(w);
  const int screen = DefaultScreen(d);
  const Window root = RootWindow(d, screen);
  const unsigned depth = static_cast<unsigned>(DefaultDepth(d, screen));
  const Colormap colormap = DefaultColormap(d, screen);
  bool substituted = false;
  const unsigned long grey = AllocateColor("grey70", colormap, d, screen, &substituted);
  const unsigned long black = AllocateColor("black", colormap, d, screen, &substituted);
  const unsigned long green = AllocateColor("green", colormap, d, screen, &substituted);
  const unsigned long yellow = AllocateColor("yellow", colormap, d, screen, &substituted);

  Pixmap normal = XCreatePixmap(d, root, kSessionIconSize, kSessionIconSize, depth);
  Pixmap alternate = XCreatePixmap(d, root, kSessionIconSize, kSessionIconSize, depth);
  Pixmap shape = XCreatePixmap(d, root, kSessionIconSize, kSessionIconSize, 1);
  GC gc = XCreateGC(d, normal, 0, nullptr);
  for (Pixmap p : {normal, alternate}) {
    XSetForeground(d, gc, black);
    XFillRectangle(d, p, gc, 0, 0, kSessionIconSize, kSessionIconSize);
    DrawTerminal(d, p, gc, grey, black, green);
  }
  // The message flag: a yellow envelope over the lower right corner.
  XSetForeground(d, gc, yellow);
  XFillRectangle(d, alternate, gc, 17, 17, 19, 13);
  XSetForeground(d, gc, black);
  XDrawRectangle(d, alternate, gc, 17, 17, 18, 12);
  XDrawLine(d, alternate, gc, 17, 17, 26, 24);
  XDrawLine(d, alternate, gc, 26, 24, 35, 17);

  // The shape: the case, the foot and the base.
  GC shapeGc = XCreateGC(d, shape, 0, nullptr);
  XSetForeground(d, shapeGc, 0);
  XFillRectangle(d, shape, shapeGc, 0, 0, kSessionIconSize, kSessionIconSize);
  XSetForeground(d, shapeGc, 1);
  XFillRectangle(d, shape, shapeGc, 2, 3, 34, 26);
  XFillRectangle(d, shape, shapeGc, 10, 28, 17, 3);
  XFillRectangle(d, shape, shapeGc, 5, 31, 28, 5);
  XFreeGC(d, shapeGc);
  XFreeGC(d, gc);

  *icon = normal;
  *second = alternate;
  *mask = shape;
  return 1;
}

int CreatePixmapFromXpmData(Widget w, char** data, Pixmap* pixmap, Pixmap* mask) {
  Pixmap image = None, shape = None;
  if (w && data) {
    Display* display = XtDisplay(w);
    if (XpmCreatePixmapFromData(display, RootWindow(display, DefaultScreen(display)), data, &image, &shape,
                                nullptr) < XpmSuccess) {
      image = shape = None;
    }
  }
  if (pixmap) *pixmap = image;
  else if (image) XFreePixmap(XtDisplay(w), image);
  if (mask) *mask = shape;
  else if (shape) XFreePixmap(XtDisplay(w), shape);
  return 0;
}
