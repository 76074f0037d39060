#pragma once
// Choosing a session font for a window size, stepping through the sizes of
// a family, and where the text sits inside the drawing area. No X here.
#include <functional>
#include <vector>

#include "xfront/FontTables.h"

// A font that a window may switch to: its table entry and its cell size
// (measured from the loaded font, or the table's while not loaded).
struct FontCandidate {
  int entry;
  int cellWidth;
  int cellHeight;
};

// The candidate that best fills width x height pixels of text for cols x rows:
// the widest that fits both ways, ties to the taller. When none fits, the
// smallest (by width, then height). The index into `candidates`, or -1 when
// the list is empty.
int FitFontToWindow(const std::vector<FontCandidate>& candidates, int cols, int rows, int width, int height);

enum class RotateDirection { Wider = 0, Narrower = 1, Taller = 2, Shorter = 3 };

// The next entry from `current` in the direction (wider -1, narrower +1,
// taller -step, shorter +step, wrapping around the table) that `takes`
// accepts; with fixedOnly entries without the fixed flag are passed over.
// -1 after table length + 1 steps without one.
int RotateFontEntry(const FontFamily& family, int current, RotateDirection direction, bool fixedOnly,
                    const std::function<bool(int entry)>& takes);

// The position of the text inside a drawing area of usableWidth pixels.
struct TextPlacement {
  int originX = 1;
  int originY = 1;
  bool splitView = false;   // only part of a wide screen shows
  bool rightPart = false;   // the right part shows
};

enum class PlacementOption { FitCursor = 0, LeftPart = 1, RightPart = 2, KeepPart = 3 };

struct PlacementInput {
  int textWidth = 0, textHeight = 0;  // pixels
  int usableWidth = 0;                // drawing width available for text
  int usableHeight = 0;               // used when centring
  bool centred = false;               // a maximized window centres its text
  bool splitAllowed = false;          // wide screen, "USE_LAST_FONT"
  int cursorColumnEnd = 0;            // (cursor column + 1) x cell width
  PlacementOption option = PlacementOption::FitCursor;
  TextPlacement previous;
};

TextPlacement PlaceText(const PlacementInput& in);
