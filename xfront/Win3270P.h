#pragma once
// Instance and class records of the Win3270 and X5250 widget classes.
#include <X11/IntrinsicP.h>
#include <X11/CoreP.h>
#include <Xm/Xm.h>

struct Win3270Part {
  Pixel foreground;
  Pixel mouseColor;
  Cursor cursor;
  String helpTask;
  XtCallbackList keyCallback;
  XtCallbackList resizeCallback;
  XtCallbackList exposeCallback;
  XtCallbackList actionCallback;
  XtCallbackList destroyCallback;
};

struct Win3270Rec {
  CorePart core;
  Win3270Part win3270;
};

struct X5250Part {
  Dimension cols;
  Dimension rows;
  Pixel winTitleBackground;
  Pixel pushbuttonBackground;
  Pixel extDefault;
  Pixel extDefIntense;
  Pixel extBlue;
  Pixel extRed;
  Pixel extPink;
  Pixel extGreen;
  Pixel extTurquoise;
  Pixel extYellow;
  Pixel extWhite;
  Pixel cursorColor;
  Pixel ruleColor;
  XFontStruct* fontP;
  XFontStruct* boldFontP;
  XmFontList fontList;
  XmFontList boldFontList;
  int defaultFontNumber;
  Boolean bracket;
  Boolean mono;
  char* stringSelection;         // STRING selection data (owned)
  char* privateSelection;        // private selection data (owned)
  unsigned long stringLength;
  unsigned long privateLength;
  Atom privateSelectionAtom;     // "QAV_X5250_STRING"
  Cursor waitCursor;
  unsigned char printable[256];  // display table with blanks for zero bytes
};

struct X5250Rec {
  CorePart core;
  Win3270Part win3270;
  X5250Part x5250;
};

struct Win3270ClassPart {
  int unused;
};
struct X5250ClassPart {
  int unused;
};

struct Win3270ClassRec {
  CoreClassPart core_class;
  Win3270ClassPart win3270_class;
};
struct X5250ClassRec {
  CoreClassPart core_class;
  Win3270ClassPart win3270_class;
  X5250ClassPart x5250_class;
};

extern Win3270ClassRec win3270ClassRec;
extern X5250ClassRec x5250ClassRec;
