#pragma once
// The entry of the 5250 data stream of one display station. The host
// interface hands it each outbound record; it feeds the record byte by byte
// to the root machine DSM, and after the record completes what the commands
// left pending (the second control character of a Write to Display, the
// cursor move, a read waiting for an AID), validates the format table and
// answers a rejected record. It owns what all machines share: the write
// addresses, the outbound buffer, the cursor-and-lock machine and the arena
// the machines live in.
#include <cstdint>

#include "datastream/Addresses.h"
#include "datastream/Arena.h"
#include "datastream/DSM.h"
#include "datastream/DsmArenaSize.h"
#include "datastream/HostBuf.h"
#include "datastream/WTDCsr.h"

class DisplayBag;
class Databyte;

class DataStreamManager {
 public:
  // Operations of dsm().
  enum Op : unsigned int {
    kRecord = 0,
    kSetMsgWaiting = 1,
    kResetMsgWaiting = 2,
    kNoSessionError = 3,
    kResetDeviceSession = 4,
  };
  // Write flags.
  static constexpr unsigned char kWriteLockedKeyboard = 0x80;
  static constexpr unsigned char kErrorCodeLockedKeyboard = 0x08;
  static constexpr unsigned char kErrorCodeCursor = 0x04;
  // Unlock-pending flags.
  static constexpr unsigned char kUnlockDeferred = 0x01;
  static constexpr unsigned char kKeepMoveCursor = 0x04;
  // The largest record the manager takes; the record glue never builds more.
  static constexpr uint32_t kMaxRecord = 0x10000;

  explicit DataStreamManager(DisplayBag* display);
  ~DataStreamManager();
  DataStreamManager(const DataStreamManager&) = delete;
  DataStreamManager& operator=(const DataStreamManager&) = delete;

  // The single entry: 0 accepted, 0xFFFFFFFF accepted and answered,
  // 0x082D0100 contention (the caller holds the record), else the sense of
  // a negative response. `unlocked` tells whether the keyboard is unlocked
  // afterwards.
  uint32_t dsm(unsigned int op, const unsigned char* data, uint32_t n, unsigned int& unlocked);
  uint32_t dsmDsToWscFinal(const unsigned char* data, uint32_t n);
  uint32_t dsmSetMsgWaiting();
  uint32_t dsmResetMsgWaiting();
  uint32_t dsmNoSessionError();
  uint32_t dsmResetDeviceSession();
  // A read command's control characters, applied as a Write to Display's.
  uint32_t doReadProcessing(unsigned char cc1, unsigned char cc2, unsigned int defer);

  void setWPModeChars() { wpModeChars = 1; }
  void resetWPModeChars() { wpModeChars = 0; }
  void deleteWPModeChars();
  bool wordProcessingActive() const;

  void prepareForCursorMove();
  void executeCursorMove();
  void procCntlByte1(Databyte* db);
  void finishWTDUnlock();
  // Moves the keyboard towards `target` (KbdStTrn).
  void keyboardTo(Databyte* db, unsigned int target, bool lockInError);

  DisplayBag* display() const { return display_; }
  Addresses& addresses() { return addresses_; }
  DSM& rootMachine() { return root_; }
  HostBuf& hostBuf() { return hostBuf_; }
  WTDCsr& wtdCsr() { return csr_; }
  Arena& arena() { return arena_; }

  // State that lives beyond one command.
  unsigned char wpModeChars = 0;
  unsigned char deferredRead[3] = {0, 0, 0};  // pending, CC1, CC2
  unsigned char readInProgress = 0;
  unsigned char unlockPending = 0;
  unsigned char pendingCC2 = 0;
  unsigned char cursorMovePrepared = 0;
  uint32_t pendingCC1 = 0;  // a Write to Display was seen in this record
  uint32_t savedMoveCursor = 0;
  unsigned char writeFlags = 0;
  bool directOutput = false;

 private:
  // A record the manager builds itself, run as one from the host.
  uint32_t runOwnRecord(const unsigned char* data, uint32_t n);

  DisplayBag* display_;
  Addresses addresses_;
  alignas(Arena::kAlign) unsigned char pool_[dsm_arena::kPoolBytes];
  Arena arena_;
  DSM root_;
  HostBuf hostBuf_;
  WTDCsr csr_;
};
