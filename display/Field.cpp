#include "display/Field.h"

#include "datastream/Databyte.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/FieldArena.h"

int Field::gainFocus(DisplayBag*) { return 0; }
void Field::loseFocus(DisplayBag*) {}
int Field::areaHook48(DisplayBag*, unsigned int) { return 1; }
int Field::fieldHook54(DisplayBag*) { return 3; }
int Field::fieldHook55(DisplayBag*, unsigned int) { return 0; }

int Field::fieldHook56(DisplayBag*, unsigned int& sense) {
  sense = 0x10050126;
  return 3;
}

void Field::drawPushButtons(DisplayBag*, unsigned int, unsigned int) {}
int Field::isCuaCompliant() { return 0; }
void Field::fieldHook59(DisplayBag*) {}
int Field::verifySelfCheck(DisplayBag*, unsigned int) { return 0; }
int Field::checkMandatoryEntry() { return 0; }
int Field::checkBeforeExit(DisplayBag*) { return 0; }
unsigned int Field::getCursorProgressionNumber() { return 0; }
unsigned int Field::getResequenceNumber() { return 0; }
int Field::countsAsField() const { return 1; }
int Field::isPartOfSelectionField(unsigned int askMDT) { return askMDT ? isModified() : 1; }
unsigned int Field::getNearestPosition(DisplayBag*, unsigned int) { return getStartOffset(); }
// Only entry fields take typed text.
int Field::copyHotspotText(DisplayBag*, unsigned int, unsigned int) { return 1; }
void Field::clearFieldData(DisplayBag*) {}
unsigned int Field::getSegmentStartAt(unsigned int) { return getStartOffset(); }
unsigned int Field::getSegmentEndAt(unsigned int) { return getFirstPartEnd(); }
void Field::toggleOrientation(DisplayBag*, FormatTable*) {}

unsigned int Field::restoreField(DisplayBag*, FormatTable*, qrnIStream* in) {
  unsigned char flags = 0;
  in->restore(flags, 8);
  flags_ = static_cast<unsigned char>(flags & ~kHasParts);
  return 0;
}

void Field::saveField(qrnOStream* out) const { out->save(flags_, 8); }
int Field::checkFieldCreation(DisplayBag*, Databyte* db) {
  // Only entry fields may be redefined by a start field.
  if (db) db->setDefaultSenseCode(0x10050126u);
  return 3;
}
void Field::turnFieldIndicatorsOff(DisplayBag*) {}
void Field::turnFieldIndicatorsOn(DisplayBag*) {}
void Field::deselectAll(DisplayBag*) {}

Field* Field::recordAfter(unsigned long bytes) {
  const unsigned long at = reinterpret_cast<unsigned long>(this) + bytes;
  return reinterpret_cast<Field*>(field_arena::AlignUp(at));
}

int checkAndUpdateRegionDefinition(unsigned short* map, unsigned int size, unsigned short id,
                                   unsigned int from, unsigned int to) {
  if (from > to || to >= size) return 3;
  int result = 0;
  for (unsigned int p = from; p <= to; ++p) {
    if (map[p] == 0) {
      map[p] = id;
      continue;
    }
    if (p != from && p != to) return 3;
    if (map[p] != id && result != 2)
      result = 1;
    else
      result = 2;
  }
  return result;
}
