#include "wm/manager/Clients.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/sdk/NLSText.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/ClassRules.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerEvents.h"
#include "wm/manager/ManagerState.h"
#include "wm/manager/Stacking.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/WorkArea.h"

namespace {

void ReleasingClients() {
  if (TheManagerEvents().releasingClients) TheManagerEvents().releasingClients();
}

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

std::string ReadClientTitle(ManagerState* s, Window w) {
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

ManagedWindow* FindClientByWindow(ManagerState* s, Window w) {
  if (!w) return nullptr;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next)
    if (m->frame->window == w || m->client == w) return m;
  return nullptr;
}

MotifHints ReadMotifHints(ManagerState* s, Window w) {
  MotifHints h;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const Atom atom = s->atoms[AtomMotifWmHints];
  if (XGetWindowProperty(s->sdk.display, w, atom, 0, 10, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) == Success &&
      data && format == 32 && count >= 1) {
    const long* v = reinterpret_cast<const long*>(data);
    h.present = true;
    h.flags = static_cast<unsigned long>(v[0]);
    if (count > 1) h.functions = static_cast<unsigned long>(v[1]);
    if (count > 2) h.decorations = static_cast<unsigned long>(v[2]);
    if (count > 3) h.inputMode = v[3];
  }
  if (data) XFree(data);
  return h;
}

namespace {

// The first long of _WIN_LAYER, clamped to a layer; `fallback` without one.
int ReadLayer(ManagerState* s, Window w, int fallback) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  int layer = fallback;
  if (XGetWindowProperty(s->sdk.display, w, s->atoms[AtomWinLayer], 0, 1, False, AnyPropertyType, &type,
                         &format, &count, &after, &data) == Success &&
      data && format == 32 && count >= 1)
    layer = static_cast<int>(std::clamp(*reinterpret_cast<const long*>(data), 0L, 255L));
  if (data) XFree(data);
  return layer;
}

// The window a client is transient for, 0 when none or when it names the
// root or the client itself.
Window ReadTransientFor(ManagerState* s, Window w) {
  Window owner = 0;
  if (!XGetTransientForHint(s->sdk.display, w, &owner)) return 0;
  if (owner == w || owner == s->sdk.root) return 0;
  return owner;
}

void ReadClass(Display* d, Window w, std::string* instance, std::string* cls, bool* hasInstance, bool* hasClass) {
  XClassHint hint = {nullptr, nullptr};
  *hasInstance = *hasClass = false;
  if (!XGetClassHint(d, w, &hint)) return;
  if (hint.res_name) {
    *instance = Printable(hint.res_name);
    *hasInstance = true;
    XFree(hint.res_name);
  }
  if (hint.res_class) {
    *cls = Printable(hint.res_class);
    *hasClass = true;
    XFree(hint.res_class);
  }
}

// Fits a frame into the work area: shifted left or up first, then its left
// and top raised to the area, the frame shrinking.
void FitFrame(const int area[4], bool decorated, bool notConstrained, int r[4]) {
  if (notConstrained) {
    const int dx = std::max(area[0] - r[0], 0), dy = std::max(area[1] - r[1], 0);
    r[0] += dx;
    r[2] += dx;
    r[1] += dy;
    r[3] += dy;
    return;
  }
  const int slack = decorated ? 2 : 0;
  if (r[2] > area[2] + slack) {
    const int dx = r[2] - (area[2] + slack);
    r[0] -= dx;
    r[2] -= dx;
  }
  if (r[3] > area[3] + slack) {
    const int dy = r[3] - (area[3] + slack);
    r[1] -= dy;
    r[3] -= dy;
  }
  r[0] = std::max(r[0], area[0]);
  r[1] = std::max(r[1], area[1]);
}

}  // namespace

ManagedWindow* ManageWindow(ManagerState* s, Window w, int restoreGeometry, int* iconic) {
  Display* d = s->sdk.display;
  if (iconic) *iconic = 0;
  XWindowAttributes a;
  if (!w || w == s->sdk.root || FindClientByWindow(s, w) || FindSimpleWindow(&s->sdk, w)) return nullptr;
  if (!XGetWindowAttributes(d, w, &a) || a.override_redirect || a.c_class != InputOutput)
    return nullptr;
  const int* area = s->workArea;
  const int textHeight = s->titleFont ? s->titleFont->ascent + s->titleFont->descent : 0;
  const int T = std::max(textHeight, 15);
  XAddToSaveSet(d, w);

  const std::string title = ReadClientTitle(s, w);
  std::string iconTitle = title;
  XTextProperty iconProp;
  if (XGetWMIconName(d, w, &iconProp)) {
    if (iconProp.format == 8 && iconProp.value && iconProp.nitems)
      iconTitle = Printable(std::string(reinterpret_cast<const char*>(iconProp.value), iconProp.nitems));
    if (iconProp.value) XFree(iconProp.value);
  }
  bool startIconic = false;
  if (XWMHints* h = XGetWMHints(d, w)) {
    startIconic = (h->flags & StateHint) && h->initial_state == IconicState;
    XFree(h);
  }
  std::string instance, cls;
  bool hasInstance = false, hasClass = false;
  ReadClass(d, w, &instance, &cls, &hasInstance, &hasClass);
  const ClassKey key = ChooseClassKey(hasInstance ? instance.c_str() : nullptr, hasClass ? cls.c_str() : nullptr);
  const unsigned rules = hasInstance ? ParseClassRules(instance.c_str()) : 0;
  if (key.key == "VendorShell" || key.realClass == "VendorShell" || key.key == "TopLevelShell" ||
      key.realClass == "TopLevelShell")
    XDefineCursor(d, s->sdk.root, s->sdk.cursors[SdkCursorNormal]);

  const MotifHints motif = ReadMotifHints(s, w);
  const Window transientFor = ReadTransientFor(s, w);
  const int transient = transientFor != 0;
  const int resizable = MotifAllowsResize(&motif, transient) && !(rules & RuleNoResize);
  const bool decorated = !(rules & RuleNoBorders) && MotifWantsBorder(motif);
  const unsigned removed = RuleRemovedFunctions(rules) | MotifRemovedFunctions(motif);
  const int layer = (rules & RuleLayerGiven) ? static_cast<int>(rules & RuleLayerMask) : ReadLayer(s, w, 4);

  const int top = decorated ? T + 8 : 0, left = decorated ? 5 : 0;
  const int extraW = decorated ? 12 : 0, extraH = decorated ? T + 15 : 0;
  int clientW = std::clamp(a.width, 1, 30000), clientH = std::clamp(a.height, 1, 30000);
  if (key.key == "XTerm") {
    XSizeHints hints = {};
    long supplied = 0;
    if (XGetWMNormalHints(d, w, &hints, &supplied) && (hints.flags & PSize) && hints.width > 0 &&
        hints.height > 0) {
      clientW = std::min(hints.width, 30000);
      clientH = std::min(hints.height, 30000);
    }
  }
  int r[4] = {std::max(a.x, area[0]), std::max(a.y, area[1]), 0, 0};
  r[2] = r[0] + clientW + extraW;
  r[3] = r[1] + clientH + extraH;
  bool maximized = false, restored = false;
  ClassRecord record = {};
  if (restoreGeometry && !transient && key.hasKey && rules && LookupClassRecord(s, key.key, &record) &&
      record.geometryValid) {
    int x1 = r[0], y1 = r[1], x2 = r[2], y2 = r[3];
    const bool takePos = record.restoreFlagsValid ? record.restorePosition && !(rules & RuleNoSavePosition)
                                                  : !(rules & (RuleNoSaveSize | RuleNoSavePosition));
    const bool takeSize = resizable && (record.restoreFlagsValid ? record.restoreSize && !(rules & RuleNoSaveSize)
                                                                 : !(rules & (RuleNoSaveSize | RuleNoSavePosition)));
    if (takeSize) {
      x2 = x1 + (record.x2 - record.x1);
      y2 = y1 + (record.y2 - record.y1);
    }
    if (takePos) {
      x2 += record.x1 - x1;
      y2 += record.y1 - y1;
      x1 = record.x1;
      y1 = record.y1;
    }
    r[0] = x1;
    r[1] = y1;
    r[2] = x2;
    r[3] = y2;
    if (!(rules & RuleNoSaveZoom)) maximized = record.maximized != 0;
    restored = true;
  }
  const bool modeless = MotifModeless(motif);
  if (!restored && ((transient && !modeless) || key.centreOnPlacement)) {
    const int w0 = r[2] - r[0], h0 = r[3] - r[1];
    ManagedWindow* owner = nullptr;
    for (ManagedWindow* m = s->managedWindows; m && transient && !owner; m = m->next)
      if (m->client == transientFor) owner = m;
    if (owner) {
      r[0] = std::max(owner->x + (owner->width - w0) / 2, area[0]);
      r[1] = std::max(owner->y + (owner->height - h0) / 2, area[1]);
      if (r[0] + w0 > area[2]) r[0] = std::max(area[2] - w0, area[0]);
      if (r[1] + h0 > area[3]) r[1] = std::max(area[3] - h0, area[1]);
    } else {
      r[0] = area[0] + ((area[2] - area[0]) - w0) / 2;
      r[1] = area[1] + ((area[3] - area[1]) - h0) / 2;
    }
    r[2] = r[0] + w0;
    r[3] = r[1] + h0;
  }
  FitFrame(area, decorated, key.notConstrained, r);
  if ((rules & RuleZoom) && !transient && !key.centreOnPlacement) maximized = true;

  ManagedWindow* m = CreateFrame(s, r[0], r[1], r[2], r[3], title, iconTitle, w, transient, resizable,
                                 decorated, decorated && !(rules & RuleNoMenu), removed);
  if (!m) {
    XRemoveFromSaveSet(d, w);
    return nullptr;
  }
  m->classKey = key.key;
  m->realClass = key.realClass;
  m->colormap = a.colormap;
  m->notConstrained = key.notConstrained;
  m->transientFor = transientFor;
  m->modeless = transient ? modeless : 0;
  m->clientBorderWidth = a.border_width;
  if (maximized) {
    m->maximized = 1;
    const int o = m->outlineWidth;
    m->x = area[0] - (decorated ? 1 : 0);
    m->y = area[1] - (decorated ? 1 : 0);
    m->width = area[2] + (decorated ? o + 1 : 0) - m->x;
    m->height = area[3] + (decorated ? o + 1 : 0) - m->y;
    XMoveResizeWindow(d, m->frame->window, m->x, m->y, static_cast<unsigned>(m->width),
                      static_cast<unsigned>(m->height));
  }
  ApplyFrameShape(m);

  const bool mapped = a.map_state != IsUnmapped;
  if (mapped) XUnmapWindow(d, w);
  XSetWindowBorderWidth(d, w, 0);
  XDefineCursor(d, w, s->sdk.cursors[SdkCursorNormal]);
  XReparentWindow(d, w, m->frame->window, left, top);
  XMoveResizeWindow(d, w, left, top, static_cast<unsigned>(std::max(m->width - m->left - m->right, 1)),
                    static_cast<unsigned>(std::max(m->height - m->top - m->bottom, 1)));
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
    DestroyFrame(m);
    return nullptr;
  }
  SendSyntheticConfigure(m);
  StackInsertWindow(m, layer);
  if (startIconic) {
    // Frame and client stay unmapped: the client's own map later (a
    // MapRequest) asks for the normal state, and so does a press on its icon.
    m->minimized = 1;
    if (iconic) *iconic = 1;
    RedrawDesktop(s, 0);
  } else {
    XMapWindow(d, w);
    RaiseWindow(m);
  }
  SetWMState(m);
  // Desktop programs waiting for this program's window learn that it came.
  if (TheManagerEvents().windowManaged) TheManagerEvents().windowManaged(s, m);
  return m;
}

void ManageExistingWindows(ManagerState* s) {
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

namespace {

// WM_COLORMAP_WINDOWS: a client that lists a subwindow before itself wants
// that window's colormap; otherwise its own colormap counts.
void FollowColormapWindows(ManagerState* s, ManagedWindow* m) {
  Display* d = s->sdk.display;
  Window* list = nullptr;
  int n = 0;
  Colormap wanted = 0;
  bool fromList = false;
  if (XGetWMColormapWindows(d, m->client, &list, &n) && list) {
    bool listed = false;
    for (int i = 1; i < n; ++i) listed = listed || list[i] == m->client;
    XWindowAttributes a;
    if (listed && list[0] != m->client && XGetWindowAttributes(d, list[0], &a) && a.colormap) {
      wanted = a.colormap;
      fromList = true;
    }
  }
  if (list) XFree(list);
  if (!fromList) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, m->client, &a)) return;
    wanted = a.colormap;
  }
  if (wanted == m->colormap) return;
  m->colormap = wanted;
  if (IsActiveWindow(m)) InstallWindowColormap(s, m);
}

}  // namespace

void HandleClientPropertyChange(ManagerState* s, ManagedWindow* m, Atom atom) {
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
    if (m->minimized && !m->transient) RedrawDesktop(s, 0);
  } else if (atom == s->atoms[AtomWmColormapWindows]) {
    FollowColormapWindows(s, m);
  } else if (atom == s->atoms[AtomMotifWmHints]) {
    const MotifHints hints = ReadMotifHints(s, m->client);
    const int resizable = MotifAllowsResize(&hints, m->transient);
    if (resizable == m->resizable) return;
    m->resizable = resizable;
    if (resizable)
      m->functions |= FunctionMaximize;
    else
      m->functions &= ~FunctionMaximize;
    RedrawFrame(m);
  }
}

void HandleColormapNotify(ManagerState* s, const XColormapEvent& e) {
  ManagedWindow* m = FindClientByWindow(s, e.window);
  if (!m || m->client != e.window) return;
  if (e.c_new) m->colormap = e.colormap;
  ManagedWindow* active = s->activeWindow;
  if (!active || s->sdk.depth > 8) return;
  const bool otherInstalled = e.state == ColormapInstalled && m != active;
  const bool activeLost = e.state == ColormapUninstalled && m == active && !e.c_new;
  if (!otherInstalled && !activeLost) return;
  s->lastColormap = e.colormap;
  s->installedColormap = 0;
  InstallWindowColormap(s, active);
}

void HandleClientActivate(ManagerState* s, Window w) {
  ManagedWindow* m = FindClientByWindow(s, w);
  if (!m || m->client != w || IsActiveWindow(m) || m->minimized || m->unmappedByClient) return;
  // A FocusIn of a focus Teldra has moved on since is stale: only a client
  // that holds the focus now took it itself.
  Window focus = None;
  int revert = 0;
  XGetInputFocus(s->sdk.display, &focus, &revert);
  if (focus != w) return;
  RaiseWindow(m);
}

void HandleChangeState(ManagerState* s, const XClientMessageEvent& c) {
  if (c.format != 32 || c.data.l[0] != IconicState) return;
  ManagedWindow* m = FindClientByWindow(s, c.window);
  if (!m || m->client != c.window || m->minimized) return;
  if (m->transient) {
    // A dialog that asks to be iconified is a window of its own from then
    // on, with a desktop icon of its own.
    if (s->disableMinimize) return;
    m->transient = 0;
    m->transientFor = 0;
    m->modeless = 0;
    m->functions |= FunctionMinimize;
    StackDetachWindow(m);
  } else if (!(m->functions & FunctionMinimize)) {
    return;
  }
  MinimizeWindow(m);
}

void HandleWithdrawRequest(ManagerState* s, const XUnmapEvent& e) {
  if (!e.send_event || e.event != s->sdk.root) return;
  ManagedWindow* m = FindClientByWindow(s, e.window);
  // A mapped client withdraws by its own unmap, which its frame sees.
  if (!m || m->client != e.window || !(m->minimized || m->iconicWithOwner)) return;
  m->unmappedByClient = 1;
  ReleaseFrame(m);
  RedrawFramesAndFocus(s);
  RedrawDesktop(s, 0);
}

int SupportsSaveYourself(ManagerState* s, ManagedWindow* m) {
  return m->client && ListsProtocol(s, m->client, s->atoms[AtomWmSaveYourself]);
}

namespace {

bool StillManaged(ManagerState* s, const ManagedWindow* m) {
  for (ManagedWindow* w = s->managedWindows; w; w = w->next)
    if (w == m) return true;
  return false;
}

std::vector<ManagedWindow*> ManagedSnapshot(ManagerState* s) {
  std::vector<ManagedWindow*> all;
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) all.push_back(m);
  return all;
}

void CloseAllStillManaged(ManagerState* s, const std::vector<ManagedWindow*>& windows) {
  for (ManagedWindow* m : windows)
    if (StillManaged(s, m)) CloseWindow(m);
}

// The client goes back to the root where its frame was, mapped unless it
// was a transient or had unmapped itself.
void ReleaseToRoot(ManagerState* s, ManagedWindow* m) {
  Display* d = s->sdk.display;
  XUnmapWindow(d, m->frame->window);
  if (m->client) {
    const Window c = m->client;
    XUnmapWindow(d, c);
    XSelectInput(d, c, NoEventMask);
    XReparentWindow(d, c, s->sdk.root, m->x, m->y);
    XSetWindowBorderWidth(d, c, static_cast<unsigned>(m->clientBorderWidth));
    XMoveWindow(d, c, m->x - s->workArea[0], m->y - s->workArea[1]);
    XRemoveFromSaveSet(d, c);
    if (!m->transient && !m->unmappedByClient) XMapWindow(d, c);
    m->client = 0;
  }
  DestroyFrame(m);
}

}  // namespace

void ReleaseAllClients(ManagerState* s, int close) {
  Display* d = s->sdk.display;
  const std::vector<ManagedWindow*> windows = ManagedSnapshot(s);
  if (close) {
    int outstanding = 0;
    for (ManagedWindow* m : windows) {
      if (!StillManaged(s, m)) continue;
      if (SupportsSaveYourself(s, m)) {
        XEvent ev = {};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = m->client;
        ev.xclient.message_type = s->atoms[AtomWmProtocols];
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(s->atoms[AtomWmSaveYourself]);
        ev.xclient.data.l[1] = static_cast<long>(s->eventTime[0] ? s->eventTime[0] : CurrentTime);
        XSendEvent(d, m->client, True, NoEventMask, &ev);
        ++outstanding;
      } else {
        CloseWindow(m);
      }
    }
    // A client has saved when it updates WM_COMMAND; one that does not
    // answer within five seconds is closed all the same.
    int idle = 0;
    while (outstanding > 0 && idle < 50) {
      XFlush(d);
      if (XPending(d)) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == PropertyNotify && ev.xproperty.atom == s->atoms[AtomWmCommand]) --outstanding;
        continue;
      }
      usleep(100000);
      if (++idle % 20 == 0) ReleasingClients();
    }
    CloseAllStillManaged(s, windows);
  } else {
    for (ManagedWindow* m : windows)
      if (StillManaged(s, m)) ReleaseToRoot(s, m);
  }
  XClearArea(d, s->sdk.root, 0, 0, 0, 0, True);
  ReleasingClients();
}

int ActivateClientByName(ManagerState* s, const char* name) {
  if (!name || !*name) return 0;
  const bool transientsToo = !std::strcmp(name, "QXChangePIN") || !std::strcmp(name, "QXJavaLauncher");
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) {
    if (m->classKey != name || (m->transient && !transientsToo) || m->unmappedByClient) continue;
    if (m->minimized && !HasMappedTransient(m))
      RestoreWindow(m);
    else
      RaiseWindow(m);
    return 1;
  }
  return 0;
}

void SaveAllClassGeometry(ManagerState* s) {
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) StoreClassGeometry(m);
}
