// What an entry field answers a start field that defines a field at its
// start: whether it may be redefined, and what it holds that the new
// definition keeps.
#include "datastream/Databyte.h"
#include "datastream/DsmLinks.h"
#include "datastream/FldCrt.h"
#include "display/EntryField.h"
#include "display/FieldFormatBits.h"

using namespace field_format;

int EntryField::fieldHook54(DisplayBag*) { return segmentCount() > 1 ? 4 : 1; }

int EntryField::checkFieldCreation(DisplayBag* d, Databyte* db) {
  FldCrt* c = db ? db->fieldUnderConstruction : nullptr;
  if (!c) return 3;
  FCW& w = c->fcw;
  const unsigned char control = format_[kControl], check = format_[kCheck];
  if (isResequenced()) {
    if (dsm_links::fieldSequencing(d)) w.resequence = progression_;
  } else {
    w.progression = progression_;
  }
  w.selectorPen = ((control & kSelectorPen4) ? 4u : 0u) | ((control & kSelectorPen2) ? 2u : 0u) |
                  ((control & kSelectorPen1) ? 1u : 0u);
  w.pointerAid = format_[kPointerAid];
  w.forwardEdge = (format_[kFormat] & kForwardEdge) ? 1 : 0;
  w.transparency = (control & kTransparent) ? 1 : 0;
  w.modulus = (check & kModulus11) ? 0xA0 : (check & kModulus10) ? 0x40 : 0;
  if (w.modulus && c->cefNA(db) == 3) return 3;
  if (isWordWrap()) {
    w.wordWrapMarker = 1;
    if (c->wordWrap(db) == 3) return 3;
  }
  unsigned char highlight = check & kHighlightMask;
  // The stored form carries 0x20; a left-to-right field gives the received
  // form back, which a selection-cursor field kept with 0x20 set.
  const FieldClassID id = getFieldClassID();
  if (highlight && id != kRTLField && id != kRTLWordWrapField && id != kSelectionCursorField)
    highlight ^= 0x20;
  w.highlight = highlight;
  w.anyFCW = 1;
  return 0;
}
