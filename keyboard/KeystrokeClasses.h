#pragma once
// The keystroke classes that the input-object generator builds besides the
// AID keys: cursor movement, data and exit-field keys, function, immediate
// and text-assist keys. Each state operation hands the key to the area
// holding the cursor (a field or the space between fields) or, in text
// assist, to the text session.
#include "keyboard/UserInput.h"

// Cursor movement: slot 0 lets the area that holds the cursor end its
// shaping run, then moveInArea (slot 14) asks that area to move.
class CursorMovementKeystrokeBase : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInErrorState(DisplayBag* d) override;
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int processInWPErrorState(DisplayBag* d) override;

 protected:
  CursorMovementKeystrokeBase() = default;
  // The shaping interruption's direction: 1 for the leftward keys.
  virtual unsigned int shapingDirection() const { return 0; }
};

#define QW_CURSOR_KEY(Name, Base)                          \
  class Name : public Base {                               \
   public:                                                 \
    unsigned int moveInArea(DisplayBag* d) override;       \
    unsigned int processInWPState(DisplayBag* d) override; \
  };
QW_CURSOR_KEY(NewlineKeystroke, CursorMovementKeystrokeBase)
QW_CURSOR_KEY(CursorRightKeystroke, CursorMovementKeystrokeBase)
QW_CURSOR_KEY(FastCursorRightKeystroke, CursorMovementKeystrokeBase)
QW_CURSOR_KEY(CharacterBackSpaceKeystroke, CursorMovementKeystrokeBase)
QW_CURSOR_KEY(FieldBackspaceKeystroke, CursorMovementKeystrokeBase)
QW_CURSOR_KEY(FieldAdvanceKeystroke, CursorMovementKeystrokeBase)
QW_CURSOR_KEY(HomeKeystroke, CursorMovementKeystrokeBase)
QW_CURSOR_KEY(CharacterAdvanceKeystroke, CursorMovementKeystrokeBase)
#undef QW_CURSOR_KEY

class CursorLeftKeystroke : public CursorMovementKeystrokeBase {
 public:
  unsigned int moveInArea(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;

 protected:
  unsigned int shapingDirection() const override { return 1; }
  virtual unsigned int count() const { return 1; }
};
class FastCursorLeftKeystroke : public CursorLeftKeystroke {
 public:
  unsigned int processInWPState(DisplayBag* d) override;

 protected:
  unsigned int count() const override { return 3; }
};

// Vertical moves keep a pending-input byte of the display.
class CursorUpKeystroke : public CursorMovementKeystrokeBase {
 public:
  unsigned int moveInArea(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
  void preProcessWhenPending(DisplayBag*) override {}
};
class CursorDownKeystroke : public CursorMovementKeystrokeBase {
 public:
  unsigned int moveInArea(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
  void preProcessWhenPending(DisplayBag*) override {}
};

class TabKeystroke : public FieldAdvanceKeystroke {
 public:
  unsigned int processInWPState(DisplayBag* d) override;
};
class ShiftedTabKeystroke : public FieldAdvanceKeystroke {
 public:
  unsigned int processInWPState(DisplayBag* d) override;
};

// Data keys: the object keeps the whole function word. Slot 0 types into
// the area holding the cursor; errorForFieldShift answers which operator
// error the key raises in a field of that shift (0 = accepted).
class DataKeystrokeBase : public DataKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;

 protected:
  explicit DataKeystrokeBase(FunctionWord word) : DataKeystroke(word) {}
};

#define QW_DATA_KEY(Name, Base)                                            \
  class Name : public Base {                                               \
   public:                                                                 \
    explicit Name(FunctionWord word) : Base(word) {}                       \
    int errorForFieldShift(DisplayBag* d, unsigned int shift) override;    \
  };
QW_DATA_KEY(AlphaKeystroke, DataKeystrokeBase)
QW_DATA_KEY(AlphaNumericKeystroke, DataKeystrokeBase)
QW_DATA_KEY(NonAlphaNumericKeystroke, DataKeystrokeBase)
QW_DATA_KEY(NumericKeystroke, DataKeystrokeBase)
QW_DATA_KEY(TopRowDigitKeystroke, DataKeystrokeBase)
QW_DATA_KEY(MSRDigitKeystroke, DataKeystrokeBase)
QW_DATA_KEY(MSRNonAlphaNumericKeystroke, DataKeystrokeBase)
#undef QW_DATA_KEY

class AlphaCapsableKeystroke : public AlphaKeystroke {
 public:
  explicit AlphaCapsableKeystroke(FunctionWord word) : AlphaKeystroke(word) {}
};
class NonAlphaNumericCapsableKeystroke : public NonAlphaNumericKeystroke {
 public:
  explicit NonAlphaNumericCapsableKeystroke(FunctionWord word) : NonAlphaNumericKeystroke(word) {}
};
// In a numeric-only or signed-numeric field this key acts as Field Minus.
class DataEntryMinusKeystroke : public NonAlphaNumericKeystroke {
 public:
  explicit DataEntryMinusKeystroke(FunctionWord word) : NonAlphaNumericKeystroke(word) {}
  int actsAsFieldMinus() override { return 1; }
};
class NumericPadDigitKeystroke : public TopRowDigitKeystroke {
 public:
  explicit NumericPadDigitKeystroke(FunctionWord word) : TopRowDigitKeystroke(word) {}
};

// Exit-field keys.
class FieldExitKeystroke : public ExitFieldKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class FieldPlusKeystroke : public FieldExitKeystroke {
 public:
};
class FieldMinusKeystroke : public ExitFieldKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class DupKeystroke : public ExitFieldKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

// Function keys. The shaping keys pass their kind (1-5) to the area.
class ASDKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;

 protected:
  explicit ASDKeystroke(unsigned int kind) : kind_(kind) {}
  unsigned int kind_;
};
#define QW_ASD_KEY(Name, Kind)                                          \
  class Name : public ASDKeystroke {                                    \
   public:                                                              \
    Name() : ASDKeystroke(Kind) {}                                      \
    unsigned int processInWPState(DisplayBag* d) override;              \
  };
QW_ASD_KEY(ASDBaseKeystroke, 1)
QW_ASD_KEY(ASDFarsiBaseKeystroke, 2)
QW_ASD_KEY(ASDFinalKeystroke, 3)
QW_ASD_KEY(ASDInitialKeystroke, 4)
QW_ASD_KEY(ASDMiddleKeystroke, 5)
#undef QW_ASD_KEY

class CancelPrintKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int processInSystemRequestState(DisplayBag*) override { return 0; }
};
class CloseKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class CursorSelectKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
};
class DeleteKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class DisplayTextSymbolsKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int processInWPState(DisplayBag* d) override;
};
class EraseEOFKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
};
class EraseInputKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class FieldMarkKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
};
class InsertKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
// The keyboard copy keys; the parameter is the key's code (22-30).
class KeyboardCopyKeys : public FunctionKeystroke {
 public:
  explicit KeyboardCopyKeys(unsigned char key) : key_(key) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
  unsigned char key() const { return key_; }

 private:
  unsigned char key_;
};
class ReverseKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
  void preProcessWhenMarked(DisplayBag*) override;
};
class ReverseScreenKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
};
class ReverseVideoScreenKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

// Immediate keys: they act while the keyboard is locked too.
class AttentionKeystroke : public ImmediateKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int processInErrorState(DisplayBag* d) override;
  unsigned int processInPostHelpErrorState(DisplayBag* d) override;
  unsigned int processInNormalLockedState(DisplayBag* d) override;
  unsigned int processInWPErrorState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class ResetKeystroke : public ImmediateKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int processInErrorState(DisplayBag* d) override;
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int processInWPErrorState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
  void preProcessWhenMarked(DisplayBag*) override {}
};
class SystemRequestKeystroke : public ImmediateKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag*) override { return 0; }
  unsigned int processInNormalLockedState(DisplayBag* d) override;
  unsigned int processInWPErrorState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};

// Text-assist keys: nothing outside text assist (error 6 in system
// request); in text assist the text session's handler.
class TextKeystrokeBase : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int processInSystemRequestState(DisplayBag* d) override;

 protected:
  TextKeystrokeBase() = default;
};
#define QW_TEXT_KEY(Name)                                     \
  class Name : public TextKeystrokeBase {                     \
   public:                                                    \
    unsigned int processInWPState(DisplayBag* d) override;    \
  };
QW_TEXT_KEY(TxAltDKeystroke)
QW_TEXT_KEY(TxBegOfLineKeystroke)
QW_TEXT_KEY(TxBoldKeystroke)
QW_TEXT_KEY(TxBotOfPageKeystroke)
QW_TEXT_KEY(TxCarRetKeystroke)
QW_TEXT_KEY(TxCenterKeystroke)
QW_TEXT_KEY(TxEndAttrKeystroke)
QW_TEXT_KEY(TxPagendKeystroke)
QW_TEXT_KEY(TxRqSpaceKeystroke)
QW_TEXT_KEY(TxRqdTabKeystroke)
QW_TEXT_KEY(TxStopAdvKeystroke)
QW_TEXT_KEY(TxStopFuncKeystroke)
QW_TEXT_KEY(TxSubKeystroke)
QW_TEXT_KEY(TxSuperKeystroke)
QW_TEXT_KEY(TxSymbolsKeystroke)
QW_TEXT_KEY(TxTopOfPageKeystroke)
QW_TEXT_KEY(TxUnderscoreKeystroke)
QW_TEXT_KEY(TxWordUndKeystroke)
#undef QW_TEXT_KEY
// End of line also acts outside text assist: the End key of the area.
class TxEndOfLineKeystroke : public TextKeystrokeBase {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
