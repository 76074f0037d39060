#pragma once
// The field table of a display station: every field the host defined, in
// ascending order of screen position, built in place one after another in a
// field arena that the station provides. It creates fields, segments and
// choices, answers which field owns a position and which input field comes
// next, validates itself after each host record, hides behind a one-field
// table while the system-request line is in use, flips the orientation of
// its fields for a reversed screen, and saves and restores itself.
#include "display/FieldArena.h"
#include "display/FieldClassID.h"

class DisplayBag;
class AreaOfScreen;
class Field;
class EntryField;
class SelectionField;
struct EntryFieldSegment;
struct SelectionFieldChoice;
class qrnOStream;
class qrnIStream;

class FormatTable {
 public:
  // Flag word.
  static constexpr unsigned int kRTLOrder = 0x80000000u;           // bit 31
  static constexpr unsigned int kRTLAfterSysReq = 0x40000000u;     // bit 30
  static constexpr unsigned int kSystemRequestMode = 0x20000000u;  // bit 29
  static constexpr unsigned int kValidated = 0x10000000u;          // bit 28
  static constexpr unsigned int kDrawButtons = 0x08000000u;        // bit 27
  static constexpr unsigned int kButtonsDrawn = 0x04000000u;       // bit 26
  static constexpr unsigned int kButtonsDrawnBeforeSysReq = 0x02000000u;  // bit 25
  static constexpr unsigned int kReversed = 0x01000000u;           // bit 24
  static constexpr unsigned int kReversalSuspended = 0x00800000u;  // bit 23
  // The station's right-to-left field-order indicator (flag word B).
  static constexpr unsigned int kStationRTLOrder = 0x40000000u;
  static constexpr unsigned int kSenseInvalidFormatTable = 0x10050126;

  FormatTable(DisplayBag* owner, unsigned int positions, unsigned char* arena,
              unsigned int arenaSize);
  FormatTable(const FormatTable&) = delete;
  FormatTable& operator=(const FormatTable&) = delete;

  void commonInitialization();
  void clearFormatTable();

  // Creation. Null when the table is full (or, for host data that does not
  // fit the arena, refused): nothing is written then.
  Field* createField(FieldClassID id, Field* existing, unsigned char choices);
  Field* createFieldBasedOnFieldID(FieldClassID id, Field* place, unsigned char choices);
  EntryFieldSegment* createEntryFieldSegment(EntryField* field, unsigned int start,
                                             unsigned int end, unsigned int last);
  // Forgets the entry field that still waits for segments (when it is
  // `field`): its record and segments are dropped, the table is as before it.
  void discardPartialField(EntryField* field);
  // The entry field that still waits for segments, or null.
  EntryField* fieldBeingBuilt() const { return building_; }
  SelectionFieldChoice* createSelectionFieldChoice(SelectionField* field, unsigned int start,
                                                   unsigned int end, unsigned int button);

  // Lookup.
  AreaOfScreen* getArea(unsigned int offset);
  Field* getField(unsigned int offset);
  AreaOfScreen* getNonBypassArea(unsigned int offset);
  Field* getFieldByStartOffset(unsigned int offset);
  Field* getSpecificField(unsigned int n, unsigned int mode);
  Field* getFirstNonBypassField();
  Field* getLastNonBypassField();
  Field* getNextNonBypassFieldInLTROrder(Field* from, unsigned int& wrapped, unsigned int offset);
  Field* getPreviousNonBypassFieldInLTROrder(Field* from, unsigned int offset);
  Field* getNextNonBypassFieldInRTLOrder(Field* from, unsigned int& wrapped, unsigned int offset);
  Field* getPreviousNonBypassFieldInRTLOrder(Field* from, unsigned int offset);
  Field* getRightMostNonBypassFieldOnLine(Field* from, unsigned int offset);
  Field* getNextLogicalNonBypassField(Field* from, unsigned int& wrapped, unsigned int offset);
  Field* getPreviousLogicalNonBypassField(Field* from, unsigned int offset);
  Field* getPreviousCursorProgressionField(Field* f);
  unsigned int getDefaultCursorOffset();
  // The next input-capable position to the right (left) of p, wrapping
  // around the screen; -1 when there is none. p lies from -1 to the
  // number of positions.
  int nextInputCapablePositionToRight(int p);
  int nextInputCapablePositionToLeft(int p);
  // The input-capable position of the row of `offset` (or the next rows
  // down, up) nearest the cursor's remembered column; 0 when the screen has
  // none.
  unsigned int nextInputCapablePositionDownward(unsigned int offset);
  unsigned int nextInputCapablePositionUpward(unsigned int offset);
  void getFirstAndLastEntryFieldOffsetForScreenRefresh(int& first, unsigned int& last);
  unsigned int masterMDT();

  // Checks and output.
  int validateFormatTable(Field** bad);
  Field* validateScreen(unsigned int* error);
  void outputChanges();
  void eraseAndRedrawAllPushButtons();
  void removeAllGUISelectionFieldConstructsInWindow(unsigned int start, unsigned int end);

  // System request and orientation.
  void enterSystemRequestMode(unsigned int start, unsigned int end);
  void exitSystemRequestMode();
  void setLTRFieldOrder();
  void setRTLFieldOrder();
  void reverseFieldOrientationsForReverseScreen();
  void unReverseFieldOrientationsForReverseScreen();
  void toggleFieldOrientationsForReverseScreen();
  void suspendReversedFieldOrientationsForReverseScreenIfReversed();
  void unSuspendReversedFieldOrientationsForReverseScreenIfSuspended();
  void resetBypassFieldsDueToReverseScreen();

  void saveFormatTable(qrnOStream* out);
  // 0, or the restore's sense code; a refused stream leaves the table as it
  // was.
  unsigned int restoreFormatTable(qrnIStream* in);

  // Walking the records.
  Field* firstRecord() const;
  Field* nextRecord(Field* f) const;  // null after the last complete field
  Field* lastField() const { return last_; }
  unsigned int fieldCount() const { return fieldCount_; }
  unsigned int unitsInUse() const { return units_; }
  unsigned int unitLimit() const { return unitLimit_; }
  unsigned int progressionCount() const { return progressionCount_; }
  unsigned int flags() const { return flags_; }
  unsigned int highestOffset() const { return highest_; }
  bool contains(const Field* f) const;
  // The last position a field occupies (its last segment, choice or cell).
  static unsigned int lastPositionOf(Field* f);
  // The highest position any field occupies; -1 when the table is empty.
  long highestUsedPosition() const;
  // A field's number (1-based, scroll bars not counted); 0 when not found.
  unsigned int fieldNumber(Field* f) const;

 private:
  unsigned int columns() const;
  unsigned int rowOf(unsigned int offset) const { return offset / columns(); }
  bool screenReversed() const;
  // Room from `place` to the arena's end.
  bool fits(const void* place, unsigned long bytes) const;
  unsigned char* arenaEnd() const { return arena_ + arenaSize_; }
  unsigned char* appendPlace() const;
  // The entry field that is still waiting for segments, or null.
  EntryField* pendingEntryField() const;
  unsigned int restoreInto(qrnIStream* in);
  bool checkOffset(unsigned int offset, unsigned short code) const;
  void toggleAll();

  DisplayBag* owner_;
  unsigned char* arena_;
  unsigned char* savedArena_;
  Field* last_ = nullptr;
  Field* savedLast_ = nullptr;
  unsigned short arenaSize_;
  unsigned short savedArenaSize_;
  unsigned short unitLimit_ = field_arena::kUnitLimit;
  unsigned short highest_;
  unsigned short units_ = 0;
  unsigned short savedUnits_ = 0;
  unsigned short fieldCount_ = 0;
  unsigned short savedFieldCount_ = 0;
  unsigned short progressionCount_ = 0;
  unsigned short savedProgressionCount_ = 0;
  unsigned short pendingSegments_ = 0;
  unsigned int flags_ = 0;
  // The entry field whose record is placed but whose last segment has not
  // come yet (null when none), and its copy while system request is in use.
  EntryField* building_ = nullptr;
  EntryField* savedBuilding_ = nullptr;
  unsigned short savedPendingSegments_ = 0;
  unsigned int savedValidated_ = 0;
  OutputArea output_;
  alignas(field_arena::kAlign) unsigned char sysReqArena_[field_arena::kSystemRequestArenaBytes];
};
