#include "display/SelectionField.h"

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/RestoreSense.h"
#include "display/ScrollBarField.h"

SelectionField::SelectionField(unsigned int choices)
    : choices_(static_cast<unsigned char>(choices)) {}

void SelectionField::define(unsigned char selectionFlags, unsigned char columns,
                            const unsigned char* indicators) {
  selectionFlags_ = selectionFlags;
  columns_ = columns;
  for (unsigned int i = 0; i < 6; ++i) indicators_[i] = indicators[i];
}

SelectionFieldChoice* SelectionField::choiceBase() const {
  return reinterpret_cast<SelectionFieldChoice*>(
      reinterpret_cast<unsigned char*>(const_cast<SelectionField*>(this)) + sizeof(SelectionField));
}

unsigned int SelectionField::builtChoices() const {
  if (!(flags_ & kHasParts)) return 0;
  const SelectionFieldChoice* c = choiceBase();
  unsigned int n = 1;
  while (!c->isLastChoice() && n < choices_) {
    ++c;
    ++n;
  }
  return n;
}

SelectionFieldChoice* SelectionField::choice(unsigned int i) {
  return i < builtChoices() ? choiceBase() + i : nullptr;
}
const SelectionFieldChoice* SelectionField::choice(unsigned int i) const {
  return i < builtChoices() ? choiceBase() + i : nullptr;
}

const SelectionFieldChoice* SelectionField::choiceAt(unsigned int offset) const {
  const unsigned int n = builtChoices();
  const SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i)
    if (offset >= c[i].start && offset <= c[i].end) return c + i;
  return nullptr;
}

int SelectionField::isUnavailableAt(unsigned int offset, AreaOfScreen*) {
  const SelectionFieldChoice* c = choiceAt(offset);
  return c && !c->isCursorable() ? 1 : 0;
}

int SelectionField::isInputCapableAt(unsigned int offset) {
  const SelectionFieldChoice* c = choiceAt(offset);
  return c && c->isCursorable() ? 1 : 0;
}

int SelectionField::isCuaCompliant() { return isCuaComplianceForFieldAdvanceFieldBackSpace(); }

// A field whose choices are not built yet has no positions: it answers 0.
unsigned int SelectionField::getFirstPartEnd() const {
  return builtChoices() ? choiceBase()->end : 0;
}
unsigned int SelectionField::getStartOffset() const {
  return builtChoices() ? choiceBase()->start : 0;
}

Field* SelectionField::getNextRecord() {
  return recordAfter(sizeof(SelectionField) + builtChoices() * sizeof(SelectionFieldChoice));
}

int SelectionField::containsOffset(unsigned int offset, unsigned int) const {
  return choiceAt(offset) != nullptr;
}

unsigned int SelectionField::getLastCursorOffset(DisplayBag*) {
  if (const SelectionFieldChoice* c = lastCursorableChoice()) return c->start;
  const unsigned int n = builtChoices();
  return n ? choiceBase()[n - 1].start : 0;
}

unsigned int SelectionField::getFirstCursorOffset(DisplayBag*) {
  if (const SelectionFieldChoice* c = firstCursorableChoice()) return c->start;
  return builtChoices() ? choiceBase()->start : 0;
}

int SelectionField::markAndCheck(DisplayBag* d, unsigned short* map, unsigned int number) {
  const unsigned int n = builtChoices();
  if (n != choices_) return 3;  // the host did not send every choice
  const unsigned int size = d->formatTable().highestOffset() + 1;
  const SelectionFieldChoice* c = choiceBase();
  int result = 0;
  for (unsigned int i = 0; i < n; ++i) {
    const int r = checkAndUpdateRegionDefinition(map, size, static_cast<unsigned short>(number),
                                                 c[i].start, c[i].end);
    if (r == 3) return 3;
    if (r == 2 || result == 0) result = r;
  }
  return result;
}

// Every read format gives the same data: one byte per choice (0xF1
// selected) in a multiple-choice field; 0x00 and 0x20 plus the index of
// the selected choice (0x00 for none) in a single-choice field.
// A field that owns a scroll bar adds the bar's data.
int SelectionField::readData(DisplayBag* d, unsigned char* out, unsigned int room) {
  const unsigned int n = builtChoices();
  const SelectionFieldChoice* c = choiceBase();
  unsigned int written = 0;
  if (isSingleChoice()) {
    if (room < 2) return 0;
    out[0] = 0x00;
    out[1] = 0x00;
    for (unsigned int i = 0; i < n; ++i)
      if (c[i].isSelected()) {
        out[1] = static_cast<unsigned char>(0x20 + i);
        break;
      }
    written = 2;
  } else {
    if (room < n) return 0;
    for (unsigned int i = 0; i < n; ++i) out[i] = c[i].isSelected() ? 0xF1 : 0x00;
    written = n;
  }
  if (selectionFlags_ & kHasScrollBar) {
    Field* next = d->formatTable().nextRecord(this);
    if (next && next->getFieldClassID() == kVerticalScrollBar)
      written += static_cast<unsigned int>(static_cast<ScrollBarField*>(next)->readIncrement(out + written, room - written));
  }
  return static_cast<int>(written);
}

int SelectionField::readFieldMDTAltFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  return readData(d, out, room);
}
int SelectionField::readFieldMDTFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  return readData(d, out, room);
}
int SelectionField::readFieldNormalFormat(DisplayBag* d, unsigned char* out, unsigned int room) {
  return readData(d, out, room);
}

void SelectionField::saveField(qrnOStream* out) const {
  Field::saveField(out);
  out->save(selectionFlags_, 8);
  out->save(type_, 8);
  out->save(columns_, 8);
  for (unsigned char a : indicators_) out->save(a, 8);
  out->save(deselectedChar_, 8);
  out->save(selectedChar_, 8);
  const unsigned int n = builtChoices();
  out->hostPut32(n);
  const SelectionFieldChoice* c = choiceBase();
  for (unsigned int i = 0; i < n; ++i) {
    out->hostPut16(c[i].start);
    out->hostPut16(c[i].end);
    out->save(static_cast<unsigned char>(c[i].layout & SelectionFieldChoice::kPushButton), 8);
    out->save(c[i].state, 8);
    out->save(c[i].mnemonic, 8);
    out->save(c[i].aid, 8);
  }
}

unsigned int SelectionField::restoreField(DisplayBag* d, FormatTable* table, qrnIStream* in) {
  Field::restoreField(d, table, in);
  in->restore(selectionFlags_, 8);
  in->restore(type_, 8);
  in->restore(columns_, 8);
  for (unsigned char& a : indicators_) in->restore(a, 8);
  in->restore(deselectedChar_, 8);
  in->restore(selectedChar_, 8);
  unsigned int n = 0;
  in->hostGet32(n);
  if (in->checkRestore()) return RestoreRejected("selection field", "stream ends early");
  // The table wrote the count as well: both must agree.
  if (n != choices_) return RestoreRejected("selection field", "the two choice counts differ");
  unsigned int previousEnd = 0;
  for (unsigned int i = 0; i < n; ++i) {
    unsigned int start = 0, end = 0;
    unsigned char mark = 0;
    in->hostGet16(start);
    in->hostGet16(end);
    in->restore(mark, 8);
    if (in->checkRestore()) return RestoreRejected("selection field", "stream ends early");
    if (start > end || end > table->highestOffset() || (i > 0 && start < previousEnd))
      return RestoreRejected("selection field", "choice out of range or out of order");
    SelectionFieldChoice* c = table->createSelectionFieldChoice(this, start, end, mark);
    if (!c) return RestoreRejected("selection field", "the format table is full");
    in->restore(c->state, 8);
    in->restore(c->mnemonic, 8);
    in->restore(c->aid, 8);
    previousEnd = end;
  }
  if (in->checkRestore()) return RestoreRejected("selection field", "stream ends early");
  return 0;
}
