// The text session's combined write of characters and their extended
// attributes into one row.
#include "display/ECBScreenBuffer.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/StationServices.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kEscape = 0x10;
constexpr unsigned char kEnder = 0xFF;
// The highest value each plane keeps (0x80 + the width of its field - 1).
constexpr unsigned char kPrimaryHigh = 0xBE;
constexpr unsigned char kSecondaryHigh = 0x8E;
}  // namespace

int PresentationSpaceScreenBuffer::writeBothDataLength(const unsigned char* data, unsigned int length) {
  if (length && data[length - 1] == kEnder) --length;
  int characters = 0;
  bool attributePending = false;
  for (unsigned int i = 0; i < length;) {
    if (data[i] != kEscape) {
      ++characters;
      attributePending = false;
      ++i;
      continue;
    }
    if (length - i < 3) return -1;
    const unsigned char plane = data[i + 1], value = data[i + 2];
    if (plane == 1 ? value < 0x80 || value > kPrimaryHigh
                   : plane == 2 ? value < 0x80 || value > kSecondaryHigh : true)
      return -1;
    attributePending = true;
    i += 3;
  }
  // An attribute must be followed by its character.
  return attributePending ? -1 : characters;
}

int PresentationSpaceScreenBuffer::updateScreenWithWriteBothData(const unsigned char* data, unsigned int length,
                                                                 unsigned int offset, bool clearFirst,
                                                                 TextSession* wordUnderscore) {
  const int characters = writeBothDataLength(data, length);
  if (characters < 0 || offset > lastOffset_) return 1;
  const unsigned int rowStart = offset / columns_ * columns_;
  if (offset + static_cast<unsigned int>(characters) > rowStart + columns_) return 1;
  if (!characters) return 0;
  PrimaryECBScreenBuffer* primary = station_->getPrimaryECBPlane();
  SecondaryECBScreenBuffer* secondary = station_->getSecondaryECBPlane();
  const unsigned int last = offset + static_cast<unsigned int>(characters) - 1;
  if (clearFirst) primary->clearAllECBPlanes(static_cast<int>(offset), static_cast<int>(last));
  if (length && data[length - 1] == kEnder) --length;
  unsigned int at = offset;
  unsigned char primaryValue = 0, secondaryValue = 0;
  for (unsigned int i = 0; i < length;) {
    if (data[i] == kEscape) {
      (data[i + 1] == 1 ? primaryValue : secondaryValue) = data[i + 2];
      i += 3;
      continue;
    }
    writeCharacter(at, data[i]);
    if (primaryValue) primary->writeCharacter(at, primaryValue);
    if (secondaryValue == 0x80 && wordUnderscore)
      wordUnderscore->putWordUnderscore(at, rowStart);
    else if (secondaryValue)
      secondary->writeCharacter(at, secondaryValue);
    primaryValue = secondaryValue = 0;
    ++at;
    ++i;
  }
  updateLimits(offset, last);
  primary->updateLimits(offset, last);
  secondary->updateLimits(offset, last);
  return 0;
}
