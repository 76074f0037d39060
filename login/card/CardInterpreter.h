#pragma once
// A card object: turns file selection, binary reads and writes, PIN
// operations and GET RESPONSE into ISO 7816-4 command APDUs carried by the
// reader as T=0 exchanges. SchlumbergerCard is the base dialect;
// GemPlusCard addresses files in 4-byte words, packs PIN digits for PIN
// changes and reports waiting response bytes as 61 xx.
//
// Buffers are sized by the caller: *length is always the capacity on entry
// and the bytes transferred on return. Lengths above 255 or PINs above 8
// bytes are cut to what the command can carry.
#include <cstddef>
#include <cstdint>

class CardReader;

class CardInterpreter {
 public:
  CardInterpreter(CardReader* reader) : reader_(reader) {}
  // Destroys the reader too while the link is set.
  virtual ~CardInterpreter();
  CardInterpreter(const CardInterpreter&) = delete;
  CardInterpreter& operator=(const CardInterpreter&) = delete;

  virtual void selectFile(uint8_t p1, uint8_t p2, size_t dataLength, const uint8_t* data, uint8_t* sw1,
                          uint8_t* sw2);
  virtual void readBinary(uint16_t offset, uint8_t* buffer, size_t* length, uint8_t* sw1, uint8_t* sw2);
  virtual void updateBinary(uint16_t offset, const uint8_t* buffer, size_t* length, uint8_t* sw1,
                            uint8_t* sw2);
  virtual void verifyPIN(const uint8_t* pin, size_t length, uint8_t* sw1, uint8_t* sw2);
  virtual void changePIN(const uint8_t* oldPin, size_t oldLength, const uint8_t* newPin, size_t newLength,
                         uint8_t* sw1, uint8_t* sw2);
  virtual void unblockPIN(const uint8_t* code, size_t codeLength, const uint8_t* newPin, size_t newLength,
                          uint8_t* sw1, uint8_t* sw2);
  virtual void getResponse(uint8_t* buffer, size_t* length, uint8_t* sw1, uint8_t* sw2);
  // The result code of two status bytes (0 success ... 12 other error).
  virtual int statusToCode(uint8_t sw1, uint8_t sw2) const;
  // The file size in a selection response of responseLength bytes; 0 when
  // the response is too short to hold it.
  virtual unsigned fileSizeFromResponse(const uint8_t* response, size_t responseLength) const;

  CardReader* reader() const { return reader_; }
  // Drops the link so that destroying the card leaves the reader alive.
  void detachReader() { reader_ = nullptr; }
  uint8_t classByte() const { return cla_; }

 protected:
  void checkPresent();
  void exchange(uint8_t cla, uint8_t ins, uint8_t p1, uint8_t p2, uint8_t p3, int direction, uint8_t* data,
                size_t* length, uint8_t* sw1, uint8_t* sw2);

  CardReader* reader_;
  uint8_t cla_ = 0xC0;
};

class SchlumbergerCard : public CardInterpreter {
 public:
  using CardInterpreter::CardInterpreter;
};

class GemPlusCard : public CardInterpreter {
 public:
  using CardInterpreter::CardInterpreter;
  void readBinary(uint16_t offset, uint8_t* buffer, size_t* length, uint8_t* sw1, uint8_t* sw2) override;
  void updateBinary(uint16_t offset, const uint8_t* buffer, size_t* length, uint8_t* sw1,
                    uint8_t* sw2) override;
  void verifyPIN(const uint8_t* pin, size_t length, uint8_t* sw1, uint8_t* sw2) override;
  void changePIN(const uint8_t* oldPin, size_t oldLength, const uint8_t* newPin, size_t newLength,
                 uint8_t* sw1, uint8_t* sw2) override;
  void unblockPIN(const uint8_t* code, size_t codeLength, const uint8_t* newPin, size_t newLength,
                  uint8_t* sw1, uint8_t* sw2) override;
  int statusToCode(uint8_t sw1, uint8_t sw2) const override;
  unsigned fileSizeFromResponse(const uint8_t* response, size_t responseLength) const override;

 private:
  void selectMasterFile(uint8_t* sw1, uint8_t* sw2);
};

// A GemPlusCard when byte 2 of the answer-to-reset is 0xFF, else a
// SchlumbergerCard.
CardInterpreter* CreateCardInterpreter(size_t atrLength, const uint8_t* atr, CardReader* reader);
