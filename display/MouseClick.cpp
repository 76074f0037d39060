// What a left click does on an area: a button the host programmed, a hot
// spot, the field's own pointer AID, or the plain click that moves the
// cursor (or starts marking an area); and the copy of a menu option's
// number into an input field.
#include "display/AreaOfScreen.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/FieldFormatBits.h"
#include "display/MouseClick.h"
#include "display/Rendering.h"
#include "keyboard/HotSpotActions.h"

namespace {
constexpr unsigned int kLeftButton = 1;
constexpr unsigned char kPageDownAid = 0xF5, kPageUpAid = 0xF4;

// "More...", "Bottom", "MORE...", "BOTTOM", in that order, with their AIDs.
struct PagingWord {
  unsigned char text[8];
  unsigned char aid;
};
constexpr PagingWord kPagingWords[] = {
    {{0xD4, 0x96, 0x99, 0x85, 0x4B, 0x4B, 0x4B, 0}, kPageDownAid},
    {{0xC2, 0x96, 0xA3, 0xA3, 0x96, 0x94, 0}, kPageUpAid},
    {{0xD4, 0xD6, 0xD9, 0xC5, 0x4B, 0x4B, 0x4B, 0}, kPageDownAid},
    {{0xC2, 0xD6, 0xE3, 0xE3, 0xD6, 0xD4, 0}, kPageUpAid},
};

// Checks the AID with the area at the cursor and posts it; an error of the
// check becomes the operator error instead.
int CheckAndPost(DisplayBag* d, AreaOfScreen* checker, unsigned char aid) {
  if (const int error = checker->checkBeforeAid(d, aid)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return error;
  }
  d->postAidCode(aid);
  return 0;
}
}  // namespace

void FlashHotSpot(DisplayBag* d, unsigned int start, unsigned int length) {
  if (length == 0) return;
  unsigned int shown = start;
  if (d->screenReversed()) shown = d->presentationSpace().reverseAddress(start + length - 1);
  d->getRendering()->drawPushButton(shown, length, 1, 1);
}

int CommonMouseCode(DisplayBag* d, unsigned int offset) {
  StationOptions& o = d->options();
  const bool marking = o.clickStartsMarking();
  int error = 0;
  if (o.clickAid != 0 || !marking) {
    o.clickMovedCursor = true;
    o.savedClickCursor = static_cast<unsigned short>(d->cursor().getCursorOffset());
    error = d->services()->moveCursorThroughArea(d->getCurrentArea(), offset);
  }
  if (error == 0) d->modeFlagsA() |= DisplayBag::kADoubleClickArmed;
  if (o.clickAid == 0) {
    o.clickInProgress = true;
    if (marking) {
      const unsigned int at = d->screenReversed() ? d->presentationSpace().reverseAddress(offset) : offset;
      d->keyboardState().enterCopyState(static_cast<KeyboardState::CopyType>(o.copyType), at, 1);
    }
    return 0;
  }
  if (error != 0) return error;
  return CheckAndPost(d, d->getCurrentArea(), o.clickAid);
}

int AreaOfScreen::mouseClick(DisplayBag* d, unsigned int offset) {
  ProgrammableMouseButtonsTable& buttons = d->mouseButtons();
  if (buttons.isProgrammed(kLeftButton)) {
    buttons.processProgrammedEvent(d->services(), kLeftButton, offset);
    return 0;
  }
  if (d->options().singleClickHotSpots() && isHotSpotIfSoDoIt(d, offset)) return 0;
  return CommonMouseCode(d, offset);
}

// The paging words of an output area act as Page Down ("More...") and
// Page Up ("Bottom"). 1: not handled here.
int OutputArea::areaHook48(DisplayBag* d, unsigned int offset) {
  const PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  if (offset > ps.lastOffset()) return 1;
  for (const PagingWord& w : kPagingWords) {
    unsigned int start = 0, length = 0;
    if (!ps.isWithin(offset, w.text, start, length)) continue;
    if (CheckAndPost(d, d->getCurrentArea(), w.aid) == 0) FlashHotSpot(d, start, length);
    return 0;
  }
  return 1;
}

int EntryField::mouseClick(DisplayBag* d, unsigned int offset) {
  if (const unsigned char aid = format_[field_format::kPointerAid]) {
    if (d->services()->moveCursorThroughArea(d->getCurrentArea(), offset) != 0) return 0;
    return CheckAndPost(d, this, aid);
  }
  if (format_[1] & kLightPenWrite) {
    lightPenWrite(d);
    return 0;
  }
  ProgrammableMouseButtonsTable& buttons = d->mouseButtons();
  if (buttons.isProgrammed(kLeftButton)) {
    buttons.processProgrammedEvent(d->services(), kLeftButton, offset);
    return 0;
  }
  if (d->options().singleClickHotSpots() && isBypass()) {
    unsigned int start = 0, length = 0;
    if (const unsigned int aid = d->presentationSpace().isHotspot(offset, start, length)) {
      if (CheckAndPost(d, d->getCurrentArea(), static_cast<unsigned char>(aid)) == 0)
        FlashHotSpot(d, start, length);
      return 0;
    }
  }
  return CommonMouseCode(d, offset);
}

// A menu option's number typed into the field: it must fit the first
// segment (less a signed field's sign position) and suit the field's shift.
int EntryField::copyHotspotText(DisplayBag* d, unsigned int source, unsigned int length) {
  const FieldClassID id = getFieldClassID();
  if (id == kProtectedField || id == kSelectionCursorField || isBypass()) return 1;
  if (shiftType() == kAlphabeticOnly) return 1;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  EntryFieldSegment* first = getFirstSegmentPtr();
  unsigned int room = first->end - first->start + 1u;
  if (isSignedNumeric() && room > 0) --room;
  if (length == 0 || length > room || source + length - 1 > ps.lastOffset()) return 1;
  unsigned char text[8] = {};
  if (length > sizeof text) return 1;
  ps.getData(source, length, text);
  FormatTable& table = d->formatTable();
  const bool reversed = d->screenReversed();
  if (reversed) {
    table.suspendReversedFieldOrientationsForReverseScreenIfReversed();
    reverseFieldData(&ps);
  }
  const bool rightToLeft = id == kRTLField || id == kRTLWordWrapField;
  // Null every position of the field, then the text from its start (a
  // right-to-left field from its end, backwards).
  for (EntryFieldSegment* s = first;; ++s) {
    ps.fillRange(s->start, s->end, 0x00);
    if (s->isLastSegment()) break;
  }
  if (rightToLeft) {
    const unsigned int last = first->end;
    for (unsigned int i = 0; i < length; ++i) ps.writeCharacter(last - i, text[i]);
  } else {
    ps.writeData(text, length, first->start);
  }
  if (reversed) {
    reverseFieldData(&ps);
    table.unSuspendReversedFieldOrientationsForReverseScreenIfSuspended();
  }
  markEdited();
  return 0;
}
