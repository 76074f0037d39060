#include "wm/shell/DesktopWindow.h"

#include <fcntl.h>
#include <mntent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/sdk/MessageBox.h"
#include "platform/sdk/SimpleMenu.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/ClassRules.h"
#include "wm/manager/Clients.h"
#include "wm/manager/Frame.h"
#include "wm/manager/WindowMenu.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/WindowSwitcher.h"
#include "wm/shell/Appearance.h"
#include "wm/shell/DesktopCommands.h"
#include "wm/shell/HotKeys.h"
#include "wm/shell/MessageCatalog.h"
#include "wm/shell/ScreenDump.h"
#include "wm/shell/ShellEvents.h"
#include "wm/shell/ShellState.h"

namespace {

ShellState* StateOf(SimpleWindow* w) { return static_cast<ShellState*>(HubOf(w->owner)); }

// Closes the active window; a second kill request on a client that kept
// its window kills the client.
void KillActiveWindow(ShellState* s) {
  PopDownMenus(s);
  ManagedWindow* m = GetActiveWindow(s);
  if (!m || m->dragMode >= 0) return;
  Display* d = s->sdk.display;
  if (m->closeRequested && m->client) {
    const Window client = m->client;
    XKillClient(d, client);
    XSync(d, False);
    XWindowAttributes a;
    if (XGetWindowAttributes(d, client, &a)) {
      XKillClient(d, client);
      XSync(d, False);
    }
    // Its frame goes with the client's DestroyNotify.
    return;
  }
  m->closeRequested = 1;
  CloseWindow(m);
}

void HotKey(ShellState* s, XEvent* ev, int action) {
  switch (action) {
    case HotKeyWindowClose: {
      PopDownMenus(s);
      ManagedWindow* m = GetActiveWindow(s);
      if (m && m->dragMode < 0 && (m->functions & FunctionClose)) CloseWindow(m);
      break;
    }
    case HotKeyRootMenu:
      if (s->rootMenuEnabled && s->rootMenu) {
        PopDownMenus(s);
        PopupSimpleMenuNoEvent(s->rootMenu, -1, -1);
      }
      break;
    case HotKeyWindowMenu:
    case HotKeyWindowMenuAlt: {
      PopDownMenus(s);
      ManagedWindow* m = GetActiveWindow(s);
      if (m && (m->functions & FunctionMenu)) PopupWindowMenuAt(m, m->x + m->left, m->y + m->top);
      break;
    }
    case HotKeyWindowSwitch:
    case HotKeyWindowSwitchBack:
      if (s->noSwitchBox) break;
      if (s->switcher) {
        StepWindowSwitch(s, action == HotKeyWindowSwitch);
      } else {
        if (CanSwitchWindows(s)) BeginWindowSwitch(s, action == HotKeyWindowSwitch);
        XAllowEvents(s->sdk.display, AsyncKeyboard, CurrentTime);
      }
      break;
    case HotKeyVersion:
      ShowSystemInformation(s, 0);
      break;
    case HotKeyLogoff:
      DoDesktopCommand(s, CmdLogoffConfirm);
      break;
    case HotKeyWindowKill:
      KillActiveWindow(s);
      break;
    case HotKeyLoginName:
      ShowSystemInformation(s, 2);
      break;
    case HotKeyInformation:
      ShowSystemInformation(s, 1);
      break;
    case HotKeyToggleKeys:
      ToggleHotKeys(s);
      break;
    case HotKeyPrintScreen:
      DumpWindowToBmp(s, s->sdk.root);
      break;
    case HotKeyPrintWindow:
      if (ManagedWindow* m = GetActiveWindow(s)) DumpWindowToBmp(s, m->frame->window);
      break;
    default:
      break;
  }
  (void)ev;
}

int DesktopEventHandler(SimpleWindow* w, XEvent* ev) {
  ShellState* s = StateOf(w);
  Display* d = s->sdk.display;
  if (s->locked && TheShellEvents().lockedDesktopEvent) TheShellEvents().lockedDesktopEvent(s, ev);
  switch (ev->type) {
    case KeyPress: {
      const int action = MatchKeyBinding(s, ev->xkey, s->hotKeys, s->hotKeyCount);
      if (s->locked) {
        // A locked screen takes no hot keys, whatever reaches the desktop.
      } else if (s->loginMode) {
        if (action == HotKeyVersion) ShowSystemInformation(s, 0);
      } else if (action >= 0) {
        HotKey(s, ev, action);
      }
      // A synchronous grab that matched nothing is let go.
      XAllowEvents(d, AsyncKeyboard, CurrentTime);
      return 1;
    }
    case KeyRelease:
      if (s->switcher) SwitcherKeyEvent(s, ev);
      return 1;
    case FocusIn:
      if (ev->xfocus.window == s->sdk.root &&
          (ev->xfocus.detail == NotifyDetailNone || ev->xfocus.detail == NotifyPointerRoot)) {
        s->focusedClient = 0;
        SetFocusWindow(s);
      }
      return 1;
    case MapRequest:
      HandleDesktopMapRequest(s, ev);
      return 1;
    case UnmapNotify:
      HandleWithdrawRequest(s, ev->xunmap);
      return 1;
    case DestroyNotify: {
      ManagedWindow* m = FindClientByWindow(s, ev->xdestroywindow.window);
      if (m && m->client == ev->xdestroywindow.window) {
        m->client = 0;
        DestroyFrame(m);
        RedrawFramesAndFocus(s);
      }
      return 1;
    }
    case ConfigureRequest: {
      const XConfigureRequestEvent& c = ev->xconfigurerequest;
      XWindowChanges ch;
      ch.x = c.x;
      ch.y = c.y;
      ch.width = c.width;
      ch.height = c.height;
      ch.border_width = c.border_width;
      ch.sibling = c.above;
      ch.stack_mode = c.detail;
      XConfigureWindow(d, c.window, static_cast<unsigned int>(c.value_mask), &ch);
      return 1;
    }
    default:
      return 0;
  }
}

int DesktopExposeHandler(SimpleWindow* w, XEvent* ev) {
  ShellState* s = StateOf(w);
  const XExposeEvent& e = ev->xexpose;
  if (s->loginMode || s->splashPixmap) DrawSplash(s, e.x, e.y, e.width, e.height);
  if (!s->loginMode && e.count == 0) DrawDesktopIconsNow(s);
  return 1;
}

int DesktopButtonHandler(SimpleWindow* w, XEvent* ev) {
  ShellState* s = StateOf(w);
  const XButtonEvent& b = ev->xbutton;
  if (s->loginMode) {
    if (TheShellEvents().loginScreenPressed) TheShellEvents().loginScreenPressed(s);
    return 1;
  }
  if (ManagedWindow* m = FindDesktopIconAt(s, b.x_root, b.y_root)) {
    if (b.button == s->sdk.selectButton) {
      // A double click restores the window.
      if (s->lastIconPress && b.time - s->lastIconPress < static_cast<Time>(s->sdk.doubleClickTime)) {
        s->lastIconPress = b.time - 10000;
        RestoreWindow(m);
      } else {
        s->lastIconPress = b.time;
      }
    } else {
      PopupWindowMenu(m, ev);
    }
    return 1;
  }
  if (s->rootMenu && s->rootMenuEnabled) PopupSimpleMenu(s->rootMenu, ev);
  return 1;
}

void RootMenuProc(void* closure, int value) { DoDesktopCommand(static_cast<ShellState*>(closure), value); }
int RootMenuSensitive(void* closure, int value) {
  return RootMenuItemSensitive(static_cast<ShellState*>(closure), value);
}
void IconMenuProc(void* closure, int value) {
  if (value >= 0) IconPlacementMenuCallback(static_cast<ShellState*>(closure), value);
}
int IconMenuSensitive(void*, int value) { return value >= 0; }
int IconMenuChecked(void* closure, int value) {
  return IconPlacementItemChecked(static_cast<ShellState*>(closure), value);
}

// A catalog label without the title mark.
const char* Label(int id) {
  const char* t = CatalogText(id);
  return *t == '<' ? t + 1 : t;
}

bool Quiet(time_t* last) {
  const time_t now = time(nullptr);
  if (*last == now) return true;
  *last = now;
  return false;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string RootFilesystem() {
  std::string source;
  FILE* f = setmntent("/proc/mounts", "r");
  if (!f) return source;
  while (struct mntent* e = getmntent(f))
    if (e->mnt_dir && !std::strcmp(e->mnt_dir, "/") && e->mnt_fsname) source = e->mnt_fsname;
  endmntent(f);
  return source;
}

}  // namespace

SimpleWindow* CreateDesktopWindow(ShellState* s) {
  SimpleWindow* w = WrapSimpleWindow(&s->sdk, s->sdk.root, 0);
  if (!w) return nullptr;
  w->event = DesktopEventHandler;
  w->expose = DesktopExposeHandler;
  w->press = DesktopButtonHandler;
  s->desktopWindow = w;
  LoadHotKeys(s);
  return w;
}

void CreateRootMenu(ShellState* s) {
  if (s->rootMenu) DestroySimpleMenu(s->rootMenu);
  const SimpleMenuItem items[] = {
      {CatalogText(TextMinimizeAll), 13}, {CatalogText(TextConstrainWindows), 23}, {nullptr, 0},
      {CatalogText(TextIconPlacement), 8}, {CatalogText(TextColorTheme), 19},
      {CatalogText(TextScreenSaver), 21}, {CatalogText(TextLockScreen), 26}, {nullptr, 0},
      {CatalogText(TextChangePIN), 20}, {nullptr, 0}, {CatalogText(TextLogoff), 25}};
  s->rootMenu = CreateSimpleMenu(&s->sdk, items, static_cast<int>(sizeof items / sizeof items[0]), RootMenuProc,
                                 s, s->menuFont);
  if (s->rootMenu) SetSimpleMenuTests(s->rootMenu, RootMenuSensitive, nullptr);
  SetScreenSaverMenuLabel(s, s->screenSaverDisabled);
  SetConstrainMenuLabel(s, s->constrainedMode);
}

void CreateIconPlacementMenu(ShellState* s) {
  if (s->iconPlacementMenu) DestroySimpleMenu(s->iconPlacementMenu);
  const SimpleMenuItem items[] = {
      {Label(TextIconMenuTitle), -1}, {nullptr, 0},
      {CatalogText(TextIconsTopLR), 0}, {CatalogText(TextIconsTopRL), 4}, {nullptr, 0},
      {CatalogText(TextIconsBottomLR), 1}, {CatalogText(TextIconsBottomRL), 5}, {nullptr, 0},
      {CatalogText(TextIconsLeftTB), 2}, {CatalogText(TextIconsLeftBT), 6}, {nullptr, 0},
      {CatalogText(TextIconsRightTB), 3}, {CatalogText(TextIconsRightBT), 7}};
  s->iconPlacementMenu = CreateSimpleMenu(&s->sdk, items, static_cast<int>(sizeof items / sizeof items[0]),
                                          IconMenuProc, s, s->menuFont);
  if (s->iconPlacementMenu) SetSimpleMenuTests(s->iconPlacementMenu, IconMenuSensitive, IconMenuChecked);
}

void PopDownMenus(ShellState* s) {
  s->windowMenuFrame = nullptr;
  PopDownMenu(&s->sdk);
}

void SetScreenSaverMenuLabel(ShellState* s, int enabled) {
  SetSimpleMenuLabel(s->rootMenu, 21, CatalogText(enabled ? TextEnableScreenSaver : TextDisableScreenSaver));
}

void SetConstrainMenuLabel(ShellState* s, int constrained) {
  SetSimpleMenuLabel(s->rootMenu, 23, CatalogText(constrained ? TextDisableConstrain : TextEnableConstrain));
}

bool GetPermanentMacAddress(const char* path, std::string* permanent, std::string* alternate) {
  permanent->clear();
  alternate->clear();
  const int fd = path ? open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK) : -1;
  if (fd >= 0) {
    unsigned char head[40];
    unsigned char alt[6];
    const bool whole = read(fd, head, sizeof head) == static_cast<ssize_t>(sizeof head);
    if (whole && head[0] == 4) {
      char text[32];
      std::snprintf(text, sizeof text, "%x:%x:%x:%x:%x:%x", head[4], head[5], head[6], head[7], head[8], head[9]);
      *permanent = text;
      if (pread(fd, alt, sizeof alt, 411) == static_cast<ssize_t>(sizeof alt)) {
        std::snprintf(text, sizeof text, "%x:%x:%x:%x:%x:%x", alt[0], alt[1], alt[2], alt[3], alt[4], alt[5]);
        *alternate = text;
      }
    }
    close(fd);
    if (!permanent->empty()) return true;
  }
  *permanent = Env("BOOT_HARDWARE_ADDRESS");
  return !permanent->empty();
}

std::string NetworkInformationText() {
  std::string text;
  auto line = [&](const char* label, const std::string& value) {
    if (!value.empty()) text += std::string(label) + value + "\n";
  };
  line("Network Configuration:", "\n");
  line("IP Address: ", Env("IPADDRESS"));
  std::string permanent, alternate;
  const char* nvram = std::getenv("QX_NVRAM_DEVICE");
  if (GetPermanentMacAddress(nvram && *nvram ? nvram : "/dev/nvram0", &permanent, &alternate)) {
    if (!alternate.empty()) {
      line("Permanent MAC Address: ", permanent);
      line("Alternate MAC Address: ", alternate);
    } else {
      line("Ethernet Address: ", permanent);
    }
  }
  line("Subnet Mask: ", Env("BOOT_NETMASK"));
  line("Gateway: ", Env("BOOT_GATEWAY"));
  line("Boot Server Address: ", Env("SERVER_ADDRESS"));
  line("Root Filesystem: ", RootFilesystem());
  line("Authentication Server Address: ", Env("QX_PCNFSD_SERVER"));
  line("Host Name: ", Env("HOSTNAME"));
  char domain[256] = "";
  const bool known = getdomainname(domain, sizeof domain - 1) == 0 && domain[0] && std::strcmp(domain, "(none)");
  line("Domain Name: ", known ? domain : "(empty)");
  return text;
}

void ShowSystemInformation(ShellState* s, int kind) {
  static time_t lastUser = 0, lastNetwork = 0;
  std::string text;
  const char* id = nullptr;
  switch (kind) {
    case 0:
      text = "QX Desktop Build Date: " __DATE__;
      id = "QXW0500";
      break;
    case 2: {
      if (Quiet(&lastUser)) return;
      std::string user = s->anonymous ? "anon" : Env("LOGNAME");
      if (user.empty()) user = Env("USER");
      if (user.empty()) user = "nobody";
      text = FormatCatalogText(TextLoggedInUser, {user});
      id = "QXW0501";
      break;
    }
    case 1:
      if (Quiet(&lastNetwork)) return;
      text = NetworkInformationText();
      id = "QXW0506";
      break;
    default:
      return;
  }
  PopDownMessageBox(&s->sdk);
  CreateMessageBox(&s->sdk, text.c_str(), CatalogText(TextOk), id, 0);
}
