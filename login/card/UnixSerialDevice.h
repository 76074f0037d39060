#pragma once
// A SerialDevice on a terminal device: 9600 baud, 8 data bits, even parity,
// raw, non-blocking; modem lines through ioctl requests (their errors are
// ignored).
#include <string>

#include "login/card/SerialDevice.h"

class UnixSerialDevice : public SerialDevice {
 public:
  explicit UnixSerialDevice(const char* path);
  ~UnixSerialDevice() override;
  UnixSerialDevice(const UnixSerialDevice&) = delete;
  UnixSerialDevice& operator=(const UnixSerialDevice&) = delete;

  void open() override;
  long read(unsigned char* buffer, size_t* count) override;
  long write(const unsigned char* buffer, size_t* count) override;
  int waitForInput() override;
  bool waitReadable(int timeoutMs) override;
  void flush() override;
  void clearRTS() override;
  void setRTS() override;
  int carrierDetect() override;
  void setDTR() override;
  void clearDTR() override;
  int fileDescriptor() const override { return fd_; }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
  bool hasPath_;
};
