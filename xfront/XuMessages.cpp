#include "xfront/XuMessages.h"

#include <Xm/MessageB.h>
#include <Xm/Xm.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "base/LogMsg.h"
#include "xfront/XuFormat.h"

namespace {

// Pending messages are kept whole (a message may hold line breaks); their
// total is bounded so that a flood of messages cannot exhaust memory.
constexpr size_t kPendingLimit = 64 * 1024;

struct Layer {
  Widget topLevel = nullptr;
  std::string programName = "QW5250";
  std::string resourceClass;
  std::string resourceName;
  std::string errorDbClass;
  XuFatalHook fatalHook = nullptr;
  XuHandler errorHandler = nullptr;
  XuHandler warningHandler = nullptr;
  XuHandler printHandler = nullptr;
  XuHandler spareHandler = nullptr;
  std::deque<std::string> pending;
  size_t pendingBytes = 0;
  Widget dialog = nullptr;
  bool mapped = false;
  bool showScheduled = false;
};

Layer& L() {
  static Layer layer;
  return layer;
}

void PrintLine(const char* text) {
  std::printf("%s: %s\n", L().programName.c_str(), text ? text : "");
  std::fflush(stdout);
}

void ShowNextPending();

void OnDialogDestroyed(Widget w, XtPointer, XtPointer) {
  Layer& l = L();
  if (l.dialog != w) return;
  l.dialog = nullptr;
  // Show the next one from the event loop, not from inside the destroy phase.
  if (!l.pending.empty() && l.topLevel && !l.showScheduled) {
    l.showScheduled = true;
    XtAppAddTimeOut(XtWidgetToApplicationContext(l.topLevel), 0,
                    [](XtPointer, XtIntervalId*) {
                      L().showScheduled = false;
                      ShowNextPending();
                    },
                    nullptr);
  }
}

void OnDialogOk(Widget w, XtPointer, XtPointer) {
  Widget shell = XtParent(w);
  XtDestroyWidget(shell ? shell : w);
}

void CentreOnScreen(Widget dialog) {
  Widget shell = XtParent(dialog);
  if (!shell) return;
  Dimension width = 0, height = 0;
  XtVaGetValues(shell, XmNwidth, &width, XmNheight, &height, nullptr);
  Screen* screen = XtScreen(shell);
  const int x = (WidthOfScreen(screen) - static_cast<int>(width)) / 2;
  const int y = (HeightOfScreen(screen) - static_cast<int>(height)) / 2;
  XtVaSetValues(shell, XmNx, static_cast<Position>(x > 0 ? x : 0), XmNy,
                static_cast<Position>(y > 0 ? y : 0), nullptr);
}

void ShowInDialog(const std::string& text) {
  Layer& l = L();
  XmString message = XmStringCreateLtoR(const_cast<char*>(text.c_str()),
                                        const_cast<char*>(XmFONTLIST_DEFAULT_TAG));
  Arg args[2];
  Cardinal n = 0;
  XtSetArg(args[n], XmNmessageString, message);
  ++n;
  XtSetArg(args[n], XmNdefaultPosition, False);
  ++n;
  Widget dialog = XmCreateWarningDialog(l.topLevel, const_cast<char*>("warning"), args, n);
  if (message) XmStringFree(message);
  if (!dialog) {
    PrintLine(text.c_str());
    return;
  }
  if (Widget cancel = XmMessageBoxGetChild(dialog, XmDIALOG_CANCEL_BUTTON)) XtUnmanageChild(cancel);
  if (Widget help = XmMessageBoxGetChild(dialog, XmDIALOG_HELP_BUTTON)) XtUnmanageChild(help);
  XtAddCallback(dialog, XmNokCallback, OnDialogOk, nullptr);
  XtAddCallback(dialog, XmNdestroyCallback, OnDialogDestroyed, nullptr);
  l.dialog = dialog;
  XtManageChild(dialog);
  CentreOnScreen(dialog);
}

bool CanShowDialog() {
  const Layer& l = L();
  return l.topLevel && XtIsRealized(l.topLevel) && !l.dialog;
}

void ShowNextPending() {
  Layer& l = L();
  if (l.pending.empty() || !CanShowDialog()) return;
  std::string text = std::move(l.pending.front());
  l.pending.pop_front();
  l.pendingBytes -= text.size();
  ShowInDialog(text);
}

void OnTopLevelStructure(Widget, XtPointer, XEvent* event, Boolean* continueDispatch) {
  Layer& l = L();
  if (event->type == MapNotify) {
    l.mapped = true;
    ShowNextPending();
  } else if (event->type == UnmapNotify) {
    l.mapped = false;
  }
  *continueDispatch = True;
}

// The message text of `code`: the error-database text when it fits the
// arguments, else the caller's format; formatted into out.
void FormatMessage(unsigned code, const char* defaultFormat, va_list ap, char* out, size_t size) {
  Layer& l = L();
  const char* format = defaultFormat ? defaultFormat : "";
  char fromDb[kXuMessageMax];
  const unsigned number = code & ~0x70000u;
  if (l.topLevel && !l.resourceName.empty()) {
    char name[16];
    std::snprintf(name, sizeof name, "%u", number);
    const std::string& dbClass = l.errorDbClass.empty() ? l.resourceClass : l.errorDbClass;
    XtAppGetErrorDatabaseText(XtWidgetToApplicationContext(l.topLevel), name, l.resourceName.c_str(),
                              dbClass.empty() ? "QW5250" : dbClass.c_str(), format, fromDb,
                              sizeof fromDb, nullptr);
    fromDb[sizeof fromDb - 1] = '\0';
    if (std::strcmp(fromDb, format) != 0) {
      if (XuFormatFitsArguments(fromDb, format)) {
        format = fromDb;
      } else {
        LogMsg(LevelWarning, "Message %u of the error database does not fit its arguments; "
                             "the built-in text is used.\n", number);
      }
    }
  }
  std::vsnprintf(out, size, format, ap);
}

void Deliver(unsigned code, const char* text) {
  Layer& l = L();
  const int number = static_cast<int>(code & ~0x70000u);
  if (code & kXuFatalBit) {
    _XuPurgePendingMessages();
    if (l.printHandler)
      l.printHandler(text);
    else
      XuPrintString(text);
    if (l.fatalHook && l.fatalHook(number) == 0) return;
    std::exit(number);
  }
  XuHandler handler = (code & kXuWarningBit) ? l.warningHandler : l.errorHandler;
  if (handler)
    handler(text);
  else
    PrintLine(text);
}

}  // namespace

void XuInitialize(Widget topLevel, const char* programName, const char* resourceClass,
                  const char* errorDatabaseFile) {
  Layer& l = L();
  if (l.topLevel && l.topLevel != topLevel)
    XtRemoveEventHandler(l.topLevel, StructureNotifyMask, False, OnTopLevelStructure, nullptr);
  l.topLevel = topLevel;
  if (programName && *programName) l.programName = programName;
  l.resourceClass = resourceClass ? resourceClass : "";
  if (l.resourceName.empty()) l.resourceName = l.programName;
  l.errorHandler = XuShowMessage;
  l.warningHandler = XuShowMessage;
  if (topLevel) {
    if (errorDatabaseFile && *errorDatabaseFile) {
      XrmDatabase* db = XtAppGetErrorDatabase(XtWidgetToApplicationContext(topLevel));
      if (db && !XrmCombineFileDatabase(errorDatabaseFile, db, True))
        LogMsg(LevelWarning, "Error database %.300s cannot be read.\n", errorDatabaseFile);
    }
    l.mapped = XtIsRealized(topLevel) && XtWindow(topLevel) != None;
    XtAddEventHandler(topLevel, StructureNotifyMask, False, OnTopLevelStructure, nullptr);
  }
}

void XuReset() {
  Layer& l = L();
  if (l.topLevel)
    XtRemoveEventHandler(l.topLevel, StructureNotifyMask, False, OnTopLevelStructure, nullptr);
  l = Layer();
}

void XuSetResourceName(const char* name) { L().resourceName = name ? name : ""; }
void XuSetErrorDatabaseClass(const char* name) { L().errorDbClass = name ? name : ""; }
void XuSetWarningHandler(XuHandler handler) { L().warningHandler = handler; }
void XuSetErrorHandler(XuHandler handler) { L().errorHandler = handler; }
void XuSetPrintHandler(XuHandler handler) { L().printHandler = handler; }
void XuSetSpareHandler(XuHandler handler) { L().spareHandler = handler; }
void XuSetFatalHook(XuFatalHook hook) { L().fatalHook = hook; }

char* XuStrCpy(const char* text) {
  if (!text) return nullptr;
  const size_t n = std::strlen(text) + 1;
  char* copy = static_cast<char*>(std::malloc(n));
  if (copy) std::memcpy(copy, text, n);
  return copy;
}

const char* XuPerror() {
  const int e = errno;
  if (e <= 0) return "Unknown Error code";
  const char* text = strerrordesc_np(e);
  return text ? text : "Unknown Error code";
}

void XuError(unsigned code, const char* defaultFormat, ...) {
  if (code == 0) return;
  char text[kXuMessageMax];
  va_list ap;
  va_start(ap, defaultFormat);
  FormatMessage(code, defaultFormat, ap, text, sizeof text);
  va_end(ap);
  Deliver(code, text);
}

void XuSysError(unsigned code, const char* defaultFormat, ...) {
  if (code == 0) return;
  const char* system = XuPerror();  // before anything below changes errno
  char text[kXuMessageMax];
  va_list ap;
  va_start(ap, defaultFormat);
  FormatMessage(code, defaultFormat, ap, text, sizeof text);
  va_end(ap);
  std::string whole = std::string(text) + ": " + system;
  if (whole.size() >= kXuMessageMax) {
    whole.resize(kXuMessageMax - 2);
    whole += '\n';
  }
  Deliver(code, whole.c_str());
}

void XuFatalError(const char* text) {
  std::printf("%s: ", L().programName.c_str());
  std::fputs(text ? text : "", stdout);
  std::fflush(stdout);
  _XuPurgePendingMessages();
  if (L().fatalHook && L().fatalHook(-1) == 0) return;
  std::exit(-1);
}

void XuPrintString(const char* text) {
  std::printf("%s: %s", L().programName.c_str(), text ? text : "");
  std::fflush(stdout);
}

void _XuPurgePendingMessages() {
  Layer& l = L();
  if (l.pending.empty()) return;
  std::string all;
  for (const auto& m : l.pending) all += "\n" + m;
  l.pending.clear();
  l.pendingBytes = 0;
  std::printf("%s: %s\n", l.programName.c_str(), all.c_str());
  std::fflush(stdout);
}

void XuShowMessage(const char* text) {
  Layer& l = L();
  const std::string message = text ? text : "";
  if (!l.topLevel) {
    PrintLine(message.c_str());
    return;
  }
  if (l.pendingBytes + message.size() > kPendingLimit) {
    LogMsg(LevelWarning, "Too many messages are waiting; one is dropped: %.200s\n", message.c_str());
    return;
  }
  l.pending.push_back(message);
  l.pendingBytes += message.size();
  ShowNextPending();
}

Widget XuMessageDialog() { return L().dialog; }
size_t XuPendingMessageCount() { return L().pending.size(); }
bool XuTopLevelMapped() { return L().mapped; }
