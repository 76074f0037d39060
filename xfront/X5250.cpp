// The X5250 widget class: the 5250 screen geometry, fonts and colours on top
// of Win3270.
#include <X11/StringDefs.h>

#include <cstdlib>
#include <cstring>

#include "base/LogMsg.h"
#include "xfront/Win3270.h"
#include "xfront/Win3270P.h"

namespace {

ExternalTablesProc gExternalTables = nullptr;

#define OFFSET(field) XtOffsetOf(X5250Rec, field)

// The computed colour defaults: the named colour, or the default foreground
// on a monochrome screen.
bool Monochrome(Widget w) { return DefaultVisualOfScreen(XtScreen(w))->map_entries < 3; }

template <int Index>
void DefaultColor(Widget w, int, XrmValue* value) {
  static const char* const kNames[] = {"Green",     "White",  "Cyan",  "Red",  "Pink",
                                       "Green", "Turquoise", "Yellow", "White"};
  static Pixel pixel;
  const char* name = Monochrome(w) ? "XtDefaultForeground" : kNames[Index];
  XrmValue from, to;
  from.addr = const_cast<XPointer>(name);
  from.size = static_cast<unsigned>(std::strlen(name) + 1);
  to.addr = reinterpret_cast<XPointer>(&pixel);
  to.size = sizeof pixel;
  if (!XtConvertAndStore(w, XtRString, &from, XtRPixel, &to)) {
    LogMsg(LevelWarning, "Colour %s is not available; the default foreground is used.\n", name);
    pixel = BlackPixelOfScreen(XtScreen(w));
  }
  value->addr = reinterpret_cast<XPointer>(&pixel);
  value->size = sizeof pixel;
}

#define PIXEL_RES(name, cls, field, proc)                                                      \
  {const_cast<String>(name), const_cast<String>(cls), const_cast<String>(XtRPixel), sizeof(Pixel), \
   OFFSET(field), const_cast<String>(XtRCallProc), reinterpret_cast<XtPointer>(proc)}
#define UNSET_PIXEL_RES(name, cls, field)                                                      \
  {const_cast<String>(name), const_cast<String>(cls), const_cast<String>(XtRPixel), sizeof(Pixel), \
   OFFSET(field), const_cast<String>(XtRImmediate), reinterpret_cast<XtPointer>(kPixelNotSet)}

XtResource kResources[] = {
    {const_cast<String>(QwNbracket), const_cast<String>(XtCBoolean), const_cast<String>(XtRBoolean),
     sizeof(Boolean), OFFSET(x5250.bracket), const_cast<String>(XtRImmediate),
     reinterpret_cast<XtPointer>(True)},
    {const_cast<String>(QwNfontP), const_cast<String>(XtCFont), const_cast<String>(XtRFontStruct),
     sizeof(XFontStruct*), OFFSET(x5250.fontP), const_cast<String>(XtRImmediate), nullptr},
    {const_cast<String>(QwNboldFontP), const_cast<String>("BoldFont"), const_cast<String>(XtRFontStruct),
     sizeof(XFontStruct*), OFFSET(x5250.boldFontP), const_cast<String>(XtRImmediate), nullptr},
    {const_cast<String>(QwNfontList), const_cast<String>(XmCFontList), const_cast<String>(XmRFontList),
     sizeof(XmFontList), OFFSET(x5250.fontList), const_cast<String>(XtRString),
     const_cast<char*>("XtDefaultFont")},
    {const_cast<String>(QwNboldFontList), const_cast<String>(XmCFontList),
     const_cast<String>(XmRFontList), sizeof(XmFontList), OFFSET(x5250.boldFontList),
     const_cast<String>(XtRImmediate), nullptr},
    {const_cast<String>(QwNdefaultFontNumber), const_cast<String>("DefaultFontNumber"),
     const_cast<String>(XtRInt), sizeof(int), OFFSET(x5250.defaultFontNumber),
     const_cast<String>(XtRImmediate), reinterpret_cast<XtPointer>(1)},
    {const_cast<String>(QwNcols), const_cast<String>("Cols"), const_cast<String>(XtRDimension),
     sizeof(Dimension), OFFSET(x5250.cols), const_cast<String>(XtRImmediate),
     reinterpret_cast<XtPointer>(80)},
    {const_cast<String>(QwNrows), const_cast<String>("Rows"), const_cast<String>(XtRDimension),
     sizeof(Dimension), OFFSET(x5250.rows), const_cast<String>(XtRImmediate),
     reinterpret_cast<XtPointer>(24)},
    PIXEL_RES(QwNextDefault, "ExtDefault", x5250.extDefault, DefaultColor<0>),
    PIXEL_RES(QwNextDefIntense, "ExtDefIntense", x5250.extDefIntense, DefaultColor<1>),
    PIXEL_RES(QwNextBlue, "ExtBlue", x5250.extBlue, DefaultColor<2>),
    PIXEL_RES(QwNextRed, "ExtRed", x5250.extRed, DefaultColor<3>),
    PIXEL_RES(QwNextPink, "ExtPink", x5250.extPink, DefaultColor<4>),
    PIXEL_RES(QwNextGreen, "ExtGreen", x5250.extGreen, DefaultColor<5>),
    PIXEL_RES(QwNextTurquoise, "ExtTurquoise", x5250.extTurquoise, DefaultColor<6>),
    PIXEL_RES(QwNextYellow, "ExtYellow", x5250.extYellow, DefaultColor<7>),
    PIXEL_RES(QwNextWhite, "ExtWhite", x5250.extWhite, DefaultColor<8>),
    UNSET_PIXEL_RES(QwNwinTitleBackground, "WinTitleBackground", x5250.winTitleBackground),
    UNSET_PIXEL_RES(QwNcursorColor, "CursorColor", x5250.cursorColor),
    UNSET_PIXEL_RES(QwNpushbuttonBackground, "PushbuttonBackground", x5250.pushbuttonBackground),
    UNSET_PIXEL_RES(QwNruleColor, "RuleColor", x5250.ruleColor),
    {const_cast<String>(QwNwaitCursor), const_cast<String>("WaitCursor"), const_cast<String>(XtRCursor),
     sizeof(Cursor), OFFSET(x5250.waitCursor), const_cast<String>(XtRString), const_cast<char*>("watch")},
};
#undef OFFSET
#undef PIXEL_RES
#undef UNSET_PIXEL_RES

int FontCount(XmFontList list) {
  int count = 0;
  XmFontContext context = nullptr;
  if (!list || !XmFontListInitFontContext(&context, list)) return 0;
  while (XmFontListNextEntry(context)) ++count;
  XmFontListFreeFontContext(context);
  return count;
}

void BuildPrintableTable(Widget w) {
  auto* xw = reinterpret_cast<X5250Rec*>(w);
  unsigned char table[256] = {};
  if (!gExternalTables || !gExternalTables(w, table)) {
    std::memset(table, 0, sizeof table);
    if (DebugFlag()) LogMsg(LevelDebug, "Unable to initialize external translation tables. \n");
  }
  for (int i = 0; i < 256; ++i) xw->x5250.printable[i] = table[i] ? table[i] : 0x20;
}

void Initialize(Widget request, Widget w, ArgList, Cardinal*) {
  auto* xw = reinterpret_cast<X5250Rec*>(w);
  X5250Part& p = xw->x5250;
  if (p.rows < 24) p.rows = 24;
  if (p.cols < 80) p.cols = 80;
  if (p.cursorColor == kPixelNotSet) p.cursorColor = xw->win3270.foreground;
  // No default of its own: the window's background until the resource files set one.
  if (p.winTitleBackground == kPixelNotSet) p.winTitleBackground = w->core.background_pixel;

  p.privateSelectionAtom = XInternAtom(XtDisplay(w), "QAV_X5250_STRING", False);
  p.stringSelection = nullptr;
  p.privateSelection = nullptr;
  p.stringLength = 0;
  p.privateLength = 0;

  p.mono = Monochrome(w) ? True : False;
  if (p.mono && !p.boldFontList) p.boldFontList = p.fontList;
  if (p.fontList && p.boldFontList && FontCount(p.boldFontList) < FontCount(p.fontList) && DebugFlag())
    LogMsg(LevelDebug, "Number of bold fonts and number of normal fonts must be the same. \n");

  if (p.fontList) {
    XFontStruct* f = GetFontFromFontList(p.fontList, p.defaultFontNumber);
    if (f) p.fontP = f;
    if (p.mono) p.boldFontP = GetFontFromFontList(p.boldFontList, p.defaultFontNumber);
  }
  if (!p.fontP) {
    static XFontStruct* fallback = nullptr;
    XrmValue from, to;
    from.addr = const_cast<XPointer>("XtDefaultFont");
    from.size = sizeof "XtDefaultFont";
    to.addr = reinterpret_cast<XPointer>(&fallback);
    to.size = sizeof fallback;
    if (XtConvertAndStore(w, XtRString, &from, XtRFontStruct, &to)) p.fontP = fallback;
  }
  if (p.fontP) {
    const int cellWidth = p.fontP->max_bounds.width;
    const int cellHeight = p.fontP->ascent + p.fontP->descent;
    if (w->core.width == 0) w->core.width = static_cast<Dimension>(p.cols * cellWidth + 2);
    if (w->core.height == 0) w->core.height = static_cast<Dimension>(p.rows * cellHeight + 2);
  }
  if (w->core.width == 0) w->core.width = 1;
  if (w->core.height == 0) w->core.height = 1;
  BuildPrintableTable(w);
}

void Realize(Widget w, XtValueMask* mask, XSetWindowAttributes* attributes) {
  win3270WidgetClass->core_class.realize(w, mask, attributes);
  X3270RecolorCursors(w);
}

void Destroy(Widget w) {
  auto* xw = reinterpret_cast<X5250Rec*>(w);
  std::free(xw->x5250.stringSelection);
  std::free(xw->x5250.privateSelection);
  xw->x5250.stringSelection = nullptr;
  xw->x5250.privateSelection = nullptr;
}

Boolean SetValues(Widget current, Widget request, Widget w, ArgList, Cardinal*) {
  auto* cur = reinterpret_cast<X5250Rec*>(current);
  auto* now = reinterpret_cast<X5250Rec*>(w);
  if (now->x5250.fontP == cur->x5250.fontP) return False;
  if (!now->x5250.fontP) {
    now->x5250.fontP = cur->x5250.fontP;
    return False;
  }
  BuildPrintableTable(w);
  return True;
}

}  // namespace

X5250ClassRec x5250ClassRec = {
    {
        /* superclass            */ reinterpret_cast<WidgetClass>(&win3270ClassRec),
        /* class_name            */ const_cast<String>("X5250"),
        /* widget_size           */ sizeof(X5250Rec),
        /* class_initialize      */ nullptr,
        /* class_part_initialize */ nullptr,
        /* class_inited          */ False,
        /* initialize            */ Initialize,
        /* initialize_hook       */ nullptr,
        /* realize               */ Realize,
        /* actions               */ nullptr,
        /* num_actions           */ 0,
        /* resources             */ kResources,
        /* num_resources         */ XtNumber(kResources),
        /* xrm_class             */ NULLQUARK,
        /* compress_motion       */ True,
        /* compress_exposure     */ XtExposeNoCompress,
        /* compress_enterleave   */ True,
        /* visible_interest      */ False,
        /* destroy               */ Destroy,
        /* resize                */ XtInheritResize,
        /* expose                */ XtInheritExpose,
        /* set_values            */ SetValues,
        /* set_values_hook       */ nullptr,
        /* set_values_almost     */ XtInheritSetValuesAlmost,
        /* get_values_hook       */ nullptr,
        /* accept_focus          */ nullptr,
        /* version               */ XtVersion,
        /* callback_private      */ nullptr,
        /* tm_table              */ XtInheritTranslations,
        /* query_geometry        */ nullptr,
        /* display_accelerator   */ XtInheritDisplayAccelerator,
        /* extension             */ nullptr,
    },
    {0},
    {0},
};

WidgetClass x5250WidgetClass = reinterpret_cast<WidgetClass>(&x5250ClassRec);

void X5250SetExternalTablesProc(ExternalTablesProc proc) { gExternalTables = proc; }

const unsigned char* X5250PrintableTable(Widget w) {
  if (!w || !XtIsSubclass(w, x5250WidgetClass)) return nullptr;
  return reinterpret_cast<X5250Rec*>(w)->x5250.printable;
}

Font X5250FontId(Widget w) {
  if (!w || !XtIsSubclass(w, x5250WidgetClass)) return 0;
  XFontStruct* f = reinterpret_cast<X5250Rec*>(w)->x5250.fontP;
  return f ? f->fid : 0;
}
