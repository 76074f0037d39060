#include "datastream/SBF.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "datastream/ScrollBarLayout.h"
#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/ScrollBarField.h"

namespace sf = structured_field;

namespace {
// Minor structures: scroll-bar indicators.
constexpr unsigned char kIndicatorsMinor = 0x03;
constexpr uint32_t kMinorMinLength = 4;

uint32_t Get32(const Databyte* db, uint32_t at) {
  return static_cast<uint32_t>(db->peek(at)) << 24 | static_cast<uint32_t>(db->peek(at + 1)) << 16 |
         static_cast<uint32_t>(db->peek(at + 2)) << 8 | db->peek(at + 3);
}
}  // namespace

int SBF::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }

int SBF::processInput(Databyte* db) {
  const uint32_t length = sf::lengthAt(db);
  if (length < kHeaderLength) return rejectRecord(db, dsm_sense::kBadLength);
  if (db->remaining < length) return rejectRecord(db, dsm_sense::kPrematureEnd);
  DisplayBag* d = db->display;
  const uint32_t word0 = d->characteristics().word[0];
  flags_ = db->peek(4);
  vertical_ = !(flags_ & kHorizontal);
  look_ = DefaultScrollBarLook(word0, vertical_);
  Addresses& addresses = db->manager->addresses();
  if (addresses.checkDisplayAddress() != 0) return rejectRecord(db, dsm_sense::kBadLength);
  address_ = addresses.displayAddress;
  total_ = Get32(db, 6);
  position_ = Get32(db, 10);
  size_ = db->peek(14);
  const unsigned int columns = d->columns(), rows = d->rows();
  const unsigned int row = address_ / columns + 1, column = address_ % columns;
  // Sizes and positions in 64 bits: a host's total near 2^32 must not wrap.
  const uint64_t position = position_, size = size_, total = total_;
  if (vertical_) {
    if (size <= 2 || position + size > total) return rejectRecord(db, dsm_sense::kBadScrollBarSize);
    if (row + size > rows + 1 || column + 3 > columns) return rejectRecord(db, dsm_sense::kScrollBarOutsideScreen);
  } else {
    if (column + size > columns) return rejectRecord(db, dsm_sense::kScrollBarOutsideScreen);
    if (size <= 6 || position + size - 2 > total) return rejectRecord(db, dsm_sense::kBadScrollBarSize);
  }
  for (uint32_t at = kHeaderLength; at < length;) {
    const uint32_t n = db->peek(at);
    // A minor shorter than its length and type bytes would never advance.
    if (n < kMinorMinLength || n > length - at) return rejectRecord(db, dsm_sense::kBadLength);
    if (db->peek(at + 1) == kIndicatorsMinor)
      if (const uint32_t sense = LoadScrollBarIndicators(word0, db->current + at, n, look_))
        return rejectRecord(db, sense);
    at += n;
  }

  // The place: free, or a scroll bar of the same orientation and size that
  // this one replaces; no cell may belong to another field.
  const FieldClassID id = vertical_ ? kVerticalScrollBar : kHorizontalScrollBar;
  const unsigned int barSize = vertical_ ? size_ : size_ - 2u;
  const unsigned int first = address_ + 1, step = vertical_ ? columns : 1;
  FormatTable& table = d->formatTable();
  Field* old = nullptr;
  for (Field* f = table.firstRecord(); f; f = table.nextRecord(f)) {
    const FieldClassID other = f->getFieldClassID();
    if (f->getStartOffset() == first && (other == kVerticalScrollBar || other == kHorizontalScrollBar)) {
      if (other != id || f->fieldHook55(d, barSize) != 0) return rejectRecord(db, dsm_sense::kBadStructuredData);
      old = f;
      continue;
    }
    for (unsigned int i = 0; i < barSize; ++i)
      if (f->containsOffset(first + i * step, columns)) return rejectRecord(db, dsm_sense::kFormatTableInvalid);
  }
  // Fields are kept in screen order: a new bar follows every other field.
  if (!old && (static_cast<long>(first) <= table.highestUsedPosition() || table.fieldBeingBuilt()))
    return rejectRecord(db, dsm_sense::kFormatTableInvalid);

  // Accepted: from here on the station changes.
  auto* bar = static_cast<ScrollBarField*>(table.createField(id, old, 0));
  if (!bar) return rejectRecord(db, dsm_sense::kFormatTableFull);
  db->manager->deleteWPModeChars();
  bar->setScrollBarParameters(first, total_, position_, barSize);
  bar->setBarCharacters(look_.shaft, look_.slider);
  const bool arrows = ScrollBarHasArrows(vertical_, size_);
  if (flags_ & kCursorFollowsClick) bar->setBarFlags(ScrollBarField::kCursorFollowsClick);
  if (flags_ & kModified) bar->setFlags(Field::kMDT);
  PaintScrollBar(d, addresses, bar, look_, vertical_, arrows);
  sf::toLastByte(db, length);
  return kFsmFinished;
}
