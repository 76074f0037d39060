// The byte stream a Litronic reader receives from the card line: an
// answer-to-reset, then T=0 exchanges in both directions. The input is the
// line's bytes (echoes included); when it runs dry every wait times out at
// once. No stream may overrun a buffer or hang.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "login/card/LitronicReader.h"
#include "login/card/SerialDevice.h"
#include "login/card/SerialDeviceError.h"

namespace {

class ScriptedLine : public SerialDevice {
 public:
  ScriptedLine(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
  void open() override {}
  long read(unsigned char* buffer, size_t* count) override {
    size_t n = p_ < end_ ? 1 : 0;
    if (n && *count) {
      *buffer = *p_++;
      *count = 1;
      return 1;
    }
    *count = 0;
    return 0;
  }
  long write(const unsigned char*, size_t* count) override { return static_cast<long>(*count); }
  int waitForInput() override { return p_ < end_; }
  bool waitReadable(int) override { return p_ < end_; }
  void flush() override {}
  void clearRTS() override {}
  void setRTS() override {}
  int carrierDetect() override { return 1; }
  void setDTR() override {}
  void clearDTR() override {}
  int fileDescriptor() const override { return -1; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using std::chrono::milliseconds;
  LitronicReader reader(new ScriptedLine(data, size));
  reader.setAnswerTimeouts(milliseconds(0), milliseconds(0));
  reader.setExchangeLimit(milliseconds(50));
  try {
    uint8_t atr[40];
    size_t n = sizeof atr;
    reader.getATR(atr, &n);
  } catch (const SerialDeviceError&) {
  }
  reader.setByteTimeout(milliseconds(0));
  const uint8_t read[5] = {0xC0, 0xB0, 0x00, 0x00, 0x20};
  const uint8_t write[5] = {0xC0, 0xD6, 0x00, 0x00, 0x10};
  uint8_t buf[40];
  std::memset(buf, 0x5A, sizeof buf);
  for (const uint8_t* h : {read, write, read}) {
    size_t len = h == read ? 32 : 16;
    uint8_t sw1, sw2;
    try {
      reader.transmit(h, h == read ? CardReader::FromCard : CardReader::ToCard, buf, &len, &sw1, &sw2);
    } catch (const SerialDeviceError&) {
    }
  }
  return 0;
}
