#include "wm/WindowOps.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/sdk/NLSText.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/ClassRules.h"
#include "wm/Clients.h"
#include "wm/Frame.h"
#include "wm/ScreenState.h"
#include "wm/Stacking.h"
#include "wm/WorkArea.h"

namespace {

// A transient dialog comes back centred on its owner, inside the work area.
void CentreTransient(ManagedWindow* m) {
  ScreenState* s = m->state;
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

void InstallColormap(ScreenState* s, Colormap target) {
  if (s->serviceColormap || s->systemColormapFlag) return;
  XInstallColormap(s->sdk.display, target);
}

Colormap SystemColormap(ScreenState* s) {
  return s->systemColormap ? s->systemColormap : s->sdk.colormap;
}

}  // namespace

int ListsProtocol(ScreenState* s, Window client, Atom protocol) {
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

ManagedWindow* GetActiveWindow(ScreenState* s) { return s->activeWindow; }

ManagedWindow* FindBottomWindow(ScreenState* s) {
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
  ScreenState* s = m->state;
  MapWindowTree(m, 0);
  m->visible = 0;
  m->minimized = 1;
  if (s->activeWindow == m || (s->activeWindow && RootOfWindowTree(s->activeWindow) == m))
    FocusMostRecentWindow(s);
  UnmapSimpleWindow(m->frame);
  MoveWindowToEndOfList(m->frame);
  MoveToEndOfManagedList(m);
  RedrawFramesAndFocus(s);
  RedrawDesktop(s, 0);
  SetWMState(m);
}

void RestoreWindow(ManagedWindow* m) {
  ScreenState* s = m->state;
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
  ScreenState* s = m->state;
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
  ScreenState* s = m->state;
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
  ScreenState* s = m->state;
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

void SetFocusWindow(ScreenState* s) {
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

void RedrawFramesAndFocus(ScreenState* s) {
  // Only the frames whose active look changed are drawn again; the others
  // look the same.
  for (ManagedWindow* m = s->managedWindows; m; m = m->next)
    if (m->frame && m->frame->inUse && m->drawnActive != IsActiveWindow(m)) RedrawFrame(m);
  SetFocusWindow(s);
}

void InstallWindowColormap(ScreenState* s, ManagedWindow* m) {
  if (s->sdk.depth > 8) return;
  const Colormap target = m && m->colormap ? m->colormap : SystemColormap(s);
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

void InstallClientColormap(ScreenState* s, Colormap colormap) {
  if (s->sdk.depth > 8 || s->serviceColormap == colormap) return;
  s->serviceColormap = colormap;
  if (!colormap && !s->systemColormapFlag && s->installedColormap) {
    s->colormapRepeats = 0;
    XInstallColormap(s->sdk.display, s->installedColormap);
  } else {
    XInstallColormap(s->sdk.display, SystemColormap(s));
  }
}

void ScreenSystemColormap(ScreenState* s) {
  s->systemColormapFlag = 1;
  if (s->sdk.depth <= 8) XInstallColormap(s->sdk.display, SystemColormap(s));
}

void ScreenRevertColormap(ScreenState* s) {
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

void DrawIcon(ScreenState* s, ManagedWindow* m, int cellX, int cellY, int cellW,
              const std::string& label, int labelWidth) {
  Display* d = s->sdk.display;
  const Window root = s->sdk.root;
  if (!s->iconGC) s->iconGC = XCreateGC(d, root, 0, nullptr);
  GC gc = s->iconGC;
  const int boxX = cellX + (cellW - 32) / 2, boxY = cellY;
  ClassRecord record = {};
  Pixmap image = s->defaultIcon, mask = s->defaultIconMask;
  if (LookupClassRecord(s, m->realClass, &record) && record.pixmapsValid && record.iconPixmap) {
    image = record.iconPixmap;
    mask = record.iconMask;
  }
  if (image) {
    Window r;
    int ix, iy;
    unsigned iw = 0, ih = 0, bw, depth = 0;
    if (XGetGeometry(d, image, &r, &ix, &iy, &iw, &ih, &bw, &depth) && depth == static_cast<unsigned>(s->sdk.depth)) {
      const int x = boxX + (32 - static_cast<int>(iw)) / 2, y = boxY + 32 - static_cast<int>(ih);
      XSetClipOrigin(d, gc, x, y);
      XSetClipMask(d, gc, mask ? mask : None);
      XCopyArea(d, image, root, gc, 0, 0, iw, ih, x, y);
      XSetClipMask(d, gc, None);
    }
  }
  if (!s->generalFont) return;
  const int height = s->generalFont->ascent + s->generalFont->descent;
  const int lx = cellX + (cellW - labelWidth) / 2, ly = boxY + 32 + 2;
  XSetForeground(d, gc, s->iconLabelBackground);
  XFillRectangle(d, root, gc, lx - 3, ly, static_cast<unsigned>(labelWidth + 6), static_cast<unsigned>(height));
  XSetForeground(d, gc, s->iconLabelText);
  NLSDrawString(d, root, s->generalFont, gc, lx, ly + s->generalFont->ascent, label.data(),
                static_cast<int>(label.size()));
}

}  // namespace

ManagedWindow* DrawDesktopIcons(ScreenState* s, int mode, int px, int py, Region region) {
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
  int lineX = startX, lineY = startY, x = startX, y = startY;
  bool firstOfLine = true;
  std::vector<ManagedWindow*> windows;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) windows.push_back(m);
  // In the order of the list: a window minimised last comes last.
  for (size_t i = 0; i < windows.size(); ++i) {
    ManagedWindow* m = windows[i];
    if (!m->frame->inUse || !m->minimized || m->transient || m->unmappedByClient) continue;
    const std::string label = IconLabel(m);
    const int labelWidth = s->generalFont ? NLSTextWidth(s->generalFont, label.data(), static_cast<int>(label.size())) : 0;
    int w = cellW;
    if (rule.dx && labelWidth + 8 > cellW) w = labelWidth + 8;
    int cx = x;
    if (rule.dx < 0 && w > cellW) cx = x - (w - cellW);
    const bool past = (rule.dx > 0 && cx + w > a[2]) || (rule.dx < 0 && cx < a[0]) ||
                      (rule.dy > 0 && y + cellH > a[3]) || (rule.dy < 0 && y < a[1]);
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
      const int labelH = s->generalFont ? s->generalFont->ascent + s->generalFont->descent : 0;
      const int lx = cx + (w - labelWidth) / 2 - 3;
      const bool inImage = px >= boxX && px < boxX + 32 && py >= y && py < y + 32;
      const bool inLabel = px >= lx && px < lx + labelWidth + 6 && py >= y + 34 && py < y + 34 + labelH;
      if (inImage || inLabel) return m;
    } else if (!region || XRectInRegion(region, cx, y, static_cast<unsigned>(w), static_cast<unsigned>(cellH)) != RectangleOut) {
      DrawIcon(s, m, cx, y, w, label, labelWidth);
    }
    firstOfLine = false;
    if (rule.dx > 0) x += w;
    if (rule.dx < 0) x -= cellW + (w - cellW);
    if (rule.dy > 0) y += cellH;
    if (rule.dy < 0) y -= cellH;
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

void DrawDesktopIconsNow(ScreenState* s) { DrawDesktopIcons(s, 0, 0, 0, nullptr); }

ManagedWindow* FindDesktopIconAt(ScreenState* s, int x, int y) { return DrawDesktopIcons(s, 1, x, y, nullptr); }

void RedrawDesktop(ScreenState* s, int now) {
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

void HandleDesktopMapRequest(ScreenState* s, XEvent* ev) {
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
