#include "session/ErrorDialogs.h"

#include <Xm/Xm.h>
#include <Xm/MessageB.h>
#include <Xm/Protocols.h>
#include <Xm/RowColumn.h>
#include <Xm/SelectioB.h>
#include <Xm/Text.h>
#include <Xm/ToggleB.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "session/AppInit.h"
#include "session/MasterRecord.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/ErrorHalt.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

struct ErrorDialogs::Slot {
  bool inUse = false;
  DialogKind kind = DialogKindNone;
  Widget dialog = nullptr;
  Widget parent = nullptr;
  DialogOptions options = DialogCloseOnly;
  // Start-session dialog: the options it was opened with.
  std::unique_ptr<SessionStartOptions> startOptions;
  ColorOptions* colors = nullptr;
  char startupPlayback = 0;
  Pixmap icon = None;
};

namespace {

constexpr unsigned char kRefusedFirstByte = 0xA4;
constexpr size_t kMaxDefaultHostLength = 255;

XtPointer SlotData(int index) { return reinterpret_cast<XtPointer>(static_cast<intptr_t>(index)); }
int SlotIndex(XtPointer data) { return static_cast<int>(reinterpret_cast<intptr_t>(data)); }

// The text of a message resource of the application ("ErrorMsgUnknownHost").
std::string MessageText(const char* msgName) {
  String text = nullptr;
  Widget top = TopLevelWidget();
  if (top) {
    XtResource resource = {const_cast<String>(msgName), const_cast<String>(msgName), XtRString,
                           sizeof(String), 0, XtRString, nullptr};
    XtGetApplicationResources(top, &text, &resource, 1, nullptr, 0);
  }
  if (!text) {
    LogMsg(LevelWarning, "No text for message %s.\n", msgName);
    return msgName;
  }
  return text;
}

// The text of a compound string, its lines joined by newlines.
std::string PlainText(XmString s) {
  std::string out;
  XmStringContext context = nullptr;
  if (!s || !XmStringInitContext(&context, s)) return out;
  char* text = nullptr;
  XmStringCharSet tag = nullptr;
  XmStringDirection direction;
  Boolean separator = False;
  while (XmStringGetNextSegment(context, &text, &tag, &direction, &separator)) {
    if (text) out += text;
    if (separator) out += '\n';
    XtFree(text);
    XtFree(tag);
  }
  XmStringFreeContext(context);
  return out;
}

// The text for a one-line log entry: newlines written as "\n".
std::string OneLine(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

void RefuseA4Insertion(Widget, XtPointer, XtPointer call) {
  auto* cbs = static_cast<XmTextVerifyCallbackStruct*>(call);
  if (cbs && cbs->text && cbs->text->ptr && cbs->text->length > 0 &&
      static_cast<unsigned char>(cbs->text->ptr[0]) == kRefusedFirstByte) {
    cbs->doit = False;
  }
}

// Cancel for the window manager's close of the dialog's shell.
void RouteCloseToCancel(Widget dialog, int index) {
  Widget shell = XtParent(dialog);
  XtVaSetValues(shell, XmNdeleteResponse, XmDO_NOTHING, nullptr);
  Atom deleteWindow = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(shell, deleteWindow, DialogCancelCallBack, SlotData(index));
}

void AddRenderTable(Arg* args, Cardinal& n, XmRenderTable* renderTable) {
  if (!renderTable || !*renderTable) return;
  XtSetArg(args[n], XmNbuttonRenderTable, *renderTable); ++n;
  XtSetArg(args[n], XmNlabelRenderTable, *renderTable); ++n;
  XtSetArg(args[n], XmNtextRenderTable, *renderTable); ++n;
}

}  // namespace

ErrorDialogs& TheErrorDialogs() {
  // Never destroyed: the process may end from inside an X error handler,
  // when the widgets can no longer be touched.
  static ErrorDialogs* table = new ErrorDialogs;
  return *table;
}

ErrorDialogs::ErrorDialogs() : slots_(new Slot[kSlots]) {}

ErrorDialogs::~ErrorDialogs() {
  for (int i = 0; i < kSlots; ++i) {
    Slot& s = slots_[i];
    if (!s.inUse || !s.dialog) continue;
    Widget dialog = s.dialog;
    XtRemoveCallback(dialog, XmNdestroyCallback, DialogDestroyCallBack, SlotData(i));
    XtUnmanageChild(dialog);
    XtDestroyWidget(XtParent(dialog));
  }
}

ErrorDialogs::Slot* ErrorDialogs::slot(int index) {
  if (index < 0 || index >= kSlots || !slots_[index].inUse) return nullptr;
  return &slots_[index];
}

Widget ErrorDialogs::dialogOf(int index) const {
  return (index >= 0 && index < kSlots && slots_[index].inUse) ? slots_[index].dialog : nullptr;
}

std::string ErrorDialogs::messageOf(int index) const {
  Widget dialog = dialogOf(index);
  if (!dialog || slots_[index].kind != DialogKindMessage) return std::string();
  XmString s = nullptr;
  XtVaGetValues(dialog, XmNmessageString, &s, nullptr);
  std::string text = PlainText(s);
  XmStringFree(s);
  return text;
}

DialogKind ErrorDialogs::kindOf(int index) const {
  return (index >= 0 && index < kSlots && slots_[index].inUse) ? slots_[index].kind
                                                               : DialogKindNone;
}

int ErrorDialogs::getAvailableIndex(char fromTop) {
  if (active_ >= kSlots) {
    LogMsg(LevelError, "%s: ErrorDialogs::getAvailableIndex(): no more dialogs available.\n",
           "QWC0001");
    return -1;
  }
  for (int k = 0; k < kSlots; ++k) {
    int i = fromTop ? kSlots - 1 - k : k;
    if (!slots_[i].inUse) {
      slots_[i] = Slot();
      slots_[i].inUse = true;
      ++active_;
      return i;
    }
  }
  return -1;
}

void ErrorDialogs::freeIndex(int index) {
  if (!slot(index)) return;
  slots_[index] = Slot();
  --active_;
}

int ErrorDialogs::createErrorDialog(const char* msgName, ColorOptions* colors,
                                    XmRenderTable* renderTable, Widget parent,
                                    DialogOptions options) {
  return createMessageDialog(true, "errorMsgDialog", msgName, colors, renderTable, parent, options);
}

int ErrorDialogs::createWarningDialog(Widget parent, const char* msgName, ColorOptions* colors,
                                      XmRenderTable* renderTable) {
  return createMessageDialog(false, "warningMsgDialog", msgName, colors, renderTable, parent,
                             DialogCloseOnly);
}

int ErrorDialogs::createMessageDialog(bool error, const char* name, const char* msgName,
                                      ColorOptions* colors, XmRenderTable* renderTable,
                                      Widget parent, DialogOptions options) {
  if (!parent) parent = TopLevelWidget();
  if (!parent || !msgName) return -1;
  int index = getAvailableIndex(0);
  if (index < 0) return -1;
  Slot& s = slots_[index];
  s.kind = DialogKindMessage;
  s.parent = parent;
  s.options = options;
  s.colors = colors;

  XmString text = XmStringCreateLtoR(const_cast<char*>(MessageText(msgName).c_str()),
                                     const_cast<char*>(XmFONTLIST_DEFAULT_TAG));
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XmNmessageString, text); ++n;
  XtSetArg(args[n], XmNautoUnmanage, False); ++n;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING); ++n;
  AddRenderTable(args, n, renderTable);
  Widget dialog = error ? XmCreateErrorDialog(parent, const_cast<char*>(name), args, n)
                        : XmCreateWarningDialog(parent, const_cast<char*>(name), args, n);
  XmStringFree(text);
  s.dialog = dialog;
  XtUnmanageChild(XmMessageBoxGetChild(dialog, XmDIALOG_HELP_BUTTON));
  XtAddCallback(dialog, XmNokCallback, DialogOkCallBack, SlotData(index));
  XtAddCallback(dialog, XmNcancelCallback, DialogCancelCallBack, SlotData(index));
  XtAddCallback(dialog, XmNdestroyCallback, DialogDestroyCallBack, SlotData(index));
  XtManageChild(dialog);
  RouteCloseToCancel(dialog, index);
  if (DebugFlag())
    LogMsg(LevelDebug, "%s %s opened in slot %d, saying \"%s\".\n", name, msgName, index,
           OneLine(messageOf(index)).c_str());
  return index;
}

int ErrorDialogs::createHostNameDialog(const SessionStartOptions& options, ColorOptions* colors,
                                       XmRenderTable* renderTable) {
  Widget parent = TopLevelWidget();
  if (!parent) return -1;
  std::unique_ptr<SessionStartOptions> copy;
  try {
    copy.reset(new SessionStartOptions(options));
  } catch (const std::bad_alloc&) {
    LogMsg(LevelError, "Not enough memory for the start-session dialog.\n");
    PostLowMemoryDialog();
    return -1;
  }
  int index = getAvailableIndex(0);
  if (index < 0) return -1;
  Slot& s = slots_[index];
  s.kind = DialogKindStartSession;
  s.parent = parent;
  s.colors = colors;
  s.startupPlayback = static_cast<char>(options.startupPlayback);
  s.startOptions = std::move(copy);

  std::string host = options.hostName;
  if (host.empty()) {
    SharedEmulatorInfo info;
    if (SetGetSharedEmulatorInformation(SharedInfoRead, info) == 0) {
      info.defaultHostName[sizeof info.defaultHostName - 1] = '\0';
      host = info.defaultHostName;
    }
  }
  XmString text = XmStringCreateLocalized(const_cast<char*>(host.c_str()));
  Arg args[8];
  Cardinal n = 0;
  XtSetArg(args[n], XmNtextString, text); ++n;
  XtSetArg(args[n], XmNautoUnmanage, False); ++n;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING); ++n;
  AddRenderTable(args, n, renderTable);
  Widget dialog = XmCreatePromptDialog(parent, const_cast<char*>("hostNameDialog"), args, n);
  XmStringFree(text);
  s.dialog = dialog;
  XtUnmanageChild(XmSelectionBoxGetChild(dialog, XmDIALOG_HELP_BUTTON));
  XtAddCallback(dialog, XmNokCallback, DialogOkCallBack, SlotData(index));
  XtAddCallback(dialog, XmNcancelCallback, DialogCancelCallBack, SlotData(index));
  XtAddCallback(dialog, XmNdestroyCallback, DialogDestroyCallBack, SlotData(index));
  XtAddCallback(XmSelectionBoxGetChild(dialog, XmDIALOG_TEXT), XmNmodifyVerifyCallback,
                RefuseA4Insertion, nullptr);

  if (!options.playbackFile.empty()) {
    Widget row = XmCreateRowColumn(dialog, const_cast<char*>("check_box"), nullptr, 0);
    Arg targs[1];
    XtSetArg(targs[0], XmNset, s.startupPlayback ? XmSET : XmUNSET);
    Widget toggle =
        XmCreateToggleButton(row, const_cast<char*>("startupPlaybackChoice"), targs, 1);
    XtAddCallback(toggle, XmNvalueChangedCallback, StartupPlaybackToggled, SlotData(index));
    XtManageChild(toggle);
    XtManageChild(row);
  }
  XtManageChild(dialog);
  RouteCloseToCancel(dialog, index);
  return index;
}

void ErrorDialogs::createSessionFromDialog(int index, const char* host,
                                           XmRenderTable* renderTable) {
  Slot* s = slot(index);
  if (!s || s->kind != DialogKindStartSession || !s->startOptions) return;
  SessionStartOptions options = *s->startOptions;
  options.hostName = host ? host : "";
  options.startupPlayback = s->startupPlayback;
  if (!s->startupPlayback) options.playbackFile.clear();
  createSessionUnderThisProcess(options, s->colors, renderTable);
}

void ErrorDialogs::destroyErrorDialogByNumber(int index) {
  Slot* s = slot(index);
  if (!s || !s->dialog) return;
  XtUnmanageChild(s->dialog);
  XtDestroyWidget(XtParent(s->dialog));
}

void ErrorDialogs::remanageDialog(Widget parent) {
  for (int i = 0; i < kSlots; ++i) {
    Slot& s = slots_[i];
    if (s.inUse && s.dialog && s.parent == parent) {
      XtUnmanageChild(s.dialog);
      XtManageChild(s.dialog);
    }
  }
}

void ErrorDialogs::setDefaultHostname(const char* host) {
  if (!host || !*host) return;
  SharedEmulatorInfo info;
  size_t n = strnlen(host, kMaxDefaultHostLength);
  std::memcpy(info.defaultHostName, host, n);
  info.defaultHostName[n] = '\0';
  SetGetSharedEmulatorInformation(SharedInfoStoreDefaultHost, info);
}

void ErrorDialogs::changeFonts(Widget dialog, XmRenderTable* renderTable) {
  if (!dialog || !renderTable || !*renderTable) return;
  Arg args[3];
  Cardinal n = 0;
  AddRenderTable(args, n, renderTable);
  XtSetValues(dialog, args, n);
  // The dialog's own render tables only reach children made later: the
  // message and the buttons it has take the new one themselves.
  for (unsigned char child : {XmDIALOG_MESSAGE_LABEL, XmDIALOG_OK_BUTTON, XmDIALOG_CANCEL_BUTTON,
                              XmDIALOG_HELP_BUTTON})
    if (Widget w = XmIsMessageBox(dialog) ? XmMessageBoxGetChild(dialog, child) : nullptr)
      XtVaSetValues(w, XmNrenderTable, *renderTable, nullptr);
}

void ErrorDialogs::doExitCheck() {
  if (getNumberOfSessions() != 0 || active_ != 0 || LowMemoryDialogPosted()) return;
  if (IsMasterProcess()) ExitMaster(0);
  std::exit(0);
}

void ErrorDialogs::closeDialog(int index) { destroyErrorDialogByNumber(index); }

void ErrorDialogs::sessionAction(int index, bool ok) {
  Slot* s = slot(index);
  if (!s || s->options == DialogCloseOnly) return;
  // Options 1 and 2 act on the session that owns the dialog's parent; a
  // session that has ended meanwhile is left alone.
  SessionDialogAction(s->parent, index, s->options, ok);
}

void ErrorDialogs::hostNameOk(int index) {
  Slot* s = slot(index);
  if (!s) return;
  Widget parent = s->parent;
  ColorOptions* colors = s->colors;
  char* typed = XmTextGetString(XmSelectionBoxGetChild(s->dialog, XmDIALOG_TEXT));
  std::string host = typed ? typed : "";
  XtFree(typed);
  setDefaultHostname(host.c_str());
  if (host.empty()) {
    createErrorDialog("ErrorMsgUnknownHost", colors, nullptr, parent, DialogCloseOnly);
  } else {
    createSessionFromDialog(index, host.c_str(), nullptr);
  }
  closeDialog(index);
}

void DialogOkCallBack(Widget, XtPointer data, XtPointer) {
  ErrorDialogs& table = TheErrorDialogs();
  int index = SlotIndex(data);
  ErrorDialogs::Slot* s = table.slot(index);
  if (!s) return;
  if (s->kind == DialogKindStartSession) {
    table.hostNameOk(index);
    return;
  }
  table.sessionAction(index, true);
  table.closeDialog(index);
}

void DialogCancelCallBack(Widget, XtPointer data, XtPointer) {
  ErrorDialogs& table = TheErrorDialogs();
  int index = SlotIndex(data);
  if (!table.slot(index)) return;
  table.sessionAction(index, false);
  table.closeDialog(index);
}

void DialogDestroyCallBack(Widget, XtPointer data, XtPointer) {
  ErrorDialogs& table = TheErrorDialogs();
  int index = SlotIndex(data);
  ErrorDialogs::Slot* s = table.slot(index);
  if (!s) return;
  if (s->icon != None && s->dialog) XFreePixmap(XtDisplay(s->dialog), s->icon);
  table.freeIndex(index);
  table.doExitCheck();
}

void StartupPlaybackToggled(Widget, XtPointer data, XtPointer call) {
  ErrorDialogs::Slot* s = TheErrorDialogs().slot(SlotIndex(data));
  auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(call);
  if (s && cbs) s->startupPlayback = cbs->set ? 1 : 0;
}
