#pragma once
// Which fonts of a family a new session window offers and which one it
// starts with. No X here: the caller loads the entries chosen.
#include <functional>
#include <vector>

#include "session/Geometry.h"
#include "xfront/FontTables.h"

struct SessionFontRequest {
  int screenWidth = 0;
  int screenHeight = 0;
  int availableWidth = 0;  // the work area's width (the screen's when unknown)
  FrameSizes frame;
  bool withMenuBar = true;
  bool fixedFontsOnly = false;  // "fontMenu" "fixed_fonts_only"
  Geometry geometry{};
  // Whether the server has the font of an entry; null: every font is there.
  std::function<bool(int entry)> fontAvailable;
};

struct SessionFontChoice {
  static constexpr int kMaxMenuEntries = 9;
  // Per entry: the server has its font and its 24x80 window fits the screen.
  std::vector<bool> usable;
  std::vector<int> menuEntries;  // the entries of the font menu, ascending, at most 9
  int defaultEntry = -1;         // the last entry (or the last fixed one)
  int chosenEntry = -1;          // the entry the window starts with; always in menuEntries
  // Its 1-based position in menuEntries (the drawing widget's "defaultFontNumber").
  int chosenPosition() const;
};

SessionFontChoice ChooseSessionFonts(const FontFamily& family, const SessionFontRequest& request);
