#pragma once
// Small X and Motif helpers of the utility layer.
#include <Xm/Xm.h>

// Appends dir to the server's font path when it is usable: it exists, and it
// is already on the path or holds a readable regular file "fonts.dir". A
// trailing '/' is added when missing. Returns 1 when dir is on the path
// afterwards, 0 otherwise (logged).
int XuAddFontDirectory(Display* display, const char* dir);

// True when window is anywhere in the window trees below the roots of the
// display of w (a window that goes away during the search is not an error).
bool XuWindowInTree(Widget w, Window window);

// Sets the label (label widgets and gadgets) or the message (message boxes)
// of w from text; "\n" in text breaks lines.
void XuSetLabelText(Widget w, const char* text);

// True when the keysym name "osfBackSpace" is unknown here.
bool XuOsfBackSpaceUnknown();

// Index (from 0) of font in the font list, matching the font id of a font
// entry or of any font of a font-set entry; -1 when absent or the list is
// unusable.
int XuFontListIndex(XmFontList list, XFontStruct* font);

// free() with a trace line at debug level.
void XuFree(void* block);

// Calls the action procedure `action` of w, with the toolkit's warnings
// caught meanwhile; 0 when a warning occurred, else 1.
int XuCallActionCatchingWarnings(Widget w, const char* action, XEvent* event, String* params,
                                 Cardinal numParams);

// Points XKEYSYMDB at the program's keysym database (the vendor keysyms of
// the emulator's keyboards) unless it already names a readable file. Must run
// before the first X call of the process, as the X library reads the
// database once.
void XuUseKeysymDatabase();
// The database file found, or null.
const char* XuKeysymDatabasePath();
