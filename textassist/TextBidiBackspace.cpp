// Backspace on a right-to-left line under a bidirectional host editor: the
// character before the cursor in reading order is the one to its right,
// and the text after the cursor (to its left) closes up rightwards. With
// Arabic or Farsi shaping the shaper removes the character, so that the
// letters around it take their shapes again.
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "textassist/ASDInfoWP.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

bool TextSession::bidiprocess_backspace(unsigned int target, unsigned int& newpos, unsigned int from,
                                        unsigned int length, unsigned int count) {
  newpos = target;
  if (!psBuffer || target > psBuffer->lastOffset() || (length && from > psBuffer->lastOffset())) return false;
  if (operator_error_73(target)) return false;
  if (extendedPlanes() && (planeByte(from, 2) & 0x18)) return false;
  const unsigned int row = rowOf(target);
  if (shapingOnRow()) {
    unsigned int start = 0, end = 0;
    shapingRange(row, start, end);
    ASDInfoWP info(this, start, end);
    info.setPosition(displayBag, target);
    displayBag->asd().deleteLogicalCharacter(info);
    const unsigned int at = displayBag->cursor().getCursorOffset();
    newpos = at <= psBuffer->lastOffset() ? at : target;
    return true;
  }
  if (!count) return false;
  // The run [from - length + 1, from] moves onto the removed characters;
  // with nothing to move only the target goes.
  const unsigned int low = length ? from + 1 - length : target;
  const unsigned int freed = length ? count : 1;
  if (length > from + 1 || low < (row - 1) * cols || (length && from + count > row * cols - 1u)) return false;
  if (length && !shiftchars(low, length, static_cast<int>(count))) return false;
  psBuffer->fillRange(low, low + freed - 1, 0x00);
  if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(low), static_cast<int>(low + freed - 1));
  return true;
}

unsigned int TextSession::bidibackspace(bool& failed) {
  failed = true;
  const unsigned int cursor = cursorPos;
  const unsigned int row = rowOf(cursor);
  const unsigned int first = (row - 1) * cols;
  const bool onPrompt = promptInput() && row == textDef.promptRow;
  if ((modes & text_mode::kLocate) && !promptInput()) {
    operatorerror(77);
    return cursor;
  }
  if (!onPrompt && (!textLine(row) || (line(row).ctl & line_ctl::kShownOnly))) {
    operatorerror(72);
    return cursor;
  }
  unsigned int start, effStart, end;
  bool marks = true;
  if (onPrompt) {
    start = effStart = promptInputStart;
    end = first + 1;
  } else {
    const BidiMargins m = bidiMargins(row);
    start = m.start;
    effStart = m.effStart;
    end = m.end;
    marks = searchscaleline(row, 1) && searchscaleline(row, 2);
  }
  const bool inSegment = !onPrompt && positionInSegment(cursor);
  if (cursor > effStart + (inSegment ? 1u : 0u) || cursor < end) {
    operatorerror(72);
    return cursor;
  }
  unsigned int newpos = cursor;
  if (onPrompt) {
    if (cursor >= promptInputStart) {
      operatorerror(72);
      return cursor;
    }
    // The character before the cursor goes; the rest of the input closes up.
    if (!bidiprocess_backspace(cursor + 1, newpos, cursor, cursor - end + 1, 1)) {
      operatorerror(73);
      return cursor;
    }
    failed = false;
    return newpos;
  }
  if (cursor == start && !marks) {
    operatorerror(72);
    return cursor;
  }
  if (cursor == effStart && !inSegment) {
    // Joins the row to the previous one: that row's last character goes.
    const unsigned int r = findeditableline(row, 2, false);
    if (r >= row) {
      operatorerror(72);
      return cursor;
    }
    const bool rtl = isRightToLeftLine(r);
    const BidiMargins pm = rtl ? bidiMargins(r) : BidiMargins();
    unsigned int target = 0;
    bool found = false;
    if (rtl) {
      for (unsigned int p = pm.end; p <= pm.start && !found; ++p)
        if (charAt(p)) {
          target = p;
          found = true;
        }
    } else {
      for (unsigned int p = rightmar(r) + 1; p-- > leftmar(r) && !found;)
        if (charAt(p)) {
          target = p;
          found = true;
        }
    }
    if (!found) {
      operatorerror(72);
      return cursor;
    }
    const bool removed = rtl ? bidiprocess_backspace(target, newpos, target ? target - 1 : 0, target - pm.end, 1)
                             : process_backspace(target, newpos, target + 1, rightmar(r) - target, 1);
    if (!removed) {
      operatorerror(73);
      return cursor;
    }
    if (rtl)
      setModifiedLineTags(newpos, pm.start, pm.end);
    else
      setModifiedLineTags(newpos, leftmar(r), rightmar(r));
    updatetermattr(r);
    failed = false;
    return newpos;
  }
  unsigned int target = cursor + 1;
  if (target > effStart && !searchscaleline(row, 1)) {
    operatorerror(72);
    return cursor;
  }
  const TabContext t = bidiintabbounds(cursor);
  if (t.active && !charAt(target) && t.tabPos >= 0) {
    // Inside a tab's null run the whole run goes, up to its tab character.
    target = static_cast<unsigned int>(t.tabPos);
  } else if (insertMode() && !charAt(target)) {
    while (target < effStart && !charAt(target + 1)) ++target;
  }
  // The text after the cursor closes up, to the next tab character or the
  // row's last text.
  unsigned int low = cursor;
  for (unsigned int p = cursor + 1; p-- > end;) {
    if (isTab(charAt(p)) && p < cursor) break;
    if (charAt(p)) low = p;
  }
  if (!bidiprocess_backspace(target, newpos, cursor, cursor - low + 1, target - cursor)) {
    operatorerror(73);
    return cursor;
  }
  if (insertMode()) {
    unsigned int aligned = newpos;
    if (bidialign(newpos, aligned)) newpos = aligned;
  }
  setModifiedLineTags(newpos, start, end);
  updatetermattr(row);
  failed = false;
  return newpos;
}
