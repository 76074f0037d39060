#include "datastream/WTDCsr.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/Databyte.h"
#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"
#include "base/LogMsg.h"

namespace {
// Rows: events; columns: states 0-8. -1: the event does not belong there.
constexpr signed char kNext[WTDCsr::kEvents][WTDCsr::kStates] = {
    /* startRead    */ {1, -1, -1, -1, -1, -1, -1, -1, 8},
    /* wTDunLock    */ {0, 1, 0, 0, 0, 0, 0, 0, 0},
    /* wTDLock      */ {4, 1, 5, 5, 4, 5, 5, 5, 5},
    /* moveCursor   */ {2, -1, 2, 2, 6, 6, 6, 6, -1},
    /* insertCursor */ {3, -1, 3, 3, 7, 7, 7, 7, -1},
    /* resetIC      */ {0, -1, 2, 0, 4, 5, 6, 5, -1},
    /* locked       */ {5, 1, 6, 7, 5, 5, 6, 7, 8},
    /* unlocked     */ {0, 5, 2, 3, 5, 5, 6, 7, 8},
    /* cCByte1Bit1  */ {8, 8, 2, 8, 8, 8, 6, 8, 8},
};
}  // namespace

int WTDCsr::nextState(unsigned int from, Event event) {
  if (from >= kStates || event >= kEvents) return -1;
  return kNext[event][from];
}

int WTDCsr::signal(Databyte* db, Event event) {
  const int next = nextState(state, event);
  if (next < 0) {
    LogMsg(LevelWarning, "QWC0703 cursor event %u does not belong in cursor state %u\n",
           static_cast<unsigned int>(event), static_cast<unsigned int>(state));
    db->setDefaultSenseCode(dsm_sense::kPrematureEnd);
    return 3;
  }
  if (event == kStartRead && state == 0) readFlag = 1;
  state = static_cast<uint32_t>(next);
  return 0;
}

void WTDCsr::END_OF_WTD(Databyte* db) {
  switch (state) {
    case 2:
    case 6:
      finalMvCursor(db);
      break;
    case 5:
      calcInsCursor(db);
      break;
    case 3:
    case 7:
      // The host's insert cursor is where the cursor goes.
      readFlag = 0;
      storeInsCursor(db);
      break;
    default:
      readFlag = 0;
      break;
  }
  state = 0;
}

void WTDCsr::finalMvCursor(Databyte* db) {
  Addresses& a = db->manager->addresses();
  DisplayBag* d = db->display;
  if (!(a.flags & Addresses::kHostInsertCursor)) {
    FormatTable& table = d->formatTable();
    Field* first = table.firstRecord();
    if (first && table.fieldCount() && !first->isBypass()) {
      a.insertCursorAddress = first->getFirstCursorOffset(d);
    } else {
      unsigned int wrapped = 0;
      Field* next = table.fieldCount() ? table.getNextLogicalNonBypassField(first, wrapped, 0)
                                       : nullptr;
      a.insertCursorAddress =
          next ? next->getFirstCursorOffset(d) : table.getDefaultCursorOffset();
    }
  }
  a.adjustAddresses();
}

void WTDCsr::calcInsCursor(Databyte* db) {
  Addresses& a = db->manager->addresses();
  if (!(a.flags & Addresses::kHostInsertCursor)) {
    a.insertCursorAddress = a.moveCursorAddress =
        db->display->formatTable().getDefaultCursorOffset();
  } else {
    a.moveCursorAddress = a.insertCursorAddress;
  }
  a.adjustAddresses();
}

void WTDCsr::storeInsCursor(Databyte* db) {
  Addresses& a = db->manager->addresses();
  a.moveCursorAddress = a.insertCursorAddress;
  a.flags |= Addresses::kAdjusted;
}
