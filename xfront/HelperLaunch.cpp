#include "xfront/HelperLaunch.h"

#include <Xm/MessageB.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/Language.h"
#include "session/RegistryFacts.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/SharedMemory.h"
#include "session/StartOptions.h"
#include "session/WMGeometry.h"
#include "tools/HelperCommandLines.h"
#include "xfront/DialogLook.h"
#include "xfront/HelperMessages.h"
#include "xfront/KeypadButtons.h"
#include "xfront/LocalPrint.h"
#include "xfront/SessionMenuHooks.h"
#include "xfront/WatchCursor.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"
#include "xfront/XuStartTask.h"

namespace {

// The shell that encloses w.
Widget EnclosingShell(Widget w) {
  while (w && !XtIsShell(w)) w = XtParent(w);
  return w;
}

HelperLaunchValues ValuesOf(SessionControlBlock* scb, Widget item) {
  HelperLaunchValues v;
  XStuff& x = scb->xstuff;
  Display* display = XtDisplay(x.shell());
  v.displayName = DisplayString(display);
  v.debug = DebugFlag();
  v.topWindow = XtWindow(x.shell());
  Widget menuShell = EnclosingShell(item);
  v.menuWindow = menuShell && XtIsRealized(menuShell) ? XtWindow(menuShell) : v.topWindow;
  v.title = x.getTitle();
  v.defaultSessionId = scb->defaultId != 0;
  v.hostName = x.getHostname();
  const SessionTableEntry* e = SessionEntry(scb->slot);
  v.instance = e ? e->instance : 0;
  v.sessionId = scb->sessionId;
  v.emulatorLanguage = scb->languageId;
  v.forceTranslatedFont = scb->forceTranslatedFont != 0;
  v.printerDefinitionTable = scb->pdtInUse != 0;
  v.euro = scb->euroState == 1;
  v.rows = x.rows();
  v.cols = x.columns();
  // The session language's host code page, locale and local code set.
  if (const LanguageRow* row = scb->languageRow) {
    if (row->codePage) v.hostCodePage = row->codePage;
    if (row->locale) v.keyboardLanguage = row->locale;
    if (row->localCodeSet) v.asciiCodePage = row->localCodeSet;
  }
  v.keyFile = x.getDashKeyfileName();
  const AppResourceStruct& res = AppResources();
  v.fileNamesInverted = res.fileNameCodePage == QwLower819Only;
  v.reserveWmKeys = res.RESERVE_WM_KEYS != QwDisable && res.RESERVE_WM_KEYS != QwDisableAndHide;
  v.advancedColors = res.colorMap == QwAdvanced;
  v.keyboardId = WhichKeyboard();
  v.is5250Keyboard = is5250Keyboard(v.keyboardId) != 0;
  if (const XStuff::Private* p = x.privatePart()) {
    const Pixel pixels[6] = {p->menuForeground, p->menuBackground,     p->textForeground,
                             p->groupBoxBackground, p->formBackground, p->entryAreaBackground};
    Colormap colormap = DefaultColormap(display, DefaultScreen(display));
    XtVaGetValues(x.shell(), XmNcolormap, &colormap, nullptr);
    for (int i = 0; i < 6; ++i) {
      XColor c = {};
      c.pixel = pixels[i];
      XQueryColor(display, colormap, &c);
      v.dialogColors[i] = (static_cast<unsigned>(c.red >> 8) << 16) | (static_cast<unsigned>(c.green >> 8) << 8) |
                          static_cast<unsigned>(c.blue >> 8);
    }
  }
  v.advancedColorFile = x.advancedColorFileName();
  return v;
}

// The administrator's colour directories in a fresh shared segment for the
// colour mapper, which reads it by the key on its command line; the segment
// stays for it. Without a segment the first key goes on the line all the
// same.
void HandOverColorDirectories(SessionControlBlock* scb, HelperLaunchValues* v) {
  const std::vector<char>& block = scb->xstuff.colorDirectoryBlock();
  const unsigned size = block.empty() ? 27 : static_cast<unsigned>(block.size());
  long key = 930973240L + static_cast<long>(getpid());
  v->colorDirectoriesKey = key;
  v->colorDirectoriesSize = size;
  void* address = nullptr;
  char created = 0;
  if (GetPointerToSharedMemory(&key, size, &address, created, 1, 0) < 0 || !address) {
    LogMsg(LevelError, "%s: unable to get shared memory for screen print. Not printing. size = %d.\n", "QWC0179",
           static_cast<int>(size));
    return;
  }
  if (!block.empty()) std::memcpy(address, block.data(), block.size());
  DetachSharedMemory(address, 0);
  v->colorDirectoriesKey = key;
}

std::string Joined(const std::vector<std::string>& argv) {
  std::string s;
  for (const std::string& a : argv) {
    if (!s.empty()) s += ' ';
    s += a;
  }
  return s;
}

// A program that could not be started: a log line and a dialog, both naming it.
void ReportNotStarted(SessionControlBlock* scb, const std::string& program) {
  LogMsg(LevelError, "The helper program %s could not be started.\n", program.c_str());
  ShowNoticeDialog(scb->xstuff.shell(), "helperNotStartedDialog",
                   "The program \"" + program + "\" could not be started.");
}

// What a session does when a helper it started ends; called only while
// that session lives.
using HelperEnded = std::function<void(SessionControlBlock*)>;

// Starts the program with the watch cursor on the shell of `watch` (the
// session's top-level shell when null) until it announces itself, or until
// it ends: a program that ends before it announces itself never will.
pid_t Launch(SessionControlBlock* scb, const std::vector<std::string>& argv, Widget watch = nullptr,
             HelperEnded ended = nullptr) {
  const bool watchWasPending = WatchCursorWidget() != nullptr;
  MakeWatchCursorUntilAppStarts(scb, watch);
  Widget watched = watchWasPending ? nullptr : WatchCursorWidget();
  if (DebugFlag()) LogMsg(LevelDebug, "callback: Starting task: %s.\n", Joined(argv).c_str());
  const pid_t pid = XuStartTask(argv);
  if (pid < 0) {
    if (watched) EndWatchCursor();
    ReportNotStarted(scb, argv[0]);
    return pid;
  }
  const int slot = scb->slot;
  const SessionTableEntry* e = SessionEntry(slot);
  const int sequence = e ? e->sequence : -1;
  const std::string program = argv[0];
  XuWhenTaskEnds(pid, [=](int status) {
    if (DebugFlag()) LogMsg(LevelDebug, "The helper program %s ended, status 0x%x.\n", program.c_str(), status);
    if (watched && WatchCursorWidget() == watched) EndWatchCursor();
    const SessionTableEntry* now = SessionEntry(slot);
    if (ended && now && now->session && now->sequence == sequence) ended(now->session);
  });
  return pid;
}

struct HelperNames {
  const char* activeDialog;
  const char* activeLog;
  int raiseCode;
};

HelperNames NamesOf(HelperKind kind) {
  switch (kind) {
    case HelperKind::ColorMapper:
      return {"ErrorMsgColorMapActive", "Color map application already active on another session.", 25};
    case HelperKind::KeyboardRemapper:
      return {"ErrorMsgKeyMapActive", "Key map application already active on another session.", 22};
    case HelperKind::KeypadCustomizer:
      return {"ErrorMsgKeypadActive", "Customize Keypad application already active on another session.", 22};
    default:
      return {"ErrorMsgPlaybackEditorActive", "Playback Editor application already active on another session.", 21};
  }
}

void ColorMapProc(SessionControlBlock* scb, Widget item, XEvent*) {
  StartOrRaiseHelper(scb, HelperKind::ColorMapper, item);
}
void KeymapProc(SessionControlBlock* scb, Widget item, XEvent*) {
  StartOrRaiseHelper(scb, HelperKind::KeyboardRemapper, item);
}
void CustomizeProc(SessionControlBlock* scb, Widget item, XEvent*) {
  StartOrRaiseHelper(scb, HelperKind::KeypadCustomizer, item);
}
void KeypadMenuProc(SessionControlBlock* scb, Widget, XEvent*) { scb->xstuff.keypadButtons().handleKeypadMenuSelection(); }
void MiscProc(SessionControlBlock* scb, Widget, XEvent*) { StartOrRaisePreferencesProgram(scb); }

// A new session from this one, in the size of this one's 24x80 window: at
// once when this session was started with a host and without a start-up
// playback file, else through the start-session dialog with its options.
void NewSessionProc(SessionControlBlock* scb, Widget, XEvent*) {
  const SessionStartOptions* from = SessionStartOptionsOf(scb->slot);
  if (!from) return;
  Geometry g = scb->xstuff.get24x80Geometry();
  g.y = static_cast<int16_t>(g.y + WMTopBorderHeight());
  // The position is left to the desktop and the window manager.
  g.xGiven = g.yGiven = 0;
  g.geometryString[0] = '\0';
  if (g.widthGiven && g.heightGiven)
    std::snprintf(g.geometryString, sizeof g.geometryString, "%ux%u", static_cast<unsigned>(g.width),
                  static_cast<unsigned>(g.height));
  if (DebugFlag())
    LogMsg(LevelDebug, "New session from session %d, geometry \"%s\".\n", scb->slot, g.geometryString);
  if (!from->hostName.empty() && from->playbackFile.empty()) {
    createSessionFromSession(scb->slot, g);
    return;
  }
  SessionStartOptions o = *from;
  o.geometry = g;
  TheErrorDialogs().createHostNameDialog(o, nullptr, nullptr);
}

// The programming-interface client dialog is not part of this program yet:
// the user is told so, and the log names what is missing.
void RunAppletProc(SessionControlBlock* scb, Widget, XEvent*) {
  LogMsg(LevelError, "The programming-interface client dialog (ECLDialog) is not available in this program.\n");
  ShowNoticeDialog(scb->xstuff.shell(), "unavailableDialog",
                   "The programming interface client is not available in this program.");
}

void HelpProc(SessionControlBlock* scb, Widget, XEvent*) { StartDaltrue(scb, HelpTopicFor(scb)); }

}  // namespace

const char* HelpTopicFor(SessionControlBlock* scb) {
  if (!scb) return nullptr;
  XStuff& x = scb->xstuff;
  if (x.textMarked()) return "CPY";
  if (x.localPrint() && x.localPrint()->dialog()) return "SCR";
  if (scb->playRecord.playing()) return "PLY";
  if (scb->playRecord.recording()) return "REC";
  if (scb->display && scb->display->keyboardState().state() == KeyboardState::kWordProcessing) return "OVE";
  return nullptr;
}

void StartOrRaiseHelper(SessionControlBlock* scb, HelperKind kind, Widget item, const char* playbackFile) {
  if (!scb || !scb->xstuff.shell()) return;
  Display* display = XtDisplay(scb->xstuff.shell());
  const Atom stateAtom = HelperStateAtom(kind);
  HelperSessionState& h = scb->xstuff.helper(kind);
  const HelperNames names = NamesOf(kind);
  const unsigned char state = GetAppState(stateAtom, display);
  if (state == '1') {
    if (DebugFlag()) LogMsg(LevelDebug, "Helper application is being started already.\n");
    return;
  }
  if (state == '2') {
    if (h.owner) {
      SendHelperMessage(display, h.window, kind, names.raiseCode);
    } else {
      TheErrorDialogs().createErrorDialog(names.activeDialog, nullptr, nullptr, scb->xstuff.shell(), DialogCloseOnly);
      if (DebugFlag()) LogMsg(LevelDebug, "%s\n", names.activeLog);
    }
    return;
  }
  HelperLaunchValues v = ValuesOf(scb, item);
  if (playbackFile) v.playbackFile = playbackFile;
  std::vector<std::string> argv;
  switch (kind) {
    case HelperKind::ColorMapper:
      HandOverColorDirectories(scb, &v);
      argv = ColorMapperCommandLine(v);
      break;
    case HelperKind::KeyboardRemapper: argv = KeyboardMapperCommandLine(v); break;
    case HelperKind::KeypadCustomizer: argv = KeypadCustomizerCommandLine(v); break;
    default: argv = PlaybackEditorCommandLine(v); break;
  }
  // The customiser works on the keypads' files: the open ones step aside.
  if (kind == HelperKind::KeypadCustomizer) scb->xstuff.keypadButtons().unManageActiveKeypads();
  h.startedHere = true;
  // A helper that ended gives its place back, however early it ended.
  auto ended = [kind, stateAtom](SessionControlBlock* b) {
    HelperSessionState& mine = b->xstuff.helper(kind);
    if (!mine.startedHere) return;
    mine.startedHere = false;
    mine.owner = false;
    mine.window = 0;
    if (b->xstuff.shell()) SetAppState(stateAtom, XtDisplay(b->xstuff.shell()), '0');
  };
  if (Launch(scb, argv, nullptr, ended) < 0) {
    // Not started: a later choice of the entry may try again.
    h.startedHere = false;
    h.owner = false;
    SetAppState(stateAtom, display, '0');
    return;
  }
  h.owner = true;
  h.window = 0;
  SetAppState(stateAtom, display, '1');
}

void StartOrRaisePreferencesProgram(SessionControlBlock* scb) {
  if (!scb || !scb->xstuff.shell()) return;
  Display* display = XtDisplay(scb->xstuff.shell());
  if (PreferencesProgramStarted()) {
    // Running once its window is known; until then it is being started.
    if (PreferencesProgramWindow()) sendMsgToDrevask(display, 22, 0, 0, 0);
    return;
  }
  scb->xstuff.setOwnsPreferencesProgram(true);
  auto ended = [](SessionControlBlock* b) {
    if (!b->xstuff.ownsPreferencesProgram()) return;
    b->xstuff.setOwnsPreferencesProgram(false);
    SetPreferencesProgramWindow(0);
    SetPreferencesProgramStarted(false);
  };
  if (Launch(scb, PreferencesCommandLine(ValuesOf(scb, nullptr)), nullptr, ended) < 0) {
    scb->xstuff.setOwnsPreferencesProgram(false);
    return;
  }
  SetPreferencesProgramWindow(0);
  SetPreferencesProgramStarted(true);
}

int StartDaltrue(SessionControlBlock* scb, const char* topic) {
  if (!scb || !scb->xstuff.shell()) return -1;
  return Launch(scb, HelpViewerCommandLine(ValuesOf(scb, nullptr), topic));
}

void AttachHelperMenus() {
  XStuffSetClientMessageHandler(HelperClientMessageHandler);
  SetSessionMenuProc(SessionMenuCommand::ColorMap, ColorMapProc);
  SetSessionMenuProc(SessionMenuCommand::KeyboardRemap, KeymapProc);
  SetSessionMenuProc(SessionMenuCommand::CustomizeKeypad, CustomizeProc);
  SetSessionMenuProc(SessionMenuCommand::Miscellaneous, MiscProc);
  SetSessionMenuProc(SessionMenuCommand::Help, HelpProc);
  SetSessionMenuProc(SessionMenuCommand::NewSession, NewSessionProc);
  // The programming interface brings its own dialog when it is attached.
  if (!GetSessionMenuProc(SessionMenuCommand::RunApplet))
    SetSessionMenuProc(SessionMenuCommand::RunApplet, RunAppletProc);
  SetSessionMenuProc(SessionMenuCommand::Keypad, KeypadMenuProc);
}
