#pragma once
// The display-control word that the device shows (cursor visibility and
// blink, alarm, text-symbol displays), the cursor request and state bytes
// from which the blink is computed, and the text-symbols display state.
class StationServices;
class qrnOStream;
class qrnIStream;

class DisplayControlData {
 public:
  static constexpr unsigned int kHideCursor = 0x80000000u;        // bit 31
  static constexpr unsigned int kCursorBlink = 0x40000000u;       // bit 30
  static constexpr unsigned int kAlarm = 0x08000000u;             // bit 27
  static constexpr unsigned int kTextSymbolsDisplay = 0x02000000u;  // bit 25
  static constexpr unsigned int kTextSymbolsWholeScreen = 0x01000000u;  // bit 24
  static constexpr unsigned int kEnptuiSymbolsDisplay = 0x00400000u;    // bit 22
  static constexpr unsigned int kInitialControlWord = 0x04000000u;
  // Cursor request byte R.
  static constexpr unsigned char kRequestInsert = 0x04;
  static constexpr unsigned char kRequestError = 0x02;
  static constexpr unsigned char kRequestTextAssist = 0x60;
  // Cursor state byte S.
  static constexpr unsigned char kStateLocked = 0x04;
  static constexpr unsigned char kStateTextAssist = 0x01;

  explicit DisplayControlData(StationServices* station);

  void outputChanges();
  void forceOutput();
  bool computeBlink() const;

  unsigned int controlWord() const { return control_; }
  void setControlBits(unsigned int bits) { control_ |= bits; }
  void clearControlBits(unsigned int bits) { control_ &= ~bits; }
  unsigned char cursorRequest() const { return request_; }
  unsigned char cursorState() const { return state_; }
  void setCursorRequestBits(unsigned char bits) { request_ |= bits; }
  void clearCursorRequestBits(unsigned char bits) { request_ &= static_cast<unsigned char>(~bits); }
  void setCursorState(unsigned char state) { state_ = state; }
  void setCursorRequest(unsigned char request) { request_ = request; }

  unsigned int textSymbolsDisplayState() const { return textSymbolsState_; }
  void setTextSymbolsDisplay();
  void resetTextSymbolsDisplay();
  void cycleTextSymbolsDisplayState();

  void saveControlData(qrnOStream* stream) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreControlData(qrnIStream* stream);

 private:
  void send();

  StationServices* station_;
  unsigned int control_ = kInitialControlWord;
  unsigned int lastSent_ = kInitialControlWord;
  unsigned char request_ = 0;
  unsigned char state_ = 0;
  unsigned char textSymbolsState_ = 0;
};
