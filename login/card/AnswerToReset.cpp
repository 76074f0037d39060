#include "login/card/AnswerToReset.h"

void AnswerToResetDecoder::startGroup(uint8_t presence) {
  presence_ = presence & 0x0F;
  position_ = 0;
  ++group_;
  advanceInGroup();
}

// Moves position_ to the next announced interface byte of the group, or
// ends the interface bytes when none is left.
void AnswerToResetDecoder::advanceInGroup() {
  while (position_ < 4 && !(presence_ & (1u << position_))) ++position_;
  if (position_ < 4) {
    state_ = InterfacePending;
  } else {
    state_ = historical_ ? HistoricalPending : Complete;
  }
}

AnswerToResetDecoder::State AnswerToResetDecoder::feed(uint8_t byte) {
  if (state_ == Complete || state_ == Overrun) return state_;
  if (length_ >= kMaxAnswerBytes + 1) return state_ = Overrun;
  ++length_;
  switch (state_) {
    case Start:
      state_ = FormatExpected;
      break;
    case FormatExpected:
      historical_ = byte & 0x0F;
      startGroup(static_cast<uint8_t>(byte >> 4));
      break;
    case InterfacePending:
      if (position_ == 2 && group_ == 2) wi_ = byte;
      if (position_ == 3) {
        startGroup(static_cast<uint8_t>(byte >> 4));
      } else {
        ++position_;
        advanceInGroup();
      }
      break;
    case HistoricalPending:
      if (--historical_ == 0) state_ = Complete;
      break;
    default:
      break;
  }
  if (state_ != Complete && length_ >= kMaxAnswerBytes + 1) state_ = Overrun;
  return state_;
}
