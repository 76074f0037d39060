#include "xfront/ScreenPainter.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <strings.h>

#include <cstring>
#include <initializer_list>

#include "xfront/AttributeGlyphs.h"
#include "xfront/DisplayAttributes.h"
#include "xfront/TextSymbols.h"

namespace {

using namespace display_attribute;

constexpr int kMaxRun = 132;

bool IsIso8859_1(Display* display, XFontStruct* font) {
  if (!font) return true;
  unsigned long registry = 0, encoding = 0;
  const Atom reg = XInternAtom(display, "CHARSET_REGISTRY", False);
  const Atom enc = XInternAtom(display, "CHARSET_ENCODING", False);
  if (!XGetFontProperty(font, reg, &registry) || !XGetFontProperty(font, enc, &encoding)) return true;
  char* r = XGetAtomName(display, static_cast<Atom>(registry));
  char* e = XGetAtomName(display, static_cast<Atom>(encoding));
  const bool latin1 = r && e && strcasecmp(r, "ISO8859") == 0 && std::strcmp(e, "1") == 0;
  if (r) XFree(r);
  if (e) XFree(e);
  return latin1;
}

}  // namespace

ScreenPainter::ScreenPainter(Display* display, Drawable drawable, XFontStruct* font, const ScreenPixels& pixels,
                             XFontSet fontSet, const wchar_t* wideTable)
    : display_(display), drawable_(drawable), font_(font), fontSet_(fontSet), wide_(wideTable), pixels_(pixels) {
  if (font_) {
    cellWidth_ = std::max<int>(1, font_->max_bounds.width);
    ascent_ = font_->ascent;
    cellHeight_ = std::max(1, font_->ascent + font_->descent);
    unsigned long thickness = 0;
    const int t = XGetFontProperty(font_, XA_UNDERLINE_THICKNESS, &thickness) && thickness > 0
                      ? static_cast<int>(thickness)
                      : 1;
    underlineRow_ = std::max(0, cellHeight_ - t);
  }
  eightBit_ = !(fontSet_ && wide_) || IsIso8859_1(display_, font_);
  unevenFont_ = font_ && font_->min_bounds.width != font_->max_bounds.width;

  // Foreground by colour number (bits 0-3); background by bit 4.
  const unsigned long byNumber[16] = {pixels.foreground, pixels.defIntense, pixels.foreground, pixels.foreground,
                                      pixels.foreground, pixels.foreground, pixels.foreground, pixels.foreground,
                                      pixels.defaultColor, pixels.blue,      pixels.red,        pixels.pink,
                                      pixels.green,      pixels.turquoise,  pixels.yellow,     pixels.white};
  XGCValues v = {};
  const unsigned long mask = GCForeground | GCBackground | (font_ ? GCFont : 0) | GCGraphicsExposures;
  v.graphics_exposures = False;
  if (font_) v.font = font_->fid;
  for (int i = 0; i < 32; ++i) {
    const unsigned long fg = byNumber[i & 0x0F];
    const unsigned long bg = (i & 0x10) ? pixels.entryHighlight : pixels.background;
    v.foreground = fg;
    v.background = bg;
    normal_[i] = XCreateGC(display_, drawable_, mask, &v);
    v.foreground = bg;
    v.background = fg;
    reverse_[i] = XCreateGC(display_, drawable_, mask, &v);
  }
  v.foreground = pixels.blue;
  v.background = pixels.background;
  blueNormal_ = XCreateGC(display_, drawable_, mask, &v);
  v.foreground = pixels.background;
  v.background = pixels.blue;
  blueReverse_ = XCreateGC(display_, drawable_, mask, &v);
  v.foreground = pixels.cursor;
  v.background = pixels.background;
  cursor_[0] = XCreateGC(display_, drawable_, mask, &v);
  v.foreground = pixels.background;
  v.background = pixels.cursor;
  cursor_[1] = XCreateGC(display_, drawable_, mask, &v);
  v.foreground = pixels.rule;
  v.line_width = 1;
  ruleSolid_ = XCreateGC(display_, drawable_, GCForeground | GCLineWidth | GCGraphicsExposures, &v);
  v.line_style = LineOnOffDash;
  v.dash_offset = 1;
  ruleDashed_ =
      XCreateGC(display_, drawable_, GCForeground | GCLineWidth | GCLineStyle | GCDashOffset | GCGraphicsExposures, &v);
  v.foreground = pixels.pushButtonTop;
  buttonTop_ = XCreateGC(display_, drawable_, GCForeground | GCLineWidth | GCGraphicsExposures, &v);
  v.foreground = pixels.pushButtonBottom;
  buttonBottom_ = XCreateGC(display_, drawable_, GCForeground | GCLineWidth | GCGraphicsExposures, &v);
}

ScreenPainter::~ScreenPainter() {
  freeAttributeGlyphs();
  for (GC& gc : normal_) XFreeGC(display_, gc);
  for (GC& gc : reverse_) XFreeGC(display_, gc);
  for (GC& gc : cursor_) XFreeGC(display_, gc);
  for (GC gc : {blueNormal_, blueReverse_, ruleSolid_, ruleDashed_, buttonTop_, buttonBottom_}) XFreeGC(display_, gc);
}

void ScreenPainter::setScreen(const unsigned char* chars, const unsigned short* attrs, unsigned short* flags,
                              int columns, int cells) {
  chars_ = chars;
  attrs_ = attrs;
  flags_ = flags;
  columns_ = columns > 0 ? columns : 80;
  cells_ = cells;
}

GC ScreenPainter::textGC(unsigned short attr) const {
  return (attr & kReverse) ? reverse_[attr & 0x1F] : normal_[attr & 0x1F];
}

void ScreenPainter::drawText(GC gc, int x, int y, const unsigned char* bytes, int n) {
  ++textCalls_;
  if (eightBit_ && unevenFont_) {
    // Characters of other widths than the cell (the marks of a separate
    // Thai font have none): the cells' background, then each character at
    // its own cell.
    char blanks[kMaxRun];
    std::memset(blanks, ' ', sizeof blanks);
    XDrawImageString(display_, drawable_, gc, x, y, blanks, n);
    for (int i = 0; i < n; ++i)
      if (bytes[i] != ' ')
        XDrawString(display_, drawable_, gc, x + i * cellWidth_, y, reinterpret_cast<const char*>(bytes + i), 1);
  } else if (eightBit_) {
    XDrawImageString(display_, drawable_, gc, x, y, reinterpret_cast<const char*>(bytes), n);
  } else {
    wchar_t wide[kMaxRun];
    for (int i = 0; i < n; ++i) wide[i] = wide_[bytes[i]] ? wide_[bytes[i]] : L' ';
    XwcDrawImageString(display_, drawable_, fontSet_, gc, x, y, wide, n);
  }
  if (!euroSet_) return;
  const wchar_t euro = 0x20AC;
  for (int i = 0; i < n; ++i)
    if (bytes[i] == 0xA4) XwcDrawImageString(display_, drawable_, euroSet_, gc, x + i * cellWidth_, y, &euro, 1);
}

bool ScreenPainter::drawSpan(int start, int end, int cursor) {
  if (!chars_ || start < 0 || end > cells_ || start >= end) return false;
  bool coveredCursor = false;
  unsigned char run[kMaxRun];
  for (int p = start; p < end;) {
    const int rowEnd = std::min(end, (p / columns_ + 1) * columns_);
    int q = p + 1;
    if (flags_[p] & paint_flag::kButtonMask) {
      // A button runs over the cells of the same kind and state.
      constexpr unsigned short kKind = paint_flag::kButtonMask | paint_flag::kHighlighted;
      while (q < rowEnd && (flags_[q] & kKind) == (flags_[p] & kKind)) ++q;
    } else {
      while (q < rowEnd && attrs_[q] == attrs_[p] && !(flags_[q] & paint_flag::kButtonMask)) ++q;
    }
    const int n = q - p;
    const unsigned short attr = attrs_[p];
    const bool button = (flags_[p] & paint_flag::kButtonMask) != 0;
    for (int i = 0; i < n; ++i) {
      const unsigned char c = chars_[p + i];
      run[i] = (attrs_[p + i] & kNonDisplay) || c == 0 ? ' ' : c;
    }
    GC gc = textGC(attr);
    if (button && (flags_[p] & paint_flag::kHighlighted)) gc = reverse_[attr & 0x0F];
    const int x = cellX(p), y = cellY(p);
    drawText(gc, x, y + ascent_, run, n);
    const int width = n * cellWidth_;
    if ((attr & kUnderline) && !(attr & kNonDisplay)) {
      GC line = gc;
      if (blueUnderline_) line = (attr & kReverse) ? blueReverse_ : blueNormal_;
      XDrawLine(display_, drawable_, line, x, y + underlineRow_, x + width - 1, y + underlineRow_);
    }
    if ((attr & kColumnSeparators) && columnSeparators_ && !button && !(attr & kNonDisplay)) {
      const bool oneOf = ((attr & kReverse) != 0) != ((attr & kUnderline) != 0);
      GC dot = oneOf ? reverse_[attr & 0x1F] : normal_[attr & 0x1F];
      const int yy = y + underlineRow_;
      if (p % columns_ == 0 || !(attrs_[p - 1] & kColumnSeparators)) XDrawPoint(display_, drawable_, dot, x, yy);
      for (int i = 0; i < n; ++i) XDrawPoint(display_, drawable_, dot, x + (i + 1) * cellWidth_ - 1, yy);
    }
    if (button) {
      // A hot spot shows as a pressed button.
      drawPushButtonFrame(p, n, (flags_[p] & paint_flag::kHotSpot) != 0);
    } else {
      for (int i = p; i < q; ++i) flags_[i] &= static_cast<unsigned short>(~0x0003);
    }
    if (cursor >= p && cursor < q) coveredCursor = true;
    p = q;
  }
  return coveredCursor;
}

bool ScreenPainter::drawComposedSpan(int start, int end, const unsigned char* absorbed, int cursor) {
  if (!chars_ || !absorbed || start < 0 || end > cells_ || start >= end) return false;
  const int rowStart = start / columns_ * columns_;
  if (end > rowStart + columns_) end = rowStart + columns_;
  unsigned char blanks[kMaxRun];
  std::memset(blanks, ' ', sizeof blanks);
  // Backgrounds (and underlines) run by run.
  for (int p = start; p < end;) {
    int q = p + 1;
    while (q < end && attrs_[q] == attrs_[p]) ++q;
    const unsigned short attr = attrs_[p];
    GC gc = textGC(attr);
    const int x = cellX(p), y = cellY(p);
    drawText(gc, x, y + ascent_, blanks, q - p);
    if ((attr & kUnderline) && !(attr & kNonDisplay))
      XDrawLine(display_, drawable_, gc, x, y + underlineRow_, x + (q - p) * cellWidth_ - 1, y + underlineRow_);
    for (int i = p; i < q; ++i) flags_[i] &= static_cast<unsigned short>(~0x0003);
    p = q;
  }
  // Then every character over its cell, marks over their consonant.
  for (int p = start; p < end; ++p) {
    const unsigned char c = chars_[p];
    if (c == 0 || c == ' ' || (attrs_[p] & kNonDisplay)) continue;
    const int cell = p - absorbed[p - start];
    if (cell < rowStart || cell >= end) continue;
    ++textCalls_;
    GC gc = textGC(attrs_[p]);
    const int x = cellX(cell), y = cellY(cell) + ascent_;
    if (eightBit_) {
      XDrawString(display_, drawable_, gc, x, y, reinterpret_cast<const char*>(&c), 1);
    } else {
      const wchar_t w = wide_[c] ? wide_[c] : L' ';
      XwcDrawString(display_, drawable_, fontSet_, gc, x, y, &w, 1);
    }
  }
  return cursor >= start && cursor < end;
}

void ScreenPainter::drawCursorAt(int position, int cell, CellCursor shape) {
  if (!chars_ || position < 0 || position >= cells_ || cell < 0 || cell >= cells_ || cellHeight_ < 2) return;
  const int x = cellX(cell), y = cellY(cell);
  switch (shape) {
    case CellCursor::Hollow:
      XDrawRectangle(display_, drawable_, cursor_[0], x, y, cellWidth_ - 1, cellHeight_ - 1);
      return;
    case CellCursor::Bar: {
      int thickness = cellHeight_ / 6;
      if (thickness <= 1) thickness = 2;
      const int top = std::max(0, std::min(cellHeight_ - thickness, underlineRow_));
      thickness = std::min(thickness, cellHeight_ - top);
      XFillRectangle(display_, drawable_, cursor_[0], x, y + top, cellWidth_, thickness);
      return;
    }
    case CellCursor::Block: {
      const unsigned short attr = attrs_[position];
      const unsigned char c = (attr & kNonDisplay) || chars_[position] == 0 ? ' ' : chars_[position];
      GC gc = (attr & kReverse) ? cursor_[0] : cursor_[1];
      XFillRectangle(display_, drawable_, cursor_[0], x, y, cellWidth_, cellHeight_);
      drawText(gc, x, y + ascent_, &c, 1);
      return;
    }
  }
}

void ScreenPainter::drawPushButtonFrame(int start, int length, bool pressed) {
  const int x = cellX(start), y = cellY(start);
  const int w = length * cellWidth_ - 1, h = cellHeight_ - 1;
  GC top = pressed ? buttonBottom_ : buttonTop_;
  GC bottom = pressed ? buttonTop_ : buttonBottom_;
  XPoint tl[3] = {{static_cast<short>(x), static_cast<short>(y + h)},
                  {static_cast<short>(x), static_cast<short>(y)},
                  {static_cast<short>(x + w), static_cast<short>(y)}};
  XPoint br[3] = {{static_cast<short>(x + 1), static_cast<short>(y + h)},
                  {static_cast<short>(x + w), static_cast<short>(y + h)},
                  {static_cast<short>(x + w), static_cast<short>(y + 1)}};
  XDrawLines(display_, drawable_, top, tl, 3, CoordModeOrigin);
  XDrawLines(display_, drawable_, bottom, br, 3, CoordModeOrigin);
}

void ScreenPainter::drawCursor(int position, CellCursor shape) { drawCursorAt(position, position, shape); }

void ScreenPainter::drawSideLine(int side, int from, int to, bool dashed) {
  if (from < 0 || to < from || to >= cells_) return;
  GC gc = dashed ? ruleDashed_ : ruleSolid_;
  const int x1 = cellX(from), y1 = cellY(from);
  const int x2 = cellX(to), y2 = cellY(to);
  switch (side) {
    case 0:
      XDrawLine(display_, drawable_, gc, x1, y1, x2 + cellWidth_ - 1, y1);
      break;
    case 1:
      XDrawLine(display_, drawable_, gc, x1, y1 + cellHeight_ - 1, x2 + cellWidth_ - 1, y1 + cellHeight_ - 1);
      break;
    case 2:
      XDrawLine(display_, drawable_, gc, x1, y1, x1, y2 + cellHeight_ - 1);
      break;
    case 3:
      XDrawLine(display_, drawable_, gc, x1 + cellWidth_ - 1, y1, x1 + cellWidth_ - 1, y2 + cellHeight_ - 1);
      break;
    default:
      break;
  }
}

namespace {

// Strokes placed at fractions of a cell.
class CellPen {
 public:
  CellPen(Display* d, Drawable w, GC gc, int x, int y, int width, int height)
      : d_(d), w_(w), gc_(gc), x_(x), y_(y), width_(width), height_(height) {}
  static int intRound(double value) { return static_cast<int>(value + 0.5); }
  short X(double f) const { return static_cast<short>(x_ + intRound(f * (width_ - 1))); }
  short Y(double f) const { return static_cast<short>(y_ + intRound(f * (height_ - 1))); }
  void line(double x1, double y1, double x2, double y2) const { XDrawLine(d_, w_, gc_, X(x1), Y(y1), X(x2), Y(y2)); }
  void polygon(std::initializer_list<XPoint> fractions) const { shape(fractions, true); }
  void polyline(std::initializer_list<XPoint> fractions) const { shape(fractions, false); }
  void rectangle(double x1, double y1, double x2, double y2, bool filled) const {
    const int w = std::max(1, X(x2) - X(x1)), h = std::max(1, Y(y2) - Y(y1));
    if (filled)
      XFillRectangle(d_, w_, gc_, X(x1), Y(y1), w + 1, h + 1);
    else
      XDrawRectangle(d_, w_, gc_, X(x1), Y(y1), w, h);
  }

 private:
  // Points are given in hundredths of the cell.
  void shape(std::initializer_list<XPoint> fractions, bool filled) const {
    XPoint points[8];
    int n = 0;
    for (const XPoint& f : fractions) {
      if (n == 8) break;
      points[n++] = {X(f.x / 100.0), Y(f.y / 100.0)};
    }
    if (filled)
      XFillPolygon(d_, w_, gc_, points, n, Nonconvex, CoordModeOrigin);
    else
      XDrawLines(d_, w_, gc_, points, n, CoordModeOrigin);
  }
  Display* d_;
  Drawable w_;
  GC gc_;
  int x_, y_, width_, height_;
};

}  // namespace

void ScreenPainter::drawTextSymbol(int position, int kind, bool atCursor) {
  if (!chars_ || position < 0 || position >= cells_ || kind < 0 || kind >= text_symbol::kKinds) return;
  const unsigned short attr = attrs_[position];
  GC ink = textGC(attr);
  GC paper = (attr & kReverse) ? normal_[attr & 0x1F] : reverse_[attr & 0x1F];
  if (atCursor) {
    paper = cursor_[0];
    ink = (attr & kReverse) ? cursor_[0] : cursor_[1];
  }
  const int x = cellX(position), y = cellY(position);
  XFillRectangle(display_, drawable_, paper, x, y, cellWidth_, cellHeight_);
  const CellPen pen(display_, drawable_, ink, x, y, cellWidth_, cellHeight_);
  using namespace text_symbol;
  switch (kind) {
    case kCarrierReturn:  // a hooked arrow back to the left
    case kRequiredCarrierReturn:
      pen.line(0.8, 0.25, 0.8, 0.6);
      pen.line(0.8, 0.6, 0.3, 0.6);
      pen.polygon({{10, 60}, {35, 45}, {35, 75}});
      if (kind == kRequiredCarrierReturn) {  // framed twice
        pen.rectangle(0.0, 0.1, 1.0, 0.9, false);
        pen.rectangle(0.0, 0.1, 0.2, 0.3, false);
      }
      break;
    case kTab:  // an arrow to a bar
    case kRequiredTab:
      pen.line(0.1, 0.5, 0.6, 0.5);
      pen.polygon({{55, 35}, {85, 50}, {55, 65}});
      pen.line(0.9, 0.3, 0.9, 0.7);
      if (kind == kRequiredTab) {
        pen.rectangle(0.0, 0.1, 1.0, 0.9, false);
        pen.rectangle(0.0, 0.1, 0.2, 0.3, false);
      }
      break;
    case kPageEnd:  // a page with its corner turned
      pen.polygon({{15, 15}, {65, 15}, {85, 35}, {85, 85}, {15, 85}});
      break;
    case kHalfIndexUp:
      pen.line(0.5, 0.8, 0.5, 0.4);
      pen.polygon({{20, 45}, {50, 10}, {80, 45}});
      break;
    case kHalfIndexDown:
      pen.line(0.5, 0.2, 0.5, 0.6);
      pen.polygon({{20, 55}, {50, 90}, {80, 55}});
      break;
    case kSecondaryOther:
    case kStopCode:  // two bars
      pen.rectangle(0.15, 0.2, 0.4, 0.8, true);
      pen.rectangle(0.6, 0.2, 0.85, 0.8, true);
      break;
    case kSecondaryEnd:
    case kPrimaryEnd:  // a bracket closed by a wedge and a block
      pen.line(0.1, 0.2, 0.1, 0.8);
      pen.polyline({{10, 20}, {40, 20}, {40, 80}, {10, 80}});
      if (kind == kPrimaryEnd)
        pen.polygon({{45, 50}, {80, 20}, {80, 80}});
      else
        pen.polygon({{45, 50}, {80, 30}, {80, 70}});
      pen.rectangle(0.8, 0.45, 0.95, 0.55, true);
      break;
    case kPrimaryAttribute:
      pen.line(0.1, 0.2, 0.1, 0.8);
      pen.polygon({{15, 20}, {60, 50}, {15, 80}});
      pen.rectangle(0.7, 0.3, 0.9, 0.7, true);
      break;
    case kRequiredSpace:  // a cup under the line
      pen.polygon({{10, 60}, {25, 60}, {25, 75}, {75, 75}, {75, 60}, {90, 60}, {90, 90}, {10, 90}});
      break;
    case kDup: {  // the character struck through
      const unsigned char c = chars_[position] ? chars_[position] : '*';
      drawText(ink, x, y + ascent_, &c, 1);
      pen.line(0.0, 0.5, 1.0, 0.5);
      break;
    }
    default:
      break;
  }
}

void ScreenPainter::freeAttributeGlyphs() {
  for (auto& size : glyphs_)
    for (Pixmap& p : size) {
      if (p) XFreePixmap(display_, p);
      p = 0;
    }
}

void ScreenPainter::drawAttributeGlyph(int position, unsigned char attribute, bool atCursor) {
  if (!chars_ || position < 0 || position >= cells_ || !IsFieldAttribute(attribute)) return;
  const bool large = cellWidth_ > 8;
  const int index = attribute - 0x20;
  Pixmap& glyph = glyphs_[large ? 1 : 0][index];
  const int glyphWidth = large ? 9 : 6, glyphHeight = large ? 15 : 13;
  if (!glyph) {
    const AttributeGlyph g = MakeAttributeGlyph(index, large);
    glyph = XCreateBitmapFromData(display_, drawable_, reinterpret_cast<const char*>(g.bits.data()),
                                  static_cast<unsigned int>(g.width), static_cast<unsigned int>(g.height));
  }
  GC gc = (attribute & 0x01) ? reverse_[kGreen] : normal_[kGreen];
  if (atCursor) gc = (attribute & 0x01) ? cursor_[0] : cursor_[1];
  const int x = cellX(position), y = cellY(position);
  // The cell in the glyph's background first, then the glyph in the middle.
  GC paper = (attribute & 0x01) ? normal_[kGreen] : reverse_[kGreen];
  if (atCursor) paper = (attribute & 0x01) ? cursor_[1] : cursor_[0];
  XFillRectangle(display_, drawable_, paper, x, y, static_cast<unsigned int>(cellWidth_),
                 static_cast<unsigned int>(cellHeight_));
  const int w = std::min(glyphWidth, cellWidth_), h = std::min(glyphHeight, cellHeight_);
  XCopyPlane(display_, glyph, drawable_, gc, 0, 0, static_cast<unsigned int>(w), static_cast<unsigned int>(h),
             x + (cellWidth_ - w) / 2, y + (cellHeight_ - h) / 2, 1);
}

void ScreenPainter::drawEnptuiGlyph(int position, unsigned char code, const Neighbours& around, bool atCursor) {
  if (!chars_ || position < 0 || position >= cells_ || code < 1 || code > 29) return;
  const unsigned short attr = attrs_[position];
  GC ink = textGC(attr);
  GC paper = (attr & kReverse) ? normal_[attr & 0x1F] : reverse_[attr & 0x1F];
  if (atCursor) {
    paper = cursor_[0];
    ink = (attr & kReverse) ? cursor_[0] : cursor_[1];
  }
  const int x = cellX(position), y = cellY(position);
  XFillRectangle(display_, drawable_, paper, x, y, static_cast<unsigned int>(cellWidth_),
                 static_cast<unsigned int>(cellHeight_));
  const CellPen pen(display_, drawable_, ink, x, y, cellWidth_, cellHeight_);
  const CellPen light(display_, drawable_, buttonTop_, x, y, cellWidth_, cellHeight_);
  const CellPen dark(display_, drawable_, buttonBottom_, x, y, cellWidth_, cellHeight_);
  // A raised 3-D frame around the cell, or part of one.
  auto raised = [&](bool top, bool bottom, bool left, bool right) {
    if (top) light.polyline({{0, 0}, {100, 0}});
    if (left) light.polyline({{0, 0}, {0, 100}});
    if (bottom) dark.polyline({{0, 100}, {100, 100}});
    if (right) dark.polyline({{100, 0}, {100, 100}});
  };
  switch (code) {
    case 0x01:  // scroll arrows: up, down, left, right
      pen.polygon({{20, 70}, {50, 25}, {80, 70}});
      raised(true, true, true, true);
      break;
    case 0x02:
      pen.polygon({{20, 30}, {50, 75}, {80, 30}});
      raised(true, true, true, true);
      break;
    case 0x03:
      pen.polygon({{75, 20}, {20, 50}, {75, 80}});
      raised(true, true, true, true);
      break;
    case 0x05:
      pen.polygon({{25, 20}, {80, 50}, {25, 80}});
      raised(true, true, true, true);
      break;
    case 0x14:  // check box: sunken; checked shows a tick
    case 0x15:
      dark.polyline({{15, 75}, {15, 25}, {85, 25}});
      light.polyline({{15, 75}, {85, 75}, {85, 25}});
      if (code == 0x15) pen.polygon({{25, 50}, {45, 70}, {80, 30}, {45, 60}});
      break;
    case 0x16:  // radio button: a sunken diamond; selected shows a dot
    case 0x17:
      dark.polyline({{10, 50}, {50, 20}, {90, 50}});
      light.polyline({{10, 50}, {50, 80}, {90, 50}});
      if (code == 0x17) pen.polygon({{35, 50}, {50, 38}, {65, 50}, {50, 62}});
      break;
    case 0x19: {  // vertical slider: a raised block, open where it goes on
      const bool openTop = around.above == 0x19, openBottom = around.below == 0x19;
      pen.polygon({{10, static_cast<short>(openTop ? 0 : 10)},
                   {90, static_cast<short>(openTop ? 0 : 10)},
                   {90, static_cast<short>(openBottom ? 100 : 90)},
                   {10, static_cast<short>(openBottom ? 100 : 90)}});
      light.polyline({{10, 100}, {10, 0}});
      dark.polyline({{90, 0}, {90, 100}});
      if (!openTop) light.polyline({{10, 10}, {90, 10}});
      if (!openBottom) dark.polyline({{10, 90}, {90, 90}});
      break;
    }
    case 0x1D: {  // horizontal slider
      const bool openLeft = around.before == 0x1D, openRight = around.after == 0x1D;
      pen.polygon({{static_cast<short>(openLeft ? 0 : 10), 15},
                   {static_cast<short>(openRight ? 100 : 90), 15},
                   {static_cast<short>(openRight ? 100 : 90), 85},
                   {static_cast<short>(openLeft ? 0 : 10), 85}});
      light.polyline({{0, 15}, {100, 15}});
      dark.polyline({{0, 85}, {100, 85}});
      if (!openLeft) light.polyline({{10, 15}, {10, 85}});
      if (!openRight) dark.polyline({{90, 15}, {90, 85}});
      break;
    }
    case 0x1A:  // scroll shafts: their two edges
      dark.polyline({{0, 0}, {0, 100}});
      light.polyline({{100, 0}, {100, 100}});
      break;
    case 0x1B:
      dark.polyline({{0, 0}, {100, 0}});
      light.polyline({{0, 100}, {100, 100}});
      break;
    case 0x0C:  // window corners: top left, top right, bottom left, bottom right
      pen.line(0.5, 0.5, 1.0, 0.5);
      pen.line(0.5, 0.5, 0.5, 1.0);
      break;
    case 0x0B:
      pen.line(0.0, 0.5, 0.5, 0.5);
      pen.line(0.5, 0.5, 0.5, 1.0);
      break;
    case 0x0A:
      pen.line(0.5, 0.0, 0.5, 0.5);
      pen.line(0.5, 0.5, 1.0, 0.5);
      break;
    case 0x0D:
      pen.line(0.0, 0.5, 0.5, 0.5);
      pen.line(0.5, 0.0, 0.5, 0.5);
      break;
    case 0x08:  // a crossing
      pen.line(0.0, 0.5, 1.0, 0.5);
      pen.line(0.5, 0.0, 0.5, 1.0);
      break;
    case 0x12:  // sides, top and bottom, and the lines of minor windows
    case 0x06:
      pen.line(0.5, 0.0, 0.5, 1.0);
      break;
    case 0x13:
    case 0x07:
      pen.line(0.0, 0.5, 1.0, 0.5);
      break;
    case 0x1F:  // a block over the cell
      pen.rectangle(0.1, 0.1, 0.9, 0.9, true);
      break;
    case 0x1C:
    case 0x1E: {  // the character, struck through
      const unsigned char c = chars_[position] && chars_[position] != ' ' ? chars_[position] : '*';
      drawText(ink, x, y + ascent_, &c, 1);
      pen.line(0.0, 0.5, 1.0, 0.5);
      break;
    }
    default:  // the cell's background only
      break;
  }
}
