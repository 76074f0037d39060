#pragma once
// The event string of a keystroke macro: data keys (EBCDIC, or ISO 8859-1
// in files that say so) mixed with escaped events. A string starts in data
// mode; 0xFF followed by a byte below 0xFF enters event mode with that byte
// as the first event code, 0xFF 0xFF is the data key 0xFF. In event mode,
// code 1 and one data key (taken as it is) return to data mode.
//
// MacroRecorder builds such a string of at most kMacroLimit bytes;
// MacroReader takes one apart, one step at a time, stopping at the first
// truncated event.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr size_t kMacroLimit = 8192;

namespace macro_event {
constexpr uint8_t kEscape = 0xFF;
constexpr uint8_t kDataMode = 1;
constexpr uint8_t kKeyRecord = 2;
constexpr uint8_t kUserId = 250;
constexpr uint8_t kPassword = 251;
constexpr uint8_t kMenu = 252;
constexpr uint8_t kMouse = 253;
constexpr uint8_t kPause = 254;
}  // namespace macro_event

class MacroRecorder {
 public:
  MacroRecorder() { bytes_.reserve(kMacroLimit); }

  // Appends data keys. False when the buffer became full (the keys that did
  // not fit are dropped): recording ends.
  bool appendDataKeys(const uint8_t* keys, size_t count);
  // Appends one event with its operands. A mouse event (253) whose button
  // byte is 0 replaces such a mouse event just before it. A key record
  // (code 2) is written with its length byte and its type byte, so that it
  // plays as the record it was. False when the buffer is full afterwards or
  // the event did not fit (nothing appended then): recording ends.
  bool appendEvent(uint8_t code, const uint8_t* operands, size_t count);
  // Takes the last data keys or event back.
  void removeLastEvent();

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  // 0 once the buffer is full (a key or event did not fit).
  size_t bytesLeft() const { return full_ ? 0 : kMacroLimit - bytes_.size(); }
  bool full() const { return full_; }
  bool empty() const { return bytes_.empty(); }
  void clear();

 private:
  std::vector<uint8_t> bytes_;
  bool eventMode_ = false;
  size_t takeBackLength_ = 0;
  bool takeBackEventMode_ = false;
  bool lastWasMouseZero_ = false;
  bool full_ = false;
};

// One step of a macro being played.
struct MacroStep {
  enum Kind {
    kEnd,        // the string ended (or an event was truncated)
    kDataKey,    // `byte`
    kKeyRecord,  // `record`: a key record as it stands
    kUserId,
    kPassword,
    kMenu,       // `byte`: the menu event number
    kMouse,      // `byte`: the button code, `position`
    kPause,
    kKeystroke,  // `byte`: a one-byte keystroke code
  };
  Kind kind = kEnd;
  uint8_t byte = 0;
  unsigned position = 0;
  std::vector<uint8_t> record;
};

class MacroReader {
 public:
  explicit MacroReader(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  MacroStep next();
  size_t position() const { return pos_; }
  size_t bytesLeft() const { return pos_ < bytes_.size() ? bytes_.size() - pos_ : 0; }
  bool atEnd() const { return pos_ >= bytes_.size(); }

 private:
  MacroStep event(uint8_t code);
  std::vector<uint8_t> bytes_;
  size_t pos_ = 0;
  bool eventMode_ = false;
};

// Every step of a string until its end (for tests and checks).
std::vector<MacroStep> ReadAllMacroSteps(const std::vector<uint8_t>& bytes);
