#include "datastream/SF.h"

#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "keyboard/KeyboardState.h"

int SF::reject(Databyte* db, uint32_t sense) {
  if (sense) db->setDefaultSenseCode(sense);
  db->setDefaultSenseCode(dsm_sense::kPrematureEnd);
  fldCrt.abandon(db);
  nextSegment = nullptr;
  db->redefine = 0;
  db->fieldUnderConstruction = nullptr;
  return kFsmRejected;
}

int SF::endOfDS(Databyte* db) { return reject(db, dsm_sense::kPrematureEnd); }

int SF::doSF(Databyte* db) {
  if (db->remaining < 2) return endOfDS(db);
  db->loadNextValue(1);
  unsigned char mode = kNewField;
  db->redefine = 0;
  if ((db->value & 0xC0) == 0x40) {
    const int r = inputField(db, mode);
    if (r != kFsmTaken) return r;
  }
  return attribute(db, mode);
}

int SF::inputField(Databyte* db, unsigned char& mode) {
  if (db->remaining < 5) return endOfDS(db);
  DataStreamManager& m = *db->manager;
  DisplayBag* d = db->display;
  Addresses& a = m.addresses();
  uint32_t first = 0;
  if (a.checkSbaR1C1(first) != Addresses::kGood) return reject(db, dsm_sense::kBadLength);

  EntryField* existing = nullptr;
  bool found = false;
  if (!nextSegment) {
    if (Field* f = d->formatTable().getFieldByStartOffset(first)) {
      const int may = f->fieldHook54(d);
      if (may == 1 && f->isEntryField()) {
        mode = kRedefine;
      } else if (may == 4 && f->isEntryField()) {
        mode = kNextSegment;
        nextSegment = static_cast<EntryField*>(f)->getFirstSegmentPtr();
      } else {
        return reject(db, dsm_sense::kFormatTableInvalid);
      }
      existing = static_cast<EntryField*>(f);
      found = true;
    }
  } else {
    // A redefined continued field takes its segments in order, and only
    // while the table still holds it.
    if (!fldCrt.field || !d->formatTable().contains(fldCrt.field) || nextSegment->start != first)
      return reject(db, dsm_sense::kFormatTableInvalid);
    mode = kNextSegment;
  }

  if (!dsm_links::typeAheadOption(d)) dsm_links::resetPendingAid(d);
  if (m.wtdCsr().locked(db) == kFsmRejected) return reject(db, 0);
  const unsigned int ks = d->keyboardState().state();
  const bool inError = ks == KeyboardState::kError || ks == KeyboardState::kPostHelpError;
  m.keyboardTo(db, inError ? ks : KeyboardState::kNormalLocked, inError);

  if (mode != kNewField) {
    db->redefine = 1;
    if (existing) fldCrt.field = existing;
  }
  if (fldCrt.fFW(db, db->value, db->peek(1)) == kFsmRejected) return reject(db, 0);
  if (found) {
    db->fieldUnderConstruction = &fldCrt;
    const int check = existing->checkFieldCreation(d, db);
    db->fieldUnderConstruction = nullptr;
    if (check == kFsmRejected) return reject(db, dsm_sense::kFormatTableInvalid);
  }
  db->loadNextValue(2);
  return fieldControlWords(db, mode);
}

int SF::fieldControlWords(Databyte* db, unsigned char mode) {
  while (db->value & 0x80) {
    if (db->remaining < 5) return endOfDS(db);
    if (mode == kNewField || db->value == 0x86) {
      int r = fldCrt.fCW(db);
      switch (r) {
        case kFsmRejected:
          return reject(db, 0);
        case FCW::kSelectorPen:
        case FCW::kSelfCheck:
          r = fldCrt.cefNA(db);
          break;
        case FCW::kWordWrap:
          r = fldCrt.wordWrap(db);
          break;
        case FCW::kContinuedEntry:
          if (mode != kRedefine) {
            const unsigned char code = db->value;
            db->setValue(db->peek(1));
            r = fldCrt.processInput(db);
            db->setValue(code);
          }
          break;
        default:
          break;
      }
      if (r == kFsmRejected) return reject(db, 0);
    }
    db->loadNextValue(2);
  }
  return kFsmTaken;
}

int SF::attribute(Databyte* db, unsigned char mode) {
  if (db->remaining < 3) return endOfDS(db);
  const unsigned char attr = db->value;
  if (attr < 0x20 || attr > 0x3F) return reject(db, dsm_sense::kBadFieldAttribute);
  DataStreamManager& m = *db->manager;
  DisplayBag* d = db->display;
  Addresses& a = m.addresses();
  uint32_t at = 0;
  if (a.checkAttrR1C1Inc(at) != Addresses::kGood) return reject(db, dsm_sense::kFieldOutsideScreen);
  if (at == Addresses::kNoAddress) {
    if ((attr & 0x07) == 0x07) return reject(db, dsm_sense::kBadRowColumn);
  } else {
    d->presentationSpace().writeCharacter(at, attr);
  }

  uint32_t end = 0, length = 0;
  const uint32_t start = a.displayAddress;
  if (mode == kNewField) {
    length = static_cast<uint32_t>(db->peek(1)) << 8 | db->peek(2);
    if (length == 0) return reject(db, dsm_sense::kFieldLengthZero);
    end = start + length;
    if (end > a.displayPositions()) return reject(db, dsm_sense::kFieldOutsideScreen);
  } else if (mode == kNextSegment) {
    end = nextSegment->end + 1u;
    length = end - nextSegment->start;
  } else {
    end = FormatTable::lastPositionOf(fldCrt.field) + 1u;
    length = end - fldCrt.field->getStartOffset();
  }
  db->loadNextValue(2);
  fieldLength = length;
  fldCrt.length = length;
  const int edge = a.checkFieldEnd(end);
  if (mode == kNewField && edge == 0) {
    PresentationSpaceScreenBuffer& ps = d->presentationSpace();
    if (end <= ps.lastOffset() && ps.getCharacter(end) != 0x20) ps.writeCharacter(end, 0x20);
  }

  const int r = fldCrt.createField(db);
  if (r == kFsmRejected) return reject(db, 0);
  if (mode == kNextSegment && nextSegment) {
    nextSegment = nextSegment->isLastSegment() || r != FldCrt::kFieldContinues ? nullptr
                                                                               : nextSegment + 1;
  }
  db->redefine = 0;
  return r;
}
