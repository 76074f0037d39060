#pragma once
// The word-processing (text assist) session of a display station. This is
// the part the station, the keyboard state and the input objects call; the
// text pages, lines and host tables come with the text-assist code.
class DisplayBag;
class qrnOStream;
class qrnIStream;

class TextSession {
 public:
  // Bits of the state word.
  static constexpr unsigned int kErrorPending = 0x00200000;    // the error flag
  static constexpr unsigned int kErrorMode = 0x00100000;       // error mode on
  static constexpr unsigned int kKeyboardLocked = 0x00080000;  // keyboard locked in state 11
  static constexpr unsigned int kInputSuspended = 0x40000000;  // bit 30

  explicit TextSession(DisplayBag* display = nullptr) : display_(display) {}

  unsigned int stateWord() const { return state_; }
  void setStateWord(unsigned int state) { state_ = state; }
  bool errorFlag() const { return (state_ & kErrorPending) != 0; }
  bool keyboardLocked() const { return (state_ & kKeyboardLocked) != 0; }

  // Shows an operator error in the text session's own status row.
  void operatorerror(unsigned int code);
  unsigned int lastOperatorError() const { return lastError_; }
  // Reset key: ends the text session's error.
  void c_textreset();
  void c_textmouseclick(unsigned int offset);
  unsigned int determinePollType(unsigned int& flag);
  // Whether the marked range may be cut out of the text page.
  int WPCutOK(unsigned int start, unsigned int width);
  unsigned int currentPlane() const { return 0; }
  bool isRightToLeftLine(unsigned int row) const { return false; }

  void saveTextSession(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreTextSession(qrnIStream* in);

  DisplayBag* display() const { return display_; }

 private:
  DisplayBag* display_;
  unsigned int state_ = 0;
  unsigned int lastError_ = 0;
};
