#pragma once
// A selection field: a host-defined set of choices that follow the record in
// the arena. The operator moves among the choices with the cursor keys and
// selects them by key, mnemonic or number; the field's read data tell the
// host which choices are selected.
#include "display/Field.h"

class SelectionField : public Field {
 public:
  // Option bits (`define`).
  static constexpr unsigned char kInOrder = 0x01;          // vertical moves run through the choices in order
  static constexpr unsigned char kAutoEnterOnDeselect = 0x02;
  static constexpr unsigned char kCursorKeysAmong = 0x04;  // the cursor keys move among the choices
  static constexpr unsigned char kDeselectAll = 0x08;      // deselect-all allowed
  static constexpr unsigned char kCuaFieldAdvance = 0x10;  // Field Advance/Backspace move among choices first
  static constexpr unsigned char kEnterSelects = 0x20;     // Enter selects the current choice
  static constexpr unsigned char kChoiceAids = 0x40;       // the choices carry AIDs
  static constexpr unsigned char kHasScrollBar = 0x80;
  // Type byte: the type in the low bits, the single-choice mark above.
  static constexpr unsigned char kTypeMask = 0x07;
  static constexpr unsigned char kSingleChoice = 0x08;
  static constexpr unsigned char kTypePushButtons = 1;
  static constexpr unsigned char kTypeIndicator = 2;   // an indicator character before each choice
  static constexpr unsigned char kTypeNumeric1 = 3;    // numeric selection, one entry position
  static constexpr unsigned char kTypeNumeric2 = 4;    // numeric selection, two entry positions
  // Operator errors.
  static constexpr unsigned int kErrorSelectionField = 82;
  static constexpr unsigned int kErrorNoSuchChoice = 83;
  static constexpr unsigned int kErrorChoiceUnavailable = 84;

  explicit SelectionField(unsigned int choices);

  // Keys and moves among the choices.
  int characterAdvance(DisplayBag* d) override;
  int characterBackspace(DisplayBag* d) override;
  int cursorDown(DisplayBag* d) override;
  int cursorUp(DisplayBag* d) override;
  int cursorLeft(DisplayBag* d, unsigned int count) override;
  int cursorRight(DisplayBag* d, unsigned int count) override;
  int enterMovingLeft(DisplayBag* d, unsigned int offset) override;
  int enterMovingRight(DisplayBag* d, unsigned int offset) override;
  int dataKey(DisplayBag* d, DataKeystroke* key) override;
  int deleteKey(DisplayBag* d) override;
  int enter(DisplayBag* d) override;
  int fieldAdvance(DisplayBag* d) override;
  int fieldBackspace(DisplayBag* d) override;
  int fieldExit(DisplayBag* d) override;
  int fieldMark(DisplayBag* d) override;
  int fieldMinus(DisplayBag* d) override;
  int reverse(DisplayBag* d) override;
  int mouseClick(DisplayBag* d, unsigned int offset) override;
  // Keys that have no meaning among choices: operator error 82.
  int asdKey(DisplayBag* d, unsigned int key) override;
  int close(DisplayBag* d) override;
  int cursorSelect(DisplayBag* d) override;
  int dup(DisplayBag* d) override;
  int eraseEOF(DisplayBag* d) override;
  // End: the last choice that takes the cursor. Home: the home position, or
  // the record-backspace AID when the cursor is on the home position's
  // choice. New Line: the next choice on another row, else the field after
  // the last choice's row.
  int endKey(DisplayBag* d, unsigned int how) override;
  int home(DisplayBag* d) override;
  int newline(DisplayBag* d) override;
  Field* findNextFieldForward(DisplayBag* d, unsigned int offset) override;
  // The cursor enters on a choice's first position: the choice at the
  // offset, and before an AID the choice under the cursor.
  int enterAtOffset(DisplayBag* d, unsigned int offset) override;
  unsigned int getEntryOffset(DisplayBag* d) override;
  void positionCursor(DisplayBag* d) override;
  void choiceHook45(DisplayBag* d) override;
  int gainFocus(DisplayBag* d) override;
  void loseFocus(DisplayBag* d) override;
  void turnFieldIndicatorsOff(DisplayBag* d) override;
  void turnFieldIndicatorsOn(DisplayBag* d) override;
  void deselectAll(DisplayBag* d) override;
  // Erase Input deselects every choice; with auto-enter on deselection the
  // field names the first deselected choice's AID.
  unsigned char eraseInput(DisplayBag* d) override;
  // Reset puts the cursor back on the start of its choice.
  void resetKey(DisplayBag* d) override;
  void drawPushButtons(DisplayBag* d, unsigned int first, unsigned int last) override;
  // Erases the push buttons drawn for the choices; the choices keep their
  // places and text but show no button again.
  void removeGUISelectionFieldConstructs(DisplayBag* d);

  int isUnavailableAt(unsigned int offset, AreaOfScreen* from) override;
  int isInputCapableAt(unsigned int offset) override;
  FieldClassID getFieldClassID() const override { return kSelectionField; }
  int isCuaCompliant() override;
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
  void setSelectionType(unsigned int t) {
    type_ = static_cast<unsigned char>((type_ & ~kTypeMask) | (t & kTypeMask));
  }
  bool isSingleChoice() const { return (type_ & kSingleChoice) != 0; }
  void setSingleChoice(bool on) {
    type_ = static_cast<unsigned char>(on ? type_ | kSingleChoice : type_ & ~kSingleChoice);
  }
  // What the host's definition sets: the option bits, the number of
  // columns of choices and the six indicator attributes (cursor on:
  // available, selected, unavailable; then the same with the cursor off).
  void define(unsigned char selectionFlags, unsigned char columns, const unsigned char* indicators);
  unsigned char options() const { return selectionFlags_; }
  // The characters shown before a deselected and a selected choice (type 2).
  void setIndicatorCharacters(unsigned char deselected, unsigned char selected) {
    deselectedChar_ = deselected;
    selectedChar_ = selected;
  }
  unsigned char deselectedCharacter() const { return deselectedChar_; }
  unsigned char selectedCharacter() const { return selectedChar_; }
  unsigned char columns() const { return columns_; }
  unsigned char indicator(unsigned int i) const { return i < 6 ? indicators_[i] : 0; }
  // The number of choices the field was created with, and those built so far.
  unsigned int choiceCount() const { return choices_; }
  unsigned int builtChoices() const;
  SelectionFieldChoice* choice(unsigned int i);  // 0-based, of the built ones
  const SelectionFieldChoice* choice(unsigned int i) const;
  SelectionFieldChoice* choiceBase() const;

  // Choice lookup and navigation (null past the ends).
  SelectionFieldChoice* getCurrentChoicePtr(unsigned int offset);
  SelectionFieldChoice* getFirstSelectedChoice();
  SelectionFieldChoice* getMnemonicChoice(unsigned char c);
  SelectionFieldChoice* firstCursorableChoice();
  SelectionFieldChoice* lastCursorableChoice();
  SelectionFieldChoice* nextCursorableChoice(SelectionFieldChoice* c);
  SelectionFieldChoice* previousCursorableChoice(SelectionFieldChoice* c);
  SelectionFieldChoice* nextCursorableChoiceVertical(SelectionFieldChoice* c);
  SelectionFieldChoice* previousCursorableChoiceVertical(SelectionFieldChoice* c);
  // The choice under the cursor while the cursor is in this field.
  SelectionFieldChoice* cursorChoice(DisplayBag* d);

  // Selection; `current` is the choice that has the cursor.
  void selectChoice(DisplayBag* d, SelectionFieldChoice* c, SelectionFieldChoice* current, unsigned char key);
  void deselectAChoice(DisplayBag* d, SelectionFieldChoice* c, SelectionFieldChoice* current);
  void deselectAllChoices(DisplayBag* d, SelectionFieldChoice* current);
  // With auto-enter the AID is checked first: an error keeps the choice as
  // it was and the field's MDT, and is raised. 0 or the error.
  int selectChoiceWithAutoEnterCheck(DisplayBag* d, SelectionFieldChoice* c, SelectionFieldChoice* current,
                                     unsigned char key);
  int deselectChoiceWithAutoEnterCheck(DisplayBag* d, SelectionFieldChoice* c, SelectionFieldChoice* current);
  // A digit typed in a numeric-selection field (types 3 and 4).
  int numericChoiceSelection(DisplayBag* d, unsigned char digit);

 private:
  const SelectionFieldChoice* choiceAt(unsigned int offset) const;
  // Writes the choice's attribute (and its indicator character) for its
  // state, with the cursor on it or not.
  void paintChoice(DisplayBag* d, const SelectionFieldChoice* c, bool current) const;
  // The cursor goes to choice `c` of this field.
  void moveToChoice(DisplayBag* d, SelectionFieldChoice* c);
  // Posts `aid` after the screen check, or raises the check's error.
  int postChecked(DisplayBag* d, unsigned char aid);
  int autoEnter(DisplayBag* d, SelectionFieldChoice* c, bool select, unsigned char key);
  void fillEntryPosition(DisplayBag* d, const SelectionFieldChoice* c);
  int readData(DisplayBag* d, unsigned char* out, unsigned int room);

  unsigned char selectionFlags_ = 0;
  unsigned char type_ = 0;
  unsigned char columns_ = 0;
  unsigned char indicators_[6] = {0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
  unsigned char deselectedChar_ = 0x40;
  unsigned char selectedChar_ = 0x61;
  unsigned char choices_;
};
