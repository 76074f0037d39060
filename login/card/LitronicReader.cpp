#include "login/card/LitronicReader.h"

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "login/card/AnswerToReset.h"
#include "login/card/SerialDevice.h"
#include "login/card/SerialDeviceError.h"

namespace {

// Bytes taken after a reset before the answer must have been found: line
// noise, restarted answers and the answer itself.
constexpr size_t kMaxResetBytes = 256;

// A time-out while waiting for a byte (as opposed to a failing device).
struct ByteTimeout {};

}  // namespace

LitronicReader::LitronicReader(SerialDevice* device) : CardReader(device) {
  powerOn();
  device_->clearRTS();
}

LitronicReader::~LitronicReader() {
  try {
    powerOff();
  } catch (...) {
  }
}

uint8_t LitronicReader::receiveByte(std::chrono::milliseconds timeout, Clock::time_point deadline) {
  Clock::time_point byteDeadline = std::min(Clock::now() + timeout, deadline);
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(byteDeadline - Clock::now());
    if (left.count() < 0) throw ByteTimeout();
    if (!device_->waitReadable(static_cast<int>(left.count()))) {
      if (Clock::now() >= byteDeadline) throw ByteTimeout();
      continue;
    }
    uint8_t byte = 0;
    size_t count = 1;
    device_->read(&byte, &count);
    if (count == 1) return byte;
  }
}

void LitronicReader::sendByte(uint8_t byte, Clock::time_point deadline) {
  size_t count = 1;
  device_->write(&byte, &count);
  if (count != 1) throw SerialDeviceError(1);
  receiveByte(byteTimeout_, deadline);  // the echo of the card line
}

void LitronicReader::powerOn() {
  device_->setDTR();
  device_->clearRTS();
}

void LitronicReader::powerOff() { device_->clearDTR(); }

int LitronicReader::getStatus() {
  status_ = device_->carrierDetect() ? 0 : 1;
  return status_;
}

void LitronicReader::reset(uint8_t* buffer, size_t* length) {
  device_->flush();
  device_->setRTS();
  std::this_thread::sleep_for(resetPulse_);
  device_->clearRTS();
  std::this_thread::sleep_for(resetPulse_);
  getATR(buffer, length);
}

void LitronicReader::getATR(uint8_t* buffer, size_t* length) {
  try {
    readAnswer(buffer, length);
  } catch (const ByteTimeout&) {
    throw SerialDeviceError(device_->carrierDetect() ? 7 : 1);
  }
}

// Follows every answer that starts at a TS byte until the newest one is
// complete or overrun; the newest complete answer wins. Only the answer and
// its check byte reach the caller's buffer, and only when they fit.
void LitronicReader::readAnswer(uint8_t* buffer, size_t* length) {
  const size_t capacity = *length;
  const Clock::time_point deadline = Clock::now() + exchangeLimit_;
  struct Candidate {
    size_t start;
    AnswerToResetDecoder decoder;
  };
  std::vector<uint8_t> bytes;
  std::vector<Candidate> candidates;

  uint8_t byte = receiveByte(answerFirst_, deadline);
  while (byte == 0x00 || byte == 0x55) byte = receiveByte(answerFirst_, deadline);
  for (;;) {
    bytes.push_back(byte);
    if (byte == 0x3B || byte == 0x3F) candidates.push_back(Candidate{bytes.size() - 1, {}});
    for (Candidate& c : candidates) c.decoder.feed(byte);
    if (!candidates.empty()) {
      AnswerToResetDecoder::State s = candidates.back().decoder.state();
      if (s == AnswerToResetDecoder::Complete || s == AnswerToResetDecoder::Overrun) break;
    }
    if (bytes.size() >= kMaxResetBytes) throw SerialDeviceError(2);
    byte = receiveByte(answerNext_, deadline);
  }

  const Candidate* chosen = nullptr;
  for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
    if (it->decoder.state() == AnswerToResetDecoder::Complete) {
      chosen = &*it;
      break;
    }
  }
  if (!chosen) throw SerialDeviceError(2);

  const size_t answerEnd = chosen->start + chosen->decoder.length();
  if (answerEnd == bytes.size()) bytes.push_back(receiveByte(answerNext_, deadline));
  uint8_t check = 0;
  for (size_t i = chosen->start; i < answerEnd; ++i) check ^= bytes[i];
  if (check != bytes[answerEnd]) throw SerialDeviceError(1);

  const size_t total = answerEnd + 1 - chosen->start;
  if (total > capacity) throw SerialDeviceError(2);
  uint8_t wi = chosen->decoder.waitingIntegerTC2();
  byteTimeout_ = wi ? std::chrono::milliseconds(100 * wi) : std::chrono::milliseconds(1000);
  std::memcpy(buffer, bytes.data() + chosen->start, total);
  *length = total;
}

void LitronicReader::transmit(const uint8_t header[5], int direction, uint8_t* data, size_t* length,
                              uint8_t* sw1, uint8_t* sw2) {
  const Clock::time_point deadline = Clock::now() + exchangeLimit_;
  try {
    device_->flush();
    for (int i = 0; i < 5; ++i) sendByte(header[i], deadline);
    size_t expected = header[4];
    if (expected == 0 && direction == FromCard) expected = 256;
    size_t remaining = std::min(expected, *length);
    size_t done = 0;
    const uint8_t ins = header[1];
    auto transfer = [&](size_t n) {
      for (size_t i = 0; i < n; ++i, ++done) {
        if (direction == ToCard)
          sendByte(data[done], deadline);
        else
          data[done] = receiveByte(byteTimeout_, deadline);
      }
      remaining -= n;
    };
    for (;;) {
      uint8_t pb = receiveByte(byteTimeout_, deadline);
      if (pb == 0x60) continue;
      if (pb == ins || pb == static_cast<uint8_t>(ins + 1)) {
        transfer(remaining);
      } else if (pb == static_cast<uint8_t>(~ins) || pb == static_cast<uint8_t>(~(ins + 1))) {
        transfer(remaining ? 1 : 0);
      } else if ((pb & 0xF0) == 0x60 || (pb & 0xF0) == 0x90) {
        *sw1 = pb;
        *sw2 = receiveByte(byteTimeout_, deadline);
        *length = done;
        return;
      }
    }
  } catch (const ByteTimeout&) {
    throw SerialDeviceError(1);
  }
}
