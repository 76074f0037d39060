#include "wm/Frame.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/sdk/Color.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/ScreenState.h"

namespace {

// Sizes a client may ask for are kept where the frame size stays a valid
// 16-bit X dimension.
constexpr int kMaxClientSize = 30000;

ManagedWindow* RecordOf(SimpleWindow* w) { return static_cast<ManagedWindow*>(w->data); }

void EnsureFrameDrawing(ScreenState* s) {
  if (s->frameGC) return;
  SdkScreen* sdk = &s->sdk;
  s->frameGC = XCreateGC(sdk->display, sdk->root, 0, nullptr);
  s->frameFace = GetColor(sdk, "#c0c0c0", sdk->whitePixel);
  s->frameHighlight = GetColor(sdk, "#ffffff", sdk->whitePixel);
  s->frameShadow = GetColor(sdk, "#808080", sdk->blackPixel);
  s->titleBackground = GetColor(sdk, "#000080", sdk->blackPixel);
  s->titleText = GetColor(sdk, "#ffffff", sdk->whitePixel);
}

void Unlink(ManagedWindow* m) {
  for (ManagedWindow** p = &m->state->managedWindows; *p; p = &(*p)->next)
    if (*p == m) {
      *p = m->next;
      return;
    }
}

void FrameDestroyHandler(SimpleWindow* w) {
  ManagedWindow* m = RecordOf(w);
  if (!m) return;
  Unlink(m);
  w->data = nullptr;
  delete m;
}

int FrameExposeHandler(SimpleWindow* w, XEvent* ev) {
  if (ev->xexpose.count != 0) return 1;
  RedrawFrame(RecordOf(w));
  return 1;
}

// The client asks for a new rectangle: the frame follows it; the client is
// always told its geometry, also when nothing changed, since Xt clients wait
// for that answer.
void ConfigureClient(ManagedWindow* m, const XConfigureRequestEvent& c) {
  Display* d = m->state->sdk.display;
  int x = m->x + m->left, y = m->y + m->top;
  int width = m->width - m->left - m->right, height = m->height - m->top - m->bottom;
  if (c.value_mask & CWX) x = c.x;
  if (c.value_mask & CWY) y = c.y;
  if (c.value_mask & CWWidth) width = std::clamp(c.width, 1, kMaxClientSize);
  if (c.value_mask & CWHeight) height = std::clamp(c.height, 1, kMaxClientSize);
  x = std::clamp(x, -kMaxClientSize, kMaxClientSize);
  y = std::clamp(y, -kMaxClientSize, kMaxClientSize);
  const int frameWidth = width + m->left + m->right, frameHeight = height + m->top + m->bottom;
  if (x - m->left != m->x || y - m->top != m->y || frameWidth != m->width ||
      frameHeight != m->height) {
    m->x = x - m->left;
    m->y = y - m->top;
    m->width = frameWidth;
    m->height = frameHeight;
    XMoveResizeWindow(d, m->frame->window, m->x, m->y, static_cast<unsigned>(m->width),
                      static_cast<unsigned>(m->height));
    XMoveResizeWindow(d, m->client, m->left, m->top, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
  }
  if ((c.value_mask & CWStackMode) && !(c.value_mask & CWSibling)) {
    if (c.detail == Below || c.detail == BottomIf)
      XLowerWindow(d, m->frame->window);
    else
      XRaiseWindow(d, m->frame->window);
  }
  SendSyntheticConfigure(m);
}

int FrameEventHandler(SimpleWindow* w, XEvent* ev) {
  ManagedWindow* m = RecordOf(w);
  if (!m) return 0;
  Display* d = m->state->sdk.display;
  switch (ev->type) {
    case DestroyNotify:
      if (ev->xdestroywindow.window != m->client) return 0;
      m->client = 0;
      ReleaseFrame(m);
      return 1;
    case UnmapNotify:
      // The client withdrew itself: it is no longer managed.
      if (ev->xunmap.window != m->client || ev->xunmap.event != w->window) return 0;
      m->unmappedByClient = 1;
      ReleaseFrame(m);
      return 1;
    case MapRequest:
      if (ev->xmaprequest.window != m->client) return 0;
      XMapWindow(d, m->client);
      MapSimpleWindow(w);
      m->minimized = 0;
      SetWMState(m);
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
    default:
      return 0;
  }
}

}  // namespace

int FrameTitleHeight(int textHeight) { return std::max(textHeight, 15) + 8; }

ManagedWindow* CreateFrame(ScreenState* s, int x, int y, int clientWidth, int clientHeight,
                           Window client) {
  EnsureFrameDrawing(s);
  auto* m = new ManagedWindow();
  m->state = s;
  m->client = client;
  const int textHeight = s->titleFont ? s->titleFont->ascent + s->titleFont->descent : 0;
  m->top = FrameTitleHeight(textHeight);
  m->bottom = 7;
  m->left = 5;
  m->right = 7;
  m->outlineWidth = 2;
  clientWidth = std::clamp(clientWidth, 1, kMaxClientSize);
  clientHeight = std::clamp(clientHeight, 1, kMaxClientSize);
  m->x = x;
  m->y = y;
  m->width = clientWidth + m->left + m->right;
  m->height = clientHeight + m->top + m->bottom;
  const long mask = KeyPressMask | EnterWindowMask | LeaveWindowMask | SubstructureNotifyMask |
                    SubstructureRedirectMask | ExposureMask;
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
  m->next = s->managedWindows;
  s->managedWindows = m;
  return m;
}

void RedrawFrame(ManagedWindow* m) {
  if (!m) return;
  ScreenState* s = m->state;
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
  if (m->top > m->left) {
    XRectangle band;
    band.x = static_cast<short>(m->left);
    band.y = static_cast<short>(m->left);
    band.width = static_cast<unsigned short>(std::max(W - m->left - m->right, 0));
    band.height = static_cast<unsigned short>(m->top - m->left);
    XSetForeground(d, gc, s->titleBackground);
    XFillRectangle(d, f, gc, band.x, band.y, band.width, band.height);
    if (s->titleFont && !m->title.empty()) {
      XSetClipRectangles(d, gc, 0, 0, &band, 1, Unsorted);
      XSetForeground(d, gc, s->titleText);
      NLSDrawString(d, f, s->titleFont, gc, m->left + 2, m->left + s->titleFont->ascent, m->title.data(),
                    static_cast<int>(m->title.size()));
      XSetClipMask(d, gc, None);
    }
  }
}

void SendSyntheticConfigure(ManagedWindow* m) {
  if (!m->client) return;
  XEvent ev = {};
  XConfigureEvent& c = ev.xconfigure;
  c.type = ConfigureNotify;
  c.event = c.window = m->client;
  c.x = m->x + m->left;
  c.y = m->y + m->top;
  c.width = m->width - m->left - m->right;
  c.height = m->height - m->top - m->bottom;
  c.border_width = 0;
  c.above = None;
  c.override_redirect = False;
  XSendEvent(m->state->sdk.display, m->client, False, StructureNotifyMask, &ev);
}

void SetWMState(ManagedWindow* m) {
  if (!m->client) return;
  const long words[2] = {m->minimized ? 0 : NormalState, None};
  const Atom wmState = m->state->atoms[AtomWmState];
  XChangeProperty(m->state->sdk.display, m->client, wmState, wmState, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(words), 2);
}

void ReleaseFrame(ManagedWindow* m) {
  ScreenState* s = m->state;
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
