#pragma once
// The keyboard translator's shift state and its open multi-key modes, and
// the queued form of one key.
#include "keyboard/FunctionWord.h"

// Shift state: which shift-type keys are held or latched and which shifts
// are in force. A value type, copied freely.
struct XltState {
  // Word 0: keys held and latches.
  static constexpr unsigned int kLeftShift = 1u << 31;
  static constexpr unsigned int kRightShift = 1u << 30;
  static constexpr unsigned int kShiftLockKey = 1u << 29;
  static constexpr unsigned int kCapsLockKey = 1u << 28;
  static constexpr unsigned int kLeftAlt = 1u << 27;
  static constexpr unsigned int kRightAlt = 1u << 26;
  static constexpr unsigned int kAlphaKey = 1u << 25;
  static constexpr unsigned int kKatakanaKey = 1u << 24;
  static constexpr unsigned int kKatakanaSymbolKey = 1u << 23;
  static constexpr unsigned int kLatinKey = 1u << 22;
  static constexpr unsigned int kLanguageKey = 1u << 21;
  static constexpr unsigned int kLeftLayerKey = 1u << 20;
  static constexpr unsigned int kRightLayerKey = 1u << 19;
  static constexpr unsigned int kShiftLocked = 1u << 18;
  static constexpr unsigned int kAlphaLatch = 1u << 17;
  static constexpr unsigned int kKatakanaLatch = 1u << 16;
  static constexpr unsigned int kAltActive = 1u << 15;
  static constexpr unsigned int kLanguageCopy = 1u << 14;
  // Words 1-3.
  static constexpr unsigned int kUpperShift = 1u << 31;     // word 1
  static constexpr unsigned int kLanguageShift = 1u << 31;  // word 2
  static constexpr unsigned int kLayer = 1u << 31;          // word 3
  static constexpr unsigned int kCaps = 1u << 30;           // word 3
  static constexpr unsigned int kDiacriticShown = 1u << 29; // word 3

  unsigned int w[4] = {0, 0, 0, 0};

  void resetStates() {
    w[0] &= ~0xFFFFC000u;
    w[1] &= ~0x80000000u;
    w[2] &= ~0x80000000u;
    w[3] &= ~0xE0000000u;
  }
  bool held(unsigned int bit) const { return (w[0] & bit) != 0; }
  void setHeld(unsigned int bit, bool on) { w[0] = on ? (w[0] | bit) : (w[0] & ~bit); }
  // Either Shift key, the Shift Lock key or the Katakana-symbol key.
  bool shiftKeyHeld() const {
    return held(kLeftShift | kRightShift | kShiftLockKey | kKatakanaSymbolKey);
  }
  bool upperShift() const { return (w[1] & kUpperShift) != 0; }
  void setUpperShift(bool on) { w[1] = on ? (w[1] | kUpperShift) : (w[1] & ~kUpperShift); }
  bool languageShift() const { return (w[2] & kLanguageShift) != 0; }
  void setLanguageShift(bool on) {
    w[2] = on ? (w[2] | kLanguageShift) : (w[2] & ~kLanguageShift);
  }
  bool layer() const { return (w[3] & kLayer) != 0; }
  void setLayer(bool on) { w[3] = on ? (w[3] | kLayer) : (w[3] & ~kLayer); }
  bool caps() const { return (w[3] & kCaps) != 0; }
  void setCaps(bool on) { w[3] = on ? (w[3] | kCaps) : (w[3] & ~kCaps); }
  bool diacriticShown() const { return (w[3] & kDiacriticShown) != 0; }
  void setDiacriticShown(bool on) {
    w[3] = on ? (w[3] | kDiacriticShown) : (w[3] & ~kDiacriticShown);
  }
  bool operator==(const XltState& o) const {
    return w[0] == o.w[0] && w[1] == o.w[1] && w[2] == o.w[2] && w[3] == o.w[3];
  }
  bool operator!=(const XltState& o) const { return !(*this == o); }
};
static_assert(sizeof(XltState) == 16, "a shift state is four 32-bit words");

// The translator's open multi-key modes.
struct XltModes {
  static constexpr unsigned int kFrontFace = 1u << 31;
  static constexpr unsigned int kDeadKey = 1u << 30;
  static constexpr unsigned int kCommand = 1u << 29;
  static constexpr unsigned int kHexFirst = 1u << 28;
  static constexpr unsigned int kHex = 1u << 27;
  static constexpr unsigned int kAll = 0xF8000000u;

  unsigned int bits = 0;

  void reset() { bits &= ~kAll; }
  bool modesSet() const { return (bits & kAll) != 0; }
  bool has(unsigned int m) const { return (bits & m) != 0; }
};

// One key as the translator queues it: its word and its scan code.
struct TaxObj {
  FunctionWord word;
  unsigned char scan = 0;
};
