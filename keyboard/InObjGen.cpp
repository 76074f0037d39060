#include "keyboard/InObjGen.h"

#include <algorithm>
#include <new>

#include "display/DisplayBag.h"
#include "keyboard/AidKeystrokes.h"
#include "keyboard/InputEvents.h"
#include "keyboard/KeystrokeClasses.h"
#include "keyboard/MouseEvents.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned int kErrorKeyNotValid = 2;

// Error numbers of the translator's operator-error codes 1-11 (0: none).
constexpr unsigned int kErrorNumbers[12] = {0, 1, 2, 3, 1111, 23, 27, 29, 0, 9999, 31, 35};

template <typename T, typename... Args>
UserInput* make(unsigned char* buffer, Args... args) {
  static_assert(sizeof(T) <= InObjGen::kObjectBufferSize, "input object larger than its buffer");
  static_assert(alignof(T) <= alignof(std::max_align_t), "input object alignment");
  return new (buffer) T(args...);
}

UserInput* cursorMovement(unsigned char* b, unsigned char code) {
  switch (code) {
    case 1: return make<NewlineKeystroke>(b);
    case 2: return make<CursorLeftKeystroke>(b);
    case 3: return make<CursorRightKeystroke>(b);
    case 4: return make<FastCursorLeftKeystroke>(b);
    case 5: return make<FastCursorRightKeystroke>(b);
    case 6: return make<CursorUpKeystroke>(b);
    case 7: return make<CursorDownKeystroke>(b);
    case 8: return make<CharacterBackSpaceKeystroke>(b);
    case 9: return make<FieldBackspaceKeystroke>(b);
    case 10: case 11: return make<TabKeystroke>(b);
    case 12: return make<ShiftedTabKeystroke>(b);
    case 13: return make<HomeKeystroke>(b);
    case 14: return make<CharacterAdvanceKeystroke>(b);
    case 15: return make<TxRqdTabKeystroke>(b);
    case 16: return make<TxBegOfLineKeystroke>(b);
    case 17: return make<TxEndOfLineKeystroke>(b);
    default: return nullptr;
  }
}

UserInput* exitField(unsigned char* b, unsigned char code) {
  switch (code) {
    case 1: return make<FieldExitKeystroke>(b);
    case 2: return make<FieldMinusKeystroke>(b);
    case 3: return make<FieldPlusKeystroke>(b);
    case 4: return make<DupKeystroke>(b);
    case 5: return make<TxCarRetKeystroke>(b);
    default: return nullptr;
  }
}

UserInput* function(unsigned char* b, unsigned char code) {
  switch (code) {
    case 1: return make<InsertKeystroke>(b);
    case 2: return make<DeleteKeystroke>(b);
    case 3: return make<EraseInputKeystroke>(b);
    case 4: return make<CancelPrintKeystroke>(b);
    case 5: return make<CloseKeystroke>(b);
    case 6: return make<ReverseKeystroke>(b);
    case 7: return make<ASDBaseKeystroke>(b);
    case 8: return make<ReverseScreenKeystroke>(b);
    case 9: return make<ReverseVideoScreenKeystroke>(b);
    case 10: return make<EraseEOFKeystroke>(b);
    case 11: return make<FieldMarkKeystroke>(b);
    case 12: return make<CursorSelectKeystroke>(b);
    case 15: return make<DisplayTextSymbolsKeystroke>(b);
    case 18: return make<ASDInitialKeystroke>(b);
    case 19: return make<ASDMiddleKeystroke>(b);
    case 20: return make<ASDFinalKeystroke>(b);
    case 21: return make<ASDFarsiBaseKeystroke>(b);
    case 31: return make<MenuPaste>(b);
    case 32: return make<MenuCopy>(b);
    case 33: return make<MenuCut>(b);
    default:
      if (code >= 22 && code <= 30) return make<KeyboardCopyKeys>(b, code);
      return nullptr;  // 13, 14, 16, 17 and anything else
  }
}

UserInput* immediate(unsigned char* b, unsigned char code) {
  switch (code) {
    case 1: return make<ResetKeystroke>(b);
    case 2: return make<AttentionKeystroke>(b);
    case 3: return make<SystemRequestKeystroke>(b);
    default: return nullptr;
  }
}

UserInput* aid(unsigned char* b, unsigned char code) {
  switch (code) {
    case 1: return make<PrintKeystroke>(b);
    case 2: return make<RollUpKeystroke>(b);
    case 3: return make<RollDownKeystroke>(b);
    case 4: return make<EnterKeystroke>(b);
    case 5: return make<ClearKeystroke>(b);
    case 6: return make<TestRequestKeystroke>(b);
    case 7: return make<HelpKeystroke>(b);
    case 8: return make<PAKeystroke>(b, 0x6Cu);
    case 9: return make<PAKeystroke>(b, 0x6Eu);
    case 10: return make<PAKeystroke>(b, 0x6Bu);
    case 11: return make<TxTopOfPageKeystroke>(b);
    case 12: return make<TxBotOfPageKeystroke>(b);
    default: return nullptr;
  }
}

UserInput* dataKey(unsigned char* b, FunctionWord w) {
  switch (w.category) {
    case 9: return make<AlphaKeystroke>(b, w);
    case 10: return make<AlphaCapsableKeystroke>(b, w);
    case 11: return make<NonAlphaNumericKeystroke>(b, w);
    case 12: return make<NonAlphaNumericCapsableKeystroke>(b, w);
    case 13: return make<TopRowDigitKeystroke>(b, w);
    case 14: return make<NumericPadDigitKeystroke>(b, w);
    case 15: return make<NumericKeystroke>(b, w);
    case 16: return make<AlphaNumericKeystroke>(b, w);
    case 17: return make<DataEntryMinusKeystroke>(b, w);
    case 18: return make<MSRDigitKeystroke>(b, w);
    case 19: return make<MSRNonAlphaNumericKeystroke>(b, w);
    default: return nullptr;
  }
}

UserInput* textAttribute(unsigned char* b, unsigned char code) {
  switch (code) {
    case 1: return make<TxUnderscoreKeystroke>(b);
    case 2: return make<TxEndAttrKeystroke>(b);
    case 3: return make<TxBoldKeystroke>(b);
    case 4: return make<TxWordUndKeystroke>(b);
    case 5: return make<TxSuperKeystroke>(b);
    case 6: return make<TxSubKeystroke>(b);
    case 7: return make<TxStopFuncKeystroke>(b);
    case 8: return make<TxRqSpaceKeystroke>(b);
    case 9: return make<TxCenterKeystroke>(b);
    case 10: return make<TxPagendKeystroke>(b);
    case 11: return make<TxStopAdvKeystroke>(b);
    case 12: return make<TxSymbolsKeystroke>(b);
    case 13: return make<TxAltDKeystroke>(b);
    default: return nullptr;
  }
}

UserInput* operatorError(unsigned char* b, unsigned char code) {
  if (code == 0 || code >= sizeof kErrorNumbers / sizeof kErrorNumbers[0] || !kErrorNumbers[code])
    return nullptr;
  return make<OperatorError>(b, kErrorNumbers[code]);
}

UserInput* mouse(unsigned char* b, unsigned char code, unsigned int offset) {
  switch (code) {
    case 0: return make<MouseMovementEvent>(b, offset);
    case 1: return make<LeftButtonPress>(b, offset);
    case 2: return make<LeftButtonRelease>(b, offset);
    case 3: return make<LeftButtonDoubleClick>(b, offset);
    case 4: return make<RightButtonPress>(b, offset);
    case 5: return make<RightButtonRelease>(b, offset);
    case 6: return make<RightButtonDoubleClick>(b, offset);
    case 7: return make<MiddleButtonPress>(b, offset, 7u);
    case 8: return make<MiddleButtonRelease>(b, offset);
    case 9: return make<MiddleButtonDoubleClick>(b, offset);
    case 10: return make<ShiftedLeftButtonPress>(b, offset);
    case 11: return make<ShiftedLeftButtonRelease>(b, offset);
    case 12: return make<ShiftedLeftButtonDoubleClick>(b, offset);
    case 13: return make<ShiftedRightButtonPress>(b, offset);
    case 14: return make<ShiftedRightButtonRelease>(b, offset);
    case 15: return make<ShiftedRightButtonDoubleClick>(b, offset);
    case 16: return make<ShiftedMiddleButtonPress>(b, offset);
    case 17: return make<ShiftedMiddleButtonRelease>(b, offset);
    case 18: return make<ShiftedMiddleButtonDoubleClick>(b, offset);
    default: return nullptr;
  }
}

struct ObjectBuffer {
  alignas(std::max_align_t) unsigned char bytes[InObjGen::kObjectBufferSize];
};
}  // namespace

UserInput* InObjGen::getUserInputObj(DisplayBag*, unsigned char* buffer, const FunctionWord* word) {
  const FunctionWord w = *word;
  switch (w.category) {
    case 1: return cursorMovement(buffer, w.code);
    case 2: return exitField(buffer, w.code);
    case 3: return function(buffer, w.code);
    case 4: return immediate(buffer, w.code);
    case 5:
      if (w.code < 1 || w.code > 24) return nullptr;
      return make<PFKeystroke>(buffer, w.code <= 12 ? w.code + 0x30u : w.code + 0xA4u);
    case 6: return aid(buffer, w.code);
    case 23: return operatorError(buffer, w.code);
    case 26: return textAttribute(buffer, w.code);
    default:
      if (w.category >= 9 && w.category <= 19) return dataKey(buffer, w);
      return nullptr;
  }
}

unsigned int InObjGen::processKeystrokeEvent(DisplayBag* d, FunctionWord* word) {
  ObjectBuffer buffer;
  UserInput* input = getUserInputObj(d, buffer.bytes, word);
  if (!input) {
    // A word no object stands for: the key is not valid.
    LogMsg(LevelDebug, "QWC0411 key word {%u, %u} has no input object\n",
           static_cast<unsigned int>(word->category), static_cast<unsigned int>(word->code));
    input = make<OperatorError>(buffer.bytes, kErrorKeyNotValid);
  }
  return d->processUserInputObject(input);
}

unsigned int InObjGen::processMouseEvent(DisplayBag* d, FunctionWord* word, unsigned int position) {
  ObjectBuffer buffer;
  UserInput* input = word->category == 27 ? mouse(buffer.bytes, word->code, position) : nullptr;
  if (!input) {
    LogMsg(LevelDebug, "QWC0412 mouse word {%u, %u} ignored\n", static_cast<unsigned int>(word->category),
           static_cast<unsigned int>(word->code));
    return 0;
  }
  return d->processUserInputObject(input);
}

unsigned int InObjGen::processLightPenEvent(DisplayBag* d, unsigned int row, unsigned int column) {
  ObjectBuffer buffer;
  return d->processUserInputObject(make<LightPen>(buffer.bytes, row, column));
}

unsigned int InObjGen::processImageStatusEvent(DisplayBag* d, FunctionWord* word,
                                               const unsigned char* status) {
  if (word->category != 27 || word->code < 20 || word->code > 22) return 0;
  ObjectBuffer buffer;
  return d->processUserInputObject(make<ImageStatus>(buffer.bytes, word->code - 19u, status));
}

unsigned int InObjGen::processMenuEvent(DisplayBag* d, int event) {
  ObjectBuffer buffer;
  UserInput* input = nullptr;
  switch (event) {
    case kMenuPaste: input = make<MenuPaste>(buffer.bytes); break;
    case kMenuCopy: input = make<MenuCopy>(buffer.bytes); break;
    case kMenuCut: input = make<MenuCut>(buffer.bytes); break;
    default: return 0;
  }
  return d->processUserInputObject(input);
}
