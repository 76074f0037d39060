#include "login/card/CardInterpreter.h"

#include <algorithm>
#include <cstring>

#include "login/card/CardReader.h"
#include "login/card/SerialDeviceError.h"

namespace {

constexpr uint8_t kSelect = 0xA4;
constexpr uint8_t kReadBinary = 0xB0;
constexpr uint8_t kUpdateBinary = 0xD6;
constexpr uint8_t kVerify = 0x20;
constexpr uint8_t kChangePin = 0x24;
constexpr uint8_t kUnblockPin = 0x2C;
constexpr uint8_t kGetResponse = 0xC0;
constexpr size_t kPinBytes = 8;
// Bytes a GemPlusCard moves in one READ BINARY or UPDATE BINARY.
constexpr size_t kWordChunk = 96;

// The PIN cut to 8 bytes in an 8-byte area padded with 0xFF.
void PadPin(const uint8_t* pin, size_t length, uint8_t out[kPinBytes]) {
  std::memset(out, 0xFF, kPinBytes);
  if (pin) std::memcpy(out, pin, std::min(length, kPinBytes));
}

// Two PIN bytes per packed byte, as nibbles; the padding stays 0xFF.
void PackPin(const uint8_t* pin, size_t length, uint8_t out[4]) {
  uint8_t padded[kPinBytes];
  PadPin(pin, length, padded);
  for (int i = 0; i < 4; ++i)
    out[i] = static_cast<uint8_t>(((padded[2 * i] << 4) & 0xF0) | (padded[2 * i + 1] & 0x0F));
}

}  // namespace

CardInterpreter::~CardInterpreter() { delete reader_; }

void CardInterpreter::checkPresent() {
  if (!reader_ || reader_->getStatus() == 1) throw SerialDeviceError(5);
}

void CardInterpreter::exchange(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, uint8_t p3, int direction,
                               uint8_t* data, size_t* length, uint8_t* sw1, uint8_t* sw2) {
  const uint8_t header[5] = {cla, ins, p1, p2, p3};
  size_t none = 0;
  reader_->transmit(header, direction, data, length ? length : &none, sw1, sw2);
}

void CardInterpreter::selectFile(uint8_t p1, uint8_t p2, size_t dataLength, const uint8_t* data, uint8_t* sw1,
                                 uint8_t* sw2) {
  checkPresent();
  uint8_t copy[255];
  size_t n = std::min(dataLength, sizeof copy);
  if (n) std::memcpy(copy, data, n);
  try {
    exchange(cla_, kSelect, p1, p2, static_cast<uint8_t>(n), CardReader::ToCard, copy, &n, sw1, sw2);
  } catch (const SerialDeviceError& e) {
    throw SerialDeviceError(e.code());
  }
}

void CardInterpreter::readBinary(uint16_t offset, uint8_t* buffer, size_t* length, uint8_t* sw1,
                                 uint8_t* sw2) {
  checkPresent();
  *length = std::min<size_t>(*length, 256);
  exchange(cla_, kReadBinary, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset),
           static_cast<uint8_t>(*length), CardReader::FromCard, buffer, length, sw1, sw2);
}

void CardInterpreter::updateBinary(uint16_t offset, const uint8_t* buffer, size_t* length, uint8_t* sw1,
                                   uint8_t* sw2) {
  checkPresent();
  *length = std::min<size_t>(*length, 255);
  exchange(cla_, kUpdateBinary, static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset),
           static_cast<uint8_t>(*length), CardReader::ToCard, const_cast<uint8_t*>(buffer), length, sw1, sw2);
}

void CardInterpreter::verifyPIN(const uint8_t* pin, size_t length, uint8_t* sw1, uint8_t* sw2) {
  checkPresent();
  uint8_t data[kPinBytes];
  PadPin(pin, length, data);
  size_t n = sizeof data;
  exchange(cla_, kVerify, 0x00, 0x01, sizeof data, CardReader::ToCard, data, &n, sw1, sw2);
}

void CardInterpreter::changePIN(const uint8_t* oldPin, size_t oldLength, const uint8_t* newPin,
                                size_t newLength, uint8_t* sw1, uint8_t* sw2) {
  checkPresent();
  uint8_t data[2 * kPinBytes];
  PadPin(oldPin, oldLength, data);
  PadPin(newPin, newLength, data + kPinBytes);
  size_t n = sizeof data;
  exchange(0xF0, kChangePin, 0x00, 0x01, sizeof data, CardReader::ToCard, data, &n, sw1, sw2);
}

void CardInterpreter::unblockPIN(const uint8_t* code, size_t codeLength, const uint8_t* newPin,
                                 size_t newLength, uint8_t* sw1, uint8_t* sw2) {
  checkPresent();
  uint8_t data[2 * kPinBytes];
  PadPin(code, codeLength, data);
  PadPin(newPin, newLength, data + kPinBytes);
  size_t n = sizeof data;
  exchange(0xF0, kUnblockPin, 0x00, 0x01, sizeof data, CardReader::ToCard, data, &n, sw1, sw2);
}

void CardInterpreter::getResponse(uint8_t* buffer, size_t* length, uint8_t* sw1, uint8_t* sw2) {
  checkPresent();
  *length = std::min<size_t>(*length, 256);
  exchange(cla_, kGetResponse, 0x00, 0x00, static_cast<uint8_t>(*length), CardReader::FromCard, buffer,
           length, sw1, sw2);
}

int CardInterpreter::statusToCode(uint8_t sw1, uint8_t sw2) const {
  switch ((sw1 << 8) | sw2) {
    case 0x9000: return 0;
    case 0x6300: return 1;
    case 0x6981: return 2;
    case 0x6983: return 3;
    case 0x6283: return 4;
    case 0x6581: return 5;
    case 0x6986: return 7;
    case 0x6A80: return 8;
    case 0x6982: return 10;
    default: break;
  }
  if (sw1 == 0x67) return 6;
  if (sw1 == 0x9F) return 11;
  return 12;
}

unsigned CardInterpreter::fileSizeFromResponse(const uint8_t* response, size_t responseLength) const {
  if (responseLength < 4) return 0;
  return (response[2] << 8) | response[3];
}

void GemPlusCard::selectMasterFile(uint8_t* sw1, uint8_t* sw2) {
  const uint8_t mf[2] = {0x3F, 0x00};
  selectFile(0, 0, sizeof mf, mf, sw1, sw2);
}

void GemPlusCard::readBinary(uint16_t offset, uint8_t* buffer, size_t* length, uint8_t* sw1, uint8_t* sw2) {
  const size_t k = offset % 4;
  uint8_t work[kWordChunk];
  size_t n = std::min(*length + k, kWordChunk);
  CardInterpreter::readBinary(static_cast<uint16_t>(offset / 4), work, &n, sw1, sw2);
  size_t got = n > k ? n - k : 0;
  got = std::min(got, *length);
  if (got) std::memcpy(buffer, work + k, got);
  *length = got;
}

void GemPlusCard::updateBinary(uint16_t offset, const uint8_t* buffer, size_t* length, uint8_t* sw1,
                               uint8_t* sw2) {
  const size_t k = offset % 4;
  const uint16_t word = static_cast<uint16_t>(offset / 4);
  uint8_t work[kWordChunk] = {};
  if (k) {
    size_t head = 4;
    CardInterpreter::readBinary(word, work, &head, sw1, sw2);
    if (*sw1 != 0x90 || head != 4) {
      *length = 0;
      return;
    }
  }
  size_t n = std::min(*length + k, kWordChunk);
  std::memcpy(work + k, buffer, n - k);
  CardInterpreter::updateBinary(word, work, &n, sw1, sw2);
  *length = n > k ? n - k : 0;
}

void GemPlusCard::verifyPIN(const uint8_t* pin, size_t length, uint8_t* sw1, uint8_t* sw2) {
  selectMasterFile(sw1, sw2);
  CardInterpreter::verifyPIN(pin, length, sw1, sw2);
}

void GemPlusCard::changePIN(const uint8_t* oldPin, size_t oldLength, const uint8_t* newPin, size_t newLength,
                            uint8_t* sw1, uint8_t* sw2) {
  selectMasterFile(sw1, sw2);
  checkPresent();
  uint8_t data[8];
  PackPin(oldPin, oldLength, data);
  PackPin(newPin, newLength, data + 4);
  size_t n = sizeof data;
  exchange(0x80, kChangePin, 0x00, 0x01, sizeof data, CardReader::ToCard, data, &n, sw1, sw2);
}

void GemPlusCard::unblockPIN(const uint8_t* code, size_t codeLength, const uint8_t* newPin, size_t newLength,
                             uint8_t* sw1, uint8_t* sw2) {
  selectMasterFile(sw1, sw2);
  checkPresent();
  uint8_t data[8];
  PackPin(code, codeLength, data);
  PackPin(newPin, newLength, data + 4);
  size_t n = sizeof data;
  exchange(0x80, kChangePin, 0x01, 0x01, sizeof data, CardReader::ToCard, data, &n, sw1, sw2);
}

int GemPlusCard::statusToCode(uint8_t sw1, uint8_t sw2) const {
  if (sw1 == 0x61) return 11;
  return CardInterpreter::statusToCode(sw1, sw2);
}

unsigned GemPlusCard::fileSizeFromResponse(const uint8_t* response, size_t responseLength) const {
  if (responseLength < 8) return 0;
  return (response[6] << 8) | response[7];
}

CardInterpreter* CreateCardInterpreter(size_t atrLength, const uint8_t* atr, CardReader* reader) {
  if (atrLength > 2 && atr[2] == 0xFF) return new GemPlusCard(reader);
  return new SchlumbergerCard(reader);
}
