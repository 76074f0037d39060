// The record, pause-choice, save and playback dialogs of a session. Each
// callback forwards to one PlayRecord operation; the widgets are shown and
// made selectable by the record or playback state.
#include <Xm/CascadeB.h>
#include <Xm/DialogS.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/MessageB.h>
#include <Xm/Protocols.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Scale.h>
#include <Xm/TextF.h>
#include <Xm/ToggleB.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/LogMsg.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "tools/PlayRecordWidgets.h"
#include "xfront/HelperLaunch.h"
#include "xfront/XStuff.h"

namespace {

PlayRecord* Of(XtPointer p) { return static_cast<PlayRecord*>(p); }

XtPointer Data(intptr_t v) { return reinterpret_cast<XtPointer>(v); }

// The text of a message resource, or its built-in default.
std::string ResourceText(const char* name) {
  String text = nullptr;
  if (Widget top = TopLevelWidget()) {
    XtResource r = {const_cast<String>(name), const_cast<String>(name), XtRString, sizeof(String), 0, XtRString,
                    nullptr};
    XtGetApplicationResources(top, &text, &r, 1, nullptr, 0);
  }
  return text ? text : name;
}

Widget Button(Widget parent, const char* name, XtCallbackProc cb, XtPointer data) {
  Widget b = XmCreatePushButton(parent, const_cast<char*>(name), nullptr, 0);
  if (cb) XtAddCallback(b, XmNactivateCallback, cb, data);
  static XtTranslations ret = XtParseTranslationTable("<Key>Return: ArmAndActivate()");
  XtOverrideTranslations(b, ret);
  XtManageChild(b);
  return b;
}

Widget Label(Widget parent, const char* name, bool managed = true) {
  Widget l = XmCreateLabel(parent, const_cast<char*>(name), nullptr, 0);
  if (managed) XtManageChild(l);
  return l;
}

// A frame holding a vertical form column.
Widget Section(Widget parent, const char* frameName, const char* formName, bool horizontal = false) {
  Widget frame = XmCreateFrame(parent, const_cast<char*>(frameName), nullptr, 0);
  XtManageChild(frame);
  Arg args[2];
  XtSetArg(args[0], XmNorientation, horizontal ? XmHORIZONTAL : XmVERTICAL);
  Widget column = XmCreateRowColumn(frame, const_cast<char*>(formName), args, 1);
  XtManageChild(column);
  return column;
}

// A form dialog on the session's shell whose window-manager close calls `close`.
Widget FormDialog(Widget parent, const char* name, XtCallbackProc close, XtPointer data, Widget* shellOut,
                  Widget* columnOut) {
  Arg args[2];
  XtSetArg(args[0], XmNautoUnmanage, False);
  XtSetArg(args[1], XmNdeleteResponse, XmDO_NOTHING);
  Widget form = XmCreateFormDialog(parent, const_cast<char*>(name), args, 2);
  Widget shell = XtParent(form);
  XtVaSetValues(shell, XmNdeleteResponse, XmDO_NOTHING, nullptr);
  Atom del = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(shell, del, close, data);
  Arg cargs[1];
  XtSetArg(cargs[0], XmNorientation, XmVERTICAL);
  Widget column = XmCreateRowColumn(form, const_cast<char*>("column"), cargs, 1);
  XtVaSetValues(column, XmNtopAttachment, XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);
  XtManageChild(column);
  *shellOut = shell;
  *columnOut = column;
  return form;
}

void Show(Widget w, bool on) {
  if (!w) return;
  if (on) XtManageChild(w);
  else XtUnmanageChild(w);
}

void Sensitive(Widget w, bool on) {
  if (w) XtSetSensitive(w, on ? True : False);
}

// Callbacks.
void RecordStartCb(Widget, XtPointer p, XtPointer) { Of(p)->startRecording(); }
void RecordPauseCb(Widget, XtPointer p, XtPointer) { Of(p)->pauseRecord(); }
void RecordCancelCb(Widget, XtPointer p, XtPointer) { Of(p)->cancelRecord(); }
void RecordStopCb(Widget, XtPointer p, XtPointer) { Of(p)->stopRecording(); }
void RecordCloseCb(Widget, XtPointer p, XtPointer) { Of(p)->wmCloseRecord(); }
void ContinueCb(Widget, XtPointer p, XtPointer) { Of(p)->continueRecord(); }
void PauseChoiceCb(Widget w, XtPointer p, XtPointer call) {
  auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(call);
  if (!cbs || !cbs->set) return;
  XtPointer choice = nullptr;
  XtVaGetValues(w, XmNuserData, &choice, nullptr);
  Of(p)->setRecordPauseChoice(static_cast<int>(reinterpret_cast<intptr_t>(choice)));
}
// The key menu under "Function key...": posted beside the button by the
// first button's press on it, as a menu is (the press then drags into the
// menu or, released on the button, leaves it up for a click), and by the
// keys that activate it. Never over the button: the release of the press
// that posted it chooses nothing.
Widget KeyMenu(PlayRecord* pr) {
  Widget save = pr->dialogShell("recordFileControl");
  return save ? XtNameToWidget(save, "*accMenu") : nullptr;
}
// Below the button when the menu fits there on the screen, else above it,
// else to its right.
void PlaceKeyMenu(Widget menu, Widget button) {
  Position left = 0, top = 0;
  Dimension width = 0, height = 0;
  XtVaGetValues(button, XmNwidth, &width, XmNheight, &height, nullptr);
  XtTranslateCoords(button, 0, 0, &left, &top);
  XtWidgetGeometry size = {};
  XtQueryGeometry(menu, nullptr, &size);
  const int screenHeight = HeightOfScreen(XtScreen(button));
  int x = left, y = top + height;
  if (y + size.height > screenHeight) {
    y = top - size.height;
    if (y < 0) {
      x = left + width;
      y = std::max(0, screenHeight - static_cast<int>(size.height));
    }
  }
  XtVaSetValues(menu, XmNx, static_cast<Position>(x), XmNy, static_cast<Position>(y), nullptr);
}
void PostKeyMenu(PlayRecord* pr, Widget button) {
  Widget menu = KeyMenu(pr);
  if (!menu) return;
  PlaceKeyMenu(menu, button);
  XtManageChild(menu);
}
// The press posts the menu and goes no further: the menu has the pointer.
void AcceleratorPressed(Widget w, XtPointer p, XEvent* event, Boolean* dispatch) {
  if (event->type != ButtonPress || event->xbutton.button != Button1) return;
  PostKeyMenu(Of(p), w);
  *dispatch = False;
}
// A key chosen in the menu: the field is named for it.
void ChooseKey(PlayRecord* pr, Widget entry) {
  XtPointer key = nullptr;
  XtVaGetValues(entry, XmNuserData, &key, nullptr);
  pr->recordFileAcceleratorAssignment(static_cast<int>(reinterpret_cast<intptr_t>(key)));
}
// Posts the key menu again when the release on its button closed it.
void KeepKeyMenuUp(XtPointer p, XtIntervalId*) {
  Widget menu = KeyMenu(Of(p));
  if (menu && !XtIsManaged(menu)) PostKeyMenu(Of(p), XtParent(XtParent(menu)));
}
// The first button released on an entry chooses it, whether the press was
// on the entry (a click in the menu left up) or on "Function key..." (a
// drag into the menu): the menu posted by hand does not arm its entries.
// The release comes to the entry, the menu or its shell, whichever holds
// the pointer grab; the entry is the one under the pointer.
void AccMenuReleased(Widget, XtPointer p, XEvent* event, Boolean*) {
  if (event->type != ButtonRelease || event->xbutton.button != Button1) return;
  Widget menu = KeyMenu(Of(p));
  if (!menu || !XtIsManaged(menu)) return;
  WidgetList entries = nullptr;
  Cardinal n = 0;
  XtVaGetValues(menu, XmNchildren, &entries, XmNnumChildren, &n, nullptr);
  for (Cardinal i = 0; i < n; ++i) {
    Widget e = entries[i];
    if (!XtIsManaged(e) || !XtIsSensitive(e)) continue;
    Position x = 0, y = 0;
    Dimension width = 0, height = 0;
    XtVaGetValues(e, XmNwidth, &width, XmNheight, &height, nullptr);
    XtTranslateCoords(e, 0, 0, &x, &y);
    if (event->xbutton.x_root < x || event->xbutton.y_root < y || event->xbutton.x_root >= x + width ||
        event->xbutton.y_root >= y + height)
      continue;
    ChooseKey(Of(p), e);
    XtUnmanageChild(menu);
    return;
  }
  // Released on "Function key..." itself, however long after the press:
  // the menu stays up for a click, also where the menu's own rules would
  // take a long press for a drag and close it.
  Widget button = XtParent(XtParent(menu));
  Position bx = 0, by = 0;
  Dimension bw = 0, bh = 0;
  XtVaGetValues(button, XmNwidth, &bw, XmNheight, &bh, nullptr);
  XtTranslateCoords(button, 0, 0, &bx, &by);
  if (event->xbutton.x_root >= bx && event->xbutton.y_root >= by && event->xbutton.x_root < bx + bw &&
      event->xbutton.y_root < by + bh)
    XtAppAddTimeOut(XtWidgetToApplicationContext(button), 0, KeepKeyMenuUp, p);
}
// The keys that activate the button post the menu below it.
void AcceleratorCb(Widget w, XtPointer p, XtPointer call) {
  auto* cbs = static_cast<XmAnyCallbackStruct*>(call);
  if (cbs && cbs->event && (cbs->event->type == ButtonPress || cbs->event->type == ButtonRelease)) return;
  PostKeyMenu(Of(p), w);
}
void AccMenuCb(Widget w, XtPointer p, XtPointer) { ChooseKey(Of(p), w); }
void FileListCb(Widget, XtPointer p, XtPointer call) {
  auto* cbs = static_cast<XmListCallbackStruct*>(call);
  if (!cbs || !cbs->item) return;
  char* text = nullptr;
  if (XmStringGetLtoR(cbs->item, const_cast<char*>(XmFONTLIST_DEFAULT_TAG), &text) && text) {
    Of(p)->recordFileListSelection(text);
    XtFree(text);
  }
}
void SaveCb(Widget, XtPointer p, XtPointer) { Of(p)->saveRecord(true); }
void ReplaceOkCb(Widget, XtPointer p, XtPointer) { Of(p)->saveRecord(false); }
void HideCb(Widget w, XtPointer, XtPointer) {
  // The message box (a dialog's child) or its shell.
  if (XtIsShell(w)) {
    WidgetList kids = nullptr;
    Cardinal n = 0;
    XtVaGetValues(w, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
    for (Cardinal i = 0; i < n; ++i) XtUnmanageChild(kids[i]);
  } else {
    XtUnmanageChild(w);
  }
}
void DoNotSaveCb(Widget, XtPointer p, XtPointer) { Of(p)->doNotSaveRecord(); }
void NameVerifyCb(Widget, XtPointer p, XtPointer call) {
  auto* cbs = static_cast<XmTextVerifyCallbackStruct*>(call);
  if (!cbs || !cbs->text || !cbs->text->ptr || cbs->text->length <= 0) return;
  const auto* t = reinterpret_cast<const unsigned char*>(cbs->text->ptr);
  bool ok = true;
  if (AppResources().fileNameCodePage == QwLower819Only) {
    for (int i = 0; i < cbs->text->length; ++i)
      if (t[i] < 32 || t[i] > 126) ok = false;
  } else if (t[0] == 0xA4) {
    ok = false;
  }
  for (int i = 0; i < cbs->text->length; ++i)
    if (t[i] == '/') ok = false;  // a name, not a path
  if (!ok) {
    cbs->doit = False;
    PlayRecord* pr = Of(p);
    TheErrorDialogs().createErrorDialog("ErrorMsgFileNameChars", nullptr, nullptr,
                                        pr->session()->xstuff.shell(), DialogCloseOnly);
  }
}

void PlaybackCloseCb(Widget, XtPointer p, XtPointer) { Of(p)->wmClosePlayback(); }
void PlayAccCb(Widget w, XtPointer p, XtPointer) {
  XtPointer key = nullptr;
  XtVaGetValues(w, XmNuserData, &key, nullptr);
  Of(p)->playbackAcceleratorCheck(static_cast<int>(reinterpret_cast<intptr_t>(key)));
}
void PlayStartCb(Widget, XtPointer p, XtPointer) { Of(p)->startPlayback(false, false); }
void PlayPauseCb(Widget, XtPointer p, XtPointer) { Of(p)->pausePlayback(PlayRecord::kPauseUser); }
void PlayStopCb(Widget, XtPointer p, XtPointer) { Of(p)->stopPlayback(PlayRecord::kStopUser); }
void PlayCancelCb(Widget, XtPointer p, XtPointer) { Of(p)->destroyPlaybackControls(); }
void RateCb(Widget, XtPointer p, XtPointer call) {
  auto* cbs = static_cast<XmScaleCallbackStruct*>(call);
  if (cbs) Of(p)->playbackRateChanged(cbs->value);
}
void DeleteOkCb(Widget, XtPointer p, XtPointer) { Of(p)->deletePlaybackFiles(); }
void MsgCloseCb(Widget, XtPointer p, XtPointer) { Of(p)->wmClosePlaybackMsgDialog(); }
void PauseOkCb(Widget, XtPointer p, XtPointer) { Of(p)->continuePlayback(); }
void PauseCancelCb(Widget, XtPointer p, XtPointer) { Of(p)->stopPlayback(PlayRecord::kStopUser); }
void PauseCloseCb(Widget, XtPointer p, XtPointer) { Of(p)->wmClosePlaybackPauseDialog(); }

Widget MessageBox(Widget parent, const char* name, bool question, XtCallbackProc ok, XtCallbackProc cancel,
                  XtCallbackProc close, XtPointer data) {
  Arg args[2];
  XtSetArg(args[0], XmNautoUnmanage, False);
  XtSetArg(args[1], XmNdeleteResponse, XmDO_NOTHING);
  Widget box = question ? XmCreateQuestionDialog(parent, const_cast<char*>(name), args, 2)
                        : XmCreateMessageDialog(parent, const_cast<char*>(name), args, 2);
  XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_HELP_BUTTON));
  if (!cancel) XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_CANCEL_BUTTON));
  if (ok) XtAddCallback(box, XmNokCallback, ok, data);
  if (cancel) XtAddCallback(box, XmNcancelCallback, cancel, data);
  Atom del = XmInternAtom(XtDisplay(box), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(XtParent(box), del, close, data);
  return box;
}

void SetMessage(Widget box, const std::string& text) {
  XmString s = XmStringCreateLtoR(const_cast<char*>(text.c_str()), const_cast<char*>(XmFONTLIST_DEFAULT_TAG));
  XtVaSetValues(box, XmNmessageString, s, nullptr);
  XmStringFree(s);
}

void FillList(Widget list, const std::vector<std::string>& names) {
  if (!list) return;
  XmListDeleteAllItems(list);
  for (const std::string& n : names) {
    XmString s = XmStringCreateLocalized(const_cast<char*>(n.c_str()));
    XmListAddItemUnselected(list, s, 0);
    XmStringFree(s);
  }
}

void ApplyRenderTable(Widget w, XmRenderTable table) {
  if (!w || !table) return;
  if (XmIsLabel(w) || XmIsList(w) || XmIsTextField(w)) XtVaSetValues(w, XmNrenderTable, table, nullptr);
  if (XtIsComposite(w)) {
    WidgetList kids = nullptr;
    Cardinal n = 0;
    XtVaGetValues(w, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
    for (Cardinal i = 0; i < n; ++i) ApplyRenderTable(kids[i], table);
  }
}

void ApplyColors(Widget w, Pixel background, Pixel foreground) {
  if (!w) return;
  XmChangeColor(w, background);
  XtVaSetValues(w, XmNforeground, foreground, nullptr);
  if (XtIsComposite(w)) {
    WidgetList kids = nullptr;
    Cardinal n = 0;
    XtVaGetValues(w, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
    for (Cardinal i = 0; i < n; ++i) ApplyColors(kids[i], background, foreground);
  }
}

}  // namespace

// ---------------------------------------------------------------- recording

void PlayRecord::materializeRecordControls() {
  Widget shell = session_->xstuff.shell();
  if (!shell) return;
  if (recordState_ == kRecordIdle) {
    buildRecordDialog();
    recordState_ = kRecordDialog;
    mapRecordWidgetsForState();
    XtManageChild(w_->recordForm);
    armFocusTimer(w_->recordStart);
    return;
  }
  XRaiseWindow(XtDisplay(shell), XtWindow(shell));
  Widget target = recordState_ == kRecordPaused ? w_->pauseShell
                  : recordState_ == kRecordSaving ? w_->saveShell
                                                   : w_->recordShell;
  if (target && XtIsRealized(target)) XRaiseWindow(XtDisplay(target), XtWindow(target));
}

void PlayRecord::buildRecordDialog() {
  Widget column = nullptr;
  w_->recordForm = FormDialog(session_->xstuff.shell(), "recordControl", RecordCloseCb, this, &w_->recordShell, &column);
  Widget frame = Section(column, "recordFrame", "RecordForm");
  Widget messages = Section(frame, "recordMessagesFrame", "recordMessagesForm");
  w_->recordingLabel = Label(messages, "recordControlLabelRecording", false);
  w_->pausedLabel = Label(messages, "recordControlLabelPaused", false);
  w_->keysLeftLabel = Label(messages, "recordControlKeysRemaingLabel", false);
  w_->keysLabel = Label(messages, "recordKeysLabel", false);
  Widget buttons = Section(column, "recordButtonFrame", "recordButtonForm", true);
  w_->recordStart = Button(buttons, "startBtn", RecordStartCb, this);
  w_->recordPause = Button(buttons, "pauseBtn", RecordPauseCb, this);
  w_->recordCancel = Button(buttons, "cancelBtn", RecordCancelCb, this);
  w_->recordStop = Button(buttons, "stopBtn", RecordStopCb, this);
}

void PlayRecord::mapRecordWidgetsForState() {
  if (!w_->recordForm) return;
  const bool active = recordState_ == kRecording || recordState_ == kRecordPaused;
  Show(w_->recordingLabel, recordState_ == kRecording);
  Show(w_->pausedLabel, recordState_ == kRecordPaused);
  Show(w_->keysLeftLabel, active);
  Show(w_->keysLabel, active);
  Sensitive(w_->recordStart, recordState_ == kRecordDialog);
  Sensitive(w_->recordCancel, recordState_ == kRecordDialog);
  Sensitive(w_->recordPause, active);
  Sensitive(w_->recordStop, active);
}

void PlayRecord::buildPauseDialog() {
  if (!w_->pauseForm) {
    Widget column = nullptr;
    w_->pauseForm = FormDialog(session_->xstuff.shell(), "recordPauseControls",
                               [](Widget, XtPointer p, XtPointer) { Of(p)->continueRecord(); }, this,
                               &w_->pauseShell, &column);
    Widget frame = Section(column, "recordPauseFrame", "recordPauseForm");
    Widget choices = Section(frame, "recordPauseChoicesFrame", "recordPauseChoicesForm");
    Label(choices, "recordPauseChoicesInstructions");
    Widget radio = XmCreateRadioBox(choices, const_cast<char*>("recordPauseChoicesRowCol"), nullptr, 0);
    XtManageChild(radio);
    const struct {
      const char* name;
      int choice;
    } toggles[] = {{"recordPauseRecordBtn", kChoicePause},
                   {"recordPauseUseridBtn", kChoiceUserId},
                   {"recordPausePasswordBtn", kChoicePassword},
                   {"recordPauseNoneBtn", kChoiceNone}};
    for (const auto& t : toggles) {
      Widget b = XmCreateToggleButton(radio, const_cast<char*>(t.name), nullptr, 0);
      XtVaSetValues(b, XmNuserData, Data(t.choice), nullptr);
      XtAddCallback(b, XmNvalueChangedCallback, PauseChoiceCb, this);
      XtManageChild(b);
      w_->pauseToggles[t.choice] = b;
    }
    Widget buttons = Section(column, "recordPauseButtonFrame", "recordPauseButtonForm", true);
    w_->continueBtn = Button(buttons, "continueBtn", ContinueCb, this);
    w_->pauseStopBtn = Button(buttons, "pauseStopBtn", RecordStopCb, this);
  }
  XmToggleButtonSetState(w_->pauseToggles[kChoiceNone], True, True);
  XtManageChild(w_->pauseForm);
  XtPopup(w_->pauseShell, XtGrabNone);
  armFocusTimer(w_->continueBtn);
}

void PlayRecord::destroyRecordControls() {
  if (w_->recordShell) XtDestroyWidget(w_->recordShell);
  if (w_->pauseShell) XtDestroyWidget(w_->pauseShell);
  w_->recordShell = w_->recordForm = w_->recordingLabel = w_->pausedLabel = w_->keysLeftLabel = w_->keysLabel = nullptr;
  w_->recordStart = w_->recordPause = w_->recordCancel = w_->recordStop = nullptr;
  w_->pauseShell = w_->pauseForm = w_->continueBtn = w_->pauseStopBtn = nullptr;
  for (Widget& t : w_->pauseToggles) t = nullptr;
}

void PlayRecord::buildSaveDialog() {
  Widget column = nullptr;
  w_->saveForm = FormDialog(session_->xstuff.shell(), "recordFileControl", RecordCloseCb, this, &w_->saveShell, &column);
  Widget frame = Section(column, "recordFileFrame", "recordFileForm");
  Widget listSection = Section(frame, "recordFileListFrame", "recordFileListForm");
  Label(listSection, "recordFileListLabel");
  Arg args[2];
  XtSetArg(args[0], XmNvisibleItemCount, 6);
  XtSetArg(args[1], XmNselectionPolicy, XmSINGLE_SELECT);
  w_->fileList = XmCreateScrolledList(listSection, const_cast<char*>("recordFileList"), args, 2);
  XtAddCallback(w_->fileList, XmNsingleSelectionCallback, FileListCb, this);
  XtAddCallback(w_->fileList, XmNdefaultActionCallback, FileListCb, this);
  XtManageChild(w_->fileList);
  Label(listSection, "recordFileTextLabel");
  w_->textField = XmCreateTextField(listSection, const_cast<char*>("recordFileTextField"), nullptr, 0);
  XtAddCallback(w_->textField, XmNmodifyVerifyCallback, NameVerifyCb, this);
  XtAddCallback(w_->textField, XmNactivateCallback, SaveCb, this);
  XtOverrideTranslations(w_->textField, XtParseTranslationTable("<Key>KP_Enter: activate()"));
  XtManageChild(w_->textField);
  w_->acceleratorBtn = Button(listSection, "acceleratorBtn", AcceleratorCb, this);
  // The first button on "Function key..." posts the key menu (Motif posts
  // a pop-up only for its own menu-post event).
  Arg menuArgs[1];
  XtSetArg(menuArgs[0], XmNmenuPost, const_cast<char*>("<Btn1Down>"));
  w_->accMenu = XmCreatePopupMenu(w_->acceleratorBtn, const_cast<char*>("accMenu"), menuArgs, 1);
  XtInsertEventHandler(w_->acceleratorBtn, ButtonPressMask, False, AcceleratorPressed, this, XtListHead);
  for (int k = 0; k <= 24; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "accButton%d", k);
    Widget b = XmCreatePushButton(w_->accMenu, name, nullptr, 0);
    if (k > 0) {
      char label[8];
      std::snprintf(label, sizeof label, "F%d", k);
      XmString s = XmStringCreateLocalized(label);
      XtVaSetValues(b, XmNlabelString, s, nullptr);
      XmStringFree(s);
    }
    XtVaSetValues(b, XmNuserData, Data(k), nullptr);
    XtAddCallback(b, XmNactivateCallback, AccMenuCb, this);
    XtManageChild(b);
    w_->accButtons[k] = b;
  }
  for (Widget w : {w_->accMenu, XtParent(w_->accMenu)})
    XtAddEventHandler(w, ButtonReleaseMask, False, AccMenuReleased, this);
  for (Widget b : w_->accButtons) XtAddEventHandler(b, ButtonReleaseMask, False, AccMenuReleased, this);
  Widget buttons = Section(column, "recordFileButtonFrame", "recordFileButtonForm", true);
  w_->saveBtn = Button(buttons, "saveBtn", SaveCb, this);
  w_->doNotSaveBtn = Button(buttons, "doNotSaveBtn", DoNotSaveCb, this);

  // Every key is free but those that a file's name is bound to already.
  const std::vector<std::string> names = userFileNames();
  FillList(w_->fileList, names);
  for (int k : PlayRecordTakenKeys(names)) Sensitive(w_->accButtons[k], false);
  XmTextFieldSetString(w_->textField, const_cast<char*>(""));
  XtManageChild(w_->saveForm);
  armFocusTimer(w_->textField);
}

std::string PlayRecord::saveDialogName() const {
  if (!w_->textField) return "";
  char* text = XmTextFieldGetString(w_->textField);
  std::string s = text ? text : "";
  XtFree(text);
  return s;
}

void PlayRecord::showReplaceDialog() {
  if (!w_->replaceDialog)
    w_->replaceDialog = MessageBox(w_->saveForm, "recordFileReplaceWarningDialog", true, ReplaceOkCb, HideCb, HideCb,
                                   this);
  SetMessage(w_->replaceDialog, ResourceText("RecordFileMsgReplace"));
  lastMessage_ = "recordFileReplaceWarningDialog";
  XtManageChild(w_->replaceDialog);
}

void PlayRecord::displayRecordFileMessage(const char* name) {
  lastMessage_ = name;
  Widget parent = w_->saveForm ? w_->saveForm : session_->xstuff.shell();
  if (!parent) return;
  if (!w_->recordMsgDialog) w_->recordMsgDialog = MessageBox(parent, "recordFileMsgDialog", false, HideCb, nullptr, HideCb, this);
  SetMessage(w_->recordMsgDialog, ResourceText(name));
  XtManageChild(w_->recordMsgDialog);
}

void PlayRecord::destroyRecordFileControls() {
  if (w_->recordMsgDialog && (!w_->saveForm || XtParent(XtParent(w_->recordMsgDialog)) != w_->saveForm))
    XtDestroyWidget(XtParent(w_->recordMsgDialog));
  if (w_->saveShell) XtDestroyWidget(w_->saveShell);
  w_->saveShell = w_->saveForm = w_->fileList = w_->textField = w_->acceleratorBtn = w_->accMenu = nullptr;
  for (Widget& b : w_->accButtons) b = nullptr;
  w_->saveBtn = w_->doNotSaveBtn = w_->replaceDialog = w_->recordMsgDialog = nullptr;
}

void PlayRecord::recordFileAcceleratorAssignment(int key) {
  if (!w_->textField || key < 0 || key > 24) return;
  const std::string name = PlayRecordKeyName(saveDialogName(), key);
  const std::string base = PlayRecordKeyName(saveDialogName(), 0);
  XmTextFieldSetString(w_->textField, const_cast<char*>(name.c_str()));
  XmTextFieldSetInsertionPosition(w_->textField, static_cast<XmTextPosition>(base.size()));
  XmProcessTraversal(w_->textField, XmTRAVERSE_CURRENT);
}

void PlayRecord::recordFileListSelection(const std::string& item) {
  if (!w_->textField) return;
  XmTextFieldSetString(w_->textField, const_cast<char*>(item.c_str()));
  XmTextFieldSetInsertionPosition(w_->textField, static_cast<XmTextPosition>(item.size()));
  if (w_->fileList) XmListDeselectAllItems(w_->fileList);
}

// ----------------------------------------------------------------- playback

void PlayRecord::materializePlaybackControls(bool shown) {
  Widget shell = session_->xstuff.shell();
  if (!shell) return;
  if (playbackState_ == kNoPlaybackDialog) {
    buildPlaybackDialog(shown);
    playbackState_ = kPlaybackStopped;
    lastStopReason_ = 0;
    closeAtEnd_ = false;
    hidden_ = !shown;
    shownForPause_ = false;
    selectedPosition_ = -1;
    selectedCount_ = 0;
    fillPlaybackLists();
    mapPlaybackWidgetsForState();
    if (shown) {
      XtManageChild(w_->playForm);
      armFocusTimer(w_->userList);
    }
    return;
  }
  if (shown) {
    hidden_ = false;
    showPlaybackDialog();
    XRaiseWindow(XtDisplay(w_->playShell), XtWindow(w_->playShell));
  }
}

void PlayRecord::buildPlaybackDialog(bool) {
  Widget column = nullptr;
  w_->playForm = FormDialog(session_->xstuff.shell(), "playbackControl", PlaybackCloseCb, this, &w_->playShell, &column);
  Widget menuBar = XmCreateMenuBar(column, const_cast<char*>("menuBar"), nullptr, 0);
  XtManageChild(menuBar);
  w_->playAccMenu = XmCreatePulldownMenu(menuBar, const_cast<char*>("accMenu"), nullptr, 0);
  for (int k = 0; k < 24; ++k) {
    char name[16], label[8];
    std::snprintf(name, sizeof name, "accButton%d", k);
    std::snprintf(label, sizeof label, "F%d", k + 1);
    Widget b = XmCreatePushButton(w_->playAccMenu, name, nullptr, 0);
    XmString s = XmStringCreateLocalized(label);
    XtVaSetValues(b, XmNlabelString, s, XmNuserData, Data(k + 1), nullptr);
    XmStringFree(s);
    XtAddCallback(b, XmNactivateCallback, PlayAccCb, this);
    XtManageChild(b);
    w_->playAccButtons[k] = b;
  }
  Arg cargs[1];
  XtSetArg(cargs[0], XmNsubMenuId, w_->playAccMenu);
  XtManageChild(XmCreateCascadeButton(menuBar, const_cast<char*>("accCascade"), cargs, 1));

  Widget frame = Section(column, "playbackFrame", "playbackForm");
  Widget messages = Section(frame, "playbackMessageFrame", "playbackMessageForm");
  w_->selectLabel = Label(messages, "playbackControlLabelSelectFile", false);
  w_->stoppedLabel = Label(messages, "playbackControlLabelStopped", false);
  w_->playingLabel = Label(messages, "playbackControlLabelPlaying", false);
  w_->pausedPlayLabel = Label(messages, "playbackControlLabelPaused", false);
  w_->doneLabel = Label(messages, "playbackControlLabelDone", false);
  w_->remainingLabel = Label(messages, "playbackKeysRemainingLabel", false);
  w_->remaining = Label(messages, "playbackKeysRemaining", false);

  Widget lists = Section(frame, "playbackFileListFrame", "playbackFileListForm");
  Label(lists, "playbackFileListLabel");
  Arg args[2];
  XtSetArg(args[0], XmNvisibleItemCount, 6);
  XtSetArg(args[1], XmNselectionPolicy, XmEXTENDED_SELECT);
  w_->userList = XmCreateScrolledList(lists, const_cast<char*>("playbackFileList"), args, 2);
  auto userSelect = [](Widget, XtPointer p, XtPointer call) {
    auto* cbs = static_cast<XmListCallbackStruct*>(call);
    PlayRecord* pr = Of(p);
    const int count = pr->adjustPlaybackSelection(cbs->item_position - 1, cbs->selected_item_count);
    if (cbs->reason == XmCR_DEFAULT_ACTION) {
      if (count == 1) pr->startPlayback(false, false);
      else pr->ringBell();
    }
  };
  XtAddCallback(w_->userList, XmNextendedSelectionCallback, userSelect, this);
  XtAddCallback(w_->userList, XmNdefaultActionCallback, userSelect, this);
  XtManageChild(w_->userList);
  if (!defaultPaths_.empty()) {
    Label(lists, "playbackDefaultFileListLabel");
    XtSetArg(args[1], XmNselectionPolicy, XmBROWSE_SELECT);
    w_->defaultList = XmCreateScrolledList(lists, const_cast<char*>("playbackDefaultFileList"), args, 2);
    auto defaultSelect = [](Widget, XtPointer p, XtPointer call) {
      auto* cbs = static_cast<XmListCallbackStruct*>(call);
      PlayRecord* pr = Of(p);
      pr->playbackDefaultFileListSelection(cbs->item_position - 1);
      if (cbs->reason == XmCR_DEFAULT_ACTION) pr->startPlayback(false, false);
    };
    XtAddCallback(w_->defaultList, XmNbrowseSelectionCallback, defaultSelect, this);
    XtAddCallback(w_->defaultList, XmNdefaultActionCallback, defaultSelect, this);
    XtManageChild(w_->defaultList);
  }
  Arg sargs[4];
  XtSetArg(sargs[0], XmNminimum, 1);
  XtSetArg(sargs[1], XmNmaximum, 50);
  XtSetArg(sargs[2], XmNvalue, rate_);
  XtSetArg(sargs[3], XmNorientation, XmHORIZONTAL);
  w_->scale = XmCreateScale(frame, const_cast<char*>("scaleBtn"), sargs, 4);
  XtAddCallback(w_->scale, XmNvalueChangedCallback, RateCb, this);
  XtManageChild(w_->scale);

  Widget buttons = Section(column, "playbackButtonFrame", "playbackButtonForm", true);
  w_->playStart = Button(buttons, "startBtn", PlayStartCb, this);
  w_->playPause = Button(buttons, "pauseBtn", PlayPauseCb, this);
  w_->playCancel = Button(buttons, "cancelBtn", PlayCancelCb, this);
  w_->playStop = Button(buttons, "stopBtn", PlayStopCb, this);
  w_->playDelete = Button(buttons, "deleteBtn", [](Widget, XtPointer p, XtPointer) { Of(p)->deleteConfirm(); }, this);
  w_->playEdit = Button(buttons, "editBtn", [](Widget w, XtPointer p, XtPointer) { Of(p)->editSelectedFile(w); }, this);
}

int PlayRecord::adjustPlaybackSelection(int position, int count) {
  activeList_ = 1;
  if (w_->defaultList) XmListDeselectAllItems(w_->defaultList);
  int* positions = nullptr;
  int n = 0;
  if (w_->userList && XmListGetSelectedPos(w_->userList, &positions, &n)) {
    selectedPosition_ = n > 0 ? positions[0] - 1 : -1;
    selectedCount_ = n;
    XtFree(reinterpret_cast<char*>(positions));
  } else {
    selectedPosition_ = count > 0 ? position : -1;
    selectedCount_ = count;
  }
  mapPlaybackWidgetsForState();
  return selectedCount_;
}

void PlayRecord::playbackDefaultFileListSelection(int position) {
  activeList_ = 2;
  if (w_->userList) XmListDeselectAllItems(w_->userList);
  selectedPosition_ = position;
  selectedCount_ = position >= 0 ? 1 : 0;
  mapPlaybackWidgetsForState();
}

void PlayRecord::fillPlaybackLists() {
  FillList(w_->userList, userFileNames());
  FillList(w_->defaultList, defaultFileNames());
}

void PlayRecord::selectInDialog() {
  Widget list = activeList_ == 2 ? w_->defaultList : w_->userList;
  Widget other = activeList_ == 2 ? w_->userList : w_->defaultList;
  if (other) XmListDeselectAllItems(other);
  if (list) {
    fillPlaybackLists();
    XmListDeselectAllItems(list);
    XmListSelectPos(list, selectedPosition_ + 1, False);
  }
  mapPlaybackWidgetsForState();
}

std::vector<std::string> PlayRecord::selectedUserItems() const {
  std::vector<std::string> items;
  if (!w_->userList) return items;
  XmStringTable table = nullptr;
  int n = 0;
  XtVaGetValues(w_->userList, XmNselectedItems, &table, XmNselectedItemCount, &n, nullptr);
  for (int i = 0; i < n; ++i) {
    char* text = nullptr;
    if (XmStringGetLtoR(table[i], const_cast<char*>(XmFONTLIST_DEFAULT_TAG), &text) && text) {
      items.push_back(text);
      XtFree(text);
    }
  }
  return items;
}

void PlayRecord::mapPlaybackWidgetsForState() {
  if (!w_->playForm) return;
  for (Widget l : {w_->selectLabel, w_->stoppedLabel, w_->playingLabel, w_->pausedPlayLabel, w_->doneLabel})
    Show(l, false);
  const bool active = playbackState_ == kPlaying || playbackState_ == kPlaybackPaused;
  if (playbackState_ == kPlaying) Show(w_->playingLabel, true);
  else if (playbackState_ == kPlaybackPaused) Show(w_->pausedPlayLabel, true);
  else if (lastStopReason_ == kStopEnd) Show(w_->doneLabel, true);
  else if (lastStopReason_ != 0) Show(w_->stoppedLabel, true);
  else Show(w_->selectLabel, true);
  Show(w_->remainingLabel, active);
  Show(w_->remaining, active);
  Show(w_->playStop, active);
  Show(w_->playPause, active);
  Sensitive(w_->playPause, playbackState_ == kPlaying);
  Sensitive(w_->playStart, !active && selectedCount_ == 1);
  Sensitive(w_->playCancel, !active);
  Sensitive(w_->userList, !active);
  Sensitive(w_->defaultList, !active);
  const bool userSelection = !active && activeList_ == 1 && selectedCount_ > 0;
  Sensitive(w_->playDelete, userSelection);
  Sensitive(w_->playEdit, userSelection);
}

void PlayRecord::showBytesLeft(size_t left) {
  char text[8];
  std::snprintf(text, sizeof text, "%4zu", left > 9999 ? size_t{9999} : left);
  Widget label = recordState_ == kRecording || recordState_ == kRecordPaused ? w_->keysLabel : nullptr;
  if (playing() && w_->remaining) label = w_->remaining;
  if (!label) return;
  XmString s = XmStringCreateLocalized(text);
  XtVaSetValues(label, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

void PlayRecord::showPlaybackDialog() {
  if (w_->playForm) XtManageChild(w_->playForm);
}

void PlayRecord::hidePlaybackDialog() {
  if (w_->playForm) XtUnmanageChild(w_->playForm);
}

void PlayRecord::showPauseDialog() {
  Widget parent = w_->playForm ? w_->playForm : session_->xstuff.shell();
  if (!parent) return;
  if (!w_->pauseDialog)
    w_->pauseDialog = MessageBox(parent, "playbackPauseDialog", false, PauseOkCb, PauseCancelCb, PauseCloseCb, this);
  const char* name = pauseReason_ == kPauseEvent      ? "playbackPauseDialogMsg1"
                     : pauseReason_ == kPausePassword ? "playbackPauseDialogMsg2"
                                                      : "playbackPauseDialogMsg3";
  lastMessage_ = name;
  SetMessage(w_->pauseDialog, ResourceText(name));
  XtManageChild(w_->pauseDialog);
}

void PlayRecord::wmClosePlaybackPauseDialog() {
  if (w_->pauseDialog) XtUnmanageChild(w_->pauseDialog);
  stopPlayback(kStopUser);
}

void PlayRecord::displayPlaybackMessage(const char* name) {
  lastMessage_ = name;
  const std::string text = ResourceText(name);
  LogMsg(LevelWarning, "Playback: %s\n", text.c_str());
  if (hidden_ && w_->playForm && !XtIsManaged(w_->playForm)) {
    showPlaybackDialog();
    savedMessage_ = text;
    std::weak_ptr<bool> alive = alive_;
    messageTimer_ = session_->eventSources().AddTimeOut(750, [this, alive]() {
      if (alive.expired() || !*alive.lock()) return;
      messageTimer_ = 0;
      showPlaybackMessageText(savedMessage_);
    });
    return;
  }
  bell();
  showPlaybackMessageText(text);
}

void PlayRecord::showPlaybackMessageText(const std::string& text) {
  Widget parent = w_->playForm ? w_->playForm : session_->xstuff.shell();
  if (!parent) return;
  if (!w_->playMsgDialog)
    w_->playMsgDialog = MessageBox(parent, "playbackMsgDialog", false, MsgCloseCb, nullptr, MsgCloseCb, this);
  SetMessage(w_->playMsgDialog, text);
  XtManageChild(w_->playMsgDialog);
}

void PlayRecord::wmClosePlaybackMsgDialog() {
  if (w_->playMsgDialog) XtUnmanageChild(w_->playMsgDialog);
  if (hidden_ && !playing()) destroyPlaybackControls();
}

void PlayRecord::deleteConfirm() {
  if (!w_->playForm) return;
  if (!w_->deleteDialog)
    w_->deleteDialog = MessageBox(w_->playForm, "playbackDeleteWarningDialog", true, DeleteOkCb, HideCb, HideCb, this);
  SetMessage(w_->deleteDialog, ResourceText("PlaybackMsgDelete"));
  XtManageChild(w_->deleteDialog);
}

void PlayRecord::editSelectedFile(Widget item) {
  const std::vector<std::string> items = selectedUserItems();
  if (items.empty()) return;
  StartOrRaiseHelper(session_, HelperKind::PlaybackEditor, item, items.front().c_str());
}

void PlayRecord::destroyPlaybackControls() {
  if (playing()) stopPlayback(kStopUser);
  if (messageTimer_) {
    session_->eventSources().RemoveTimeOut(messageTimer_);
    messageTimer_ = 0;
  }
  if (w_->playMsgDialog && !w_->playForm) XtDestroyWidget(XtParent(w_->playMsgDialog));
  if (w_->pauseDialog && !w_->playForm) XtDestroyWidget(XtParent(w_->pauseDialog));
  if (w_->playShell) XtDestroyWidget(w_->playShell);
  w_->playShell = w_->playForm = nullptr;
  w_->selectLabel = w_->stoppedLabel = w_->playingLabel = w_->pausedPlayLabel = w_->doneLabel = nullptr;
  w_->remainingLabel = w_->remaining = w_->playAccMenu = nullptr;
  for (Widget& b : w_->playAccButtons) b = nullptr;
  w_->userList = w_->defaultList = w_->scale = nullptr;
  w_->playStart = w_->playPause = w_->playCancel = w_->playStop = w_->playDelete = w_->playEdit = nullptr;
  w_->deleteDialog = w_->playMsgDialog = w_->pauseDialog = nullptr;
  playbackState_ = kNoPlaybackDialog;
  hidden_ = false;
  closeAtEnd_ = false;
  shownForPause_ = false;
}

void PlayRecord::wmClosePlayback() {
  if (playing()) stopPlayback(kStopUser);
  destroyPlaybackControls();
}

void PlayRecord::addToPlaybackList(const std::string& name) {
  if (!w_->userList) return;
  XmString s = XmStringCreateLocalized(const_cast<char*>(name.c_str()));
  if (!XmListItemExists(w_->userList, s)) XmListAddItemUnselected(w_->userList, s, 0);
  XmStringFree(s);
}

Widget PlayRecord::dialogShell(const char* name) const {
  if (!name) return nullptr;
  if (!std::strcmp(name, "recordControl")) return w_->recordShell;
  if (!std::strcmp(name, "recordPauseControls")) return w_->pauseShell;
  if (!std::strcmp(name, "recordFileControl")) return w_->saveShell;
  if (!std::strcmp(name, "playbackControl")) return w_->playShell;
  return nullptr;
}

void PlayRecord::armFocusTimer(Widget target) {
  if (!target) return;
  Widget shell = target;
  while (shell && !XtIsShell(shell)) shell = XtParent(shell);
  if (focusTimer_) session_->eventSources().RemoveTimeOut(focusTimer_);
  std::weak_ptr<bool> alive = alive_;
  focusTimer_ = session_->eventSources().AddTimeOut(500, [this, alive, target, shell]() {
    if (alive.expired() || !*alive.lock()) return;
    focusTimer_ = 0;
    // Only while the dialog still stands.
    for (Widget current : {w_->recordShell, w_->pauseShell, w_->saveShell, w_->playShell})
      if (current && current == shell) {
        XmProcessTraversal(target, XmTRAVERSE_CURRENT);
        return;
      }
  });
}

void PlayRecord::setColors() {
  Widget shell = session_->xstuff.shell();
  if (!shell) return;
  Pixel background = 0, foreground = 0;
  Widget source = XtNameToWidget(shell, "*menuBar");
  if (!source) return;
  XtVaGetValues(source, XmNbackground, &background, XmNforeground, &foreground, nullptr);
  for (Widget form : {w_->recordForm, w_->pauseForm, w_->saveForm, w_->playForm}) ApplyColors(form, background, foreground);
}

void PlayRecord::changeFont(XmRenderTable table) {
  for (Widget form : {w_->recordForm, w_->pauseForm, w_->saveForm, w_->playForm}) ApplyRenderTable(form, table);
}
