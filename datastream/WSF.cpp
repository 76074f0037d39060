#include "datastream/WSF.h"

#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/Query5250.h"
#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"

namespace sf = structured_field;

int WSF::reject(Databyte* db, uint32_t sense) { return rejectRecord(db, sense); }

int WSF::endOfData(Databyte* db) {
  if (state == 0 && !child) return kFsmTaken;
  return reject(db, dsm_sense::kPrematureEnd);
}

bool WSF::fSMLdInd(Databyte* db, unsigned char type) {
  switch (type) {
    case 0x70: return loadChild<QRY5250>(db);
    case 0x72: return loadChild<QSS5250>(db);
    case 0x3F: return loadChild<TDFHost>(db);
    default: return false;
  }
}

int WSF::processInput(Databyte* db) {
  if (db->remaining < sf::kHeaderBytes) return reject(db, dsm_sense::kBadLength);
  if (db->remaining >= sf::kTooManyBytes) return reject(db, dsm_sense::kStructuredFieldTooLong);
  if (db->peek(2) != sf::kClass) return reject(db, dsm_sense::kBadClassOrType);
  const uint32_t length = sf::lengthAt(db);
  // A length that does not cover its own header describes nothing.
  if (length < sf::kHeaderBytes) return reject(db, dsm_sense::kBadLength);
  const unsigned char type = db->peek(3);
  const bool wp = db->manager->wordProcessingActive();
  switch (type) {
    case 0x30: case 0x31: case 0x34: case 0x39: case 0x3A:
      return retText(db, type);
    case 0x32: case 0x33: case 0x35: case 0x36: case 0x37: case 0x38: case 0x3B:
      if (!wp) return reject(db, dsm_sense::kTextNotInDisplayMode);
      return retText(db, type);
    case 0x3F:
      if (wp) return reject(db, dsm_sense::kNotInWordProcessing);
      break;
    case 0x70:
    case 0x72:
      break;
    default:
      return reject(db, dsm_sense::kBadClassOrType);
  }
  if (db->remaining < length) return reject(db, dsm_sense::kBadLength);
  if (!fSMLdInd(db, type)) return reject(db, dsm_sense::kPrematureEnd);
  const int r = fSMIndCall(db);
  fSMEndInd(db);
  if (r == kFsmFinished) return kFsmFinished;
  return reject(db, dsm_sense::kBadClassOrType);
}

int WSF::retText(Databyte* db, unsigned char type) {
  DataStreamManager& m = *db->manager;
  DisplayBag& d = *db->display;
  KeyboardState& k = d.keyboardState();
  const bool wp = m.wordProcessingActive();
  // Checks first: a refused structured field leaves the keyboard alone.
  const bool errorLineOnScreen = k.errorRow() <= d.rows();
  if (type == 0x36 && errorLineOnScreen &&
      ((d.textSession()->stateWord() & TextSession::kErrorShown) ||
       k.state() == KeyboardState::kSystemRequest))
    return reject(db, dsm_sense::kContention);
  if (type == 0x34 && !dsm_links::wordProcessingOptions(&d))
    return reject(db, dsm_sense::kReadNotSupported);
  switch (k.state()) {
    case KeyboardState::kSystemRequest:
      if (!wp) return reject(db, dsm_sense::kTextNotInDisplayMode);
      break;
    case KeyboardState::kCopy:
    case KeyboardState::kPostCopy:
      m.keyboardTo(db, wp ? KeyboardState::kWordProcessing
                          : k.isLockedState() ? KeyboardState::kNormalLocked
                                              : KeyboardState::kNormalUnlocked,
                   false);
      break;
    case KeyboardState::kWordProcessing:
      break;
    default:
      m.keyboardTo(db, k.isLockedState() ? KeyboardState::kNormalLocked : KeyboardState::kNormalUnlocked,
                   false);
      break;
  }
  if (type == 0x36) {
    m.addresses().displayAddress = d.presentationSpace().bufferSize() - d.columns();
  } else if (type == 0x34) {
    dsm_links::resetPendingAid(&d);
    dsm_links::resetTaxlateForWP(&d);
    d.controlData().clearControlBits(DisplayControlData::kCursorBlink);
  }
  // The text session takes the structured field from its type byte on.
  db->loadNextValue(3);
  return kFsmTextAssist;
}

int TDFHost::processInput(Databyte* db) {
  const uint32_t length = sf::lengthAt(db);
  if (length < sf::kHeaderBytes || length > kMaxLength || db->remaining < length)
    return rejectRecord(db, dsm_sense::kBadStructuredData);
  // It ends the record exactly.
  if (db->remaining != length) return rejectRecord(db, dsm_sense::kPrematureEnd);
  sf::toLastByte(db, length);
  return kFsmFinished;
}

int TDFHost::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }
