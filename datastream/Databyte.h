#pragma once
// The cursor over the host record being interpreted, handed to every
// data-stream state machine: the current byte and where it lies, the bytes
// left, the sense code of a rejection, and the scratch that the machines of
// one record share.
#include <cstdint>

class DisplayBag;
class DataStreamManager;
class SelFieldType;
class FldCrt;

// What processInput, endOfData and the helpers of a machine answer.
enum FsmResult : int {
  kFsmTaken = 0,           // byte taken; go on with the next byte
  kFsmFinished = 1,        // command, order or structure done on the current byte
  kFsmEscape = 2,          // stopped on the escape 0x04 that starts the next command
  kFsmRejected = 3,        // record abandoned; the sense code says why
  kFsmTextAssist = 5,      // the rest is text-assist data
  kFsmSavePartial = 9,     // a checked save-partial waits for the dispatcher
  kFsmDispatchAgain = 13,  // current byte advanced; dispatch again
};

class Databyte {
 public:
  Databyte() = default;
  // Positions the cursor on data[0] of a record of n bytes (n > 0).
  Databyte(DisplayBag* display, DataStreamManager* manager, const unsigned char* data,
           uint32_t n)
      : display(display), manager(manager) {
    recordStart = current = data;
    remaining = n;
    value = n ? *data : 0;
  }

  unsigned char getValue() const { return value; }
  void setValue(unsigned char b) { value = b; }
  uint32_t getSenseCode() const { return senseCode; }
  void setSenseCode(uint32_t code) { senseCode = code; }
  // Sets the code only when none is set yet.
  void setDefaultSenseCode(uint32_t code) {
    if (!senseCode) senseCode = code;
  }

  // Advances n bytes and returns 0; when fewer than n + 1 bytes remain,
  // moves to the record's last byte and returns 1.
  int loadNextValue(uint32_t n) {
    if (remaining == 0) return 1;
    if (remaining > n) {
      current += n;
      remaining -= n;
      value = *current;
      return 0;
    }
    current += remaining - 1;
    remaining = 1;
    value = *current;
    return 1;
  }

  bool isLastByte() const { return remaining == 1; }
  // The byte k positions after the current one; the caller checks remaining.
  unsigned char peek(uint32_t k) const { return current[k]; }
  // Offset of the current byte in the record.
  uint32_t position() const { return static_cast<uint32_t>(current - recordStart); }

  unsigned char value = 0;
  uint32_t senseCode = 0;
  DisplayBag* display = nullptr;
  DataStreamManager* manager = nullptr;
  SelFieldType* selectionFieldArea = nullptr;
  FldCrt* fieldUnderConstruction = nullptr;
  uint32_t scratch[2] = {0, 0};
  unsigned char redefine = 0;
  uint32_t targetKeyboardState = 0;
  const unsigned char* recordStart = nullptr;
  const unsigned char* current = nullptr;
  uint32_t remaining = 0;
  uint32_t accumulator = 0;
  unsigned char synthetic[2] = {0, 0};
  uint32_t textSense = 0;
};
