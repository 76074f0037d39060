#include "datastream/FCW.h"

#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/FieldFormatBits.h"
#include "keyboard/AidType.h"

namespace {
constexpr uint32_t kDoubleByteDisplay = 0x00800000u;  // characteristics word 0
constexpr uint32_t kColourDisplay = 0x10000000u;      // characteristics word 0
}  // namespace

void FCW::reset() {
  anyFCW = wordWrapMarker = resequence = progression = pointerAid = forwardEdge = 0;
  selectorPen = modulus = transparency = continuedEntry = 0;
  ffwCopy = kNoFFW;
  doubleByte = 0xFF;
  highlight = 0;
}

int FCW::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }

int FCW::processInput(Databyte* db) {
  const unsigned char code = db->value, n = db->peek(1);
  DisplayBag* d = db->display;
  const uint32_t features = d->characteristics().word[0];
  switch (code) {
    case 0x80:
      resequence = n;
      break;
    case 0x81:
      if (n != 1 && n != 2 && n != 3 && n != 6) return kFsmTaken;
      selectorPen |= n;
      anyFCW = 1;
      return kSelectorPen;
    case 0x82:
      if (n != 0x00 && n != 0x20 && n != 0x40 && n != 0x80 && n != 0xC0) return kFsmTaken;
      anyFCW = 1;
      if (!(features & kDoubleByteDisplay)) {
        doubleByte = 0xFFFF;
        return kFsmTaken;
      }
      doubleByte = n;
      return kDoubleByteField;
    case 0x84:
      transparency = 1;
      break;
    case 0x85:
      forwardEdge = 1;
      break;
    case 0x86:
      if (n == 0) {
        db->setSenseCode(dsm_sense::kContinuedFieldOpen);
        return kFsmRejected;
      }
      if (n >= 1 && n <= 3) {
        // Flag word B bit 30 is the station's right-to-left field order:
        // a control word of one field does not turn the whole screen.
        continuedEntry = n;
        anyFCW = 1;
        return kContinuedEntry;
      }
      if (n == 0x80) {
        wordWrapMarker = 1;
        anyFCW = 1;
        return kWordWrap;
      }
      return kFsmTaken;
    case 0x88:
      progression = n;
      break;
    case 0x89: {
      if (db->manager->addresses().displayAddress == Addresses::kNoAddress) return kFsmTaken;
      const bool colour = (features & kColourDisplay) != 0;
      const unsigned int which = n >> 6;
      if (which == 3 || (which == 1 && colour) || (which == 2 && !colour)) return kFsmTaken;
      highlight = n;
      anyFCW = 1;
      return kHighlightAccepted;
    }
    case 0x8A:
      if (n != 0 && aidType(d, n) == kAidTypeNotAnAid) return kFsmRejected;
      pointerAid = n;
      break;
    case 0xB1:
      if (n != 0x40 && n != 0xA0) {
        db->setSenseCode(dsm_sense::kBadSelfCheck);
        return kFsmRejected;
      }
      modulus = n;
      anyFCW = 1;
      return kSelfCheck;
    default:
      return kFsmTaken;
  }
  anyFCW = 1;
  return kFsmTaken;
}

uint32_t FCW::checkFieldData(Databyte* db) const {
  if ((selectorPen || modulus) && wordWrapMarker) return dsm_sense::kBadFieldControl;
  if (dsm_links::fieldSequencing(db->display) && continuedEntry) return dsm_sense::kContinuedFieldOpen;
  return 0;
}

int FCW::loadFieldData(Databyte* db, EntryField* f, unsigned char ffw1) {
  using namespace field_format;
  const bool sequencing = dsm_links::fieldSequencing(db->display) != 0;
  // Everything is checked before the field changes.
  if (const uint32_t sense = checkFieldData(db)) {
    db->setSenseCode(sense);
    reset();
    return kFsmRejected;
  }
  unsigned char byte2 = f->formatByte(kControl);
  unsigned char byte3 = f->formatByte(kCheck);
  if (selectorPen & 4) byte2 |= kSelectorPen4;
  if (selectorPen & 2) byte2 |= kSelectorPen2;
  if (selectorPen & 1) byte2 |= kSelectorPen1;
  if (transparency) byte2 |= kTransparent;
  if (sequencing) {
    f->setProgression(static_cast<unsigned char>(resequence));
    byte2 |= EntryField::kResequenced;
  } else {
    f->setProgression(static_cast<unsigned char>(progression));
  }
  if (forwardEdge) {
    f->setFormatByte(kFormat, static_cast<unsigned char>(f->formatByte(kFormat) | kForwardEdge));
    f->setFlags(Field::kAutoEnter);
  }
  if (highlight) {
    unsigned char h = static_cast<unsigned char>((highlight & 0x1F) | 0x20);
    if ((highlight & 0x20) && (selectorPen || (ffw1 & 0x06) != 0x06)) h = 0;
    byte3 = static_cast<unsigned char>((byte3 & 0xC0) | (h & 0x3F));
  }
  f->setFormatByte(kPointerAid, static_cast<unsigned char>(pointerAid));
  if (modulus) byte3 |= modulus == 0x40 ? kModulus10 : kModulus11;
  f->setFormatByte(kControl, byte2);
  f->setFormatByte(kCheck, byte3);
  reset();
  return kFsmFinished;
}
