#pragma once
// The keystroke classes that the input-object generator builds besides the
// AID keys: cursor movement, data and exit-field keys, function, immediate
// and text-assist keys. Their state operations come with the field-editing
// code; until then each class accepts its key and does nothing with it.
#include "keyboard/UserInput.h"

// Cursor movement.
class NewlineKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class CursorLeftKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class FastCursorLeftKeystroke : public CursorLeftKeystroke {
 public:
};
class CursorRightKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class FastCursorRightKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class CursorUpKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class CursorDownKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class CharacterBackSpaceKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class FieldBackspaceKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class FieldAdvanceKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class TabKeystroke : public FieldAdvanceKeystroke {
 public:
};
class ShiftedTabKeystroke : public FieldAdvanceKeystroke {
 public:
};
class HomeKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};
class CharacterAdvanceKeystroke : public CursorMovementKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int moveInArea(DisplayBag*) override { return 0; }
};

// Data keys: the object keeps the whole function word.
class AlphaKeystroke : public DataKeystroke {
 public:
  explicit AlphaKeystroke(FunctionWord word) : DataKeystroke(word) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  int errorForFieldShift(DisplayBag*, unsigned int) override { return 0; }
};
class AlphaCapsableKeystroke : public AlphaKeystroke {
 public:
  explicit AlphaCapsableKeystroke(FunctionWord word) : AlphaKeystroke(word) {}
};
class AlphaNumericKeystroke : public DataKeystroke {
 public:
  explicit AlphaNumericKeystroke(FunctionWord word) : DataKeystroke(word) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  int errorForFieldShift(DisplayBag*, unsigned int) override { return 0; }
};
class NonAlphaNumericKeystroke : public DataKeystroke {
 public:
  explicit NonAlphaNumericKeystroke(FunctionWord word) : DataKeystroke(word) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  int errorForFieldShift(DisplayBag*, unsigned int) override { return 0; }
};
class NonAlphaNumericCapsableKeystroke : public NonAlphaNumericKeystroke {
 public:
  explicit NonAlphaNumericCapsableKeystroke(FunctionWord word) : NonAlphaNumericKeystroke(word) {}
};
class DataEntryMinusKeystroke : public NonAlphaNumericKeystroke {
 public:
  explicit DataEntryMinusKeystroke(FunctionWord word) : NonAlphaNumericKeystroke(word) {}
  int actsAsFieldMinus() override { return 1; }
};
class NumericKeystroke : public DataKeystroke {
 public:
  explicit NumericKeystroke(FunctionWord word) : DataKeystroke(word) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  int errorForFieldShift(DisplayBag*, unsigned int) override { return 0; }
};
class TopRowDigitKeystroke : public DataKeystroke {
 public:
  explicit TopRowDigitKeystroke(FunctionWord word) : DataKeystroke(word) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  int errorForFieldShift(DisplayBag*, unsigned int) override { return 0; }
};
class NumericPadDigitKeystroke : public TopRowDigitKeystroke {
 public:
  explicit NumericPadDigitKeystroke(FunctionWord word) : TopRowDigitKeystroke(word) {}
};
class MSRDigitKeystroke : public DataKeystroke {
 public:
  explicit MSRDigitKeystroke(FunctionWord word) : DataKeystroke(word) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  int errorForFieldShift(DisplayBag*, unsigned int) override { return 0; }
};
class MSRNonAlphaNumericKeystroke : public DataKeystroke {
 public:
  explicit MSRNonAlphaNumericKeystroke(FunctionWord word) : DataKeystroke(word) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  int errorForFieldShift(DisplayBag*, unsigned int) override { return 0; }
};

// Exit-field keys.
class FieldExitKeystroke : public ExitFieldKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class FieldPlusKeystroke : public FieldExitKeystroke {
 public:
};
class FieldMinusKeystroke : public ExitFieldKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class DupKeystroke : public ExitFieldKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};

// Function keys.
class ASDBaseKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ASDFarsiBaseKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ASDFinalKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ASDInitialKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ASDMiddleKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class CancelPrintKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class CloseKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class CursorSelectKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class DeleteKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class DisplayTextSymbolsKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class EraseEOFKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class EraseInputKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class FieldMarkKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class InsertKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ReverseKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ReverseScreenKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ReverseVideoScreenKeystroke : public FunctionKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
// The keyboard copy keys; the parameter is the key's code (22-30).
class KeyboardCopyKeys : public FunctionKeystroke {
 public:
  explicit KeyboardCopyKeys(unsigned char key) : key_(key) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned char key() const { return key_; }

 private:
  unsigned char key_;
};

// Immediate keys.
class AttentionKeystroke : public ImmediateKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ResetKeystroke : public ImmediateKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class SystemRequestKeystroke : public ImmediateKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};

// Text-assist keys.
class TxAltDKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxBegOfLineKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxBoldKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxBotOfPageKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxCarRetKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxCenterKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxEndAttrKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxEndOfLineKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxPagendKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxRqSpaceKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxRqdTabKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxStopAdvKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxStopFuncKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxSubKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxSuperKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxSymbolsKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxTopOfPageKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxUnderscoreKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class TxWordUndKeystroke : public TextKeystroke {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
