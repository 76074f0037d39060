#pragma once
// Define selection field (structured field 0x50 of the write to display
// structured field order): builds a menu bar or a list of choices at the
// display address. Bytes 4-6 flags, 7 the selection-field type, 8-10 the
// device parameters, 13 text size, 14 rows, 15 columns (menu bar: choices),
// 16 padding, 17 numeric separator, 18 selection character, 19 cancel AID,
// then minor structures (length, type, data): presentation attributes 0x01,
// choice indicators 0x02, menu-bar separator 0x09 and choice text 0x10;
// others are stepped over. The whole structure is read and checked into the
// members below before the screen or the format table changes. A
// definition at the place of a selection field with as many choices
// redefines that field in place.
#include <cstdint>

#include "datastream/FSMNw.h"
#include "datastream/ScrollBarLayout.h"

class Addresses;
class DisplayBag;
class SelectionField;

class DFSF : public FSMNw {
 public:
  static constexpr uint32_t kHeaderLength = 20;
  static constexpr uint32_t kMinLength = 24;
  static constexpr uint32_t kScrollableHeaderLength = 28;
  static constexpr uint32_t kScrollableMinLength = 33;
  static constexpr unsigned char kMenuBar = 0x01;
  static constexpr unsigned char kScrollable = 0x80;  // flag byte 2
  static constexpr unsigned int kMaxChoices = 255;

  explicit DFSF(Arena* arena) : FSMNw(arena) {}
  // On the structured field's first length byte; finishes on its last byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

 private:
  struct Choice {
    const unsigned char* text;
    unsigned char length;  // of the text shown (at most the text size)
    unsigned char flags1;  // bits 0xC0: 0x00 available, 0x40 selected, else unavailable
    unsigned char flags2;  // cursor and AID bits of the choice
    unsigned char mnemonic;
    unsigned char aid;
    unsigned char numbers[2];  // the numeric selection characters shown before the text
    unsigned char numberCount;
    bool newRow;
  };
  struct Separator {
    bool present;
    unsigned char flags, start, end, attribute, character;
  };

  // The device parameter byte: the field kind and the indicator margin.
  // 0, or the sense code when the byte does not suit the type.
  uint32_t loadDeviceParameter(unsigned char parameter);
  // 0, or the sense code of the first bad minor structure.
  uint32_t loadMinors(Databyte* db, uint32_t at, uint32_t length);
  uint32_t loadAttributes(DisplayBag* d, const unsigned char* m, uint32_t n);
  uint32_t loadIndicators(const unsigned char* m, uint32_t n);
  uint32_t loadChoiceText(DisplayBag* d, const unsigned char* m, uint32_t n);
  uint32_t loadSeparator(DisplayBag* d, const unsigned char* m, uint32_t n);
  // Places every choice: 0, or the sense code when one does not fit.
  uint32_t layOut(DisplayBag* d, const Addresses& addresses);
  // The field at the display address that this definition redefines, or
  // null; `sense` is set when the place is taken in another way.
  SelectionField* existingField(DisplayBag* d, uint32_t address, uint32_t& sense);
  void clearOldField(DisplayBag* d, SelectionField* f);
  void build(DisplayBag* d, SelectionField* f, bool redefined);
  // 0, or the sense code when the scroll bar of a list that scrolls does
  // not fit.
  uint32_t placeScrollBar(DisplayBag* d, const Addresses& addresses);
  void buildScrollBar(DisplayBag* d, Addresses& addresses, SelectionField* f, SelectionField* old);
  unsigned char options() const;
  unsigned int stride() const;
  // The shortest text size the field's kind leaves room in: the numeric
  // selection characters (and the blank after them), or a push button's
  // brackets.
  unsigned int minimumTextSize(unsigned char parameter) const;

  bool oneChoice_ = false;
  bool gui_ = false;
  unsigned char type_ = 0;
  unsigned char deviceMask_ = 0;
  unsigned char flags1_ = 0;
  unsigned char flags2_ = 0;
  unsigned char parameter_ = 0;
  unsigned char kind_ = 0;    // the field's selection type (0 to 4)
  unsigned char margin_ = 0;  // indicator positions left of the display address
  unsigned char textSize_ = 0;
  unsigned char rows_ = 0;
  unsigned char columns_ = 0;
  unsigned char padding_ = 0;
  uint32_t total_ = 0;     // rows of a list that scrolls
  uint32_t position_ = 0;  // its first row shown
  unsigned int barStart_ = 0;
  unsigned char separatorCharacter_ = 0;
  unsigned char selectionCharacter_ = 0;
  unsigned char attributes_[10] = {};
  unsigned char selectedIndicator_ = 0;
  unsigned char availableIndicator_ = 0;
  unsigned char unavailableIndicator_ = 0;
  ScrollBarLook barLook_ = {};
  Separator separator_ = {};
  unsigned int count_ = 0;
  unsigned int selected_ = 0;
  Choice choices_[kMaxChoices] = {};
  unsigned short starts_[kMaxChoices] = {};  // first text position of each choice
  unsigned char widths_[kMaxChoices] = {};
};
