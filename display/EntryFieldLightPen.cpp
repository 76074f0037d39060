// The light pen on entry fields: selection of a light-pen field and the
// cursor's move to the pen in system request.
#include <algorithm>

#include "display/EntryField.h"
#include "display/FieldEditingSupport.h"

using namespace field_editing;

namespace {
constexpr unsigned char kPenNotSelected = 0x6F;  // "?"
constexpr unsigned char kPenSelected = 0x6E;     // ">"
}  // namespace

void EntryField::lightPenWrite(DisplayBag* d) {
  if (!(format_[1] & kLightPenWrite)) return;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const unsigned int first = getStartOffset();
  if (flags_ & kMDT) {
    ps.writeCharacter(first, kPenNotSelected);
    flags_ &= static_cast<unsigned char>(~kMDT);
    return;
  }
  ps.writeCharacter(first, kPenSelected);
  flags_ |= kMDT;
  if (!(flags_ & kAutoEnter)) return;
  if (const int error = checkBeforeAid(d, kAidCursorSelect)) {
    Raise(d, static_cast<unsigned int>(error));
    return;
  }
  d->postAidCode(kAidCursorSelect);
}

void EntryField::lightPenPosition(DisplayBag* d, unsigned int offset) {
  if (format_[1] & kChangedByEditKey) {
    const unsigned int start = getStartOffset();
    const unsigned int distance = offset > start ? offset - start : 0;
    unsigned char& correction = d->lightPenCorrection();
    const unsigned int added = std::min(255u - correction, distance);
    correction = static_cast<unsigned char>(correction + added);
    // The tip moves back by what was added, never past its row's start.
    const unsigned int columns = d->columns();
    const unsigned int column = columns ? offset % columns : 0;
    offset -= std::min(added, column);
  }
  AreaOfScreen::lightPenPosition(d, offset);
}
