#pragma once
// A Litronic reader: the card contact wired straight to a serial line.
// Power is DTR, reset a pulse on RTS, presence the carrier-detect line, and
// every byte sent comes back as an echo before the card answers.
//
// Every wait is bounded on the monotonic clock: each byte by the per-byte
// time-out, each whole exchange (NULL procedure bytes included) and each
// answer-to-reset by an exchange limit.
#include <chrono>

#include "login/card/CardReader.h"

class LitronicReader : public CardReader {
 public:
  explicit LitronicReader(SerialDevice* device);
  ~LitronicReader() override;

  void getATR(uint8_t* buffer, size_t* length) override;
  void powerOn() override;
  void powerOff() override;
  void reset(uint8_t* buffer, size_t* length) override;
  int getStatus() override;
  void transmit(const uint8_t header[5], int direction, uint8_t* data, size_t* length, uint8_t* sw1,
                uint8_t* sw2) override;

  std::chrono::milliseconds byteTimeout() const { return byteTimeout_; }
  void setByteTimeout(std::chrono::milliseconds t) { byteTimeout_ = t; }
  std::chrono::milliseconds exchangeLimit() const { return exchangeLimit_; }
  void setExchangeLimit(std::chrono::milliseconds t) { exchangeLimit_ = t; }
  // Time-outs of the answer-to-reset: the first byte after the reset, then
  // each further byte.
  void setAnswerTimeouts(std::chrono::milliseconds first, std::chrono::milliseconds next) {
    answerFirst_ = first;
    answerNext_ = next;
  }
  // Length of each half of the reset pulse.
  void setResetPulse(std::chrono::milliseconds t) { resetPulse_ = t; }
  int lastStatus() const { return status_; }

 private:
  using Clock = std::chrono::steady_clock;
  uint8_t receiveByte(std::chrono::milliseconds timeout, Clock::time_point deadline);
  void sendByte(uint8_t byte, Clock::time_point deadline);
  void readAnswer(uint8_t* buffer, size_t* length);

  int status_ = 2;
  std::chrono::milliseconds byteTimeout_{1000};
  std::chrono::milliseconds exchangeLimit_{10000};
  std::chrono::milliseconds answerFirst_{1000};
  std::chrono::milliseconds answerNext_{500};
  std::chrono::milliseconds resetPulse_{100};
};
