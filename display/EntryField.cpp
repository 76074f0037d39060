#include "display/EntryField.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/RestoreSense.h"
#include "base/ErrorHalt.h"

namespace {
constexpr unsigned short kModuleEntryField = 2844;
constexpr unsigned short kModuleSegmentLookup = 2825;
}  // namespace

// Every entry class is an EntryField with its own operation table: a record
// can be rebuilt in place as another entry class.
static_assert(sizeof(LTRField) == sizeof(EntryField) && sizeof(RTLField) == sizeof(EntryField) &&
                  sizeof(ProtectedField) == sizeof(EntryField) &&
                  sizeof(SelectionCursorField) == sizeof(EntryField) &&
                  sizeof(WordWrapField) == sizeof(EntryField) &&
                  sizeof(SignedNumericField) == sizeof(EntryField) &&
                  sizeof(RTLWordWrapField) == sizeof(EntryField),
              "entry classes share one record size");

EntryFieldSegment* EntryField::segmentBase() const {
  return reinterpret_cast<EntryFieldSegment*>(
      reinterpret_cast<unsigned char*>(const_cast<EntryField*>(this)) + sizeof(EntryField));
}

const EntryFieldSegment* EntryField::requireSegments() const {
  if (!hasSegments()) ErrorHalt(kModuleEntryField, 1, getFieldClassID());
  return segmentBase();
}

EntryFieldSegment* EntryField::getFirstSegmentPtr() {
  return const_cast<EntryFieldSegment*>(requireSegments());
}
const EntryFieldSegment* EntryField::getFirstSegmentPtr() const { return requireSegments(); }

const EntryFieldSegment* EntryField::getLastSegmentPtr() const {
  const EntryFieldSegment* s = requireSegments();
  while (!s->isLastSegment()) ++s;
  return s;
}
EntryFieldSegment* EntryField::getLastSegmentPtr() {
  return const_cast<EntryFieldSegment*>(static_cast<const EntryField*>(this)->getLastSegmentPtr());
}

unsigned int EntryField::segmentCount() const {
  if (!hasSegments()) return 0;
  return static_cast<unsigned int>(getLastSegmentPtr() - segmentBase()) + 1;
}

unsigned int EntryField::getTotalFieldSize() const {
  unsigned int total = 0;
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    total += s->end - s->start + 1u;
    if (s->isLastSegment()) break;
  }
  return total;
}

void EntryField::reverseFieldData(PresentationSpaceScreenBuffer* ps) {
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    ps->mirrorArea(s->start, s->end);
    if (s->isLastSegment()) break;
  }
}

int EntryField::ownsOffset(unsigned int offset) { return containsOffset(offset, 0); }
int EntryField::isEntryField() { return 1; }
int EntryField::isInputCapableAt(unsigned int) { return isBypass() ? 0 : 1; }

unsigned int EntryField::mirrorOffset(unsigned int offset) {
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    if (offset >= s->start && offset <= s->end) return s->start + s->end - offset;
    if (s->isLastSegment()) break;
  }
  return offset;
}

int EntryField::enterArea(DisplayBag* d, unsigned int offset) {
  return AreaOfScreen::enterArea(d, offset);
}

int EntryField::checkMandatoryEntry() {
  return (format_[0] & kMandatoryEntry) && !isBypass() && !isModified() ? 7 : 0;
}

unsigned int EntryField::getCursorProgressionNumber() { return isResequenced() ? 0 : progression_; }
unsigned int EntryField::getResequenceNumber() { return isResequenced() ? progression_ : 0; }
unsigned int EntryField::getFirstPartEnd() const { return getFirstSegmentPtr()->end; }
unsigned int EntryField::getStartOffset() const { return getFirstSegmentPtr()->start; }

Field* EntryField::getNextRecord() {
  return recordAfter(sizeof(EntryField) + segmentCount() * sizeof(EntryFieldSegment));
}

int EntryField::containsOffset(unsigned int offset, unsigned int) const {
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    if (offset >= s->start && offset <= s->end) return 1;
    if (s->isLastSegment()) return 0;
  }
}

int EntryField::markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) {
  const unsigned int size = d->formatTable().highestOffset() + 1;
  int result = 0;
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    const int r = checkAndUpdateRegionDefinition(map, size, static_cast<unsigned short>(number),
                                                 s->start, s->end);
    if (r == 3) return 3;
    if (r == 2 || result == 0) result = r;
    if (s->isLastSegment()) return result;
  }
}

void EntryField::clearFieldData(DisplayBag* d) {
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  for (const EntryFieldSegment* s = requireSegments();; ++s) {
    if (s->end <= ps.lastOffset()) ps.fillRange(s->start, s->end, 0);
    if (s->isLastSegment()) break;
  }
}

EntryFieldSegment* EntryField::getSegmentForOffset(unsigned int offset) {
  for (EntryFieldSegment* s = getFirstSegmentPtr();; ++s) {
    if (offset >= s->start && offset <= s->end) return s;
    if (s->isLastSegment()) break;
  }
  ErrorHalt(kModuleSegmentLookup, 1, offset);
}

unsigned int EntryField::getSegmentStartAt(unsigned int offset) {
  return getSegmentForOffset(offset)->start;
}
unsigned int EntryField::getSegmentEndAt(unsigned int offset) {
  return getSegmentForOffset(offset)->end;
}


void EntryField::saveField(qrnOStream* out) const {
  Field::saveField(out);
  out->save(format_[0], 8);
  out->save(format_[1], 8);
  out->save(format_[2], 8);
  out->save(progression_, 8);
  const unsigned int n = segmentCount();
  out->hostPut16(n);
  const EntryFieldSegment* s = segmentBase();
  for (unsigned int i = 0; i < n; ++i) {
    out->hostPut16(s[i].start);
    out->hostPut16(s[i].end);
    out->save(static_cast<unsigned char>(s[i].attribute & 0x3F), 8);
  }
  out->save(format_[3], 8);
}

unsigned int EntryField::restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in) {
  Field::restoreField(d, table, in);
  in->restore(format_[0], 8);
  in->restore(format_[1], 8);
  in->restore(format_[2], 8);
  in->restore(progression_, 8);
  unsigned int count = 0;
  in->hostGet16(count);
  if (in->checkRestore()) return RestoreRejected("entry field", "stream ends early");
  if (count == 0 || count > table->unitLimit())
    return RestoreRejected("entry field", "segment count out of range");
  unsigned int previousEnd = 0;
  for (unsigned int i = 0; i < count; ++i) {
    unsigned int start = 0, end = 0;
    unsigned char attribute = 0;
    in->hostGet16(start);
    in->hostGet16(end);
    in->restore(attribute, 8);
    if (in->checkRestore()) return RestoreRejected("entry field", "stream ends early");
    if (start > end || end > table->highestOffset() || (i > 0 && start <= previousEnd))
      return RestoreRejected("entry field", "segment out of range or out of order");
    EntryFieldSegment* s = table->createEntryFieldSegment(this, start, end, i + 1 == count);
    if (!s) return RestoreRejected("entry field", "the format table is full");
    s->attribute = attribute & 0x3F;
    previousEnd = end;
  }
  in->restore(format_[3], 8);
  if (in->checkRestore()) return RestoreRejected("entry field", "stream ends early");
  return 0;
}

void EntryField::asdMoveLeft(DisplayBag*) {}
void EntryField::asdMoveRight(DisplayBag*) {}
int EntryField::asdDeleteCharacter(DisplayBag*) { return 0; }
int EntryField::isSignedNumeric() { return 0; }
unsigned char EntryField::getZeroCharacter() { return 0xF0; }
int EntryField::insertCharacter(DisplayBag*, unsigned char) { return 0; }
int EntryField::asdAtEnd(DisplayBag*) { return 0; }
int EntryField::asdAtStart(DisplayBag*) { return 0; }
unsigned int EntryField::getLogicalEndOffset(DisplayBag*) { return getLastSegmentPtr()->end; }
unsigned int EntryField::getLogicalStartOffset(DisplayBag*) { return getStartOffset(); }
int EntryField::entryHook105() { return 0; }
int EntryField::entryHook106() { return 0; }
int EntryField::entryHook107(DisplayBag*) { return 0; }


int EntryField::entryHook110() { return 0; }
void EntryField::fillForward(DisplayBag*, unsigned int, unsigned char) {}
void EntryField::fillBackward(DisplayBag*, unsigned int, unsigned char) {}
void EntryField::afterErase(DisplayBag*) {}

// Rebuilds the record in place as class `id`, keeping what the host set.
static void RebuildKeeping(EntryField* f, DisplayBag* d, FormatTable* table, FieldClassID id,
                           unsigned int shiftType) {
  const unsigned char flags = f->flags(), progression = f->progression();
  unsigned char format[4];
  for (unsigned int i = 0; i < 4; ++i) format[i] = f->formatByte(i);
  Field* rebuilt = table->createField(id, f, 0);
  if (!rebuilt) return;
  EntryField* e = static_cast<EntryField*>(rebuilt);
  e->setFlags(flags);
  e->setProgression(progression);
  for (unsigned int i = 0; i < 4; ++i) e->setFormatByte(i, format[i]);
  e->setShiftType(shiftType);
}

unsigned int LTRField::getLastCursorOffset(DisplayBag*) { return getLastSegmentPtr()->end; }
unsigned int LTRField::getFirstCursorOffset(DisplayBag*) { return getFirstSegmentPtr()->start; }

void LTRField::toggleOrientation(DisplayBag* d, FormatTable* table) {
  // Only the plain classes turn: a protected, selection-cursor or signed
  // numeric field would come back as a plain one.
  const FieldClassID id = getFieldClassID();
  if (id != kLTRField && id != kWordWrapField) return;
  if (shiftType() > 1) return;
  RebuildKeeping(this, d, table, isWordWrap() ? kRTLWordWrapField : kRTLField, 4);
}

unsigned int RTLField::getLastCursorOffset(DisplayBag*) { return getLastSegmentPtr()->start; }
unsigned int RTLField::getFirstCursorOffset(DisplayBag*) { return getFirstSegmentPtr()->end; }

void RTLField::toggleOrientation(DisplayBag* d, FormatTable* table) {
  RebuildKeeping(this, d, table, isWordWrap() ? kWordWrapField : kLTRField, 0);
}

int ProtectedField::ownsOffset(unsigned int) { return 0; }
int ProtectedField::checkMandatoryEntry() { return 0; }
unsigned int ProtectedField::mirrorOffset(unsigned int offset) { return offset; }

int WordWrapField::isWordWrap() { return 1; }
int RTLWordWrapField::isWordWrap() { return 1; }
int SignedNumericField::isSignedNumeric() { return 1; }

unsigned int SignedNumericField::getLastCursorOffset(DisplayBag*) {
  // The last position holds the sign.
  const EntryFieldSegment* s = getLastSegmentPtr();
  return s->end > s->start ? s->end - 1u : s->end;
}

unsigned char Field::eraseInput(DisplayBag*) { return 0; }

unsigned char EntryField::eraseInput(DisplayBag* d) {
  clearFieldData(d);
  clearFlags(kMDT);
  return 0;
}

// Protected fields hold the host's text, not input.
unsigned char ProtectedField::eraseInput(DisplayBag*) { return 0; }
