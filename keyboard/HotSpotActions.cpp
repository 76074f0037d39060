#include "keyboard/HotSpotActions.h"

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/Field.h"
#include "display/MouseClick.h"

namespace {
BrowserStarter g_browserStarter = nullptr;

constexpr unsigned char kEnterAid = 0xF1;
constexpr unsigned char kPeriod = 0x4B;

// Step 1's AID: checked with the area at the cursor, posted, flashed.
void PostHotSpotAid(DisplayBag* d, unsigned char aid, unsigned int start, unsigned int length) {
  if (const int error = d->getCurrentArea()->checkBeforeAid(d, aid)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return;
  }
  d->postAidCode(aid);
  FlashHotSpot(d, start, length);
}

// The option number is offered to the field at the cursor, then to every
// later input field in screen order (wrapping) until one takes it.
int TypeMenuOption(DisplayBag* d, unsigned int number, unsigned int start, unsigned int length) {
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  unsigned int digits = 0;
  while (number + digits <= ps.lastOffset() && ps.getCharacter(number + digits) != kPeriod) ++digits;
  FormatTable& table = d->formatTable();
  const unsigned int cursor = d->cursor().getCursorOffset();
  Field* first = cursor <= table.highestOffset() ? table.getField(cursor) : nullptr;
  unsigned int wrapped = 0;
  if (!first || first->isBypass()) first = table.getNextNonBypassFieldInLTROrder(nullptr, wrapped, cursor);
  if (!first) return 0;  // a screen without input fields
  Field* f = first;
  for (unsigned int tries = 0; tries <= table.fieldCount(); ++tries) {
    if (f->copyHotspotText(d, number, digits) == 0) {
      PostHotSpotAid(d, kEnterAid, start, length);
      return 1;
    }
    f = table.getNextNonBypassFieldInLTROrder(f, wrapped, 0);
    if (!f || f == first) break;
  }
  return 0;
}
}  // namespace

void SetBrowserStarter(BrowserStarter starter) { g_browserStarter = starter; }

int isHotSpotIfSoDoIt(DisplayBag* d, unsigned int offset) {
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  if (offset > ps.lastOffset()) return 0;
  unsigned int start = 0, length = 0;
  if (const unsigned int aid = ps.isHotspot(offset, start, length)) {
    PostHotSpotAid(d, static_cast<unsigned char>(aid), start, length);
    return 1;
  }
  const int number = ps.isMenuHotSpot(offset, start, length);
  if (number >= 0) return TypeMenuOption(d, static_cast<unsigned int>(number), start, length);
  StationOptions& o = d->options();
  if (ps.isURLHotSpot(offset, start, length, o.browserStart ? 1 : 0)) {
    if (o.hotSpotClickMode == 2 && o.clickMovedCursor)
      d->cursor().moveCursorToNewArea(o.savedClickCursor, CursorOffsetAsShown);
    FlashHotSpot(d, start, length);
    if (g_browserStarter)
      g_browserStarter(d, start, length);
    else
      LogMsg(LevelWarning, "QWC0440 no browser starter: web address not opened\n");
    return 1;
  }
  return 0;
}
