#include "display/FormatTable.h"

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "display/ScrollBarField.h"
#include "display/SelectionField.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned short kModule = 2836;

static_assert(sizeof(VerticalScrollBar) == sizeof(HorizontalScrollBar), "one scroll-bar size");

unsigned int CostOf(FieldClassID id, unsigned int choices) {
  if (id == kSelectionField) return 2 * choices;
  if (id == kHorizontalScrollBar || id == kVerticalScrollBar) return 3;
  return 1;
}

// The bytes a new record of class `id` will need, its parts included.
unsigned long BytesOf(FieldClassID id, unsigned int choices) {
  if (IsEntryFieldClass(id)) return sizeof(EntryField) + sizeof(EntryFieldSegment);
  if (id == kSelectionField) return sizeof(SelectionField) + choices * sizeof(SelectionFieldChoice);
  return sizeof(VerticalScrollBar);
}

unsigned long Distance(const void* from, const void* to) {
  return static_cast<unsigned long>(static_cast<const unsigned char*>(to) -
                                    static_cast<const unsigned char*>(from));
}
}  // namespace

FormatTable::FormatTable(DisplayBag* owner, unsigned int positions, unsigned char* arena,
                         unsigned int arenaSize)
    : owner_(owner),
      arena_(arena),
      savedArena_(arena),
      arenaSize_(static_cast<unsigned short>(arenaSize)),
      savedArenaSize_(static_cast<unsigned short>(arenaSize)),
      highest_(static_cast<unsigned short>(positions - 1)) {
  if (positions == 0 || positions > 65536 || arenaSize > 65535) ErrorHalt(kModule, 1, positions);
  commonInitialization();
  flags_ &= ~(kSystemRequestMode | kReversed | kReversalSuspended);
}

unsigned int FormatTable::columns() const { return owner_->columns(); }
bool FormatTable::screenReversed() const { return owner_->screenReversed(); }

void FormatTable::commonInitialization() {
  pendingSegments_ = 0;
  last_ = nullptr;
  building_ = nullptr;
  units_ = fieldCount_ = progressionCount_ = 0;
  setLTRFieldOrder();
  flags_ |= kValidated;
  flags_ &= ~(kDrawButtons | kButtonsDrawn);
}

void FormatTable::clearFormatTable() {
  if (flags_ & kSystemRequestMode) exitSystemRequestMode();
  owner_->presentationSpace().releaseReversedFieldData();
  if (flags_ & kButtonsDrawn) owner_->getRendering()->erasePushButtons(0, highest_ + 1u);
  commonInitialization();
}

bool FormatTable::fits(const void* place, unsigned long bytes) const {
  const unsigned char* p = static_cast<const unsigned char*>(place);
  return p >= arena_ && p <= arenaEnd() && bytes <= Distance(p, arenaEnd());
}

unsigned char* FormatTable::appendPlace() const {
  if (!last_) return arena_;
  return reinterpret_cast<unsigned char*>(last_->getNextRecord());
}

bool FormatTable::contains(const Field* f) const {
  for (Field* r = firstRecord(); r; r = nextRecord(r))
    if (r == f) return true;
  return false;
}

Field* FormatTable::firstRecord() const {
  return fieldCount_ ? reinterpret_cast<Field*>(arena_) : nullptr;
}

Field* FormatTable::nextRecord(Field* f) const {
  if (!f || f == last_) return nullptr;
  return f->getNextRecord();
}

EntryField* FormatTable::pendingEntryField() const { return building_; }

Field* FormatTable::createFieldBasedOnFieldID(FieldClassID id, Field* place,
                                              unsigned char choices) {
  switch (id) {
    case kLTRField: return new (place) LTRField();
    case kRTLField: return new (place) RTLField();
    case kProtectedField: return new (place) ProtectedField();
    case kSelectionCursorField: return new (place) SelectionCursorField();
    case kSignedNumericField: return new (place) SignedNumericField();
    case kWordWrapField: return new (place) WordWrapField();
    case kRTLWordWrapField: return new (place) RTLWordWrapField();
    case kSelectionField: return new (place) SelectionField(choices);
    case kHorizontalScrollBar: return new (place) HorizontalScrollBar();
    case kVerticalScrollBar: return new (place) VerticalScrollBar();
    default: return nullptr;
  }
}

Field* FormatTable::createField(FieldClassID id, Field* existing, unsigned char choices) {
  if (!IsFieldClass(id)) {
    LogMsg(LevelWarning, "QWC0420 field class %u refused\n", static_cast<unsigned int>(id));
    return nullptr;
  }
  if (existing) {
    // Rebuilt in place: it must be a complete record of this table.
    if (!contains(existing)) ErrorHalt(kModule, 2, Distance(arena_, existing));
    const FieldClassID old = existing->getFieldClassID();
    const bool oldEntry = IsEntryFieldClass(old), newEntry = IsEntryFieldClass(id);
    if (id == kSelectionField) {
      SelectionField* s = static_cast<SelectionField*>(existing);
      if (old != kSelectionField || s->choiceCount() != choices) return nullptr;
      if (s->selectionType() == SelectionField::kTypePushButtons) {
        for (unsigned int i = 0; i < s->builtChoices(); ++i) {
          const SelectionFieldChoice* c = s->choice(i);
          if (!(c->layout & SelectionFieldChoice::kPushButton)) continue;
          unsigned int a = c->start, b = c->end;
          if (screenReversed()) {
            a = owner_->presentationSpace().reverseAddress(a);
            b = owner_->presentationSpace().reverseAddress(b);
          }
          owner_->getRendering()->erasePushButtons(a, b);
        }
      }
    } else if (id == kHorizontalScrollBar || id == kVerticalScrollBar) {
      if (old != id) return nullptr;
    } else if (!newEntry || !oldEntry) {
      return nullptr;
    }
    const unsigned int back = existing->backLink();
    Field* f = createFieldBasedOnFieldID(id, existing, choices);
    f->setBackLink(back);
    if (newEntry || id == kSelectionField) f->setFlags(Field::kHasParts);
    if (id == kHorizontalScrollBar || id == kVerticalScrollBar)
      static_cast<ScrollBarField*>(f)->setColumns(columns());
    flags_ &= ~kValidated;
    return f;
  }

  if (building_) {
    LogMsg(LevelWarning, "QWC0421 field refused: an entry field still waits for its segments\n");
    return nullptr;
  }
  const unsigned int cost = CostOf(id, choices);
  if (units_ + cost > unitLimit_) return nullptr;
  unsigned char* place = appendPlace();
  if (!fits(place, BytesOf(id, choices))) return nullptr;
  Field* f = createFieldBasedOnFieldID(id, reinterpret_cast<Field*>(place), choices);
  f->setBackLink(last_ ? Distance(last_, place) : 0);
  if (IsEntryFieldClass(id)) {
    building_ = static_cast<EntryField*>(f);
  } else {
    units_ = static_cast<unsigned short>(units_ + cost);
    last_ = f;
    ++fieldCount_;
    if (id != kSelectionField) static_cast<ScrollBarField*>(f)->setColumns(columns());
  }
  flags_ &= ~kValidated;
  return f;
}

EntryFieldSegment* FormatTable::createEntryFieldSegment(EntryField* field, unsigned int start,
                                                        unsigned int end, unsigned int last) {
  if (!field || field != building_) ErrorHalt(kModule, 7, Distance(arena_, field));
  if (start > end || end > highest_) {
    LogMsg(LevelWarning, "QWC0422 segment %u-%u refused\n", start, end);
    return nullptr;
  }
  if (units_ + pendingSegments_ >= unitLimit_) return nullptr;
  EntryFieldSegment* base = reinterpret_cast<EntryFieldSegment*>(
      reinterpret_cast<unsigned char*>(field) + sizeof(EntryField));
  EntryFieldSegment* place = base + pendingSegments_;
  if (!fits(place, sizeof(EntryFieldSegment))) return nullptr;
  if (pendingSegments_ > 0 && start <= place[-1].end) {
    LogMsg(LevelWarning, "QWC0422 segment %u-%u refused: out of order\n", start, end);
    return nullptr;
  }
  EntryFieldSegment* s = new (place) EntryFieldSegment(start, end);
  if (pendingSegments_ == 0) {
    field->setFlags(Field::kHasParts);
    s->flags |= EntryFieldSegment::kFirst;
  } else {
    place[-1].flags &= static_cast<unsigned char>(~EntryFieldSegment::kLast);
  }
  s->flags |= EntryFieldSegment::kLast;
  ++pendingSegments_;
  if (last) {
    units_ = static_cast<unsigned short>(units_ + pendingSegments_);
    ++fieldCount_;
    pendingSegments_ = 0;
    last_ = field;
    building_ = nullptr;
    flags_ &= ~kValidated;
  }
  return s;
}

void FormatTable::discardPartialField(EntryField* field) {
  if (!field || field != building_) return;
  building_ = nullptr;
  pendingSegments_ = 0;
  if (fieldCount_) flags_ &= ~kValidated;
}

SelectionFieldChoice* FormatTable::createSelectionFieldChoice(SelectionField* field,
                                                              unsigned int start, unsigned int end,
                                                              unsigned int button) {
  // Choices follow the field they belong to, which is the last one.
  if (!field || field != last_) ErrorHalt(kModule, 10, Distance(arena_, field));
  const unsigned int n = field->builtChoices();
  if (start > end || end > highest_ || n >= field->choiceCount()) {
    LogMsg(LevelWarning, "QWC0423 choice %u-%u refused\n", start, end);
    return nullptr;
  }
  SelectionFieldChoice* place = field->choiceBase() + n;
  if (!fits(place, sizeof(SelectionFieldChoice))) return nullptr;
  SelectionFieldChoice* previous = n ? place - 1 : nullptr;
  if (previous && start < previous->end) {
    LogMsg(LevelWarning, "QWC0423 choice %u-%u refused: out of order\n", start, end);
    return nullptr;
  }
  SelectionFieldChoice* c = new (place) SelectionFieldChoice(start, end);
  if (previous) {
    previous->layout &= static_cast<unsigned char>(~SelectionFieldChoice::kLastChoice);
  } else {
    field->setFlags(Field::kHasParts);
    c->layout |= SelectionFieldChoice::kFirstChoice;
  }
  c->layout |= SelectionFieldChoice::kLastChoice;
  if (previous && rowOf(previous->start) == rowOf(start)) {
    c->column = static_cast<unsigned char>(previous->column + 1);
    previous->layout &= static_cast<unsigned char>(~SelectionFieldChoice::kLastOnRow);
  } else {
    c->layout |= SelectionFieldChoice::kFirstOnRow;
    c->column = 1;
  }
  c->layout |= SelectionFieldChoice::kLastOnRow;
  if (button) {
    c->layout |= SelectionFieldChoice::kPushButton;
    flags_ |= kDrawButtons;
  }
  flags_ &= ~kValidated;
  return c;
}

bool FormatTable::checkOffset(unsigned int offset, unsigned short code) const {
  if (offset > highest_) ErrorHalt(kModule, code, offset);
  return true;
}

AreaOfScreen* FormatTable::getArea(unsigned int offset) {
  const unsigned int cols = columns();
  unsigned int i = 0;
  for (Field* f = firstRecord(); f && i < fieldCount_; f = nextRecord(f), ++i) {
    if (f->containsOffset(offset, cols)) return f;
    if (f->getStartOffset() > offset) break;
  }
  return &output_;
}

Field* FormatTable::getField(unsigned int offset) {
  checkOffset(offset, 12);
  AreaOfScreen* a = getArea(offset);
  return a == &output_ ? nullptr : static_cast<Field*>(a);
}

AreaOfScreen* FormatTable::getNonBypassArea(unsigned int offset) {
  checkOffset(offset, 14);
  AreaOfScreen* a = getArea(offset);
  if (a != &output_ && static_cast<Field*>(a)->isBypass()) return &output_;
  return a;
}

Field* FormatTable::getFieldByStartOffset(unsigned int offset) {
  for (Field* f = last_; f; f = f == firstRecord() ? nullptr : f->previousRecord())
    if (f->getStartOffset() == offset) return f;
  return nullptr;
}

unsigned int FormatTable::fieldNumber(Field* target) const {
  unsigned int n = 0;
  for (Field* f = firstRecord(); f; f = nextRecord(f)) {
    if (f->countsAsField()) ++n;
    if (f == target) return f->countsAsField() ? n : 0;
  }
  return 0;
}

Field* FormatTable::getSpecificField(unsigned int n, unsigned int mode) {
  if (n == 0) return nullptr;
  unsigned int i = 0;
  for (Field* f = firstRecord(); f; f = nextRecord(f)) {
    if (mode == 1) {
      if (!f->countsAsField()) continue;
      if (++i == n) return f->isBypass() ? nullptr : f;
    } else if (++i == n) {
      return f;
    }
  }
  return nullptr;
}

Field* FormatTable::getFirstNonBypassField() {
  for (Field* f = firstRecord(); f; f = nextRecord(f))
    if (!f->isBypass()) return f;
  return nullptr;
}

Field* FormatTable::getLastNonBypassField() {
  for (Field* f = last_; f; f = f == firstRecord() ? nullptr : f->previousRecord())
    if (!f->isBypass()) return f;
  return nullptr;
}

Field* FormatTable::getNextNonBypassFieldInLTROrder(Field* from, unsigned int& wrapped,
                                                    unsigned int offset) {
  checkOffset(offset, 13);
  Field* f = firstRecord();
  if (from) {
    offset = from->getStartOffset();
    f = from;
  }
  for (; f; f = nextRecord(f)) {
    if (f->getStartOffset() > offset && !f->isBypass()) {
      wrapped = 0;
      return f;
    }
  }
  wrapped = 1;
  return getFirstNonBypassField();
}

Field* FormatTable::getPreviousNonBypassFieldInLTROrder(Field* from, unsigned int offset) {
  checkOffset(offset, 16);
  Field* f = last_;
  if (from) {
    offset = from->getStartOffset();
    f = from;
  }
  for (; f; f = f == firstRecord() ? nullptr : f->previousRecord())
    if (f->getFirstPartEnd() < offset && !f->isBypass()) return f;
  return getLastNonBypassField();
}

Field* FormatTable::getRightMostNonBypassFieldOnLine(Field* from, unsigned int offset) {
  Field* r = from;
  for (unsigned int guard = 0; r && guard <= fieldCount_; ++guard) {
    unsigned int wrapped = 0;
    Field* n = getNextNonBypassFieldInLTROrder(r, wrapped, 0);
    if (!n || wrapped || rowOf(n->getStartOffset()) != rowOf(offset) || n->getStartOffset() <= offset)
      break;
    r = n;
  }
  return r;
}

Field* FormatTable::getNextNonBypassFieldInRTLOrder(Field* from, unsigned int& wrapped,
                                                    unsigned int offset) {
  checkOffset(offset, 20);
  const unsigned int current = from ? from->getStartOffset() : offset;
  wrapped = 0;
  Field* p = getPreviousNonBypassFieldInLTROrder(from, offset);
  if (!p) return nullptr;
  if (rowOf(p->getStartOffset()) == rowOf(current)) {
    wrapped = p->getStartOffset() >= current ? 1 : 0;
    return p;
  }
  unsigned int w = 0;
  Field* n = getNextNonBypassFieldInLTROrder(from, w, offset);
  for (unsigned int guard = 0; n && !w && rowOf(n->getStartOffset()) == rowOf(current) &&
                               guard <= fieldCount_; ++guard)
    n = getNextNonBypassFieldInLTROrder(n, w, 0);
  if (!n) return nullptr;
  wrapped = w;
  return getRightMostNonBypassFieldOnLine(n, n->getStartOffset());
}

Field* FormatTable::getPreviousNonBypassFieldInRTLOrder(Field* from, unsigned int offset) {
  checkOffset(offset, 21);
  const unsigned int current = from ? from->getStartOffset() : offset;
  unsigned int w = 0;
  Field* n = getNextNonBypassFieldInLTROrder(from, w, offset);
  if (!n) return nullptr;
  if (!w && rowOf(n->getStartOffset()) == rowOf(current)) return n;
  Field* p = getPreviousNonBypassFieldInLTROrder(from, offset);
  for (unsigned int guard = 0; p && rowOf(p->getStartOffset()) == rowOf(current) &&
                               guard <= fieldCount_; ++guard)
    p = getPreviousNonBypassFieldInLTROrder(p, 0);
  if (!p) return nullptr;
  const unsigned int row = rowOf(p->getStartOffset());
  for (unsigned int guard = 0; guard <= fieldCount_; ++guard) {
    Field* q = getPreviousNonBypassFieldInLTROrder(p, 0);
    if (!q || rowOf(q->getStartOffset()) != row || q->getStartOffset() >= p->getStartOffset()) break;
    p = q;
  }
  return p;
}

Field* FormatTable::getNextLogicalNonBypassField(Field* from, unsigned int& wrapped,
                                                 unsigned int offset) {
  if (flags_ & kRTLOrder) return getNextNonBypassFieldInRTLOrder(from, wrapped, offset);
  return getNextNonBypassFieldInLTROrder(from, wrapped, offset);
}

Field* FormatTable::getPreviousLogicalNonBypassField(Field* from, unsigned int offset) {
  if (flags_ & kRTLOrder) return getPreviousNonBypassFieldInRTLOrder(from, offset);
  return getPreviousNonBypassFieldInLTROrder(from, offset);
}

Field* FormatTable::getPreviousCursorProgressionField(Field* f) {
  if (progressionCount_ == 0) return nullptr;
  const unsigned int number = fieldNumber(f);
  if (number == 0) ErrorHalt(kModule, 15, Distance(arena_, f));
  for (Field* r = firstRecord(); r; r = nextRecord(r))
    if (!r->isBypass() && r->getCursorProgressionNumber() == number) return r;
  return nullptr;
}

unsigned int FormatTable::getDefaultCursorOffset() {
  const bool rtl = (flags_ & kRTLOrder) != 0;
  const unsigned int origin = rtl ? columns() - 1 : 0;
  Field* f = getField(origin);
  if (f && !f->isBypass()) return f->getFirstCursorOffset(owner_);
  unsigned int wrapped = 0;
  Field* n = rtl ? getNextNonBypassFieldInLTROrder(getField(0), wrapped, 0)
                 : getNextNonBypassFieldInLTROrder(nullptr, wrapped, 0);
  return n ? n->getFirstCursorOffset(owner_) : origin;
}

void FormatTable::getFirstAndLastEntryFieldOffsetForScreenRefresh(int& first, unsigned int& last) {
  Field* f = firstRecord();
  if (!f) {
    first = -1;
    last = 0;
    return;
  }
  first = static_cast<int>(f->getStartOffset());
  // A continued field ends with its last segment, not its first.
  last = lastPositionOf(last_);
}

unsigned int FormatTable::lastPositionOf(Field* f) {
  const FieldClassID id = f->getFieldClassID();
  if (IsEntryFieldClass(id)) return static_cast<EntryField*>(f)->getLastSegmentPtr()->end;
  if (id == kSelectionField) {
    SelectionField* s = static_cast<SelectionField*>(f);
    const unsigned int n = s->builtChoices();
    return n ? s->choice(n - 1)->end : 0;
  }
  return f->getFirstPartEnd();
}

long FormatTable::highestUsedPosition() const {
  long highest = -1;
  for (Field* f = firstRecord(); f; f = nextRecord(f)) {
    const long p = lastPositionOf(f);
    if (p > highest) highest = p;
  }
  return highest;
}

unsigned int FormatTable::masterMDT() {
  for (Field* f = firstRecord(); f; f = nextRecord(f))
    if (f->isModified()) return 1;
  return 0;
}

int FormatTable::validateFormatTable(Field** bad) {
  if (flags_ & kValidated) return 0;
  if (building_) {
    if (bad) *bad = building_;
    return -2;
  }
  progressionCount_ = 0;
  Rendering* r = owner_->getRendering();
  const unsigned int words = highest_ + 2u;
  unsigned short* map = static_cast<unsigned short*>(r->WsGetBuffer(words * sizeof(unsigned short)));
  std::memset(map, 0, words * sizeof(unsigned short));
  int result = 0;
  long previousEnd = -1;
  unsigned int number = 1;
  Field* f = firstRecord();
  for (; f; f = nextRecord(f), ++number) {
    const int check = f->markAndCheck(owner_, map, number);
    if (static_cast<long>(f->getStartOffset()) <= previousEnd || check == 2) {
      result = -1;
      break;
    }
    if (check != 0) {
      result = -2;
      break;
    }
    previousEnd = f->getFirstPartEnd();
    if (f->getCursorProgressionNumber()) ++progressionCount_;
  }
  r->WsFreeBuffer(map);
  if (result == 0)
    flags_ |= kValidated;
  else if (bad)
    *bad = f;
  return result;
}

Field* FormatTable::validateScreen(unsigned int* error) {
  const unsigned int mdt = masterMDT();
  for (Field* f = firstRecord(); f; f = nextRecord(f)) {
    int e = mdt ? f->checkMandatoryEntry() : 0;
    if (!e) e = f->verifySelfCheck(owner_, 0);
    if (e) {
      *error = static_cast<unsigned int>(e);
      return f;
    }
  }
  *error = 0;
  return nullptr;
}

void FormatTable::outputChanges() {
  if (!(flags_ & kDrawButtons)) return;
  for (Field* f = firstRecord(); f; f = nextRecord(f)) f->drawPushButtons(owner_, 0, highest_ + 1u);
  flags_ &= ~kDrawButtons;
  flags_ |= kButtonsDrawn;
}

void FormatTable::eraseAndRedrawAllPushButtons() {
  if (!(flags_ & kButtonsDrawn)) return;
  owner_->getRendering()->erasePushButtons(0, highest_ + 1u);
  flags_ &= ~kButtonsDrawn;
  flags_ |= kDrawButtons;
}

void FormatTable::removeAllGUISelectionFieldConstructsInWindow(unsigned int start,
                                                               unsigned int end) {
  if (!(flags_ & (kDrawButtons | kButtonsDrawn))) return;
  const bool whole = start == 0 && end == highest_ + 1u;
  if (flags_ & kButtonsDrawn) {
    unsigned int a = start, b = end;
    if (screenReversed() && !whole) {
      a = owner_->presentationSpace().reverseAddress(a);
      b = owner_->presentationSpace().reverseAddress(b);
    }
    owner_->getRendering()->erasePushButtons(a, b);
  }
  if (whole) flags_ &= ~(kDrawButtons | kButtonsDrawn);
  const unsigned int cols = columns();
  const unsigned int r0 = start / cols, r1 = end / cols, c0 = start % cols, c1 = end % cols;
  for (Field* f = firstRecord(); f; f = nextRecord(f)) {
    if (f->getFieldClassID() != kSelectionField) continue;
    SelectionField* s = static_cast<SelectionField*>(f);
    if (s->selectionType() != SelectionField::kTypePushButtons) continue;
    for (unsigned int i = 0; i < s->builtChoices(); ++i) {
      SelectionFieldChoice* c = s->choice(i);
      const unsigned int r = c->start / cols, col = c->start % cols;
      if (whole || (r >= r0 && r <= r1 && col >= c0 && col <= c1))
        c->layout &= static_cast<unsigned char>(~SelectionFieldChoice::kPushButton);
    }
  }
}

void FormatTable::enterSystemRequestMode(unsigned int start, unsigned int end) {
  if (flags_ & kSystemRequestMode) ErrorHalt(kModule, 51);
  savedLast_ = last_;
  savedBuilding_ = building_;
  savedPendingSegments_ = pendingSegments_;
  savedUnits_ = units_;
  savedFieldCount_ = fieldCount_;
  savedProgressionCount_ = progressionCount_;
  savedValidated_ = flags_ & kValidated;
  flags_ = (flags_ & ~(kRTLAfterSysReq | kButtonsDrawnBeforeSysReq)) |
           ((flags_ & kRTLOrder) ? kRTLAfterSysReq : 0) |
           ((flags_ & kButtonsDrawn) ? kButtonsDrawnBeforeSysReq : 0) | kSystemRequestMode;
  arena_ = sysReqArena_;
  arenaSize_ = sizeof sysReqArena_;
  unitLimit_ = 1;
  commonInitialization();
  Field* f = createField(kLTRField, nullptr, 0);
  if (!f) ErrorHalt(kModule, 34);
  if (!createEntryFieldSegment(static_cast<EntryField*>(f), start, end, 1)) ErrorHalt(kModule, 35);
  if (validateFormatTable(nullptr)) ErrorHalt(kModule, 37);
}

void FormatTable::exitSystemRequestMode() {
  if (!(flags_ & kSystemRequestMode)) return;
  arena_ = savedArena_;
  arenaSize_ = savedArenaSize_;
  unitLimit_ = field_arena::kUnitLimit;
  last_ = savedLast_;
  building_ = savedBuilding_;
  pendingSegments_ = savedPendingSegments_;
  units_ = savedUnits_;
  fieldCount_ = savedFieldCount_;
  progressionCount_ = savedProgressionCount_;
  flags_ = (flags_ & ~kValidated) | savedValidated_;
  if (flags_ & kRTLAfterSysReq) setRTLFieldOrder();
  flags_ &= ~kSystemRequestMode;
  flags_ = (flags_ & ~kButtonsDrawn) | ((flags_ & kButtonsDrawnBeforeSysReq) ? kButtonsDrawn : 0);
}

void FormatTable::setLTRFieldOrder() {
  if (!(flags_ & kRTLOrder)) return;
  flags_ &= ~kRTLOrder;
  owner_->modeFlagsB() &= ~kStationRTLOrder;
}

void FormatTable::setRTLFieldOrder() {
  if (flags_ & kRTLOrder) return;
  flags_ |= kRTLOrder;
  owner_->modeFlagsB() |= kStationRTLOrder;
}

void FormatTable::toggleAll() {
  for (Field* f = firstRecord(); f; f = nextRecord(f)) f->toggleOrientation(owner_, this);
}

void FormatTable::toggleFieldOrientationsForReverseScreen() { toggleAll(); }

void FormatTable::reverseFieldOrientationsForReverseScreen() {
  if (flags_ & kReversed) {
    LogMsg(LevelWarning, "QWC0424 field orientations are reversed already\n");
    return;
  }
  toggleAll();
  flags_ |= kReversed;
}

void FormatTable::unReverseFieldOrientationsForReverseScreen() {
  if (!(flags_ & kReversed)) {
    LogMsg(LevelWarning, "QWC0424 field orientations are not reversed\n");
    return;
  }
  toggleAll();
  flags_ &= ~kReversed;
}

void FormatTable::suspendReversedFieldOrientationsForReverseScreenIfReversed() {
  if (!(flags_ & kReversed)) return;
  unReverseFieldOrientationsForReverseScreen();
  flags_ |= kReversalSuspended;
}

void FormatTable::unSuspendReversedFieldOrientationsForReverseScreenIfSuspended() {
  if (!(flags_ & kReversalSuspended)) return;
  reverseFieldOrientationsForReverseScreen();
  flags_ &= ~kReversalSuspended;
}

void FormatTable::resetBypassFieldsDueToReverseScreen() {
  for (Field* f = firstRecord(); f; f = nextRecord(f))
    if (f->flags() & Field::kBypassForReverse) f->clearFlags(Field::kBypassForReverse | Field::kBypass);
}

void FormatTable::saveFormatTable(qrnOStream* out) {
  if (!(flags_ & kValidated) && validateFormatTable(nullptr)) {
    // Not a sound table: the image is marked so that it is not sent as good.
    LogMsg(LevelWarning, "QWC0425 the format table is not valid: not saved\n");
    out->setOverflow();
    return;
  }
  out->save(static_cast<unsigned char>((flags_ & kRTLOrder) ? 1 : 0), 8);
  out->hostPut16(fieldCount_);
  for (Field* f = firstRecord(); f; f = nextRecord(f)) {
    const FieldClassID id = f->getFieldClassID();
    out->save(static_cast<unsigned char>(id), 8);
    if (id == kSelectionField)
      out->save(static_cast<unsigned char>(static_cast<SelectionField*>(f)->choiceCount()), 8);
    f->saveField(out);
  }
}

unsigned int FormatTable::restoreInto(qrnIStream* in) {
  unsigned char order = 0;
  unsigned int count = 0;
  in->restore(order, 8);
  in->hostGet16(count);
  if (in->checkRestore()) return RestoreRejected("format table", "stream ends early");
  if (order > 1) return RestoreRejected("format table", "field order is neither 0 nor 1");
  if (count > unitLimit_) return RestoreRejected("format table", "more fields than the table holds");
  if (order) flags_ |= kRTLOrder;
  for (unsigned int i = 0; i < count; ++i) {
    unsigned char id = 0, choices = 0;
    in->restore(id, 8);
    if (id == kSelectionField) in->restore(choices, 8);
    if (in->checkRestore()) return RestoreRejected("format table", "stream ends early");
    if (!IsFieldClass(id)) return RestoreRejected("format table", "unknown field class");
    Field* f = createField(static_cast<FieldClassID>(id), nullptr, choices);
    if (!f) return RestoreRejected("format table", "the table is full");
    if (const unsigned int sense = f->restoreField(owner_, this, in)) return sense;
    if (in->checkRestore()) return RestoreRejected("format table", "stream ends early");
  }
  if (building_) return RestoreRejected("format table", "an entry field has no segments");
  if (validateFormatTable(nullptr)) return RestoreRejected("format table", "fields overlap");
  return 0;
}

unsigned int FormatTable::restoreFormatTable(qrnIStream* in) {
  // Read the stream into a scratch table first; only a stream that builds a
  // sound table is read again into this one.
  qrnIStream probe = *in;
  std::vector<unsigned char> scratchArena(field_arena::AlignUp(savedArenaSize_) + field_arena::kAlign);
  auto* aligned = reinterpret_cast<unsigned char*>(
      field_arena::AlignUp(reinterpret_cast<std::size_t>(scratchArena.data())));
  auto scratch = std::make_unique<FormatTable>(owner_, highest_ + 1u, aligned, savedArenaSize_);
  const unsigned int modeB = owner_->modeFlagsB();
  const unsigned int sense = scratch->restoreInto(&probe);
  owner_->modeFlagsB() = modeB;  // the scratch table's order changes touch nothing of the station
  if (sense) return sense;
  // The station's own order indicator is restored with the station's flags.
  const unsigned int indicator = owner_->modeFlagsB() & kStationRTLOrder;
  clearFormatTable();
  owner_->modeFlagsB() = (owner_->modeFlagsB() & ~kStationRTLOrder) | indicator;
  if (restoreInto(in)) ErrorHalt(kModule, 39);
  return 0;
}
