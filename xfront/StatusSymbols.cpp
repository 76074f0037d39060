// The status-line images: sizes and strokes.
#include "xfront/StatusSymbols.h"

#include <initializer_list>
#include <vector>

namespace {

const StatusSymbolLabel kLabels[] = {
    {"commMsgZap", StatusSymbol::CommZap, false},
    {"inputInhMsg1", StatusSymbol::InputInhibited, false},
    {"typeAheadMsg", StatusSymbol::TypeAhead, false},
    {"langshiftMsg", StatusSymbol::LangShift, false},
    {"diacritMsg", StatusSymbol::Diacritic, false},
    {"cursordirMsg", StatusSymbol::CursorDirection, false},
    {"screendirMsg", StatusSymbol::ScreenDirection, false},
    {"upperShiftMsg", StatusSymbol::UpperShift, false},
    {"capsLockMsg", StatusSymbol::CapsLock, false},
    {"insertMsg", StatusSymbol::Insert, false},
    {"graphicMsg", StatusSymbol::Graphic, false},
    {"recordMsg", StatusSymbol::Record, false},
    {"pauseMsg", StatusSymbol::Pause, false},
    {"playbackMsg", StatusSymbol::Playback, true},
    {"right_arrow", StatusSymbol::RightArrow, true},
    {"left_arrow", StatusSymbol::LeftArrow, true},
};

// Places strokes at fractions of the image.
class Pen {
 public:
  Pen(Display* d, Drawable w, GC gc, int width, int height) : d_(d), w_(w), gc_(gc), width_(width), height_(height) {}

  XPoint at(double fx, double fy) const {
    XPoint p;
    p.x = static_cast<short>(fx * (width_ - 1) + 0.5);
    p.y = static_cast<short>(fy * (height_ - 1) + 0.5);
    return p;
  }
  void line(double x1, double y1, double x2, double y2) const {
    const XPoint a = at(x1, y1), b = at(x2, y2);
    XDrawLine(d_, w_, gc_, a.x, a.y, b.x, b.y);
  }
  // A line two pixels wide (one more to the right).
  void thick(double x1, double y1, double x2, double y2) const {
    const XPoint a = at(x1, y1), b = at(x2, y2);
    XDrawLine(d_, w_, gc_, a.x, a.y, b.x, b.y);
    XDrawLine(d_, w_, gc_, a.x + 1, a.y, b.x + 1, b.y);
  }
  void polygon(std::initializer_list<double> xy) const {
    std::vector<XPoint> points;
    for (auto it = xy.begin(); it != xy.end() && it + 1 != xy.end(); it += 2) points.push_back(at(*it, *(it + 1)));
    XFillPolygon(d_, w_, gc_, points.data(), static_cast<int>(points.size()), Nonconvex, CoordModeOrigin);
  }
  void outline(std::initializer_list<double> xy) const {
    std::vector<XPoint> points;
    for (auto it = xy.begin(); it != xy.end() && it + 1 != xy.end(); it += 2) points.push_back(at(*it, *(it + 1)));
    if (!points.empty()) points.push_back(points.front());
    XDrawLines(d_, w_, gc_, points.data(), static_cast<int>(points.size()), CoordModeOrigin);
  }
  void box(double x1, double y1, double x2, double y2) const {
    const XPoint a = at(x1, y1), b = at(x2, y2);
    XDrawRectangle(d_, w_, gc_, a.x, a.y, static_cast<unsigned>(b.x - a.x), static_cast<unsigned>(b.y - a.y));
  }
  void fill(double x1, double y1, double x2, double y2) const {
    const XPoint a = at(x1, y1), b = at(x2, y2);
    XFillRectangle(d_, w_, gc_, a.x, a.y, static_cast<unsigned>(b.x - a.x + 1), static_cast<unsigned>(b.y - a.y + 1));
  }
  void disc(double x1, double y1, double x2, double y2, bool filled) const {
    const XPoint a = at(x1, y1), b = at(x2, y2);
    const unsigned w = static_cast<unsigned>(b.x - a.x), h = static_cast<unsigned>(b.y - a.y);
    if (filled)
      XFillArc(d_, w_, gc_, a.x, a.y, w, h, 0, 360 * 64);
    else
      XDrawArc(d_, w_, gc_, a.x, a.y, w, h, 0, 360 * 64);
  }

 private:
  Display* d_;
  Drawable w_;
  GC gc_;
  int width_, height_;
};

}  // namespace

const StatusSymbolLabel* StatusSymbolLabels(int* count) {
  if (count) *count = static_cast<int>(sizeof kLabels / sizeof kLabels[0]);
  return kLabels;
}

void StatusSymbolSize(StatusSymbol symbol, int cellWidth, int* width, int* height) {
  const bool large = cellWidth > 7;
  int w = large ? 10 : 7;
  int h = large ? 16 : 12;
  if (symbol == StatusSymbol::CommZap || symbol == StatusSymbol::RightArrow || symbol == StatusSymbol::LeftArrow)
    w *= 2;
  if (symbol == StatusSymbol::Playback) h -= 2;
  if (width) *width = w;
  if (height) *height = h;
}

void DrawStatusSymbol(Display* display, Drawable drawable, GC gc, StatusSymbol symbol, int width, int height) {
  if (!display || !drawable || width < 2 || height < 2) return;
  const Pen p(display, drawable, gc, width, height);
  switch (symbol) {
    case StatusSymbol::CommZap:  // a lightning bolt beside a broken line
      p.polygon({0.35, 0.05, 0.10, 0.55, 0.28, 0.55, 0.18, 0.95, 0.48, 0.40, 0.30, 0.40, 0.45, 0.05});
      p.line(0.55, 0.50, 0.70, 0.50);
      p.line(0.82, 0.50, 0.98, 0.50);
      p.line(0.70, 0.30, 0.82, 0.70);
      break;
    case StatusSymbol::InputInhibited:  // X: the keyboard is locked
      p.thick(0.05, 0.25, 0.85, 0.80);
      p.thick(0.05, 0.80, 0.85, 0.25);
      break;
    case StatusSymbol::TypeAhead:  // two chevrons: keys are kept
      p.thick(0.05, 0.30, 0.40, 0.55);
      p.thick(0.40, 0.55, 0.05, 0.80);
      p.thick(0.50, 0.30, 0.85, 0.55);
      p.thick(0.85, 0.55, 0.50, 0.80);
      break;
    case StatusSymbol::LangShift:  // a globe
      p.disc(0.05, 0.25, 0.95, 0.85, false);
      p.line(0.05, 0.55, 0.95, 0.55);
      p.line(0.50, 0.25, 0.50, 0.85);
      p.disc(0.28, 0.25, 0.72, 0.85, false);
      break;
    case StatusSymbol::Diacritic:  // an accent over a small circle
      p.thick(0.40, 0.10, 0.70, 0.30);
      p.disc(0.15, 0.45, 0.80, 0.90, false);
      break;
    case StatusSymbol::CursorDirection:  // an arrow to the left from a bar
      p.polygon({0.05, 0.55, 0.40, 0.30, 0.40, 0.80});
      p.fill(0.40, 0.50, 0.80, 0.60);
      p.fill(0.85, 0.25, 0.95, 0.85);
      break;
    case StatusSymbol::ScreenDirection:  // a screen with an arrow to the left
      p.box(0.0, 0.15, 1.0, 0.90);
      p.polygon({0.15, 0.52, 0.45, 0.32, 0.45, 0.72});
      p.fill(0.45, 0.48, 0.85, 0.56);
      break;
    case StatusSymbol::UpperShift:  // the outline of an upward arrow
      p.outline({0.50, 0.10, 0.95, 0.55, 0.70, 0.55, 0.70, 0.90, 0.30, 0.90, 0.30, 0.55, 0.05, 0.55});
      break;
    case StatusSymbol::CapsLock:  // an upward arrow over a bar
      p.outline({0.50, 0.05, 0.95, 0.45, 0.70, 0.45, 0.70, 0.70, 0.30, 0.70, 0.30, 0.45, 0.05, 0.45});
      p.fill(0.30, 0.82, 0.70, 0.92);
      break;
    case StatusSymbol::Insert:  // a caret over a base line
      p.thick(0.05, 0.75, 0.45, 0.20);
      p.thick(0.45, 0.20, 0.85, 0.75);
      p.fill(0.0, 0.88, 1.0, 0.95);
      break;
    case StatusSymbol::Graphic:  // a picture: frame, hill and sun
      p.box(0.0, 0.20, 1.0, 0.90);
      p.polygon({0.05, 0.88, 0.40, 0.45, 0.65, 0.70, 0.80, 0.58, 0.97, 0.88});
      p.disc(0.65, 0.28, 0.88, 0.45, true);
      break;
    case StatusSymbol::Record:  // a filled circle
      p.disc(0.10, 0.30, 0.90, 0.80, true);
      break;
    case StatusSymbol::Pause:  // two bars
      p.fill(0.15, 0.25, 0.40, 0.85);
      p.fill(0.60, 0.25, 0.85, 0.85);
      break;
    case StatusSymbol::Playback:  // a triangle to the right
      p.polygon({0.15, 0.15, 0.90, 0.50, 0.15, 0.85});
      break;
    case StatusSymbol::RightArrow:
      p.polygon({0.55, 0.15, 0.95, 0.50, 0.55, 0.85});
      p.fill(0.10, 0.42, 0.55, 0.58);
      break;
    case StatusSymbol::LeftArrow:
      p.polygon({0.45, 0.15, 0.05, 0.50, 0.45, 0.85});
      p.fill(0.45, 0.42, 0.90, 0.58);
      break;
    case StatusSymbol::Count:
      break;
  }
}
