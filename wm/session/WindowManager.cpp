#include "wm/session/WindowManager.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "login/record/CardRecord.h"
#include "platform/QXRegistry.h"
#include "platform/QXRegistryProfile.h"
#include "platform/sdk/Color.h"
#include "platform/sdk/SdkUtil.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/Clients.h"
#include "wm/manager/Frame.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/WorkArea.h"
#include "wm/services/CommandService.h"
#include "wm/services/DesktopMessage.h"
#include "wm/services/Tempreg.h"
#include "wm/session/CardRoot.h"
#include "wm/session/GroupEvents.h"
#include "wm/session/Launcher.h"
#include "wm/session/Login.h"
#include "wm/session/Monitors.h"
#include "wm/session/Options.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenSaver.h"
#include "wm/session/ScreenState.h"
#include "wm/session/ServerPreferences.h"
#include "wm/session/SessionEvents.h"
#include "wm/session/Signals.h"
#include "wm/shell/Appearance.h"
#include "wm/shell/ColourTheme.h"
#include "wm/shell/DesktopCommands.h"
#include "wm/shell/DesktopWindow.h"
#include "wm/shell/HotKeys.h"
#include "wm/shell/MessageCatalog.h"

namespace {

ScreenState* theState = nullptr;

// The memory monitor's figures reach the command service's clients.
void BroadcastMemoryFigures(ScreenState* s, int code, const void* data, size_t length) {
  BroadcastNotice(s, code, data, length);
}
bool xErrorSeen = false;

int FlagXError(Display*, XErrorEvent*) {
  xErrorSeen = true;
  return 0;
}
// Any client may destroy its windows while Teldra works on them: the errors
// that follow are expected and only logged.
int LogXError(Display* d, XErrorEvent* e) {
  char text[128] = "";
  XGetErrorText(d, e->error_code, text, sizeof text);
  std::fprintf(stderr, "teldra: X error on request %d.%d for 0x%lx: %s\n", e->request_code, e->minor_code,
               e->resourceid, text);
  return 0;
}

const char* UsableHome() {
  const char* home = std::getenv("HOME");
  if (!home || !*home || !std::strcmp(home, "/")) return nullptr;
  return home;
}

bool Unset(const char* name) {
  const char* v = std::getenv(name);
  return !v || !*v;
}

void LowMemoryNoticeTimer(void* closure, unsigned long) {
  auto* state = static_cast<ScreenState*>(closure);
  if (state->lowMemoryCountdown > 0 && --state->lowMemoryCountdown == 0) {
    state->lowMemoryCountdown = -1;
    ShowDesktopMessage(state, CatalogText(TextLowMemoryKill), nullptr);
  }
}

void SetFixedValues(ScreenState* s) {
  s->workArea[0] = 0;
  s->workArea[1] = 0;
  s->workArea[2] = s->sdk.width;
  s->workArea[3] = s->sdk.height;
  s->iconPlacement = 1;
  s->constrainedMode = 1;
  s->lockAllowed = 1;
  s->specialKeysEnabled = 1;
  s->confirmLogoff = s->logoffBoxSystemModal = 1;
  s->confirmLock = s->lockBoxSystemModal = 1;
  s->rootMenuEnabled = 1;
  s->desktopCommand = "qxdeskmgr";
  s->adminDesktopCommand = "qxdeskmgr -admin";
  s->iconCell[0] = 32;
  s->iconCell[1] = 32;
  s->iconCell[2] = 96;
  s->iconCell[3] = 64;
  for (long& f : s->memoryFigures) f = -1;
}

}  // namespace

ScreenState* TheScreenState() { return theState; }
void SetTheScreenState(ScreenState* state) { theState = state; }

void InternWindowManagerAtoms(Display* d, ScreenState* s) {
  static const char* const names[WmAtomCount] = {
      "_MIT_PRIORITY_COLORS", "WM_CHANGE_STATE",   "WM_STATE",         "WM_COLORMAP_WINDOWS",
      "WM_PROTOCOLS",         "WM_TAKE_FOCUS",     "WM_SAVE_YOURSELF", "WM_DELETE_WINDOW",
      "WM_CLIENT_MACHINE",    "WM_NAME",           "WM_ICON_NAME",     "WM_COMMAND",
      "_MOTIF_WM_HINTS",      "_QX_LOCK_SCREEN",   "_NET_WM_NAME",     "UTF8_STRING",
      "COMPOUND_TEXT",        "_WIN_LAYER",        "_WIN_WORKAREA",    "_QX_BORDER_SIZES"};
  for (int i = 0; i < WmAtomCount; ++i) s->atoms[i] = XInternAtom(d, names[i], False);
}

void CleanRootProperties(ScreenState* s) {
  Display* d = s->sdk.display;
  int n = 0;
  Atom* props = XListProperties(d, s->sdk.root, &n);
  for (int i = 0; i < n; ++i) {
    char* name = XGetAtomName(d, props[i]);
    if (name && (!std::strncmp(name, "_MOTIF", 6) || !std::strncmp(name, "CUT_BUFFER", 10)))
      XDeleteProperty(d, s->sdk.root, props[i]);
    if (name) XFree(name);
  }
  if (props) XFree(props);
}

unsigned int GetModifierMask(ScreenState* s, KeySym k1, KeySym k2, KeySym k3, KeySym k4) {
  Display* d = s->sdk.display;
  XModifierKeymap* map = XGetModifierMapping(d);
  if (!map) return 0;
  int first = -1, second = -1;
  for (int m = 0; m < 8; ++m)
    for (int k = 0; k < map->max_keypermod; ++k) {
      KeyCode code = map->modifiermap[m * map->max_keypermod + k];
      if (!code) continue;
      int count = 0;
      KeySym* syms = XGetKeyboardMapping(d, code, 1, &count);
      KeySym sym = syms && count > 0 ? syms[0] : NoSymbol;
      if (syms) XFree(syms);
      if (sym == NoSymbol) continue;
      if ((k1 && sym == k1) || (k2 && sym == k2))
        first = m;
      else if ((k3 && sym == k3) || (k4 && sym == k4))
        second = m;
    }
  XFreeModifiermap(map);
  if (first >= 0) return 1u << first;
  if (second >= 0) return 1u << second;
  return 0;
}

void LoadDesktopPreferences(ScreenState* s) {
  QXRegObject* o = nullptr;
  QXRegGetObjectSimple("/desktop/preferences", &o);  // without it every key keeps its default
  long placement = QXRegGetNumericValue(o, "icon_placement", s->iconPlacement);
  s->iconPlacement = placement >= 0 && placement <= 7 ? static_cast<int>(placement) : 1;
  if (QXRegGetBooleanValue(o, "reverse_mouse_buttons", 0)) {
    s->sdk.selectButton = Button3;
    s->sdk.selectButtonMask = Button3Mask;
    s->sdk.menuButton = Button1;
    s->sdk.menuButtonMask = Button1Mask;
  }
  s->constrainedMode = QXRegGetBooleanValue(o, "constrained_mode", s->constrainedMode);
  s->disableMinimize = QXRegGetBooleanValue(o, "disable_minimize", s->disableMinimize);
  s->screenSaverDisabled = !QXRegGetBooleanValue(o, "screen_saver", 1);
  s->lockAllowed = QXRegGetBooleanValue(o, "lock_screen", 1);
  s->anonymous = QXRegGetBooleanValue(o, "anonymous", 0);
  s->cardMayStay = QXRegGetBooleanValue(o, "smart_card_leave_alive", 0);
  s->specialKeysEnabled = QXRegGetBooleanValue(o, "special_keys_enabled", 1);
  s->confirmLogoff = QXRegGetBooleanValue(o, "confirm_logoff", s->confirmLogoff);
  s->logoffBoxSystemModal =
      QXRegGetBooleanValue(o, "confirm_logoff_system_modal", s->logoffBoxSystemModal);
  s->confirmLock = QXRegGetBooleanValue(o, "confirm_lock", s->confirmLock);
  s->lockBoxSystemModal = QXRegGetBooleanValue(o, "confirm_lock_system_modal", s->lockBoxSystemModal);
  s->maxUnlockAttempts =
      static_cast<int>(QXRegGetNumericValue(o, "max_unlock_attempts", s->maxUnlockAttempts));
  s->rootMenuEnabled = QXRegGetBooleanValue(o, "root_menu_enabled", s->rootMenuEnabled);
  s->showLogoffDuringLock =
      QXRegGetBooleanValue(o, "show_logoff_during_lock", s->showLogoffDuringLock);
  s->promptForLockPassword =
      QXRegGetBooleanValue(o, "prompt_for_lock_password", s->promptForLockPassword);
  s->lockWhenScreenSaves = QXRegGetBooleanValue(o, "lock_when_screen_saves", s->lockWhenScreenSaves);
  // The web palette: a colormap of Teldra's own on screens of 8 bits or less.
  const bool webPalette = QXRegGetBooleanValue(o, "initialize_web_palette", 0) ||
                          QXRegGetBooleanValue(o, "xserver-initialize-web-palette", 0) ||
                          QXRegGetBooleanValue(o, "xserver-initialize-web-palette-colors", 0);
  if (webPalette && !s->systemColormap) {
    s->systemColormap = AllocateOurColormap(&s->sdk);
    if (s->systemColormap) InstallWindowColormap(s, GetActiveWindow(s));
  }
  const char* cmd = QXRegGetStringValue(o, "desktop_command");
  if (cmd && *cmd) s->desktopCommand = DupString(cmd);
  const char* admin = QXRegGetStringValue(o, "desktop_command_admin");
  if (admin && *admin) s->adminDesktopCommand = DupString(admin);

  // The language of the session: its texts and fonts.
  QXProfile* profile = nullptr;
  if (QXLoadRegistryProfile("desktop/preferences", QXAreaUser, &profile) == QXRegOk) {
    const char* locale = QXGetStringValue(profile, "locale", nullptr);
    const char* lang = std::getenv("LANG");
    if (locale && *locale && std::strcmp(locale, "C") != 0 && (!lang || std::strcmp(lang, locale) != 0)) {
      setenv("LANG", locale, 1);
      ScreenResetLocale(&s->sdk);
      ResetMessageCatalog();
      LoadMessageCatalog();
      FreeWindowManagerFonts(s);
      CreateWindowManagerFonts(s, 12, 18, 14);
    }
    QXDestroyProfile(profile);
  }
  const long fontSize = QXRegGetNumericValue(o, "teldra_font_size", 12);
  if (fontSize != 12 && fontSize >= 6 && fontSize <= 72) {
    FreeWindowManagerFonts(s);
    CreateWindowManagerFonts(s, static_cast<int>(fontSize), 18, 14);
  }
  LoadClassGeometry(s, o);
  LoadHotKeyPreferences(s, o, 0);
  QXRegDestroyObject(o);
}

int LockProgramPid(const char* text) {
  if (!text || !*text) return 0;
  char* end = nullptr;
  errno = 0;
  long pid = std::strtol(text, &end, 10);
  // -1 would signal every process, 0 our own group, 1 init.
  if (errno || *end || pid <= 1 || pid != static_cast<pid_t>(pid)) return 0;
  return static_cast<int>(pid);
}

void NotifyLockProgram() {
  static bool done = false;
  if (done) return;
  done = true;
  if (int pid = LockProgramPid(std::getenv("QX_NOTIFY_PID"))) kill(pid, SIGUSR1);
}

void CreatePublicHtmlFolder(ScreenState*) {
  const char* home = UsableHome();
  const char* myWebSite = CatalogText(TextMyWebSite);
  if (!QXRegistryFileTest(QXAreaUser, "documents/public_html")) {
    QXProfile* p = QXCreateProfile();
    QXSetStringValue(p, "name", myWebSite);
    QXSetStringValue(p, "filename", "public_html");
    QXSetBooleanValue(p, "folder", 1);
    QXRegistryDirMake(QXAreaUser, "documents");
    QXSaveRegistryProfile(p, "documents/public_html.inf", QXAreaUser);
    QXDestroyProfile(p);
    if (home && QXRegistryFileTest(QXAreaUser, "documents/public_html.inf")) {
      if (chdir(home) == 0) {
        mkdir("public_html", 0755);
        if (symlink("../../public_html", "registry/documents/public_html") != 0)
          QXRegistryFileDelete(QXAreaUser, "documents/public_html.inf");
      }
    }
    return;
  }
  QXProfile* p = nullptr;
  if (QXLoadRegistryProfile("documents/public_html.inf", QXAreaUser, &p) != QXRegOk) return;
  const char* name = QXGetStringValue(p, "name", nullptr);
  if (name && !std::strcmp(name, "Public Documents")) {
    QXSetStringValue(p, "name", myWebSite);
    QXSaveRegistryProfile(p, "documents/public_html.inf", QXAreaUser);
  }
  QXDestroyProfile(p);
}

void MainLoopHead(SdkScreen*) { ReapChildren(); }

void HandleUnknownEvent(SdkScreen* screen, XEvent* ev) {
  auto* s = StateOf(screen);
  if (HandleScreenSaverNotify(s, ev)) return;
  if (s->locked && ev->type == FocusIn) {
    LockScreenKeepFocus(s);
    return;
  }
  if (ev->type == PropertyNotify) {
    s->eventTime[0] = s->eventTime[1] = ev->xproperty.time;
    ManagedWindow* m = FindClientByWindow(s, ev->xproperty.window);
    if (m && m->client == ev->xproperty.window) HandleClientPropertyChange(s, m, ev->xproperty.atom);
    return;
  }
  if (ev->type == ColormapNotify) {
    HandleColormapNotify(s, ev->xcolormap);
    return;
  }
  if (ev->type == ClientMessage && ev->xclient.message_type == s->atoms[AtomWmChangeState]) {
    HandleChangeState(s, ev->xclient);
    return;
  }
  if (ev->type == FocusIn && (ev->xfocus.mode == NotifyNormal || ev->xfocus.mode == NotifyWhileGrabbed) &&
      ev->xfocus.detail <= NotifyNonlinearVirtual) {
    HandleClientActivate(s, ev->xfocus.window);
    return;
  }
  if (ev->type == ClientMessage && ev->xclient.message_type == s->atoms[AtomQxLockScreen]) {
    if (!s->loginMode && s->lockAllowed)
      DoDesktopCommand(s, ev->xclient.data.l[0] ? CmdLockNow : CmdLockConfirm);
  }
}

void HandleEnterLeave(SdkScreen*, XEvent*) {}
void MessageBoxResetFocus(SdkScreen* screen) { LoginMessageBoxClosed(StateOf(screen)); }

void StartSession(ScreenState* s) {
  ConnectGroupEvents();
  s->sessionStartTime = time(nullptr);
  SessionLoggedIn(s);
  Display* d = s->sdk.display;
  XDefineCursor(d, s->sdk.root, s->sdk.cursors[SdkCursorBusy]);
  if (int e = StartTempregService(s))
    std::fprintf(stderr, "%s: the tempreg service could not start: %s\n", s->programName,
                 std::strerror(e));
  if (int e = StartServiceListener(s))
    std::fprintf(stderr, "%s: the command service could not start: %s\n", s->programName, std::strerror(e));
  else
    SetMemoryBroadcast(BroadcastMemoryFigures);
  ServerPreferences server;
  ApplyServerPreferences(d, &server);
  s->backgroundFromServerPrefs = server.backgroundSet;
  LoadDesktopPreferences(s);
  if (server.iconPlacement >= 0) s->iconPlacement = server.iconPlacement;
  CreateRootMenu(s);
  CreateIconPlacementMenu(s);
  BuildThemeMenu(s);
  ApplyTheme(s, nullptr);

  const char* home = UsableHome();
  if (home) unlink((std::string(home) + "/.netscape/lock").c_str());
  CreatePublicHtmlFolder(s);
  QXRegistryDirMake(QXAreaUser, "tmp");
  if (home) {
    setenv("TMPDIR", (std::string(home) + "/registry/tmp").c_str(), 1);
    if (Unset("KDVSHARED")) setenv("KDVSHARED", home, 1);
  }
  if (Unset("LC_MESSAGES") && !Unset("LANG")) setenv("LC_MESSAGES", std::getenv("LANG"), 1);
  if (Unset("HOSTNAME")) {
    char name[1024] = {0};
    if (gethostname(name, sizeof name - 1) == 0 && name[0]) setenv("HOSTNAME", name, 1);
  }
  if (Unset("SESSIONID")) {
    const char* hw = std::getenv("BOOT_HARDWARE_ADDRESS");
    char id[256];
    std::snprintf(id, sizeof id, "%s-%ld-%d", hw ? hw : "0.0.0.0.0.0", static_cast<long>(time(nullptr)),
                  static_cast<int>(getpid()));
    setenv("SESSIONID", id, 1);
  }

  SetScreenSaverMenuLabel(s, s->screenSaverDisabled);
  if (s->screenSaverDisabled)
    StopScreenSaver(s);
  else
    StartScreenSaver(s);
  ConfigureScreenSaver(s, server.saverStyle, server.saverTime, server.saverBitmapFile);
  FreeServerPreferences(&server);
  SetConstrainMenuLabel(s, s->constrainedMode);
  SetRootBackgroundPixmap(s);
  if (s->themeBackgroundPixmap && !s->backgroundFromServerPrefs)
    XSetWindowBackgroundPixmap(d, s->sdk.root, s->themeBackgroundPixmap);
  SetWorkAreaProperty(s);
  SetBorderSizesProperty(s);
  ManageExistingWindows(s);
  // The session's programs find the display that Teldra manages.
  if (s->displayName && *s->displayName) setenv("DISPLAY", s->displayName, 1);
  const char* command = s->administratorSession ? s->adminDesktopCommand : s->desktopCommand;
  if (LaunchRecord* r = LaunchProgram(command, 0, 0, 0)) {
    r->priority = -1;
    r->desktopCommand = 1;
  }
  if (std::strncmp(command, "qxdeskmgr", 9) != 0)
    XDefineCursor(d, s->sdk.root, s->sdk.cursors[SdkCursorNormal]);
  XFlush(d);
}

int WindowManagerMain(int argc, char** argv) {
  TeldraOptions options;
  if (!ParseTeldraOptions(argc, argv, &options)) PrintUsage();
  InstallTeldraSignals();
  ConnectGroupEvents();
  // Log-off finds every program of the session below Teldra, daemons too.
  if (int e = AdoptOrphans()) std::fprintf(stderr, "teldra: orphaned programs are not adopted: %s\n", std::strerror(e));

  static ScreenState state;
  std::memset(&state, 0, sizeof state);
  ScreenState* s = &state;
  s->programName = argv[0] ? argv[0] : "teldra";
  if (InitScreenInfo(&s->sdk, "teldra", 1, argc - options.firstArgument, argv + options.firstArgument,
                     options.displayName) != 0) {
    std::fprintf(stderr, "teldra: cannot open display %s\n", options.displayName);
    return 1;
  }
  SetTheScreenState(s);
  s->sdk.mainLoopHead = MainLoopHead;
  s->sdk.handleUnknownEvent = HandleUnknownEvent;
  s->sdk.handleEnterLeave = HandleEnterLeave;
  s->sdk.messageBoxResetFocus = MessageBoxResetFocus;
  AddTeldraSignalNotices(s);

  Display* d = s->sdk.display;
  InternWindowManagerAtoms(d, s);
  LoadMessageCatalog();
  SetFixedValues(s);
  s->loginMode = options.login;
  s->servicesStartedInLoginMode = options.login;
  s->noSwitchBox = options.noSwitchBox;
  s->allowRoot = options.allowRoot;
  s->allowCore = options.allowCore;
  s->dialUp = options.dialUp;
  s->opaqueMoves = !options.rubberBand;
  s->altMask = GetModifierMask(s, XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R);
  s->numLockMask = GetModifierMask(s, XK_Num_Lock, 0, 0, 0);
  s->scrollLockMask = GetModifierMask(s, XK_Scroll_Lock, 0, 0, 0);
  s->displayName = DupString(options.displayName);

  Window root = s->sdk.root;
  XChangeProperty(d, root, s->atoms[AtomMitPriorityColors], XA_CARDINAL, 32, PropModeReplace,
                  nullptr, 0);
  XSync(d, False);

  xErrorSeen = false;
  XSetErrorHandler(FlagXError);
  XSelectInput(d, root,
               KeyPressMask | ButtonPressMask | ExposureMask | SubstructureNotifyMask |
                   SubstructureRedirectMask | FocusChangeMask | ColormapChangeMask);
  XSync(d, False);
  XSetErrorHandler(LogXError);
  if (xErrorSeen) {
    std::fputs("teldra: Another window manager is already running\n", stderr);
    return 1;
  }
  LoadSplashImage(s);
  if (s->loginMode) SetRootBackgroundColor(s);
  CreateWindowManagerFonts(s, 12, 18, 14);
  XDefineCursor(d, root, s->sdk.cursors[SdkCursorNormal]);
  CreateDesktopWindow(s);
  s->iconLabelBackground = s->sdk.blackPixel;
  s->iconLabelText = s->sdk.whitePixel;
  SetBorderSizesProperty(s);

  XIconSize* sizes = XAllocIconSize();
  if (sizes) {
    sizes->min_width = sizes->min_height = sizes->max_width = sizes->max_height = 32;
    sizes->width_inc = sizes->height_inc = 0;
    XSetIconSizes(d, root, sizes, 1);
    XFree(sizes);
  }
  // The saver runs from the start, the log-in screen included, unless the
  // preferences turn it off.
  QXRegObject* preferences = nullptr;
  QXRegGetObjectSimple("/desktop/preferences", &preferences);
  if (QXRegGetBooleanValue(preferences, "screen_saver", 1)) StartScreenSaver(s);
  if (preferences) QXRegDestroyObject(preferences);
  CleanRootProperties(s);
  StartDesktopReporting(s);

  if (getuid() == 0) {
    // Never follow a link planted in /tmp.
    unlink("/tmp/uid");
    int fd = open("/tmp/uid", O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd >= 0) close(fd);
  }
  s->lowMemoryTimer = EvtAppAddRecurringTimeOut(s->sdk.app, 250, LowMemoryNoticeTimer, s);
  s->cardMayStay = 0;

  // The card records' root: the site's own when it names one.
  if (!s->cardVerifier && (s->cardVerifier = CardVerifierCreate())) {
    std::string error;
    const std::string root = LoadCardRootCertificate(s->cardVerifier, &error);
    if (!error.empty())
      std::fprintf(stderr, "teldra: the card root certificate %s %s: no card will be accepted\n", root.c_str(),
                   error.c_str());
  }
  ReadLoginResources(s);
  if (s->loginMode) {
    ShowLoginScreen(s);
  } else {
    StartSession(s);
  }
  MainEventLoop(&s->sdk);
  return 0;
}
