#pragma once
// The widget classes of the emulator's drawing area: Win3270 (a subclass of
// Core with the action table, default translations, pointer cursor and
// callback lists) and its subclass X5250 (5250 screen geometry, fonts and
// colours), with the small helpers the session window uses with them.
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

extern WidgetClass win3270WidgetClass;
extern WidgetClass x5250WidgetClass;

// A pixel resource still at this value was not set.
constexpr Pixel kPixelNotSet = 0xFFFFFFFFul;

// Resource names beyond Core's.
#define QwNmouseColor "mouseColor"
#define QwNhelpTask "helpTask"
#define QwNkeyCallback "keyCallback"
#define QwNresizeCallback "resizeCallback"
#define QwNexposeCallback "exposeCallback"
#define QwNactionCallback "actionCallback"
#define QwNbracket "bracket"
#define QwNfontP "fontP"
#define QwNboldFontP "boldFontP"
#define QwNfontList "fontList"
#define QwNboldFontList "boldFontList"
#define QwNdefaultFontNumber "defaultFontNumber"
#define QwNcols "cols"
#define QwNrows "rows"
#define QwNextDefault "extDefault"
#define QwNextDefIntense "extDefIntense"
#define QwNextBlue "extBlue"
#define QwNextRed "extRed"
#define QwNextPink "extPink"
#define QwNextGreen "extGreen"
#define QwNextTurquoise "extTurquoise"
#define QwNextYellow "extYellow"
#define QwNextWhite "extWhite"
#define QwNwinTitleBackground "winTitleBackground"
#define QwNcursorColor "cursorColor"
#define QwNpushbuttonBackground "pushbuttonBackground"
#define QwNruleColor "ruleColor"
#define QwNwaitCursor "waitCursor"

// The keyboard whose default translations the class installs; must be set
// before the first widget is created (the start-up passes WhichKeyboard()).
// Without it the PC translations of keyboard 0 are used.
void Win3270SetKeyboardId(int id);
// The translation text and the two print-key texts the class built (empty
// before the first widget).
const char* Win3270ClassTranslationText();
const char* Win3270PrintKeyText(bool swapped);

// Replaces the translation table of a widget class (for widgets created
// afterwards); false when the text does not parse.
bool UpdateClassTranslationTable(WidgetClass widgetClass, const char* text);

// Font number n (from 1) of a Motif font list; the last font when the list
// is shorter; null for a null or unusable list or n below 1, and for a
// font-set entry (whose font records Xlib may replace at any time; the owner
// of the set passes a font of its own as "fontP").
XFontStruct* GetFontFromFontList(XmFontList fontList, int n);

// which 0: the normal pointer cursor, 1: the wait cursor, as the window's
// cursor; anything else, or a missing cursor, does nothing.
void X3270SetCursor(Widget w, int which);
// Gives both pointer shapes of the widget (the normal and, for an X5250
// widget, the wait cursor) its "mouseColor" on its background. The shapes
// come from the toolkit's cursor cache and so are shared by every session
// window of the process: the window that gains the focus recolours them.
void X3270RecolorCursors(Widget w);

// The font id of an X5250 widget's font, 0 for any other widget.
Font X5250FontId(Widget w);

// Builds the session's EBCDIC-to-local display table for a new X5250 widget;
// nonzero on success. Until the session code sets one, tables are empty.
using ExternalTablesProc = int (*)(Widget w, unsigned char ebcdicToLocal[256]);
void X5250SetExternalTablesProc(ExternalTablesProc proc);
// The widget's printable display table (256 bytes, no zero byte), or null.
const unsigned char* X5250PrintableTable(Widget w);

// A push-button gadget name+"Button" (isButton nonzero) or a toggle-button
// gadget name+"Toggle", with callback as its activate or value-changed
// callback, insensitive on request, managed.
Widget MenuItemAdd(Widget parent, const char* name, XtCallbackProc callback, int isButton,
                   XtPointer clientData, int insensitive);
// A managed separator gadget "separator".
Widget MenuSeparatorAdd(Widget parent);
// Sets a toggle item's state (no callback).
void MenuToggleSetState(Widget item, bool on);
