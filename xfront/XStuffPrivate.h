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

// The font sets of a table entry loaded after the window was built: the
// session's text (session locale; the base language's in a euro session),
// the program's own texts (message locale; none when the session set
// serves) and the euro sign (the session's own locale, euro sessions only).
struct EntryFonts {
  LoadedFontSet session;
  LoadedFontSet message;
  LoadedFontSet euro;
};

// The fonts of a window. They must outlive the widgets that show them, so
// when the window ends they pass to the shell's destroy callback, which frees
// them after the widgets.
struct SessionWindowFonts {
  Display* display = nullptr;
  std::vector<LoadedFontSet> menuSets;     // font-menu entries under the font (message) locale
  std::vector<LoadedFontSet> drawingSets;  // the same under the session locale (may be empty: menuSets serve)
  std::vector<LoadedFontSet> euroSets;     // the same under the session's own locale (euro sessions)
  XmFontList drawingList = nullptr;        // every font-menu entry, in menu order
  XmFontList menuList = nullptr;           // the current entry's, for menus, status line and dialogs
  std::map<int, EntryFonts> entrySets;     // fonts loaded later, by table entry
  // A Thai session's fonts, pair by pair (null where a font is missing):
  // [0] separate, [1] composing; loaded on first use.
  std::vector<XFontStruct*> thaiFonts[2];
  bool thaiFontsLoaded = false;
  ~SessionWindowFonts();
};

// The three font sets of a table entry as the window has them (null when
// the entry is not loaded; message and euro fall back as described above).
struct EntryFontSets {
  LoadedFontSet* session = nullptr;
  LoadedFontSet* message = nullptr;  // the session set when it serves both
  LoadedFontSet* euro = nullptr;     // null outside euro sessions
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

  // The session font in use: its table entry and font sets (the session's
  // text, the program's texts, the euro sign).
  int currentEntry = -1;
  // A Thai font (of the pair `thaiPair`) is shown in place of the entry's.
  bool thaiFontInUse = false;
  int thaiPair = -1;
  XFontSet currentFontSet = nullptr;
  XFontSet currentMessageSet = nullptr;
  XFontSet currentEuroSet = nullptr;
  // The remembered position as the shell's geometry (the shell keeps the
  // string): the user placed the window there.
  std::string rememberedGeometry;
  std::string drawingLocale;  // the session font's
  std::string messageLocale;  // the program's texts'
  std::string euroLocale;     // the euro sign's; empty outside euro sessions
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

// The font sets of a table entry, loading them when `load` is set and they
// are not loaded yet; every pointer null when the entry cannot be had.
EntryFontSets FontSetsOfEntry(XStuff::Private& p, Display* display, int entry, bool load);

// The status line's height for a session font of that cell height.
inline int StatusLineHeight(int cellHeight) { return cellHeight > 0 ? cellHeight + 6 : 20; }

// Builds the menu bar of the window (and the pop-up edit menu).
void BuildSessionMenus(XStuff& xstuff, XStuff::Private& p);

// Ends the session of a window's widget (Quit and the window manager's
// close); while a message pump runs the end waits for the main loop.
void QuitSessionOfWidget(Widget w);
// True while x_comm_msg handles events inside the engine.
bool XStuffMessagePumpActive();
