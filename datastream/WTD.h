#pragma once
// Write to Display (command 0x11): its two control characters, then orders
// and data up to the next escape or the end of the record.
#include <cstdint>

#include "datastream/FSMNw.h"
#include "datastream/SF.h"

class Addresses;

class WTD : public FSMNw {
 public:
  // Order bytes.
  static constexpr unsigned char kSOH = 0x01, kRA = 0x02, kEA = 0x03, kEscape = 0x04,
                                 kTD = 0x10, kSBA = 0x11, kWEA = 0x12, kIC = 0x13,
                                 kMC = 0x14, kWDSF = 0x15, kSF = 0x1D;

  explicit WTD(Arena* arena) : FSMNw(arena), sf(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
  // Builds the machine of order byte `order`; 3 when there is none or no room.
  int fSMLdInd(Databyte* db, unsigned char order);

  uint32_t cef = 0;  // a continued entry field waits for its next segment
  SF sf;
  uint32_t positions = 1920;
  uint32_t columns = 80;
  uint32_t rows = 24;
  Addresses* addresses = nullptr;
  uint32_t target = 0;

 private:
  int controlCharacters(Databyte* db);
  int order(Databyte* db);
  int mapHandlerResult(Databyte* db, int code);
  int endOfCommand(Databyte* db);
  int eodReject(Databyte* db);
  int reject(Databyte* db, uint32_t sense);
  int subMachineOrder(Databyte* db);
  int rowColumnOrder(Databyte* db);
  int doRepeatToAddress(Databyte* db);
  int doEraseToAddress(Databyte* db);
  int doInsertCursor(Databyte* db);
  int doMoveCursor(Databyte* db);
  int doSetBufAddr(Databyte* db);
  int doWriteExtAttr(Databyte* db);
  int writeData(Databyte* db);
  int startField(Databyte* db);
  void applyCC1ToFields(Databyte* db, unsigned char cc1);
};
