#include "datastream/PMB.h"

#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"
#include "display/ProgrammableMouseButtonsTable.h"
#include "keyboard/AidType.h"

namespace sf = structured_field;

int PMB::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kBadLength); }

int PMB::processInput(Databyte* db) {
  const uint32_t length = sf::lengthAt(db);
  // The length is checked whole before the table changes: entries that do
  // not come in fours would leave a half-programmed table behind.
  if (db->remaining < kHeaderLength || length < kHeaderLength || db->remaining < length ||
      (length - kHeaderLength) % kEntryLength != 0)
    return rejectRecord(db, dsm_sense::kBadLength);
  DisplayBag* d = db->display;
  ProgrammableMouseButtonsTable& table = d->mouseButtons();
  table.clearTable();
  for (uint32_t at = kHeaderLength; at < length; at += kEntryLength) {
    const unsigned char flags = db->peek(at);
    const unsigned char first = db->peek(at + 1);
    const unsigned char second = db->peek(at + 2);
    const unsigned char aid = db->peek(at + 3);
    const bool twoEvents = (flags & PMBTableEntry::kTwoEvent) != 0;
    const auto validEvent = [](unsigned char e) {
      return e >= 1 && e <= ProgrammableMouseButtonsTable::kButtons;
    };
    // A bad entry is skipped; the others still count.
    if (!validEvent(first) || (twoEvents && !validEvent(second))) continue;
    if (aidType(d, aid) == kAidTypeNotAnAid) continue;
    PMBTableEntry entry;
    entry.flags = static_cast<unsigned char>(flags & 0xF0);
    entry.secondButton = twoEvents ? second : 0;
    entry.aid = aid;
    table.addTableEntry(d->services(), first, entry);
  }
  sf::toLastByte(db, length);
  return kFsmFinished;
}
