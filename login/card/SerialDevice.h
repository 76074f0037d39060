#pragma once
// The byte channel under a card reader, with the modem-control lines that a
// directly wired reader uses: DTR for power, RTS for reset, carrier detect
// for card presence. Failures raise SerialDeviceError.
#include <cstddef>

class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual void open() = 0;
  // One read; *count is the capacity on entry and the bytes read on return
  // (0 when nothing is waiting). Returns the bytes read.
  virtual long read(unsigned char* buffer, size_t* count) = 0;
  // One write; *count is the bytes to write on entry and written on return.
  virtual long write(const unsigned char* buffer, size_t* count) = 0;
  // 1 when input is waiting now, else 0.
  virtual int waitForInput() = 0;
  // Waits at most timeoutMs for input (an interrupted wait is resumed);
  // true when input is waiting.
  virtual bool waitReadable(int timeoutMs) = 0;
  virtual void flush() = 0;
  virtual void clearRTS() = 0;
  virtual void setRTS() = 0;
  // 1 when the carrier-detect line is on.
  virtual int carrierDetect() = 0;
  virtual void setDTR() = 0;
  virtual void clearDTR() = 0;
  // The descriptor a caller may wait on; -1 while closed.
  virtual int fileDescriptor() const = 0;
};
