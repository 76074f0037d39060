#include "xfront/LocalPrint.h"

#include <Xm/DialogS.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/BulletinB.h>
#include <Xm/Label.h>
#include <Xm/LabelG.h>
#include <Xm/Protocols.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Separator.h>
#include <Xm/ToggleB.h>
#include <Xm/Xm.h>

#include <Xm/MessageB.h>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "platform/PrinterList.h"
#include "platform/PrinterSelector.h"
#include "print/PrintProgramPath.h"
#include "print/ScreenPrint.h"
#include "session/AppInit.h"
#include "session/ErrorDialogs.h"
#include "session/Language.h"
#include "session/SessionControlBlock.h"
#include "xfront/DialogLook.h"
#include "xfront/SessionImages.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"
#include "xfront/XuStartTask.h"

namespace {

// Printer types: 1 PostScript, 2 ASCII, 3 PCL, with their choices.
struct TypeCapabilities {
  const char* name;
  bool formFeed, orientation, image, resolution;
};
const TypeCapabilities kTypes[4] = {{"", false, false, false, false},
                                    {"PostScript", false, true, true, false},
                                    {"ASCII", true, false, false, false},
                                    {"PCL", true, true, true, true}};

unsigned char TypeOf(const char* type) {
  if (!type) return 0;
  if (std::strcmp(type, "ps") == 0) return 1;
  if (std::strcmp(type, "pcl") == 0) return 3;
  if (std::strcmp(type, "asc") == 0) return 2;
  return 0;
}

// Splits a record of NUL-terminated fields.
std::vector<const char*> Fields(const char* record, int count) {
  std::vector<const char*> f;
  for (int i = 0; i < count; ++i) {
    f.push_back(record);
    record += std::strlen(record) + 1;
  }
  return f;
}

int FindDefaultCallback(char* record, void* clientData) {
  const std::vector<const char*> f = Fields(record, 4);
  if (DebugFlag())
    LogMsg(LevelDebug, "getPrinterListCBForFindingDefaultPrinter: queue = %s, server = %s, default = %s.\n", f[0], f[1],
           f[3]);
  static_cast<LocalPrint*>(clientData)->findDefaultPrinter(f[0], f[1], f[2], std::strcmp(f[3], "Y") == 0);
  return 0;
}

int SelectedPrinterCallback(char* record, void* clientData) {
  const std::vector<const char*> f = Fields(record, 5);
  if (DebugFlag()) {
    LogMsg(LevelDebug, "getPrinterListCBForSelectedPrinterInfo: queue = %s, server = %s.\n", f[0], f[1]);
    LogMsg(LevelDebug, "getPrinterListCBForSelectedPrinterInfo: type = %s, banner = %s.\n", f[2], f[3]);
    LogMsg(LevelDebug, "getPrinterListCBForSelectedPrinterInfo: description = %s.\n", f[4]);
  }
  static_cast<LocalPrint*>(clientData)->setPrinterInfo(f[0], f[1], f[2], f[3], f[4]);
  return 0;
}

void StartCallback(Widget, XtPointer self, XtPointer) { static_cast<LocalPrint*>(self)->startLocalPrint(); }
void SelectPrinterCallback(Widget, XtPointer self, XtPointer) {
  static_cast<LocalPrint*>(self)->materializePrinterSelectDialog();
}

// What the selection's callback needs: the print object, while it lives.
struct SelectionData {
  std::weak_ptr<bool> alive;
  LocalPrint* print;
  int* pending;
};

void PrinterSelectOKorCancelCB(int index, void* data) {
  auto* d = static_cast<SelectionData*>(data);
  if (d->alive.expired()) return;
  if (DebugFlag()) LogMsg(LevelDebug, "LocalPrint::PrinterSelectOKorCancelCB start.\n");
  if (index > 0) {
    *d->pending = index;
    d->print->printerSelectOk();
  } else {
    d->print->printerSelectCancel();
  }
  if (DebugFlag()) LogMsg(LevelDebug, "LocalPrint::PrinterSelectOKorCancelCB end.\n");
}
void CancelCallback(Widget, XtPointer self, XtPointer) { static_cast<LocalPrint*>(self)->destroyLocalPrintControls(); }
void CloseCallback(Widget, XtPointer self, XtPointer) {
  auto* p = static_cast<LocalPrint*>(self);
  if (p->dialogState() == 1 || p->dialogState() == 2) p->destroyLocalPrintControls();
}

// Which setting a toggle or menu button sets.
enum class Choice { Orientation, FormFeed, Selection, Colour, PageSize, Resolution };

struct ToggleData {
  LocalPrint* print;
  Choice choice;
  char value;
};

void Choose(const ToggleData& d) {
  switch (d.choice) {
    case Choice::Orientation: d.print->orientationValueChanged(d.value); break;
    case Choice::FormFeed: d.print->formFeedValueChanged(d.value); break;
    case Choice::Selection: d.print->printSelectionValueChanged(d.value); break;
    case Choice::Colour: d.print->printColorSupportChanged(d.value); break;
    case Choice::PageSize: d.print->selectPageSize(d.value); break;
    case Choice::Resolution: d.print->selectDPI(d.value); break;
  }
}

void ToggleCallback(Widget, XtPointer data, XtPointer call) {
  auto* cbs = static_cast<XmToggleButtonCallbackStruct*>(call);
  if (!cbs || !cbs->set) return;  // only the button being set acts
  Choose(*static_cast<ToggleData*>(data));
}

void MenuEntryCallback(Widget, XtPointer data, XtPointer) { Choose(*static_cast<ToggleData*>(data)); }

void FreeToggleData(Widget, XtPointer data, XtPointer) { delete static_cast<ToggleData*>(data); }

Widget Child(const char* kind, const char* name, Widget parent) {
  Widget w = nullptr;
  if (std::strcmp(kind, "label") == 0) w = XmCreateLabel(parent, const_cast<char*>(name), nullptr, 0);
  else w = XmCreatePushButton(parent, const_cast<char*>(name), nullptr, 0);
  XtManageChild(w);
  return w;
}

Widget Toggle(Widget box, const char* name, LocalPrint* print, Choice choice, char value) {
  Widget t = XmCreateToggleButton(box, const_cast<char*>(name), nullptr, 0);
  auto* data = new ToggleData{print, choice, value};
  XtAddCallback(t, XmNvalueChangedCallback, ToggleCallback, data);
  XtAddCallback(t, XmNdestroyCallback, FreeToggleData, data);
  XtManageChild(t);
  return t;
}

// An option menu "<menu>" whose pull-down "<pulldown>" holds the buttons
// "<prefix>1" to "<prefix><count>".
Widget OptionMenu(Widget parent, const char* menu, const char* pulldown, const char* prefix, int count,
                  LocalPrint* print, Choice choice, Widget* buttons) {
  Widget pane = XmCreatePulldownMenu(parent, const_cast<char*>(pulldown), nullptr, 0);
  for (int i = 0; i < count; ++i) {
    const std::string name = prefix + std::to_string(i + 1);
    buttons[i] = XmCreatePushButton(pane, const_cast<char*>(name.c_str()), nullptr, 0);
    auto* data = new ToggleData{print, choice, static_cast<char>(i + 1)};
    XtAddCallback(buttons[i], XmNactivateCallback, MenuEntryCallback, data);
    XtAddCallback(buttons[i], XmNdestroyCallback, FreeToggleData, data);
    XtManageChild(buttons[i]);
  }
  Arg args[1];
  XtSetArg(args[0], XmNsubMenuId, pane);
  Widget m = XmCreateOptionMenu(parent, const_cast<char*>(menu), args, 1);
  // The row's own label names the menu.
  if (Widget label = XmOptionLabelGadget(m)) XtUnmanageChild(label);
  XtManageChild(m);
  return m;
}

// Attaches a child of a form to the form's left and right sides, and to its
// top and bottom as asked.
void AttachToForm(Widget w, bool top, bool bottom) {
  XtVaSetValues(w, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, nullptr);
  if (top) XtVaSetValues(w, XmNtopAttachment, XmATTACH_FORM, nullptr);
  if (bottom) XtVaSetValues(w, XmNbottomAttachment, XmATTACH_FORM, nullptr);
}

void SetSensitive(std::initializer_list<Widget> widgets, bool on) {
  for (Widget w : widgets)
    if (w) XtSetSensitive(w, on ? True : False);
}

void SetToggle(Widget w, bool on) {
  if (w) XmToggleButtonSetState(w, on ? True : False, False);
}

// The option menu shows entry `value` (1-based) of `buttons`.
void ShowEntry(Widget menu, Widget* buttons, int count, int value) {
  if (!menu) return;
  if (value < 1 || value > count) value = 1;
  XtVaSetValues(menu, XmNmenuHistory, buttons[value - 1], nullptr);
}

}  // namespace

LocalPrint::LocalPrint(SessionControlBlock* session) : session_(session), programFolder_(RunningProgramFolder()) {
  struct Texts {
    String delineator, designator;
  } texts = {nullptr, nullptr};
  XtResource list[] = {
      {const_cast<String>("localPrintPrinterSelectServerDelineator"),
       const_cast<String>("LocalPrintPrinterSelectServerDelineator"), const_cast<String>(XtRString), sizeof(String),
       static_cast<Cardinal>(offsetof(Texts, delineator)), const_cast<String>(XtRString), nullptr},
      {const_cast<String>("localPrintPrinterSelectLocalDesignator"),
       const_cast<String>("LocalPrintPrinterSelectLocalDesignator"), const_cast<String>(XtRString), sizeof(String),
       static_cast<Cardinal>(offsetof(Texts, designator)), const_cast<String>(XtRString), nullptr},
  };
  if (Widget top = TopLevelWidget()) XtGetApplicationResources(top, &texts, list, XtNumber(list), nullptr, 0);
  if (texts.delineator) serverDelineator_ = texts.delineator;
  if (texts.designator) localDesignator_ = texts.designator;
}

LocalPrint::~LocalPrint() {
  alive_.reset();
  if (progressTimer_) XtRemoveTimeOut(progressTimer_);
  if (progress_) {
    XtRemoveCallback(XtParent(progress_), XmNdestroyCallback, ProgressGone, this);
    XtDestroyWidget(XtParent(progress_));
  }
  if (dialog_) {
    XtRemoveCallback(XtParent(dialog_), XmNdestroyCallback, DialogGone, this);
    XtDestroyWidget(XtParent(dialog_));
  }
}

// The session's shell takes the dialogs with it when the window ends.
void LocalPrint::DialogGone(Widget, XtPointer self, XtPointer) { static_cast<LocalPrint*>(self)->forgetDialog(); }
void LocalPrint::ProgressGone(Widget, XtPointer self, XtPointer) {
  auto* p = static_cast<LocalPrint*>(self);
  p->progress_ = nullptr;
  if (p->progressTimer_) XtRemoveTimeOut(p->progressTimer_);
  p->progressTimer_ = 0;
}

void LocalPrint::forgetDialog() {
  dialog_ = nullptr;
  printerLabel_ = orientationLabel_ = orientationBox_ = portrait_ = landscape_ = nullptr;
  formFeedLabel_ = formFeedBox_ = formFeedYes_ = formFeedNo_ = nullptr;
  selectionLabel_ = selectionBox_ = textButton_ = imageButton_ = nullptr;
  colourLabel_ = colourBox_ = colourFalse_ = colourTrue_ = nullptr;
  pageSizeLabel_ = pageSizeMenu_ = dpiLabel_ = dpiMenu_ = nullptr;
  for (Widget& w : pageSizeButtons_) w = nullptr;
  for (Widget& w : dpiButtons_) w = nullptr;
  startButton_ = cancelButton_ = selectLabel_ = printingLabel_ = printerButton_ = nullptr;
  selectDialog_ = nullptr;  // a child of the dialog's shell
  dialogState_ = 0;
}

std::string LocalPrint::sharedDirectory() const {
  const char* shared = std::getenv("KDVSHARED");
  if (!shared || !*shared) shared = std::getenv("HOME");
  return shared ? shared : "";
}

int LocalPrint::materializeLocalPrintControls() {
  if (dialog_) {
    if (Widget shell = session_->xstuff.shell()) XRaiseWindow(XtDisplay(shell), XtWindow(shell));
    XmProcessTraversal(startButton_, XmTRAVERSE_CURRENT);
    return 0;
  }
  if (createLocalPrintControls() != 0) return -1;
  dialogState_ = 1;
  setLocalPrintColors();
  // The session's menu font.
  if (XStuff::Private* priv = session_->xstuff.privatePart())
    if (priv->fonts && priv->fonts->menuList) changeFont(&priv->fonts->menuList);
  if (immediatePrint_) {
    startLocalPrint();
    return 0;
  }
  XtManageChild(dialog_);
  XmProcessTraversal(startButton_, XmTRAVERSE_CURRENT);
  return 0;
}

int LocalPrint::createLocalPrintControls() {
  settings_ = LocalPrintSettings{};
  settingsChanged_ = false;
  ReadLocalPrintConfig(sharedDirectory(), settings_);

  printerCount_ = lastUsedIndex_ = defaultIndex_ = 0;
  // A printing system that cannot be reached is no empty printer list.
  int rc = PrUpdatePrinterList();
  for (int i = 1; rc >= 0 && i <= PrGetListNumber(); ++i) rc = getPrinterList(FindDefaultCallback, i, "qsti", this);
  if (rc < 0) {
    LogMsg(LevelError, "%s: getPrinterList failed! rc = %d.\n", "QWC0095", rc);
    reportNotPrinted("the list of printers could not be read (is the printing system running?).");
    return -2;
  }
  if (printerCount_ == 0) {
    TheErrorDialogs().createErrorDialog("ErrorMsgNoPrinters", nullptr, nullptr, session_->xstuff.shell(),
                                        DialogCloseOnly);
    return -3;
  }
  if (!lastUsedIndex_) {
    lastUsedIndex_ = defaultIndex_ ? defaultIndex_ : 1;
    settingsChanged_ = true;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "the default printer index has been determined to be %d.\n", lastUsedIndex_);

  Widget shell = session_->xstuff.shell();
  Arg args[2];
  XtSetArg(args[0], XmNautoUnmanage, False);
  dialog_ = XmCreateFormDialog(shell, const_cast<char*>("localPrintControls"), args, 1);
  const Atom deleteWindow = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(XtParent(dialog_), deleteWindow, CloseCallback, this);
  XtAddCallback(XtParent(dialog_), XmNdestroyCallback, DialogGone, this);

  // The options above the buttons, each part in its own frame.
  Widget frame = XmCreateFrame(dialog_, const_cast<char*>("localPrintFrame"), nullptr, 0);
  AttachToForm(frame, true, true);
  Widget outer = XmCreateForm(frame, const_cast<char*>("localPrintForm"), nullptr, 0);
  Widget optionsFrame = XmCreateFrame(outer, const_cast<char*>("localPrintOptionsFrame"), nullptr, 0);
  AttachToForm(optionsFrame, true, false);
  XtSetArg(args[0], XmNorientation, XmVERTICAL);
  Widget form = XmCreateRowColumn(optionsFrame, const_cast<char*>("localPrintOptionsForm"), args, 1);
  printerButton_ = Child("button", "localPrintPrinterSelectButton", form);
  XtAddCallback(printerButton_, XmNactivateCallback, SelectPrinterCallback, this);
  printerLabel_ = Child("label", "localPrintPrinterValue", form);
  orientationLabel_ = Child("label", "localPrintOrientationLabel", form);
  orientationBox_ = XmCreateRadioBox(form, const_cast<char*>("localPrintOrientationRadioBox"), nullptr, 0);
  portrait_ = Toggle(orientationBox_, "localPrintOrientationPortraitButton", this, Choice::Orientation, 1);
  landscape_ = Toggle(orientationBox_, "localPrintOrientationLandscapeButton", this, Choice::Orientation, 2);
  XtManageChild(orientationBox_);
  formFeedLabel_ = Child("label", "localPrintFormFeedLabel", form);
  formFeedBox_ = XmCreateRadioBox(form, const_cast<char*>("localPrintFormFeedRadioBox"), nullptr, 0);
  formFeedYes_ = Toggle(formFeedBox_, "localPrintFormFeedYesButton", this, Choice::FormFeed, 1);
  formFeedNo_ = Toggle(formFeedBox_, "localPrintFormFeedNoButton", this, Choice::FormFeed, 2);
  XtManageChild(formFeedBox_);
  SessionImages* images = ImagesOfSession(session_);
  imagePresent_ = images && images->window();
  imageIsColour_ = imagePresent_ && images->imageIsColour();
  if (imagePresent_) createImageRows(form);
  XtManageChild(form);
  XtManageChild(optionsFrame);

  // What to do (or that the print runs), a separator, then Print and Cancel.
  Widget buttonFrame = XmCreateFrame(outer, const_cast<char*>("localPrintButtonFrame"), nullptr, 0);
  AttachToForm(buttonFrame, false, true);
  XtVaSetValues(buttonFrame, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, optionsFrame, nullptr);
  Widget buttons = XmCreateForm(buttonFrame, const_cast<char*>("localPrintButtonForm"), nullptr, 0);
  selectLabel_ = Child("label", "selectOptions", buttons);
  printingLabel_ = XmCreateLabel(buttons, const_cast<char*>("printing"), nullptr, 0);
  for (Widget label : {selectLabel_, printingLabel_})
    XtVaSetValues(label, XmNtopAttachment, XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM, nullptr);
  Widget separator = XmCreateSeparator(buttons, const_cast<char*>("localPrintSeparator"), nullptr, 0);
  XtVaSetValues(separator, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, selectLabel_, XmNleftAttachment,
                XmATTACH_FORM, XmNrightAttachment, XmATTACH_FORM, nullptr);
  XtManageChild(separator);
  startButton_ = Child("button", "startBtn", buttons);
  cancelButton_ = Child("button", "cancelBtn", buttons);
  XtVaSetValues(startButton_, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, separator, XmNleftAttachment,
                XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);
  XtVaSetValues(cancelButton_, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, separator, XmNleftAttachment,
                XmATTACH_WIDGET, XmNleftWidget, startButton_, XmNbottomAttachment, XmATTACH_FORM, nullptr);
  XtManageChild(buttons);
  XtManageChild(buttonFrame);
  XtAddCallback(startButton_, XmNactivateCallback, StartCallback, this);
  XtAddCallback(cancelButton_, XmNactivateCallback, CancelCallback, this);
  XtTranslations activate = XtParseTranslationTable("<Key>Return: ArmAndActivate()");
  XtOverrideTranslations(startButton_, activate);
  XtOverrideTranslations(cancelButton_, activate);
  XtOverrideTranslations(printerButton_, activate);
  XtManageChild(outer);
  XtManageChild(frame);

  updateMainDialogWithSelectedPrinter(lastUsedIndex_);
  return 0;
}

void LocalPrint::createImageRows(Widget form) {
  selectionLabel_ = Child("label", "localPrintPrintSelectionLabel", form);
  selectionBox_ = XmCreateRadioBox(form, const_cast<char*>("localPrintPrintSelectionRadioBox"), nullptr, 0);
  textButton_ = Toggle(selectionBox_, "localPrintPrintSelectionTextButton", this, Choice::Selection, 1);
  imageButton_ = Toggle(selectionBox_, "localPrintPrintSelectionImageButton", this, Choice::Selection, 2);
  XtManageChild(selectionBox_);
  colourLabel_ = Child("label", "localPrintImageColorSupportLabel", form);
  colourBox_ = XmCreateRadioBox(form, const_cast<char*>("localPrintImageColorSupportRadioBox"), nullptr, 0);
  colourFalse_ = Toggle(colourBox_, "localPrintImageColorSupportFalseButton", this, Choice::Colour, 0);
  colourTrue_ = Toggle(colourBox_, "localPrintImageColorSupportTrueButton", this, Choice::Colour, 1);
  XtManageChild(colourBox_);
  pageSizeLabel_ = Child("label", "localPrintPageSizeMenuLabel", form);
  pageSizeMenu_ = OptionMenu(form, "localPrintPageSizeMenu", "pageSizePulldownMenu", "pageSize", 8, this,
                             Choice::PageSize, pageSizeButtons_);
  dpiLabel_ = Child("label", "localPrintDPIMenuLabel", form);
  dpiMenu_ =
      OptionMenu(form, "localPrintDPIMenu", "DPIPulldownMenu", "DPI", 6, this, Choice::Resolution, dpiButtons_);
  ShowEntry(pageSizeMenu_, pageSizeButtons_, 8, settings_.pageSize);
  ShowEntry(dpiMenu_, dpiButtons_, 6, settings_.resolution);
}

void LocalPrint::findDefaultPrinter(const char* queue, const char* server, const char* type, bool isDefault) {
  const unsigned char t = TypeOf(type);
  ++printerCount_;
  if (!lastUsedIndex_ && settings_.queue == queue && settings_.server == server && settings_.printerType == t)
    lastUsedIndex_ = printerCount_;
  if (isDefault) defaultIndex_ = printerCount_;
}

void LocalPrint::updateMainDialogWithSelectedPrinter(int index) {
  currentIndex_ = index;
  if (getPrinterList(SelectedPrinterCallback, index, "qstbd", this) < 0)
    LogMsg(LevelError, "%s: getPrinterList failed!\n", "QWC0096");
}

void LocalPrint::setPrinterInfo(const char* queue, const char* server, const char* type, const char* banner,
                                const char* description) {
  description_ = description ? description : "";
  settings_.queue = std::string(queue ? queue : "").substr(0, 99);
  settings_.server = std::string(server ? server : "").substr(0, 99);
  if (printerLabel_) {
    XmString s = XmStringCreateLocalized(const_cast<char*>(printerLabel().c_str()));
    XtVaSetValues(printerLabel_, XmNlabelString, s, nullptr);
    XmStringFree(s);
  }
  unsigned char t = TypeOf(type);
  if (!t) {
    LogMsg(LevelError, "%s: LocalPrint unsupported printer type = %s.\n", "QWC0097", type ? type : "");
    t = 2;
  }
  settings_.printerType = t;
  banner_ = banner && std::strcmp(banner, "Y") == 0;
  setOptionSensitivity();
}

std::string LocalPrint::printerLabel() const {
  std::string text = settings_.queue + " ";
  if (settings_.server != "localhost") text += serverDelineator_ + " " + settings_.server;
  else text += localDesignator_;
  return text.substr(0, 1023);
}

void LocalPrint::materializePrinterSelectDialog() {
  if (!dialog_ || selectDialog_) return;
  Arg args[1];
  XtSetArg(args[0], XmNautoUnmanage, False);
  selectDialog_ = XmCreateFormDialog(XtParent(dialog_), const_cast<char*>("localPrintPrinterSelectControls"), args, 1);
  Widget shell = XtParent(selectDialog_);
  Widget frame = XmCreateFrame(selectDialog_, const_cast<char*>("printerSelectFrame"), nullptr, 0);
  AttachToForm(frame, true, true);
  Widget board = XmCreateBulletinBoard(frame, const_cast<char*>("printerSelectBulletinBoard"), nullptr, 0);
  XtManageChild(board);
  XtManageChild(frame);
  // The selection shows the dialog once the list is in it, at its size.
  if (DebugFlag()) LogMsg(LevelDebug, "before printerSelectorGUI call. printer index = %d\n", currentIndex_);
  SelectionData data{alive_, this, &pendingIndex_};
  const std::weak_ptr<bool> alive = alive_;
  const int rc = printerSelectorGUI(XtWidgetToApplicationContext(shell), board, currentIndex_,
                                    PrinterSelectOKorCancelCB, &data);
  if (DebugFlag()) LogMsg(LevelDebug, "after printerSelectorGUI call. rc = %d\n", rc);
  if (rc < 0) LogMsg(LevelError, "%s: printerSelectorAPI failed! rc = %d.\n", "QWC0094", rc);
  if (alive.expired()) return;
  // The selection dialog goes whatever the user chose.
  if (selectDialog_) XtDestroyWidget(XtParent(selectDialog_));
  selectDialog_ = nullptr;
}

void LocalPrint::printerSelectOk() {
  const int previous = currentIndex_;
  updateMainDialogWithSelectedPrinter(pendingIndex_);
  settingsChanged_ = true;
  if (selectDialog_) XtUnmanageChild(selectDialog_);
  if (pendingIndex_ != previous) savePrinterInfo();
}

void LocalPrint::printerSelectCancel() {
  if (selectDialog_) XtUnmanageChild(selectDialog_);
}

void LocalPrint::setOptionSensitivity() {
  const TypeCapabilities& c = kTypes[settings_.printerType <= 3 ? settings_.printerType : 2];
  SetSensitive({orientationLabel_, orientationBox_, portrait_, landscape_}, c.orientation);
  SetSensitive({formFeedLabel_, formFeedBox_, formFeedYes_, formFeedNo_}, c.formFeed);
  if (portrait_) {
    XmToggleButtonSetState(portrait_, c.orientation && settings_.orientation == 1, False);
    XmToggleButtonSetState(landscape_, c.orientation && settings_.orientation == 2, False);
    XmToggleButtonSetState(formFeedYes_, c.formFeed && settings_.formFeed == 1, False);
    XmToggleButtonSetState(formFeedNo_, c.formFeed && settings_.formFeed == 2, False);
  }
  if (!imagePresent_ || !textButton_) return;
  const bool image = c.image && settings_.printSelection == 2;
  SetSensitive({imageButton_}, c.image);
  SetToggle(textButton_, !image);
  SetToggle(imageButton_, image);
  SetSensitive({pageSizeLabel_, pageSizeMenu_}, image);
  ShowEntry(pageSizeMenu_, pageSizeButtons_, 8, image ? settings_.pageSize : 1);
  const bool colourRow = image && imageIsColour_;
  SetSensitive({colourLabel_, colourBox_, colourFalse_}, colourRow);
  SetSensitive({colourTrue_}, colourRow);
  SetToggle(colourFalse_, colourRow && settings_.colour == 0);
  SetToggle(colourTrue_, colourRow && settings_.colour == 1);
  for (Widget w : {colourLabel_, colourBox_}) {
    if (colourRow) XtManageChild(w);
    else XtUnmanageChild(w);
  }
  const bool resolution = image && c.resolution;
  SetSensitive({dpiLabel_, dpiMenu_}, resolution);
  ShowEntry(dpiMenu_, dpiButtons_, 6, resolution ? settings_.resolution : 1);
}

void LocalPrint::printSelectionValueChanged(char value) {
  if (settings_.printSelection != value) settingsChanged_ = true;
  settings_.printSelection = static_cast<unsigned char>(value);
  setOptionSensitivity();
}

void LocalPrint::printColorSupportChanged(char value) {
  if (settings_.colour != value) settingsChanged_ = true;
  settings_.colour = static_cast<unsigned char>(value);
  setOptionSensitivity();
}

void LocalPrint::selectPageSize(char value) {
  settingsChanged_ = true;
  settings_.pageSize = static_cast<unsigned char>(value);
}

void LocalPrint::selectDPI(char value) {
  settingsChanged_ = true;
  settings_.resolution = static_cast<unsigned char>(value);
}

void LocalPrint::changeFont(XmRenderTable* table) {
  if (!dialog_ || !table || !*table) return;
  const bool managed = XtIsManaged(dialog_);
  const bool selectManaged = selectDialog_ && XtIsManaged(selectDialog_);
  if (managed) XtUnmanageChild(dialog_);
  if (selectManaged) XtUnmanageChild(selectDialog_);
  SetRenderTableTree(dialog_, *table);
  if (selectDialog_) SetRenderTableTree(selectDialog_, *table);
  if (managed) XtManageChild(dialog_);
  if (selectManaged) XtManageChild(selectDialog_);
}

void LocalPrint::setLocalPrintColors() {
  XStuff::Private* priv = session_->xstuff.privatePart();
  if (!priv || !priv->menuBar) return;
  Pixel background = 0, foreground = 0;
  XtVaGetValues(priv->menuBar, XmNbackground, &background, XmNforeground, &foreground, nullptr);
  if (dialog_) RecolorTree(dialog_, background, foreground);
  if (selectDialog_) RecolorTree(selectDialog_, background, foreground);
}

void LocalPrint::formFeedValueChanged(char value) {
  if (settings_.formFeed != value) settingsChanged_ = true;
  settings_.formFeed = static_cast<unsigned char>(value);
}

void LocalPrint::orientationValueChanged(char value) {
  if (settings_.orientation != value) settingsChanged_ = true;
  settings_.orientation = static_cast<unsigned char>(value);
}

void LocalPrint::savePrinterInfo() {
  if (WriteLocalPrintConfig(sharedDirectory(), settings_)) settingsChanged_ = false;
}

void LocalPrint::destroyLocalPrintControls() {
  if (dialog_) {
    XtUnmanageChild(dialog_);
    XtRemoveCallback(XtParent(dialog_), XmNdestroyCallback, DialogGone, this);
    XtDestroyWidget(XtParent(dialog_));
  }
  forgetDialog();
}

void LocalPrint::startLocalPrint() {
  if (settingsChanged_) savePrinterInfo();
  dialogState_ = 2;
  if (selectLabel_) XtUnmanageChild(selectLabel_);
  if (printingLabel_) XtManageChild(printingLabel_);
  SetSensitive({startButton_, portrait_, landscape_, formFeedYes_, formFeedNo_}, false);

  XStuff& x = session_->xstuff;
  PrintScreen screen;
  screen.rows = x.rows();
  screen.columns = x.columns();
  screen.ebcdic = session_->presentationSpaceBuffer;
  screen.local = x.characterMirror();
  screen.attributes = x.attributeMirror();
  screen.enptuiSymbols = x.enptuiSymbolsDisplay();
  if (session_->display) {
    const KeyboardState::CopyAreaInfo mark = session_->display->keyboardState().getCopyAreaInfo();
    screen.marked = mark.marked != 0;
    screen.block = mark.block != 0;
    screen.from = mark.from;
    screen.fromRow = mark.fromRow;
    screen.fromColumn = mark.fromColumn;
    screen.to = mark.to;
    screen.toRow = mark.toRow;
    screen.toColumn = mark.toColumn;
  }
  ScreenPrintOptions options;
  options.orientation = settings_.orientation;
  options.formFeed = settings_.formFeed;
  options.pdtOption = session_->pdtInUse;
  options.codeSet = session_->codePages.sessionAsciiCodeSet();
  options.euro = session_->euroState == 1 ? 1 : 0;
  options.description = description_;
  ScreenPrintBuilder builder(screen, options);
  PrintData data;
  SessionImages* images = ImagesOfSession(session_);
  const TypeCapabilities& c = kTypes[settings_.printerType <= 3 ? settings_.printerType : 2];
  if (c.image && settings_.printSelection == 2 && images && images->window() && imagePresent_) {
    const unsigned char o = settings_.orientation, page = settings_.pageSize, dpi = settings_.resolution;
    const unsigned char colour = imageIsColour_ ? settings_.colour : 0;
    data = settings_.printerType == 1 ? images->buildPostscriptImageData(o, page, dpi, colour)
                                      : images->buildPCLImageData(o, page, dpi, colour);
  } else {
    switch (settings_.printerType) {
      case 1: data = builder.buildPostscriptData(); break;
      case 3: data = builder.buildPCLData(); break;
      default: data = builder.buildAsciiData(); break;
    }
  }
  lastSize_ = data.size;
  lastResult_ = PrintHandoffResult::NothingToPrint;
  lastError_.clear();
  if (data) {
    PrintHandoffRequest request;
    request.printerIndex = currentIndex_;
    // The session's language, whatever the environment says.
    const LanguageRow* language = session_->languageRow;
    request.locale = language && language->locale && *language->locale ? language->locale : "C";
    request.banner = banner_;
    std::vector<std::string> searched;
    const std::string program = FindPrintProgram(programFolder_, &searched);
    if (program.empty()) {
      lastResult_ = PrintHandoffResult::NotStarted;
      std::string where;
      for (size_t i = 0; i < searched.size(); ++i)
        where += (i == 0 ? "" : i + 1 == searched.size() ? " or " : ", ") + searched[i];
      LogMsg(LevelError, "The print program %s was not found in %s; the screen was not printed.\n", kPrintProgram,
             where.c_str());
      reportNotPrinted(std::string("the print program \"") + kPrintProgram + "\" was not found (looked for in " +
                       where + ").");
    } else {
      int startError = 0;
      lastResult_ = HandPrintJobToProgram(
          data.data(), data.size, request,
          [&](std::vector<std::string> argv) {
            argv[0] = program;
            const pid_t pid = XuStartTask(argv);
            startError = pid < 0 ? errno : 0;
            return pid;
          },
          &lastKey_);
      if (lastResult_ == PrintHandoffResult::NotStarted)
        reportNotPrinted("the print program \"" + program + "\" could not be started: " +
                         std::strerror(startError ? startError : ENOEXEC) + ".");
      else if (lastResult_ == PrintHandoffResult::NoSegment)
        reportNotPrinted("no shared memory could be had to hand the print job to the print program.");
    }
  }
  destroyLocalPrintControls();
  // A print that could not start has its error box instead.
  if (!progress_ && lastError_.empty()) createPrintInProgressDialog();
}

void LocalPrint::reportNotPrinted(const std::string& why) {
  lastError_ = "The screen was not printed: " + why;
  ShowNoticeDialog(session_->xstuff.shell(), "printNotStartedDialog", lastError_);
}

void LocalPrint::createPrintInProgressDialog() {
  Widget shell = session_->xstuff.shell();
  if (!shell) return;
  progress_ = XmCreateFormDialog(shell, const_cast<char*>("localPrintControls"), nullptr, 0);
  Widget label = XmCreateLabel(progress_, const_cast<char*>("printing"), nullptr, 0);
  XtManageChild(label);
  XtManageChild(progress_);
  XtAddCallback(XtParent(progress_), XmNdestroyCallback, ProgressGone, this);
  progressTimer_ = XtAppAddTimeOut(XtWidgetToApplicationContext(shell), 1500, progressTimeout, this);
}

void LocalPrint::progressTimeout(XtPointer self, XtIntervalId*) {
  auto* p = static_cast<LocalPrint*>(self);
  p->progressTimer_ = 0;
  if (p->progress_) XtDestroyWidget(XtParent(p->progress_));
}
