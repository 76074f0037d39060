#pragma once
// The word-processing (text assist) session of a display station. Only the
// state that the presentation-space classes read is here for now.
class TextSession {
 public:
  // Bits of the state word.
  static constexpr unsigned int kErrorPending = 0x00200000;   // bit 21
  static constexpr unsigned int kInputSuspended = 0x40000000; // bit 30

  unsigned int stateWord() const { return state_; }
  void setStateWord(unsigned int state) { state_ = state; }

 private:
  unsigned int state_ = 0;
};
