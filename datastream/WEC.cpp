#include "datastream/WEC.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/KbdStTrn.h"
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"

namespace {
constexpr unsigned char kEscape = 0x04;
constexpr unsigned char kInsertCursor = 0x13;
constexpr uint32_t kWindowOnSeparateLine = 0x10050133u;
constexpr uint32_t kBadWindowColumns = 0x10050132u;
}  // namespace

void WEC::setWindow(unsigned char first, unsigned char last) {
  window_ = 1;
  firstColumn_ = first;
  lastColumn_ = last;
}

int WEC::processInput(Databyte* db) {
  if (state == 0) {
    if (db->value == kEscape) return rejectRecord(db, dsm_sense::kPrematureEnd);
    if (initiallize(db) == kFsmRejected) return kFsmRejected;
    state = 1;
  }
  switch (db->value) {
    case kEscape:
      return done(db, kFsmEscape);
    case kInsertCursor:
      return doInsCursor(db);
    default:
      return writeData(db);
  }
}

int WEC::endOfData(Databyte* db) { return state == 1 ? done(db, kFsmFinished) : kFsmTaken; }

int WEC::done(Databyte* db, int result) {
  db->display->keyboardState().setErrorCode(errorCode_);
  return result;
}

int WEC::initiallize(Databyte* db) {
  DisplayBag& d = *db->display;
  DataStreamManager& m = *db->manager;
  KeyboardState& k = d.keyboardState();
  const unsigned int rows = d.rows(), columns = d.columns();
  if (k.isLockedState()) m.writeFlags |= DataStreamManager::kErrorCodeLockedKeyboard;
  errorRow_ = static_cast<uint16_t>(k.errorRow());
  const bool separateLine = errorRow_ == rows + 1;
  if (window_ && separateLine) return rejectRecord(db, kWindowOnSeparateLine);
  if (!window_) {
    firstColumn_ = 0;
    lastColumn_ = static_cast<unsigned char>(columns - 1);
  }
  width_ = static_cast<unsigned char>(lastColumn_ - firstColumn_ + 1);

  switch (k.state()) {
    case KeyboardState::kSystemRequest:
      return rejectRecord(db, dsm_sense::kContention);
    case KeyboardState::kError:
      if (!separateLine) return rejectRecord(db, dsm_sense::kContention);
      [[fallthrough]];
    case KeyboardState::kPostHelpError: {
      // The operator's error goes; the host's message takes its place.
      const bool locked = k.savedState() == KeyboardState::kNormalLocked;
      m.keyboardTo(db, locked ? KeyboardState::kNormalLocked : KeyboardState::kNormalUnlocked, locked);
      break;
    }
    case KeyboardState::kWordProcessing: {
      TextSession* t = d.textSession();
      if (t->errorFlag() && !separateLine) return rejectRecord(db, dsm_sense::kContention);
      break;
    }
    default:
      break;
  }

  dsm_links::clrTABuf(&d);
  if (k.state() == KeyboardState::kWordProcessing) {
    d.textSession()->operatorerror(0xFF);
  } else {
    KbdStTrn t;
    // A locked keyboard stays locked when the error is reset.
    t.lockInError = k.isLockedState() ? 1 : 0;
    t.errorHostMessage = 1;
    t.errorColumn = static_cast<unsigned char>(firstColumn_ + 1);
    t.errorEndColumn = static_cast<unsigned char>(lastColumn_ + 1);
    t.errorCode = 0;
    db->targetKeyboardState = KeyboardState::kError;
    t.kbdStateTransition(db);
  }
  dsm_links::resetTaxlate(&d);
  dsm_links::resetPendingAid(&d);
  errorCode_ = 0;
  lineOffset_ = (static_cast<uint32_t>(errorRow_) - 1u) * columns;
  column_ = firstColumn_;
  dataCount_ = 0;
  return kFsmTaken;
}

int WEC::writeData(Databyte* db) {
  uint32_t n = 0;
  while (n < db->remaining && db->peek(n) != kEscape && db->peek(n) != kInsertCursor) ++n;
  const unsigned char* bytes = db->current;
  for (uint32_t i = 0; i < n && dataCount_ < 5; ++i) {
    ++dataCount_;
    if (dataCount_ >= 2) errorCode_ = static_cast<uint16_t>((errorCode_ << 4) | (bytes[i] & 0x0F));
  }
  if (column_ <= lastColumn_) {
    PresentationSpaceScreenBuffer& ps = db->display->presentationSpace();
    uint32_t fit = lastColumn_ - column_ + 1u;
    if (fit > n) fit = n;
    const uint32_t at = lineOffset_ + column_;
    if (fit && at + fit - 1 <= ps.lastOffset()) ps.writeData(bytes, fit, at);
    column_ = static_cast<uint16_t>(column_ + fit);
  }
  db->loadNextValue(n - 1);
  return kFsmTaken;
}

int WEC::doInsCursor(Databyte* db) {
  DisplayBag& d = *db->display;
  DataStreamManager& m = *db->manager;
  if (db->remaining < 3) return rejectRecord(db, dsm_sense::kPrematureEnd);
  const unsigned int row = db->peek(1), column = db->peek(2);
  if (row < 1 || row > d.rows() || column < 1 || column > d.columns())
    return rejectRecord(db, dsm_sense::kBadRowColumn);
  const unsigned int at = (row - 1) * d.columns() + column - 1;
  Addresses& a = m.addresses();
  a.moveCursorAddress = d.formatTable().getNonBypassArea(at)->adjustCursorOffset(&d, at);
  a.flags |= Addresses::kAdjusted;
  m.writeFlags |= DataStreamManager::kErrorCodeCursor;
  db->loadNextValue(2);
  return kFsmTaken;
}

int WECW::processInput(Databyte* db) {
  if (!started_) {
    started_ = 1;
    return doWECWindow(db);
  }
  return wec_.processInput(db);
}

int WECW::endOfData(Databyte* db) {
  if (!started_ || wec_.state == 0) return rejectRecord(db, dsm_sense::kPrematureEnd);
  return wec_.endOfData(db);
}

int WECW::doWECWindow(Databyte* db) {
  if (db->remaining < 3) return rejectRecord(db, dsm_sense::kPrematureEnd);
  const unsigned int columns = db->display->columns();
  const unsigned int first = db->peek(0), last = db->peek(1);
  if (first < 1 || first > columns - 1 || last < 2 || last > columns || last < first)
    return rejectRecord(db, kBadWindowColumns);
  wec_.setWindow(static_cast<unsigned char>(first - 1), static_cast<unsigned char>(last - 1));
  db->loadNextValue(2);
  return wec_.processInput(db);
}
