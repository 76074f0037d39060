#pragma once
// The private part of the session window: its widgets, menus, fonts,
// converters and input method. Only the window's own files include this.
#include <Xm/Xm.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "xfront/FontFit.h"
#include "xfront/FontSelection.h"
#include "xfront/SessionFontChoice.h"
#include "xfront/ScreenPainter.h"
#include "xfront/SessionWindowRules.h"
#include "xfront/WindowCodeSets.h"
#include "xfront/XStuff.h"

// The fonts of a window. They must outlive the widgets that show them, so
// when the window ends they pass to the shell's destroy callback, which frees
// them after the widgets.
struct SessionWindowFonts {
  Display* display = nullptr;
  std::vector<LoadedFontSet> menuSets;     // font-menu entries under the font locale
  std::vector<LoadedFontSet> drawingSets;  // the same under the session locale (may be empty: menuSets serve)
  XmFontList drawingList = nullptr;        // every font-menu entry, in menu order
  XmFontList menuList = nullptr;           // the chosen entry
  std::map<int, LoadedFontSet> entrySets;  // fonts loaded later, by table entry
  ~SessionWindowFonts();
};

struct XStuff::Private {
  Widget form = nullptr;
  Widget menuBar = nullptr;
  Widget optionArea = nullptr;
  Widget separator = nullptr;
  Widget drawing = nullptr;
  Widget popupEditMenu = nullptr;
  Widget fontMenu = nullptr;
  std::vector<Widget> fontToggles;
  std::vector<Widget> copyItems, cutItems;  // menu bar and pop-up

  MenuResources resources{};
  SessionMenuPlan plan;
  const FontFamily* family = nullptr;
  SessionFontChoice fontChoice;
  SessionWindowFonts* fonts = nullptr;  // owned until the window ends
  XFontStruct* currentFont = nullptr;
  int underlineThickness = 1;
  int underlinePosition = 0;

  WindowCodeSets codeSets;
  XIM inputMethod = nullptr;
  XIC inputContext = nullptr;

  // The dialog colours of the session.
  Pixel menuForeground = 0, menuBackground = 0, textForeground = 0, formBackground = 0,
        groupBoxBackground = 0, entryAreaBackground = 0;

  // The press that dismissed a menu, which the mouse actions ignore.
  bool menuPressPending = false;
  Time menuPressTime = 0;

  // Painting contexts of the drawing widget (built on first paint).
  std::unique_ptr<ScreenPainter> painter;

  // The status line's widgets in their order (null before they exist).
  static constexpr int kStatusLineWidgets = 21;
  Widget statusLine[kStatusLineWidgets] = {};
  // The shell's icons: normal, alternate (something waits), shape.
  Pixmap icon = 0, alternateIcon = 0, iconMask = 0;

  // The session font in use: its table entry and font set.
  int currentEntry = -1;
  XFontSet currentFontSet = nullptr;
  std::string drawingLocale;
  Widget fontCascade = nullptr;
  std::string fontCascadeLabel;
  // Window placement: the window at 24x80, the last large font, maximizing.
  struct Saved24x80 {
    bool valid = false;
    int x = 0, y = 0, width = 0, height = 0, entry = -1;
  } saved24x80;
  bool movedAway = false;
  int lastLargeEntry = -1;
  bool maximized = false;
  int normalWidth = 0, normalHeight = 0;
  int maximizedEntry = -1, maximizedRows = 24, maximizedColumns = 80;
  bool fontChangedByResize = false, fontChangedForMaximize = false;
  bool internalResize = false;
  bool changingFont = false;
  unsigned long lastFontChange = 0;  // tenths of a second
  unsigned long lastRotation = 0;    // milliseconds, monotonic
  TextPlacement placement;
  XtIntervalId finishResizeTimer = 0;
  // Shell sizes the window asked for lately: their configure events, which
  // may come after the window has moved on, are not a user's resize.
  struct OwnSize {
    int width, height;
    long long atMs;
  };
  std::vector<OwnSize> ownSizes;
  int pendingWidth = 0, pendingHeight = 0;
  // The work area, read at most every half second.
  bool workAreaKnown = false;
  int workX = 0, workY = 0, workWidth = 0, workHeight = 0;
  long long workAreaReadMs = -1000000;
  bool allowed32x80 = true;
  bool allowed43x80 = true;
};

// Builds the menu bar of the window (and the pop-up edit menu).
void BuildSessionMenus(XStuff& xstuff, XStuff::Private& p);

// Ends the session of a window's widget (Quit and the window manager's
// close); while a message pump runs the end waits for the main loop.
void QuitSessionOfWidget(Widget w);
// True while x_comm_msg handles events inside the engine.
bool XStuffMessagePumpActive();
