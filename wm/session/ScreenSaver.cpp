#include "wm/session/ScreenSaver.h"

#include <X11/Xutil.h>
#include <X11/extensions/scrnsaver.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/sdk/Color.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/Frame.h"
#include "wm/manager/FramePointer.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenState.h"

struct SaverStyle {
  ScreenState* state;
  Window window;
  void (*destroy)(SaverStyle*);
  void (*expose)(SaverStyle*);
  void (*tick)(SaverStyle*);
  void (*event)(SaverStyle*, XEvent*);
  unsigned long timer;
};

namespace {

constexpr int kMapSize = 122;
constexpr int kImageSize = 172;
constexpr int kRadius = 60;

char styleName[64] = "ball";
int saverTimeout = 180;
Pixmap saverBitmap = None;

struct BitmapStyle {
  SaverStyle head;
  time_t lastDrawing;
  Pixmap bitmap;
  unsigned int width, height;
};

struct SphereStyle {
  SaverStyle head;
  unsigned char map[kMapSize][kMapSize];
  double halfWidth[kRadius + 1];
  unsigned long shade[256];
  XImage* base;
  XImage* frame;
  int eightBit;
  int failed;
  int x, y, dx, dy;
  int angle, spin;
  double c, s;
};

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

// Runs a style operation with every X error ignored.
template <typename F>
void Quietly(Display* d, F f) {
  XSync(d, False);
  auto previous = XSetErrorHandler(IgnoreErrors);
  f();
  XSync(d, False);
  XSetErrorHandler(previous);
}

void StyleTimer(void* closure, unsigned long) {
  auto* style = static_cast<SaverStyle*>(closure);
  Quietly(style->state->sdk.display, [&] { SaverStyleTick(style); });
}

// ---- bitmap and blank

void BitmapDraw(SaverStyle* head) {
  auto* b = reinterpret_cast<BitmapStyle*>(head);
  const time_t now = time(nullptr);
  if (b->lastDrawing && now - b->lastDrawing < 3) return;
  b->lastDrawing = now;
  if (!b->bitmap) return;
  ScreenState* s = head->state;
  Display* d = s->sdk.display;
  const int m = 10;
  const long rangeX = s->sdk.width - 2L * m - static_cast<long>(b->width);
  const long rangeY = s->sdk.height - 2L * m - static_cast<long>(b->height);
  // A bitmap as large as the screen goes to the margin.
  const int x = m + (rangeX > 0 ? static_cast<int>(static_cast<unsigned long>(random()) % rangeX) : 0);
  const int y = m + (rangeY > 0 ? static_cast<int>(static_cast<unsigned long>(random()) % rangeY) : 0);
  GC gc = XCreateGC(d, head->window, 0, nullptr);
  XSetForeground(d, gc, s->sdk.whitePixel);
  XSetBackground(d, gc, s->sdk.blackPixel);
  XSetStipple(d, gc, b->bitmap);
  XSetTSOrigin(d, gc, x, y);
  XSetFillStyle(d, gc, FillOpaqueStippled);
  XFillRectangle(d, head->window, gc, x, y, b->width + 1, b->height + 1);
  XSetFillStyle(d, gc, FillSolid);
  XFreeGC(d, gc);
}

void BitmapTick(SaverStyle* head) {
  XClearArea(head->state->sdk.display, head->window, 0, 0, 0, 0, False);
  BitmapDraw(head);
}

// ---- sphere

XImage* MakeImage(Display* d, int screen, int depth) {
  const int pad = depth <= 8 ? 8 : depth <= 16 ? 16 : 32;
  XImage* img = XCreateImage(d, DefaultVisual(d, screen), static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                             kImageSize, kImageSize, pad, 0);
  if (!img) return nullptr;
  img->data = static_cast<char*>(std::calloc(static_cast<size_t>(img->bytes_per_line), kImageSize));
  if (!img->data) {
    XDestroyImage(img);
    return nullptr;
  }
  return img;
}

int Snap(int v) {
  static const int thresholds[] = {17, 68, 119, 170, 221};
  int level = 0;
  for (int t : thresholds)
    if (v >= t) ++level;
  return level * 51;
}

void SphereDestroy(SaverStyle* head) {
  auto* sp = reinterpret_cast<SphereStyle*>(head);
  if (sp->base) XDestroyImage(sp->base);
  if (sp->frame) XDestroyImage(sp->frame);
}

void SphereSetUp(SphereStyle* sp) {
  ScreenState* s = sp->head.state;
  Display* d = s->sdk.display;
  sp->eightBit = s->sdk.depth < 9;
  sp->base = MakeImage(d, s->sdk.screenNumber, s->sdk.depth);
  sp->frame = MakeImage(d, s->sdk.screenNumber, s->sdk.depth);
  if (!sp->base || !sp->frame) {
    sp->failed = 1;
    return;
  }
  XColor theme = {};
  theme.pixel = s->titleBackground;
  XQueryColor(d, s->sdk.colormap, &theme);
  int r = theme.red >> 8, g = theme.green >> 8, b = theme.blue >> 8;
  if (r >= 196 && r <= 212 && g >= 145 && g <= 161 && b >= 94 && b <= 110) {
    r = 255, g = 160, b = 0;
  } else if (r >= 94 && r <= 110 && g >= 145 && g <= 161 && b >= 145 && b <= 161) {
    r = 0, g = 255, b = 0;
  }
  int level[kRadius + 1];
  for (int i = 0; i <= kRadius; ++i) {
    level[i] = 64 + 191 * i / 60;
    const double q = static_cast<double>(i) / 60.0;
    sp->halfWidth[i] = std::sqrt(1.0 - q * q);
  }
  std::memset(sp->map, 0, sizeof sp->map);
  const double sn = std::sin(-36.0 * M_PI / 180.0), cs = std::cos(-36.0 * M_PI / 180.0);
  auto put = [&](int x, int y, int v) { sp->map[61 + y][61 + x] = static_cast<unsigned char>(v); };
  for (int y = 0; y <= kRadius; ++y) {
    const int w = static_cast<int>(60.0 * sp->halfWidth[y]);
    if (w < 1) {
      put(0, 60, level[0]);
      put(0, -60, level[0]);
      continue;
    }
    for (int x = 0; x <= w; ++x) {
      const int z = static_cast<int>(w * sp->halfWidth[x]);
      const int k = static_cast<int>(sn * x + cs * z);
      const int v = sp->eightBit ? 192 : (k < 0 ? 64 : level[std::min(k, 60)]);
      put(x, y, v);
      put(-x, y, v);
      put(x, -y, v);
      put(-x, -y, v);
    }
  }
  for (int n = 0; n < 256; ++n) {
    int cr = r * n / 255, cg = g * n / 255, cb = b * n / 255;
    if (s->sdk.depth <= 8) {
      if (n != 0 && n != 160 && n != 192) continue;
      cr = Snap(cr), cg = Snap(cg), cb = Snap(cb);
    }
    char name[16];
    std::snprintf(name, sizeof name, "#%02X%02X%02X", cr, cg, cb);
    sp->shade[n] = GetColor(&s->sdk, name, s->sdk.blackPixel);
  }
  for (int y = 0; y < kImageSize; ++y)
    for (int x = 0; x < kImageSize; ++x) XPutPixel(sp->base, x, y, 0);
  for (int y = 0; y < kMapSize; ++y)
    for (int x = 0; x < kMapSize; ++x) XPutPixel(sp->base, 25 + x, 25 + y, sp->shade[sp->map[y][x]]);
  sp->x = 300, sp->y = 200, sp->dx = sp->dy = 15;
  sp->angle = 0, sp->spin = 1;
}

void SphereDot(SphereStyle* sp, int x, int y) {
  const int u = static_cast<int>(sp->c * x + sp->s * y);
  const int v = static_cast<int>(sp->s * x - sp->c * y);
  if (u < -61 || u > 60 || v < -61 || v > 60) return;
  const int value = std::max(sp->map[61 + v][61 + u] - 32, 0);
  XPutPixel(sp->frame, u + 86, v + 86, sp->shade[value]);
}

void SphereTick(SaverStyle* head) {
  auto* sp = reinterpret_cast<SphereStyle*>(head);
  if (sp->failed) return;
  ScreenState* s = head->state;
  std::memcpy(sp->frame->data, sp->base->data, static_cast<size_t>(sp->base->bytes_per_line) * kImageSize);
  sp->c = std::cos(sp->angle * M_PI / 180.0);
  sp->s = std::sin(sp->angle * M_PI / 180.0);
  for (int y : {0, 20, 40, 60}) {
    const int w = static_cast<int>(60.0 * sp->halfWidth[y]);
    for (int x = -w; x <= w; x += 4) {
      SphereDot(sp, x, y);
      SphereDot(sp, x, -y);
    }
  }
  for (int k : {0, 20, 40, 60})
    for (int y = 0; y <= 60; y += 4) {
      const int x = static_cast<int>(k * sp->halfWidth[y]);
      SphereDot(sp, x, y);
      SphereDot(sp, -x, y);
      SphereDot(sp, x, -y);
      SphereDot(sp, -x, -y);
    }
  Display* d = s->sdk.display;
  GC gc = XCreateGC(d, head->window, 0, nullptr);
  XPutImage(d, head->window, gc, sp->frame, 0, 0, sp->x - kImageSize / 2, sp->y - kImageSize / 2, kImageSize,
            kImageSize);
  XFreeGC(d, gc);
  sp->x += sp->dx;
  sp->y += sp->dy;
  if (sp->x - 142 < 1 || sp->x + 142 >= s->sdk.width) {
    sp->dx = -sp->dx;
    sp->spin = -sp->spin;
  }
  if (sp->y - 142 < 1 || sp->y + 142 >= s->sdk.height) {
    sp->dy = -sp->dy;
    sp->spin = -sp->spin;
  }
  sp->angle = (sp->angle + (sp->spin > 0 ? 15 : 345)) % 360;
}

// ---- the saver window

void SaverExpose(ScreenState* s) {
  if (s->saverStyle) Quietly(s->sdk.display, [&] { SaverStyleExpose(s->saverStyle); });
}

int SaverExposeHandler(SimpleWindow* w, XEvent* ev) {
  auto* s = static_cast<ScreenState*>(w->data);
  if (ev->xexpose.count == 0) SaverExpose(s);
  return 1;
}

int SaverEventHandler(SimpleWindow* w, XEvent* ev) {
  auto* s = static_cast<ScreenState*>(w->data);
  if (s->saverStyle) Quietly(s->sdk.display, [&] { SaverStyleEvent(s->saverStyle, ev); });
  return 1;
}

void CreateSaverWindow(ScreenState* s) {
  Window parent = s->desktopWindow ? s->desktopWindow->window : s->sdk.root;
  SimpleWindow* w = CreateSimpleWindow(&s->sdk, parent, 0, 0, static_cast<unsigned>(s->sdk.width),
                                       static_cast<unsigned>(s->sdk.height), s->sdk.blackPixel,
                                       ExposureMask | KeyPressMask | ButtonPressMask);
  if (!w) return;
  XSetWindowAttributes a;
  a.override_redirect = True;
  XChangeWindowAttributes(s->sdk.display, w->window, CWOverrideRedirect, &a);
  XStoreName(s->sdk.display, w->window, "screen saver");
  XDefineCursor(s->sdk.display, w->window, s->sdk.cursors[SdkCursorLogoff]);
  w->data = s;
  w->expose = SaverExposeHandler;
  w->event = SaverEventHandler;
  s->saverWindow = w;
}

bool WindowValid(Display* d, Window w) {
  if (!w) return false;
  bool ok = false;
  Quietly(d, [&] {
    XWindowAttributes a;
    ok = XGetWindowAttributes(d, w, &a) != 0;
  });
  return ok;
}

void PutIntoServerWindow(ScreenState* s) {
  Display* d = s->sdk.display;
  int x = 0, y = 0;
  Quietly(d, [&] {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, s->saverServerWindow, &a)) x = a.x, y = a.y;
    XReparentWindow(d, s->saverWindow->window, s->saverServerWindow, -x, -y);
  });
}

}  // namespace

SaverStyle* CreateSaverStyle(ScreenState* s, const char* name, Pixmap bitmap, Window window) {
  const bool blank = name && !std::strcmp(name, "blank");
  const bool withBitmap = name && !std::strcmp(name, "bitmap");
  SaverStyle* head = nullptr;
  unsigned long interval = 100;
  if (blank || withBitmap) {
    auto* b = static_cast<BitmapStyle*>(std::calloc(1, sizeof(BitmapStyle)));
    if (!b) return nullptr;
    if (withBitmap && bitmap) {
      Window root;
      int x, y;
      unsigned int border, depth;
      if (XGetGeometry(s->sdk.display, bitmap, &root, &x, &y, &b->width, &b->height, &border, &depth))
        b->bitmap = bitmap;
    }
    head = &b->head;
    head->expose = BitmapDraw;
    head->tick = BitmapTick;
    interval = 10000;
  } else {
    auto* sp = static_cast<SphereStyle*>(std::calloc(1, sizeof(SphereStyle)));
    if (!sp) return nullptr;
    head = &sp->head;
    head->state = s;
    head->window = window;
    SphereSetUp(sp);
    head->destroy = SphereDestroy;
    head->tick = SphereTick;
  }
  head->state = s;
  head->window = window;
  head->timer = EvtAppAddRecurringTimeOut(s->sdk.app, interval, StyleTimer, head);
  return head;
}

void DestroySaverStyle(SaverStyle* style) {
  if (!style) return;
  if (style->timer) EvtAppRemoveTimeOut(style->state->sdk.app, style->timer);
  if (style->destroy) style->destroy(style);
  std::free(style);
}

void SaverStyleExpose(SaverStyle* style) {
  if (style && style->expose) style->expose(style);
}
void SaverStyleTick(SaverStyle* style) {
  if (style && style->tick) style->tick(style);
}
void SaverStyleEvent(SaverStyle* style, XEvent* event) {
  if (style && style->event) style->event(style, event);
}

const char* ScreenSaverStyleName() { return styleName; }
int ScreenSaverTimeout() { return saverTimeout; }

void StartScreenSaver(ScreenState* s) {
  if (s->screenSaverDisabled || s->saverActive) return;
  Display* d = s->sdk.display;
  s->saverEventBase = -1;
  s->saverStartState = 1;
  s->saverErrorBase = 0;
  s->saverWindow = nullptr;
  s->saverServerWindow = 0;
  int eventBase = 0, errorBase = 0;
  if (!XScreenSaverQueryExtension(d, &eventBase, &errorBase)) {
    s->saverStartState = 2;
    return;
  }
  s->saverEventBase = eventBase;
  s->saverErrorBase = errorBase;
  // The saver window itself is made when the saver turns on, and goes
  // when it turns off: no empty window waits on the root meanwhile.
  s->saverStartState = 0;
  XScreenSaverSelectInput(d, s->sdk.root, ScreenSaverNotifyMask | ScreenSaverCycleMask);
  if (XScreenSaverInfo* info = XScreenSaverAllocInfo()) {
    if (XScreenSaverQueryInfo(d, s->sdk.root, info)) s->saverServerWindow = info->window;
    XFree(info);
  }
  srandom(static_cast<unsigned>(time(nullptr)));
  XSetScreenSaver(d, saverTimeout, 0, DontPreferBlanking, DontAllowExposures);
  s->saverActive = 1;
}

void StopScreenSaver(ScreenState* s) {
  if (s->saverWindow) GrabStackRemove(&s->sdk, s->saverWindow);
  if (s->saverStartState == 2 || !s->saverActive) return;
  Display* d = s->sdk.display;
  XResetScreenSaver(d);
  XSetScreenSaver(d, 0, 0, DontPreferBlanking, AllowExposures);
  if (s->saverStartState == 0) {
    DestroySaverStyle(s->saverStyle);
    s->saverStyle = nullptr;
    if (SimpleWindow* old = s->saverWindow) {
      s->saverWindow = nullptr;
      if (!WindowValid(d, old->window)) old->ownsWindow = 0;
      Quietly(d, [&] { DestroySimpleWindow(old); });
    }
    s->saverServerWindow = 0;
  }
  s->saverActive = 0;
}

void ResetScreenSaver(ScreenState* s) {
  if (!s->saverActive) return;
  XForceScreenSaver(s->sdk.display, ScreenSaverReset);
  if (s->saverWindow) GrabStackRemove(&s->sdk, s->saverWindow);
}

void ConfigureScreenSaver(ScreenState* s, const char* style, int timeoutSeconds, const char* bitmapFile) {
  std::snprintf(styleName, sizeof styleName, "%s", style && *style ? style : "ball");
  saverTimeout = std::max(0, timeoutSeconds);
  Display* d = s->sdk.display;
  if (saverBitmap) XFreePixmap(d, saverBitmap);
  saverBitmap = None;
  if (bitmapFile && *bitmapFile) {
    unsigned int w = 0, h = 0;
    int hx = 0, hy = 0;
    Pixmap p = None;
    if (XReadBitmapFile(d, s->sdk.root, bitmapFile, &w, &h, &p, &hx, &hy) == BitmapSuccess) saverBitmap = p;
  }
  if (s->saverActive) {
    StopScreenSaver(s);
    StartScreenSaver(s);
  }
}

int HandleScreenSaverNotify(ScreenState* s, XEvent* ev) {
  if (s->saverEventBase < 0 || !s->saverActive || ev->type != s->saverEventBase + ScreenSaverNotify) return 0;
  const auto* n = reinterpret_cast<XScreenSaverNotifyEvent*>(ev);
  Display* d = s->sdk.display;
  switch (n->state) {
    case ScreenSaverOn: {
      if (s->lockWhenScreenSaves && s->lockAllowed && !s->promptForLockPassword && !s->loginMode &&
          !s->loginDialog) {
        LockScreen(s, nullptr);
        return 1;
      }
      if (!s->saverWindow) CreateSaverWindow(s);
      if (!s->saverWindow) return 1;
      // A server that blanks without a window of its own (no exposures
      // allowed) still gets Teldra's window, over everything.
      if (n->window) s->saverServerWindow = n->window;
      if (WindowValid(d, s->saverServerWindow)) PutIntoServerWindow(s);
      DestroySaverStyle(s->saverStyle);
      s->saverStyleCounter = (s->saverStyleCounter + 1) % 2;
      s->saverStyle = CreateSaverStyle(s, styleName, saverBitmap, s->saverWindow->window);
      if (s->pressedWindow) AbortMoveResize(s->pressedWindow);
      XClearWindow(d, s->saverWindow->window);
      XMapRaised(d, s->saverWindow->window);
      XSync(d, False);
      GrabStackAdd(&s->sdk, s->saverWindow);
      return 1;
    }
    case ScreenSaverCycle:
      if (!s->saverWindow) return 1;
      if (n->window) s->saverServerWindow = n->window;
      if (WindowValid(d, s->saverServerWindow)) PutIntoServerWindow(s);
      DestroySaverStyle(s->saverStyle);
      s->saverStyle = CreateSaverStyle(s, styleName, saverBitmap, s->saverWindow->window);
      XClearArea(d, s->saverWindow->window, 0, 0, 0, 0, True);
      return 1;
    default: {
      if (!s->saverWindow) return 1;
      XSync(d, False);
      GrabStackRemove(&s->sdk, s->saverWindow);
      DestroySaverStyle(s->saverStyle);
      s->saverStyle = nullptr;
      // A window that went with the server's saver window is only forgotten.
      SimpleWindow* old = s->saverWindow;
      s->saverWindow = nullptr;
      if (!WindowValid(d, old->window)) old->ownsWindow = 0;
      Quietly(d, [&] { DestroySimpleWindow(old); });
      return 1;
    }
  }
}
