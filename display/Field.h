#pragma once
// A field of the format table. Field objects are built in place in the
// table's arena, followed by their parts (entry-field segments, selection
// choices); they own no other memory and are never freed one by one. Records
// hold no pointers: the walk back uses a byte distance (the back link), the
// walk forward each class's getNextRecord.
#include "display/AreaOfScreen.h"
#include "display/FieldClassID.h"

class qrnOStream;
class qrnIStream;
class FormatTable;
class Databyte;

// One piece of an entry field; a field that continues over rows has several.
struct EntryFieldSegment {
  static constexpr unsigned char kFirst = 0x80;
  static constexpr unsigned char kLast = 0x40;
  EntryFieldSegment(unsigned int s, unsigned int e)
      : start(static_cast<unsigned short>(s)), end(static_cast<unsigned short>(e)) {}
  bool isFirstSegment() const { return (flags & kFirst) != 0; }
  bool isLastSegment() const { return (flags & kLast) != 0; }
  unsigned short start;
  unsigned short end;
  unsigned char flags = 0;
  unsigned char attribute = 0;  // the saved attribute, 6 low bits
};

// One choice of a selection field.
struct SelectionFieldChoice {
  // State bits: cursor moves that post an AID on this choice (Cursor Up
  // 0xF4, Cursor Right 0xDA, Cursor Down 0xF5), the choice does not take
  // the cursor, it may be selected, it is selected.
  static constexpr unsigned char kUpAid = 0x01;
  static constexpr unsigned char kRightAid = 0x02;
  static constexpr unsigned char kDownAid = 0x08;
  static constexpr unsigned char kNotCursorable = 0x10;
  static constexpr unsigned char kAvailable = 0x20;
  static constexpr unsigned char kSelected = 0x40;
  // Layout bits.
  static constexpr unsigned char kFirstOnRow = 0x80;
  static constexpr unsigned char kLastOnRow = 0x40;
  static constexpr unsigned char kFirstChoice = 0x20;
  static constexpr unsigned char kLastChoice = 0x10;
  static constexpr unsigned char kPushButton = 0x08;
  SelectionFieldChoice(unsigned int s, unsigned int e)
      : start(static_cast<unsigned short>(s)), end(static_cast<unsigned short>(e)) {}
  bool isFirstChoice() const { return (layout & kFirstChoice) != 0; }
  bool isLastChoice() const { return (layout & kLastChoice) != 0; }
  bool isCursorable() const { return !(state & kNotCursorable); }
  bool isAvailable() const { return (state & (kAvailable | kNotCursorable)) == kAvailable; }
  bool isSelected() const { return (state & kSelected) != 0; }
  unsigned short start;
  unsigned short end;
  unsigned char state = 0;
  unsigned char layout = 0;
  unsigned char column = 0;
  unsigned char mnemonic = 0;
  unsigned char aid = 0;
};

class Field : public AreaOfScreen {
 public:
  // Flag byte.
  static constexpr unsigned char kAutoEnter = 0x80;
  static constexpr unsigned char kHasParts = 0x08;
  static constexpr unsigned char kMDT = 0x10;
  static constexpr unsigned char kBypassForReverse = 0x20;
  static constexpr unsigned char kBypass = 0x40;

  int gainFocus(DisplayBag* d) override;
  void loseFocus(DisplayBag* d) override;
  int areaHook48(DisplayBag* d, unsigned int offset) override;

  virtual int advanceToNextLogicalField(DisplayBag* d);                          // 53
  virtual int fieldHook54(DisplayBag* d);                                        // 54
  virtual int fieldHook55(DisplayBag* d, unsigned int value);                    // 55
  virtual int fieldHook56(DisplayBag* d, unsigned int& sense);                   // 56
  virtual void drawPushButtons(DisplayBag* d, unsigned int first, unsigned int last);  // 57
  virtual int isCuaCompliant();                                                  // 58
  virtual void fieldHook59(DisplayBag* d);                                       // 59
  virtual int verifySelfCheck(DisplayBag* d, unsigned int how);                  // 60
  virtual int checkMandatoryEntry();                                             // 61
  virtual int checkBeforeExit(DisplayBag* d);                                    // 62
  virtual unsigned int getCursorProgressionNumber();                             // 63
  virtual unsigned int getFirstPartEnd() const = 0;                              // 64
  virtual FieldClassID getFieldClassID() const = 0;                              // 65
  virtual Field* getNextRecord() = 0;                                            // 66
  virtual unsigned int getResequenceNumber();                                    // 67
  virtual unsigned int getStartOffset() const = 0;                               // 68
  virtual int countsAsField() const;                                             // 69
  virtual int isPartOfSelectionField(unsigned int askMDT);                       // 70
  virtual int containsOffset(unsigned int offset, unsigned int columns) const = 0;  // 71
  virtual unsigned int getLastCursorOffset(DisplayBag* d) = 0;                   // 72
  virtual unsigned int getFirstCursorOffset(DisplayBag* d) = 0;                  // 73
  virtual unsigned int getNearestPosition(DisplayBag* d, unsigned int offset);   // 74
  // Marks the field's positions in the region map with `number`: 0 sound,
  // 2 stop (out of order), anything else bad.
  virtual int markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) = 0;  // 75
  virtual int copyHotspotText(DisplayBag* d, unsigned int source, unsigned int length);  // 76
  virtual void clearFieldData(DisplayBag* d);                                    // 77
  virtual unsigned int getSegmentStartAt(unsigned int offset);                   // 78
  virtual unsigned int getSegmentEndAt(unsigned int offset);                     // 79
  // Inbound-record data of the field; the bytes written.
  virtual int readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) = 0;  // 80
  virtual int readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) = 0;     // 81
  virtual int readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) = 0;  // 82
  virtual void toggleOrientation(DisplayBag* d, FormatTable* table);             // 83
  // Reads the field's members; segments and choices are created through
  // `table`. 0, or the restore's sense code (the table is then scrap).
  virtual unsigned int restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in);  // 84
  virtual void saveField(qrnOStream* out) const;                                 // 85
  // A start field redefines this field: loads what the field holds into
  // the record's field-creation state. 3 refuses (sense set), else 0.
  virtual int checkFieldCreation(DisplayBag* d, Databyte* db);                   // 86
  virtual void turnFieldIndicatorsOff(DisplayBag* d);                            // 87
  virtual void turnFieldIndicatorsOn(DisplayBag* d);                             // 88
  virtual void deselectAll(DisplayBag* d);                                       // 89
  // Erase Input on a modified input field: its input is taken back. The AID
  // the field then names for the host (0: none).
  virtual unsigned char eraseInput(DisplayBag* d);
  virtual ~Field() = default;                                                    // 90

  unsigned int backLink() const { return backLink_; }
  void setBackLink(unsigned int distance) { backLink_ = static_cast<unsigned short>(distance); }
  unsigned char flags() const { return flags_; }
  void setFlags(unsigned char bits) { flags_ |= bits; }
  void clearFlags(unsigned char bits) { flags_ &= static_cast<unsigned char>(~bits); }
  bool isBypass() const { return (flags_ & kBypass) != 0; }
  bool isModified() const { return (flags_ & kMDT) != 0; }
  unsigned char progression() const { return progression_; }
  void setProgression(unsigned char n) { progression_ = n; }
  // The record `backLink` bytes before this one (this one for the first).
  Field* previousRecord() {
    return reinterpret_cast<Field*>(reinterpret_cast<unsigned char*>(this) - backLink_);
  }

 protected:
  Field() = default;
  // The address after `bytes` bytes from this record, rounded up so that the
  // next record is aligned as a field must be.
  Field* recordAfter(unsigned long bytes);

  unsigned short backLink_ = 0;
  unsigned char flags_ = 0;
  unsigned char progression_ = 0;
};

// Region marks used by validation: each position in [from, to] gets `id`.
// 0 without conflicts; a position already taken is a conflict (3, marking
// stops) unless it is the first or last of the range, which gives 1 (another
// region's end) or 2. A range beyond the map (size positions) gives 3.
int checkAndUpdateRegionDefinition(unsigned short* map, unsigned int size, unsigned short id,
                                   unsigned int from, unsigned int to);
