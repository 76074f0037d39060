#pragma once
// A smart-card reader: powers the card, resets it, reads its answer-to-reset,
// reports presence and carries T=0 exchanges. Owns its serial device.
#include <cstddef>
#include <cstdint>

class SerialDevice;

class CardReader {
 public:
  // Direction of a T=0 exchange.
  enum Direction : int { FromCard = 0, ToCard = 1 };

  explicit CardReader(SerialDevice* device) : device_(device) {}
  virtual ~CardReader();
  CardReader(const CardReader&) = delete;
  CardReader& operator=(const CardReader&) = delete;

  virtual int getFileDescriptor();
  // Reads the answer-to-reset into buffer; *length is the capacity on entry
  // and the answer's length on return.
  virtual void getATR(uint8_t* buffer, size_t* length) = 0;
  virtual void powerOn() = 0;
  virtual void powerOff() = 0;
  virtual void reset(uint8_t* buffer, size_t* length) = 0;
  // 0 card present, 1 no card.
  virtual int getStatus() = 0;
  virtual void prepare() {}
  // One T=0 exchange: a 5-byte header CLA INS P1 P2 P3, then P3 data bytes
  // (0 meaning 256) in the given direction. *length is the capacity of data
  // (to the card: the bytes available) on entry and the data bytes
  // transferred on return; at most *length bytes are ever touched.
  virtual void transmit(const uint8_t header[5], int direction, uint8_t* data, size_t* length,
                        uint8_t* sw1, uint8_t* sw2) = 0;
  virtual void reserved() {}

  SerialDevice* device() const { return device_; }

 protected:
  SerialDevice* device_;
};
