#pragma once
// A selection field: a host-defined set of choices that follow the record in
// the arena.
#include "display/Field.h"

class SelectionField : public Field {
 public:
  static constexpr unsigned char kCuaFieldAdvance = 0x10;  // selection flags
  static constexpr unsigned char kTypeMask = 0x07;         // type byte
  static constexpr unsigned char kTypePushButtons = 1;

  explicit SelectionField(unsigned int choices);

  int isUnavailableAt(unsigned int offset, AreaOfScreen* from) override;
  int isInputCapableAt(unsigned int offset) override;
  FieldClassID getFieldClassID() const override { return kSelectionField; }
  int isCuaCompliant() override;
  int isPartOfSelectionField(unsigned int askMDT) override;
  unsigned int getFirstPartEnd() const override;
  unsigned int getStartOffset() const override;
  Field* getNextRecord() override;
  int containsOffset(unsigned int offset, unsigned int columns) const override;
  unsigned int getLastCursorOffset(DisplayBag* d) override;
  unsigned int getFirstCursorOffset(DisplayBag* d) override;
  int markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) override;
  int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  unsigned int restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in) override;
  void saveField(qrnOStream* out) const override;

  bool isCuaComplianceForFieldAdvanceFieldBackSpace() const {
    return (selectionFlags_ & kCuaFieldAdvance) != 0;
  }
  unsigned int selectionType() const { return type_ & kTypeMask; }
  void setSelectionType(unsigned int t) { type_ = static_cast<unsigned char>(t & kTypeMask); }
  // What the host's definition sets: the selection flags, the number of
  // columns of choices and the six indicator attributes (cursor on:
  // available, selected, unavailable; then the same with the cursor off).
  void define(unsigned char selectionFlags, unsigned char columns, const unsigned char* indicators);
  unsigned char columns() const { return columns_; }
  unsigned char indicator(unsigned int i) const { return i < 6 ? indicators_[i] : 0; }
  // The number of choices the field was created with, and those built so far.
  unsigned int choiceCount() const { return choices_; }
  unsigned int builtChoices() const;
  SelectionFieldChoice* choice(unsigned int i);  // 0-based, of the built ones
  const SelectionFieldChoice* choice(unsigned int i) const;
  SelectionFieldChoice* choiceBase() const;

 private:
  const SelectionFieldChoice* choiceAt(unsigned int offset) const;

  unsigned char selectionFlags_ = 0;
  unsigned char type_ = 0;
  unsigned char columns_ = 0;
  unsigned char indicators_[6] = {0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
  unsigned char deselectedChar_ = 0x40;
  unsigned char selectedChar_ = 0x61;
  unsigned char choices_;
};
