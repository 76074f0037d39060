#include "datastream/GLM.h"

#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"

namespace {
constexpr uint32_t kDoubleByteCapability = 0x00800000u;  // characteristics word 0
constexpr uint32_t kBadUserCharacter = 0x1005012Eu;
constexpr unsigned int kNoCharacter = 0x4140;

bool UserDefined(unsigned int c) {
  return (c >= 0xF040 && c <= 0xF0FF) || (c >= 0xF140 && c <= 0xF1FF) || (c >= 0xF240 && c <= 0xF2BF);
}
}  // namespace

int GLM::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kBadLength); }

int GLM::processInput(Databyte* db) {
  if (!(db->display->characteristics().word[0] & kDoubleByteCapability))
    return rejectRecord(db, dsm_sense::kUnknownCommand);
  if (db->remaining < 5) return rejectRecord(db, dsm_sense::kBadLength);
  const unsigned int code = (db->peek(0) << 8) | db->peek(1);
  const unsigned int c = (db->peek(2) << 8) | db->peek(3);
  const unsigned int m = db->peek(4);
  if (!(m == 0 && (c == kNoCharacter || c == code)) && !UserDefined(c))
    return rejectRecord(db, kBadUserCharacter);
  if (m != 0 && m != 0x48 && m != 0x74) return rejectRecord(db, kBadUserCharacter);
  // The matrix must be in the record: a cut one is not a character.
  if (db->remaining < 5u + m) return rejectRecord(db, dsm_sense::kBadLength);
  db->loadNextValue(4 + m);
  return kFsmFinished;
}
