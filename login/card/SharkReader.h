#pragma once
// A reader behind the kernel's smart-card driver (/dev/scr0), driven by its
// ioctl requests: status, power on (with the answer-to-reset), power off,
// and T=0 exchanges. Lengths from the driver are clamped to the blocks'
// buffers and to the caller's. The reader factory does not choose it.
#include <string>

#include "login/card/CardReader.h"

class SharkReader : public CardReader {
 public:
  // Opens driverPath for writing; SerialDeviceError 0 when it cannot.
  SharkReader(SerialDevice* device, const char* driverPath);
  ~SharkReader() override;

  void getATR(uint8_t* buffer, size_t* length) override;
  void powerOn() override;
  void powerOff() override;
  void reset(uint8_t* buffer, size_t* length) override;
  int getStatus() override;
  void transmit(const uint8_t header[5], int direction, uint8_t* data, size_t* length, uint8_t* sw1,
                uint8_t* sw2) override;

 private:
  int driverStatus();

  int fd_ = -1;
  uint8_t atr_[60] = {};
  size_t atrLength_ = 0;
};

// The reader's trace line of some bytes: letters and digits as themselves,
// others as 0x.., each followed by a blank, a second blank after every
// byte at an even position, and a newline.
std::string FormatCardTrace(const uint8_t* bytes, size_t length);
