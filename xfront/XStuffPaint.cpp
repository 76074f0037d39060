// Painting of the session window: the painting contexts from the drawing
// widget's colours and font, row spans of the screen copy, and the cursor.
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include <algorithm>

#include "session/AppResources.h"
#include "session/MiscPreferences.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "xfront/DisplayAttributes.h"
#include "xfront/RenderingX.h"
#include "xfront/TextSymbols.h"
#include "xfront/ThaiComposition.h"
#include "xfront/ThaiKeyCheck.h"
#include "xfront/Win3270.h"
#include "xfront/Win3270P.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

void XStuff::creategc(bool force) {
  if (!private_ || !private_->drawing || !XtIsRealized(private_->drawing)) return;
  Private& p = *private_;
  if (p.painter && !force) return;
  p.painter.reset();
  Widget w = p.drawing;
  auto* xw = reinterpret_cast<X5250Rec*>(w);
  const X5250Part& x = xw->x5250;
  ScreenPixels px;
  px.foreground = xw->win3270.foreground;
  px.background = w->core.background_pixel;
  px.entryHighlight = entryHighlightPixel_ ? entryHighlightPixel_ : px.background;
  px.defIntense = x.extDefIntense;
  px.defaultColor = x.extDefault;
  px.blue = x.extBlue;
  px.red = x.extRed;
  px.pink = x.extPink;
  px.green = x.extGreen;
  px.turquoise = x.extTurquoise;
  px.yellow = x.extYellow;
  px.white = x.extWhite;
  px.cursor = x.cursorColor;
  px.rule = x.ruleColor == kPixelNotSet ? px.foreground : x.ruleColor;
  px.pushButton = x.pushbuttonBackground == kPixelNotSet ? px.background : x.pushbuttonBackground;
  Pixel fg = 0, top = 0, bottom = 0, select = 0;
  XmGetColors(XtScreen(w), w->core.colormap, px.pushButton, &fg, &top, &bottom, &select);
  px.pushButtonTop = top;
  px.pushButtonBottom = bottom;

  XFontStruct* font = x.fontP ? x.fontP : p.currentFont;
  XFontSet fontSet = nullptr;
  if (p.thaiFontInUse) {
    // A Thai font draws the session's bytes as they are.
  } else if (p.currentFontSet) {
    fontSet = p.currentFontSet;
  } else if (p.fonts) {
    const std::vector<LoadedFontSet>& sets = p.fonts->drawingSets.empty() ? p.fonts->menuSets : p.fonts->drawingSets;
    const int position = p.fontChoice.chosenPosition();
    if (position >= 1 && position <= static_cast<int>(sets.size())) fontSet = sets[position - 1].fontSet;
  }
  p.painter = std::make_unique<ScreenPainter>(XtDisplay(w), XtWindow(w), font, px, fontSet, wide_);
  p.painter->setScreen(chars_.data(), attributes_.data(), overlay_.data(), columns_, cells());
  p.painter->setOrigin(originX_, originY_);
  p.painter->setColumnSeparators(columnSeparators_);
  p.painter->setEuroFontSet(p.currentEuroSet);
  p.painter->setBlueUnderline(miscPreference(misc_pref::kBlueUnderscore) == 0);
  cellWidth_ = p.painter->cellWidth();
  cellHeight_ = p.painter->cellHeight();
}

void XStuff::destroygc() {
  if (private_) private_->painter.reset();
}

namespace {
thai::Options ThaiOptions(bool spaceAlign, bool eofAlign, int spaceCount, unsigned char eofChar) {
  thai::Options o;
  o.spaceAlign = spaceAlign;
  o.endOfFieldAlign = eofAlign;
  o.spaceCount = spaceCount;
  o.endOfFieldChar = eofChar;
  return o;
}
constexpr int kMaxColumns = 256;
}  // namespace

bool XStuff::thaiRowBytes(int from, int to, unsigned char* out) const {
  const auto* rendering = session_ ? dynamic_cast<const RenderingX*>(session_->renderer) : nullptr;
  if (!rendering || from < 0 || to >= cells() || to < from) return false;
  for (int p = from; p <= to; ++p) out[p - from] = rendering->planeByte(0, p);
  return true;
}

int XStuff::thaiCursorCell(int position) const {
  if (!thaiCompose() || position < 0 || position >= cells() || columns_ <= 0 || columns_ > kMaxColumns)
    return position;
  const int rowStart = position / columns_ * columns_;
  unsigned char row[kMaxColumns];
  if (!thaiRowBytes(rowStart, rowStart + columns_ - 1, row)) return position;
  const thai::Options o = ThaiOptions(thaiSpaceAlign_, thaiEofAlign_, thaiSpaceCount_, thaiEofChar_);
  return rowStart + thai::CellOf(row, columns_, columns_, position - rowStart, o);
}

int XStuff::ThaiMarkPos(int, int position, int adjust) {
  if (!thaiCompose() || position < 0 || position >= cells() || columns_ <= 0 || columns_ > kMaxColumns)
    return position;
  const int rowStart = position / columns_ * columns_;
  unsigned char row[kMaxColumns];
  if (!thaiRowBytes(rowStart, rowStart + columns_ - 1, row)) return position;
  const thai::Options o = ThaiOptions(thaiSpaceAlign_, thaiEofAlign_, thaiSpaceCount_, thaiEofChar_);
  const int at = thai::MarkPos(row, columns_, columns_, position - rowStart, adjust != 0, o);
  return at < 0 ? position : rowStart + at;
}

int XStuff::ThaiKeySeqChk(unsigned char code) {
  if (!thaiKeyCheck_) return 1;
  return thai::CheckKeySequence(code, &thaiKeyState_) ? 1 : 0;
}

int XStuff::x_toggle_thaicompose() {
  if (!thai_) return 0;
  thaiCompose_ = !thaiCompose_;
  x_set_thai_font();
  return thaiCompose_ ? 1 : 0;
}

void XStuff::drawScreenData(int, int, int start, int end) {
  settleScreenCopy();
  creategc(false);
  if (!private_ || !private_->painter) return;
  ScreenPainter& painter = *private_->painter;
  const unsigned long before = painter.textCalls();
  const auto* rendering = session_ ? dynamic_cast<const RenderingX*>(session_->renderer) : nullptr;
  if (extendedDisplay_ && rendering) {
    // Null positions show the null-display character.
    for (int p = std::max(start, 0); p < end && p < cells(); ++p)
      if (rendering->planeByte(0, p) == 0 && !(attributes_[p] & display_attribute::kNonDisplay))
        chars_[p] = nullCharacter_;
  }
  bool composed = false;
  if (thaiCompose() && columns_ > 0 && columns_ <= kMaxColumns && start >= 0 && start < end && end <= cells()) {
    // Composed text is painted field by field: the range widens to the
    // field attributes around it on the row.
    const int rowStart = start / columns_ * columns_;
    unsigned char row[kMaxColumns];
    if (thaiRowBytes(rowStart, rowStart + columns_ - 1, row)) {
      const int from = thai::FindFieldAttributeLocation(row, columns_, columns_, start - rowStart, true);
      const int to = thai::FindFieldAttributeLocation(row, columns_, columns_, end - 1 - rowStart, false);
      unsigned char absorbed[kMaxColumns], flags[kMaxColumns];
      const thai::Options o = ThaiOptions(thaiSpaceAlign_, thaiEofAlign_, thaiSpaceCount_, thaiEofChar_);
      thai::ComposeInfo(row, from, to, o, absorbed, flags);
      start = rowStart + from;
      end = rowStart + to + 1;
      if (painter.drawComposedSpan(start, end, absorbed, cursorPosition_)) cursorDrawn_ = false;
      composed = true;
    }
  }
  if (!composed && painter.drawSpan(start, end, cursorPosition_)) cursorDrawn_ = false;
  drawTextSymbols(start, end);
  if (enptuiDisplay_ && rendering) {
    // The graphic symbols of host windows, selection fields and scroll bars.
    const int c = columns_;
    auto code = [&](int p) -> unsigned char { return p >= 0 && p < cells() ? rendering->planeByte(0, p) : 0; };
    for (int p = std::max(start, 0); p < end && p < cells(); ++p) {
      const unsigned char symbol = code(p);
      if (symbol < 1 || symbol > 29 || (attributes_[p] & display_attribute::kNonDisplay)) continue;
      ScreenPainter::Neighbours around;
      around.before = p % c ? code(p - 1) : 0;
      around.after = (p + 1) % c ? code(p + 1) : 0;
      around.above = code(p - c);
      around.below = code(p + c);
      painter.drawEnptuiGlyph(p, symbol, around);
    }
  }
  if (extendedDisplay_ && rendering) {
    // Field attribute bytes show as their glyphs.
    for (int p = std::max(start, 0); p < end && p < cells(); ++p) {
      const unsigned char code = rendering->planeByte(0, p);
      if (IsFieldAttribute(code)) painter.drawAttributeGlyph(p, code);
    }
  }
  noteHighlighted(start, end);
  paintStats_.textCalls += painter.textCalls() - before;
  for (int p = start; p < end; ++p)
    if (attributes_[p] & display_attribute::kBlink) {
      blinkLow_ = std::min(blinkLow_, p);
      blinkHigh_ = std::max(blinkHigh_, p);
    }
}

int XStuff::textSymbolAt(int position) const {
  const auto* rendering = session_ ? dynamic_cast<const RenderingX*>(session_->renderer) : nullptr;
  if (!rendering || position < 0 || position >= cells()) return text_symbol::kNone;
  // In the hidden phase of blinking text a blinking position shows nothing,
  // its symbol included.
  if (blinkHiddenPhase_ && (attributes_[position] & display_attribute::kBlink)) return text_symbol::kNone;
  const int plane = static_cast<int>(textSymbolsPlane_);
  const unsigned char presentation = rendering->planeByte(0, position);
  const unsigned char shown = plane == 0 ? presentation : rendering->planeByte(plane, position);
  return TextSymbolAt(presentation, shown, plane, TextSymbolsShown(textSymbolsDisplay_, textSymbolsWholeScreen_, plane),
                      (attributes_[position] & display_attribute::kNonDisplay) != 0);
}

void XStuff::drawTextSymbols(int start, int end) {
  if (!private_ || !private_->painter) return;
  for (int p = std::max(0, start); p < end && p < cells(); ++p) {
    const int kind = textSymbolAt(p);
    if (kind != text_symbol::kNone) private_->painter->drawTextSymbol(p, kind);
  }
}

void XStuff::applyBlueUnderscore() {
  if (private_ && private_->painter) private_->painter->setBlueUnderline(miscPreference(misc_pref::kBlueUnderscore) == 0);
}

CursorShapeChoice XStuff::cursorShape() const {
  switch (miscPreference(misc_pref::kCursorStyle)) {
    case 0:
      return CursorShapeChoice::Bar;
    case 1:
      return CursorShapeChoice::Block;
    case 3:
      return insertIndicator_ ? CursorShapeChoice::Bar : CursorShapeChoice::Block;
    case 2:
    default:
      return insertIndicator_ ? CursorShapeChoice::Block : CursorShapeChoice::Bar;
  }
}

void XStuff::drawcurs(char) {
  if (cursorHidden_ || cells() == 0) return;
  settleScreenCopy();
  creategc(false);
  if (!private_ || !private_->painter) return;
  ScreenPainter& painter = *private_->painter;
  CellCursor shape = CellCursor::Hollow;
  if (hasFocus_) shape = cursorShape() == CursorShapeChoice::Block ? CellCursor::Block : CellCursor::Bar;
  const unsigned long before = painter.textCalls();
  painter.drawCursorAt(cursorPosition_, thaiCursorCell(cursorPosition_), shape);
  if (shape == CellCursor::Block) {
    const int kind = textSymbolAt(cursorPosition_);
    if (kind != text_symbol::kNone) painter.drawTextSymbol(cursorPosition_, kind, true);
  }
  paintStats_.textCalls += painter.textCalls() - before;
  cursorDrawn_ = true;
  cursorShown_ = true;
}

void XStuff::clearcurs(char forced) {
  if (!cursorDrawn_ && !forced) return;
  cursorDrawn_ = false;
  if (!private_ || !private_->painter || cursorPosition_ >= cells()) return;
  // The cell as any repaint shows it (composed text, symbols, glyphs).
  drawScreenData(0, 0, cursorPosition_, cursorPosition_ + 1);
  cursorDrawn_ = false;
}
