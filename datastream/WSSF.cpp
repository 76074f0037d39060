#include "datastream/WSSF.h"

#include "datastream/DsmSense.h"
#include "datastream/StructuredField.h"
#include "datastream/CUST5250.h"
#include "display/DisplayBag.h"

namespace {
namespace sf = structured_field;
constexpr uint32_t kImageCapability = 0x00000001u;       // characteristics word 0
constexpr uint32_t kVideoAudioCapability = 0x00400000u;  // characteristics word 1

int Refuse(Databyte* db, uint32_t sense) {
  db->setDefaultSenseCode(sense);
  return kFsmRejected;
}
}  // namespace

int sf::videoAudio(Databyte* db, uint32_t length) {
  DisplayBag* d = db->display;
  if (!(d->characteristics().word[1] & kVideoAudioCapability)) return Refuse(db, dsm_sense::kNoCapability);
  if (length != 11) return Refuse(db, dsm_sense::kBadImageLength);
  const unsigned char command = db->peek(5);
  if ((command != 0xE2 && command != 0xE3) || db->peek(6) != 0x01)
    return Refuse(db, dsm_sense::kBadImageLength);
  const unsigned int sense =
      d->presentationSpace().bufferAudioVideoCommand(command, db->current + 5, 6);
  if (sense) return Refuse(db, sense);
  d->modeFlagsB() |= DisplayBag::kBAudioVideo;
  sf::toLastByte(db, length);
  return kFsmFinished;
}

int WSSF::endOfData(Databyte* db) {
  if (!child) return kFsmTaken;
  return rejectRecord(db, dsm_sense::kPrematureEnd);
}

int WSSF::processInput(Databyte* db) {
  uint32_t length = 0;
  if (const uint32_t sense = sf::checkHeader(db, &length)) return rejectRecord(db, sense);
  const unsigned char type = db->peek(3);
  switch (type) {
    case 0x66:
    case 0x67:
      return image(db, length, type);
    case 0x68:
      return sf::videoAudio(db, length) == kFsmFinished ? kFsmFinished : rejectRecord(db, 0);
    case 0x71: {
      CUST5250 customisation(arena_);
      return customisation.processInput(db);
    }
    case 0x7F:
      sf::toLastByte(db, length);
      return kFsmFinished;
    default:
      return rejectRecord(db, dsm_sense::kBadStructuredData);
  }
}

int WSSF::image(Databyte* db, uint32_t length, unsigned char type) {
  DisplayBag* d = db->display;
  const bool download = type == 0x67;
  const bool lengthGood = download ? length >= 14 && length <= 10238 : length >= 29 && length <= 284;
  if (!lengthGood) return rejectRecord(db, dsm_sense::kBadImageLength);
  if (!(d->characteristics().word[0] & kImageCapability)) return rejectRecord(db, dsm_sense::kNoCapability);
  // The last piece of a download ends the record.
  if (download && !(db->peek(4) & 0x80) && db->remaining != length)
    return rejectRecord(db, dsm_sense::kImageNotLast);
  if (const unsigned int sense = d->presentationSpace().bufferImageCommand(type, db->current, length))
    return rejectRecord(db, sense);
  d->modeFlagsB() |= DisplayBag::kBImages;
  sf::toLastByte(db, length);
  return kFsmFinished;
}
