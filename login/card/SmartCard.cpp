#include "login/card/SmartCard.h"

#include <algorithm>
#include <cstring>

#include "login/card/CardInterpreter.h"
#include "login/card/CardReader.h"
#include "login/card/CreateSmartCardReader.h"
#include "login/card/SerialDeviceError.h"

namespace {

CardReader* gReader = nullptr;
CardReader* (*gFactory)() = nullptr;

constexpr size_t kChunk = 96;
constexpr size_t kFillChunk = 100;
constexpr size_t kResponseBytes = 256;
// Byte of the directory's selection response that counts its files.
constexpr size_t kFileCountByte = 15;
const uint8_t kMasterFile[2] = {0x3F, 0x00};
const uint8_t kAppDirectory[2] = {0x51, 0x58};
const uint8_t kIdFile[2] = {0x00, 0x20};

template <typename F>
int Wrapped(F&& f) {
  try {
    return f();
  } catch (const SerialDeviceError& e) {
    return e.code();
  } catch (...) {
    return kSmartCardFailed;
  }
}

int StatusCode(SmartCardHandle card, uint8_t sw1, uint8_t sw2, int32_t* result) {
  *result = card->statusToCode(sw1, sw2);
  return *result;
}

// One SELECT; response bytes that wait are fetched into response. Returns
// false when the selection failed; *responseLength is what arrived.
bool SelectOne(SmartCardHandle card, const uint8_t id[2], uint8_t* response, size_t* responseLength,
               uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  *responseLength = 0;
  card->selectFile(0, 0, 2, id, sw1, sw2);
  int code = StatusCode(card, *sw1, *sw2, result);
  if (code == 11) {
    size_t n = *sw2 ? *sw2 : kResponseBytes;
    card->getResponse(response, &n, sw1, sw2);
    *responseLength = n;
    return StatusCode(card, *sw1, *sw2, result) == 0;
  }
  return code == 0;
}

// Selects MF, the application directory and the file; returns the file's
// size, 0 on failure (or when the file is not counted in the directory).
unsigned SelectFile(SmartCardHandle card, uint16_t id, uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  uint8_t response[kResponseBytes];
  size_t n = 0;
  if (!SelectOne(card, kMasterFile, response, &n, sw1, sw2, result)) return 0;
  if (!SelectOne(card, kAppDirectory, response, &n, sw1, sw2, result)) return 0;
  if (n <= kFileCountByte) return 0;
  if (static_cast<unsigned>(id - 31) > response[kFileCountByte]) return 0;
  const uint8_t fid[2] = {static_cast<uint8_t>(id >> 8), static_cast<uint8_t>(id)};
  if (!SelectOne(card, fid, response, &n, sw1, sw2, result)) return 0;
  return card->fileSizeFromResponse(response, n);
}

// Reads (or writes) min(size - offset, length) bytes of a file in chunks;
// returns that count, 0 on any failure or on a chunk that moves nothing.
size_t TransferFile(SmartCardHandle card, uint16_t id, size_t offset, uint8_t* buffer, size_t length,
                    bool write, uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  size_t size = SelectFile(card, id, sw1, sw2, result);
  if (size == 0 || offset >= size) return 0;
  size_t n = std::min(size - offset, length);
  size_t remaining = n;
  while (remaining) {
    size_t chunk = std::min(remaining, kChunk);
    if (write)
      card->updateBinary(static_cast<uint16_t>(offset), buffer, &chunk, sw1, sw2);
    else
      card->readBinary(static_cast<uint16_t>(offset), buffer, &chunk, sw1, sw2);
    if (*sw1 != 0x90 || chunk == 0) return 0;
    chunk = std::min(chunk, remaining);
    offset += chunk;
    buffer += chunk;
    remaining -= chunk;
  }
  return n;
}

int TransferData(SmartCardHandle card, uint8_t* buffer, int32_t position, size_t length, bool write,
                 uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  if (!card) return kSmartCardFailed;
  uint32_t pos = position ? static_cast<uint32_t>(position) : 0x210000u;
  uint32_t file = pos >> 16;
  size_t offset = pos & 0xFFFF;
  *result = 0;
  while (length) {
    if (file > 0xFFFF) {
      *result = kSmartCardNoData;
      break;
    }
    size_t n = TransferFile(card, static_cast<uint16_t>(file), offset, buffer, length, write, sw1, sw2, result);
    if (StatusCode(card, *sw1, *sw2, result) != 0) break;
    if (n == 0) {
      *result = kSmartCardNoData;
      break;
    }
    length -= n;
    buffer += n;
    ++file;
    offset = 0;
  }
  return kSmartCardDone;
}

// Writes the current file from offset 0 in chunks of at most 100 bytes,
// stopping at the first chunk that fails or moves nothing.
void FillFile(SmartCardHandle card, const uint8_t* buffer, size_t length, uint8_t* sw1, uint8_t* sw2) {
  size_t offset = 0;
  int32_t result = 0;
  while (offset < length) {
    size_t chunk = std::min(length - offset, kFillChunk);
    card->updateBinary(static_cast<uint16_t>(offset), buffer + offset, &chunk, sw1, sw2);
    if (StatusCode(card, *sw1, *sw2, &result) != 0 || chunk == 0) return;
    offset += chunk;
  }
}

bool ValidPinLength(int length) { return length >= 0; }
size_t PinBytes(int length) { return std::min(static_cast<size_t>(length), kCardMaxPinBytes); }

}  // namespace

void SmartCardSetReaderFactory(CardReader* (*factory)()) { gFactory = factory; }

void SmartCardDropReader() {
  delete gReader;
  gReader = nullptr;
}

int SmartCardOpen(SmartCardHandle* card) {
  return Wrapped([&] {
    if (!gReader) {
      CardReader* reader = gFactory ? gFactory() : CreateSmartCardReader();
      if (!reader) return kSmartCardNoReader;
      gReader = reader;
      gReader->prepare();
    }
    if (gReader->getStatus() != 0) {
      *card = nullptr;
      return kSmartCardDone;
    }
    try {
      gReader->powerOn();
    } catch (...) {
    }
    uint8_t atr[256];
    size_t n = sizeof atr;
    try {
      gReader->reset(atr, &n);
    } catch (...) {
      gReader->powerOff();
      return kSmartCardFailed;
    }
    *card = CreateCardInterpreter(n, atr, gReader);
    return kSmartCardDone;
  });
}

int SmartCardPoll(SmartCardHandle card) {
  if (!card) return 0;
  CardReader* reader = card->reader();
  if (!reader) return 0;
  int status = 0;
  try {
    status = reader->getStatus();
  } catch (...) {
    return 0;
  }
  if (status != 1) return 0;
  card->detachReader();
  delete card;
  return 1;
}

int SmartCardVerifyPIN(SmartCardHandle card, const uint8_t* pin, int pinLength, int, uint8_t* sw1, uint8_t* sw2,
                       int32_t* result) {
  if (!card || !ValidPinLength(pinLength)) return kSmartCardFailed;
  return Wrapped([&] {
    card->verifyPIN(pin, PinBytes(pinLength), sw1, sw2);
    StatusCode(card, *sw1, *sw2, result);
    return kSmartCardDone;
  });
}

int SmartCardChangePIN(SmartCardHandle card, const uint8_t* oldPin, int oldLength, const uint8_t* newPin,
                       int newLength, uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  if (!card || !ValidPinLength(oldLength) || !ValidPinLength(newLength)) return kSmartCardFailed;
  return Wrapped([&] {
    card->changePIN(oldPin, PinBytes(oldLength), newPin, PinBytes(newLength), sw1, sw2);
    StatusCode(card, *sw1, *sw2, result);
    return kSmartCardDone;
  });
}

int SmartCardUnblockPIN(SmartCardHandle card, const uint8_t* code, int codeLength, const uint8_t* newPin,
                        int newLength, uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  if (!card || !ValidPinLength(codeLength) || !ValidPinLength(newLength)) return kSmartCardFailed;
  return Wrapped([&] {
    card->unblockPIN(code, PinBytes(codeLength), newPin, PinBytes(newLength), sw1, sw2);
    StatusCode(card, *sw1, *sw2, result);
    return kSmartCardDone;
  });
}

int SmartCardReadHeader(SmartCardHandle card, uint8_t* buffer, int, size_t length, uint8_t* sw1, uint8_t* sw2,
                        int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    size_t n = TransferFile(card, kCardHeaderFile, 0, buffer, std::min(length, kCardHeaderBytes), false, sw1,
                            sw2, result);
    if (StatusCode(card, *sw1, *sw2, result) == 0 && n == 0 && length) *result = kSmartCardNoData;
    return kSmartCardDone;
  });
}

int SmartCardWriteHeader(SmartCardHandle card, const uint8_t* buffer, int, size_t length, uint8_t* sw1,
                         uint8_t* sw2, int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    size_t n = TransferFile(card, kCardHeaderFile, 0, const_cast<uint8_t*>(buffer),
                            std::min(length, kCardHeaderBytes), true, sw1, sw2, result);
    if (StatusCode(card, *sw1, *sw2, result) == 0 && n == 0 && length) *result = kSmartCardNoData;
    return kSmartCardDone;
  });
}

int SmartCardReadData(SmartCardHandle card, uint8_t* buffer, int32_t position, size_t length, uint8_t* sw1,
                      uint8_t* sw2, int32_t* result) {
  return Wrapped([&] { return TransferData(card, buffer, position, length, false, sw1, sw2, result); });
}

int SmartCardWriteData(SmartCardHandle card, const uint8_t* buffer, int32_t position, size_t length,
                       uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  return Wrapped([&] {
    return TransferData(card, const_cast<uint8_t*>(buffer), position, length, true, sw1, sw2, result);
  });
}

int SmartCardReadId(SmartCardHandle card, uint8_t id[kCardIdBytes], uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    uint8_t response[kResponseBytes];
    size_t n = 0;
    if (!SelectOne(card, kMasterFile, response, &n, sw1, sw2, result)) return kSmartCardFailed;
    if (!SelectOne(card, kIdFile, response, &n, sw1, sw2, result)) return kSmartCardFailed;
    size_t got = kCardIdBytes;
    card->readBinary(0, id, &got, sw1, sw2);
    if (StatusCode(card, *sw1, *sw2, result) == 0 && got != kCardIdBytes) *result = kSmartCardNoData;
    return kSmartCardDone;
  });
}

int SmartCardErase(SmartCardHandle card, uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    uint8_t ff[kCardDataFileBytes];
    std::memset(ff, 0xFF, sizeof ff);
    uint8_t s1 = 0, s2 = 0;
    int32_t r = 0;
    for (uint16_t file = kCardHeaderFile; file < kCardFirstDataFile + kCardDataFiles; ++file) {
      size_t size = SelectFile(card, file, &s1, &s2, &r);
      if (size == 0) return kSmartCardFailed;
      size_t want = file == kCardHeaderFile ? kCardHeaderBytes : kCardDataFileBytes;
      FillFile(card, ff, std::min(size, want), &s1, &s2);
    }
    *sw1 = s1;
    *sw2 = s2;
    StatusCode(card, s1, s2, result);
    return kSmartCardDone;
  });
}

int SmartCardSelect(SmartCardHandle card, uint8_t p1, uint8_t p2, size_t dataLength, const uint8_t* data,
                    uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    card->selectFile(p1, p2, dataLength, data, sw1, sw2);
    StatusCode(card, *sw1, *sw2, result);
    return kSmartCardDone;
  });
}

int SmartCardReadBinary(SmartCardHandle card, uint16_t offset, uint8_t* buffer, size_t* length, uint8_t* sw1,
                        uint8_t* sw2, int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    card->readBinary(offset, buffer, length, sw1, sw2);
    StatusCode(card, *sw1, *sw2, result);
    return kSmartCardDone;
  });
}

int SmartCardUpdateBinary(SmartCardHandle card, uint16_t offset, const uint8_t* buffer, size_t* length,
                          uint8_t* sw1, uint8_t* sw2, int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    card->updateBinary(offset, buffer, length, sw1, sw2);
    StatusCode(card, *sw1, *sw2, result);
    return kSmartCardDone;
  });
}

int SmartCardGetResponse(SmartCardHandle card, uint8_t* buffer, size_t length, uint8_t* sw1, uint8_t* sw2,
                         int32_t* result) {
  if (!card) return kSmartCardFailed;
  return Wrapped([&] {
    size_t n = length;
    card->getResponse(buffer, &n, sw1, sw2);
    StatusCode(card, *sw1, *sw2, result);
    return kSmartCardDone;
  });
}
