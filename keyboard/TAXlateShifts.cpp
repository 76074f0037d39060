// Shift states, the automatic and default shifts, resets and the
// type-ahead switches of the translator.
#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
#include "keyboard/TranslatorHost.h"
#include "base/LogMsg.h"

namespace {
using S = XltState;
constexpr unsigned int kLayerIndicator = 0x01000000u;  // bit 24, not shown
// The bidirectional flag word: what bidisvst keeps for the defaults.
constexpr unsigned int kBidiLatch = 1;
constexpr unsigned int kBidiCaps = 2;
constexpr unsigned int kBidiLanguage = 4;

bool releasesLatch(FunctionWord previous) {
  const unsigned char c = previous.category;
  return (c >= 9 && c <= 19) || c == 34 || c == 37 || c == 38 || c == 32 || c == 33;
}

void adjuppsh(S& s) {
  s.setUpperShift(s.held(S::kLeftShift | S::kRightShift | S::kShiftLockKey | S::kShiftLocked));
}
}  // namespace

// ---- shift keys ----------------------------------------------------------------------------

XltState TAXlate::shiftKeys(FunctionWord word, const XltState& state, FunctionWord previous) const {
  XltState s = state;
  const bool press = word.category == 32;
  const unsigned int type = keyboardType();
  const bool digit5 = (type & kDigit5) != 0;
  const bool typewriter = (type & kTypewriter) != 0;
  const bool kanaNoDigit5 = bgOrBh() && !digit5;
  const bool bit20 = (tableBits_ & kTableBit20) != 0;

  // The release of a held Shift of one side.
  auto shiftRelease = [&](bool left) {
    s.setHeld(left ? S::kLeftShift : S::kRightShift, false);
    if (s.held(S::kShiftLocked) && releasesLatch(previous)) s.setHeld(S::kShiftLocked, false);
    s.setUpperShift(s.held(left ? S::kRightShift : S::kLeftShift) || s.held(S::kShiftLockKey) ||
                    s.held(S::kShiftLocked));
    if (left && !(digit5 || (typewriter && !bgOrBh()))) setShift(&s);
  };
  auto shiftPress = [&](bool left) {
    s.setHeld(left ? S::kLeftShift : S::kRightShift, true);
    s.setUpperShift(true);
    if (left && !(digit5 || (typewriter && !bgOrBh()))) setShift(&s);
  };
  auto resetShiftlock = [&]() {
    s.setHeld(S::kShiftLocked, false);
    if (!s.held(S::kLeftShift | S::kRightShift | S::kShiftLockKey)) s.setUpperShift(false);
  };
  auto shiftLockRelease = [&]() {
    s.setHeld(S::kShiftLockKey, false);
    if (!kanaNoDigit5) s.setHeld(S::kShiftLocked, true);
  };
  auto capsRelease = [&]() { s.setHeld(S::kCapsLockKey, false); };

  switch (word.code) {
    case 1:  // Shift Lock
      if (press) {
        s.setHeld(S::kShiftLockKey, true);
        if (!kanaNoDigit5) s.setUpperShift(true);
      } else if (s.held(S::kShiftLockKey)) {
        shiftLockRelease();
      } else if (s.held(S::kCapsLockKey)) {
        capsRelease();
      }
      break;
    case 2:
    case 3:
      if (press) shiftPress(word.code == 2);
      else shiftRelease(word.code == 2);
      break;
    case 4:  // alpha shift
      s.setHeld(S::kAlphaKey, press);
      if (bgOrBh()) {
        if (press) {
          s.setHeld(S::kAlphaLatch | S::kKatakanaLatch, false);
        } else if (s.held(S::kShiftLockKey)) {
          s.setHeld(S::kAlphaLatch, true);
          s.setHeld(S::kKatakanaLatch, false);
        }
      }
      setShift(&s);
      break;
    case 5:  // Katakana symbol shift
      s.setHeld(S::kKatakanaSymbolKey, press);
      setShift(&s);
      break;
    case 6:  // Katakana shift
      s.setHeld(S::kKatakanaKey, press);
      if (press) {
        s.setHeld(S::kAlphaLatch | S::kKatakanaLatch, false);
      } else if (s.held(S::kShiftLockKey)) {
        s.setHeld(S::kKatakanaLatch, true);
        s.setHeld(S::kAlphaLatch, false);
      }
      setShift(&s);
      break;
    case 7:
    case 8: {
      const unsigned int mine = word.code == 7 ? S::kLeftAlt : S::kRightAlt;
      const unsigned int other = word.code == 7 ? S::kRightAlt : S::kLeftAlt;
      if (press) {
        s.setHeld(mine | S::kAltActive, true);
        break;
      }
      s.setHeld(mine, false);
      if (s.held(other)) break;
      s.setHeld(S::kAltActive, false);
      // Keys still held when Alt goes hand over to a Shift press.
      if (s.held(S::kLatinKey)) {
        s.setHeld(S::kLatinKey, false);
        shiftPress(!bit20);
      }
      if (s.held(S::kLanguageKey)) {
        s.setHeld(S::kLanguageKey, false);
        shiftPress(bit20);
      }
      if (s.held(S::kLeftLayerKey)) {
        s.setHeld(S::kLeftLayerKey, false);
        shiftPress(true);
      }
      if (s.held(S::kRightLayerKey)) {
        s.setHeld(S::kRightLayerKey, false);
        shiftPress(false);
      }
      break;
    }
    case 9:  // Caps Lock
      if (press) {
        s.setHeld(S::kCapsLockKey, true);
        s.setCaps(!s.caps());
      } else if (s.held(S::kCapsLockKey)) {
        capsRelease();
      } else if (s.held(S::kShiftLockKey)) {
        shiftLockRelease();
      }
      break;
    case 10:
    case 11: {
      const bool latin = word.code == 10;
      const unsigned int mine = latin ? S::kLatinKey : S::kLanguageKey;
      const unsigned int other = latin ? S::kLanguageKey : S::kLatinKey;
      if (press) {
        s.setHeld(mine, true);
        s.setLanguageShift(!latin);
        resetShiftlock();
      } else if (!s.held(mine)) {
        if (s.held(S::kLeftShift | S::kRightShift)) shiftRelease(latin ? !bit20 : bit20);
      } else {
        s.setHeld(mine, false);
        if (s.held(other) && (!digit5 || (s.w[0] & S::kAltActive))) s.setLanguageShift(latin);
        resetShiftlock();
      }
      break;
    }
    case 12:  // layer select
      if (press) {
        s.setLanguageShift(!s.languageShift());
        s.setHeld(S::kLanguageCopy, s.languageShift());
      }
      break;
    case 13:
    case 14: {
      const unsigned int mine = word.code == 13 ? S::kLeftLayerKey : S::kRightLayerKey;
      if (press) {
        s.setHeld(mine, true);
        s.setLayer(!s.layer());
      } else if (s.held(mine)) {
        s.setHeld(mine, false);
      } else if (s.held(S::kLeftShift | S::kRightShift)) {
        shiftRelease(word.code == 13);
      }
      break;
    }
    default:
      // The tables admit codes 1-14 only; anything else changes nothing.
      LogMsg(LevelDebug, "QWC0410 shift key code %u ignored\n", static_cast<unsigned int>(word.code));
      break;
  }
  return s;
}

void TAXlate::setShift(XltState* s) const {
  const unsigned int type = keyboardType();
  const bool digit5 = (type & kDigit5) != 0;
  const bool typewriter = (type & kTypewriter) != 0;
  if (!bgOrBh()) {
    // Typewriter and digit-5 keyboards have no automatic shift.
    if (digit5 || typewriter) return;
    // Data entry: upper shift while a Shift is held or locked, else by the
    // field (numeric shift), unless the alpha key is held.
    if (s->held(S::kLeftShift | S::kRightShift | S::kShiftLockKey | S::kShiftLocked))
      s->setUpperShift(true);
    else if (!s->held(S::kAlphaKey))
      s->setUpperShift(pollType_ == 4 || pollType_ == 5);
    else
      s->setUpperShift(false);
    return;
  }
  // Katakana keyboards.
  s->setHeld(S::kLanguageCopy, s->languageShift());
  bool keepUpper = false;
  if (s->held(S::kLeftShift) && !digit5) {
    s->setUpperShift(true);
    s->setLanguageShift(false);
    keepUpper = true;
  } else if (s->held(S::kAlphaKey)) {
    s->setLanguageShift(false);
  } else if (s->held(S::kKatakanaSymbolKey)) {
    s->setLanguageShift(true);
    s->setUpperShift(true);
    keepUpper = true;
  } else if (s->held(S::kKatakanaKey)) {
    s->setLanguageShift(true);
  } else if (s->held(S::kAlphaLatch)) {
    s->setLanguageShift(false);
  } else if (s->held(S::kKatakanaLatch)) {
    s->setLanguageShift(true);
  } else {
    keepUpper = true;
    if (pollType_ == 3) {
      s->setLanguageShift(true);
      s->setUpperShift(false);
    } else if (digit5 || typewriter) {
      s->setLanguageShift(false);
      s->setUpperShift(false);
    } else if (pollType_ == 4 || pollType_ == 5) {
      s->setLanguageShift(false);
      s->setUpperShift(true);
    } else {
      s->setLanguageShift(false);
      s->setUpperShift(false);
    }
    if (typewriter) s->setUpperShift(false);
  }
  if (!keepUpper) s->setUpperShift(false);
  s->setHeld(S::kLanguageCopy, s->languageShift());
}

// ---- indicators and the layer latch --------------------------------------------------------

void TAXlate::checkind(const XltState& state) {
  if (!display_) return;
  Indicators& ind = display_->indicators().current();
  auto follow = [&](unsigned int bit, bool on) {
    if (on) ind.set(bit);
    else ind.reset(bit);
  };
  follow(Indicators::kCapsLock, state.caps());
  follow(Indicators::kShift, state.upperShift());
  follow(Indicators::kLanguageShift, state.languageShift());
  follow(kLayerIndicator, state.layer());
  if (!rightToLeft()) follow(Indicators::kDiacritic, state.diacriticShown());
}

XltState TAXlate::chkl100(FunctionWord w, XltState state) const {
  const unsigned char c = w.category;
  const bool drop = (c >= 9 && c <= 19) || c == 37 || c == 38 || c == 5 || c == 6 ||
                    (c == 4 && (w.code == 2 || w.code == 3)) || c == 35;
  if (drop) state.setLayer(false);
  return state;
}

void TAXlate::setLanguageShift(bool on) {
  arrival_.setLanguageShift(on);
  replay_.setLanguageShift(on);
  if (!display_) return;
  if (on) display_->indicators().current().set(Indicators::kLanguageShift);
  else display_->indicators().current().reset(Indicators::kLanguageShift);
  display_->outputChanges();
}

// ---- default shifts ------------------------------------------------------------------------

void TAXlate::bidisvst() {
  if (pollType_ == 9) return;
  if (mode_ == kDataProcessing) {
    bidiFlags_ &= ~(kBidiLatch | kBidiCaps);
    if (replay_.held(S::kShiftLocked)) bidiFlags_ |= kBidiLatch;
    if (replay_.caps()) bidiFlags_ |= kBidiCaps;
  } else if (pollType_ == 6 || pollType_ == 7) {
    bidiFlags_ &= ~kBidiLanguage;
    if (replay_.languageShift()) bidiFlags_ |= kBidiLanguage;
  }
}

void TAXlate::dpBidiDefaults(XltState& d) {
  if (!pollFlag_) return;
  Indicators& ind = display_->indicators().current();
  if (pollType_ == 2) {
    d.setHeld(S::kShiftLocked, false);
    d.setCaps(false);
    ind.set(Indicators::kRightToLeftCursor);
  } else {
    ind.reset(Indicators::kRightToLeftCursor);
    d.setHeld(S::kShiftLocked, (bidiFlags_ & kBidiLatch) != 0);
    d.setCaps((bidiFlags_ & kBidiCaps) != 0);
  }
  if (d.held(S::kLanguageKey)) d.setLanguageShift(true);
  else if (d.held(S::kLatinKey)) d.setLanguageShift(false);
  else d.setLanguageShift(pollType_ == 2);
  adjuppsh(d);
  replay_.setHeld(S::kShiftLocked, d.held(S::kShiftLocked));
  replay_.setCaps(d.caps());
  replay_.setLanguageShift(d.languageShift());
}

void TAXlate::wpBidiDefaults(XltState& d) {
  if (pollType_ == 9) return;
  if (pollType_ == 6 || pollType_ == 7) d.setLanguageShift((bidiFlags_ & kBidiLanguage) != 0);
  else if (pollType_ == 2 && pollFlag_) d.setLanguageShift(true);
  else if (pollType_ == 1 && pollFlag_) d.setLanguageShift(false);
  replay_.setLanguageShift(d.languageShift());
  Indicators& ind = display_->indicators().current();
  if (pollType_ == 2) ind.set(Indicators::kRightToLeftCursor);
  else ind.reset(Indicators::kRightToLeftCursor);
}

void TAXlate::setDefaultShifts() {
  if (!display_) return;
  const unsigned int type = keyboardType();
  const bool special = ((type & kDigit5) || (type & kTypewriter)) && !bgOrBh();
  default_ = arrival_;
  const bool aroundSysreq = pollType_ == 8 || prevPollType_ == 8;
  if (rightToLeft()) {
    if (!special && !aroundSysreq) {
      if (mode_ == kDataProcessing) dpBidiDefaults(default_);
      else wpBidiDefaults(default_);
    }
  } else if (!special && (!(type & kDigit5) || pollFlag_)) {
    setShift(&default_);
    if (ta_.empty()) {
      replay_ = default_;
    } else {
      setShift(&replay_);
      savedDefault_ = replay_;
    }
  }
  if (pollType_ == 8 && pollFlag_ && prevPollType_ != 8) {
    // Entering system request: caps, shift and language shift are put away.
    sysreqSaved_ = default_;
    default_.setCaps(false);
    default_.setUpperShift(false);
    default_.setLanguageShift(false);
    default_.setHeld(S::kShiftLocked, false);
  } else if (prevPollType_ == 8 && pollType_ != 8) {
    default_.setCaps(sysreqSaved_.caps());
    default_.setUpperShift(sysreqSaved_.upperShift());
    default_.setLanguageShift(sysreqSaved_.languageShift());
    default_.setHeld(S::kShiftLocked, sysreqSaved_.held(S::kShiftLocked));
  }
  checkind(default_);
  arrival_ = default_;
}

// ---- resets --------------------------------------------------------------------------------

void TAXlate::rstmodes(unsigned int modes) {
  modes &= XltModes::kAll;
  arrivalModes_.bits &= ~modes;
  if (ta_.empty()) replayModes_.bits &= ~modes;
  if ((modes & XltModes::kDeadKey) && arrival_.diacriticShown()) {
    arrival_.setDiacriticShown(false);
    checkind(arrival_);
  }
}

void TAXlate::TaxPOR() {
  replay_.resetStates();
  checkind(replay_);
  arrival_.resetStates();
  ta_.queue().clear();
  ta_.setOverflowInUse(false);
  rstmodes(XltModes::kAll);
}

void TAXlate::resetTaxlate() {
  if (!typeAheadOn()) rstmodes(XltModes::kAll);
}

void TAXlate::resetTaxlateForWP() { rstmodes(XltModes::kFrontFace | XltModes::kCommand); }

void TAXlate::clrTABuf() {
  arrivalModes_.reset();
  replayModes_.reset();
  if (arrival_.diacriticShown()) {
    arrival_.setDiacriticShown(false);
    checkind(arrival_);
  }
  replay_ = arrival_;
  ta_.wasFull() = 0;
  ta_.queue().clear();
  ta_.setOverflowInUse(false);
  inputWord_ &= ~kInputInhibited;
}

// ---- type-ahead control --------------------------------------------------------------------

void TAXlate::turnTAOnDev(int force) {
  if (!force && taOverride_ != 2) {
    taByte_ |= kTADeviceWish;
    return;
  }
  taByte_ |= kTAOn;
  taByte_ &= static_cast<unsigned char>(~kTAOffPending);
  if (!force) taByte_ |= kTADeviceWish;
  if (display_) display_->indicators().current().set(Indicators::kTypeAhead);
}

void TAXlate::turnTAOffDev(int force) {
  if (!force && taOverride_ != 2) {
    taByte_ &= static_cast<unsigned char>(~kTADeviceWish);
    return;
  }
  if (ta_.empty())
    taByte_ &= static_cast<unsigned char>(~(kTAOn | kTAOffPending));
  else
    taByte_ |= kTAOffPending;
  if (!force) taByte_ &= static_cast<unsigned char>(~kTADeviceWish);
  if (display_) display_->indicators().current().reset(Indicators::kTypeAhead);
}

void TAXlate::turnTAOnCtl() {
  turnTAOnDev(0);
  taByte_ |= kTAHostSet;
  host_->setGlobalTypeAheadState(1);
}

void TAXlate::turnTAOffCtl() {
  turnTAOffDev(0);
  taByte_ |= kTAHostSet;
  host_->setGlobalTypeAheadState(0);
}

void TAXlate::TAOverride(unsigned char value) {
  if (value == taOverride_) return;
  taOverride_ = value;
  switch (value) {
    case 1: turnTAOnDev(1); break;
    case 0: turnTAOffDev(1); break;
    case 2:
      if (taByte_ & kTADeviceWish) turnTAOnDev(1);
      else turnTAOffDev(1);
      break;
    default: break;
  }
}
