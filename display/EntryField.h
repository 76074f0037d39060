#pragma once
// Entry fields: input fields whose positions are given by one or more
// segments that follow the record in the arena, and their concrete classes.
#include "display/DBChar.h"
#include "display/Field.h"

class PresentationSpaceScreenBuffer;

class EntryField : public Field {
 public:
  // Format byte 1.
  static constexpr unsigned char kDupAllowed = 0x80;
  static constexpr unsigned char kFieldExitRequired = 0x40;
  static constexpr unsigned char kAlternateAid = 0x20;
  static constexpr unsigned char kMandatoryEntry = 0x10;
  static constexpr unsigned char kMonocase = 0x08;
  static constexpr unsigned char kShiftTypeMask = 0x07;
  // Format byte 2.
  static constexpr unsigned char kCursorSelectAid = 0x80;
  static constexpr unsigned char kLightPenWrite = 0x40;
  static constexpr unsigned char kTransparent = 0x10;
  static constexpr unsigned char kChangedByEditKey = 0x08;
  static constexpr unsigned char kResequenced = 0x04;
  static constexpr unsigned char kFillMask = 0x03;
  // Format byte 3.
  static constexpr unsigned char kModulus11 = 0x80;
  static constexpr unsigned char kModulus10 = 0x40;
  static constexpr unsigned char kHighlightMask = 0x3F;
  // Shift (edit) types.
  enum : unsigned int {
    kAlphanumericShift = 0, kAlphabeticOnly = 1, kNumericShift = 2, kNumericOnly = 3,
    kKatakanaShift = 4, kDigitsOnly = 5, kIOField = 6, kSignedNumericShift = 7,
  };
  // Fill types.
  enum : unsigned int { kNoFill = 0, kRightAdjustZero = 1, kRightAdjustBlank = 2, kMandatoryFill = 3 };

  // Area operations.
  int asdKey(DisplayBag* d, unsigned int key) override;
  int characterAdvance(DisplayBag* d) override;
  int characterBackspace(DisplayBag* d) override;
  int cursorDown(DisplayBag* d) override;
  int cursorLeft(DisplayBag* d, unsigned int count) override;
  int cursorRight(DisplayBag* d, unsigned int count) override;
  int cursorSelect(DisplayBag* d) override;
  // A light-pen field's first position toggles between "?" (0x6F, not
  // selected) and ">" (0x6E, selected, MDT on); a selected auto-enter field
  // posts AID 0x3F. Other fields ignore the pen.
  void lightPenWrite(DisplayBag* d) override;
  // In a field changed by the operator the distance from the field's start
  // is added to the station's light-pen correction first.
  void lightPenPosition(DisplayBag* d, unsigned int offset) override;
  int cursorUp(DisplayBag* d) override;
  int dataKey(DisplayBag* d, DataKeystroke* key) override;
  int dup(DisplayBag* d) override;
  int enterMovingLeft(DisplayBag* d, unsigned int offset) override;
  int enterMovingRight(DisplayBag* d, unsigned int offset) override;
  int eraseEOF(DisplayBag* d) override;
  int fieldAdvance(DisplayBag* d) override;
  int fieldBackspace(DisplayBag* d) override;
  int fieldExit(DisplayBag* d) override;
  int fieldMark(DisplayBag* d) override;
  int fieldMinus(DisplayBag* d) override;
  int gainFocus(DisplayBag* d) override;
  int goHome(DisplayBag* d) override;
  void loseFocus(DisplayBag* d) override;
  int reverse(DisplayBag* d) override;
  int checkBeforeAid(DisplayBag* d, unsigned char aid) override;
  // Ends a shaping run in the field: the characters after the cursor take
  // their shapes.
  int interruptShaping(DisplayBag* d) override;
  int ownsOffset(unsigned int offset) override;
  int isEntryField() override;
  int isInputCapableAt(unsigned int offset) override;
  unsigned int mirrorOffset(unsigned int offset) override;
  int enterArea(DisplayBag* d, unsigned int offset) override;
  // A click: the field's pointer AID, a light-pen selection, a programmed
  // button, a hot spot in a bypass field, or the plain click.
  int mouseClick(DisplayBag* d, unsigned int offset) override;
  int newline(DisplayBag* d) override;
  Field* findNextFieldForward(DisplayBag* d, unsigned int offset) override;
  // One character of a paste, typed as a data key; 1 (go on).
  int pasteCharacter(DisplayBag* d, unsigned char c) override;

  // Field operations.
  int advanceToNextLogicalField(DisplayBag* d) override;
  int verifySelfCheck(DisplayBag* d, unsigned int how) override;
  int checkBeforeExit(DisplayBag* d) override;
  void turnFieldIndicatorsOff(DisplayBag* d) override;
  void turnFieldIndicatorsOn(DisplayBag* d) override;
  int checkMandatoryEntry() override;
  unsigned int getCursorProgressionNumber() override;
  unsigned int getResequenceNumber() override;
  unsigned int getFirstPartEnd() const override;
  unsigned int getStartOffset() const override;
  Field* getNextRecord() override;
  int containsOffset(unsigned int offset, unsigned int columns) const override;
  int markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) override;
  void clearFieldData(DisplayBag* d) override;
  unsigned char eraseInput(DisplayBag* d) override;
  int copyHotspotText(DisplayBag* d, unsigned int source, unsigned int length) override;
  unsigned int getSegmentStartAt(unsigned int offset) override;
  unsigned int getSegmentEndAt(unsigned int offset) override;
  int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  unsigned int restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in) override;
  void saveField(qrnOStream* out) const override;
  int fieldHook54(DisplayBag* d) override;
  int checkFieldCreation(DisplayBag* d, Databyte* db) override;

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
  // Puts `length` bytes of text into the field; the screen offset of the
  // byte at `cursorIndex` comes back in `cursorOffset`. 0, or 12 when the
  // text does not fit (the field is then unchanged).
  virtual int writeDataToEntryField(DisplayBag* d, const unsigned char* data,
                                    unsigned int length, unsigned int cursorIndex,
                                    unsigned int& cursorOffset);                 // 109
  virtual int entryHook110();                                                    // 110
  virtual void fillForward(DisplayBag* d, unsigned int offset, unsigned char c);   // 111
  virtual void fillBackward(DisplayBag* d, unsigned int offset, unsigned char c);  // 112
  virtual void afterErase(DisplayBag* d);                                        // 113
  virtual void rightAdjust(DisplayBag* d);                                       // 114

  // Typing: inserts or replaces `c` at the cursor by the station's insert
  // mode; 0, or the operator error raised.
  int dataInsertReplace(DisplayBag* d, DBChar c, unsigned int flags);
  // The same while Arabic or Farsi shaping runs in the field.
  int shapedInsertReplace(DisplayBag* d, unsigned char c, unsigned int flags);
  // Attribute queries.
  unsigned int fillType() const { return format_[1] & kFillMask; }
  bool isRightAdjust() const { return fillType() == kRightAdjustZero || fillType() == kRightAdjustBlank; }
  bool isMandatoryFill() const { return fillType() == kMandatoryFill; }
  bool isFieldExitRequired() const { return (format_[0] & kFieldExitRequired) != 0; }
  bool isMonocase() const { return (format_[0] & kMonocase) != 0; }
  bool isMandatoryEntry() const { return (format_[0] & kMandatoryEntry) != 0; }
  bool isDupAllowed() const { return (format_[0] & kDupAllowed) != 0; }
  bool isAutoEnter() const { return (flags_ & kAutoEnter) != 0; }
  bool isChangedByOperator() const { return (format_[1] & kChangedByEditKey) != 0; }
  unsigned char highlightAttribute() const { return format_[2] & kHighlightMask; }
  // MDT and changed-by-operator, as every edit leaves them.
  void markEdited() {
    flags_ |= kMDT;
    format_[1] |= kChangedByEditKey;
  }
  // The position after (before) `offset` in the field's segment order, or -1
  // past the last (before the first) position.
  int nextPositionInField(unsigned int offset) const;
  int previousPositionInField(unsigned int offset) const;
  // The field's last data position: its last position, less the sign of a
  // signed-numeric field.
  unsigned int lastDataOffset();

  // Field data (reads and writes). The plain getter copies every segment,
  // nulls included, at most `capacity` bytes.
  unsigned int getDataFromEntryField(DisplayBag* d, unsigned char* buffer, unsigned int capacity);
  bool isTransparent() const;
  bool wordWrapOverflow() const;

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
  // The writers behind writeDataToEntryField: `backwards` writes each
  // segment (or line) from its last position.
  int writePlain(DisplayBag* d, const unsigned char* data, unsigned int length,
                 unsigned int cursorIndex, unsigned int& cursorOffset, bool backwards);
  int writeWordWrap(DisplayBag* d, const unsigned char* data, unsigned int length,
                    unsigned int cursorIndex, unsigned int& cursorOffset, bool backwards);
  // The word-wrap classes' reads: the text without nulls.
  int readWordWrapText(DisplayBag* d, unsigned char* out, unsigned int room, bool pad);

  unsigned char format_[4] = {0, 0, 0, 0};
};

class LTRField : public EntryField {
 public:
  FieldClassID getFieldClassID() const override { return kLTRField; }
  int writeDataToEntryField(DisplayBag* d, const unsigned char* data, unsigned int length,
                            unsigned int cursorIndex, unsigned int& cursorOffset) override;
  int close(DisplayBag* d) override;
  int cut(DisplayBag* d, unsigned int start, unsigned int rows, unsigned int width) override;
  int deleteKey(DisplayBag* d) override;
  int endKey(DisplayBag* d, unsigned int how) override;
  void toggleCursorDirection(DisplayBag* d) override;
  void asdMoveLeft(DisplayBag* d) override;
  void asdMoveRight(DisplayBag* d) override;
  int asdDeleteCharacter(DisplayBag* d) override;
  int insertCharacter(DisplayBag* d, unsigned char c) override;
  int asdAtEnd(DisplayBag* d) override;
  int asdAtStart(DisplayBag* d) override;
  unsigned int getLogicalEndOffset(DisplayBag* d) override;
  unsigned int getLogicalStartOffset(DisplayBag* d) override;
  void fillForward(DisplayBag* d, unsigned int offset, unsigned char c) override;
  void fillBackward(DisplayBag* d, unsigned int offset, unsigned char c) override;
  // Deletes `count` characters at `offset` (-1: the shifted cursor), closing
  // the text up through the following segments.
  void deleteLTRCursorDirection(DisplayBag* d, unsigned int count, unsigned int skip, int offset);
  unsigned int getLastCursorOffset(DisplayBag* d) override;
  unsigned int getFirstCursorOffset(DisplayBag* d) override;
  void toggleOrientation(DisplayBag* d, FormatTable* table) override;
};

class RTLField : public EntryField {
 public:
  FieldClassID getFieldClassID() const override { return kRTLField; }
  int writeDataToEntryField(DisplayBag* d, const unsigned char* data, unsigned int length,
                            unsigned int cursorIndex, unsigned int& cursorOffset) override;
  int close(DisplayBag* d) override;
  int deleteKey(DisplayBag* d) override;
  int endKey(DisplayBag* d, unsigned int how) override;
  void toggleCursorDirection(DisplayBag* d) override;
  void setCursorDirectionIndicator(DisplayBag* d) override;
  void asdMoveLeft(DisplayBag* d) override;
  void asdMoveRight(DisplayBag* d) override;
  int asdDeleteCharacter(DisplayBag* d) override;
  int insertCharacter(DisplayBag* d, unsigned char c) override;
  int asdAtEnd(DisplayBag* d) override;
  int asdAtStart(DisplayBag* d) override;
  unsigned int getLogicalEndOffset(DisplayBag* d) override;
  unsigned int getLogicalStartOffset(DisplayBag* d) override;
  void fillForward(DisplayBag* d, unsigned int offset, unsigned char c) override;
  void fillBackward(DisplayBag* d, unsigned int offset, unsigned char c) override;
  unsigned int getLastCursorOffset(DisplayBag* d) override;
  unsigned int getFirstCursorOffset(DisplayBag* d) override;
  void toggleOrientation(DisplayBag* d, FormatTable* table) override;
};

class ProtectedField : public LTRField {
 public:
  FieldClassID getFieldClassID() const override { return kProtectedField; }
  // A protected field takes no input: editing keys are operator error 5.
  int asdKey(DisplayBag* d, unsigned int key) override;
  int close(DisplayBag* d) override;
  int dataKey(DisplayBag* d, DataKeystroke* key) override;
  int deleteKey(DisplayBag* d) override;
  int dup(DisplayBag* d) override;
  int eraseEOF(DisplayBag* d) override;
  int fieldExit(DisplayBag* d) override;
  int fieldMark(DisplayBag* d) override;
  int fieldMinus(DisplayBag* d) override;
  int reverse(DisplayBag* d) override;
  int ownsOffset(unsigned int offset) override;
  int checkMandatoryEntry() override;
  unsigned int mirrorOffset(unsigned int offset) override;
  unsigned char eraseInput(DisplayBag* d) override;
};

// The cursor-only position of a selection construct: a protected field
// whose cursor stands on the start of a segment. It owns the positions just
// before and after each segment, so that a move onto its attribute lands on
// it; the cursor keys leave it two positions beyond a segment's edge.
class SelectionCursorField : public ProtectedField {
 public:
  FieldClassID getFieldClassID() const override { return kSelectionCursorField; }
  void settleCursor(DisplayBag* d) override;
  int cursorLeft(DisplayBag* d, unsigned int count) override;
  int cursorRight(DisplayBag* d, unsigned int count) override;
  int isUnavailableAt(unsigned int offset, AreaOfScreen* from) override;
  int enterMovingLeft(DisplayBag* d, unsigned int offset) override;
  int enterMovingRight(DisplayBag* d, unsigned int offset) override;
  int enterAtOffset(DisplayBag* d, unsigned int offset) override;
  unsigned int getEntryOffset(DisplayBag* d) override;
  int home(DisplayBag* d) override;
  int newline(DisplayBag* d) override;
  void positionCursor(DisplayBag* d) override;
  int containsOffset(unsigned int offset, unsigned int columns) const override;
  unsigned int getLastCursorOffset(DisplayBag* d) override;
  unsigned int getSegmentStartAt(unsigned int offset) override;
  unsigned int getSegmentEndAt(unsigned int offset) override;
  void turnFieldIndicatorsOff(DisplayBag* d) override;
  void turnFieldIndicatorsOn(DisplayBag* d) override;
  void asdMoveLeft(DisplayBag* d) override;
  void asdMoveRight(DisplayBag* d) override;
  EntryFieldSegment* getSegmentForOffset(unsigned int offset) override;
  int asdAtEnd(DisplayBag* d) override;
  int asdAtStart(DisplayBag* d) override;
  unsigned int getLogicalEndOffset(DisplayBag* d) override;
  unsigned int getLogicalStartOffset(DisplayBag* d) override;
};

class WordWrapField : public LTRField {
 public:
  FieldClassID getFieldClassID() const override { return kWordWrapField; }
  int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int writeData(DisplayBag* d, const unsigned char* data, unsigned int length) override;
  int writeDataToEntryField(DisplayBag* d, const unsigned char* data, unsigned int length,
                            unsigned int cursorIndex, unsigned int& cursorOffset) override;
  int close(DisplayBag* d) override;
  int cut(DisplayBag* d, unsigned int start, unsigned int rows, unsigned int width) override;
  int deleteKey(DisplayBag* d) override;
  int reverse(DisplayBag* d) override;
  int insertCharacterAtCursor(DisplayBag* d, unsigned char c) override;
  int replaceCharacterAtCursor(DisplayBag* d, unsigned char c) override;
  void afterErase(DisplayBag* d) override;
  int isWordWrap() override;
};

class SignedNumericField : public LTRField {
 public:
  FieldClassID getFieldClassID() const override { return kSignedNumericField; }
  int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  // Drops the sign position from read data and carries a minus sign into
  // the zone of the units digit; the new length.
  unsigned int processSignCharacterForReads(DisplayBag* d, unsigned char* data, unsigned int length);
  int deleteKey(DisplayBag* d) override;
  int asdAtEnd(DisplayBag* d) override;
  unsigned int getLogicalEndOffset(DisplayBag* d) override;
  int isSignedNumeric() override;
  unsigned int getLastCursorOffset(DisplayBag* d) override;
};

class RTLWordWrapField : public RTLField {
 public:
  FieldClassID getFieldClassID() const override { return kRTLWordWrapField; }
  int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) override;
  int writeData(DisplayBag* d, const unsigned char* data, unsigned int length) override;
  int writeDataToEntryField(DisplayBag* d, const unsigned char* data, unsigned int length,
                            unsigned int cursorIndex, unsigned int& cursorOffset) override;
  int close(DisplayBag* d) override;
  int cut(DisplayBag* d, unsigned int start, unsigned int rows, unsigned int width) override;
  int deleteKey(DisplayBag* d) override;
  int reverse(DisplayBag* d) override;
  int insertCharacterAtCursor(DisplayBag* d, unsigned char c) override;
  int replaceCharacterAtCursor(DisplayBag* d, unsigned char c) override;
  void afterErase(DisplayBag* d) override;
  int isWordWrap() override;
};
