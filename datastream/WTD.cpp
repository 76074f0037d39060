#include "datastream/WTD.h"

#include <cstdint>
#include <cstring>

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/SOH.h"
#include "datastream/TD.h"
#include "datastream/WTDWSF.h"
#include "datastream/WTDCsr.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "keyboard/KeyboardState.h"

namespace {
// What an order handler answers the machine.
enum Handler : int { kStep = 0, kStepOrEnd = 1, kToEscape = 2, kReject = 3, kContinued = 4 };

constexpr uint32_t kExtendedAttributes = 0x00000200u;  // characteristics word 0
constexpr uint32_t kColourPlane = 0x08000000u;         // characteristics word 0
constexpr uint32_t kSeparateErrorLine = 0x00000010u;   // characteristics word 0
constexpr uint32_t kDirectOutput = 0x04000000u;        // characteristics word 1

bool isOrder(unsigned char b) { return b >= 0x01 && b <= 0x1D; }

// Whether any of eight bytes is an order (0x01 to 0x1D): each byte is
// worked on alone (no carry or borrow crosses into the next).
bool anyOrder(uint64_t x) {
  constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
  const uint64_t low7 = x & (ones * 0x7F);
  return ((ones * (0x7F + 0x1E) - low7) & ~x & (low7 + ones * 0x7F) & highs) != 0;
}

// The data bytes from data[0] up to the next order or `remaining`: eight at
// a time while none of them is an order.
uint32_t dataRun(const unsigned char* data, uint32_t remaining) {
  uint32_t count = 1;
  for (uint64_t x; count + 8 <= remaining; count += 8) {
    std::memcpy(&x, data + count, 8);
    if (anyOrder(x)) break;
  }
  while (count < remaining && !isOrder(data[count])) ++count;
  return count;
}
}  // namespace

int WTD::processInput(Databyte* db) {
  for (;;) {
    int r;
    if (state == 0) {
      r = controlCharacters(db);
    } else if (child) {
      // An order machine that asked for more bytes.
      const int c = fSMIndCall(db);
      if (c == kFsmFinished) fSMEndInd(db);
      r = c == kFsmFinished ? mapHandlerResult(db, kStepOrEnd)
          : c == kFsmTaken ? kFsmTaken
          : mapHandlerResult(db, kReject);
    } else {
      r = order(db);
    }
    if (r != kFsmDispatchAgain) return r;
  }
}

int WTD::endOfData(Databyte* db) {
  if (state == 0) return kFsmTaken;
  const int r = endOfCommand(db);
  state = 0;
  return r;
}

int WTD::fSMLdInd(Databyte* db, unsigned char orderByte) {
  bool built = false;
  switch (orderByte) {
    case kSOH:
      built = loadChild<SOH>(db);
      break;
    case kTD:
      built = loadChild<TD>(db);
      break;
    case kWDSF:
      built = loadChild<WTDWSF>(db);
      break;
    default:
      break;
  }
  if (!built) return rejectRecord(db, dsm_sense::kPrematureEnd);
  return kFsmTaken;
}

int WTD::reject(Databyte* db, uint32_t sense) {
  db->setDefaultSenseCode(sense);
  return kReject;
}

int WTD::eodReject(Databyte* db) { return reject(db, dsm_sense::kPrematureEnd); }

int WTD::endOfCommand(Databyte* db) {
  if (cef) {
    db->setDefaultSenseCode(dsm_sense::kPrematureEnd);
    fSMEndInd(db);
    state = 0;
    return kFsmRejected;
  }
  fSMEndInd(db);
  return kFsmFinished;
}

int WTD::mapHandlerResult(Databyte* db, int code) {
  switch (code) {
    case kStep:
      return kFsmTaken;
    case kStepOrEnd:
      if (db->isLastByte()) {
        state = 0;
        return endOfCommand(db);
      }
      return kFsmTaken;
    case kToEscape:
      fSMEndInd(db);
      state = 0;
      return kFsmEscape;
    case kContinued:
      cef = 1;
      return kFsmTaken;
    default:
      fSMEndInd(db);
      state = 0;
      db->setDefaultSenseCode(dsm_sense::kPrematureEnd);
      return kFsmRejected;
  }
}

// ---- Control characters -------------------------------------------------

int WTD::controlCharacters(Databyte* db) {
  if (db->remaining < 2) return mapHandlerResult(db, eodReject(db));
  DataStreamManager& m = *db->manager;
  DisplayBag& d = *db->display;
  WTDCsr& csr = m.wtdCsr();
  addresses = &m.addresses();
  cef = 0;
  addresses->loadScreenSizeStuff();
  rows = addresses->rows;
  columns = addresses->columns;
  positions = addresses->displayPositions();

  bool transitionPending = false;
  uint32_t transitionTarget = KeyboardState::kNormalLocked;
  bool lockInError = false;
  if (!csr.getReadFlag() && !m.pendingCC1) {
    KeyboardState& k = d.keyboardState();
    switch (k.state()) {
      case KeyboardState::kNormalUnlocked:
      case KeyboardState::kDragAndDrop:
      case KeyboardState::kTwoMouseEvents:
      case KeyboardState::kCopy:
      case KeyboardState::kPostCopy:
        csr.wTDunLock(db);
        m.writeFlags &= static_cast<unsigned char>(~DataStreamManager::kWriteLockedKeyboard);
        transitionTarget = KeyboardState::kNormalLocked;
        transitionPending = true;
        break;
      case KeyboardState::kSystemRequest:
        return mapHandlerResult(db, reject(db, dsm_sense::kContention));
      case KeyboardState::kError:
      case KeyboardState::kPostHelpError: {
        const bool separate = (d.characteristics().word[0] & kSeparateErrorLine) != 0;
        if (!separate || k.errorRow() != rows + 1)
          return mapHandlerResult(db, reject(db, dsm_sense::kContention));
        if (k.isLockedState()) {
          csr.wTDLock(db);
          m.writeFlags &= static_cast<unsigned char>(~DataStreamManager::kErrorCodeLockedKeyboard);
          m.writeFlags |= DataStreamManager::kWriteLockedKeyboard;
          lockInError = true;
        } else {
          csr.wTDunLock(db);
          m.writeFlags &= static_cast<unsigned char>(~(DataStreamManager::kWriteLockedKeyboard |
                                                       DataStreamManager::kErrorCodeLockedKeyboard));
        }
        transitionTarget = KeyboardState::kError;
        transitionPending = true;
        break;
      }
      case KeyboardState::kNormalLocked:
        csr.wTDLock(db);
        m.writeFlags |= DataStreamManager::kWriteLockedKeyboard;
        break;
      default:
        break;
    }
  }
  m.prepareForCursorMove();

  const unsigned char cc1 = db->value;
  if (cc1 & 0xE0) {
    if (csr.locked(db) == kFsmRejected) return mapHandlerResult(db, kReject);
    dsm_links::resetPendingAid(&d);
    if (!csr.getReadFlag()) {
      dsm_links::resetTaxlate(&d);
      if (transitionPending) m.keyboardTo(db, transitionTarget, lockInError);
    }
  }
  applyCC1ToFields(db, cc1);
  m.directOutput = (cc1 & 0x01) != 0;

  db->loadNextValue(1);
  const unsigned char cc2 = db->value;
  if (m.pendingCC1) {
    unsigned char p = m.pendingCC2;
    p |= cc2 & (0x40 | 0x08 | 0x04);
    if (cc2 & 0x20) p = static_cast<unsigned char>((p & ~0x10) | 0x20);
    if (cc2 & 0x10) p = static_cast<unsigned char>((p & ~0x20) | 0x10);
    if (cc2 & 0x02) p = static_cast<unsigned char>((p & ~0x01) | 0x02);
    if (cc2 & 0x01) p = static_cast<unsigned char>((p & ~0x02) | 0x01);
    m.pendingCC2 = p;
  } else {
    m.pendingCC2 = cc2;
  }
  addresses->displayAddress = 0;
  m.pendingCC1 = 1;
  m.writeFlags &= static_cast<unsigned char>(~DataStreamManager::kErrorCodeCursor);
  state = 1;
  return kFsmTaken;
}

void WTD::applyCC1ToFields(Databyte* db, unsigned char cc1) {
  const unsigned char what = cc1 & 0xE0;
  if (what == 0x00 || what == 0x20) return;
  DisplayBag* d = db->display;
  FormatTable& table = d->formatTable();
  Field* f = table.fieldCount() ? table.firstRecord() : nullptr;
  for (unsigned int i = 0; f && i < table.fieldCount(); ++i, f = table.nextRecord(f)) {
    const bool input = !f->isBypass();
    const bool modified = f->isModified();
    bool null = false, resetMDT = false;
    switch (what) {
      case 0x40: resetMDT = input; break;
      case 0x60: resetMDT = true; break;
      case 0x80: null = input && modified; break;
      case 0xA0: null = resetMDT = input; break;
      case 0xC0: null = input && modified; resetMDT = input; break;
      case 0xE0: null = input; resetMDT = true; break;
      default: break;
    }
    if (null) f->clearFieldData(d);
    if (resetMDT) f->clearFlags(Field::kMDT);
  }
}

// ---- Orders ---------------------------------------------------------------

int WTD::order(Databyte* db) {
  switch (db->value) {
    case kEscape:
      if (cef) return mapHandlerResult(db, reject(db, dsm_sense::kContinuedFieldOpen));
      return mapHandlerResult(db, kToEscape);
    case kSOH:
    case kTD:
    case kWDSF:
      return mapHandlerResult(db, subMachineOrder(db));
    case kRA:
    case kEA:
    case kIC:
    case kMC:
      return mapHandlerResult(db, rowColumnOrder(db));
    case kSBA:
      return mapHandlerResult(db, doSetBufAddr(db));
    case kWEA:
      return mapHandlerResult(db, doWriteExtAttr(db));
    case kSF:
      return mapHandlerResult(db, startField(db));
    default:
      return mapHandlerResult(db, writeData(db));
  }
}

int WTD::subMachineOrder(Databyte* db) {
  addresses->writeFlag = 1;
  const unsigned char orderByte = db->value;
  if (db->isLastByte()) return eodReject(db);
  if (fSMLdInd(db, orderByte) == kFsmRejected) return kReject;
  db->loadNextValue(1);
  const int r = fSMIndCall(db);
  if (r == kFsmFinished) {
    fSMEndInd(db);
    return kStepOrEnd;
  }
  if (r == kFsmTaken) return kStep;  // the child takes the following bytes
  return kReject;
}

int WTD::rowColumnOrder(Databyte* db) {
  if (db->remaining < 3) return eodReject(db);
  const uint32_t row = db->peek(1), column = db->peek(2);
  if (row < 1 || row > rows || column < 1 || column > columns)
    return reject(db, dsm_sense::kBadRowColumn);
  target = (row - 1) * columns + column - 1;
  addresses->writeFlag = 1;
  switch (db->value) {
    case kRA:
      return doRepeatToAddress(db);
    case kEA:
      return doEraseToAddress(db);
    case kIC:
      return doInsertCursor(db);
    default:
      return doMoveCursor(db);
  }
}

int WTD::doRepeatToAddress(Databyte* db) {
  if (db->remaining < 4) return eodReject(db);
  const uint32_t from = addresses->displayAddress;
  if (target < from) return reject(db, dsm_sense::kAddressBeforeCurrent);
  if (addresses->checkDisplayAddress() != Addresses::kGood) return reject(db, dsm_sense::kBadLength);
  db->display->presentationSpace().fillRange(from, target, db->peek(3));
  addresses->displayAddress = target + 1;
  db->loadNextValue(3);
  return kStep;
}

int WTD::doEraseToAddress(Databyte* db) {
  if (db->remaining < 5) return eodReject(db);
  const uint32_t from = addresses->displayAddress;
  if (addresses->checkDisplayAddress() != Addresses::kGood || from > target)
    return reject(db, dsm_sense::kAddressBeforeCurrent);
  const int types = static_cast<int>(db->peek(3)) - 1;
  if (types < 1 || types > 4) return reject(db, dsm_sense::kBadLength);
  if (db->remaining - 4 < static_cast<uint32_t>(types)) return eodReject(db);
  DisplayBag* d = db->display;
  const uint32_t features = d->characteristics().word[0];
  // Every type is checked before anything is erased.
  for (int i = 0; i < types; ++i) {
    const unsigned char type = db->peek(4 + i);
    const bool good = type == 0x00 || type == 0xFF ||
                      ((type == 0x01 || type == 0x02) && (features & kExtendedAttributes)) ||
                      (type == 0x03 && (features & kColourPlane));
    if (!good) return reject(db, dsm_sense::kBadAttributeType);
  }
  for (int i = 0; i < types; ++i) {
    const unsigned char type = db->peek(4 + i);
    if (type == 0x00 || type == 0xFF) d->presentationSpace().fillRange(from, target, 0x00);
    if (type == 0x01 || type == 0xFF) d->primaryPlane().fillRange(from, target, 0x00);
    if (type == 0x02 || type == 0xFF) d->secondaryPlane().fillRange(from, target, 0x00);
    if (type == 0x03 || type == 0xFF) d->colourPlane().fillRange(from, target, 0x00);
  }
  addresses->displayAddress = target + 1;
  db->loadNextValue(3 + static_cast<uint32_t>(types));
  return kStep;
}

int WTD::doInsertCursor(Databyte* db) {
  DisplayBag* d = db->display;
  uint32_t at = d->formatTable().getNonBypassArea(target)->adjustCursorOffset(d, target);
  if (at > addresses->lastBufferAddress) at = target;
  addresses->insertCursorAddress = at;
  addresses->flags |= Addresses::kHostInsertCursor;
  addresses->flags &= ~Addresses::kInsertCursorAdjusted;
  d->cursor().setHomePosition(at);
  if (db->manager->wtdCsr().insertCursor(db) == kFsmRejected) return kReject;
  db->loadNextValue(2);
  return kStep;
}

int WTD::doMoveCursor(Databyte* db) {
  addresses->moveCursorAddress = target;
  if (db->manager->wtdCsr().moveCursor(db) == kFsmRejected) return kReject;
  db->loadNextValue(2);
  return kStep;
}

int WTD::doSetBufAddr(Databyte* db) {
  if (db->remaining < 3) return eodReject(db);
  if (addresses->setSbaDetected(db->peek(1), db->peek(2)) != Addresses::kGood)
    return reject(db, dsm_sense::kBadRowColumn);
  // Row 1, column 0 is only the place of a start field's attribute.
  if (addresses->displayAddress == Addresses::kNoAddress &&
      !(db->remaining > 8 && db->peek(3) == kSF))
    return reject(db, dsm_sense::kBadRowColumn);
  db->loadNextValue(2);
  return kStep;
}

int WTD::doWriteExtAttr(Databyte* db) {
  addresses->writeFlag = 1;
  if (db->remaining < 3) return eodReject(db);
  const uint32_t at = addresses->displayAddress;
  // The address past the last display position (left there by data that
  // ended on it) is the first of the message line, which the host may not write.
  if (at >= positions) return reject(db, dsm_sense::kBadLength);
  DisplayBag* d = db->display;
  const uint32_t features = d->characteristics().word[0];
  const unsigned char type = db->peek(1), value = db->peek(2);
  ScreenBuffer* plane = nullptr;
  bool good = false;
  switch (type) {
    case 1:
      good = (features & kExtendedAttributes) && (value == 0 || (value >= 0x80 && value <= 0x9F));
      plane = &d->primaryPlane();
      break;
    case 2:
      good = value == 0 || (value >= 0x80 && value <= 0x9F);
      plane = &d->secondaryPlane();
      break;
    case 3:
      good = (features & kColourPlane) && (value == 0 || (value >= 0x80 && value <= 0x8F));
      plane = &d->colourPlane();
      break;
    case 5:
      return reject(db, dsm_sense::kBadAttributeValue);
    default:
      return reject(db, dsm_sense::kBadAttributeType);
  }
  if (!good) return reject(db, dsm_sense::kBadAttributeValue);
  plane->writeCharacter(at, value);
  db->loadNextValue(2);
  return kStep;
}

int WTD::writeData(Databyte* db) {
  const uint32_t count = db->remaining > 1 ? dataRun(db->current, db->remaining) : 1;
  DataStreamManager& m = *db->manager;
  DisplayBag* d = db->display;
  if ((d->characteristics().word[1] & kDirectOutput) && addresses->displayAddress == 0 &&
      db->value == 0xFF)
    m.directOutput = true;
  uint32_t at = 0;
  if (addresses->checkWrtData(at, count) != Addresses::kGood)
    return reject(db, dsm_sense::kDataPastScreen);
  if (!m.directOutput) {
    d->presentationSpace().writeData(db->current, count, at);
  } else {
    d->outputChanges();
    d->getRendering()->updatePresentationSpacePlane(db->recordStart, db->position(), at, count);
  }
  db->loadNextValue(count - 1);
  return kStep;
}

int WTD::startField(Databyte* db) {
  cef = 0;
  sf.state = 0;
  const int r = sf.processInput(db);
  if (r == kFsmFinished) return kStepOrEnd;
  if (r == kContinued) return kContinued;
  return kReject;
}
