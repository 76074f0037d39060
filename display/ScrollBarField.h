#pragma once
// Scroll bars: bypass fields that show and change the position of a
// scrollable list. The state is that of the host's definition; dragging and
// reads are filled in by the scroll-bar code.
#include "display/Field.h"

class ScrollBarField : public Field {
 public:
  static constexpr unsigned char kArrows = 0x80;
  static constexpr unsigned char kInSelectionField = 0x40;
  static constexpr unsigned char kCursorFollowsClick = 0x20;

  int mouseClick(DisplayBag* d, unsigned int offset) override;
  int fieldHook55(DisplayBag* d, unsigned int barSize) override;
  unsigned int getFirstPartEnd() const override;
  unsigned int getStartOffset() const override;
  Field* getNextRecord() override;
  int countsAsField() const override;
  int isPartOfSelectionField(unsigned int askMDT) override;
  int containsOffset(unsigned int offset, unsigned int columns) const override;
  unsigned int getLastCursorOffset(DisplayBag* d) override;
  unsigned int getFirstCursorOffset(DisplayBag* d) override;
  int markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) override;
  int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  unsigned int restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in) override;
  void saveField(qrnOStream* out) const override;

  // Class operations (slots 91-96 of the scroll bars).
  virtual unsigned char backAid() const = 0;                                     // 91
  virtual unsigned char forwardAid() const = 0;                                  // 92
  virtual unsigned int cellIndex(unsigned int offset, unsigned int columns) const = 0;  // 93
  virtual unsigned int cellDistance(unsigned int columns) const = 0;             // 94
  virtual unsigned int clampOffset(unsigned int offset, unsigned int columns) const = 0;  // 95
  virtual void drawBar(DisplayBag* d) = 0;                                       // 96

  // The drag of the slider, run by the keyboard's drag-and-drop state: the
  // pointer moved to `offset`; the button came up (the scroll AID goes to
  // the host when the slider moved); the drag was cancelled (the slider
  // goes back).
  void mouseMovementInDragDropState(DisplayBag* d, unsigned int offset);
  void leftButtonReleaseInDragDropState(DisplayBag* d);
  void resetDragDropState(DisplayBag* d);
  // The slider's first cell for the current position.
  unsigned int calculateSliderOffset() const;
  // After a drag from oldSliderOffset: the increment the next read reports
  // (0xFFFFFFFF: to the top or the end), the position updated.
  unsigned int calculateScrollBarIncrement(DisplayBag* d, unsigned int oldSliderOffset);
  unsigned int pendingIncrement() const { return increment_; }
  unsigned int sliderOffset() const { return sliderOffset_; }
  void setScrollBarParameters(unsigned int start, unsigned int totalRows, unsigned int position,
                              unsigned int barSize);
  unsigned int barSize() const { return barSize_; }
  unsigned int totalRows() const { return totalRows_; }
  unsigned int position() const { return position_; }
  unsigned char barFlags() const { return barFlags_; }
  void setBarFlags(unsigned char bits) { barFlags_ |= bits; }
  // The slider's first cell (from the bar's first cell) and its cells.
  void setSlider(unsigned int offset, unsigned int size) {
    sliderOffset_ = static_cast<unsigned char>(offset);
    sliderSize_ = static_cast<unsigned char>(size);
  }
  unsigned int sliderSize() const { return sliderSize_; }
  // The characters of the shaft and of the slider.
  void setBarCharacters(unsigned char shaft, unsigned char slider) {
    shaftChar_ = shaft;
    sliderChar_ = slider;
  }
  void setColumns(unsigned int columns) { columns_ = static_cast<unsigned char>(columns); }
  // The read data: the pending increment (4 bytes), which starts again at 0.
  int readIncrement(unsigned char* out, unsigned int room);

 protected:
  ScrollBarField();
  // The last offset of the bar on a screen of `columns` columns.
  unsigned int lastCell(unsigned int columns) const;
  // The shaft's first cell and the slider's highest first cell.
  unsigned int firstShaftCell() const { return (barFlags_ & kArrows) ? 1u : 0u; }
  unsigned int shaftCells() const;
  unsigned int lastSliderOffset() const;
  // Writes the shaft and the slider (the arrows stay as they are).
  void paintShaft(DisplayBag* d);
  // Moves the cursor into the bar for a click at `offset` when the bar asks
  // for it; non-zero when the cursor could not go there.
  int cursorForClick(DisplayBag* d, unsigned int offset);
  // Sets MDT, checks the AID and posts it; on an error MDT is as before and
  // the error is raised (returned).
  int postScrollAid(DisplayBag* d, unsigned char aid);

  unsigned char barFlags_ = 0;
  unsigned short start_ = 0;
  unsigned short cursorOffset_ = 0;
  unsigned int totalRows_ = 0;
  unsigned int position_ = 0;
  unsigned int increment_ = 0;
  unsigned char sliderOffset_ = 0;
  unsigned char sliderSize_ = 0;
  unsigned char barSize_ = 0;
  unsigned char shaftChar_ = 0;
  unsigned char sliderChar_ = 0;
  unsigned char columns_ = 0;  // the screen's columns when the bar was laid out
};

class VerticalScrollBar : public ScrollBarField {
 public:
  FieldClassID getFieldClassID() const override { return kVerticalScrollBar; }
  unsigned char backAid() const override { return 0xF4; }
  unsigned char forwardAid() const override { return 0xF5; }
  unsigned int cellIndex(unsigned int offset, unsigned int columns) const override;
  unsigned int cellDistance(unsigned int columns) const override { return columns; }
  unsigned int clampOffset(unsigned int offset, unsigned int columns) const override;
  void drawBar(DisplayBag* d) override;
};

class HorizontalScrollBar : public ScrollBarField {
 public:
  FieldClassID getFieldClassID() const override { return kHorizontalScrollBar; }
  unsigned char backAid() const override { return 0xD9; }
  unsigned char forwardAid() const override { return 0xDA; }
  unsigned int cellIndex(unsigned int offset, unsigned int columns) const override;
  unsigned int cellDistance(unsigned int) const override { return 1; }
  unsigned int clampOffset(unsigned int offset, unsigned int columns) const override;
  void drawBar(DisplayBag* d) override;
};
