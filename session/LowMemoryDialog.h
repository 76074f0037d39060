#pragma once
// The message dialog "lowMemoryDialog", shown when an allocation fails. It is
// built at start-up, while memory is still there, and its shell's window is
// the master window that other starts of the program address.
#include <X11/Intrinsic.h>

// Builds the dialog (unmanaged) on the top-level widget, realizes its shell
// and registers it with the allocator's low-memory hooks. Returns the
// dialog; its shell is XtParent of it.
Widget CreateLowMemoryDialog(Widget topLevel);

// OK and the window's close: hides the dialog, ends the master when no
// session and no other dialog is left, else takes a new memory reserve.
void LowMemoryDialogCloseHandler(Widget w, XtPointer clientData, XtPointer callData);
