#include "wm/manager/WindowOps.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sdk/Color.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/BuiltInIcons.h"
#include "wm/manager/ClassRules.h"
#include "wm/manager/Clients.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerState.h"
#include "wm/manager/Stacking.h"
#include "wm/manager/WorkArea.h"

namespace {

// A transient dialog comes back centred on its owner, inside the work area.
void CentreTransient(ManagedWindow* m) {
  ManagerState* s = m->state;
  const int* a = s->workArea;
  int left, top;
  if (ManagedWindow* p = m->owner) {
    left = p->x + (p->width - m->width) / 2;
    top = p->y + (p->height - m->height) / 2;
    left = std::max(left, a[0]);
    top = std::max(top, a[1]);
    if (left + m->width > a[2]) left = a[2] - m->width;
    if (top + m->height > a[3]) top = a[3] - m->height;
  } else {
    left = a[0] + ((a[2] - a[0]) - m->width) / 2;
    top = a[1] + ((a[3] - a[1]) - m->height) / 2;
  }
  if (left != m->x || top != m->y) {
    PlaceFrame(m, left, top, left + m->width, top + m->height);
    m->normal[0] = left;
    m->normal[1] = top;
    m->normal[2] = left + m->width;
    m->normal[3] = top + m->height;
  }
  SendSyntheticConfigure(m);
}

void MoveToEndOfManagedList(ManagedWindow* m) {
  ManagedWindow** p = &m->state->managedWindows;
  while (*p && *p != m) p = &(*p)->next;
  if (!*p) return;
  *p = m->next;
  while (*p) p = &(*p)->next;
  *p = m;
  m->next = nullptr;
}

void GrabFrameButtons(ManagedWindow* m, bool grab) {
  if (m->buttonsGrabbed == static_cast<int>(grab)) return;
  Display* d = m->state->sdk.display;
  if (grab)
    XGrabButton(d, AnyButton, AnyModifier, m->frame->window, True, ButtonPressMask, GrabModeSync,
                GrabModeAsync, None, None);
  else
    XUngrabButton(d, AnyButton, AnyModifier, m->frame->window);
  m->buttonsGrabbed = grab;
}

void InstallColormap(ManagerState* s, Colormap target) {
  if (s->serviceColormap || s->systemColormapFlag) return;
  XInstallColormap(s->sdk.display, target);
}

Colormap SystemColormap(ManagerState* s) {
  if (!s->systemColormap) return s->sdk.colormap;
  SyncOurColormap(&s->sdk, s->systemColormap);
  return s->systemColormap;
}

}  // namespace

int ListsProtocol(ManagerState* s, Window client, Atom protocol) {
  Atom* protocols = nullptr;
  int n = 0;
  bool found = false;
  if (client && XGetWMProtocols(s->sdk.display, client, &protocols, &n)) {
    for (int i = 0; i < n; ++i) found = found || protocols[i] == protocol;
    if (protocols) XFree(protocols);
  }
  return found;
}

void StoreClassGeometry(ManagedWindow* m) {
  if (m->transient || m->classKey.empty()) return;
  ClassRecord update = {};
  update.geometryValid = 1;
  update.x1 = m->normal[0];
  update.y1 = m->normal[1];
  update.x2 = m->normal[2];
  update.y2 = m->normal[3];
  update.maximized = m->maximized;
  FindOrAddClassRecord(m->state, m->classKey, update);
}

ManagedWindow* GetActiveWindow(ManagerState* s) { return s->activeWindow; }

ManagedWindow* FindBottomWindow(ManagerState* s) {
  Display* d = s->sdk.display;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(d, s->sdk.root, &root, &parent, &children, &n)) return nullptr;
  ManagedWindow* found = nullptr;
  for (unsigned int i = 0; i < n && !found; ++i)
    for (ManagedWindow* m = s->managedWindows; m; m = m->next)
      if (m->frame->window == children[i] && !m->minimized) {
        found = m;
        break;
      }
  if (children) XFree(children);
  return found;
}

void MinimizeWindow(ManagedWindow* m) {
  if (m->minimized) return;
  ManagerState* s = m->state;
  m->minimized = 1;
  MapWindowTree(m, 0);
  m->visible = 0;
  if (s->activeWindow == m || (s->activeWindow && RootOfWindowTree(s->activeWindow) == m))
    FocusMostRecentWindow(s);
  UnmapSimpleWindow(m->frame);
  // ICCCM 4.1.4: an iconic client is unmapped too, and learns it from its
  // UnmapNotify; its own map request later asks for the normal state.
  if (m->client) {
    XUnmapWindow(s->sdk.display, m->client);
    ++m->unmapsExpected;
  }
  MoveWindowToEndOfList(m->frame);
  MoveToEndOfManagedList(m);
  RedrawFramesAndFocus(s);
  RedrawDesktop(s, 0);
  SetWMState(m);
}

void RestoreWindow(ManagedWindow* m) {
  ManagerState* s = m->state;
  if (m->minimized) {
    m->minimized = 0;
    if (m->client) XMapWindow(s->sdk.display, m->client);
    if (m->transient && !m->modeless) CentreTransient(m);
    RaiseWindow(m);
    RedrawDesktop(s, 0);
  } else if (m->maximized) {
    m->maximized = 0;
    PlaceFrame(m, m->normal[0], m->normal[1], m->normal[2], m->normal[3]);
    SendSyntheticConfigure(m);
    RedrawFramesAndFocus(s);
  }
  SetWMState(m);
}

void MaximizeWindow(ManagedWindow* m) {
  if (m->maximized) return;
  ManagerState* s = m->state;
  const int* a = s->workArea;
  const int o = m->outlineWidth;
  m->maximized = 1;
  PlaceFrame(m, a[0] - 1, a[1] - 1, a[2] + o + 1, a[3] + o + 1);
  SendSyntheticConfigure(m);
  if (IsActiveWindow(m))
    RedrawFramesAndFocus(s);
  else
    RaiseWindow(m);
  SetWMState(m);
}

void CloseWindow(ManagedWindow* m) {
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  StoreClassGeometry(m);
  if (m->client && ListsProtocol(s, m->client, s->atoms[AtomWmDeleteWindow])) {
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = m->client;
    ev.xclient.message_type = s->atoms[AtomWmProtocols];
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = static_cast<long>(s->atoms[AtomWmDeleteWindow]);
    ev.xclient.data.l[1] = static_cast<long>(s->eventTime[0] ? s->eventTime[0] : CurrentTime);
    XSendEvent(d, m->client, True, NoEventMask, &ev);
    // A client that does not answer keeps its window: nothing is forced.
    AddSimpleWindowTimeout(m->frame, 2000000);
    return;
  }
  if (!m->transient) {
    std::vector<ManagedWindow*> transients;
    for (ManagedWindow* t = m->firstTransient; t; t = t->below) transients.push_back(t);
    for (ManagedWindow* t : transients) DestroyFrame(t);
  }
  DestroyFrame(m);
  RedrawFramesAndFocus(s);
  RedrawDesktop(s, 0);
}

void RaiseWindow(ManagedWindow* m) {
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  XSync(d, False);
  StackRaiseTree(m);
  SetWMState(m);  // before the frame shows
  MapSimpleWindow(m->frame);
  m->visible = 1;
  MapWindowTree(m, 1);
  NoteWindowFocus(m);
  XSync(d, False);
  RedrawFramesAndFocus(s);
}

void LowerWindow(ManagedWindow* m) {
  StackLowerTree(m);
  RedrawFramesAndFocus(m->state);
  SetWMState(m);
}

void SetFocusWindow(ManagerState* s) {
  Display* d = s->sdk.display;
  ManagedWindow* a = s->activeWindow;
  if (!a || !a->client) {
    if (s->focusedClient) {
      XSetInputFocus(d, PointerRoot, RevertToPointerRoot, CurrentTime);
      s->focusedClient = 0;
    }
    InstallWindowColormap(s, nullptr);
    return;
  }
  if (a->client == s->focusedClient) {
    InstallWindowColormap(s, a);
    return;
  }
  // The first click into an inactive frame reaches the frame, which raises it.
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) GrabFrameButtons(m, m != a);
  XSync(d, False);
  XSetInputFocus(d, a->client, RevertToPointerRoot, CurrentTime);
  XSync(d, False);
  a->focusGiven = 1;
  if (XWMHints* h = XGetWMHints(d, a->client)) {
    if ((h->flags & InputHint) && h->input && ListsProtocol(s, a->client, s->atoms[AtomWmTakeFocus]))
      a->takesFocus = 1;
    XFree(h);
  }
  SetWMState(a);
  s->focusedClient = a->client;
  InstallWindowColormap(s, a);
}

void RedrawFramesAndFocus(ManagerState* s) {
  // Only the frames whose active look changed are drawn again; the others
  // look the same.
  for (ManagedWindow* m = s->managedWindows; m; m = m->next)
    if (m->frame && m->frame->inUse && m->drawnActive != IsActiveWindow(m)) RedrawFrame(m);
  SetFocusWindow(s);
}

void InstallWindowColormap(ManagerState* s, ManagedWindow* m) {
  if (s->sdk.depth > 8) return;
  // A client on the screen's default colormap gets the system colormap,
  // which is Teldra's web palette when the preferences ask for one.
  const bool own = m && m->colormap && m->colormap != s->sdk.colormap;
  const Colormap target = own ? m->colormap : SystemColormap(s);
  if (target == s->installedColormap) return;
  if (!s->installedColormap && target == s->lastColormap) {
    if (++s->colormapRepeats >= 3) {
      s->installedColormap = target;
      return;
    }
  } else {
    s->colormapRepeats = 0;
  }
  s->installedColormap = target;
  s->lastColormap = target;
  InstallColormap(s, target);
}

void InstallClientColormap(ManagerState* s, Colormap colormap) {
  if (s->sdk.depth > 8 || s->serviceColormap == colormap) return;
  s->serviceColormap = colormap;
  if (!colormap && !s->systemColormapFlag && s->installedColormap) {
    s->colormapRepeats = 0;
    XInstallColormap(s->sdk.display, s->installedColormap);
  } else {
    XInstallColormap(s->sdk.display, SystemColormap(s));
  }
}

void ScreenSystemColormap(ManagerState* s) {
  s->systemColormapFlag = 1;
  if (s->sdk.depth <= 8) XInstallColormap(s->sdk.display, SystemColormap(s));
}

void ScreenRevertColormap(ManagerState* s) {
  s->systemColormapFlag = 0;
  if (s->sdk.depth > 8 || s->serviceColormap || !s->installedColormap) return;
  s->colormapRepeats = 0;
  XInstallColormap(s->sdk.display, s->installedColormap);
}

namespace {

struct IconPlacementRule {
  bool right, bottom;  // where the first cell starts
  int dx, dy;          // fill direction
};
// Placements 0 to 7: start corner and fill direction; the next line moves
// the other way round.
constexpr IconPlacementRule kPlacements[8] = {
    {false, false, 1, 0}, {false, true, 1, 0},  {false, false, 0, 1}, {true, false, 0, 1},
    {true, false, -1, 0}, {true, true, -1, 0},  {false, true, 0, -1}, {true, true, 0, -1}};

std::string IconLabel(const ManagedWindow* m) {
  std::string label = m->iconTitle.substr(0, 960);
  return label + FormatTitleSuffix(m);
}

// The image of a desktop icon: the class's own, the client's WM_HINTS
// pixmap or icon window, the shell image, or the default.
struct IconImage {
  Pixmap pixmap = None, mask = None;
  Window window = None;
  unsigned width = 0, height = 0, depth = 0;
};

bool UsablePixmap(ManagerState* s, Pixmap p, IconImage* image) {
  if (!p) return false;
  Window root = 0;
  int x = 0, y = 0;
  unsigned w = 0, h = 0, bw = 0, depth = 0;
  if (!XGetGeometry(s->sdk.display, p, &root, &x, &y, &w, &h, &bw, &depth)) return false;
  // A pixmap of another screen, or of a depth that cannot be drawn here.
  if (root != s->sdk.root || (depth != 1 && depth != static_cast<unsigned>(s->sdk.depth))) return false;
  image->pixmap = p;
  image->width = w;
  image->height = h;
  image->depth = depth;
  return true;
}

IconImage ChooseIconImage(ManagerState* s, ManagedWindow* m) {
  IconImage image;
  ClassRecord record = {};
  if (LookupClassRecord(s, m->realClass, &record) && record.pixmapsValid && record.iconPixmap &&
      UsablePixmap(s, record.iconPixmap, &image)) {
    image.mask = record.iconMask;
    return image;
  }
  if (m->client) {
    if (XWMHints* h = XGetWMHints(s->sdk.display, m->client)) {
      const bool hasPixmap = (h->flags & IconPixmapHint) && h->icon_pixmap;
      if (hasPixmap && UsablePixmap(s, h->icon_pixmap, &image)) {
        if ((h->flags & IconMaskHint) && h->icon_mask) image.mask = h->icon_mask;
      } else if (hasPixmap) {
        image = IconImage();
        UsablePixmap(s, s->defaultIcon, &image);
        image.mask = s->defaultIconMask;
      } else if ((h->flags & IconWindowHint) && h->icon_window && h->icon_window != m->client) {
        image.window = h->icon_window;
        XWindowAttributes a;
        if (XGetWindowAttributes(s->sdk.display, h->icon_window, &a)) {
          image.width = static_cast<unsigned>(a.width);
          image.height = static_cast<unsigned>(a.height);
        } else {
          image.window = None;
        }
      }
      XFree(h);
      if (image.pixmap || image.window) return image;
    }
  }
  Pixmap pixmap = s->defaultIcon, mask = s->defaultIconMask;
  if (m->realClass == "VendorShell" || m->realClass == "TopLevelShell") {
    unsigned long p = 0, k = 0;
    ShellWindowIcon(s, &p, &k);
    if (p) {
      pixmap = p;
      mask = k;
    }
  }
  if (UsablePixmap(s, pixmap, &image)) image.mask = mask;
  return image;
}

void HideIconWindow(ManagerState* s, ManagedWindow* m) {
  if (!m->iconWindowShown) return;
  XUnmapWindow(s->sdk.display, m->iconWindowShown);
  m->iconWindowShown = None;
}

int LabelHeight(ManagerState* s) { return s->generalFont ? s->generalFont->ascent + s->generalFont->descent : 0; }

void DrawIcon(ManagerState* s, ManagedWindow* m, int cellX, int cellY, int cellW, const std::string& label,
              int labelWidth, int wrappedHeight) {
  Display* d = s->sdk.display;
  const Window root = s->sdk.root;
  if (!s->iconGC) s->iconGC = XCreateGC(d, root, 0, nullptr);
  GC gc = s->iconGC;
  const int boxX = cellX + (cellW - 32) / 2, boxY = cellY;
  const IconImage image = ChooseIconImage(s, m);
  const int x = boxX + (32 - static_cast<int>(image.width)) / 2, y = boxY + 32 - static_cast<int>(image.height);
  if (image.window) {
    if (m->iconWindowShown && m->iconWindowShown != image.window) HideIconWindow(s, m);
    XMoveWindow(d, image.window, x, y);
    XLowerWindow(d, image.window);
    XMapWindow(d, image.window);
    m->iconWindowShown = image.window;
  } else {
    HideIconWindow(s, m);
  }
  if (image.pixmap) {
    XSetClipOrigin(d, gc, x, y);
    XSetClipMask(d, gc, image.mask ? image.mask : None);
    if (image.depth == 1) {
      // A bitmap is drawn in the label's colours.
      XSetForeground(d, gc, s->iconLabelText);
      XSetBackground(d, gc, s->iconLabelBackground);
      XSetStipple(d, gc, image.pixmap);
      XSetTSOrigin(d, gc, x, y);
      XSetFillStyle(d, gc, FillOpaqueStippled);
      XFillRectangle(d, root, gc, x, y, image.width, image.height);
      XSetFillStyle(d, gc, FillSolid);
    } else {
      XCopyArea(d, image.pixmap, root, gc, 0, 0, image.width, image.height, x, y);
    }
    XSetClipMask(d, gc, None);
  }
  if (!s->generalFont) return;
  const int height = LabelHeight(s);
  const int ly = boxY + 32 + 2;
  XSetForeground(d, gc, s->iconLabelBackground);
  if (wrappedHeight) {
    XFillRectangle(d, root, gc, cellX - 3, ly, static_cast<unsigned>(cellW + 6), static_cast<unsigned>(wrappedHeight));
    XSetForeground(d, gc, s->iconLabelText);
    DrawTextCenteredWithWrap(d, root, s->generalFont, gc, cellX + (cellW - 88) / 2, ly, 88, label.data(),
                             static_cast<int>(label.size()));
    return;
  }
  const int lx = cellX + (cellW - labelWidth) / 2;
  XFillRectangle(d, root, gc, lx - 3, ly, static_cast<unsigned>(labelWidth + 6), static_cast<unsigned>(height));
  XSetForeground(d, gc, s->iconLabelText);
  NLSDrawString(d, root, s->generalFont, gc, lx, ly + s->generalFont->ascent, label.data(),
                static_cast<int>(label.size()));
}

}  // namespace

ManagedWindow* DrawDesktopIcons(ManagerState* s, int mode, int px, int py, Region region) {
  const int* a = s->workArea;
  const int placement = std::clamp(s->iconPlacement, 0, 7);
  const IconPlacementRule& rule = kPlacements[placement];
  const int cellW = s->iconCell[2] ? s->iconCell[2] : 96, cellH = s->iconCell[3] ? s->iconCell[3] : 64;
  const int startX = rule.right ? a[2] - cellW : a[0];
  const int startY = rule.bottom ? a[3] - cellH : a[1] + 16;
  // The next line: rows step down unless they start at the bottom; columns
  // step right unless they start at the right.
  const int lineDx = rule.dx ? 0 : (rule.right ? -cellW : cellW);
  const int lineDy = rule.dy ? 0 : (rule.bottom ? -cellH : cellH);
  const int lineHeight = LabelHeight(s);
  int lineX = startX, lineY = startY, x = startX, y = startY;
  bool firstOfLine = true;
  std::vector<ManagedWindow*> windows;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) windows.push_back(m);
  // In the order of the list: a window minimised last comes last.
  for (size_t i = 0; i < windows.size(); ++i) {
    ManagedWindow* m = windows[i];
    if (!m->frame->inUse) continue;
    if (!m->minimized || m->transient || m->unmappedByClient) {
      if (mode == 0) HideIconWindow(s, m);
      continue;
    }
    const std::string label = IconLabel(m);
    const int labelWidth = s->generalFont ? NLSTextWidth(s->generalFont, label.data(), static_cast<int>(label.size())) : 0;
    const bool wide = labelWidth + 8 > cellW;
    int w = cellW, h = cellH, wrappedHeight = 0;
    if (rule.dx && wide) w = labelWidth + 8;
    if (rule.dy && wide && s->generalFont) {
      // In columns a wide label is wrapped and its cell grows downward.
      wrappedHeight = DrawTextCenteredWithWrap(s->sdk.display, 0, s->generalFont, nullptr, 0, 0, cellW - 8,
                                               label.data(), static_cast<int>(label.size()));
      h = cellH + std::max(wrappedHeight - lineHeight, 0);
    }
    int cx = x, cy = y;
    if (rule.dx < 0 && w > cellW) cx = x - (w - cellW);
    if (rule.dy < 0 && h > cellH) cy = y - (h - cellH);
    const bool past = (rule.dx > 0 && cx + w > a[2]) || (rule.dx < 0 && cx < a[0]) ||
                      (rule.dy > 0 && cy + h > a[3]) || (rule.dy < 0 && cy < a[1]);
    if (past && !firstOfLine) {
      lineX += lineDx;
      lineY += lineDy;
      x = lineX;
      y = lineY;
      firstOfLine = true;
      --i;  // the same window again at the start of the new line
      continue;
    }
    if (mode == 1) {
      const int boxX = cx + (w - 32) / 2;
      const int lx = wrappedHeight ? cx - 3 : cx + (w - labelWidth) / 2 - 3;
      const int lw = wrappedHeight ? w + 6 : labelWidth + 6;
      const int lh = wrappedHeight ? wrappedHeight : lineHeight;
      const bool inImage = px >= boxX && px < boxX + 32 && py >= cy && py < cy + 32;
      const bool inLabel = px >= lx && px < lx + lw && py >= cy + 34 && py < cy + 34 + lh;
      if (inImage || inLabel) return m;
    } else if (!region ||
               XRectInRegion(region, cx - 3, cy, static_cast<unsigned>(w + 6), static_cast<unsigned>(h)) != RectangleOut) {
      DrawIcon(s, m, cx, cy, w, label, labelWidth, wrappedHeight);
    }
    firstOfLine = false;
    if (rule.dx > 0) x += w;
    if (rule.dx < 0) x = cx - cellW;
    if (rule.dy > 0) y += h;
    if (rule.dy < 0) y = cy - cellH;
    const bool nextPast = (rule.dx > 0 && x + cellW > a[2]) || (rule.dx < 0 && x < a[0]) ||
                          (rule.dy > 0 && y + cellH > a[3]) || (rule.dy < 0 && y < a[1]);
    if (nextPast) {
      lineX += lineDx;
      lineY += lineDy;
      x = lineX;
      y = lineY;
      firstOfLine = true;
    }
  }
  return nullptr;
}

void DrawDesktopIconsNow(ManagerState* s) { DrawDesktopIcons(s, 0, 0, 0, nullptr); }

ManagedWindow* FindDesktopIconAt(ManagerState* s, int x, int y) { return DrawDesktopIcons(s, 1, x, y, nullptr); }

void RedrawDesktop(ManagerState* s, int now) {
  if (now) {
    DrawDesktopIconsNow(s);
    return;
  }
  // Clearing the root exposes every piece of it that the frames leave
  // visible: with no icon before and none now there is nothing to lay out.
  int icons = 0;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next)
    if (m->minimized && !m->transient && !m->unmappedByClient) ++icons;
  if (!icons && !s->desktopIconCount) return;
  s->desktopIconCount = icons;
  XClearArea(s->sdk.display, s->sdk.root, 0, 0, 0, 0, True);
}

void HandleDesktopMapRequest(ManagerState* s, XEvent* ev) {
  Display* d = s->sdk.display;
  const Window w = ev->xmaprequest.window;
  if (ManagedWindow* known = FindClientByWindow(s, w)) {
    XMapWindow(d, known->client);
    return;
  }
  int iconic = 0;
  ManagedWindow* m = ManageWindow(s, w, 1, &iconic);
  if (!m) return;
  RedrawFramesAndFocus(s);
  RedrawDesktop(s, 0);
}
