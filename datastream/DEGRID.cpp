#include "datastream/DEGRID.h"

#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"

namespace sf = structured_field;

int DEGRID::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }

int DEGRID::processInput(Databyte* db) {
  const uint32_t length = sf::lengthAt(db);
  if (length <= sf::kHeaderBytes) return rejectRecord(db, dsm_sense::kBadStructuredData);
  if (db->peek(3) == kErase && length != kEraseLength)
    return rejectRecord(db, dsm_sense::kPrematureEnd);
  db->display->outputChanges();
  return rejectRecord(db, kGridLinesNotSupported);
}
