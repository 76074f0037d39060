#include "session/AppInit.h"

#include <X11/Shell.h>
#include <X11/Xlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "session/PreDispatch.h"
#include "session/AppResources.h"
#include "session/ConfigDaemonClient.h"
#include "session/FallbackResources.h"
#include "session/LowMemoryDialog.h"
#include "session/MasterRecord.h"
#include "session/RegistryFacts.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "session/TranslatedResources.h"
#include "session/WMGeometry.h"
#include "session/XErrorHandlers.h"
#include "base/ErrorHalt.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"
#include "xfront/Win3270.h"
#include "xfront/XuMessages.h"
#include "xfront/XuStartTask.h"

namespace {

XtAppContext g_app = nullptr;
Widget g_topLevel = nullptr;
Widget g_masterShell = nullptr;
QwAtoms g_atoms;

constexpr rlim_t kOpenFilesWanted = 120;

bool OnTheTerminal() {
  const char* product = std::getenv("PRODUCT_TYPE");
  return product && std::strcmp(product, "QAV") == 0;
}

// Not on the terminal the user's shared directory is the one KDVSHARED
// names (the desktop session sets it), else the home directory.
int SetSharedDirectoryToHome(bool master) {
  const char* shared = std::getenv("KDVSHARED");
  if (shared && *shared) return 0;
  const char* home = std::getenv("HOME");
  if (!home) {
    LogMsg(LevelWarning, "HOME is not set; KDVSHARED is set empty.\n");
    home = "";
  }
  if (setenv("KDVSHARED", home, 1) != 0) {
    LogMsg(LevelError, "Cannot set the KDVSHARED environment variable. errno = %d.\n", errno);
    if (master) ExitMaster(-1);
    return -1;
  }
  return 0;
}

void RaiseOpenFileLimit() {
  struct rlimit limit;
  int rc = getrlimit(RLIMIT_NOFILE, &limit);
  if (rc != 0) {
    LogMsg(LevelError, "getrlimit(RLIMIT_NOFILE) failed. rc = %d. errno = %d\n", rc, errno);
    return;
  }
  if (limit.rlim_cur >= kOpenFilesWanted) return;
  limit.rlim_cur = kOpenFilesWanted;
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < kOpenFilesWanted)
    limit.rlim_cur = limit.rlim_max;
  rc = setrlimit(RLIMIT_NOFILE, &limit);
  if (rc != 0)
    LogMsg(LevelError, "setrlimit(RLIMIT_NOFILE) failed. rc = %d. errno = %d.\n", rc, errno);
}

void InternAtoms(Display* display) {
  auto intern = [display](const char* name) { return XInternAtom(display, name, False); };
  g_atoms.drevaskInterface = intern("QAV_Drevask_Interface");
  g_atoms.tintwellInterface = intern("QAV_5250_Tintwell_Interface");
  g_atoms.tintwellState = intern("QAV_5250_Tintwell_State");
  g_atoms.keymapInterface = intern("QAV_5250_Keymap_Interface");
  g_atoms.brastorState = intern("QAV_5250_Brastor_State");
  g_atoms.keypadInterface = intern("QAV_Keypad_Interface");
  g_atoms.keypad3270State = intern("QAV_3270_Keypad_State");
  g_atoms.playbackEditorInterface = intern("QAV_Playback_Editor_Interface");
  g_atoms.vosmerkState = intern("QAV_5250_Vosmerk_State");
  for (Atom state : {g_atoms.tintwellState, g_atoms.brastorState, g_atoms.keypad3270State,
                     g_atoms.vosmerkState}) {
    initStateAtom(state, display);
  }
  g_atoms.workArea = intern("_WIN_WORKAREA");
  g_atoms.borderSizes = intern("_QX_BORDER_SIZES");
}

// The locale of the translated resources, or "en_US" with the fallbacks.
void StoreResourceLocale(const char* language) {
  AppResourceStruct& res = AppResources();
  if (!language || std::strlen(language) <= 4) {
    std::strcpy(res.mriLocale, "en_US");
    // Without MRIPATH there was no file to look for, and that was said.
    if (std::getenv("MRIPATH")) LogMsg(LevelError, "%s: MRI file not found, using fallback resources.\n", "QWC0009");
    return;
  }
  std::strncpy(res.mriLocale, language, sizeof res.mriLocale - 1);
  res.mriLocale[sizeof res.mriLocale - 1] = '\0';
}

// The EBCDIC-to-local display table of the session that a new drawing widget
// belongs to.
int SessionDisplayTable(Widget w, unsigned char table[256]) {
  SessionControlBlock* block = FindSessionOfWidget(w);
  if (!block || !InitializeExternalTables(block)) return 0;
  std::memcpy(table, block->ebcdicToAscii, 256);
  return 1;
}

// The display a start asked for, for a message: the "-display" value, else
// DISPLAY, quoted; or that none was named.
std::string DisplayAskedFor(const std::string& option) {
  if (!option.empty()) return "\"" + option + "\" (-display)";
  const char* name = std::getenv("DISPLAY");
  if (name && *name) return "\"" + std::string(name) + "\" (DISPLAY)";
  return "(none named: DISPLAY is not set and -display not given)";
}

}  // namespace

XtAppContext ApplicationContext() { return g_app; }
Widget TopLevelWidget() { return g_topLevel; }
Widget MasterWindowShell() { return g_masterShell; }
const QwAtoms& ApplicationAtoms() { return g_atoms; }

int initializeApplication(int* argc, char** argv) {
  InstallXErrorHandlers(XErrorHandlerVariant::Client);

  SharedEmulatorInfo record;
  if (SetGetSharedEmulatorInformation(SharedInfoStartUp, record) != 0) return -1;
  bool master = record.processId == static_cast<unsigned long>(getpid());

  if (OnTheTerminal()) {
    if (master) {
      if (DebugFlag()) LogMsg(LevelDebug, "Before kdvmountAPI().\n");
      const int rc = kdvmountAPI();
      if (rc != 0) {
        LogMsg(LevelError, "%s: kdvmountAPI failed. rc = %d.  Exiting...\n", "QWC0201", rc);
        ExitMaster(-1);
      }
      if (DebugFlag()) LogMsg(LevelDebug, "After kdvmountAPI().\n");
    }
    if (DebugFlag() && master) {
      const char* shared = std::getenv("KDVSHARED");
      LogMsg(LevelDebug, "getenv( %s ) = %s.\n", "KDVSHARED", shared ? shared : "NULL");
    }
  } else if (SetSharedDirectoryToHome(master) != 0) {
    return -1;
  }

  XtSetLanguageProc(nullptr, nullptr, nullptr);
  XtToolkitInitialize();
  g_app = XtCreateApplicationContext();
  InstallXtWarningHandler(g_app, XErrorHandlerVariant::Client);
  XtAppSetFallbackResources(g_app, QwFallbackResources());
  // The toolkit takes "-display" out of the arguments: keep its value for
  // the message below.
  int valueIndex = 0;
  const char* displayOption = GetArgValue("-display", *argc, argv, valueIndex);
  const std::string requested = displayOption ? displayOption : "";
  Cardinal optionCount = 0;
  const XrmOptionDescRec* options = AppOptionTable(&optionCount);
  Display* display =
      XtOpenDisplay(g_app, nullptr, nullptr, "QW5250", const_cast<XrmOptionDescRec*>(options),
                    optionCount, argc, argv);
  if (!display) {
    LogMsg(LevelError, "Cannot open the X display %s.\n", DisplayAskedFor(requested).c_str());
    return -1;
  }
  g_topLevel = XtAppCreateShell(nullptr, "QW5250", applicationShellWidgetClass, display, nullptr, 0);
  RegisterQwFunctionConverter();
  XuInitialize(g_topLevel, "qw5250", "QW5250", nullptr);
  XuInstallChildReaper(g_app);

  char* language = nullptr;
  setApplicationResources("K7_2Resc", g_topLevel, &language, 0);
  StoreResourceLocale(language);

  // Another master stands in the record: wait until it takes sessions, or
  // take the record over when it is gone.
  if (!master) {
    const int settled = SettleMasterAfterDisplayOpen(display);
    if (settled < 0) return -1;
    master = settled == 1;
  }
  if (!master) return 0;

  RaiseOpenFileLimit();
  InstallXErrorHandlers(XErrorHandlerVariant::Master);
  InstallXtWarningHandler(g_app, XErrorHandlerVariant::Master);

  ReserveLowMemoryBlock();
  Widget lowMemoryDialog = CreateLowMemoryDialog(g_topLevel);
  g_masterShell = XtParent(lowMemoryDialog);
  XtAddEventHandler(g_masterShell, NoEventMask, True, StartSessionMessageHandler, nullptr);

  AppResourceStruct& res = AppResources();
  Cardinal resourceCount = 0;
  const XtResource* list = AppResourceList(&resourceCount);
  // Xt compiles a resource list in place (names become quarks): hand it a
  // copy so that the list keeps its names for the dump.
  std::vector<XtResource> compiled(list, list + resourceCount);
  XtGetApplicationResources(g_topLevel, &res, compiled.data(), resourceCount, nullptr, 0);
  if (res.DEBUG) SetDebugFlag(true);
  res.DEBUG = DebugFlag() ? True : False;
  if (res.DSMDEBUG) SetDsmDebugFlag(true);
  ApplyResourceLimits(res, DisplayWidth(display, DefaultScreen(display)),
                      DisplayHeight(display, DefaultScreen(display)));
  if (DebugFlag()) LogAppResources(res);

  InternAtoms(display);
  SetWMDisplay(display);
  GetWMBorderSizes();

  ComputeDefaultPaths(res);
  if (GetRegistryInformation() != 0) ExitMaster(-1);
  // The drawing widgets of the session windows: the default translations of
  // this keyboard, and the display table of each widget's session.
  Win3270SetKeyboardId(WhichKeyboard());
  X5250SetExternalTablesProc(SessionDisplayTable);

  record.masterWindow = XtWindow(g_masterShell);
  if (SetGetSharedEmulatorInformation(SharedInfoMasterReady, record) != 0)
    LogMsg(LevelWarning, "The master record was taken by another process; no sessions are handed to this one.\n");
  return 0;
}

void DispatchNextEvent(XtAppContext app) {
  XEvent event;
  XtAppNextEvent(app, &event);
  Widget w = XtWindowToWidget(event.xany.display, event.xany.window);
  if (w) NoteSessionEvent(w);
  SetTranslator();
  char dispatch = 1;
  PreDispatchProcess(&event, &dispatch);
  if (dispatch) XtDispatchEvent(&event);
}

void mainloop(XtAppContext app) {
  for (;;) DispatchNextEvent(app);
}
