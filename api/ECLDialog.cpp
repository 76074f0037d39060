#include "api/ECLDialog.h"

#include <Xm/MessageB.h>
#include <Xm/Protocols.h>
#include <Xm/SelectioB.h>
#include <Xm/Text.h>
#include <Xm/TextF.h>
#include <Xm/Xm.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "api/EclSessions.h"
#include "base/LogMsg.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "xfront/DialogLook.h"
#include "xfront/XuStartTask.h"

namespace {

Widget g_dialog = nullptr;
SessionControlBlock* g_session = nullptr;

int SlotOf(SessionControlBlock* s) {
  for (int i = 0; i < kMaxSessionSlots; ++i)
    if (EclSession(i) == s) return i;
  return -1;
}

void Close() {
  if (!g_dialog) return;
  Widget shell = XtParent(g_dialog);
  XtUnmanageChild(g_dialog);
  XtDestroyWidget(shell ? shell : g_dialog);
}

void OkCallback(Widget w, XtPointer, XtPointer) {
  std::string typed;
  if (Widget text = XmSelectionBoxGetChild(g_dialog, XmDIALOG_TEXT)) {
    char* value = XmTextGetString(text);
    if (value) typed = value;
    XtFree(value);
  }
  SessionControlBlock* s = g_session;
  Close();
  ECLDialog::Run(s, typed);
}

void CancelCallback(Widget, XtPointer, XtPointer) { Close(); }

void DestroyedCallback(Widget, XtPointer, XtPointer) {
  g_dialog = nullptr;
  g_session = nullptr;
}

}  // namespace

std::vector<std::string> EclLaunchCommand(const std::string& typed, const std::string& host, int number,
                                          const char* classPath, const char* javaHome, const char* home,
                                          std::string* why) {
  if (!classPath || !javaHome || !home) {
    *why = std::string(!classPath ? "CLASSPATH" : !javaHome ? "JAVA_HOME" : "HOME") + " is not set";
    return {};
  }
  if (host.empty() || host.size() >= kMaxLaunchHostName) {
    *why = "the host name is empty or too long";
    return {};
  }
  std::vector<std::string> argv = {"java", "-classpath",
                                   std::string(classPath) + ":" + javaHome + "/lib/qlbxacl.jar:" + home,
                                   kEclWrapperClass, "5250"};
  std::istringstream words(typed);
  for (std::string word; words >> word;) argv.push_back(word);
  argv.push_back(host);
  argv.push_back(std::to_string(number));
  size_t length = 0;
  for (const std::string& a : argv) length += a.size() + 1;
  if (length > kMaxLaunchCommand) {
    *why = "the command would be longer than " + std::to_string(kMaxLaunchCommand) + " bytes";
    return {};
  }
  return argv;
}

Widget ECLDialog::Current() { return g_dialog; }

int ECLDialog::Run(SessionControlBlock* s, const std::string& typed) {
  const int slot = SlotOf(s);
  if (slot < 0) return -1;
  std::string why;
  const std::vector<std::string> argv =
      EclLaunchCommand(typed, s->xstuff.getHostname(), EclSessionNumber(slot), std::getenv("CLASSPATH"),
                       std::getenv("JAVA_HOME"), std::getenv("HOME"), &why);
  if (!argv.empty()) {
    if (DebugFlag()) {
      std::string line;
      for (const std::string& a : argv) line += (line.empty() ? "" : " ") + a;
      LogMsg(LevelDebug, "Java ECL command to execute -> %s\n", line.c_str());
    }
    const pid_t pid = XuStartTask(argv);
    if (pid >= 0) return pid;
    why = "the program \"" + argv[0] + "\" could not be started (" + std::strerror(errno) + ")";
  }
  // The user is told, not only the log.
  LogMsg(LevelError, "The programming-interface client was not started: %s.\n", why.c_str());
  ShowNoticeDialog(s->xstuff.shell(), "appletNotStartedDialog",
                   "The programming-interface client was not started: " + why + ".");
  return -1;
}

void ECLDialog::Open(SessionControlBlock* s) {
  Widget parent = s ? s->xstuff.shell() : nullptr;
  if (!parent) return;
  if (g_dialog) {
    g_session = s;
    XtManageChild(g_dialog);
    if (XtIsRealized(XtParent(g_dialog))) XRaiseWindow(XtDisplay(g_dialog), XtWindow(XtParent(g_dialog)));
    return;
  }
  Position x = 0, y = 0;
  XtVaGetValues(parent, XmNx, &x, XmNy, &y, nullptr);
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNdefaultPosition, False);
  ++n;
  XtSetArg(args[n], XmNx, static_cast<Position>(x + 15));
  ++n;
  XtSetArg(args[n], XmNy, static_cast<Position>(y + 15));
  ++n;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING);
  ++n;
  g_dialog = XmCreatePromptDialog(parent, const_cast<char*>("runAppletDialog"), args, n);
  g_session = s;
  XtUnmanageChild(XmSelectionBoxGetChild(g_dialog, XmDIALOG_HELP_BUTTON));
  XtAddCallback(g_dialog, XmNokCallback, OkCallback, nullptr);
  XtAddCallback(g_dialog, XmNcancelCallback, CancelCallback, nullptr);
  XtAddCallback(g_dialog, XmNdestroyCallback, DestroyedCallback, nullptr);
  if (Widget text = XmSelectionBoxGetChild(g_dialog, XmDIALOG_TEXT))
    XtOverrideTranslations(text, XtParseTranslationTable("<Key>KP_Enter: activate()"));
  Widget shell = XtParent(g_dialog);
  Atom deleteWindow = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(shell, deleteWindow, CancelCallback, nullptr);
  // The session's colours and font, as its other dialogs have them.
  ApplySessionDialogLook(s, g_dialog);
  XtManageChild(g_dialog);
}
