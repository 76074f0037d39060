// Typed characters through the Arabic/Farsi shaper: on a row the shaper
// edits (a bidirectional host editor, a shaping language, the display's
// cursor running right to left and the host's language shaped), a typed or
// replacing character goes through the shaper, which reshapes its
// neighbours. A character the shaper cannot place shows operator error 69:
// a replacing one leaves the row as it was, an inserted one stands unshaped
// under the cursor for Reset to take out.
#include <cstdint>

#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "textassist/ASDInfoWP.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned int kShapingError = 69;
constexpr int kNoRoom = 12;
constexpr uint32_t kNeverSpills = 1u << 26;  // LineControlRecord::ctl
}  // namespace

bool TextSession::shapingTakes(unsigned int pos) const {
  return shapingOnRow() && psBuffer && pos <= psBuffer->lastOffset();
}

ASDInfoWP TextSession::startShaping(unsigned int pos, unsigned char* saved) {
  const unsigned int row = rowOf(pos);
  psBuffer->getData((row - 1) * cols, cols, saved);
  unsigned int start = 0, end = 0;
  shapingRange(row, start, end);
  ASDInfoWP info(this, start, end);
  info.setPosition(displayBag, pos);
  return info;
}

unsigned int TextSession::shapeInsert(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int first = (row - 1) * cols;
  unsigned char saved[kMaxColumns];
  ASDInfoWP info = startShaping(pos, saved);
  if (displayBag->asd().insertLogicalCharacter(info, ch)) {
    // The row goes back as it was and the character goes in unshaped with
    // the cursor on it: Reset after the error takes out that character and
    // nothing else.
    psBuffer->writeData(saved, cols, first);
    unsigned int end = 0;
    if (isRightToLeftLine(row)) {
      if (bidifindroomtoinsert(pos, end, 0, ch)) doinsert(pos, pos - end, 1, 0, ch);
    } else if (findroomtoinsert(pos, end, 1, ch)) {
      doinsert(pos, end - pos, 1, 1, ch);
    }
    info.setPosition(displayBag, pos);
    operatorerror(kShapingError);
    return pos;
  }
  const unsigned int at = displayBag->cursor().getCursorOffset();
  return at <= psBuffer->lastOffset() ? at : pos;
}

bool TextSession::shapeReplace(unsigned char ch, unsigned int pos, unsigned int& next) {
  const unsigned int row = rowOf(pos);
  const unsigned int first = (row - 1) * cols;
  unsigned char saved[kMaxColumns];
  ASDInfoWP info = startShaping(pos, saved);
  unsigned int interrupted = 0;
  if (displayBag->asd().replaceLogicalCharacter(info, ch, interrupted)) {
    psBuffer->writeData(saved, cols, first);
    info.setPosition(displayBag, pos);
    operatorerror(kShapingError);
    next = pos;
    return false;
  }
  return true;
}

int TextSession::shaperInsert(unsigned int pos, unsigned char ch, bool forward, unsigned int& moved) {
  moved = pos;
  const unsigned int row = rowOf(pos);
  const unsigned int first = (row - 1) * cols, last = row * cols - 1u;
  unsigned int end = 0;
  if (forward ? findroomtoinsert(pos, end, 1, ch) : bidifindroomtoinsert(pos, end, 0, ch)) {
    doinsert(pos, forward ? end - pos : pos - end, 1, forward ? 1 : 0, ch);
    return 0;
  }
  const unsigned int count = forward ? end - pos + 1 : pos - end + 1;
  const bool noLeft = !searchscaleline(row, 1), noRight = !searchscaleline(row, 2);
  if (hostEdges() && (noLeft || noRight) && !(line(row).ctl & kNeverSpills)) {
    notifyhost(pos, forward ? last - 1u : first + 1u, noLeft, noRight, count, ch);
    return 0;
  }
  // The text is pushed one past the margin, which must lie on the row.
  if (forward ? end + 1 > last : end <= first) return kNoRoom;
  if (pushOverwrites(forward ? end + 1 : end - 1)) return kNoRoom;
  savelineimage(row);
  const unsigned int next = doinsert(pos, count, 1, forward ? 1 : 0, ch);
  unsigned int cursor = next;
  bool hostMustSpill = false;
  if (!spill(cursor, hostMustSpill)) {
    restorelineimage(row);
    return kNoRoom;
  }
  if (cursor != next) {
    moveCursor(cursor, Plane0);
    moved = cursor;
  }
  return 0;
}
