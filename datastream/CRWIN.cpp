#include "datastream/CRWIN.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/StructuredField.h"
#include "display/CursorClass.h"
#include "display/DisplayBag.h"

namespace sf = structured_field;

namespace {
constexpr unsigned int kEnptuiSymbols = 2;
}  // namespace

int CRWIN::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kBadStructuredData); }

uint32_t CRWIN::loadMinors(Databyte* db, uint32_t length) {
  uint32_t at = kHeaderLength;
  while (at < length) {
    const uint32_t left = length - at;
    const uint32_t m = db->peek(at);
    const unsigned char type = m >= 2 && at + 1 < length ? db->peek(at + 1) : 0;
    // A title that runs past the end of the record is refused as such.
    if (type == WINTITLE::kType && m > db->remaining - at) return dsm_sense::kTitleBeyondRecord;
    // A minor shorter than its length and type bytes would never advance.
    if (m < 2 || m > left) return dsm_sense::kBadLength;
    const unsigned char* minor = db->current + at;
    if (type == kBorderMinor) {
      if (m < WINBDR::kMinLength || m > WINBDR::kMaxLength) return dsm_sense::kBadMinorLength;
      border_.load(db->display, minor, m);
    } else if (type == WINTITLE::kType) {
      if (m <= WINTITLE::kTextOffset) return dsm_sense::kBadMinorLength;
      title_.load(db->display, minor, m);
    }
    at += m;
  }
  return 0;
}

int CRWIN::processInput(Databyte* db) {
  const uint32_t length = sf::lengthAt(db);
  if (length < kHeaderLength || db->remaining < length) return rejectRecord(db, dsm_sense::kBadLength);
  DisplayBag* d = db->display;
  flags_ = db->peek(4);
  reserved_ = db->peek(5);
  depth_ = db->peek(7);
  width_ = db->peek(8);
  Addresses& addresses = db->manager->addresses();
  if (!addresses.windowFits(depth_, width_)) return rejectRecord(db, dsm_sense::kBadStructuredData);
  border_.setDefaults(d, false);
  title_.reset();
  if (const uint32_t sense = loadMinors(db, length)) return rejectRecord(db, sense);

  // Accepted: from here on the station changes.
  db->manager->deleteWPModeChars();
  if (WINBDR::guiCapable(d)) d->setTextOrEnptuiSymbolsInUse(kEnptuiSymbols);
  uint32_t row = 0, column = 0;
  addresses.checkWindowLocation(row, depth_, column, width_);
  start_ = addresses.windowAddress;
  if (flags_ & kRestrictCursor)
    d->cursor().setWindowRestrictedCursorMovement(column, column + width_ - 1, row,
                                                  row + depth_ - 1);
  else
    d->cursor().resetWindowRestrictedCursorMovement();
  const bool pullDown = (flags_ & kPullDown) != 0;
  border_.show(d, start_, depth_, width_, pullDown);
  title_.show(d, start_, depth_, width_, pullDown);
  sf::toLastByte(db, length);
  return kFsmFinished;
}
