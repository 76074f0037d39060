// Cursor movement in the text: left and right (with local wrap to the
// neighbouring row or the host's edges), up and down, new line, begin and
// end of line, and the walk through the attribute planes of one position.
// Every cursor change ends in moveCursor.
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr unsigned char kAidLeftEdge = 0xD9;
constexpr unsigned char kAidRightEdge = 0xDA;
constexpr unsigned char kAidDown = 0xDB;
constexpr unsigned char kAidUp = 0xDC;
constexpr unsigned char kAidCursorMoved = 0xE2;
constexpr unsigned char kAidBeginOfLine = 0xE9;
constexpr unsigned char kAidEndOfLine = 0xEA;
constexpr unsigned char kAidDrawDown = 0xF5;
}  // namespace

bool TextSession::promptInput() const { return (modes & text_mode::kPromptInput) != 0; }
bool TextSession::hostEdges() const { return (textDef.defFlags & 0x10000000u) != 0; }
bool TextSession::restrictedEditing() const { return (textDef.defFlags & 0x08000000u) != 0; }
bool TextSession::reversedRowOrder() const { return (textDef.defFlags & 0x02000000u) != 0; }
bool TextSession::insertMode() const {
  return displayBag && (displayBag->modeFlagsA() & DisplayBag::kAInsert) != 0;
}
bool TextSession::editableRow(unsigned int row) const {
  return textLine(row) && !(line(row).ctl & line_ctl::kShownOnly);
}
unsigned int TextSession::lastRow() const { return cols ? screenSize / cols : 0; }

unsigned char TextSession::planeByte(unsigned int pos, unsigned int plane) const {
  if (!psBuffer || pos > psBuffer->lastOffset()) return 0;
  if (plane == 1) return primaryBuffer ? primaryBuffer->getCharacter(pos) : 0;
  if (plane == 2) return secondaryBuffer ? secondaryBuffer->getCharacter(pos) : 0;
  return psBuffer->getCharacter(pos);
}

bool TextSession::hasMaster(unsigned int pos, unsigned int plane) const {
  const unsigned char b = planeByte(pos, plane);
  switch (plane) {
    case 0: return b >= 0x20 && b <= 0x3F;
    case 1: case 2: return (b & 0x80) != 0;
    default: return false;
  }
}

PlaneNumber TextSession::leftmostActivePlane(unsigned int pos) const {
  if (!extendedPlanes()) return Plane0;
  const unsigned char s = planeByte(pos, 2);
  if ((s & 0x80) && s != 0x84) return Plane2;
  if (planeByte(pos, 1) & 0x80) return Plane1;
  return Plane0;
}

bool TextSession::sneakaidcheck() const {
  const unsigned int first = textDef.firstTextRow, last = textDef.lastTextRow;
  auto changed = [&](unsigned int r) { return r >= 1 && r <= kRows && (line(r).ctl & line_ctl::kChanged); };
  if (changed(last)) return changed(first) || changed(first + 1);
  return changed(first) && changed(last - 1);
}

void TextSession::moveCursor(unsigned int pos, PlaneNumber plane) {
  // Offsets come from keys, clicks and the host: one outside the plane is
  // refused and the cursor stays.
  if (!psBuffer || pos > psBuffer->lastOffset()) return;
  if (charAt(cursorPos) == kPlaceholder && pos != cursorPos && cursorPos <= psBuffer->lastOffset()) {
    const bool onPrompt = promptInput() && rowOf(cursorPos) == textDef.promptRow;
    psBuffer->writeCharacter(cursorPos, onPrompt ? 0x00 : 0x40);
  }
  cursorPos = static_cast<uint16_t>(pos);
  cursorPlane = extendedPlanes() ? plane : Plane0;
  if (displayBag) displayBag->getRendering()->setCursorPlane(cursorPlane);
  cursorChar = planeByte(pos, static_cast<unsigned int>(cursorPlane));
  writeCursor();
  if ((modes & text_mode::kHostWaits) && sneakaidcheck()) textSendAid(cursorPos, kAidCursorMoved);
}

void TextSession::moveCursorWithTimer(unsigned int pos, PlaneNumber plane) {
  moveCursor(pos, plane);
  if (displayBag) displayBag->getRendering()->textTimer(this);
}

unsigned int TextSession::findnonoutputonlyln(unsigned int row, int direction, bool stopAtLast) const {
  const unsigned int last = lastRow();
  if (!last) return row;
  unsigned int r = row;
  for (unsigned int step = 0; step < rows; ++step) {
    if (direction == 2)
      r = r <= 1 ? last : r - 1;
    else
      r = r >= last ? 1 : r + 1;
    if (stopAtLast && r == last) break;
    if (r > kRows || !(line(r).ctl & line_ctl::kNotText)) break;
  }
  return r;
}

unsigned int TextSession::findeditableline(unsigned int row, int direction, bool wrap) const {
  unsigned int r = row;
  for (unsigned int step = 0; step < rows; ++step) {
    const unsigned int next = findnonoutputonlyln(r, direction, false);
    if (!wrap && ((direction == 2 && next >= r) || (direction != 2 && next <= r))) return row;
    r = next;
    if (r == row) return row;
    if (editableRow(r)) return r;
  }
  return row;
}

bool TextSession::walkCursor(int direction, unsigned int& pos, PlaneNumber& plane) {
  unsigned int p = pos;
  PlaneNumber pl = plane;
  if (!extendedPlanes()) {
    pl = Plane0;
    if (direction == 0) {
      if (p == 0) return false;
      --p;
    } else {
      ++p;
    }
  } else if (direction == 0) {
    // Left: (p, 0), (p, 1), (p, 2), (p - 1, 0); stops only on planes that
    // hold an attribute.
    for (;;) {
      pl = planeWalkA[pl];
      if (pl == Plane0) {
        if (p == 0) return false;
        --p;
        break;
      }
      if (hasMaster(p, pl) && !(pl == Plane2 && planeByte(p, 2) == 0x84)) break;
    }
  } else {
    for (;;) {
      const PlaneNumber next = planeWalkB[pl];
      if (next == Plane2) ++p;
      pl = next;
      if (pl == Plane0) break;
      if (hasMaster(p, pl) && !(pl == Plane2 && planeByte(p, 2) == 0x84)) break;
    }
  }
  const unsigned int row = rowOf(pos);
  if (direction == 0) {
    const unsigned int e = effectiveleftmar(rowOf(p));
    if (textLine(row) && p < e) return false;
  } else {
    if (p > lastOffsetOfScreen() || (textLine(rowOf(p)) && p > rightmar(rowOf(p)))) return false;
  }
  pos = p;
  plane = pl;
  return true;
}

unsigned int TextSession::lastOffsetOfScreen() const {
  return psBuffer ? psBuffer->lastOffset() : screenSize - 1u;
}

bool TextSession::planeStepDue(int direction) const {
  if (!extendedPlanes()) return false;
  if (direction == 0) return cursorPlane != leftmostActivePlane(cursorPos) || cursorPlane != Plane0;
  return cursorPlane != Plane0;
}

void TextSession::moveleft(unsigned int target) {
  const unsigned int row = rowOf(cursorPos);
  const bool fast = cursorPos >= target + 2;
  if (extendedPlanes() && charAt(cursorPos) == kPlaceholder && cursorPlane == leftmostActivePlane(cursorPos))
    removeCNULL(cursorPos, 0);
  const bool stepDue = !fast && extendedPlanes() && cursorPlane != Plane2 && planeWalkA[cursorPlane] != Plane0 &&
                       hasMaster(cursorPos, planeWalkA[cursorPlane]);
  if (restrictedEditing() && textLine(row)) {
    if (target < leftmar(row)) {
      const unsigned int r = findeditableline(row, reversedRowOrder() ? 3 : 2, true);
      moveCursorWithTimer(reversedRowOrder() ? leftmar(r) : rightmar(r), Plane0);
    } else {
      moveCursorWithTimer(target <= rightmar(row) ? target : rightmar(row), Plane0);
    }
    return;
  }
  if (promptInput() && row == textDef.promptRow && target < promptInputStart) {
    if (!stepDue) {
      moveCursor(row * cols - 2u, Plane0);
      return;
    }
  }
  if (textLine(row) && !inlinecmdfld(cursorPos) && target > rightmar(row)) target = rightmar(row);
  if (skipTabNullsLeft(row, target, stepDue)) return;
  if (inlinecmdfld(cursorPos)) {
    const unsigned int start = (row - 1) * cols;
    if (target < start || cursorPos == start) {
      const unsigned int r = findnonoutputonlyln(row, 2, true);
      if (hostEdges())
        moveCursorWithTimer((r - 1) * cols + textDef.lineCmdFieldSize - 1u, Plane0);
      else
        moveCursorWithTimer(r == textDef.promptRow ? r * cols - 1u : rightmar(r), Plane0);
    } else {
      moveCursorWithTimer(target, Plane0);
    }
    return;
  }
  // Steps that leave the row or walk inside it: landing on a segment's
  // begin marker under a bidirectional host editor works inside it, however
  // the move ends.
  struct SegmentLanding {
    TextSession& t;
    const unsigned int before;
    ~SegmentLanding() {
      if (t.cursorPos != before && t.bidihosteditor() && t.cursorPlane == Plane0 &&
          t.charAt(t.cursorPos) == kSegmentBegin)
        t.modes |= text_mode::kSegmentEnd;
    }
  } landing{*this, cursorPos};
  const unsigned int e = effectiveleftmar(row);
  if (!hostEdges()) {
    const bool leaving = textLine(row) ? target < e : (cursorPos == (row - 1) * cols || target < (row - 1) * cols);
    if (leaving && !stepDue) {
      const unsigned int r = findnonoutputonlyln(row, reversedRowOrder() ? 3 : 2, false);
      unsigned int to = r * cols - 1u;
      if (textLine(r) && r != textDef.promptRow) to = rightmar(r);
      moveCursorWithTimer(to, Plane0);
      return;
    }
  } else {
    if (!textLine(row)) {
      // Nothing moves before the row's text area.
      if (target >= (row - 1) * cols + 1) moveCursorWithTimer(target, Plane0);
      return;
    }
    if (e != leftmar(row)) {
      if (e < leftmar(row)) return;
      if (target < e && !stepDue) {
        moveCursorWithTimer(e, leftmostActivePlane(e));
        return;
      }
    } else if (searchscaleline(row, 1)) {
      if (target < e && !stepDue) {
        moveCursorWithTimer(e, leftmostActivePlane(e));
        return;
      }
    } else {
      const LineControlRecord& l = line(row);
      const bool continued = (l.ctl2 & 0x60000000u) != 0;
      const bool atStart = cursorPos == e;
      if (target < (row - 1) * cols + 1 ||
          (cursorPos >= leftmar(row) && cursorPos <= rightmar(row) && insertMode() &&
           !(l.ctl & line_ctl::kShownOnly) && (charAt(target) == 0 || atStart) && continued) ||
          target < e) {
        bool text = false;
        for (unsigned int p = leftmar(row); p <= target && p < cursorPos; ++p)
          if (charAt(p)) text = true;
        if ((text && target >= e) || stepDue) {
          unsigned int p = cursorPos;
          PlaneNumber pl = cursorPlane;
          if (walkCursor(0, p, pl)) moveCursorWithTimer(p, pl);
        } else {
          textSendAid(cursorPos, kAidLeftEdge);
        }
        return;
      }
    }
  }
  if (fast) {
    moveCursorWithTimer(target, Plane0);
    return;
  }
  unsigned int p = cursorPos;
  PlaneNumber pl = cursorPlane;
  if (walkCursor(0, p, pl)) moveCursorWithTimer(p, pl);
}

void TextSession::moveright(unsigned int target) {
  const unsigned int row = rowOf(cursorPos);
  const bool fast = target >= cursorPos + 2u;
  const bool stepDue = !fast && extendedPlanes() && cursorPlane != Plane0;
  if (restrictedEditing() && textLine(row)) {
    if (target > rightmar(row)) {
      const unsigned int r = findeditableline(row, reversedRowOrder() ? 2 : 3, true);
      moveCursorWithTimer(reversedRowOrder() ? rightmar(r) : leftmar(r), Plane0);
    } else {
      moveCursorWithTimer(target >= leftmar(row) ? target : leftmar(row), Plane0);
    }
    return;
  }
  if (promptInput() && row == textDef.promptRow) {
    if (target > row * cols - 2u) moveCursor(promptInputStart, Plane0);
    else moveCursorWithTimer(target, Plane0);
    return;
  }
  const bool inCmd = inlinecmdfld(cursorPos);
  if (textLine(row) && !inCmd && target < effectiveleftmar(row)) {
    const unsigned int e = effectiveleftmar(row);
    moveCursorWithTimer(e, leftmostActivePlane(e));
    return;
  }
  if (skipTabNullsRight(row, target, stepDue)) return;
  if (!hostEdges()) {
    const bool beyond = textLine(row) ? (!inCmd && target > rightmar(row)) : target > row * cols - 1u;
    if (beyond && !stepDue) {
      const unsigned int r = findnonoutputonlyln(row, reversedRowOrder() ? 2 : 3, false);
      const unsigned int to = textLine(r) ? effectiveleftmar(r) : (r - 1) * cols;
      moveCursorWithTimer(to, leftmostActivePlane(to));
      return;
    }
    if (inCmd && target >= (row - 1) * cols + textDef.lineCmdFieldSize) {
      const unsigned int r = findnonoutputonlyln(row, 3, false);
      moveCursorWithTimer((r - 1) * cols, Plane0);
      return;
    }
  } else {
    if (!textLine(row)) {
      moveCursorWithTimer(target <= row * cols - 1u ? target : row * cols - 1u, Plane0);
      return;
    }
    if (inCmd) {
      if (target >= (row - 1) * cols + textDef.lineCmdFieldSize) {
        const unsigned int r = findnonoutputonlyln(row, 3, false);
        moveCursorWithTimer((r - 1) * cols, Plane0);
      } else {
        moveCursorWithTimer(target, Plane0);
      }
      return;
    }
    const unsigned int right = rightmar(row);
    if (searchscaleline(row, 2)) {
      if (target > right) {
        if (cursorPos != right) moveCursorWithTimer(right, leftmostActivePlane(right));
        return;
      }
    } else {
      const LineControlRecord& l = line(row);
      const bool continues = (l.ctl2 & 0x18000000u) != 0;
      if (target > row * cols - 2u ||
          (cursorPos >= leftmar(row) && cursorPos <= right && insertMode() && !(l.ctl & line_ctl::kShownOnly) &&
           (charAt(target) == 0 || cursorPos == row * cols - 2u) && continues)) {
        if (!stepDue) textSendAid(cursorPos, kAidRightEdge);
        return;
      }
    }
  }
  if (extendedPlanes() && charAt(cursorPos) == kPlaceholder && cursorPlane == Plane0 && removeCNULL(cursorPos, 1))
    return;
  if (!fast) {
    unsigned int p = cursorPos;
    PlaneNumber pl = cursorPlane;
    if (walkCursor(1, p, pl)) moveCursorWithTimer(p, pl);
    return;
  }
  if (target > lastOffsetOfScreen()) return;
  moveCursorWithTimer(target, leftmostActivePlane(target));
}

bool TextSession::inTabNullRun(unsigned int row, unsigned int target) {
  if (!textLine(row) || !editableRow(row) || !insertMode() || inlinecmdfld(cursorPos)) return false;
  if (cursorPos < leftmar(row) || cursorPos > rightmar(row)) return false;
  if (target < leftmar(row) || target > rightmar(row) || charAt(target)) return false;
  return intabbounds(target).active;
}

bool TextSession::skipTabNullsLeft(unsigned int row, unsigned int target, bool stepDue) {
  if (!inTabNullRun(row, target)) return false;
  if (stepDue) {
    unsigned int p = cursorPos;
    PlaneNumber pl = cursorPlane;
    if (walkCursor(0, p, pl)) moveCursorWithTimer(p, pl);
    return true;
  }
  const TabContext t = intabbounds(target);
  if (t.tabPos < 0) {
    // The tabbed text came from the line above: without a left-margin mark
    // the host knows where it starts.
    if (!searchscaleline(row, 1)) {
      textSendAid(cursorPos, kAidLeftEdge);
      return true;
    }
    return false;
  }
  for (unsigned int p = target; p-- > static_cast<unsigned int>(t.tabPos);)
    if (charAt(p)) {
      moveCursorWithTimer(p, Plane0);
      return true;
    }
  return false;
}

bool TextSession::skipTabNullsRight(unsigned int row, unsigned int target, bool stepDue) {
  if (stepDue || !inTabNullRun(row, target)) return false;
  if (extendedPlanes() && charAt(cursorPos) == kPlaceholder) removeCNULL(cursorPos, 1);
  const unsigned int R = rightmar(row);
  for (unsigned int p = target; p <= R; ++p)
    if (charAt(p)) {
      moveCursorWithTimer(p, leftmostActivePlane(p));
      return true;
    }
  unsigned char type = 0;
  const int stop = findtabstop(cursorPos, R, type);
  const unsigned int to = stop >= 0 ? static_cast<unsigned int>(stop) : target;
  moveCursorWithTimer(to, leftmostActivePlane(to));
  return true;
}

void TextSession::moveupdown(int direction) {
  if (!asdcheck(0)) return;
  const unsigned int row = rowOf(cursorPos);
  const unsigned int column = columnOf(cursorPos);
  if (restrictedEditing()) {
    const unsigned int r = findeditableline(row, direction, true);
    moveCursorWithTimer((r - 1) * cols + column - 1, Plane0);
    return;
  }
  if (promptInput()) {
    operatorerror(74);
    return;
  }
  bool found = true;
  const unsigned int r = (modes & text_mode::kCursorDraw) ? findmodifiableln(row, direction, found)
                                                          : findnonoutputonlyln(row, direction, false);
  if (hostEdges()) {
    const unsigned int first = textDef.firstTextRow, last = textDef.lastTextRow, bottom = lastRow();
    unsigned char aid = 0;
    if (direction == 2 && (row == first || (row > last && r <= last))) aid = kAidUp;
    if (direction == 3 && ((row <= last && r > last) || (row > last && row < bottom && r <= last) || r == bottom))
      aid = (textFlagsA & (1u << 28)) ? kAidDrawDown : kAidDown;
    if (aid) {
      if (extendedPlanes() && charAt(cursorPos) == kPlaceholder) removeCNULL(cursorPos, direction);
      textSendAid(cursorPos, aid);
      return;
    }
  }
  if (r == row || !found) {
    operatorerror(72);
    return;
  }
  if (extendedPlanes() && charAt(cursorPos) == kPlaceholder) removeCNULL(cursorPos, direction);
  const unsigned int to = (r - 1) * cols + column - 1;
  moveCursorWithTimer(to, (textFlagsA & (1u << 28)) ? Plane0 : leftmostActivePlane(to));
}

void TextSession::moveup() { moveupdown(2); }
void TextSession::movedown() { moveupdown(3); }

unsigned int TextSession::newline(bool& failed) {
  failed = false;
  if (!asdcheck(0)) {
    failed = true;
    return cursorPos;
  }
  const unsigned int row = rowOf(cursorPos);
  if (promptInput() && row == textDef.promptRow) {
    failed = true;
    operatorerror(74);
    return cursorPos;
  }
  if (extendedPlanes() && charAt(cursorPos) == kPlaceholder) removeCNULL(cursorPos, 3);
  if (restrictedEditing()) {
    const unsigned int r = findeditableline(row, 3, true);
    if (r == row) return cursorPos;
    return bidihosteditor() ? rightmar(r) : effectiveleftmar(r);
  }
  const bool inCmd = inlinecmdfld(cursorPos);
  if (hostEdges()) {
    if (inCmd) {
      const unsigned int r = findnonoutputonlyln(row, 3, false);
      return r == row ? cursorPos : (r - 1) * cols;
    }
    const unsigned int r = findnonoutputonlyln(row, 3, true);
    if (r == row) return cursorPos;
    if (!textLine(r)) return (r - 1) * cols;
    unsigned int to = leftmar(r) + getLCDleftmarginoffset(r);
    if (r == textDef.promptRow) ++to;
    return to;
  }
  const unsigned int r = findnonoutputonlyln(row, 3, false);
  if (r == row) return cursorPos;
  if (inCmd || !textLine(r)) return (r - 1) * cols;
  const unsigned int e = effectiveleftmar(r);
  return e;
}

// Begin and end of line. A right-to-left line starts at its mirrored
// effective left margin and ends at the last character met going leftwards.

unsigned int TextSession::lineStart(unsigned int row) {
  return isRightToLeftLine(row) ? bidiMargins(row).effStart : effectiveleftmar(row);
}

unsigned int TextSession::beginofline(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const bool promptRowNow = row == textDef.promptRow;
  if ((!textLine(row) && !promptRowNow) || (promptRowNow && !promptInput())) {
    operatorerror(72);
    return pos;
  }
  if (!searchscaleline(row, 1) && !promptRowNow) {
    textSendAid(pos, kAidBeginOfLine);
    return pos;
  }
  if (promptInput() && promptRowNow) return promptInputStart;
  return lineStart(row);
}

unsigned int TextSession::endofline(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const bool promptRowNow = row == textDef.promptRow;
  if ((!textLine(row) && !promptRowNow) || (promptRowNow && !promptInput())) {
    operatorerror(72);
    return pos;
  }
  const bool onPrompt = promptInput() && promptRowNow;
  if (!onPrompt && !searchscaleline(row, 2)) {
    textSendAid(pos, kAidEndOfLine);
    return pos;
  }
  const unsigned int start = lineStart(row);
  if (isRightToLeftLine(row)) {
    const unsigned int from = onPrompt ? (row - 1) * cols + 1 : bidiMargins(row).end;
    const unsigned int to = onPrompt ? promptInputStart : start;
    for (unsigned int p = from; p <= to; ++p)
      if (charAt(p)) return p;
  } else {
    const unsigned int from = onPrompt ? promptInputStart : start;
    const unsigned int to = onPrompt ? row * cols - 2u : rightmar(row);
    for (unsigned int p = to + 1; p-- > from;)
      if (charAt(p)) return p;
  }
  if (onPrompt) return promptInputStart;
  if (searchscaleline(row, 1)) return start;
  textSendAid(pos, kAidEndOfLine);
  return pos;
}

unsigned int TextSession::getLCDleftmarginoffset(unsigned int row) {
  const unsigned int distance = rightmar(row) - leftmar(row);
  const unsigned int o = line(row).leftMarginOffset;
  return distance && o <= distance - 1 ? o : 0;
}

unsigned int TextSession::getLCDindentoffset(unsigned int row) {
  const unsigned int distance = rightmar(row) - leftmar(row);
  const unsigned int lm = getLCDleftmarginoffset(row);
  const unsigned int o = line(row).indentOffset;
  return distance > lm && o + lm + 1 <= distance ? o : 0;
}

bool TextSession::removeCNULL(unsigned int pos, int direction) {
  const unsigned int row = rowOf(pos);
  if (!extendedPlanes() || !textLine(row)) return false;
  const unsigned int right = rightmar(row);
  if (pos + 1 > right || operator_error_73(pos + 1)) return false;
  const unsigned char p1 = planeByte(pos + 1, 1), s1 = planeByte(pos + 1, 2), s0 = planeByte(pos, 2);
  if (!(p1 & 0x80) && !(s1 & 0x80)) return false;
  unsigned char s = static_cast<unsigned char>((s0 | s1) & ~0x04);
  if ((s & 0x03) == 0x03) s &= static_cast<unsigned char>(~0x03);
  if (s == 0x80) s = 0;
  if (s0 & 0x04) s = static_cast<unsigned char>(s ? (s | 0x04) : 0x84);
  shiftchars(pos + 1, right - pos, -1);
  psBuffer->writeCharacter(right, 0);
  primaryBuffer->clearAllECBPlanes(static_cast<int>(right), static_cast<int>(right));
  primaryBuffer->writeCharacter(pos, p1);
  secondaryBuffer->writeCharacter(pos, s);
  if (direction == 0 || direction == 1 || direction == 4) cursorPlane = leftmostActivePlane(pos);
  if (displayBag) displayBag->getRendering()->setCursorPlane(cursorPlane);
  setModifiedLineTags(pos, leftmar(row), right);
  updatetermattr(row);
  setTermHalfIndexAttr(row);
  return direction == 1;
}

bool TextSession::operator_error_73(unsigned int pos) const {
  if (promptInput()) return false;
  switch (charAt(pos)) {
    case 0x1C: case 0xFC: case 0x17: case 0x18: case 0x19: case 0x1A: case 0x07: case 0x0B: case 0x0D:
      return true;
    default:
      return false;
  }
}
