#pragma once
// The look a session gives its dialogs: its menu colours and its menu font
// on every label, button and menu of a dialog's widget tree, and the error
// box that tells the user why something did not happen.
#include <X11/Intrinsic.h>

#include <string>

class SessionControlBlock;
typedef struct __XmRenderTableRec** XmRenderTable;  // as Motif declares it

// Background and foreground on a tree of widgets (the pull-downs of its
// option menus included); Motif derives the shadows and the arm colour of
// buttons from the background.
void RecolorTree(Widget w, Pixel background, Pixel foreground);
// A render table on the labels and buttons of a tree of widgets and on the
// pull-downs of its option menus.
void SetRenderTableTree(Widget w, XmRenderTable table);
// The session's menu colours and menu font on the tree; false (nothing
// changed) when the session has no menu bar to take them from.
bool ApplySessionDialogLook(SessionControlBlock* session, Widget w);

// An error box `name` on `parent` saying `text`, with its OK button only;
// OK destroys it. Null when there is no parent.
Widget ShowNoticeDialog(Widget parent, const char* name, const std::string& text);
