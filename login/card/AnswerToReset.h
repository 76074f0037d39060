#pragma once
// Decoding of an ISO 7816-3 answer-to-reset, byte by byte: TS, T0 with the
// presence nibble and the number of historical bytes, the interface bytes
// that each presence nibble announces, the historical bytes. The answer is
// at most kMaxAnswerBytes long (TS and the check byte excluded); a longer
// one is an overrun.
#include <cstddef>
#include <cstdint>

class AnswerToResetDecoder {
 public:
  enum State { Start, FormatExpected, InterfacePending, HistoricalPending, Complete, Overrun };
  static constexpr size_t kMaxAnswerBytes = 32;

  // Feeds the next byte; returns the new state. Bytes after Complete or
  // Overrun are not taken.
  State feed(uint8_t byte);
  State state() const { return state_; }
  // Bytes of the answer from TS through the last historical byte.
  size_t length() const { return length_; }
  // The waiting-time integer WI from TC2, or 0 when the answer has none.
  uint8_t waitingIntegerTC2() const { return wi_; }

 private:
  State state_ = Start;
  size_t length_ = 0;
  uint8_t presence_ = 0;           // presence nibble of the current group
  unsigned group_ = 0;             // 1 for TA1..TD1, 2 for TA2..TD2, ...
  unsigned historical_ = 0;        // historical bytes still due
  uint8_t wi_ = 0;
  unsigned position_ = 0;          // position within the current group (0 TA .. 3 TD)
  void startGroup(uint8_t presence);
  void advanceInGroup();
};
