#pragma once
// The screen print of one session window: the print dialog (printer,
// orientation, form feed), the last printer and settings kept in the local
// print configuration file, the job built from the current screen for the
// printer's type, and its hand-off to the print program.
#include <X11/Intrinsic.h>

#include <memory>
#include <string>

#include "print/LocalPrintConfig.h"
#include "print/PrintHandoff.h"

class SessionControlBlock;
typedef struct __XmRenderTableRec** XmRenderTable;  // as Motif declares it

class LocalPrint {
 public:
  explicit LocalPrint(SessionControlBlock* session);
  ~LocalPrint();
  LocalPrint(const LocalPrint&) = delete;
  LocalPrint& operator=(const LocalPrint&) = delete;

  // The print request of the session window: shows the dialog (or raises
  // it); with the immediate-print flag the print starts at once. 0, or -1
  // when the dialog could not be built.
  int materializeLocalPrintControls();
  // 0, -2 (the printer list failed) or -3 (no printer).
  int createLocalPrintControls();
  void destroyLocalPrintControls();
  void startLocalPrint();
  void setImmediatePrint(bool on) { immediatePrint_ = on; }

  void formFeedValueChanged(char value);
  void orientationValueChanged(char value);
  // Text (1) or the shown image (2).
  void printSelectionValueChanged(char value);
  // The image in black and white (0) or colour (1).
  void printColorSupportChanged(char value);
  void selectPageSize(char value);  // 1-8
  void selectDPI(char value);       // 1-6
  // The session's dialog colours on every part of the dialogs.
  void setLocalPrintColors();
  // A new render table on every label, button and menu of the dialog.
  void changeFont(XmRenderTable* table);
  // Takes printer `index` of the list as the chosen one.
  void updateMainDialogWithSelectedPrinter(int index);
  // The printer selection dialog over the print dialog; returns when the
  // user has chosen.
  void materializePrinterSelectDialog();
  // OK in the selection: the pending printer becomes the current one (and
  // is kept in the configuration file at once when it is another).
  void printerSelectOk();
  void printerSelectCancel();

  // For the session window and tests.
  int dialogState() const { return dialogState_; }
  Widget dialog() const { return dialog_; }
  const LocalPrintSettings& settings() const { return settings_; }
  int currentPrinterIndex() const { return currentIndex_; }
  // The session showed an image (a colour one) when the dialog was built.
  bool imagePresent() const { return imagePresent_; }
  bool imageIsColour() const { return imageIsColour_; }
  const std::string& description() const { return description_; }
  // The printer as the dialog names it.
  std::string printerLabel() const;
  PrintHandoffResult lastResult() const { return lastResult_; }
  unsigned lastJobSize() const { return lastSize_; }
  long lastKey() const { return lastKey_; }
  // What the box of the last print that could not start said ("" after one
  // that started).
  const std::string& lastError() const { return lastError_; }
  // The folder of the running program, where (and in its ../print) the print
  // program is looked for before PATH.
  void setProgramFolder(const std::string& folder) { programFolder_ = folder; }
  // The "printing" notice while it shows (null otherwise).
  Widget progressNotice() const { return progress_; }

  // Printer list callbacks (client data: the LocalPrint).
  void findDefaultPrinter(const char* queue, const char* server, const char* type, bool isDefault);
  void setPrinterInfo(const char* queue, const char* server, const char* type, const char* banner,
                      const char* description);

 private:
  void setOptionSensitivity();
  void savePrinterInfo();
  void createPrintInProgressDialog();
  // A print that could not start: the error box "printNotStartedDialog"
  // on the session's shell says why.
  void reportNotPrinted(const std::string& why);
  static void progressTimeout(XtPointer self, XtIntervalId*);
  static void DialogGone(Widget, XtPointer self, XtPointer);
  static void ProgressGone(Widget, XtPointer self, XtPointer);
  void forgetDialog();
  void createImageRows(Widget form);
  std::string sharedDirectory() const;

  SessionControlBlock* session_;
  bool immediatePrint_ = false;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  int pendingIndex_ = 0;
  Widget selectDialog_ = nullptr;
  Widget printerButton_ = nullptr;
  LocalPrintSettings settings_;
  bool settingsChanged_ = false;
  int currentIndex_ = 0;
  int printerCount_ = 0;
  int lastUsedIndex_ = 0;
  int defaultIndex_ = 0;
  bool banner_ = false;
  std::string description_;
  // Printer label parts: before a print server's name, and for printers of
  // this host (X resources; empty when not set).
  std::string serverDelineator_, localDesignator_;
  int dialogState_ = 0;
  Widget dialog_ = nullptr;
  Widget printerLabel_ = nullptr;
  Widget orientationLabel_ = nullptr, orientationBox_ = nullptr, portrait_ = nullptr, landscape_ = nullptr;
  Widget formFeedLabel_ = nullptr, formFeedBox_ = nullptr, formFeedYes_ = nullptr, formFeedNo_ = nullptr;
  Widget startButton_ = nullptr, cancelButton_ = nullptr, selectLabel_ = nullptr, printingLabel_ = nullptr;
  // The image rows, made only while the session shows an image.
  bool imagePresent_ = false, imageIsColour_ = false;
  Widget selectionLabel_ = nullptr, selectionBox_ = nullptr, textButton_ = nullptr, imageButton_ = nullptr;
  Widget colourLabel_ = nullptr, colourBox_ = nullptr, colourFalse_ = nullptr, colourTrue_ = nullptr;
  Widget pageSizeLabel_ = nullptr, pageSizeMenu_ = nullptr, pageSizeButtons_[8] = {};
  Widget dpiLabel_ = nullptr, dpiMenu_ = nullptr, dpiButtons_[6] = {};
  Widget progress_ = nullptr;
  XtIntervalId progressTimer_ = 0;
  PrintHandoffResult lastResult_ = PrintHandoffResult::NothingToPrint;
  unsigned lastSize_ = 0;
  long lastKey_ = 0;
  std::string lastError_;
  std::string programFolder_;
};
