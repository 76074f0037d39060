#pragma once
// The images of the status line: which label shows which symbol, the size
// of each image for a cell width, and the strokes of each symbol, drawn with
// Xlib at fractions of the image so that both sizes come from one drawing.
#include <X11/Xlib.h>

enum class StatusSymbol {
  CommZap,
  InputInhibited,
  TypeAhead,
  LangShift,
  Diacritic,
  CursorDirection,
  ScreenDirection,
  UpperShift,
  CapsLock,
  Insert,
  Graphic,
  Record,
  Pause,
  Playback,
  RightArrow,
  LeftArrow,
  Count
};

struct StatusSymbolLabel {
  const char* widget;    // the status-line widget that shows the image
  StatusSymbol symbol;
  bool onPushButton;     // drawn on the push-button background
};

// The 16 images in the order the window builds them.
const StatusSymbolLabel* StatusSymbolLabels(int* count);

// The image size: 10 x 16 when the cell is wider than 7 pixels, else 7 x 12;
// the communication symbol and the two arrows are twice as wide, and the
// playback image is 2 pixels less high.
void StatusSymbolSize(StatusSymbol symbol, int cellWidth, int* width, int* height);

// Draws the symbol with the foreground of gc into the rectangle (0, 0,
// width, height) of drawable, which the caller has filled with the background.
void DrawStatusSymbol(Display* display, Drawable drawable, GC gc, StatusSymbol symbol, int width, int height);
