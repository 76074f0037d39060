#pragma once
// Decides, at the end of a Write to Display, where the cursor goes and
// whether the keyboard unlocks: a small machine driven by the read
// commands, the orders that move the cursor, and the lock and unlock
// events of the commands. States: 0 idle, 1 read in progress, 2 move
// cursor, 3 insert cursor, 4 locked, 5 locked after a change, 6 move cursor
// while locked, 7 insert cursor while locked, 8 control-character override.
#include <cstdint>

class Databyte;
class Addresses;

class WTDCsr {
 public:
  enum Event : unsigned int {
    kStartRead,
    kWTDunLock,
    kWTDLock,
    kMoveCursor,
    kInsertCursor,
    kResetIC,
    kLocked,
    kUnlocked,
    kCCByte1Bit1,
    kEvents
  };
  static constexpr unsigned int kStates = 9;

  // Each event answers 0, or 3 with the premature-end sense in the record
  // cursor when it does not belong in the current state (the state then
  // stays as it was).
  int startRead(Databyte* db) { return signal(db, kStartRead); }
  int wTDunLock(Databyte* db) { return signal(db, kWTDunLock); }
  int wTDLock(Databyte* db) { return signal(db, kWTDLock); }
  int moveCursor(Databyte* db) { return signal(db, kMoveCursor); }
  int insertCursor(Databyte* db) { return signal(db, kInsertCursor); }
  int resetIC(Databyte* db) { return signal(db, kResetIC); }
  int locked(Databyte* db) { return signal(db, kLocked); }
  int unlocked(Databyte* db) { return signal(db, kUnlocked); }
  int cCByte1Bit1(Databyte* db) { return signal(db, kCCByte1Bit1); }
  // Places the addresses for the state reached, then idles.
  void END_OF_WTD(Databyte* db);

  void setReadFlag() { readFlag = 1; }
  void resetReadFlag() { readFlag = 0; }
  uint32_t getReadFlag() const { return readFlag; }

  // The state after `event` in `from`; -1 when the event does not belong.
  static int nextState(unsigned int from, Event event);

  uint32_t state = 0;
  uint32_t readFlag = 0;

 private:
  int signal(Databyte* db, Event event);
  void finalMvCursor(Databyte* db);
  void calcInsCursor(Databyte* db);
  void storeInsCursor(Databyte* db);
};
