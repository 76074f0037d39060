#pragma once
// Paints a session's screen copy (one display character and one display
// attribute word per position, plus painting flags) into an X drawable:
// text runs of equal attributes with one text call each, reverse image,
// underline, column separators, non-display blanks, push-button frames, the
// cursor in its styles and marking lines. It owns its graphics contexts; the
// session window keeps the screen copy and decides what to repaint.
#include <X11/Xlib.h>

#include <cstdint>

// Painting flags of a position: a hot spot is drawn as a pressed button, a
// highlighted button or hot spot in reverse image.
namespace paint_flag {
constexpr unsigned short kRuleLine = 0x0001;
constexpr unsigned short kPushButton = 0x0008;
constexpr unsigned short kHotSpot = 0x0020;
constexpr unsigned short kButtonMask = 0x0028;
constexpr unsigned short kHighlighted = 0x0040;
}  // namespace paint_flag

// The pixels of the screen colours.
struct ScreenPixels {
  unsigned long foreground = 0;      // emulator foreground (colour numbers 0, 2-7)
  unsigned long background = 0;      // screen background
  unsigned long entryHighlight = 0;  // background of highlighted entry fields
  unsigned long defIntense = 0;      // colour number 1
  unsigned long defaultColor = 0;    // colour number 8
  unsigned long blue = 0, red = 0, pink = 0, green = 0, turquoise = 0, yellow = 0, white = 0;  // 9-15
  unsigned long cursor = 0;
  unsigned long rule = 0;
  unsigned long pushButton = 0;       // push-button background
  unsigned long pushButtonTop = 0;    // its top shadow
  unsigned long pushButtonBottom = 0; // its bottom shadow
};

enum class CellCursor { Block, Bar, Hollow };

class ScreenPainter {
 public:
  // `font` must stay loaded while the painter exists. With a font set and a
  // wide-character table the text goes through the wide-character call
  // (for fonts that are not ISO 8859-1); otherwise bytes are drawn as they are.
  ScreenPainter(Display* display, Drawable drawable, XFontStruct* font, const ScreenPixels& pixels,
                XFontSet fontSet = nullptr, const wchar_t* wideTable = nullptr);
  ~ScreenPainter();
  ScreenPainter(const ScreenPainter&) = delete;
  ScreenPainter& operator=(const ScreenPainter&) = delete;

  void setScreen(const unsigned char* chars, const unsigned short* attrs, unsigned short* flags, int columns,
                 int cells);
  void setOrigin(int x, int y) {
    originX_ = x;
    originY_ = y;
  }
  void setColumnSeparators(bool on) { columnSeparators_ = on; }
  // A euro session's font set for the euro sign: every byte 0xA4 is drawn
  // again with its euro glyph (null: none).
  void setEuroFontSet(XFontSet set) { euroSet_ = set; }
  void setBlueUnderline(bool on) { blueUnderline_ = on; }

  int cellWidth() const { return cellWidth_; }
  int cellHeight() const { return cellHeight_; }
  int ascent() const { return ascent_; }
  int underlineRow() const { return underlineRow_; }
  int cellX(int position) const { return originX_ + (position % columns_) * cellWidth_; }
  int cellY(int position) const { return originY_ + (position / columns_) * cellHeight_; }

  // Paints positions [start, end) of one row. True when the run covered `cursor`.
  bool drawSpan(int start, int end, int cursor);
  // The same with composed text: the cells' backgrounds first, then each
  // character over the cell `position - absorbed[position - start]`.
  bool drawComposedSpan(int start, int end, const unsigned char* absorbed, int cursor);
  // The cursor cell in a shape (Block shows the character through the
  // cursor colours).
  void drawCursor(int position, CellCursor shape);
  // The cursor of `position` drawn in another cell (composed text).
  void drawCursorAt(int position, int cell, CellCursor shape);
  // A line segment of a marking or rule line along a side of the cells from
  // position `from` to `to` (0 top, 1 bottom, 2 left, 3 right).
  void drawSideLine(int side, int from, int to, bool dashed);
  // A text-assist symbol (a text_symbol kind) over a position's cell: the
  // cell's background first, then the symbol in the cell's text colour; at
  // the block cursor in the cursor colours.
  void drawTextSymbol(int position, int kind, bool atCursor = false);

  // The glyph of a field attribute byte (0x20-0x3F) over a position's cell
  // (extended display): green on the background, reverse for a reverse
  // attribute, in the cursor colours at the block cursor.
  void drawAttributeGlyph(int position, unsigned char attribute, bool atCursor = false);
  // The graphic symbol (code 1-29) of a host window, selection field or
  // scroll bar over a position's cell: borders as lines through the cell,
  // scroll arrows, check boxes and radio buttons with 3-D shadows, scroll
  // shafts and sliders (a slider's ends follow the codes of the cells
  // before and after it along the bar).
  struct Neighbours {
    unsigned char before = 0, after = 0, above = 0, below = 0;
  };
  void drawEnptuiGlyph(int position, unsigned char code, const Neighbours& around, bool atCursor = false);
  // Frees the cached attribute glyphs.
  void freeAttributeGlyphs();

  // Text calls made so far (one per run).
  unsigned long textCalls() const { return textCalls_; }

 private:
  GC textGC(unsigned short attr) const;
  void drawText(GC gc, int x, int y, const unsigned char* bytes, int n);
  void drawPushButtonFrame(int start, int length, bool pressed);

  Display* display_;
  Drawable drawable_;
  XFontStruct* font_;
  XFontSet fontSet_;
  XFontSet euroSet_ = nullptr;
  const wchar_t* wide_;
  bool eightBit_ = true;
  bool unevenFont_ = false;  // not every character of the font is one cell wide
  ScreenPixels pixels_;
  GC normal_[32] = {};
  GC reverse_[32] = {};
  GC blueNormal_ = nullptr, blueReverse_ = nullptr;
  GC cursor_[2] = {};
  GC ruleSolid_ = nullptr, ruleDashed_ = nullptr;
  GC buttonTop_ = nullptr, buttonBottom_ = nullptr;
  Pixmap glyphs_[2][32] = {};  // small and large attribute glyphs, made on first use

  const unsigned char* chars_ = nullptr;
  const unsigned short* attrs_ = nullptr;
  unsigned short* flags_ = nullptr;
  int columns_ = 80;
  int cells_ = 0;
  int originX_ = 1, originY_ = 1;
  int cellWidth_ = 1, cellHeight_ = 1, ascent_ = 1, underlineRow_ = 0;
  bool columnSeparators_ = false;
  bool blueUnderline_ = false;
  unsigned long textCalls_ = 0;
};
