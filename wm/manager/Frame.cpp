#include "wm/manager/Frame.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>
#include <X11/keysym.h>

#include <algorithm>
#include <climits>
#include <cstdio>

#include "platform/sdk/Color.h"
#include "platform/sdk/Draw3D.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/ClassRules.h"
#include "wm/manager/FramePointer.h"
#include "wm/manager/ManagerState.h"
#include "wm/manager/Stacking.h"
#include "wm/manager/WindowMenu.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/WorkArea.h"

namespace {

// Sizes a client may ask for are kept where the frame size stays a valid
// 16-bit X dimension.
constexpr int kMaxClientSize = 30000;
constexpr int kCorner = 15;
constexpr int kButton = 15;

ManagedWindow* RecordOf(SimpleWindow* w) { return static_cast<ManagedWindow*>(w->data); }

}  // namespace

void EnsureFrameDrawing(ManagerState* s) {
  if (s->frameGC) return;
  SdkScreen* sdk = &s->sdk;
  s->frameGC = XCreateGC(sdk->display, sdk->root, 0, nullptr);
  s->frameFace = GetColor(sdk, "#c0c0c0", sdk->whitePixel);
  s->frameHighlight = GetColor(sdk, "#ffffff", sdk->whitePixel);
  s->frameShadow = GetColor(sdk, "#808080", sdk->blackPixel);
  s->titleBackground = GetColor(sdk, "#000080", sdk->blackPixel);
  s->titleText = GetColor(sdk, "#ffffff", sdk->whitePixel);
  s->inactiveTitleBackground = GetColor(sdk, "#808080", sdk->blackPixel);
  s->inactiveTitleText = GetColor(sdk, "#c0c0c0", sdk->whitePixel);
}

namespace {

void Unlink(ManagedWindow* m) {
  for (ManagedWindow** p = &m->state->managedWindows; *p; p = &(*p)->next)
    if (*p == m) {
      *p = m->next;
      return;
    }
}

// The left edge of each title button, -1 for one the frame has not.
struct ButtonRow {
  int menu = -1, minimize = -1, maximize = -1, close = -1;
  int y = 0;
};

ButtonRow Buttons(const ManagedWindow* m) {
  ButtonRow r;
  r.y = m->left + m->buttonOffset;
  int right = m->width - m->right - 3;  // the last pixel of the close button
  if (m->functions & FunctionClose) {
    r.close = right - kButton + 1;
    right -= 16;
  }
  if (m->functions & FunctionMaximize) {
    r.maximize = right - kButton + 1;
    right -= 16;
  }
  if (m->functions & FunctionMinimize) r.minimize = right - kButton + 1;
  if (m->functions & FunctionMenu) r.menu = m->left + 2;
  return r;
}

void FrameDestroyHandler(SimpleWindow* w) {
  ManagedWindow* m = RecordOf(w);
  if (!m) return;
  ManagerState* s = m->state;
  const bool wasActive = s->activeWindow == m;
  StackRemoveWindow(m);
  Unlink(m);
  if (wasActive) FocusMostRecentWindow(s);
  if (s->pressedWindow == m) s->pressedWindow = nullptr;
  if (m->client) XDestroyWindow(s->sdk.display, m->client);
  if (m->titleNumber) {
    ManagedWindow* last = nullptr;
    int count = 0;
    for (ManagedWindow* o = s->managedWindows; o; o = o->next)
      if (o->title == m->title) {
        last = o;
        ++count;
      }
    if (count == 1 && last->titleNumber) {
      last->titleNumber = 0;
      RedrawFrame(last);
    }
  }
  ForgetWindowMenu(m);
  w->data = nullptr;
  delete m;
}

int FrameExposeHandler(SimpleWindow* w, XEvent* ev) {
  if (ev->xexpose.count != 0) return 1;
  RedrawFrame(RecordOf(w));
  return 1;
}

void ClientSize(const ManagedWindow* m, int* width, int* height) {
  *width = std::max(m->width - m->left - m->right, 1);
  *height = std::max(m->height - m->top - m->bottom, 1);
}

// The client asks for a new rectangle: the frame follows it; the client is
// always told its geometry, also when nothing changed, since Xt clients wait
// for that answer.
void ConfigureClient(ManagedWindow* m, const XConfigureRequestEvent& c) {
  int x = m->x + m->left, y = m->y + m->top, width = 0, height = 0;
  ClientSize(m, &width, &height);
  if (c.value_mask & CWX) x = c.x;
  if (c.value_mask & CWY) y = c.y;
  if (c.value_mask & CWWidth) width = std::clamp(c.width, 1, kMaxClientSize);
  if (c.value_mask & CWHeight) height = std::clamp(c.height, 1, kMaxClientSize);
  x = std::clamp(x, -kMaxClientSize, kMaxClientSize);
  y = std::clamp(y, -kMaxClientSize, kMaxClientSize);
  int left = x - m->left, top = y - m->top;
  int right = left + width + m->left + m->right, bottom = top + height + m->top + m->bottom;
  if (!m->notConstrained) {
    // Into the work area: moved left or up (its outer line may stay one
    // pixel outside), and cut when it is larger than the area.
    const int* a = m->state->workArea;
    const int o = m->outlineWidth;
    const int dx = std::min(std::max(right - (a[2] + o + 1), 0), std::max(left - (a[0] - 1), 0));
    const int dy = std::min(std::max(bottom - (a[3] + o + 1), 0), std::max(top - (a[1] - 1), 0));
    left -= dx;
    right -= dx;
    top -= dy;
    bottom -= dy;
    if (right > a[2] + o + 1) right = std::max(a[2] + o, left + m->left + m->right + 1);
    if (bottom > a[3] + o + 1) bottom = std::max(a[3] + o + 1, top + m->top + m->bottom + 1);
  }
  if (left != m->x || top != m->y || right != m->x + m->width || bottom != m->y + m->height) {
    if (m->maximized) {
      m->normal[0] = left;
      m->normal[1] = top;
      m->normal[2] = right;
      m->normal[3] = bottom;
    } else {
      PlaceFrame(m, left, top, right, bottom);
      m->normal[0] = left;
      m->normal[1] = top;
      m->normal[2] = right;
      m->normal[3] = bottom;
    }
  }
  if ((c.value_mask & CWStackMode) && !(c.value_mask & CWSibling)) {
    if (c.detail == Below || c.detail == BottomIf) {
      LowerWindow(m);
    } else if (m->minimized) {
      RestoreWindow(m);
    } else {
      RaiseWindow(m);
    }
  }
  SendSyntheticConfigure(m);
}

int FrameEventHandler(SimpleWindow* w, XEvent* ev) {
  ManagedWindow* m = RecordOf(w);
  if (!m) return 0;
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  switch (ev->type) {
    case DestroyNotify: {
      if (ev->xdestroywindow.window != m->client) return 0;
      m->client = 0;
      DestroyFrame(m);
      RedrawFramesAndFocus(s);
      RedrawDesktop(s, 0);
      return 1;
    }
    case UnmapNotify:
      if (ev->xunmap.window != m->client || ev->xunmap.event != w->window) return 0;
      // Teldra's own unmap of a minimised client.
      if (m->unmapsExpected > 0) {
        --m->unmapsExpected;
        return 1;
      }
      // The client withdrew itself: it is no longer managed (ICCCM 4.1.4).
      m->unmappedByClient = 1;
      ReleaseFrame(m);
      RedrawFramesAndFocus(s);
      return 1;
    case MapNotify:
      if (ev->xmap.window != m->client || ev->xmap.event != w->window) return 0;
      if (!m->transient) m->unmappedByClient = 0;
      if (m->minimized) {
        if (m->restoreOnMap)
          m->restoreOnMap = 0;
        else
          RestoreWindow(m);
      } else {
        RaiseWindow(m);
      }
      RedrawDesktop(s, 0);
      return 1;
    case MapRequest:
      if (ev->xmaprequest.window != m->client) return 0;
      XMapWindow(d, m->client);
      // An iconic client that maps itself asks for the normal state; a
      // dialog hidden with its owner brings the owner back.
      if (m->minimized) {
        m->restoreOnMap = 0;
        RestoreWindow(m);
      } else if (m->iconicWithOwner) {
        if (ManagedWindow* owner = MinimisedOwner(m)) {
          RestoreWindow(owner);
        } else {
          m->iconicWithOwner = 0;
          RaiseWindow(m);
        }
      }
      return 1;
    case ConfigureRequest: {
      const XConfigureRequestEvent& c = ev->xconfigurerequest;
      if (c.window == m->client) {
        ConfigureClient(m, c);
        return 1;
      }
      XWindowChanges ch;
      ch.x = c.x;
      ch.y = c.y;
      ch.width = c.width;
      ch.height = c.height;
      ch.border_width = c.border_width;
      XConfigureWindow(d, c.window,
                       static_cast<unsigned>(c.value_mask) & (CWX | CWY | CWWidth | CWHeight | CWBorderWidth),
                       &ch);
      return 1;
    }
    case CirculateRequest:
      if (ev->xcirculaterequest.window != m->client) return 0;
      if (ev->xcirculaterequest.place == PlaceOnBottom)
        LowerWindow(m);
      else
        RaiseWindow(m);
      return 1;
    case KeyPress:
      if (m->keyboardDrag)
        MoveResizeClientInteractive(m, XLookupKeysym(&ev->xkey, 0));
      return 1;
    case EnterNotify:
      if (IsActiveWindow(m)) UpdateHoverCursor(m, ev->xcrossing.x, ev->xcrossing.y);
      return 1;
    case LeaveNotify:
      ShowFrameCursor(m, s->sdk.cursors[SdkCursorNormal]);
      return 1;
    default:
      return 0;
  }
}

// Drawing of the title buttons: an 11 x 11 glyph in a 15-pixel button.
void DrawGlyph(Display* d, Window f, GC gc, int kind, int x, int y, bool maximized) {
  const int gx = x + 2, gy = y + 2;
  switch (kind) {
    case RegionCloseButton:
      XDrawLine(d, f, gc, gx + 1, gy + 1, gx + 9, gy + 9);
      XDrawLine(d, f, gc, gx + 9, gy + 1, gx + 1, gy + 9);
      XDrawLine(d, f, gc, gx + 2, gy + 1, gx + 9, gy + 8);
      XDrawLine(d, f, gc, gx + 8, gy + 1, gx + 1, gy + 8);
      break;
    case RegionMaximizeButton:
      if (maximized) {
        XDrawRectangle(d, f, gc, gx + 3, gy, 7, 6);
        XDrawRectangle(d, f, gc, gx, gy + 3, 7, 6);
      } else {
        XDrawRectangle(d, f, gc, gx, gy, 10, 10);
        XDrawLine(d, f, gc, gx, gy + 1, gx + 10, gy + 1);
      }
      break;
    case RegionMinimizeButton:
      XFillRectangle(d, f, gc, gx + 1, gy + 8, 8, 2);
      break;
    case RegionMenuButton:
      XFillRectangle(d, f, gc, gx + 1, gy + 4, 9, 2);
      break;
    default:
      break;
  }
}

int HitTestImpl(const ManagedWindow* m, int x, int y) {
  const int W = m->width, H = m->height;
  if (x < 0 || y < 0 || x >= W || y >= H) return RegionNone;
  if (y >= m->top && y < H - m->bottom && x >= m->left && x < W - m->right) return RegionClient;
  if (m->top > m->left && y >= m->left && y < m->top && x >= m->left && x < W - m->right) {
    const ButtonRow b = Buttons(m);
    const bool inRow = y >= b.y && y < b.y + kButton;
    if (inRow) {
      if (b.menu >= 0 && x >= b.menu && x <= b.menu + 14) return RegionMenuButton;
      if (b.close >= 0 && x >= b.close && x < b.close + kButton) return RegionCloseButton;
      if (b.maximize >= 0 && x >= b.maximize && x < b.maximize + kButton) return RegionMaximizeButton;
      if (b.minimize >= 0 && x >= b.minimize && x < b.minimize + kButton) return RegionMinimizeButton;
    }
    // The band between the last button and the right border is no title.
    int buttons = 0;
    for (int left : {b.close, b.maximize, b.minimize})
      if (left >= 0) buttons += 16;
    if (buttons && x >= W - m->right - buttons) return RegionNone;
    return RegionTitle;
  }
  if (m->left <= 0) return RegionNone;
  const bool nearLeft = x < kCorner, nearRight = x >= W - kCorner;
  const bool nearTop = y < kCorner, nearBottom = y >= H - kCorner;
  const bool onTop = y < m->left, onBottom = y >= H - m->bottom;
  const bool onLeft = x < m->left, onRight = x >= W - m->right;
  if ((onTop && nearLeft) || (onLeft && nearTop)) return RegionTopLeft;
  if ((onTop && nearRight) || (onRight && nearTop)) return RegionTopRight;
  if ((onBottom && nearLeft) || (onLeft && nearBottom)) return RegionBottomLeft;
  if ((onBottom && nearRight) || (onRight && nearBottom)) return RegionBottomRight;
  if (onTop) return RegionTop;
  if (onBottom) return RegionBottom;
  if (onRight) return RegionRight;
  if (onLeft) return RegionLeft;
  return RegionNone;
}

}  // namespace

int FrameTitleHeight(int textHeight) { return std::max(textHeight, 15) + 8; }

int FrameHitTest(const ManagedWindow* m, int x, int y) { return HitTestImpl(m, x, y); }

ManagedWindow* CreateFrame(ManagerState* s, int left, int top, int right, int bottom,
                           const std::string& title, const std::string& iconTitle, Window client,
                           int transient, int resizable, int decorations, int menuButton,
                           unsigned removed) {
  EnsureFrameDrawing(s);
  auto* m = new ManagedWindow();
  m->state = s;
  m->client = client;
  if (decorations) {
    const int textHeight = s->titleFont ? s->titleFont->ascent + s->titleFont->descent : 0;
    m->top = FrameTitleHeight(textHeight);
    m->bottom = 7;
    m->left = 5;
    m->right = 7;
    m->outlineWidth = 2;
  }
  m->buttonOffset = (m->top - 20) / 2;
  m->title = title;
  m->iconTitle = iconTitle;
  m->functions = FunctionClose | FunctionMove;
  if (!transient && !s->disableMinimize) m->functions |= FunctionMinimize;
  if (resizable) m->functions |= FunctionMaximize;
  if (menuButton) m->functions |= FunctionMenu;
  m->functions &= ~removed;
  m->transient = transient;
  m->resizable = resizable;
  m->modeless = 1;
  m->dragMode = m->pendingRegion = m->pressedButton = -1;
  m->drawnActive = -1;
  m->titleNumber = DuplicateTitleNumber(s, title);
  m->x = std::clamp(left, -kMaxClientSize, kMaxClientSize);
  m->y = std::clamp(top, -kMaxClientSize, kMaxClientSize);
  m->width = std::clamp(right - left, m->left + m->right + 1, kMaxClientSize);
  m->height = std::clamp(bottom - top, m->top + m->bottom + 1, kMaxClientSize);
  m->normal[0] = m->x;
  m->normal[1] = m->y;
  m->normal[2] = m->x + m->width;
  m->normal[3] = m->y + m->height;
  const long mask = KeyPressMask | EnterWindowMask | LeaveWindowMask | SubstructureNotifyMask |
                    SubstructureRedirectMask | ExposureMask | ButtonPressMask | ButtonReleaseMask |
                    PointerMotionMask;
  m->frame = CreateSimpleWindow(&s->sdk, s->sdk.root, m->x, m->y, static_cast<unsigned>(m->width),
                                static_cast<unsigned>(m->height), s->frameFace, mask);
  if (!m->frame) {
    delete m;
    return nullptr;
  }
  m->frame->data = m;
  m->frame->destroy = FrameDestroyHandler;
  m->frame->event = FrameEventHandler;
  m->frame->expose = FrameExposeHandler;
  m->frame->press = FrameButtonPressHandler;
  m->frame->release = FrameButtonReleaseHandler;
  m->frame->motion = FrameMotionHandler;
  m->next = s->managedWindows;
  s->managedWindows = m;
  return m;
}

void ApplyFrameShape(ManagedWindow* m) {
  const int o = m->outlineWidth;
  if (o <= 0) return;
  Display* d = m->state->sdk.display;
  const int W = m->width, H = m->height;
  if (W <= 2 * o || H <= 2 * o) return;
  // The drop shadow starts o pixels in: its outer corners are cut away.
  XRectangle bands[3] = {
      {0, 0, static_cast<unsigned short>(W - o), static_cast<unsigned short>(o)},
      {0, static_cast<short>(o), static_cast<unsigned short>(W), static_cast<unsigned short>(H - 2 * o)},
      {static_cast<short>(o), static_cast<short>(H - o), static_cast<unsigned short>(W - o),
       static_cast<unsigned short>(o)}};
  XShapeCombineRectangles(d, m->frame->window, ShapeBounding, 0, 0, bands, 3, ShapeSet, YXBanded);
}

void RedrawFrame(ManagedWindow* m) {
  if (!m || !m->frame) return;
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  const Window f = m->frame->window;
  GC gc = s->frameGC;
  const int o = m->outlineWidth, W = m->width, H = m->height;
  if (m->left > 0) {
    XSetForeground(d, gc, s->frameFace);
    XFillRectangle(d, f, gc, 0, 0, static_cast<unsigned>(W), static_cast<unsigned>(H));
    XSetForeground(d, gc, s->sdk.blackPixel);
    XDrawRectangle(d, f, gc, 0, 0, static_cast<unsigned>(W - (o + 1)), static_cast<unsigned>(H - (o + 1)));
    XSetForeground(d, gc, s->frameHighlight);
    XDrawLine(d, f, gc, 1, 1, 1, H - (o + 2));
    XDrawLine(d, f, gc, 1, 1, W - (o + 2), 1);
    XSetForeground(d, gc, s->frameShadow);
    XDrawLine(d, f, gc, W - (o + 2), 1, W - (o + 2), H - (o + 2));
    XDrawLine(d, f, gc, 1, H - (o + 2), W - (o + 2), H - (o + 2));
    XSetForeground(d, gc, s->sdk.blackPixel);
    for (int i = 0; i < o; ++i) {
      XDrawLine(d, f, gc, W - 1 - i, 0, W - 1 - i, H - 1);
      XDrawLine(d, f, gc, 0, H - 1 - i, W - 1, H - 1 - i);
    }
  }
  if (m->top <= m->left) return;
  const bool active = IsActiveWindow(m);
  m->drawnActive = active;
  const unsigned long background = active ? s->titleBackground : s->inactiveTitleBackground;
  const unsigned long text = active ? s->titleText : s->inactiveTitleText;
  XRectangle band;
  band.x = static_cast<short>(m->left);
  band.y = static_cast<short>(m->left);
  band.width = static_cast<unsigned short>(std::max(W - m->left - m->right, 0));
  band.height = static_cast<unsigned short>(m->top - m->left);
  XSetForeground(d, gc, background);
  XFillRectangle(d, f, gc, band.x, band.y, band.width, band.height);
  const ButtonRow b = Buttons(m);
  if (s->titleFont) {
    const std::string shown = m->title + FormatTitleSuffix(m);
    XSetClipRectangles(d, gc, 0, 0, &band, 1, Unsorted);
    XSetForeground(d, gc, text);
    NLSDrawString(d, f, s->titleFont, gc, m->left + (b.menu >= 0 ? 19 : 2),
                  m->left + s->titleFont->ascent, shown.data(), static_cast<int>(shown.size()));
    XSetClipMask(d, gc, None);
  }
  int buttons = 0;
  for (int left : {b.close, b.maximize, b.minimize})
    if (left >= 0) buttons += 16;
  if (buttons) {
    XSetForeground(d, gc, background);
    XFillRectangle(d, f, gc, W - m->right - buttons, band.y, static_cast<unsigned>(buttons), band.height);
  }
  const std::pair<int, int> row[] = {{RegionMenuButton, b.menu},
                                     {RegionMinimizeButton, b.minimize},
                                     {RegionMaximizeButton, b.maximize},
                                     {RegionCloseButton, b.close}};
  for (const auto& [kind, left] : row) {
    if (left < 0) continue;
    const bool pressed = m->pressedButton == kind;
    XSetForeground(d, gc, s->frameFace);
    XFillRectangle(d, f, gc, left, b.y, kButton, kButton);
    Draw3DBox(d, f, gc, left, b.y, kButton, kButton, 1, s->frameHighlight, s->frameShadow, pressed);
    XSetForeground(d, gc, s->sdk.blackPixel);
    DrawGlyph(d, f, gc, kind, left + (pressed ? 1 : 0), b.y + (pressed ? 1 : 0), m->maximized != 0);
  }
}

void PlaceFrame(ManagedWindow* m, int left, int top, int right, int bottom) {
  Display* d = m->state->sdk.display;
  m->x = std::clamp(left, -kMaxClientSize, kMaxClientSize);
  m->y = std::clamp(top, -kMaxClientSize, kMaxClientSize);
  m->width = std::clamp(right - left, m->left + m->right + 1, kMaxClientSize);
  m->height = std::clamp(bottom - top, m->top + m->bottom + 1, kMaxClientSize);
  XMoveResizeWindow(d, m->frame->window, m->x, m->y, static_cast<unsigned>(m->width),
                    static_cast<unsigned>(m->height));
  ApplyFrameShape(m);
  if (m->client) {
    int width = 0, height = 0;
    ClientSize(m, &width, &height);
    XMoveResizeWindow(d, m->client, m->left, m->top, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
  }
  RedrawFrame(m);
}

void SendSyntheticConfigure(ManagedWindow* m) {
  if (!m->client) return;
  XEvent ev = {};
  XConfigureEvent& c = ev.xconfigure;
  c.type = ConfigureNotify;
  c.event = c.window = m->client;
  c.x = m->x + m->left;
  c.y = m->y + m->top;
  ClientSize(m, &c.width, &c.height);
  c.border_width = 0;
  c.above = None;
  c.override_redirect = False;
  XSendEvent(m->state->sdk.display, m->client, False, StructureNotifyMask, &ev);
}

void SetWMState(ManagedWindow* m) {
  if (!m->client) return;
  // ICCCM 4.1.3.1: a minimised client is iconic (QW5250 reads 0 and 3 alike).
  const long words[2] = {m->minimized || m->iconicWithOwner ? IconicState : NormalState, None};
  const Atom wmState = m->state->atoms[AtomWmState];
  XChangeProperty(m->state->sdk.display, m->client, wmState, wmState, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(words), 2);
}

int DuplicateTitleNumber(ManagerState* s, const std::string& title) {
  ManagedWindow* first = nullptr;
  int highest = 0;
  bool any = false;
  // The list runs newest first: the first such frame is the oldest.
  for (ManagedWindow* o = s->managedWindows; o; o = o->next)
    if (o->frame && o->frame->inUse && o->title == title) {
      any = true;
      first = o;
      highest = std::max(highest, o->titleNumber);
    }
  if (!any) return 0;
  if (first->titleNumber == 0) {
    first->titleNumber = 1;
    RedrawFrame(first);
    return std::max(highest, 1) + 1;
  }
  return highest + 1;
}

std::string FormatTitleSuffix(const ManagedWindow* m) {
  if (!m->titleNumber) return "";
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, " (%d)", m->titleNumber);
  return buffer;
}

void ReleaseFrame(ManagedWindow* m) {
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  if (m->client) {
    // A withdrawn client has no state; it goes back where its frame was.
    XDeleteProperty(d, m->client, s->atoms[AtomWmState]);
    XSelectInput(d, m->client, NoEventMask);
    XReparentWindow(d, m->client, s->sdk.root, m->x + m->left, m->y + m->top);
    XSetWindowBorderWidth(d, m->client, static_cast<unsigned>(m->clientBorderWidth));
    XRemoveFromSaveSet(d, m->client);
    m->client = 0;
  }
  DestroySimpleWindow(m->frame);  // frees the record
}

void DestroyFrame(ManagedWindow* m) { DestroySimpleWindow(m->frame); }
