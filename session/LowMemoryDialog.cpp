#include "session/LowMemoryDialog.h"

#include <Xm/Xm.h>
#include <Xm/MessageB.h>
#include <Xm/Protocols.h>

#include "session/ErrorDialogs.h"
#include "session/SessionTable.h"
#include "base/ErrorHalt.h"
#include "base/LocalMalloc.h"

namespace {
Widget g_dialog = nullptr;

void ShowLowMemoryDialog() {
  if (g_dialog) XtManageChild(g_dialog);
}
}  // namespace

Widget CreateLowMemoryDialog(Widget topLevel) {
  Arg args[2];
  Cardinal n = 0;
  XtSetArg(args[n], XmNautoUnmanage, False); ++n;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING); ++n;
  Widget dialog = XmCreateWarningDialog(topLevel, const_cast<char*>("lowMemoryDialog"), args, n);
  XtUnmanageChild(XmMessageBoxGetChild(dialog, XmDIALOG_CANCEL_BUTTON));
  XtUnmanageChild(XmMessageBoxGetChild(dialog, XmDIALOG_HELP_BUTTON));
  XtAddCallback(dialog, XmNokCallback, LowMemoryDialogCloseHandler, nullptr);
  Widget shell = XtParent(dialog);
  XtVaSetValues(shell, XmNdeleteResponse, XmDO_NOTHING, nullptr);
  Atom deleteWindow = XmInternAtom(XtDisplay(shell), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(shell, deleteWindow, LowMemoryDialogCloseHandler, nullptr);
  // The shell needs a window from the start (it is the master window), while
  // its dialog is still hidden and has no size.
  Dimension width = 0, height = 0;
  XtVaGetValues(shell, XmNwidth, &width, XmNheight, &height, nullptr);
  if (width == 0 || height == 0) XtVaSetValues(shell, XmNwidth, 1, XmNheight, 1, nullptr);
  XtRealizeWidget(shell);
  g_dialog = dialog;
  LowMemoryDialogHooks hooks;
  hooks.show = ShowLowMemoryDialog;
  SetLowMemoryDialogHooks(hooks);
  return dialog;
}

void LowMemoryDialogCloseHandler(Widget, XtPointer, XtPointer) {
  if (g_dialog) XtUnmanageChild(g_dialog);
  if (getNumberOfSessions() == 0 && TheErrorDialogs().getNumberOfActiveDialogs() == 0) {
    ExitMaster(0);
  }
  LowMemoryDialogClosed();
}
