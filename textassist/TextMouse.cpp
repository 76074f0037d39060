// Mouse clicks in the text: a click places the cursor (or steps it through
// the attribute planes of the position it is on), resets a shown error, or
// acts on a function-key label shown on the screen (a hot spot) as that PF
// key; a double click is Enter unless hot spots act on double clicks.
#include "datastream/HostInterface.h"
#include "datastream/TextHostTables.h"
#include "display/DisplayBag.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/Rendering.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kHotSpotReset = 0x38;
constexpr unsigned char kSingleClickHotSpots = 1;
constexpr unsigned char kDoubleClickHotSpots = 2;

// The command key of a hot spot's code: PF1..PF12 are 0x31..0x3C, PF13..PF24
// 0xB1..0xBC.
unsigned int HotSpotKey(unsigned char code) { return code > 0xB0 ? code - 0xA4u : code - 0x30u; }
}  // namespace

bool TextSession::textHotSpot(unsigned int pos) {
  if (!displayBag || !psBuffer || pos > psBuffer->lastOffset()) return false;
  unsigned int start = 0, length = 0;
  const unsigned int code = displayBag->presentationSpace().isHotspot(pos, start, length);
  if (!code || code > 0xFF) return false;
  const unsigned int key = HotSpotKey(static_cast<unsigned char>(code));
  unsigned char entry[82];
  HostInterface* host = displayBag->hostInterface();
  // A key the host gives no function of its own is shown pressed: it goes
  // to the host as its AID.
  if (!host || !host->textTables().getCmdKeyEntry(secLangTables() ? 1 : 0, key, HQ600Host(), entry))
    displayBag->getRendering()->drawPushButton(start, length, 1, 1);
  pfCmdKey(key, static_cast<unsigned char>(code));
  return true;
}

void TextSession::c_textmouseclick(unsigned int pos) {
  lastHandler_ = "c_textmouseclick";
  if (!psBuffer || pos > psBuffer->lastOffset()) return;
  const unsigned int row = rowOf(pos);
  const unsigned int errorRow = geterrorlinerow();
  const unsigned char hotSpotMode = displayBag ? displayBag->options().hotSpotClickMode : 0;
  if (modes & text_mode::kKeyboardLocked) {
    if (!(modes & text_mode::kErrorShown)) return;
    if (row == errorRow) {
      c_textreset();
      return;
    }
    if (hotSpotMode != kSingleClickHotSpots) return;
    unsigned int start = 0, length = 0;
    if (displayBag->presentationSpace().isHotspot(pos, start, length) != kHotSpotReset) return;
    displayBag->getRendering()->drawPushButton(start, length, 1, 1);
    c_textreset();
    lastHandler_ = "c_textmouseclick";
    return;
  }
  if (row < textDef.firstTextRow || (!textLine(row) && row != errorRow) || promptInput()) {
    if (hotSpotMode == kSingleClickHotSpots) textHotSpot(pos);
    lastHandler_ = "c_textmouseclick";
    return;
  }
  if (textLine(row) && !inlinecmdfld(pos)) {
    const bool rtl = isRightToLeftLine(row);
    const unsigned int L = rtl ? convertLVOffset(rightmar(row)) : leftmar(row);
    const unsigned int R = rtl ? convertLVOffset(leftmar(row)) : rightmar(row);
    if (pos < L || pos > R) return;
  }
  if (pos != cursorPos) {
    moveCursorWithTimer(pos, leftmostActivePlane(pos));
    return;
  }
  PlaneNumber plane = cursorPlane;
  for (int i = 0; i < 3; ++i) {
    plane = planeWalkB[plane];
    if (plane == Plane0 || (hasMaster(pos, plane) && !(plane == Plane2 && planeByte(pos, 2) == 0x84))) break;
  }
  moveCursor(pos, plane);
}

void TextSession::c_textmousedoubleclick(unsigned int pos) {
  lastHandler_ = "c_textmousedoubleclick";
  if (!psBuffer || pos > psBuffer->lastOffset()) return;
  if (displayBag && displayBag->options().hotSpotClickMode == kDoubleClickHotSpots) {
    if (!(modes & text_mode::kKeyboardLocked)) textHotSpot(pos);
    lastHandler_ = "c_textmousedoubleclick";
    return;
  }
  enterKey();
  lastHandler_ = "c_textmousedoubleclick";
}
