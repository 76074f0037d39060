#include "wm/manager/WindowSwitcher.h"

#include <X11/keysym.h>

#include <algorithm>
#include <string>

#include "platform/sdk/Draw3D.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/BuiltInIcons.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerState.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/WorkArea.h"

namespace {

constexpr int kVisible = 4;

const unsigned char kLeftArrow[] = {0x80, 0x00, 0xC0, 0x00, 0xE0, 0x00, 0xF0, 0x00, 0xF8, 0x00, 0xFC,
                                    0x00, 0xF8, 0x00, 0xF0, 0x00, 0xE0, 0x00, 0xC0, 0x00, 0x80, 0x00};
const unsigned char kRightArrow[] = {0x08, 0x00, 0x18, 0x00, 0x38, 0x00, 0x78, 0x00, 0xF8, 0x00, 0xF8,
                                     0x01, 0xF8, 0x00, 0x78, 0x00, 0x38, 0x00, 0x18, 0x00, 0x08, 0x00};

bool Eligible(const ManagedWindow* m) { return m->frame->inUse && !m->transient && !m->unmappedByClient; }

ManagedWindow* FrameRecord(ManagerState* s, Window frame) {
  for (ManagedWindow* m = s->managedWindows; m; m = m->next)
    if (m->frame->window == frame) return m;
  return nullptr;
}

std::string TitleOf(const ManagedWindow* m) { return m->title + FormatTitleSuffix(m); }

void Redraw(ManagerState* s) {
  WindowSwitcher* sw = s->switcher;
  if (!sw) return;
  Display* d = s->sdk.display;
  const Window w = sw->window->window;
  if (!s->iconGC) s->iconGC = XCreateGC(d, s->sdk.root, 0, nullptr);
  GC gc = s->iconGC;
  XClearWindow(d, w);
  Draw3DBox(d, w, gc, 0, 0, sw->width, sw->height, 2, s->frameHighlight, s->frameShadow, false);
  Draw3DBox(d, w, gc, 5, 5, sw->width - 10, sw->height - 10, 1, s->frameShadow, s->frameHighlight, false);
  const int count = static_cast<int>(sw->entries.size());
  for (int i = 0; i < kVisible && sw->firstVisible + i < count; ++i) {
    const SwitcherEntry& e = sw->entries[static_cast<size_t>(sw->firstVisible + i)];
    const int centre = i * sw->cellWidth + sw->cellWidth / 2 + 16 + sw->leftOffset;
    const int x = centre - e.width / 2, y = (sw->tallest + 32) / 2 - e.height / 2;
    if (e.icon) {
      XSetClipOrigin(d, gc, x, y);
      XSetClipMask(d, gc, e.mask ? e.mask : None);
      if (e.depth == 1) {
        XSetForeground(d, gc, s->sdk.blackPixel);
        XSetBackground(d, gc, s->frameFace);
        XSetStipple(d, gc, e.icon);
        XSetTSOrigin(d, gc, x, y);
        XSetFillStyle(d, gc, FillOpaqueStippled);
        XFillRectangle(d, w, gc, x, y, static_cast<unsigned>(e.width), static_cast<unsigned>(e.height));
        XSetFillStyle(d, gc, FillSolid);
      } else {
        XCopyArea(d, e.icon, w, gc, 0, 0, static_cast<unsigned>(e.width), static_cast<unsigned>(e.height), x, y);
      }
      XSetClipMask(d, gc, None);
    }
    if (sw->firstVisible + i == sw->selected) {
      XSetForeground(d, gc, s->titleBackground);
      XDrawRectangle(d, w, gc, x - 4, y - 4, static_cast<unsigned>(e.width + 7), static_cast<unsigned>(e.height + 7));
      XDrawRectangle(d, w, gc, x - 3, y - 3, static_cast<unsigned>(e.width + 5), static_cast<unsigned>(e.height + 5));
    }
  }
  if (ManagedWindow* m = count ? FrameRecord(s, sw->entries[static_cast<size_t>(sw->selected)].frame) : nullptr) {
    if (s->generalFont) {
      const std::string title = TitleOf(m);
      const int tw = NLSTextWidth(s->generalFont, title.data(), static_cast<int>(title.size()));
      XSetForeground(d, gc, s->sdk.blackPixel);
      NLSDrawString(d, w, s->generalFont, gc, (sw->width - tw) / 2, sw->height - (s->generalFont->descent + 16),
                    title.data(), static_cast<int>(title.size()));
    }
  }
  auto arrow = [&](const unsigned char* bits, int x) {
    Pixmap p = XCreateBitmapFromData(d, w, reinterpret_cast<const char*>(bits), 11, 11);
    if (!p) return;
    XSetForeground(d, gc, s->sdk.blackPixel);
    XSetBackground(d, gc, s->frameFace);
    XSetStipple(d, gc, p);
    XSetTSOrigin(d, gc, x, (sw->height - 11) / 2);
    XSetFillStyle(d, gc, FillOpaqueStippled);
    XFillRectangle(d, w, gc, x, (sw->height - 11) / 2, 11, 11);
    XSetFillStyle(d, gc, FillSolid);
    XFreePixmap(d, p);
  };
  if (sw->firstVisible > 0) arrow(kLeftArrow, 7);
  if (sw->firstVisible + kVisible < count) arrow(kRightArrow, sw->width - 18);
}

int SwitcherExpose(SimpleWindow* w, XEvent* ev) {
  if (ev->xexpose.count == 0) Redraw(ManagerOf(w->owner));
  return 1;
}

int SwitcherEvent(SimpleWindow* w, XEvent* ev) {
  ManagerState* s = ManagerOf(w->owner);
  if (ev->type == KeyPress || ev->type == KeyRelease) {
    SwitcherKeyEvent(s, ev);
    return 1;
  }
  return 0;
}

void EndWindowSwitch(ManagerState* s) {
  WindowSwitcher* sw = s->switcher;
  if (!sw) return;
  s->switcher = nullptr;
  GrabStackRemove(&s->sdk, sw->window);
  UnmapSimpleWindow(sw->window);
  DestroySimpleWindow(sw->window);
  Window chosen = sw->entries.empty() ? None : sw->entries[static_cast<size_t>(sw->selected)].frame;
  delete sw;
  ManagedWindow* m = chosen ? FrameRecord(s, chosen) : nullptr;
  if (!m) return;
  if (m->minimized)
    RestoreWindow(m);
  else
    RaiseWindow(m);
}

void IconOf(ManagerState* s, const ManagedWindow* m, SwitcherEntry* e) {
  ClassRecord record = {};
  e->icon = s->defaultIcon;
  e->mask = s->defaultIconMask;
  Pixmap hinted = None, hintedMask = None;
  if (m->client) {
    // The client's own WM_HINTS picture, as its desktop icon shows it.
    if (XWMHints* h = XGetWMHints(s->sdk.display, m->client)) {
      if ((h->flags & IconPixmapHint) && h->icon_pixmap) {
        hinted = h->icon_pixmap;
        if (h->flags & IconMaskHint) hintedMask = h->icon_mask;
      }
      XFree(h);
    }
  }
  if (LookupClassRecord(s, m->realClass, &record) && record.pixmapsValid && record.iconPixmap) {
    e->icon = record.iconPixmap;
    e->mask = record.iconMask;
  } else if (hinted) {
    e->icon = hinted;
    e->mask = hintedMask;
  } else if (m->realClass == "VendorShell" || m->realClass == "TopLevelShell") {
    unsigned long p = 0, k = 0;
    ShellWindowIcon(s, &p, &k);
    if (p) {
      e->icon = p;
      e->mask = k;
    }
  }
  e->width = e->height = 0;
  Window root = 0;
  int x = 0, y = 0;
  unsigned w = 0, h = 0, bw = 0, depth = 0;
  // Another client's pixmap may be gone, of another screen or of a depth
  // that cannot be drawn here: then the default image stands.
  const auto usable = [&](Pixmap p) {
    return p && XGetGeometry(s->sdk.display, p, &root, &x, &y, &w, &h, &bw, &depth) && root == s->sdk.root &&
           (depth == 1 || depth == static_cast<unsigned>(s->sdk.depth)) && w <= 256 && h <= 256;
  };
  if (!usable(e->icon)) {
    e->icon = s->defaultIcon;
    e->mask = s->defaultIconMask;
    if (!usable(e->icon)) {
      e->icon = e->mask = None;
      e->depth = 0;
      return;
    }
  }
  e->width = static_cast<int>(w);
  e->height = static_cast<int>(h);
  e->depth = static_cast<int>(depth);
  // A mask must be a bitmap of this screen (the check reads its geometry
  // into w, h and depth, which are not needed any more).
  if (e->mask && (!usable(e->mask) || depth != 1)) e->mask = None;
}

}  // namespace

int CanSwitchWindows(ManagerState* s) {
  int eligible = 0;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) {
    if (!Eligible(m)) continue;
    if (m->minimized) return 1;
    ++eligible;
  }
  return eligible >= 2;
}

void BeginWindowSwitch(ManagerState* s, int forward) {
  if (s->switcher) return;
  Display* d = s->sdk.display;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(d, s->sdk.root, &root, &parent, &children, &n)) return;
  auto* sw = new WindowSwitcher();
  int widestIcon = 0, widestTitle = 0;
  for (unsigned int i = n; i-- > 0;) {
    ManagedWindow* m = FrameRecord(s, children[i]);
    if (!m || !Eligible(m)) continue;
    SwitcherEntry e = {};
    e.frame = children[i];
    IconOf(s, m, &e);
    widestIcon = std::max(widestIcon, e.width);
    sw->tallest = std::max(sw->tallest, e.height);
    if (s->generalFont) {
      const std::string t = TitleOf(m);
      widestTitle = std::max(widestTitle, NLSTextWidth(s->generalFont, t.data(), static_cast<int>(t.size())));
    }
    sw->entries.push_back(e);
  }
  if (children) XFree(children);
  const int count = static_cast<int>(sw->entries.size());
  if (!count) {
    delete sw;
    return;
  }
  if (forward) {
    sw->selected = 1;
    sw->firstVisible = 0;
  } else {
    sw->selected = count - 1;
    sw->firstVisible = count - kVisible;
  }
  sw->selected = std::clamp(sw->selected, 0, count - 1);
  sw->firstVisible = std::max(sw->firstVisible, 0);
  sw->cellWidth = widestIcon + 32;
  sw->width = std::min(count, kVisible) * sw->cellWidth + 32;
  if (widestTitle + 32 > sw->width) {
    sw->leftOffset = (widestTitle + 32 - sw->width) / 2;
    sw->width = widestTitle + 32;
  }
  const int ascent = s->generalFont ? s->generalFont->ascent : 10, descent = s->generalFont ? s->generalFont->descent : 3;
  sw->height = sw->tallest + ascent + 40 + descent;
  const int* a = s->workArea;
  SimpleWindow* w = CreateSimpleWindow(&s->sdk, s->sdk.root, (a[0] + a[2] - sw->width) / 2,
                                       (a[1] + a[3] - sw->height) / 2, static_cast<unsigned>(sw->width),
                                       static_cast<unsigned>(sw->height), s->frameFace,
                                       ExposureMask | KeyPressMask | KeyReleaseMask);
  if (!w) {
    delete sw;
    return;
  }
  XSetWindowAttributes attr;
  attr.override_redirect = True;
  XChangeWindowAttributes(d, w->window, CWOverrideRedirect, &attr);
  XStoreName(d, w->window, "teldra switcher");
  w->expose = SwitcherExpose;
  w->event = SwitcherEvent;
  sw->window = w;
  s->switcher = sw;
  MapSimpleWindow(w);
  XRaiseWindow(d, w->window);
  XSync(d, False);
  GrabStackAdd(&s->sdk, w);
  XDefineCursor(d, w->window, s->sdk.cursors[SdkCursorNormal]);
}

void StepWindowSwitch(ManagerState* s, int forward) {
  WindowSwitcher* sw = s->switcher;
  if (!sw) return;
  const int count = static_cast<int>(sw->entries.size());
  if (count < 2) return;
  if (forward) {
    sw->selected = (sw->selected + 1) % count;
    if (sw->selected < sw->firstVisible) sw->firstVisible = 0;
    if (sw->selected >= sw->firstVisible + kVisible) ++sw->firstVisible;
  } else if (sw->selected == 0) {
    sw->selected = count - 1;
    sw->firstVisible = std::max(count - kVisible, 0);
  } else {
    --sw->selected;
    if (sw->selected < sw->firstVisible) --sw->firstVisible;
  }
  Redraw(s);
}

void SwitcherKeyEvent(ManagerState* s, XEvent* ev) {
  if (!s->switcher) return;
  const KeySym sym = XLookupKeysym(&ev->xkey, 0);
  if (ev->type == KeyPress) {
    if (sym == XK_Tab || sym == XK_ISO_Left_Tab) StepWindowSwitch(s, !(ev->xkey.state & ShiftMask));
    return;
  }
  if (ev->type == KeyRelease &&
      (sym == XK_Alt_L || sym == XK_Alt_R || sym == XK_Meta_L || sym == XK_Meta_R))
    EndWindowSwitch(s);
}
