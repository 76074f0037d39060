#include "keyboard/CmdState.h"

#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"

namespace {
constexpr FunctionWord kCommandError{23, 3};
constexpr unsigned int kKeyboardE6E2 = 0xE6E2;

bool is(FunctionWord w, unsigned char category, unsigned char code) {
  return w.category == category && w.code == code;
}
}  // namespace

FunctionWord CmdState::procCmdState() {
  const bool shift = state_.held(XltState::kLeftShift | XltState::kRightShift);
  const bool shiftOrLock = shift || state_.held(XltState::kShiftLockKey);
  const bool wp = tax_.translationMode() == TAXlate::kWordProcessing;
  if ((tax_.keyboardOptions() & TAXlate::kOptionRightToLeft) && scan_ == 0x61) {
    if (shift) return FunctionWord{6, 5};
    return wp ? kCommandError : FunctionWord{3, 8};
  }
  if ((scan_ >= 0x31 && scan_ <= 0x3E) || scan_ == 0x61) {
    if (scan_ == 0x3E) return shift ? FunctionWord{3, 9} : FunctionWord{3, 17};
    if (scan_ == 0x3D || scan_ == 0x61) return shift ? FunctionWord{6, 5} : FunctionWord{6, 6};
    const unsigned char n = scan_ & 0x0F;
    return FunctionWord{5, static_cast<unsigned char>(shiftOrLock ? n + 12 : n)};
  }
  return wp ? wordProcessing() : dataProcessing();
}

FunctionWord CmdState::wordProcessing() const {
  const FunctionWord w = word_;
  if (w.category == 1) {
    switch (w.code) {
      case 2: case 4: return FunctionWord{1, 16};
      case 3: case 5: return FunctionWord{1, 17};
      case 6: return FunctionWord{6, 11};
      case 7: return FunctionWord{6, 12};
      case 11: case 12: return FunctionWord{1, 15};
      default: return kCommandError;
    }
  }
  if (w.category == 2 && w.code >= 1 && w.code <= 3) return FunctionWord{2, 5};
  if (w.category == 9 || w.category == 10 || is(w, 16, 0x40)) {
    XltState unshifted;
    return tax_.gtcacmd(tax_.getFW(scan_, &unshifted));
  }
  return kCommandError;
}

FunctionWord CmdState::dataProcessing() const {
  const FunctionWord w = word_;
  DisplayBag* d = tax_.display();
  // Command key with Insert or Help: the input-object generator has no
  // object for the words these used to give, so they are not valid.
  if (d && d->options().has(StationOptions::kHiddenDataCheck) && (is(w, 3, 1) || is(w, 6, 7)))
    return kCommandError;
  const unsigned int type = tax_.keyboardType();
  if ((type & TAXlate::kTypewriter) && !(type & TAXlate::kTypeBit08)) {
    if (is(w, 2, 4)) return FunctionWord{3, 11};
    if (is(w, 1, 13)) return FunctionWord{3, 10};
    if (is(w, 6, 1)) return FunctionWord{3, 12};
    if (w.category == 14 && w.code >= 0xF1 && w.code <= 0xF3)
      return FunctionWord{6, static_cast<unsigned char>(w.code - 0xF1 + 8)};
  }
  if (tax_.keyboardCode() == kKeyboardE6E2 && w.category == 14) {
    switch (w.code) {
      case 0xEF: return FunctionWord{3, 21};
      case 0xEC: return FunctionWord{3, 18};
      case 0xFC: return FunctionWord{3, 19};
      case 0xFD: return FunctionWord{3, 20};
      default: break;
    }
  }
  return kCommandError;
}
