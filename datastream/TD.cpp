#include "datastream/TD.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"

int TD::processInput(Databyte* db) {
  if (db->remaining < 2) return rejectRecord(db, dsm_sense::kBadLength);
  length = static_cast<uint16_t>((db->peek(0) << 8) | db->peek(1));
  DataStreamManager& m = *db->manager;
  Addresses& a = m.addresses();
  const uint32_t at = a.displayAddress;
  // Checked in direct output as well: the device gets no run beyond the screen
  // and none into the message line, as for data.
  if (length && (at > a.lastDisplayAddress || at + length - 1 > a.lastDisplayAddress))
    return rejectRecord(db, dsm_sense::kDataPastScreen);
  if (length == 0) {
    db->loadNextValue(1);
    return kFsmFinished;
  }
  if (db->remaining - 2 < length) return rejectRecord(db, dsm_sense::kBadLength);
  if (a.checkDisplayAddress() != Addresses::kGood) return rejectRecord(db, dsm_sense::kBadLength);
  DisplayBag* d = db->display;
  a.writeFlag = 1;
  if (!m.directOutput) {
    d->presentationSpace().writeData(db->current + 2, length, at);
  } else {
    d->outputChanges();
    d->getRendering()->updatePresentationSpacePlane(db->recordStart, db->position() + 2, at,
                                                     length);
  }
  a.displayAddress = at + length;
  db->loadNextValue(1u + length);
  return kFsmFinished;
}

int TD::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }
