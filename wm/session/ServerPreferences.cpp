#include "wm/session/ServerPreferences.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/dpms.h>
#include <X11/xpm.h>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/QXRegistry.h"

namespace {

bool EndsWithXbm(const char* name) {
  const size_t n = std::strlen(name);
  return n > 3 && strcasecmp(name + n - 4, ".xbm") == 0;
}

void ApplyBackground(Display* d, QXRegObject* config, ServerPreferences* p) {
  const char* type = QXRegGetStringValue(config, "pref-screen-background-type");
  if (!type || !*type) return;
  p->backgroundSet = 1;
  Window root = DefaultRootWindow(d);
  const bool image = !std::strcmp(type, "bitmap") || !std::strcmp(type, "pixmap");
  if (!image) {
    const char* color = QXRegGetStringValue(config, "pref-screen-background-color");
    XSetWindowBackground(d, root, AllocNamedColor(d, color ? color : ""));
    XClearWindow(d, root);
    return;
  }
  const char* file = QXRegGetStringValue(config, "pref-screen-background-bitmap-file");
  if (!file || !*file) return;
  const char* bgName = QXRegGetStringValue(config, "pref-screen-background-bitmap-background");
  const char* fgName = QXRegGetStringValue(config, "pref-screen-background-bitmap-foreground");
  const unsigned long bg = AllocNamedColor(d, bgName ? bgName : "");
  const unsigned long fg = AllocNamedColor(d, fgName ? fgName : "");
  Pixmap pixmap = None;
  if (EndsWithXbm(file)) {
    unsigned int w = 0, h = 0;
    int hx = 0, hy = 0;
    Pixmap bits = None;
    if (XReadBitmapFile(d, root, file, &w, &h, &bits, &hx, &hy) == BitmapSuccess) {
      const int screen = DefaultScreen(d);
      pixmap = XCreatePixmap(d, root, w, h, static_cast<unsigned>(DefaultDepth(d, screen)));
      GC gc = XCreateGC(d, pixmap, 0, nullptr);
      XSetForeground(d, gc, fg);
      XSetBackground(d, gc, bg);
      XCopyPlane(d, bits, pixmap, gc, 0, 0, w, h, 0, 0, 1);
      XFreeGC(d, gc);
      XFreePixmap(d, bits);
    } else {
      XSetWindowBackground(d, root, bg);
    }
  } else {
    XpmAttributes a = {};
    a.valuemask = XpmColormap | XpmExactColors | XpmCloseness;
    a.colormap = DefaultColormap(d, DefaultScreen(d));
    a.exactColors = False;
    a.closeness = 65535;
    if (XpmReadFileToPixmap(d, root, file, &pixmap, nullptr, &a) != XpmSuccess) pixmap = None;
    XpmFreeAttributes(&a);
  }
  if (pixmap) XSetWindowBackgroundPixmap(d, root, pixmap);
  XClearWindow(d, root);
  if (pixmap) XFreePixmap(d, pixmap);
}

void ReadSaver(QXRegObject* config, ServerPreferences* p) {
  const char* enable = QXRegGetStringValue(config, "pref-screensaver-enable");
  if (enable && *enable) p->saverEnable = QXRegGetBooleanValue(config, "pref-screensaver-enable", p->saverEnable);
  const char* style = QXRegGetStringValue(config, "pref-screensaver-style");
  if (style && std::strlen(style) <= 62) std::snprintf(p->saverStyle, sizeof p->saverStyle, "%s", style);
  p->saverTime = static_cast<int>(QXRegGetNumericValue(config, "pref-screensaver-time", p->saverTime));
  const char* bitmap = QXRegGetStringValue(config, "pref-screensaver-bitmap-file");
  if (bitmap && *bitmap) {
    std::free(p->saverBitmapFile);
    p->saverBitmapFile = strdup(bitmap);
  }
}

void ApplyMouse(Display* d, QXRegObject* config) {
  unsigned char map[32];
  const int n = XGetPointerMapping(d, map, sizeof map);
  const char* arrangement = QXRegGetStringValue(config, "pref-mouse-arrangement");
  const bool left = arrangement && !strcasecmp(arrangement, "left-handed");
  // The first two or three buttons are the hand's; the wheel's buttons
  // (4 and up) keep their codes.
  if (n >= 2) {
    const int hand = std::min(n, 3);
    for (int i = 0; i < hand; ++i) map[i] = static_cast<unsigned char>(left ? hand - i : i + 1);
    XSetPointerMapping(d, map, n);
  }
  const int accel = ClampAcceleration(QXRegGetNumericValue(config, "pref-mouse-acceleration", 300));
  XChangePointerControl(d, True, True, accel, 100, 0);
}

void ApplyKeyboard(Display* d, QXRegObject* config) {
  XKeyboardControl kc;
  if (!QXRegGetBooleanValue(config, "pref-keyboard-auto-repeat", 1)) {
    kc.auto_repeat_mode = AutoRepeatModeOff;
    XChangeKeyboardControl(d, KBAutoRepeatMode, &kc);
    return;
  }
  kc.auto_repeat_mode = AutoRepeatModeOn;
  XChangeKeyboardControl(d, KBAutoRepeatMode, &kc);
  const int rate = ClampRepeatRate(QXRegGetNumericValue(config, "pref-keyboard-auto-repeat-rate", 20));
  const int delay = ClampRepeatDelay(QXRegGetNumericValue(config, "pref-keyboard-auto-repeat-start", 500));
  // The XFree86-Misc keyboard request is not to be had (Debian carries no
  // library for it); XKB sets the same rate and delay where the server has it.
  std::fprintf(stderr, "teldra: no XFree86-Misc keyboard request: the repeat rate and delay go through XKB\n");
  int opcode = 0, event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  if (!XkbQueryExtension(d, &opcode, &event, &error, &major, &minor)) {
    std::fprintf(stderr, "teldra: the server has no XKB: keyboard repeat rate and delay are left alone\n");
    return;
  }
  const unsigned int interval = static_cast<unsigned int>(1000 / rate);
  if (!XkbSetAutoRepeatRate(d, XkbUseCoreKbd, static_cast<unsigned>(delay), interval))
    std::fprintf(stderr, "teldra: the keyboard repeat rate could not be set\n");
}

void ApplyAccessControl(Display* d, QXRegObject* config) {
  const int enabledDefault = QXRegGetBooleanValue(config, "xserver-access-control-enabled-default", 1);
  if (!QXRegGetBooleanValue(config, "xserver-access-control-enabled", enabledDefault)) {
    XDisableAccessControl(d);
    return;
  }
  XEnableAccessControl(d);
  // Entries in file order, each with its family, host and name.
  static const char kPrefix[] = "xserver-access-control-list.";
  std::vector<std::string> order;
  std::map<std::string, std::map<std::string, std::string>> entries;
  const char* name = nullptr;
  const char* value = nullptr;
  for (int i = 0; QXRegEnumObject(config, i, &name, &value) == QXRegOk; ++i) {
    if (std::strncmp(name, kPrefix, sizeof kPrefix - 1) != 0) continue;
    std::string rest = name + sizeof kPrefix - 1;
    const size_t dot = rest.rfind('.');
    if (dot == std::string::npos || dot == 0) continue;
    const std::string entry = rest.substr(0, dot);
    if (!entries.count(entry)) order.push_back(entry);
    entries[entry][rest.substr(dot + 1)] = value ? value : "";
  }
  std::vector<in_addr> addresses;
  for (const std::string& e : order) {
    auto& fields = entries[e];
    if (fields.count("family") && !fields["family"].empty() && fields["family"] != "tcpip") continue;
    std::string host = fields.count("host") && !fields["host"].empty() ? fields["host"] : fields["name"];
    if (host.empty()) continue;
    const hostent* h = gethostbyname(host.c_str());
    if (!h || h->h_addrtype != AF_INET || h->h_length != 4) continue;
    for (char** a = h->h_addr_list; *a; ++a) {
      in_addr address;
      std::memcpy(&address, *a, 4);
      addresses.push_back(address);
    }
  }
  if (addresses.empty()) return;
  std::vector<XHostAddress> hosts(addresses.size());
  for (size_t i = 0; i < addresses.size(); ++i) {
    hosts[i].family = FamilyInternet;
    hosts[i].length = 4;
    hosts[i].address = reinterpret_cast<char*>(&addresses[i]);
  }
  XAddHosts(d, hosts.data(), static_cast<int>(hosts.size()));
}

void ApplyResources(Display* d, QXRegObject* config) {
  const char* resources = QXRegGetStringValue(config, "xserver-initial-x-resources");
  if (!resources || !*resources) return;
  // Registry values are one line: "\n" in the text stands for a line end.
  std::string text;
  for (const char* p = resources; *p; ++p) {
    if (p[0] == '\\' && p[1] == 'n') {
      text += '\n';
      ++p;
    } else {
      text += *p;
    }
  }
  XChangeProperty(d, DefaultRootWindow(d), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
}

void ApplyPower(Display* d, QXRegObject* config) {
  int event = 0, error = 0;
  if (!DPMSQueryExtension(d, &event, &error) || !DPMSCapable(d)) {
    std::fprintf(stderr, "teldra: the server has no DPMS: power management is left alone\n");
    return;
  }
  int minutes[3];
  PowerTimes(QXRegGetNumericValue(config, "pref-power-manage-standby-time", 0),
             QXRegGetNumericValue(config, "pref-power-manage-suspend-time", 0),
             QXRegGetNumericValue(config, "pref-power-manage-powerdown-time", 0), minutes);
  DPMSSetTimeouts(d, static_cast<CARD16>(minutes[0] * 60), static_cast<CARD16>(minutes[1] * 60),
                  static_cast<CARD16>(minutes[2] * 60));
  DPMSEnable(d);
  DPMSForceLevel(d, DPMSModeOn);
}

}  // namespace

int ClampAcceleration(long v) { return static_cast<int>(std::max(1L, std::min(v, 1000L))); }
int ClampRepeatRate(long v) { return static_cast<int>(std::max(1L, std::min(v, 30L))); }
int ClampRepeatDelay(long v) { return static_cast<int>(std::max(0L, std::min(v, 1000L))); }

void PowerTimes(long standby, long suspend, long off, int minutes[3]) {
  long t[3] = {standby, suspend, off};
  for (long& v : t) v = std::max(0L, std::min(v, 240L));
  if ((t[2] && t[1] > t[2]) || (t[1] && t[0] > t[1])) {
    t[0] = 20, t[1] = 40, t[2] = 60;
  }
  for (int i = 0; i < 3; ++i) minutes[i] = static_cast<int>(t[i]);
}

int IconPlacementCode(const char* text) {
  if (!text || !*text) return -1;
  static const char* const names[] = {"left top",    "left bottom", "top left",    "top right",
                                      "right top",   "right bottom", "bottom left", "bottom right"};
  for (int i = 0; i < 8; ++i)
    if (!strcasecmp(text, names[i])) return i;
  return 1;
}

unsigned long AllocNamedColor(Display* d, const char* name) {
  const int screen = DefaultScreen(d);
  XColor c;
  if (name && *name && XParseColor(d, DefaultColormap(d, screen), name, &c) &&
      XAllocColor(d, DefaultColormap(d, screen), &c))
    return c.pixel;
  if (name && (!strcasecmp(name, "#FFFFFF") || !strcasecmp(name, "#808080"))) return WhitePixel(d, screen);
  return BlackPixel(d, screen);
}

void ApplyServerPreferences(Display* d, ServerPreferences* p) {
  QXRegObject* config = nullptr;
  QXRegGetObjectSimple("/config", &config);  // an object that cannot be opened counts as empty
  ApplyBackground(d, config, p);
  ReadSaver(config, p);
  ApplyMouse(d, config);
  ApplyKeyboard(d, config);
  ApplyAccessControl(d, config);
  ApplyResources(d, config);
  ApplyPower(d, config);
  QXRegObject* desktop = nullptr;
  QXRegGetObjectSimple("/desktop/mwm", &desktop);
  p->iconPlacement = IconPlacementCode(QXRegGetStringValue(desktop, "mwm*iconPlacement"));
  QXRegDestroyObject(desktop);
  QXRegDestroyObject(config);
}

void FreeServerPreferences(ServerPreferences* p) {
  std::free(p->saverBitmapFile);
  p->saverBitmapFile = nullptr;
}
