// Cursor movement on right-to-left lines under a bidirectional host
// editor, over pushed segments (runs of the other direction between the
// markers 0x0B and 0x0D), and the Arabic/Farsi shaper's part in it: the
// shaping run ends before the cursor leaves, and the shape keys.
//
// A right-to-left line is shown from the row's end leftwards: its text
// starts at the mirrored left margin (the higher offset) and ends at the
// mirrored right margin. Moving left goes towards the text's end, moving
// right towards its start.
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/ASDInfoWP.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned char kAidLeftEdge = 0xD9;
constexpr unsigned char kAidRightEdge = 0xDA;
constexpr unsigned int kShapedLanguage = 1u << 13;  // textFlagsA
constexpr uint32_t kLineContinuesLeft = 0x60000000u;   // LineControlRecord::ctl2 bits 30, 29
constexpr uint32_t kLineContinuesRight = 0x18000000u;  // LineControlRecord::ctl2 bits 28, 27
constexpr unsigned int kShapingError = 69;
}  // namespace

TextSession::BidiMargins TextSession::bidiMargins(unsigned int row) {
  BidiMargins m;
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  auto mirrored = [&](unsigned int pos) {
    const unsigned int p = convertLVOffset(pos);
    return p < first ? first : p > last ? last : p;
  };
  m.start = mirrored(leftmar(row));
  m.effStart = mirrored(effectiveleftmar(row));
  m.end = mirrored(rightmar(row));
  if (m.effStart > m.start) m.effStart = m.start;
  if (m.end > m.effStart) m.end = m.effStart;
  return m;
}

unsigned int TextSession::sidewaysEntry(unsigned int row, bool atStart) {
  if (row == textDef.promptRow && !atStart) return row * cols - 1u;
  if (!textLine(row)) return atStart ? (row - 1) * cols : row * cols - 1u;
  if (isRightToLeftLine(row)) {
    const BidiMargins m = bidiMargins(row);
    return atStart ? m.effStart : m.end;
  }
  return atStart ? effectiveleftmar(row) : leftmar(row);
}

// Shaping.

bool TextSession::shapingOnRow() const {
  return bidihosteditor() && displayBag && displayBag->asd().language() != ASD::kNoLanguage &&
         (displayBag->modeFlagsA() & DisplayBag::kARTLCursor) && (textFlagsA & kShapedLanguage);
}

void TextSession::shapingRange(unsigned int row, unsigned int& start, unsigned int& end) {
  const unsigned int first = (row - 1) * cols;
  if (promptInput() && row == textDef.promptRow) {
    start = promptInputStart;
    end = first + 1;
    if (end > start) end = start;
    return;
  }
  if (isRightToLeftLine(row)) {
    const BidiMargins m = bidiMargins(row);
    start = m.start;
    end = m.end;
    return;
  }
  // A right-to-left run inside a left-to-right line types leftwards too.
  start = rightmar(row);
  end = leftmar(row);
  if (end > start) end = start;
}

void TextSession::takeShaperCursor() {
  const unsigned int at = displayBag->cursor().getCursorOffset();
  if (psBuffer && at <= psBuffer->lastOffset()) cursorPos = static_cast<uint16_t>(at);
  writeCursor();
}

bool TextSession::asdcheck(unsigned int kind) {
  if (!shapingOnRow() || !psBuffer || cursorPos > psBuffer->lastOffset()) return true;
  unsigned int start = 0, end = 0;
  shapingRange(rowOf(cursorPos), start, end);
  ASDInfoWP info(this, start, end);
  const int r = displayBag->asd().interruptASDType2(info, kind);
  takeShaperCursor();
  if (!r) return true;
  operatorerror(kShapingError);
  return false;
}

void TextSession::processshapekey(unsigned int kind) {
  if (kind < 1 || kind > 5 || !shapingOnRow() || !psBuffer || cursorPos > psBuffer->lastOffset()) return;
  unsigned int start = 0, end = 0;
  shapingRange(rowOf(cursorPos), start, end);
  ASDInfoWP info(this, start, end);
  ASD& asd = displayBag->asd();
  int r = 0;
  switch (kind) {
    case 1: r = asd.baseKey(info); break;
    case 2: r = asd.farsiBaseKey(info); break;
    case 3: r = asd.finalKey(info); break;
    case 4: r = asd.initialKey(info); break;
    default: r = asd.middleKey(info); break;
  }
  takeShaperCursor();
  if (r) operatorerror(kShapingError);
}

// Moves on a right-to-left line.

TextSession::TabContext TextSession::bidiintabbounds(unsigned int pos) {
  TabContext t = biditabfunctionact(pos);
  if (!t.active) return t;
  const int origin = t.tabPos >= 0 ? t.tabPos : static_cast<int>(bidieffectiveleftmar(rowOf(pos))) + 1;
  t.active = static_cast<int>(pos) < origin && static_cast<int>(pos) >= t.stopPos;
  return t;
}

bool TextSession::bidiInTabNullRun(unsigned int row, unsigned int target) {
  if (!textLine(row) || !editableRow(row) || !insertMode() || inlinecmdfld(cursorPos)) return false;
  const BidiMargins m = bidiMargins(row);
  if (cursorPos < m.end || cursorPos > m.start) return false;
  if (target < m.end || target > m.start || charAt(target)) return false;
  return bidiintabbounds(target).active;
}

// Forwards (leftwards) through a tab's null run: to the next character up
// to the mirrored right margin, else to the next tab stop, else the target.
bool TextSession::bidiSkipTabNullsForward(unsigned int row, unsigned int target) {
  if (!bidiInTabNullRun(row, target)) return false;
  const BidiMargins m = bidiMargins(row);
  for (unsigned int p = target + 1; p-- > m.end;)
    if (charAt(p)) {
      moveCursorWithTimer(p, Plane0);
      return true;
    }
  unsigned char type = 0;
  const int stop = cursorPos > m.end ? bidifindtabstop(cursorPos, m.end, type) : -1;
  moveCursorWithTimer(stop >= 0 ? static_cast<unsigned int>(stop) : target, Plane0);
  return true;
}

// Backwards (rightwards) through a tab's null run: to the last character
// between the target and the tab character.
bool TextSession::bidiSkipTabNullsBack(unsigned int row, unsigned int target) {
  if (!bidiInTabNullRun(row, target)) return false;
  const TabContext t = bidiintabbounds(target);
  if (t.tabPos < 0) {
    // The tabbed text came from the line above: without a left-margin mark
    // the host knows where it starts.
    if (!searchscaleline(row, 1)) {
      textSendAid(cursorPos, kAidLeftEdge);
      return true;
    }
    return false;
  }
  for (unsigned int p = target + 1; p <= static_cast<unsigned int>(t.tabPos); ++p)
    if (charAt(p)) {
      moveCursorWithTimer(p, Plane0);
      return true;
    }
  return false;
}

void TextSession::bidimoveleft(unsigned int target) {
  if (!asdcheck(1)) return;
  if (target > cursorPos) target = cursorPos;
  const unsigned int row = rowOf(cursorPos);
  const unsigned int first = (row - 1) * cols;
  const bool fast = cursorPos >= target + 2;
  const bool leavesRow = target < first || (cursorPos == first && target == first);
  if (inlinecmdfld(cursorPos)) {
    // The command field runs left to right; leaving it at its start goes
    // to the neighbouring row's field end (the row below with reversed row
    // order).
    if (leavesRow) {
      const unsigned int r = findnonoutputonlyln(row, reversedRowOrder() ? 3 : 2, true);
      const unsigned int to = textLine(r) && textDef.lineCmdFieldSize ? (r - 1) * cols + textDef.lineCmdFieldSize - 1u
                                                                      : r * cols - 1u;
      moveCursorWithTimer(to, Plane0);
    } else {
      moveCursorWithTimer(target, Plane0);
    }
    return;
  }
  if (!isRightToLeftLine(row)) {
    moveleft(target);
    return;
  }
  const BidiMargins m = bidiMargins(row);
  if (restrictedEditing() && textLine(row)) {
    if (target < m.end) {
      const unsigned int r = findeditableline(row, reversedRowOrder() ? 2 : 3, true);
      moveCursorWithTimer(sidewaysEntry(r, !reversedRowOrder()), Plane0);
    } else {
      moveCursorWithTimer(target <= m.start ? target : m.start, Plane0);
    }
    return;
  }
  if (promptInput() && row == textDef.promptRow) {
    // Past the row's last text position the cursor wraps to the input's start.
    if (target < first + 1 || leavesRow)
      moveCursor(promptInputStart, Plane0);
    else
      moveCursorWithTimer(target, Plane0);
    return;
  }
  if (textLine(row) && target > m.effStart) {
    moveCursorWithTimer(m.effStart, leftmostActivePlane(m.effStart));
    return;
  }
  if (bidiSkipTabNullsForward(row, target)) return;
  if (!hostEdges()) {
    const bool leaving = textLine(row) ? target < m.end : leavesRow;
    if (leaving) {
      const unsigned int r = findnonoutputonlyln(row, reversedRowOrder() ? 2 : 3, false);
      const unsigned int to = sidewaysEntry(r, true);
      moveCursorWithTimer(to, isRightToLeftLine(r) ? Plane0 : leftmostActivePlane(to));
      return;
    }
  } else {
    if (!textLine(row)) {
      moveCursorWithTimer(target >= first ? target : first, Plane0);
      return;
    }
    // The row's last text position, seen from the right.
    const unsigned int textEnd = first + textDef.lineCmdFieldSize + 1;
    if (searchscaleline(row, 2)) {
      if (target < m.end) {
        if (cursorPos != m.end) moveCursorWithTimer(m.end, leftmostActivePlane(m.end));
        return;
      }
    } else {
      const LineControlRecord& l = line(row);
      if (target < textEnd || leavesRow ||
          (cursorPos >= m.end && cursorPos <= m.start && insertMode() && !(l.ctl & line_ctl::kShownOnly) &&
           (charAt(target) == 0 || cursorPos == textEnd) && (l.ctl2 & kLineContinuesRight))) {
        textSendAid(cursorPos, kAidRightEdge);
        return;
      }
    }
  }
  if (fast || !extendedPlanes()) {
    moveCursorWithTimer(target, Plane0);
    return;
  }
  unsigned int p = cursorPos;
  PlaneNumber pl = cursorPlane;
  if (walkCursor(0, p, pl)) moveCursorWithTimer(p, pl);
}

void TextSession::bidimoveright(unsigned int target) {
  if (!asdcheck(0)) return;
  if (target < cursorPos) target = cursorPos;
  const unsigned int row = rowOf(cursorPos);
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  if (inlinecmdfld(cursorPos)) {
    if (target >= first + textDef.lineCmdFieldSize) {
      const unsigned int r = findnonoutputonlyln(row, reversedRowOrder() ? 2 : 3, false);
      moveCursorWithTimer((r - 1) * cols, Plane0);
    } else {
      moveCursorWithTimer(target, Plane0);
    }
    return;
  }
  if (!isRightToLeftLine(row)) {
    moveright(target);
    return;
  }
  const BidiMargins m = bidiMargins(row);
  if (restrictedEditing() && textLine(row)) {
    if (target > m.start) {
      const unsigned int r = findeditableline(row, reversedRowOrder() ? 3 : 2, true);
      moveCursorWithTimer(sidewaysEntry(r, reversedRowOrder()), Plane0);
    } else {
      moveCursorWithTimer(target >= m.end ? target : m.end, Plane0);
    }
    return;
  }
  if (promptInput() && row == textDef.promptRow) {
    moveCursorWithTimer(target > promptInputStart ? promptInputStart : target, Plane0);
    return;
  }
  if (textLine(row) && target < m.end) {
    moveCursorWithTimer(m.end, Plane0);
    return;
  }
  if (bidiSkipTabNullsBack(row, target)) return;
  if (!hostEdges()) {
    // Inside a segment the cursor may stand one position beyond the start.
    const unsigned int limit = m.effStart + (positionInSegment(cursorPos) ? 1u : 0u);
    const bool leaving = textLine(row) ? target > limit : (cursorPos == last || target > last);
    if (leaving) {
      const unsigned int r = findnonoutputonlyln(row, reversedRowOrder() ? 3 : 2, false);
      moveCursorWithTimer(sidewaysEntry(r, false), Plane0);
      return;
    }
  } else {
    if (!textLine(row)) {
      if (target <= last) moveCursorWithTimer(target, Plane0);
      return;
    }
    if (m.effStart != m.start || searchscaleline(row, 1)) {
      if (target > m.effStart) {
        if (cursorPos != m.effStart) moveCursorWithTimer(m.effStart, leftmostActivePlane(m.effStart));
        return;
      }
    } else {
      // No left-margin mark: the host moves the text and the cursor past
      // the line's start.
      const LineControlRecord& l = line(row);
      const unsigned int textStart = last - 1;
      if (target > textStart || target > m.effStart ||
          (cursorPos >= m.end && cursorPos <= m.start && insertMode() && !(l.ctl & line_ctl::kShownOnly) &&
           (charAt(target) == 0 || cursorPos == textStart) && (l.ctl2 & kLineContinuesLeft))) {
        bool text = false;
        for (unsigned int p = target; p <= m.start && p > cursorPos; ++p)
          if (charAt(p)) text = true;
        if (text && target <= m.effStart)
          moveCursorWithTimer(target, Plane0);
        else
          textSendAid(cursorPos, kAidLeftEdge);
        return;
      }
    }
  }
  if (target > last) return;
  if (charAt(target) == kSegmentBegin) modes |= text_mode::kSegmentEnd;
  moveCursorWithTimer(target, Plane0);
}

// Rows with pushed segments. Bit 19 of the modes tells that the cursor on
// a begin marker works inside its segment (it runs the segment's way).

// The cursor stays at `pos`, inside the segment there or outside it.
void TextSession::stayOnMarker(unsigned int pos, bool segmentEnd) {
  if (segmentEnd)
    modes |= text_mode::kSegmentEnd;
  else
    modes &= ~text_mode::kSegmentEnd;
  moveCursorWithTimer(pos, cursorPlane);
}

// The active begin marker of the segment that the end marker at `pos` on
// `row` closes, looked for the row's way; -1 when there is none.
int TextSession::segmentBeginOfEnd(unsigned int row, unsigned int pos, bool rtl) {
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  if (rtl) return pos < last ? findActiveBR(pos + 1, true) : -1;
  return pos > first ? findActiveBR(pos - 1, false) : -1;
}

void TextSession::leftSegmentProcess(unsigned int row) {
  if (!asdcheck(1)) return;
  const bool rtl = isRightToLeftLine(row);
  const unsigned int first = (row - 1) * cols;
  const unsigned int pos = cursorPos;
  const unsigned char here = charAt(pos);
  const bool inside = (modes & text_mode::kSegmentEnd) != 0;
  auto ordinary = [&]() {
    if (rtl)
      bidimoveleft(cursorPos ? cursorPos - 1u : 0);
    else
      moveleft(cursorPos ? cursorPos - 1u : 0);
  };
  if (here == kSegmentBegin && rtl && !inside) return stayOnMarker(pos, true);
  if (!rtl && inside) return stayOnMarker(pos, false);
  const unsigned char before = pos > first ? charAt(pos - 1) : 0;
  if (!rtl && before == kSegmentBegin) {
    modes |= text_mode::kSegmentEnd;
    moveCursorWithTimer(pos - 1, Plane0);
    return;
  }
  if (before == kSegmentEnd && pos >= first + 2) {
    if (!rtl && charAt(pos - 2) == kSegmentBegin) modes |= text_mode::kSegmentEnd;
    moveCursorWithTimer(pos - 2, Plane0);
    return;
  }
  if (here == kSegmentEnd) {
    const int begin = segmentBeginOfEnd(row, pos, rtl);
    if (begin >= 0) {
      const unsigned int to = rtl && static_cast<unsigned int>(begin) > pos ? begin - 1u : static_cast<unsigned int>(begin);
      if (!rtl && charAt(to) == kSegmentBegin) modes |= text_mode::kSegmentEnd;
      moveCursorWithTimer(to, Plane0);
      return;
    }
  }
  ordinary();
  if (modes & text_mode::kErrorShown) return;
  if (!rtl && cursorPos != pos && charAt(cursorPos) == kSegmentBegin) {
    modes |= text_mode::kSegmentEnd;
    writeCursor();
  } else if (cursorPos != pos && rowOf(cursorPos) == row && charAt(cursorPos) == kSegmentEnd) {
    ordinary();
  }
}

void TextSession::rightSegmentProcess(unsigned int row) {
  if (!asdcheck(0)) return;
  const bool rtl = isRightToLeftLine(row);
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  const unsigned int pos = cursorPos;
  const unsigned char here = charAt(pos);
  const bool inside = (modes & text_mode::kSegmentEnd) != 0;
  auto ordinary = [&]() {
    if (rtl)
      bidimoveright(cursorPos + 1u);
    else
      moveright(cursorPos + 1u);
  };
  if (here == kSegmentBegin && !rtl && !inside) return stayOnMarker(pos, true);
  if (rtl && inside) return stayOnMarker(pos, false);
  const unsigned char after = pos < last ? charAt(pos + 1) : 0;
  if (after == kSegmentEnd && pos + 2 <= last) {
    if (rtl && charAt(pos + 2) == kSegmentBegin) modes |= text_mode::kSegmentEnd;
    moveCursorWithTimer(pos + 2, Plane0);
    return;
  }
  if (here == kSegmentEnd) {
    const int begin = segmentBeginOfEnd(row, pos, rtl);
    if (begin >= 0) {
      const unsigned int to = rtl ? static_cast<unsigned int>(begin) : static_cast<unsigned int>(begin) + 1u;
      modes &= ~text_mode::kSegmentEnd;
      moveCursorWithTimer(to, Plane0);
      return;
    }
  }
  ordinary();
  if (modes & text_mode::kErrorShown) return;
  if (cursorPos != pos && rowOf(cursorPos) == row && charAt(cursorPos) == kSegmentEnd) ordinary();
}

