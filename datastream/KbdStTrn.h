#pragma once
// Moves the keyboard state of a display station, step by step, to the state
// that a data-stream command asks for (the low byte of the record cursor's
// target keyboard state): normal unlocked 0, error 2, normal locked 4, word
// processing 11.
#include <cstdint>

class Databyte;
class KeyboardState;

class KbdStTrn {
 public:
  // The most steps one transition takes; a keyboard that refuses a step
  // ends the transition where it stands.
  static constexpr unsigned int kMaxSteps = 12;

  // 1 when the target is reached or no further step is defined.
  int kbdStateTransition(Databyte* db);
  // One step from the cached state: 1 complete, 0 look again.
  int processInput(Databyte* db);

  unsigned char lockInError = 0;
  // Passed to KeyboardState::enterErrorState when the target is 2.
  unsigned char errorHostMessage = 0;
  unsigned char errorColumn = 1;
  unsigned char errorEndColumn = 0;
  uint32_t errorCode = 0;
  unsigned char cachedState = 0;

 private:
  static KeyboardState& keyboard(Databyte* db);
};
