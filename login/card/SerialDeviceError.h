#pragma once
// The one exception type of the smart-card stack. Codes: 0 the device could
// not be opened, 1 a transfer or control failure (time-outs too), 2 an
// incomplete answer-to-reset, 5 no card in the reader, 7 answer-to-reset or
// power-on failure. Only the access layer catches it.
#include <cstdint>

class SerialDeviceError {
 public:
  explicit SerialDeviceError(int32_t code) : code_(code) {}
  int32_t code() const { return code_; }

 private:
  int32_t code_;
};
