#include "wm/manager/FramePointer.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>

#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/ClassRules.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerState.h"
#include "wm/manager/Stacking.h"
#include "wm/manager/WindowMenu.h"
#include "wm/manager/WindowOps.h"

namespace {

constexpr int kMaxClientSize = 30000;

ManagedWindow* RecordOf(SimpleWindow* w) { return static_cast<ManagedWindow*>(w->data); }

int DecorationPress(ManagedWindow* m, XEvent* ev, int region, int x, int y);

Cursor EdgeCursor(ManagerState* s, int region) {
  static const SdkCursor kEdges[] = {SdkCursorResizeTop,     SdkCursorResizeBottom,
                                     SdkCursorResizeRight,   SdkCursorResizeLeft,
                                     SdkCursorResizeTopLeft, SdkCursorResizeTopRight,
                                     SdkCursorResizeBottomLeft, SdkCursorResizeBottomRight};
  return s->sdk.cursors[kEdges[region - RegionTop]];
}

bool GrabPointerFor(ManagedWindow* m, Cursor cursor) {
  Display* d = m->state->sdk.display;
  const int status =
      XGrabPointer(d, m->frame->window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                   GrabModeAsync, GrabModeAsync, None, cursor, CurrentTime);
  m->pointerGrabbed = status == GrabSuccess;
  return m->pointerGrabbed;
}

void ReleasePointer(ManagedWindow* m) {
  if (!m->pointerGrabbed) return;
  XUngrabPointer(m->state->sdk.display, CurrentTime);
  m->pointerGrabbed = 0;
}

// Moves the outline of a move to the pointer at root x, y.
void MoveOutline(ManagedWindow* m, int rx, int ry) {
  ManagerState* s = m->state;
  const int* a = s->workArea;
  const int title = m->top - m->left;
  rx = std::clamp(rx, a[0], a[2] - 1);
  ry = std::clamp(ry, a[1] + m->pressY, std::max(a[1], a[3] - title) + m->pressY);
  const int w = m->outline[2] - m->outline[0], h = m->outline[3] - m->outline[1];
  int left = rx - m->pressX, top = ry - m->pressY;
  if (s->constrainedMode) {
    left = std::min(left, a[2] + m->outlineWidth - w);
    top = std::min(top, a[3] + m->outlineWidth - h);
    left = std::max(left, a[0]);
    top = std::max(top, a[1]);
  }
  if (left == m->outline[0] && top == m->outline[1]) return;
  DrawOutline(m);
  m->outline[0] = left;
  m->outline[1] = top;
  m->outline[2] = left + w;
  m->outline[3] = top + h;
  if (s->opaqueMoves) {
    XMoveWindow(s->sdk.display, m->frame->window, left, top);
    m->x = left;
    m->y = top;
  }
  DrawOutline(m);
}

// An edge that follows the pointer by whole increments, kept between the
// minimum and maximum sizes against the opposite edge.
int MoveEdge(int edge, int pointer, int opposite, int inc, int minSize, int maxSize, bool lowSide,
             int areaLow, int areaHigh, int beyond = 0) {
  pointer = std::clamp(pointer, areaLow, areaHigh - 1) + beyond;
  const int steps = (pointer - edge) / inc;
  int moved = edge + steps * inc;
  const int size = lowSide ? opposite - moved : moved - opposite;
  int bounded = std::max(size, minSize);
  if (maxSize > 0) bounded = std::min(bounded, maxSize);
  if (bounded != size) moved = lowSide ? opposite - bounded : opposite + bounded;
  return moved;
}

void ResizeOutline(ManagedWindow* m, int rx, int ry) {
  const int* a = m->state->workArea;
  int o[4] = {m->outline[0], m->outline[1], m->outline[2], m->outline[3]};
  const int mode = m->dragMode;
  const bool top = mode == RegionTop || mode == RegionTopLeft || mode == RegionTopRight;
  const bool bottom = mode == RegionBottom || mode == RegionBottomLeft || mode == RegionBottomRight;
  const bool left = mode == RegionLeft || mode == RegionTopLeft || mode == RegionBottomLeft;
  const bool right = mode == RegionRight || mode == RegionTopRight || mode == RegionBottomRight;
  // A right or bottom edge sits the outline width and one pixel beyond the
  // pointer that holds it (its last line of border).
  const int beyond = m->outlineWidth + 1;
  if (top) o[1] = MoveEdge(o[1], ry, o[3], m->heightInc, m->minHeight, m->maxHeight, true, a[1], a[3]);
  if (bottom)
    o[3] = MoveEdge(o[3], ry, o[1], m->heightInc, m->minHeight, m->maxHeight, false, a[1], a[3], beyond);
  if (left) o[0] = MoveEdge(o[0], rx, o[2], m->widthInc, m->minWidth, m->maxWidth, true, a[0], a[2]);
  if (right)
    o[2] = MoveEdge(o[2], rx, o[0], m->widthInc, m->minWidth, m->maxWidth, false, a[0], a[2], beyond);
  if (std::equal(o, o + 4, m->outline)) return;
  DrawOutline(m);
  std::copy(o, o + 4, m->outline);
  DrawOutline(m);
}

bool DragAllowed(const ManagedWindow* m, int region) {
  if (region == RegionTitle) return (m->functions & FunctionMove) != 0;
  if (region >= RegionTop && region <= RegionBottomRight) return m->resizable && !m->unmappedByClient;
  return false;
}

void EndDrag(ManagedWindow* m) {
  ManagerState* s = m->state;
  const int mode = m->dragMode;
  EndRubberBand(m);
  if (mode == RegionTitle && m->maximized) {
    PlaceFrame(m, m->outline[0], m->outline[1], m->outline[2], m->outline[3]);
  } else {
    std::copy(m->outline, m->outline + 4, m->normal);
    m->maximized = 0;
    PlaceFrame(m, m->outline[0], m->outline[1], m->outline[2], m->outline[3]);
  }
  if (mode == RegionTitle) SendSyntheticConfigure(m);
  SetFocusWindow(s);
}

}  // namespace

int FrameButtonPressHandler(SimpleWindow* w, XEvent* ev) {
  ManagedWindow* m = RecordOf(w);
  if (!m) return 1;
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  const XButtonEvent& b = ev->xbutton;
  if (m->keyboardDrag) {
    MoveResizeClientInteractive(m, XK_Return);
    return 1;
  }
  int x = b.x, y = b.y;
  if (b.window != w->window) {
    Window child;
    XTranslateCoordinates(d, b.root, w->window, b.x_root, b.y_root, &x, &y, &child);
  }
  const int region = FrameHitTest(m, x, y);
  if (region == RegionClient) {
    XAllowEvents(d, HasMappedTransient(m) ? AsyncPointer : ReplayPointer, b.time);
    XSync(d, False);
    RaiseWindow(m);
    return 1;
  }
  // The frame takes the pointer before it is thawed, so that the motion
  // queued behind the press comes here, not to the window under the pointer.
  GrabPointerFor(m, s->sdk.cursors[SdkCursorNormal]);
  XAllowEvents(d, AsyncPointer, b.time);
  const int handled = DecorationPress(m, ev, region, x, y);
  if (m->dragMode < 0 && m->pendingRegion < 0) ReleasePointer(m);
  return handled;
}

namespace {

int DecorationPress(ManagedWindow* m, XEvent* ev, int region, int x, int y) {
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  const XButtonEvent& b = ev->xbutton;
  if (!m->client) return 1;
  if (HasMappedTransient(m)) {
    RaiseWindow(m);
    return 1;
  }
  const bool selectHeld = (b.state & s->sdk.selectButtonMask) != 0;
  if (b.button == s->sdk.menuButton || (b.button == s->sdk.middleButton && !selectHeld)) {
    if (!IsActiveWindow(m)) {
      RaiseWindow(m);
      XSync(d, False);
    }
    if (region == RegionTitle && (m->functions & FunctionMenu)) PopupWindowMenu(m, ev);
    return 1;
  }
  if (b.button != s->sdk.selectButton) return 1;
  if (region >= RegionMenuButton && region <= RegionCloseButton) {
    m->dragMode = region;
    m->pressedButton = region;
    RedrawFrame(m);
    GrabPointerFor(m, s->sdk.cursors[SdkCursorNormal]);
    s->pressedWindow = m;
    return 1;
  }
  if (region == RegionTitle) {
    if (m->lastTitleClick && b.time - m->lastTitleClick < static_cast<Time>(s->sdk.doubleClickTime) &&
        m->resizable) {
      m->lastTitleClick = b.time - 10000;
      if (m->functions & FunctionMaximize) {
        if (m->maximized)
          RestoreWindow(m);
        else
          MaximizeWindow(m);
      }
      return 1;
    }
    m->lastTitleClick = b.time;
  }
  if (region != RegionTitle && !(region >= RegionTop && region <= RegionBottomRight)) {
    if (!IsActiveWindow(m)) RaiseWindow(m);
    return 1;
  }
  m->pressX = x;
  m->pressY = y;
  if (IsActiveWindow(m)) {
    if (DragAllowed(m, region)) {
      m->dragMode = region;
      StartRubberBand(m);
    }
  } else {
    RaiseWindow(m);
    m->pendingRegion = region;
    GrabPointerFor(m, FrameCursorForRegion(m));
  }
  return 1;
}

}  // namespace

int FrameButtonReleaseHandler(SimpleWindow* w, XEvent* ev) {
  ManagedWindow* m = RecordOf(w);
  if (!m) return 1;
  ManagerState* s = m->state;
  if (m->pendingRegion >= 0) {
    m->pendingRegion = -1;
    ReleasePointer(m);
  }
  const int mode = m->dragMode;
  if (mode >= RegionMenuButton && mode <= RegionCloseButton) {
    ReleasePointer(m);
    m->dragMode = -1;
    m->pressedButton = -1;
    if (s->pressedWindow == m) s->pressedWindow = nullptr;
    RedrawFrame(m);
    int x = ev ? ev->xbutton.x : -1, y = ev ? ev->xbutton.y : -1;
    if (!ev || FrameHitTest(m, x, y) != mode) return 1;
    switch (mode) {
      case RegionMinimizeButton:
        MinimizeWindow(m);
        break;
      case RegionMaximizeButton:
        if (m->maximized)
          RestoreWindow(m);
        else
          MaximizeWindow(m);
        break;
      case RegionCloseButton:
        CloseWindow(m);
        break;
      case RegionMenuButton:
        PopupWindowMenuAt(m, m->x + m->left, m->y + m->top);
        break;
      default:
        break;
    }
    return 1;
  }
  if (mode >= RegionTitle && mode <= RegionKeyboardSize) EndDrag(m);
  return 1;
}

int FrameMotionHandler(SimpleWindow* w, XEvent* ev) {
  ManagedWindow* m = RecordOf(w);
  if (!m) return 1;
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  // Only the latest position of a burst of motion matters.
  while (XCheckTypedWindowEvent(d, w->window, MotionNotify, ev)) {
  }
  const XMotionEvent& e = ev->xmotion;
  const unsigned held = s->sdk.selectButtonMask | s->sdk.middleButtonMask | s->sdk.menuButtonMask;
  if (m->pendingRegion >= 0 && m->pressedButton == -1) {
    const int region = m->pendingRegion;
    m->pendingRegion = -1;
    if ((e.state & s->sdk.selectButtonMask) && DragAllowed(m, region)) {
      m->dragMode = region;
      StartRubberBand(m);  // takes over the grab
    } else {
      ReleasePointer(m);
    }
  }
  if (m->dragMode >= RegionMenuButton && m->dragMode <= RegionCloseButton) {
    const bool over = FrameHitTest(m, e.x, e.y) == m->dragMode;
    if (over && m->pressedButton != m->dragMode) {
      m->pressedButton = m->dragMode;
      RedrawFrame(m);
    } else if (!over && m->pressedButton == m->dragMode) {
      m->pressedButton = -2;
      RedrawFrame(m);
    }
    return 1;
  }
  if (m->keyboardDrag) {
    // Keys move the pointer; a drag started from the menu follows it
    // without a button held (a keyboard size only once it has an edge).
    if (m->dragMode == RegionTitle)
      MoveOutline(m, e.x_root, e.y_root);
    else if (m->dragMode >= RegionTop && m->dragMode <= RegionBottomRight)
      ResizeOutline(m, e.x_root, e.y_root);
    if (m->dragMode != RegionKeyboardSize) {
      m->lastPointer[0] = e.x_root;
      m->lastPointer[1] = e.y_root;
    }
    return 1;
  }
  if (m->dragMode >= RegionTitle) {
    if (!(e.state & held)) {
      FrameButtonReleaseHandler(w, nullptr);
      return 1;
    }
    if (m->dragMode == RegionTitle)
      MoveOutline(m, e.x_root, e.y_root);
    else if (m->dragMode >= RegionTop && m->dragMode <= RegionBottomRight)
      ResizeOutline(m, e.x_root, e.y_root);
    return 1;
  }
  UpdateHoverCursor(m, e.x, e.y);
  return 1;
}

Cursor FrameCursorForRegion(ManagedWindow* m) {
  ManagerState* s = m->state;
  const int region = m->dragMode >= 0 ? m->dragMode : m->pendingRegion;
  if (region == RegionTitle || region == RegionKeyboardSize) return s->sdk.cursors[SdkCursorMove];
  if (region >= RegionTop && region <= RegionBottomRight && m->resizable && !m->maximized &&
      !m->unmappedByClient)
    return EdgeCursor(s, region);
  return s->sdk.cursors[SdkCursorNormal];
}

void ShowFrameCursor(ManagedWindow* m, Cursor cursor) {
  if (m->cursorShown == cursor) return;
  m->cursorShown = cursor;
  XDefineCursor(m->state->sdk.display, m->frame->window, cursor);
}

void UpdateHoverCursor(ManagedWindow* m, int x, int y) {
  const int region = FrameHitTest(m, x, y);
  Cursor c = m->state->sdk.cursors[SdkCursorNormal];
  if (region >= RegionTop && region <= RegionBottomRight && m->resizable && !m->unmappedByClient &&
      !HasMappedTransient(m))
    c = EdgeCursor(m->state, region);
  ShowFrameCursor(m, c);
}

void StartRubberBand(ManagedWindow* m) {
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  XSizeHints hints = {};
  long supplied = 0;
  if (!m->client || !XGetWMNormalHints(d, m->client, &hints, &supplied)) hints.flags = 0;
  int minW = 80, minH = 32, maxW = 0, maxH = 0, incW = 1, incH = 1;
  if (hints.flags & PMinSize) {
    minW = hints.min_width > 1000 ? 80 : std::max(hints.min_width, 80);
    minH = hints.min_height > 1000 ? 32 : std::max(hints.min_height, 32);
  }
  if (hints.flags & PMaxSize) {
    maxW = std::clamp(hints.max_width, minW, kMaxClientSize);
    maxH = std::clamp(hints.max_height, minH, kMaxClientSize);
  }
  if (hints.flags & PResizeInc) {
    incW = hints.width_inc > 1000 || hints.width_inc < 1 ? 1 : hints.width_inc;
    incH = hints.height_inc > 1000 || hints.height_inc < 1 ? 1 : hints.height_inc;
  }
  m->minWidth = minW + m->left + m->right;
  m->minHeight = minH + m->top + m->bottom;
  m->maxWidth = maxW ? maxW + m->left + m->right : 0;
  m->maxHeight = maxH ? maxH + m->top + m->bottom : 0;
  m->widthInc = incW;
  m->heightInc = incH;
  m->outline[0] = m->x;
  m->outline[1] = m->y;
  m->outline[2] = m->x + m->width;
  m->outline[3] = m->y + m->height;
  m->outlineDrawn = 0;
  DrawOutline(m);
  GrabPointerFor(m, FrameCursorForRegion(m));
  s->pressedWindow = m;
}

void DrawOutline(ManagedWindow* m) {
  ManagerState* s = m->state;
  // Opaque moves move the frame itself.
  if (m->dragMode == RegionTitle && s->opaqueMoves) return;
  Display* d = s->sdk.display;
  if (!s->outlineGC) {
    XGCValues v;
    v.function = GXinvert;
    v.subwindow_mode = IncludeInferiors;
    v.plane_mask = s->sdk.whitePixel ^ s->sdk.blackPixel;
    s->outlineGC = XCreateGC(d, s->sdk.root, GCFunction | GCSubwindowMode | GCPlaneMask, &v);
  }
  const int t = std::max(m->left, 1);
  const int w = m->outline[2] - m->outline[0] - m->outlineWidth;
  const int h = m->outline[3] - m->outline[1] - m->outlineWidth;
  if (w <= 2 * t || h <= 2 * t) return;
  XRectangle r[4] = {
      {static_cast<short>(m->outline[0]), static_cast<short>(m->outline[1]), static_cast<unsigned short>(w),
       static_cast<unsigned short>(t)},
      {static_cast<short>(m->outline[0]), static_cast<short>(m->outline[1] + h - t),
       static_cast<unsigned short>(w), static_cast<unsigned short>(t)},
      {static_cast<short>(m->outline[0]), static_cast<short>(m->outline[1] + t), static_cast<unsigned short>(t),
       static_cast<unsigned short>(h - 2 * t)},
      {static_cast<short>(m->outline[0] + w - t), static_cast<short>(m->outline[1] + t),
       static_cast<unsigned short>(t), static_cast<unsigned short>(h - 2 * t)}};
  XFillRectangles(d, s->sdk.root, s->outlineGC, r, 4);
  m->outlineDrawn = !m->outlineDrawn;
}

void EndRubberBand(ManagedWindow* m) {
  if (m->outlineDrawn) DrawOutline(m);
  if (m->keyboardDrag) {
    XUngrabKeyboard(m->state->sdk.display, CurrentTime);
    m->keyboardDrag = 0;
  }
  ReleasePointer(m);
  m->dragMode = -1;
  if (m->state->pressedWindow == m) m->state->pressedWindow = nullptr;
}

namespace {

void WarpPointer(ManagedWindow* m, int x, int y) {
  ManagerState* s = m->state;
  XWarpPointer(s->sdk.display, None, s->sdk.root, 0, 0, 0, 0, x, y);
  m->lastPointer[0] = x;
  m->lastPointer[1] = y;
}

// The pointer position that matches the outline: the pressed point of a
// move, the moved edges of a size.
void OutlinePointer(const ManagedWindow* m, int* x, int* y) {
  const int* o = m->outline;
  const int mode = m->dragMode;
  *x = m->lastPointer[0];
  *y = m->lastPointer[1];
  if (mode == RegionTitle) {
    *x = o[0] + m->pressX;
    *y = o[1] + m->pressY;
    return;
  }
  if (mode == RegionLeft || mode == RegionTopLeft || mode == RegionBottomLeft) *x = o[0];
  if (mode == RegionRight || mode == RegionTopRight || mode == RegionBottomRight) *x = o[2] - m->outlineWidth - 1;
  if (mode == RegionTop || mode == RegionTopLeft || mode == RegionTopRight) *y = o[1];
  if (mode == RegionBottom || mode == RegionBottomLeft || mode == RegionBottomRight) *y = o[3] - m->outlineWidth - 1;
}

// Where the pointer goes when a keyboard size chooses an edge or corner.
void WarpToEdge(ManagedWindow* m) {
  const int* o = m->outline;
  const int midX = (o[0] + o[2]) / 2, midY = (o[1] + o[3]) / 2;
  int x = midX, y = midY;
  const int mode = m->dragMode;
  if (mode == RegionLeft || mode == RegionTopLeft || mode == RegionBottomLeft) x = o[0];
  if (mode == RegionRight || mode == RegionTopRight || mode == RegionBottomRight) x = o[2] - m->outlineWidth - 1;
  if (mode == RegionTop || mode == RegionTopLeft || mode == RegionTopRight) y = o[1];
  if (mode == RegionBottom || mode == RegionBottomLeft || mode == RegionBottomRight) y = o[3] - m->outlineWidth - 1;
  WarpPointer(m, x, y);
  XChangeActivePointerGrab(m->state->sdk.display, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                           FrameCursorForRegion(m), CurrentTime);
}

// The region a keyboard size takes from an arrow: an edge first, then a
// corner across it.
int ChooseEdge(int mode, KeySym k) {
  const bool left = k == XK_Left, right = k == XK_Right, up = k == XK_Up, down = k == XK_Down;
  switch (mode) {
    case RegionKeyboardSize:
      return left ? RegionLeft : right ? RegionRight : up ? RegionTop : RegionBottom;
    case RegionTop:
      return left ? RegionTopLeft : right ? RegionTopRight : mode;
    case RegionBottom:
      return left ? RegionBottomLeft : right ? RegionBottomRight : mode;
    case RegionLeft:
      return up ? RegionTopLeft : down ? RegionBottomLeft : mode;
    case RegionRight:
      return up ? RegionTopRight : down ? RegionBottomRight : mode;
    default:
      return mode;
  }
}

KeySym PlainArrow(KeySym k) {
  switch (k) {
    case XK_KP_Left: return XK_Left;
    case XK_KP_Right: return XK_Right;
    case XK_KP_Up: return XK_Up;
    case XK_KP_Down: return XK_Down;
    default: return k;
  }
}

}  // namespace

void StartKeyboardDrag(ManagedWindow* m, int mode) {
  ManagerState* s = m->state;
  Display* d = s->sdk.display;
  if (m->dragMode >= 0 || !m->client) return;
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned int mask = 0;
  XQueryPointer(d, s->sdk.root, &root, &child, &rx, &ry, &wx, &wy, &mask);
  m->startPointer[0] = m->lastPointer[0] = rx;
  m->startPointer[1] = m->lastPointer[1] = ry;
  m->dragMode = mode;
  m->startFrame[0] = m->x;
  m->startFrame[1] = m->y;
  m->startFrame[2] = m->x + m->width;
  m->startFrame[3] = m->y + m->height;
  if (mode == RegionTitle) {
    m->pressX = m->width / 2;
    m->pressY = m->left + (m->top - m->left) / 2;
  } else {
    m->pressX = m->width / 2;
    m->pressY = m->height / 2;
  }
  StartRubberBand(m);
  if (!m->pointerGrabbed ||
      XGrabKeyboard(d, m->frame->window, False, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess) {
    EndRubberBand(m);
    return;
  }
  m->keyboardDrag = 1;
  WarpPointer(m, m->x + m->pressX, m->y + m->pressY);
}

void MoveResizeClientInteractive(ManagedWindow* m, KeySym key) {
  if (!m->keyboardDrag) return;
  ManagerState* s = m->state;
  key = PlainArrow(key);
  if (key == XK_Left || key == XK_Right || key == XK_Up || key == XK_Down) {
    if (m->dragMode != RegionTitle) {
      const int chosen = ChooseEdge(m->dragMode, key);
      if (chosen != m->dragMode) {
        m->dragMode = chosen;
        WarpToEdge(m);
        return;
      }
    }
    const int stepX = m->widthInc > 1 ? m->widthInc + 1 : 10;
    const int stepY = m->heightInc > 1 ? m->heightInc + 1 : 10;
    int x = m->lastPointer[0], y = m->lastPointer[1];
    if (key == XK_Left) x -= stepX;
    if (key == XK_Right) x += stepX;
    if (key == XK_Up) y -= stepY;
    if (key == XK_Down) y += stepY;
    x = std::clamp(x, 0, s->sdk.width - 1);
    y = std::clamp(y, 0, s->sdk.height - 1);
    WarpPointer(m, x, y);
    if (m->dragMode == RegionTitle)
      MoveOutline(m, x, y);
    else
      ResizeOutline(m, x, y);
    return;
  }
  if (key == XK_Return || key == XK_KP_Enter) {
    int x = 0, y = 0;
    OutlinePointer(m, &x, &y);
    if (m->dragMode == RegionKeyboardSize) {
      EndRubberBand(m);
      WarpPointer(m, x, y);
      SetFocusWindow(s);
      return;
    }
    EndDrag(m);
    WarpPointer(m, x, y);
    return;
  }
  if (key == XK_Escape) {
    const int x = m->startPointer[0], y = m->startPointer[1];
    AbortMoveResize(m);
    WarpPointer(m, x, y);
  }
}

void AbortMoveResize(ManagedWindow* m) {
  if (!m->keyboardDrag) return;
  const bool opaqueMove = m->dragMode == RegionTitle && m->state->opaqueMoves;
  EndRubberBand(m);
  // An opaque move already moved the frame: it goes back.
  if (opaqueMove) PlaceFrame(m, m->startFrame[0], m->startFrame[1], m->startFrame[2], m->startFrame[3]);
  SetFocusWindow(m->state);
}
