#include "datastream/FldCrt.h"

#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/FieldFormatBits.h"

namespace {
using namespace field_format;
}  // namespace

int FldCrt::reject(Databyte* db, uint32_t sense) {
  if (sense) db->setDefaultSenseCode(sense);
  db->setDefaultSenseCode(dsm_sense::kPrematureEnd);
  abandon(db);
  return kFsmRejected;
}

void FldCrt::abandon(Databyte* db) {
  // A continued field whose last segment never came is no field: the
  // table forgets its record now, so that nothing half-built outlives the
  // order that failed.
  if (field && db && !db->redefine) db->display->formatTable().discardPartialField(field);
  field = nullptr;
  fcw.reset();
  segmentPending = 0;
  state = kIdle;
}

void FldCrt::storeFFWs(unsigned char byte1, unsigned char byte2) {
  fcw.reset();
  ffw1 = byte1;
  fcw.ffwCopy = byte1;
  ffw2 = byte2;
  wordWrapFlag = continued = noContinued = 0;
}

int FldCrt::fFW(Databyte* db, unsigned char byte1, unsigned char byte2) {
  switch (state) {
    case kIdle:
      storeFFWs(byte1, byte2);
      state = kFFWStored;
      return kFsmTaken;
    case kContinuedOpen:
      // The FFW of a continued field's later segment: the first one holds.
      return kFsmTaken;
    default:
      return notExpected(db);
  }
}

int FldCrt::processInput(Databyte* db) {
  const unsigned char kind = db->value;
  if (state == kIdle || kind < 1 || kind > 3) return notExpected(db);
  switch (kind) {
    case 1:
      if (state != kFFWStored) return reject(db, dsm_sense::kContinuedFieldOpen);
      if (setCEFflag(db) == kFsmRejected) return kFsmRejected;
      state = kFirstSegment;
      return kFsmTaken;
    case 2:
      if (state != kContinuedOpen) return reject(db, dsm_sense::kContinuedFieldOpen);
      continued = 0;
      state = kLastSegment;
      return kFsmTaken;
    default:
      if (state != kContinuedOpen) return reject(db, dsm_sense::kContinuedFieldOpen);
      state = kMiddleSegment;
      return kFsmTaken;
  }
}

int FldCrt::cefNA(Databyte* db) {
  if (state == kIdle) return notExpected(db);
  if (state == kFFWStored) noContinued = 1;
  if (state == kFirstSegment) return reject(db, dsm_sense::kContinuedFieldOpen);
  return kFsmTaken;
}

int FldCrt::wordWrap(Databyte* db) {
  if (state == kIdle) return notExpected(db);
  if (state == kFFWStored || state == kFirstSegment) return setWordWrap(db);
  return kFsmTaken;
}

int FldCrt::setCEFflag(Databyte* db) {
  if (noContinued || (ffw2 & kFillMask) || shift() == kShiftSignedNumeric)
    return reject(db, dsm_sense::kContinuedFieldOpen);
  continued = 1;
  segmentPending = 1;
  return kFsmTaken;
}

int FldCrt::setWordWrap(Databyte* db) {
  const bool allowed = shift() != kShiftSignedNumeric && shift() != kShiftDigitsOnly &&
                       (ffw1 & 0x03) != 0x03 && !(ffw1 & 0x10) && (ffw2 & 0x07) < 5;
  if (!allowed) return reject(db, dsm_sense::kBadFieldControl);
  wordWrapFlag = 1;
  return kFsmTaken;
}

int FldCrt::createField(Databyte* db) {
  int r;
  switch (state) {
    case kIdle:
    case kFFWStored:
      r = createFieldType(db);
      if (r != kFsmRejected) state = kIdle;
      return r;
    case kFirstSegment:
      r = createFieldType(db);
      if (r != kFsmRejected) state = kContinuedOpen;
      return r;
    case kMiddleSegment:
      r = crtEFsegment(db);
      if (r != kFsmRejected) state = kContinuedOpen;
      return r;
    case kLastSegment:
      r = crtEFsegment(db);
      if (r != kFsmRejected) state = kIdle;
      return r;
    default:
      // A continued field open and no continued-entry FCW for its segment.
      return reject(db, dsm_sense::kContinuedFieldOpen);
  }
}

int FldCrt::endOfData(Databyte* db) {
  if (state == kIdle) return kFsmTaken;
  return reject(db, 0);
}

int FldCrt::createFieldType(Databyte* db) {
  if (fcw.ffwCopy == FCW::kNoFFW) {
    // An output field: the attribute is all there is.
    fcw.reset();
    return kFsmFinished;
  }
  FieldClassID id = wordWrapFlag ? kWordWrapField : kLTRField;
  const unsigned int s = shift();
  if (s == kShiftIO && !fcw.selectorPen && fcw.highlight) {
    id = (fcw.highlight & 0x20) ? kSelectionCursorField : kProtectedField;
  } else if (s == kShiftKatakana && dsm_links::rightToLeftLanguage(db->display)) {
    id = wordWrapFlag ? kRTLWordWrapField : kRTLField;
  } else if (s == kShiftSignedNumeric) {
    if (continued) return reject(db, dsm_sense::kContinuedFieldOpen);
    id = kSignedNumericField;
  }
  fieldClass = id;
  return loadFieldParms(db);
}

int FldCrt::loadFieldParms(Databyte* db) {
  FormatTable& table = db->display->formatTable();
  // Checks that need no field come first, so that a refusal leaves the
  // table as it was.
  if (fcw.anyFCW && fcw.highlight > 0x3F && length > 33)
    return reject(db, dsm_sense::kHighlightedFieldTooLong);
  if (fcw.anyFCW) {
    if (const uint32_t sense = fcw.checkFieldData(db)) return reject(db, sense);
  }
  if (!db->redefine) {
    Addresses& a = db->manager->addresses();
    if (a.checkDisplayAddress() != Addresses::kGood) return reject(db, dsm_sense::kBadLength);
    if (segmentPending && a.displayAddrSpacesLeftOnRow() < length)
      return reject(db, dsm_sense::kContinuedFieldOpen);
    if (fieldClass == kSignedNumericField && length < 2)
      return reject(db, dsm_sense::kFieldLengthZero);
  }
  Field* f = table.createField(fieldClass, db->redefine ? field : nullptr, 0);
  if (!f) return reject(db, dsm_sense::kFormatTableFull);
  EntryField* e = static_cast<EntryField*>(f);
  field = e;
  unsigned char flags = 0;
  unsigned char format = static_cast<unsigned char>(ffw1 & 0x07);
  if (ffw1 & 0x20) flags |= Field::kBypass;
  if (ffw1 & 0x10) format |= kDupEnable;
  if (ffw1 & 0x08) flags |= Field::kMDT;
  if (ffw2 & 0x80) flags |= Field::kAutoEnter;
  if (ffw2 & 0x40) format |= kFieldExitRequired;
  if (ffw2 & 0x20) format |= kMonocase;
  if (ffw2 & 0x08) format |= kMandatoryEnter;
  e->clearFlags(Field::kBypass | Field::kMDT | Field::kAutoEnter);
  e->setFlags(flags);
  e->setFormatByte(kFormat, format);
  e->setFormatByte(kControl, static_cast<unsigned char>(ffw2 & kFillMask));
  e->setFormatByte(kCheck, 0);
  e->setFormatByte(kPointerAid, 0);
  e->setProgression(0);
  if (fcw.anyFCW && fcw.loadFieldData(db, e, ffw1) == kFsmRejected) return reject(db, 0);
  fcw.reset();
  return crtEFsegment(db);
}

int FldCrt::crtEFsegment(Databyte* db) {
  if (db->redefine) {
    const int r = continued ? kFieldContinues : kFsmFinished;
    if (r == kFsmFinished) {
      field = nullptr;
      segmentPending = 0;
    }
    return r;
  }
  Addresses& a = db->manager->addresses();
  if (!field) return notExpected(db);
  // A command between the segments (start of header) may have cleared the
  // table: the field waits no longer.
  if (field != db->display->formatTable().fieldBeingBuilt()) {
    field = nullptr;
    return reject(db, dsm_sense::kContinuedFieldOpen);
  }
  if (segmentPending && a.displayAddrSpacesLeftOnRow() < length)
    return reject(db, dsm_sense::kContinuedFieldOpen);
  if (a.checkDisplayAddress() != Addresses::kGood) return reject(db, dsm_sense::kBadLength);
  if (field->getFieldClassID() == kSignedNumericField && length < 2)
    return reject(db, dsm_sense::kFieldLengthZero);
  const unsigned int start = a.displayAddress;
  if (!db->display->formatTable().createEntryFieldSegment(field, start, start + length - 1,
                                                          continued ? 0 : 1))
    return reject(db, dsm_sense::kFormatTableFull);
  if (continued) return kFieldContinues;
  segmentPending = 0;
  field = nullptr;
  return kFsmFinished;
}
