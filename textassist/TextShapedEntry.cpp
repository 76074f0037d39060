// Typed characters through the Arabic/Farsi shaper: on a row the shaper
// edits (a bidirectional host editor, a shaping language, the display's
// cursor running right to left and the host's language shaped), a typed or
// replacing character goes through the shaper, which reshapes its
// neighbours. A character the shaper cannot place shows operator error 69:
// a replacing one leaves the row as it was, an inserted one stands unshaped
// under the cursor for Reset to take out.
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "textassist/ASDInfoWP.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned int kShapingError = 69;
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
