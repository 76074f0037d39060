#pragma once
// The smart-card access layer: the one doorway to the card. A process-wide
// reader (created on first use from the environment) and a card handle that
// the caller keeps. Every wrapped function catches the stack's exceptions
// and returns a plain code:
//   8   carried out; the card's answer is in result, sw1 and sw2
//   0   SmartCardOpen only: no reader could be created
//   1   another exception, a failed reset in SmartCardOpen, a failed file
//       selection in SmartCardReadId or SmartCardErase, or a bad argument
//   n   the code of a caught SerialDeviceError (5 no card, 1 line failure...)
// Result codes are the card's statusToCode of the last status bytes, or 9
// when a data file yields no bytes while data remain.
//
// Card file layout: MF 3F00 holds the identity file 0020 (16 bytes) and the
// application directory 5158, which holds the header file 0x20 (96 bytes)
// and the data files 0x21-0x24 (440 bytes each) carrying one byte stream.
#include <cstddef>
#include <cstdint>

class CardInterpreter;
class CardReader;
using SmartCardHandle = CardInterpreter*;

constexpr int kSmartCardDone = 8;
constexpr int kSmartCardNoReader = 0;
constexpr int kSmartCardFailed = 1;
constexpr int kSmartCardNoData = 9;
constexpr uint16_t kCardHeaderFile = 0x20;
constexpr uint16_t kCardFirstDataFile = 0x21;
constexpr size_t kCardHeaderBytes = 96;
constexpr size_t kCardDataFileBytes = 440;
constexpr size_t kCardDataFiles = 4;
constexpr size_t kCardDataBytes = kCardDataFileBytes * kCardDataFiles;
constexpr size_t kCardIdBytes = 16;
constexpr size_t kCardMaxPinBytes = 8;

int SmartCardOpen(SmartCardHandle* card);
// 1 when the card is gone (the card object is destroyed; the reader stays),
// 0 otherwise.
int SmartCardPoll(SmartCardHandle card);

// PIN lengths above 8 are cut to 8; a negative length is refused with 1.
int SmartCardVerifyPIN(SmartCardHandle card, const uint8_t* pin, int pinLength, int pinReference, uint8_t* sw1,
                       uint8_t* sw2, int32_t* result);
int SmartCardChangePIN(SmartCardHandle card, const uint8_t* oldPin, int oldLength, const uint8_t* newPin,
                       int newLength, uint8_t* sw1, uint8_t* sw2, int32_t* result);
int SmartCardUnblockPIN(SmartCardHandle card, const uint8_t* code, int codeLength, const uint8_t* newPin,
                        int newLength, uint8_t* sw1, uint8_t* sw2, int32_t* result);

// The header file from offset 0 (the offset argument is ignored); length
// is cut to the file's 96 bytes.
int SmartCardReadHeader(SmartCardHandle card, uint8_t* buffer, int offset, size_t length, uint8_t* sw1,
                        uint8_t* sw2, int32_t* result);
int SmartCardWriteHeader(SmartCardHandle card, const uint8_t* buffer, int offset, size_t length, uint8_t* sw1,
                         uint8_t* sw2, int32_t* result);
// The data stream at position (file << 16 | offset; 0 means file 0x21 at
// offset 0), across the data files.
int SmartCardReadData(SmartCardHandle card, uint8_t* buffer, int32_t position, size_t length, uint8_t* sw1,
                      uint8_t* sw2, int32_t* result);
int SmartCardWriteData(SmartCardHandle card, const uint8_t* buffer, int32_t position, size_t length,
                       uint8_t* sw1, uint8_t* sw2, int32_t* result);
int SmartCardReadId(SmartCardHandle card, uint8_t id[kCardIdBytes], uint8_t* sw1, uint8_t* sw2, int32_t* result);
int SmartCardErase(SmartCardHandle card, uint8_t* sw1, uint8_t* sw2, int32_t* result);

// Single commands.
int SmartCardSelect(SmartCardHandle card, uint8_t p1, uint8_t p2, size_t dataLength, const uint8_t* data,
                    uint8_t* sw1, uint8_t* sw2, int32_t* result);
int SmartCardReadBinary(SmartCardHandle card, uint16_t offset, uint8_t* buffer, size_t* length, uint8_t* sw1,
                        uint8_t* sw2, int32_t* result);
int SmartCardUpdateBinary(SmartCardHandle card, uint16_t offset, const uint8_t* buffer, size_t* length,
                          uint8_t* sw1, uint8_t* sw2, int32_t* result);
int SmartCardGetResponse(SmartCardHandle card, uint8_t* buffer, size_t length, uint8_t* sw1, uint8_t* sw2,
                         int32_t* result);

// How SmartCardOpen makes the reader; the default reads the environment
// (CreateSmartCardReader). Null restores the default.
void SmartCardSetReaderFactory(CardReader* (*factory)());
// Destroys the process-wide reader (no card object may still use it).
void SmartCardDropReader();
