// The Win3270 widget class: a Core subclass that carries the emulator's
// action table, default translations, pointer cursor and callback lists.
#include "xfront/Win3270.h"

#include <X11/StringDefs.h>

#include <cstddef>
#include <string>

#include "base/LogMsg.h"
#include "xfront/DefaultTranslations.h"
#include "xfront/EmulatorActions.h"
#include "xfront/Win3270P.h"

namespace {

int gKeyboardId = 0;
DefaultTranslations gTranslations;
std::string gReplacedText;  // the last text given to UpdateClassTranslationTable

#define OFFSET(field) XtOffsetOf(Win3270Rec, field)

XtResource kResources[] = {
    {const_cast<String>(XtNforeground), const_cast<String>(XtCForeground), const_cast<String>(XtRPixel),
     static_cast<Cardinal>(sizeof(Pixel)), OFFSET(win3270.foreground), const_cast<String>(XtRString),
     const_cast<char*>("XtDefaultBackground")},
    {const_cast<String>(XtNbackground), const_cast<String>(XtCBackground), const_cast<String>(XtRPixel),
     static_cast<Cardinal>(sizeof(Pixel)), OFFSET(core.background_pixel), const_cast<String>(XtRString),
     const_cast<char*>("XtDefaultForeground")},
    {const_cast<String>(QwNmouseColor), const_cast<String>("MouseColor"), const_cast<String>(XtRPixel),
     static_cast<Cardinal>(sizeof(Pixel)), OFFSET(win3270.mouseColor), const_cast<String>(XtRImmediate),
     reinterpret_cast<XtPointer>(kPixelNotSet)},
    {const_cast<String>("cursor"), const_cast<String>("Cursor"), const_cast<String>(XtRCursor),
     sizeof(Cursor), OFFSET(win3270.cursor), const_cast<String>(XtRString), const_cast<char*>("left_ptr")},
    {const_cast<String>(QwNhelpTask), const_cast<String>("HelpTask"), const_cast<String>(XtRString),
     sizeof(String), OFFSET(win3270.helpTask), const_cast<String>(XtRString),
     const_cast<char*>("xman -notopbox -helpfile /usr/man/catn/x3270.n")},
    {const_cast<String>(QwNkeyCallback), const_cast<String>(XtCCallback), const_cast<String>(XtRCallback),
     sizeof(XtCallbackList), OFFSET(win3270.keyCallback), const_cast<String>(XtRCallback), nullptr},
    {const_cast<String>(QwNresizeCallback), const_cast<String>(XtCCallback),
     const_cast<String>(XtRCallback), sizeof(XtCallbackList), OFFSET(win3270.resizeCallback),
     const_cast<String>(XtRCallback), nullptr},
    {const_cast<String>(QwNexposeCallback), const_cast<String>(XtCCallback),
     const_cast<String>(XtRCallback), sizeof(XtCallbackList), OFFSET(win3270.exposeCallback),
     const_cast<String>(XtRCallback), nullptr},
    {const_cast<String>(QwNactionCallback), const_cast<String>(XtCCallback),
     const_cast<String>(XtRCallback), sizeof(XtCallbackList), OFFSET(win3270.actionCallback),
     const_cast<String>(XtRCallback), nullptr},
    {const_cast<String>(XtNdestroyCallback), const_cast<String>(XtCCallback),
     const_cast<String>(XtRCallback), sizeof(XtCallbackList), OFFSET(win3270.destroyCallback),
     const_cast<String>(XtRCallback), nullptr},
    {const_cast<String>(XtNborderWidth), const_cast<String>(XtCBorderWidth),
     const_cast<String>(XtRDimension), sizeof(Dimension), OFFSET(core.border_width),
     const_cast<String>(XtRImmediate), reinterpret_cast<XtPointer>(0)},
};
#undef OFFSET

}  // namespace

// Registers Motif's resource converters (String to FontList among them);
// libXm exports it without declaring it in its headers any more.
extern "C" void XmRegisterConverters(void);

namespace {

bool KeysymKnown(const char* name) { return XStringToKeysym(name) != NoSymbol; }

void ClassInitialize() {
  XmRegisterConverters();
  if (DebugFlag()) LogMsg(LevelDebug, "WhichKeyboard rc = %d\n", gKeyboardId);
  gTranslations = BuildDefaultTranslations(gKeyboardId, KeysymKnown);
  win3270ClassRec.core_class.tm_table = const_cast<String>(gTranslations.text.c_str());
}

void Initialize(Widget request, Widget w, ArgList, Cardinal*) {
  auto* ww = reinterpret_cast<Win3270Rec*>(w);
  if (ww->win3270.mouseColor == kPixelNotSet) ww->win3270.mouseColor = ww->win3270.foreground;
}

void RecolorCursor(Widget w, Cursor cursor, Pixel foreground, Pixel background) {
  if (cursor == None) return;
  XColor colors[2];
  colors[0].pixel = foreground;
  colors[1].pixel = background;
  Colormap cmap = w->core.colormap ? w->core.colormap : DefaultColormapOfScreen(XtScreen(w));
  XQueryColors(XtDisplay(w), cmap, colors, 2);
  XRecolorCursor(XtDisplay(w), cursor, &colors[0], &colors[1]);
}

void Realize(Widget w, XtValueMask* mask, XSetWindowAttributes* attributes) {
  auto* ww = reinterpret_cast<Win3270Rec*>(w);
  if (ww->win3270.cursor != None) {
    attributes->cursor = ww->win3270.cursor;
    *mask |= CWCursor;
  }
  XtCreateWindow(w, InputOutput, static_cast<Visual*>(CopyFromParent), *mask, attributes);
  RecolorCursor(w, ww->win3270.cursor, ww->win3270.mouseColor, w->core.background_pixel);
}

void Destroy(Widget w) {
  auto* ww = reinterpret_cast<Win3270Rec*>(w);
  if (ww->win3270.destroyCallback) XtCallCallbackList(w, ww->win3270.destroyCallback, nullptr);
  static const char* const kLists[] = {QwNkeyCallback, QwNactionCallback, QwNresizeCallback,
                                      QwNexposeCallback, XtNdestroyCallback};
  for (const char* list : kLists) XtRemoveAllCallbacks(w, const_cast<String>(list));
}

void Resize(Widget w) {
  auto* ww = reinterpret_cast<Win3270Rec*>(w);
  if (ww->win3270.resizeCallback) XtCallCallbackList(w, ww->win3270.resizeCallback, nullptr);
}

void ExposeWidget(Widget w, XEvent* event, Region) {
  auto* ww = reinterpret_cast<Win3270Rec*>(w);
  if (ww->win3270.exposeCallback) XtCallCallbackList(w, ww->win3270.exposeCallback, event);
}

Boolean SetValues(Widget, Widget, Widget, ArgList, Cardinal*) { return False; }

}  // namespace

Win3270ClassRec win3270ClassRec = {
    {
        /* superclass            */ reinterpret_cast<WidgetClass>(&widgetClassRec),
        /* class_name            */ const_cast<String>("Win3270"),
        /* widget_size           */ sizeof(Win3270Rec),
        /* class_initialize      */ ClassInitialize,
        /* class_part_initialize */ nullptr,
        /* class_inited          */ False,
        /* initialize            */ Initialize,
        /* initialize_hook       */ nullptr,
        /* realize               */ Realize,
        /* actions               */ EmulatorActionList(),
        /* num_actions           */ kEmulatorActionCount,
        /* resources             */ kResources,
        /* num_resources         */ XtNumber(kResources),
        /* xrm_class             */ NULLQUARK,
        /* compress_motion       */ True,
        /* compress_exposure     */ XtExposeNoCompress,
        /* compress_enterleave   */ True,
        /* visible_interest      */ False,
        /* destroy               */ Destroy,
        /* resize                */ Resize,
        /* expose                */ ExposeWidget,
        /* set_values            */ SetValues,
        /* set_values_hook       */ nullptr,
        /* set_values_almost     */ XtInheritSetValuesAlmost,
        /* get_values_hook       */ nullptr,
        /* accept_focus          */ nullptr,
        /* version               */ XtVersion,
        /* callback_private      */ nullptr,
        /* tm_table              */ nullptr,
        /* query_geometry        */ nullptr,
        /* display_accelerator   */ XtInheritDisplayAccelerator,
        /* extension             */ nullptr,
    },
    {0},
};

WidgetClass win3270WidgetClass = reinterpret_cast<WidgetClass>(&win3270ClassRec);

void Win3270SetKeyboardId(int id) { gKeyboardId = id; }

const char* Win3270ClassTranslationText() { return gTranslations.text.c_str(); }

const char* Win3270PrintKeyText(bool swapped) {
  return swapped ? gTranslations.printKeySwapped.c_str() : gTranslations.printKeyLocal.c_str();
}

bool UpdateClassTranslationTable(WidgetClass widgetClass, const char* text) {
  if (!widgetClass || !text) return false;
  if (DebugFlag()) LogMsg(LevelDebug, "UpdateClassTranslationTable: '%s'\n", text);
  XtTranslations parsed = XtParseTranslationTable(text);
  if (!parsed) return false;
  gReplacedText = text;
  widgetClass->core_class.tm_table = reinterpret_cast<String>(parsed);
  return true;
}

void X3270SetCursor(Widget w, int which) {
  if (!w || !XtIsSubclass(w, win3270WidgetClass) || !XtIsRealized(w)) return;
  Cursor cursor = None;
  if (which == 0)
    cursor = reinterpret_cast<Win3270Rec*>(w)->win3270.cursor;
  else if (which == 1 && XtIsSubclass(w, x5250WidgetClass))
    cursor = reinterpret_cast<X5250Rec*>(w)->x5250.waitCursor;
  if (cursor == None) return;
  XDefineCursor(XtDisplay(w), XtWindow(w), cursor);
}

void X3270RecolorCursors(Widget w) {
  if (!w || !XtIsSubclass(w, win3270WidgetClass)) return;
  auto* ww = reinterpret_cast<Win3270Rec*>(w);
  RecolorCursor(w, ww->win3270.cursor, ww->win3270.mouseColor, w->core.background_pixel);
  if (XtIsSubclass(w, x5250WidgetClass))
    RecolorCursor(w, reinterpret_cast<X5250Rec*>(w)->x5250.waitCursor, ww->win3270.mouseColor,
                  w->core.background_pixel);
}
