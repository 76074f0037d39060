#include "xfront/HelperLaunch.h"

#include <Xm/MessageB.h>

#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tools/HelperCommandLines.h"
#include "xfront/HelperMessages.h"
#include "xfront/SessionMenuHooks.h"
#include "xfront/WatchCursor.h"
#include "xfront/XStuff.h"
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
  return v;
}

std::string Joined(const std::vector<std::string>& argv) {
  std::string s;
  for (const std::string& a : argv) {
    if (!s.empty()) s += ' ';
    s += a;
  }
  return s;
}

void CloseNoticeCallback(Widget w, XtPointer, XtPointer) { XtDestroyWidget(w); }

// A program that could not be started: a log line and a dialog, both naming it.
void ReportNotStarted(SessionControlBlock* scb, const std::string& program) {
  LogMsg(LevelError, "The helper program %s could not be started.\n", program.c_str());
  Widget shell = scb->xstuff.shell();
  if (!shell) return;
  const std::string text = "The program \"" + program + "\" could not be started.";
  XmString s = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
  Arg args[1];
  XtSetArg(args[0], XmNmessageString, s);
  Widget dialog = XmCreateErrorDialog(shell, const_cast<char*>("helperNotStartedDialog"), args, 1);
  XmStringFree(s);
  XtUnmanageChild(XmMessageBoxGetChild(dialog, XmDIALOG_HELP_BUTTON));
  XtUnmanageChild(XmMessageBoxGetChild(dialog, XmDIALOG_CANCEL_BUTTON));
  XtAddCallback(dialog, XmNokCallback, CloseNoticeCallback, nullptr);
  XtManageChild(dialog);
}

// Starts the program with the watch cursor on the shell of `watch` (the
// session's top-level shell when null) until it announces itself.
pid_t Launch(SessionControlBlock* scb, const std::vector<std::string>& argv, Widget watch = nullptr) {
  MakeWatchCursorUntilAppStarts(scb, watch);
  if (DebugFlag()) LogMsg(LevelDebug, "callback: Starting task: %s.\n", Joined(argv).c_str());
  const pid_t pid = XuStartTask(argv);
  if (pid < 0) {
    EndWatchCursor();
    ReportNotStarted(scb, argv[0]);
  }
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
void MiscProc(SessionControlBlock* scb, Widget, XEvent*) { StartOrRaisePreferencesProgram(scb); }
void HelpProc(SessionControlBlock* scb, Widget, XEvent*) { StartDaltrue(scb, nullptr); }

// A new session to this session's host with its options, without a
// start-up playback file.
void NewSessionProc(SessionControlBlock* scb, Widget, XEvent*) {
  SessionStartOptions o;
  o.hostName = scb->xstuff.getHostname();
  o.port = scb->port;
  o.wideOption = scb->wideOption;
  o.imageOption = scb->imageOption;
  o.PDTOption = scb->PDTOption;
  o.TitleOption = scb->TitleOption;
  o.CopyPasteOption = scb->CopyPasteOption;
  o.ECLOption = scb->ECLOption;
  o.FontSizesOption = scb->FontSizesOption;
  o.forceTranslatedFont = scb->forceTranslatedFont;
  o.startupPlayback = 0;
  if (scb->languageId[0]) o.languageId = scb->languageId;
  if (DebugFlag()) LogMsg(LevelDebug, "New session to %s from session %d.\n", o.hostName.c_str(), scb->slot);
  createSession(o);
}

}  // namespace

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
    case HelperKind::ColorMapper: argv = ColorMapperCommandLine(v); break;
    case HelperKind::KeyboardRemapper: argv = KeyboardMapperCommandLine(v); break;
    case HelperKind::KeypadCustomizer: argv = KeypadCustomizerCommandLine(v); break;
    default: argv = PlaybackEditorCommandLine(v); break;
  }
  h.startedHere = true;
  if (Launch(scb, argv) < 0) {
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
  if (Launch(scb, PreferencesCommandLine(ValuesOf(scb, nullptr))) < 0) {
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
}
