#include "display/ProgrammableMouseButtonsTable.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayControlData.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "display/StationServices.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned int kFlagAInsert = 0x10000000u;  // A bit 28
constexpr int kAidTypeNotAnAid = 5;
inline bool ButtonValid(unsigned int b) { return b >= 1 && b <= ProgrammableMouseButtonsTable::kButtons; }
}  // namespace

bool ProgrammableMouseButtonsTable::entryValid(StationServices* station,
                                               const PMBTableEntry& e) const {
  if (e.aid == 0) return true;
  if ((e.flags & PMBTableEntry::kTwoEvent) && !ButtonValid(e.secondButton)) return false;
  return station->aidType(e.aid) != kAidTypeNotAnAid;
}

bool ProgrammableMouseButtonsTable::addTableEntry(StationServices* station, unsigned int button,
                                                  const PMBTableEntry& entry) {
  if (!ButtonValid(button) || !entryValid(station, entry)) {
    LogMsg(LevelWarning, "QWC0420 mouse button %u entry (flags 0x%02X, AID 0x%02X) refused\n",
           button, entry.flags, entry.aid);
    return false;
  }
  entries_[button - 1] = entry;
  clear_ = 0;
  return true;
}

void ProgrammableMouseButtonsTable::clearTable() {
  bufferedButton_ = kNoBufferedButton;
  if (clear_) return;
  for (PMBTableEntry& e : entries_) e.aid = 0;
  clear_ = 1;
}

const PMBTableEntry* ProgrammableMouseButtonsTable::entry(unsigned int button) const {
  return ButtonValid(button) ? &entries_[button - 1] : nullptr;
}

bool ProgrammableMouseButtonsTable::isProgrammed(unsigned int button) const {
  const PMBTableEntry* e = entry(button);
  return e && e->aid != 0;
}

bool ProgrammableMouseButtonsTable::isProgrammedAndQueableInNormalLockedState(
    unsigned int button) const {
  return isProgrammed(button) && (entries_[button - 1].flags & PMBTableEntry::kQueueable);
}

void ProgrammableMouseButtonsTable::bufferProgrammedMouseEvent(unsigned int button,
                                                               unsigned int offset) {
  if (hasBufferedEvent() || !ButtonValid(button)) return;
  bufferedButton_ = static_cast<unsigned char>(button);
  bufferedOffset_ = static_cast<unsigned short>(offset);
}

void ProgrammableMouseButtonsTable::processAnyBufferedProgrammedEvent(StationServices* station) {
  if (!hasBufferedEvent()) return;
  const unsigned int button = bufferedButton_, offset = bufferedOffset_;
  bufferedButton_ = kNoBufferedButton;
  processProgrammedEvent(station, button, offset);
}

void ProgrammableMouseButtonsTable::processProgrammedEvent(StationServices* station,
                                                           unsigned int button,
                                                           unsigned int offset) {
  if (!isProgrammed(button)) {
    LogMsg(LevelWarning, "QWC0421 mouse button %u is not programmed\n", button);
    return;
  }
  const PMBTableEntry& e = entries_[button - 1];
  station->modeFlagsA() &= ~kFlagAInsert;
  station->getDisplayControlData()->clearCursorRequestBits(DisplayControlData::kRequestInsert);
  int rc = station->interruptShaping(station->getCurrentArea());
  if (rc) {
    station->enterErrorState(static_cast<unsigned int>(rc));
    return;
  }
  if (e.flags & PMBTableEntry::kTwoEvent) {
    station->enterTwoMouseEventState(button, offset);
    return;
  }
  if ((e.flags & PMBTableEntry::kMoveCursor) &&
      station->moveCursorThroughArea(station->getCurrentArea(), offset) != 0)
    return;
  rc = station->checkBeforeAid(station->getCurrentArea(), e.aid);
  if (rc) {
    station->enterErrorState(static_cast<unsigned int>(rc));
    return;
  }
  station->postAidCode(e.aid);
}

namespace {
constexpr unsigned char kMouseAid = 0x80;
}  // namespace

void ProgrammableMouseButtonsTable::twoEventStateProcessing(StationServices* station,
                                                            unsigned int firstButton,
                                                            unsigned int button,
                                                            unsigned int offset) {
  const PMBTableEntry* e = entry(firstButton);
  if (!e || e->aid == 0) {
    station->exitTwoMouseEventState();
    return;
  }
  const unsigned int second = e->secondButton;
  if (button == second) {
    station->exitTwoMouseEventState();
    if ((e->flags & PMBTableEntry::kMoveCursor) &&
        station->moveCursorThroughArea(station->getCurrentArea(), offset) != 0)
      return;
    const int rc = station->checkBeforeAid(station->getCurrentArea(), e->aid);
    if (rc) {
      station->enterErrorState(static_cast<unsigned int>(rc));
      return;
    }
    // The host learns where the button was used and which it was.
    station->noteMouseAid(offset, e->aid);
    station->postAidCode(kMouseAid);
    return;
  }
  if (button == 0) return;
  // The other half of a button's press and release events is not an end.
  const bool ignored =
      (button % 3 == 2 && (button == firstButton + 1 || button + 1 == firstButton ||
                           button + 1 == second)) ||
      (button % 3 == 1 && (button + 2 == second || button + 1 == second));
  if (!ignored) station->exitTwoMouseEventState();
}

bool ProgrammableMouseButtonsTable::markerBoxButton(unsigned int button) const {
  const PMBTableEntry* e = entry(button);
  return e && e->aid != 0 && (e->flags & PMBTableEntry::kTwoEvent) &&
         (e->flags & PMBTableEntry::kMarkerBox);
}

void ProgrammableMouseButtonsTable::drawMarkerBoxIfNeeded(StationServices* station,
                                                          unsigned int button,
                                                          unsigned int offset) {
  if (markerBoxButton(button)) station->getRendering()->drawMarkerBox(offset);
}

void ProgrammableMouseButtonsTable::eraseMarkerBoxIfNeeded(StationServices* station,
                                                           unsigned int button,
                                                           unsigned int offset) {
  if (markerBoxButton(button)) station->getRendering()->eraseMarkerBox(offset);
}

void ProgrammableMouseButtonsTable::saveProgrammableMouseButtonsTable(qrnOStream* stream) const {
  stream->save(clear_, 8);
  if (clear_) return;
  for (const PMBTableEntry& e : entries_) {
    stream->save(e.flags, 8);
    stream->save(e.secondButton, 8);
    stream->save(e.aid, 8);
  }
}

unsigned int ProgrammableMouseButtonsTable::restoreProgrammableMouseButtonsTable(
    StationServices* station, qrnIStream* stream) {
  unsigned char clear = 0;
  PMBTableEntry read[kButtons];
  stream->restore(clear, 8);
  if (clear == 0) {
    for (PMBTableEntry& e : read) {
      stream->restore(e.flags, 8);
      stream->restore(e.secondButton, 8);
      stream->restore(e.aid, 8);
    }
  }
  if (stream->checkRestore()) return RestoreRejected("mouse buttons", "stream ends early");
  if (clear > 1) return RestoreRejected("mouse buttons", "bad clear flag");
  if (clear == 0)
    for (const PMBTableEntry& e : read)
      if (!entryValid(station, e)) return RestoreRejected("mouse buttons", "bad entry");
  bufferedButton_ = kNoBufferedButton;
  if (clear) {
    clearTable();
    return 0;
  }
  for (unsigned int i = 0; i < kButtons; ++i) entries_[i] = read[i];
  clear_ = 0;
  return 0;
}
