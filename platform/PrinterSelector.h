#pragma once
// The printer selection of the terminal's printer services: the printer
// list shown inside a parent widget, run as a modal loop until the user
// chooses OK or Cancel.
typedef struct _WidgetRec* Widget;
typedef struct _XtAppStruct* XtAppContext;

// Called once with the chosen 1-based index (0 for Cancel) and the data.
typedef void (*PrinterSelectCallback)(int index, void* clientData);

// Shows the printers of the last PrUpdatePrinterList in `parent` (a list
// "printerList" with the current `index` selected, and the buttons
// "printerSelectOk" and "printerSelectCancel"), returns when the user is
// done (or the parent is destroyed: Cancel) and calls the callback. The
// dialog that holds `parent` (the child of its shell) is managed once the
// list is in it, so that it takes the list's size. 0, or
// -1 when there is no printer or no parent.
int printerSelectorGUI(XtAppContext app, Widget parent, int index, PrinterSelectCallback callback, void* clientData);
