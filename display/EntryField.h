#pragma once
// Entry fields: input fields whose positions are given by one or more
// segments that follow the record in the arena, and their concrete classes.
#include "display/Field.h"

class PresentationSpaceScreenBuffer;

class EntryField : public Field {
 public:
  // Format byte 1.
  static constexpr unsigned char kDupAllowed = 0x80;
  static constexpr unsigned char kAlternateAid = 0x20;
  static constexpr unsigned char kMandatoryEntry = 0x10;
  static constexpr unsigned char kShiftTypeMask = 0x07;
  // Format byte 2.
  static constexpr unsigned char kResequenced = 0x04;
  static constexpr unsigned char kChangedByEditKey = 0x08;

  // Area operations.
  int characterAdvance(DisplayBag* d) override;
  int characterBackspace(DisplayBag* d) override;
  int cursorDown(DisplayBag* d) override;
  int cursorLeft(DisplayBag* d, unsigned int count) override;
  int cursorRight(DisplayBag* d, unsigned int count) override;
  int cursorUp(DisplayBag* d) override;
  int ownsOffset(unsigned int offset) override;
  int isEntryField() override;
  int isInputCapableAt(unsigned int offset) override;
  unsigned int mirrorOffset(unsigned int offset) override;
  int enterArea(DisplayBag* d, unsigned int offset) override;

  // Field operations.
  int checkMandatoryEntry() override;
  unsigned int getCursorProgressionNumber() override;
  unsigned int getResequenceNumber() override;
  unsigned int getFirstPartEnd() const override;
  unsigned int getStartOffset() const override;
  Field* getNextRecord() override;
  int containsOffset(unsigned int offset, unsigned int columns) const override;
  int markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) override;
  void clearFieldData(DisplayBag* d) override;
  unsigned int getSegmentStartAt(unsigned int offset) override;
  unsigned int getSegmentEndAt(unsigned int offset) override;
  int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  unsigned int restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in) override;
  void saveField(qrnOStream* out) const override;

  // Editing hooks (slots 91-114), filled by the editing code.
  virtual void asdMoveLeft(DisplayBag* d);                                       // 91
  virtual void asdMoveRight(DisplayBag* d);                                      // 92
  virtual int insertCharacterAtCursor(DisplayBag* d, unsigned char c);           // 93
  virtual int replaceCharacterAtCursor(DisplayBag* d, unsigned char c);          // 94
  virtual int asdDeleteCharacter(DisplayBag* d);                                 // 95
  virtual int isSignedNumeric();                                                 // 96
  virtual EntryFieldSegment* getSegmentForOffset(unsigned int offset);           // 97
  virtual unsigned char getZeroCharacter();                                      // 98
  virtual int insertCharacter(DisplayBag* d, unsigned char c);                   // 99
  virtual int asdInsertCharacter(DisplayBag* d, unsigned char c);                // 100
  virtual int asdAtEnd(DisplayBag* d);                                           // 101
  virtual int asdAtStart(DisplayBag* d);                                         // 102
  virtual unsigned int getLogicalEndOffset(DisplayBag* d);                       // 103
  virtual unsigned int getLogicalStartOffset(DisplayBag* d);                     // 104
  virtual int entryHook105();                                                    // 105
  virtual int entryHook106();                                                    // 106
  virtual int entryHook107(DisplayBag* d);                                       // 107
  virtual int writeData(DisplayBag* d, const unsigned char* data, unsigned int length);  // 108
  virtual int writeDataToEntryField(DisplayBag* d, const unsigned char* data,
                                    unsigned int length, unsigned int flags);    // 109
  virtual int entryHook110();                                                    // 110
  virtual void fillForward(DisplayBag* d, unsigned int offset, unsigned char c);   // 111
  virtual void fillBackward(DisplayBag* d, unsigned int offset, unsigned char c);  // 112
  virtual void afterErase(DisplayBag* d);                                        // 113
  virtual void rightAdjust(DisplayBag* d);                                       // 114

  bool hasSegments() const { return (flags_ & kHasParts) != 0; }
  EntryFieldSegment* getFirstSegmentPtr();
  const EntryFieldSegment* getFirstSegmentPtr() const;
  EntryFieldSegment* getLastSegmentPtr();
  const EntryFieldSegment* getLastSegmentPtr() const;
  unsigned int segmentCount() const;
  unsigned int getTotalFieldSize() const;
  void reverseFieldData(PresentationSpaceScreenBuffer* ps);
  bool isResequenced() const { return (format_[1] & kResequenced) != 0; }
  unsigned int shiftType() const { return format_[0] & kShiftTypeMask; }
  void setShiftType(unsigned int t) {
    format_[0] = static_cast<unsigned char>((format_[0] & ~kShiftTypeMask) | (t & kShiftTypeMask));
  }
  unsigned char formatByte(unsigned int i) const { return format_[i]; }
  void setFormatByte(unsigned int i, unsigned char b) { format_[i] = b; }

 protected:
  EntryField() = default;
  // The segment slot after the record (segments are not aligned to 8).
  EntryFieldSegment* segmentBase() const;
  const EntryFieldSegment* requireSegments() const;

  unsigned char format_[4] = {0, 0, 0, 0};
};

class LTRField : public EntryField {
 public:
  FieldClassID getFieldClassID() const override { return kLTRField; }
  unsigned int getLastCursorOffset(DisplayBag* d) override;
  unsigned int getFirstCursorOffset(DisplayBag* d) override;
  void toggleOrientation(DisplayBag* d, FormatTable* table) override;
};

class RTLField : public EntryField {
 public:
  FieldClassID getFieldClassID() const override { return kRTLField; }
  unsigned int getLastCursorOffset(DisplayBag* d) override;
  unsigned int getFirstCursorOffset(DisplayBag* d) override;
  void toggleOrientation(DisplayBag* d, FormatTable* table) override;
};

class ProtectedField : public LTRField {
 public:
  FieldClassID getFieldClassID() const override { return kProtectedField; }
  int ownsOffset(unsigned int offset) override;
  int checkMandatoryEntry() override;
  unsigned int mirrorOffset(unsigned int offset) override;
};

class SelectionCursorField : public ProtectedField {
 public:
  FieldClassID getFieldClassID() const override { return kSelectionCursorField; }
  int isUnavailableAt(unsigned int offset, AreaOfScreen* from) override;
  unsigned int getLastCursorOffset(DisplayBag* d) override;
};

class WordWrapField : public LTRField {
 public:
  FieldClassID getFieldClassID() const override { return kWordWrapField; }
  int isWordWrap() override;
};

class SignedNumericField : public LTRField {
 public:
  FieldClassID getFieldClassID() const override { return kSignedNumericField; }
  int isSignedNumeric() override;
  unsigned int getLastCursorOffset(DisplayBag* d) override;
};

class RTLWordWrapField : public RTLField {
 public:
  FieldClassID getFieldClassID() const override { return kRTLWordWrapField; }
  int isWordWrap() override;
};
