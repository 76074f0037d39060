#include "display/DisplayBagServices.h"

#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "keyboard/AidType.h"

Rendering* DisplayBagServices::getRendering() { return d_->getRendering(); }
const DisplayCharacteristics& DisplayBagServices::getDisplayCharacteristics() const {
  return d_->characteristics();
}
unsigned int& DisplayBagServices::modeFlagsA() { return d_->modeFlagsA(); }
unsigned int& DisplayBagServices::modeFlagsB() { return d_->modeFlagsB(); }
unsigned int DisplayBagServices::getASDLanguage() const { return d_->asd().language(); }
PresentationSpaceScreenBuffer* DisplayBagServices::getPresentationSpace() {
  return &d_->presentationSpace();
}
PrimaryECBScreenBuffer* DisplayBagServices::getPrimaryECBPlane() { return &d_->primaryPlane(); }
SecondaryECBScreenBuffer* DisplayBagServices::getSecondaryECBPlane() {
  return &d_->secondaryPlane();
}
ColorECBScreenBuffer* DisplayBagServices::getColorECBPlane() { return &d_->colourPlane(); }
DisplayControlData* DisplayBagServices::getDisplayControlData() { return &d_->controlData(); }
DisplayIndicators* DisplayBagServices::getDisplayIndicators() { return &d_->indicators(); }

AreaOfScreen* DisplayBagServices::getNonBypassArea(unsigned int offset) {
  return d_->formatTable().getNonBypassArea(offset);
}

bool DisplayBagServices::fieldStartsAt(unsigned int offset) {
  return d_->formatTable().getFieldByStartOffset(offset) != nullptr;
}

bool DisplayBagServices::fieldLiesIn(unsigned int first, unsigned int last) {
  if (first > last) {
    const unsigned int t = first;
    first = last;
    last = t;
  }
  FormatTable& t = d_->formatTable();
  for (unsigned int p = first; p <= last && p <= t.highestOffset(); ++p)
    if (t.getField(p)) return true;
  return false;
}

void DisplayBagServices::markFieldForMovedAttribute(unsigned int offset) {
  FormatTable& t = d_->formatTable();
  if (offset > t.highestOffset()) return;
  Field* f = t.getField(offset);
  if (f && f->isEntryField()) f->setFlags(Field::kBypassForReverse | Field::kBypass);
}

bool DisplayBagServices::getFirstAndLastEntryFieldOffsetForScreenRefresh(unsigned int& first,
                                                                         unsigned int& last) {
  int f = -1;
  d_->formatTable().getFirstAndLastEntryFieldOffsetForScreenRefresh(f, last);
  if (f < 0) return false;
  first = static_cast<unsigned int>(f);
  return true;
}

void DisplayBagServices::getEntryFieldRange(EntryField* field, unsigned int& first,
                                            unsigned int& last) {
  first = field->getStartOffset();
  last = field->getLastSegmentPtr()->end;
}

unsigned int DisplayBagServices::mirrorOffsetInArea(AreaOfScreen* area, unsigned int offset) {
  return area->mirrorOffset(offset);
}
void DisplayBagServices::enterArea(AreaOfScreen* area) {
  area->enterArea(d_, d_->cursor().getCursorOffset());
  // An area that holds the cursor only on certain positions puts it there.
  area->settleCursor(d_);
}
int DisplayBagServices::gainFocus(AreaOfScreen* area) { return area->gainFocus(d_); }
void DisplayBagServices::loseFocus(AreaOfScreen* area) { area->loseFocus(d_); }
int DisplayBagServices::interruptShaping(AreaOfScreen* area) { return area->interruptShaping(d_); }

int DisplayBagServices::moveCursorThroughArea(AreaOfScreen*, unsigned int offset) {
  return d_->cursor().moveCursorToNewArea(static_cast<int>(offset), CursorOffsetAsShown);
}

int DisplayBagServices::checkBeforeAid(AreaOfScreen* area, unsigned char aid) {
  return area->checkBeforeAid(d_, aid);
}
AreaOfScreen* DisplayBagServices::getCurrentArea() { return d_->getCurrentArea(); }
void DisplayBagServices::enterErrorState(unsigned int code) {
  d_->keyboardState().enterErrorState(code, 0, 1, 0, 0);
}
void DisplayBagServices::enterTwoMouseEventState(unsigned int button, unsigned int offset) {
  d_->keyboardState().enterTwoMouseEventState(button, offset);
}
void DisplayBagServices::exitTwoMouseEventState() { d_->keyboardState().exitTwoMouseEventState(); }
void DisplayBagServices::writeOperatorErrorToScreen() {
  d_->keyboardState().writeOperatorErrorToScreen();
}
void DisplayBagServices::postAidCode(unsigned char aid) { d_->postAidCode(aid); }
int DisplayBagServices::aidType(unsigned char aid) {
  return static_cast<int>(::aidType(d_, aid));
}
void DisplayBagServices::outputChanges() { d_->outputChanges(); }

// Text in an input field is the operator's, never a hot spot; a field that
// the cursor skips (an entry field with the bypass flag) shows host text.
bool DisplayBagServices::hotSpotPositionAllowed(unsigned int offset) {
  FormatTable& t = d_->formatTable();
  if (offset > t.highestOffset()) return true;
  Field* f = t.getField(offset);
  return !f || (f->isEntryField() && f->isBypass());
}

bool DisplayBagServices::textAssistActive() const {
  return d_->keyboardState().state() == KeyboardState::kWordProcessing;
}

void DisplayBagServices::noteMouseAid(unsigned int offset, unsigned char aid) {
  d_->noteMouseAid(offset, aid);
}
