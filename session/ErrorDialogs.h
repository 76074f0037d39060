#pragma once
// The process-wide table of pop-up dialogs: error and warning messages whose
// texts are X resources named by a message name, and the start-session
// dialog that asks for a host name. When the last dialog closes and no
// session is left, the process ends.
#include <X11/Intrinsic.h>

#include <memory>
#include <string>

#include "session/DialogTypes.h"

struct SessionStartOptions;

// What Cancel (and the window's close) does, and OK of a message dialog.
enum DialogOptions : int {
  DialogCloseOnly = 0,    // close the dialog
  DialogEndsSession = 1,  // close it and end the owning session
  DialogRetry = 2,        // the session's retry dialog
};

enum DialogKind : unsigned char { DialogKindNone = 0, DialogKindMessage = 1, DialogKindStartSession = 2 };

class ErrorDialogs {
public:
  static constexpr int kSlots = 99;

  ErrorDialogs();
  ~ErrorDialogs();  // destroys the widget of every slot in use
  ErrorDialogs(const ErrorDialogs&) = delete;
  ErrorDialogs& operator=(const ErrorDialogs&) = delete;

  // An error message dialog "errorMsgDialog"; the slot, or -1.
  int createErrorDialog(const char* msgName, ColorOptions* colors, XmRenderTable* renderTable,
                        Widget parent, DialogOptions options);
  // A warning dialog "warningMsgDialog" (options 0); the slot, or -1.
  int createWarningDialog(Widget parent, const char* msgName, ColorOptions* colors,
                          XmRenderTable* renderTable);
  // The start-session dialog "hostNameDialog" with a copy of the options;
  // the slot, or -1.
  int createHostNameDialog(const SessionStartOptions& options, ColorOptions* colors,
                           XmRenderTable* renderTable);
  // Starts the session of a start-session slot with the chosen host.
  void createSessionFromDialog(int slot, const char* host, XmRenderTable* renderTable);

  void destroyErrorDialogByNumber(int slot);
  int getNumberOfActiveDialogs() const { return active_; }
  // Brings every dialog of the parent back to the front.
  void remanageDialog(Widget parent);
  // Keeps a non-empty host (at most 255 characters) as the default host.
  void setDefaultHostname(const char* host);
  void changeFonts(Widget dialog, XmRenderTable* renderTable);
  // Ends the process when no session and no dialog is left.
  void doExitCheck();

  // A free slot, searched from slot 98 down when fromTop is set, else from
  // slot 0 up; marked in use. -1 with a log line when all are in use.
  int getAvailableIndex(char fromTop);
  void freeIndex(int slot);

  // For the callbacks and tests.
  Widget dialogOf(int slot) const;
  // The text that a message dialog shows (its message string as the widget
  // holds it, lines joined by newlines); empty for a free slot.
  std::string messageOf(int slot) const;
  DialogKind kindOf(int slot) const;

  struct Slot;

private:
  friend void DialogOkCallBack(Widget, XtPointer, XtPointer);
  friend void DialogCancelCallBack(Widget, XtPointer, XtPointer);
  friend void DialogDestroyCallBack(Widget, XtPointer, XtPointer);
  friend void StartupPlaybackToggled(Widget, XtPointer, XtPointer);

  Slot* slot(int index);
  int createMessageDialog(bool error, const char* name, const char* msgName, ColorOptions* colors,
                          XmRenderTable* renderTable, Widget parent, DialogOptions options);
  void hostNameOk(int index);
  void closeDialog(int index);
  void sessionAction(int index, bool ok);

  int active_ = 0;
  std::unique_ptr<Slot[]> slots_;
};

// The one table of the process.
ErrorDialogs& TheErrorDialogs();

// Callbacks of the dialogs; client data is the slot number.
void DialogOkCallBack(Widget w, XtPointer slot, XtPointer call);
void DialogCancelCallBack(Widget w, XtPointer slot, XtPointer call);
void DialogDestroyCallBack(Widget w, XtPointer slot, XtPointer call);
void StartupPlaybackToggled(Widget w, XtPointer slot, XtPointer call);
