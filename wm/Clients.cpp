#include "wm/Clients.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/sdk/SimpleWindow.h"
#include "wm/Frame.h"
#include "wm/ScreenState.h"

namespace {

constexpr size_t kMaxTitle = 255;

// The bytes of an 8-bit property of one of the accepted types; false when
// it is missing, of another type or format, or unreadable.
bool ReadText8(Display* d, Window w, Atom property, const Atom* types, int typeCount,
               std::string* bytes, Atom* typeSeen) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(d, w, property, 0, (kMaxTitle * 4 + 3) / 4, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) != Success)
    return false;
  bool ok = data && format == 8 && std::find(types, types + typeCount, type) != types + typeCount;
  if (ok) {
    bytes->assign(reinterpret_cast<const char*>(data), count);
    *typeSeen = type;
  }
  if (data) XFree(data);
  return ok;
}

std::string Printable(std::string text) {
  const size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  if (text.size() > kMaxTitle) text.resize(kMaxTitle);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

}  // namespace

std::string ReadClientTitle(ScreenState* s, Window w) {
  Display* d = s->sdk.display;
  const Atom utf8 = s->atoms[AtomUtf8String];
  std::string bytes;
  Atom type = None;
  if (ReadText8(d, w, s->atoms[AtomNetWmName], &utf8, 1, &bytes, &type)) return Printable(bytes);
  const Atom plain[] = {XA_STRING, utf8, s->atoms[AtomCompoundText]};
  if (!ReadText8(d, w, XA_WM_NAME, plain, 3, &bytes, &type)) return "";
  if (type != s->atoms[AtomCompoundText]) return Printable(bytes);
  XTextProperty prop;
  prop.value = reinterpret_cast<unsigned char*>(bytes.data());
  prop.encoding = type;
  prop.format = 8;
  prop.nitems = bytes.size();
  char** list = nullptr;
  int n = 0;
  std::string text;
  if (XmbTextPropertyToTextList(d, &prop, &list, &n) >= Success && list) {
    if (n > 0 && list[0]) text = list[0];
    XFreeStringList(list);
  }
  return Printable(text);
}

ManagedWindow* FindClientByWindow(ScreenState* s, Window w) {
  if (!w) return nullptr;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next)
    if (m->frame->window == w || m->client == w) return m;
  return nullptr;
}

ManagedWindow* ManageWindow(ScreenState* s, Window w, int) {
  Display* d = s->sdk.display;
  XWindowAttributes a;
  if (!w || FindClientByWindow(s, w) || FindSimpleWindow(&s->sdk, w)) return nullptr;
  if (!XGetWindowAttributes(d, w, &a) || a.override_redirect || a.c_class != InputOutput)
    return nullptr;
  const int x = std::max(a.x, s->workArea[0]);
  const int y = std::max(a.y, s->workArea[1]);
  XAddToSaveSet(d, w);
  ManagedWindow* m = CreateFrame(s, x, y, a.width, a.height, w);
  if (!m) {
    XRemoveFromSaveSet(d, w);
    return nullptr;
  }
  m->title = ReadClientTitle(s, w);
  m->iconTitle = m->title;
  m->clientBorderWidth = a.border_width;
  const bool mapped = a.map_state != IsUnmapped;
  if (mapped) XUnmapWindow(d, w);
  XSetWindowBorderWidth(d, w, 0);
  XDefineCursor(d, w, s->sdk.cursors[SdkCursorNormal]);
  XReparentWindow(d, w, m->frame->window, m->left, m->top);
  XSelectInput(d, w, FocusChangeMask | PropertyChangeMask | ColormapChangeMask);
  // A client that died before the reparent is not in the frame, and its
  // DestroyNotify went to the root: let go of the frame now.
  XSync(d, False);
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  const bool inFrame = XQueryTree(d, w, &root, &parent, &children, &count) && parent == m->frame->window;
  if (children) XFree(children);
  if (!inFrame) {
    m->client = 0;
    ReleaseFrame(m);
    return nullptr;
  }
  SendSyntheticConfigure(m);
  XMapWindow(d, w);
  MapSimpleWindow(m->frame);
  XRaiseWindow(d, m->frame->window);
  SetWMState(m);
  return m;
}

void ManageExistingWindows(ScreenState* s) {
  Display* d = s->sdk.display;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, s->sdk.root, &root, &parent, &children, &count)) return;
  for (unsigned int i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (XGetWindowAttributes(d, children[i], &a) && a.map_state != IsUnmapped)
      ManageWindow(s, children[i], 0);
  }
  if (children) XFree(children);
}

void HandleClientPropertyChange(ScreenState* s, ManagedWindow* m, Atom atom) {
  if (!m->client) return;
  if (atom == XA_WM_NAME || atom == s->atoms[AtomNetWmName]) {
    std::string title = ReadClientTitle(s, m->client);
    if (title == m->title) return;
    m->title = title;
    if (!m->minimized) RedrawFrame(m);
  } else if (atom == XA_WM_ICON_NAME) {
    XTextProperty prop;
    if (XGetWMIconName(s->sdk.display, m->client, &prop)) {
      if (prop.format == 8 && prop.value) m->iconTitle = Printable(std::string(
          reinterpret_cast<const char*>(prop.value), prop.nitems));
      if (prop.value) XFree(prop.value);
    }
  }
}

void CloseWindow(ManagedWindow* m) {
  if (!m->client) return;
  ScreenState* s = m->state;
  Display* d = s->sdk.display;
  Atom* protocols = nullptr;
  int n = 0;
  bool deletes = false;
  if (XGetWMProtocols(d, m->client, &protocols, &n)) {
    for (int i = 0; i < n; ++i) deletes = deletes || protocols[i] == s->atoms[AtomWmDeleteWindow];
    if (protocols) XFree(protocols);
  }
  if (!deletes) {
    XKillClient(d, m->client);
    return;
  }
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = m->client;
  ev.xclient.message_type = s->atoms[AtomWmProtocols];
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(s->atoms[AtomWmDeleteWindow]);
  ev.xclient.data.l[1] = static_cast<long>(s->eventTime[0] ? s->eventTime[0] : CurrentTime);
  XSendEvent(d, m->client, False, NoEventMask, &ev);
}
