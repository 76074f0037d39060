#include "datastream/RMGUICON.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/SelectionField.h"

namespace sf = structured_field;

namespace {
constexpr unsigned char kPlain[32] = {
    0x00, 0xC1, 0xE5, 0x4C, 0x04, 0x6E, 0x06, 0x07, 0x4B, 0x09, 0x7A, 0x4B, 0x4B, 0x7A, 0x0E, 0x0F,
    0x10, 0x11, 0x7A, 0x4B, 0x40, 0x61, 0x4B, 0x61, 0x18, 0x5C, 0x7A, 0x60, 0x1C, 0x5C, 0x1E, 0x1F};
}  // namespace

unsigned char RMGUICON::plainCharacter(unsigned char symbol) {
  return symbol < sizeof(kPlain) ? kPlain[symbol] : symbol;
}

int RMGUICON::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kBadLength); }

int RMGUICON::processInput(Databyte* db) {
  const uint32_t length = sf::lengthAt(db);
  if (length < sf::kHeaderBytes || db->remaining < length) return rejectRecord(db, dsm_sense::kBadLength);
  const unsigned char type = db->peek(3);
  const uint32_t required = type == kRemoveSelectionField || type == kRemoveScrollBar ? 6 : 7;
  if (length != required) return rejectRecord(db, dsm_sense::kBadLength);
  const unsigned char flags = db->peek(4);
  DisplayBag* d = db->display;
  Addresses& addresses = db->manager->addresses();
  switch (type) {
    case kRemoveWindow:
      addresses.removeGUIWindowStuff(false);
      break;
    case kRemoveSelectionField: {
      if (addresses.checkDisplayAddress() != Addresses::kGood)
        return rejectRecord(db, dsm_sense::kBadLength);
      Field* f = d->formatTable().getFieldByStartOffset(addresses.displayAddress + 1);
      if (f && f->getFieldClassID() == kSelectionField)
        static_cast<SelectionField*>(f)->removeGUISelectionFieldConstructs(d);
      break;
    }
    case kRemoveScrollBar:
      break;
    default: {
      if ((flags & kReplaceSymbols) && (d->modeFlagsB() & DisplayBag::kBEnptuiSymbols)) {
        PresentationSpaceScreenBuffer& ps = d->presentationSpace();
        for (unsigned int p = 0; p <= addresses.lastDisplayAddress; ++p) {
          const unsigned char c = ps.getCharacter(p);
          if (c >= 0x01 && c <= 0x1F && plainCharacter(c) != c) ps.writeCharacter(p, plainCharacter(c));
        }
      }
      addresses.removeGUIWindowStuff(true);
      break;
    }
  }
  sf::toLastByte(db, length);
  return kFsmFinished;
}
