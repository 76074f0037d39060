#include "datastream/DataStreamManager.h"

#include <algorithm>

#include "datastream/Databyte.h"
#include "datastream/DsmClr.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/KbdStTrn.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
#include "base/LogMsg.h"

namespace {
constexpr uint32_t kSeparateErrorLine = 0x00000010u;   // characteristics word 0
constexpr uint32_t kDoubleByte = 0x00800000u;          // characteristics word 0, bit 23
constexpr uint32_t kOwnRecordRunning = 0x01000000u;    // characteristics word 0, bit 24
constexpr unsigned int kControlKeyboardLocked = 0x10000000u;
// The host's blink request in the cursor request byte, from which the
// control word's blink bit is computed at output.
constexpr unsigned char kRequestHostBlink = 0x10;

bool inErrorState(unsigned int ks) {
  return ks == KeyboardState::kSystemRequest || ks == KeyboardState::kError ||
         ks == KeyboardState::kPostHelpError;
}

// Tells every field of the table that the keyboard unlocked.
void tellFieldsUnlocked(DisplayBag* d) {
  FormatTable& table = d->formatTable();
  Field* f = table.fieldCount() ? table.firstRecord() : nullptr;
  for (unsigned int i = 0; f && i < table.fieldCount(); ++i, f = table.nextRecord(f))
    f->fieldHook59(d);
}
}  // namespace

DataStreamManager::DataStreamManager(DisplayBag* display)
    : display_(display),
      addresses_(display),
      arena_(pool_, sizeof pool_),
      root_(&arena_),
      hostBuf_(display) {}

DataStreamManager::~DataStreamManager() { root_.fSMEndInd(nullptr); }

bool DataStreamManager::wordProcessingActive() const {
  return (display_->modeFlagsB() & DisplayBag::kBWPMode) != 0;
}

void DataStreamManager::keyboardTo(Databyte* db, unsigned int target, bool lockInError) {
  KbdStTrn t;
  t.lockInError = lockInError ? 1 : 0;
  db->targetKeyboardState = target;
  t.kbdStateTransition(db);
}

uint32_t DataStreamManager::dsm(unsigned int op, const unsigned char* data, uint32_t n,
                                unsigned int& unlocked) {
  uint32_t sense = 0;
  switch (op) {
    case kRecord:
      sense = dsmDsToWscFinal(data, n);
      display_->outputChanges();
      break;
    case kSetMsgWaiting:
      sense = dsmSetMsgWaiting();
      break;
    case kResetMsgWaiting:
      sense = dsmResetMsgWaiting();
      break;
    case kNoSessionError:
      sense = dsmNoSessionError();
      break;
    case kResetDeviceSession:
      sense = dsmResetDeviceSession();
      break;
    default:
      break;
  }
  unlocked = display_->keyboardState().isLockedState() ? 0 : 1;
  return sense;
}

uint32_t DataStreamManager::dsmDsToWscFinal(const unsigned char* data, uint32_t n) {
  if (!data || n > kMaxRecord) n = 0;
  Databyte db(display_, this, data, n);
  pendingCC1 = 0;
  addresses_.writeFlag = 0;
  bool rejected = false;
  uint32_t sense = 0;

  for (uint32_t i = 0; i < n;) {
    db.current = data + i;
    db.remaining = n - i;
    db.value = data[i];
    const int r = root_.processInput(&db);
    if (r == kFsmRejected) {
      rejected = true;
      sense = db.getSenseCode();
      break;
    }
    if (r == kFsmTextAssist) {
      prepareForCursorMove();
      const uint32_t pos = db.position();
      const unsigned char* start = data + (pos >= 3 ? pos - 3 : 0);
      static const unsigned char kReadTail[4] = {0x04, 0x42, 0x00, 0x00};
      const bool readFollows =
          n >= 4 && data + n - 4 >= start && std::equal(kReadTail, kReadTail + 4, data + n - 4);
      const unsigned char* end = readFollows ? data + n - 4 : data + n;
      if (const uint32_t s = dsm_links::wsfTextAssist(display_, start, end)) {
        rejected = true;
        db.setSenseCode(s);
        sense = s;
        break;
      }
      executeCursorMove();
      if (!readFollows || n - 4 <= pos) break;
      i = n - 4;
      continue;
    }
    // Machines only move forward: the next byte is one past the last taken.
    i = db.position() + 1;
  }

  if (!rejected || sense == dsm_sense::kContention) {
    if (pendingCC1) procCntlByte1(&db);
    if (addresses_.writeFlag) executeCursorMove();
  }
  if (n) {
    const int r = root_.endOfData(&db);
    if (!rejected && r == kFsmRejected) {
      rejected = true;
      sense = db.getSenseCode();
    }
  }
  if (!rejected) {
    const int v = display_->formatTable().validateFormatTable(nullptr);
    if (v == -1 || v == -2) {
      rejected = true;
      sense = dsm_sense::kFormatTableInvalid;
    }
  }
  if (rejected) {
    if (sense != dsm_sense::kAnswered && !dsm_sense::isNegativeResponse(sense)) {
      LogMsg(LevelWarning, "QWC0708 record rejected with sense 0x%08X; answered as 0x%08X\n",
             sense, dsm_sense::kPrematureEnd);
      sense = dsm_sense::kPrematureEnd;
    }
    if (sense != dsm_sense::kContention) {
      if (!wordProcessingActive()) {
        Databyte clear(display_, this, db.synthetic, 0);
        clear.synthetic[0] = 0x04;
        clear.synthetic[1] = 0x50;
        clear.recordStart = clear.current = clear.synthetic;
        clear.remaining = 2;
        clear.value = 0x04;
        root_.processInput(&clear);
        root_.fSMEndInd(&clear);
        root_.state = 0;
        arena_.resetArena();
        // A keyboard state that refuses the clear (a host error message on
        // the screen) must not keep fields that do not fit together.
        const int v = display_->formatTable().validateFormatTable(nullptr);
        if (v == -1 || v == -2) {
          prepareForCursorMove();
          DsmClr::clrFmtTableList(&clear, false);
          executeCursorMove();
        }
      }
      dsm_links::resetPendingAid(display_);
    } else {
      display_->contentionError().setContentionError();
      // The record is held and replayed whole later; what it wrote before
      // the contention must not leave fields that do not fit together.
      const int v = display_->formatTable().validateFormatTable(nullptr);
      if (v == -1 || v == -2) display_->formatTable().clearFormatTable();
    }
    dsm_links::clrTABuf(display_);
  }
  bool answered = db.getSenseCode() == dsm_sense::kAnswered;
  if (!rejected && !readInProgress) {
    readInProgress = 1;
    if (dsm_links::activateSuspendedReadProcess(display_)) answered = true;
    readInProgress = 0;
  }
  if (!readInProgress) deferredRead[0] = deferredRead[1] = deferredRead[2] = 0;
  if (cursorMovePrepared) {
    addresses_.flags &= ~Addresses::kAdjusted;
    addresses_.writeFlag = 0;
    executeCursorMove();
  }
  if (rejected) return sense;
  return answered ? dsm_sense::kAnswered : dsm_sense::kAccepted;
}

uint32_t DataStreamManager::runOwnRecord(const unsigned char* data, uint32_t n) {
  return dsmDsToWscFinal(data, n);
}

uint32_t DataStreamManager::dsmSetMsgWaiting() {
  display_->indicators().current().set(Indicators::kMessageWait);
  display_->controlData().setControlBits(DisplayControlData::kAlarm);
  display_->outputChanges();
  return 0;
}

uint32_t DataStreamManager::dsmResetMsgWaiting() {
  display_->indicators().current().reset(Indicators::kMessageWait);
  display_->outputChanges();
  return 0;
}

uint32_t DataStreamManager::dsmNoSessionError() {
  static const unsigned char kRecord[] = {0x04, 0x21, 0x2A, 0xF0, 0xF0,
                                          0xF9, 0xF9, 0x40, 0x40, 0x27};
  const uint32_t sense = runOwnRecord(kRecord, sizeof kRecord);
  display_->postDatastreamProcessing();
  return sense;
}

uint32_t DataStreamManager::dsmResetDeviceSession() {
  dsm_links::clrTABuf(display_);
  unsigned char record[] = {0x04, 0x40, 0x04, 0x11, 0x00, 0x0A, 0x01, 0x04,
                            0x00, 0x00, 0x00, 0x01, 0x13, 0x01, 0x02, 0x1D,
                            0x40, 0x00, 0xFF, 0xFF, 0x20, 0x07, 0x7F};
  if (display_->characteristics().word[0] & kDoubleByte) {
    record[18] = 0x82;
    record[19] = 0x40;
    record[22] = 0x7E;
  }
  // The reset runs as the device's own record: characteristics bit 24
  // says so while it runs.
  uint32_t& features = display_->characteristicsForQuery().word[0];
  const uint32_t before = features;
  features |= kOwnRecordRunning;
  const uint32_t sense = runOwnRecord(record, sizeof record);
  features = (features & ~kOwnRecordRunning) | (before & kOwnRecordRunning);
  display_->contentionError().clearContentionError();
  display_->postDatastreamProcessing();
  return sense;
}

uint32_t DataStreamManager::doReadProcessing(unsigned char cc1, unsigned char cc2,
                                             unsigned int defer) {
  if (defer) {
    deferredRead[0] = 1;
    deferredRead[1] = cc1;
    deferredRead[2] = cc2;
    return 0;
  }
  deferredRead[0] = deferredRead[1] = deferredRead[2] = 0;
  Databyte db(display_, this, nullptr, 0);
  csr_.wTDunLock(&db);
  csr_.startRead(&db);
  const unsigned char record[4] = {0x04, 0x11, cc1, cc2};
  runOwnRecord(record, sizeof record);
  return 0;
}

void DataStreamManager::deleteWPModeChars() {
  if (!wpModeChars) return;
  // The text session's attributes live in the secondary plane; while the
  // session is in word processing the plane is its own and stays.
  if (!wordProcessingActive()) display_->secondaryPlane().clearEntirePlane(0);
  wpModeChars = 0;
}

void DataStreamManager::prepareForCursorMove() {
  if (cursorMovePrepared) return;
  if (!wordProcessingActive()) {
    addresses_.flags &= ~Addresses::kAdjusted;
    addresses_.moveCursorAddress = display_->cursor().getCursorOffset();
    if (display_->screenReversed()) display_->formatTable().unReverseFieldOrientationsForReverseScreen();
  }
  display_->cursor().detachCursorFromArea();
  cursorMovePrepared = 1;
}

void DataStreamManager::executeCursorMove() {
  if (!cursorMovePrepared) return;
  cursorMovePrepared = 0;
  CursorClass& cursor = display_->cursor();
  if (!wordProcessingActive()) {
    if (display_->screenReversed()) display_->formatTable().reverseFieldOrientationsForReverseScreen();
    if (addresses_.flags & Addresses::kAdjusted) {
      const uint32_t last = display_->presentationSpace().lastOffset();
      const uint32_t to = addresses_.moveCursorAddress <= last ? addresses_.moveCursorAddress : 0;
      cursor.initializeCursorToArea(static_cast<int>(to), 1, CursorOffsetAsShown);
      addresses_.flags &= ~Addresses::kAdjusted;
      if (addresses_.insertCursorAddress <= last) cursor.setHomePosition(addresses_.insertCursorAddress);
      display_->modeFlagsA() |= DisplayBag::kANewArea;
      display_->asd().initializeASD();
    } else {
      cursor.initializeCursorToArea(-1, 0, CursorOffsetAsShown);
    }
  }
  if (addresses_.writeFlag) {
    display_->asd().initializeASD();
    addresses_.writeFlag = 0;
  }
}

void DataStreamManager::procCntlByte1(Databyte* db) {
  const unsigned char cc2 = pendingCC2;
  const uint32_t moveCursorAtStart = addresses_.moveCursorAddress;
  if (cc2 & 0x08) csr_.unlocked(db);
  if (cc2 & 0x40) csr_.cCByte1Bit1(db);
  csr_.END_OF_WTD(db);

  KeyboardState& k = display_->keyboardState();
  DisplayControlData& control = display_->controlData();
  const bool separate = (display_->characteristics().word[0] & kSeparateErrorLine) != 0;
  if (cc2 & 0x20) {
    if (inErrorState(k.state()) && separate && k.errorRow() == display_->rows() + 1)
      unlockPending |= kUnlockDeferred;
    else
      control.clearCursorRequestBits(kRequestHostBlink);
  }
  if (cc2 & 0x10) control.setCursorRequestBits(kRequestHostBlink);
  if (cc2 & 0x08) {
    if (!dsm_links::typeAheadOption(display_)) dsm_links::resetPendingAid(display_);
    if (inErrorState(k.state())) {
      unlockPending |= kUnlockDeferred;
      savedMoveCursor = addresses_.moveCursorAddress;
      if (unlockPending & kKeepMoveCursor) addresses_.moveCursorAddress = moveCursorAtStart;
    } else {
      if (!dsm_links::queryPendingAid(display_)) {
        control.clearControlBits(kControlKeyboardLocked);
        keyboardTo(db, KeyboardState::kNormalUnlocked, false);
      }
      tellFieldsUnlocked(display_);
    }
  } else if (unlockPending & kKeepMoveCursor) {
    addresses_.moveCursorAddress = moveCursorAtStart;
  }
  if (cc2 & 0x04) control.setControlBits(DisplayControlData::kAlarm);
  if (cc2 & 0x02) display_->indicators().current().reset(Indicators::kMessageWait);
  if (cc2 & 0x01) display_->indicators().current().set(Indicators::kMessageWait);
  executeCursorMove();
}

void DataStreamManager::finishWTDUnlock() {
  if (!(unlockPending & kUnlockDeferred)) return;
  Databyte db(display_, this, nullptr, 0);
  prepareForCursorMove();
  if (pendingCC2 & 0x20) display_->controlData().clearCursorRequestBits(kRequestHostBlink);
  if (pendingCC2 & 0x08) {
    addresses_.moveCursorAddress = savedMoveCursor;
    keyboardTo(&db, KeyboardState::kNormalUnlocked, false);
    display_->controlData().clearControlBits(kControlKeyboardLocked);
    tellFieldsUnlocked(display_);
  }
  executeCursorMove();
  unlockPending = 0;
}
