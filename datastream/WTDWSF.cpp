#include "datastream/WTDWSF.h"

#include "datastream/CRWIN.h"
#include "datastream/DEGRID.h"
#include "datastream/DFSF.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "datastream/PMB.h"
#include "datastream/RMGUICON.h"
#include "datastream/SBF.h"
#include "datastream/StructuredField.h"
#include "datastream/WSSF.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"

namespace sf = structured_field;

int WTDWSF::endOfData(Databyte* db) {
  if (!child) return kFsmTaken;
  return rejectRecord(db, dsm_sense::kPrematureEnd);
}

int WTDWSF::processInput(Databyte* db) {
  uint32_t length = 0;
  if (const uint32_t sense = sf::checkHeader(db, &length)) return rejectRecord(db, sense);
  WTDCsr& csr = db->manager->wtdCsr();
  switch (db->peek(3)) {
    case 0x50: return structure<DFSF>(db, true);
    case 0x51: return structure<CRWIN>(db, true);
    case 0x53: return structure<SBF>(db, true);
    case 0x55: return structure<PMB>(db, false);
    case 0x58: case 0x59: case 0x5B: case 0x5F:
      return structure<RMGUICON>(db, false);
    case 0x60: case 0x61:
      return structure<DEGRID>(db, true);
    case 0x52:
      return unrestrictedCursor(db, length);
    case 0x54:
      return writeDataToField(db, length);
    case 0x68:
      if (csr.locked(db) == kFsmRejected || csr.unlocked(db) == kFsmRejected)
        return rejectRecord(db, dsm_sense::kPrematureEnd);
      if (sf::videoAudio(db, length) != kFsmFinished) return rejectRecord(db, dsm_sense::kPrematureEnd);
      return kFsmFinished;
    default:
      return rejectRecord(db, dsm_sense::kBadClassOrType);
  }
}

template <class T>
int WTDWSF::structure(Databyte* db, bool lockSignals) {
  if (lockSignals) {
    WTDCsr& csr = db->manager->wtdCsr();
    if (csr.locked(db) == kFsmRejected || csr.unlocked(db) == kFsmRejected)
      return rejectRecord(db, dsm_sense::kPrematureEnd);
  }
  if (!loadChild<T>(db)) return rejectRecord(db, dsm_sense::kPrematureEnd);
  const int result = fSMIndCall(db);
  fSMEndInd(db);
  if (result == kFsmFinished) return kFsmFinished;
  return rejectRecord(db, dsm_sense::kPrematureEnd);
}

int WTDWSF::unrestrictedCursor(Databyte* db, uint32_t length) {
  if (length != 6) return rejectRecord(db, dsm_sense::kBadLength);
  WTDCsr& csr = db->manager->wtdCsr();
  if (csr.locked(db) == kFsmRejected || csr.unlocked(db) == kFsmRejected)
    return rejectRecord(db, dsm_sense::kPrematureEnd);
  db->display->cursor().resetWindowRestrictedCursorMovement();
  sf::toLastByte(db, length);
  return kFsmFinished;
}

int WTDWSF::writeDataToField(Databyte* db, uint32_t length) {
  if (length < 7) return rejectRecord(db, dsm_sense::kBadLength);
  DisplayBag* d = db->display;
  const uint32_t at = db->manager->addresses().displayAddress;
  Field* f = at <= d->presentationSpace().lastOffset() ? d->formatTable().getField(at) : nullptr;
  if (!(db->peek(4) & 0x80) || !f || !f->isEntryField() || f->getStartOffset() != at)
    return rejectRecord(db, dsm_sense::kWriteFieldRefused);
  EntryField* e = static_cast<EntryField*>(f);
  if (e->writeData(d, db->current + 6, length - 6) != 0)
    return rejectRecord(db, dsm_sense::kWriteFieldData);
  sf::toLastByte(db, length);
  return kFsmFinished;
}
