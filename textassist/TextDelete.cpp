// The delete of a marked range that the station carries out itself: the
// range between the marked start and the cursor is removed here when it
// lies on one row or runs into the next one and holds nothing the host must
// see go (line prompts, word underscores, protected control characters);
// every other delete is handed to the host's text editor. Also the check
// that a range may be cut out of the page.
#include <utility>

#include "datastream/HostInterface.h"
#include "datastream/TextHostTables.h"
#include "display/DisplayBag.h"
#include "display/ECBScreenBuffer.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/Rendering.h"
#include "textassist/TextSession.h"

namespace {
constexpr uint32_t kMarkShown = 1u << 31;          // textFlagsA: the marked start is shown reversed
constexpr uint32_t kLinePrompt = 1u << 31;         // LineControlRecord::ctl2
constexpr unsigned char kBlinkMarked = 0x40;       // cursor-blink reason of a pending operation
constexpr unsigned char kLineStop = 0x07;
constexpr unsigned char kWordUnderscoreStart = 0x84;
constexpr unsigned char kWordUnderscoreNext = 0x04;
constexpr unsigned char kSecondaryProtected = 0x88;

// The half-index shift open after the secondary-plane markers in
// [from, before): 0x82 after a raising marker (bit 0x01), 0x81 after a
// lowering one (bit 0x02), 0 when the markers cancel out.
unsigned char HalfIndexState(const TextSession& t, unsigned int from, unsigned int before) {
  unsigned char state = 0;
  if (!t.secondaryBuffer) return 0;
  for (unsigned int p = from; p < before && p <= t.secondaryBuffer->lastOffset(); ++p) {
    const unsigned char a = t.secondaryBuffer->getCharacter(p);
    if (!(a & 0x80)) continue;
    if (a & 0x01)
      state = state == 0x81 ? 0 : 0x82;
    else if (a & 0x02)
      state = state == 0x82 ? 0 : 0x81;
  }
  return state;
}

// Writes the shift still open at the row's right margin after it (on the
// margin itself when that is the row's last position).
void TerminateHalfIndex(TextSession& t, unsigned int row) {
  const unsigned int L = t.effectiveleftmar(row), R = t.rightmar(row);
  const unsigned int last = row * t.cols - 1u;
  const unsigned int from = L > (row - 1u) * t.cols ? L - 1 : L;
  const unsigned int at = R < last ? R + 1 : R;
  const unsigned char state = HalfIndexState(t, from, at);
  const unsigned char here = t.secondaryBuffer->getCharacter(at);
  const bool terminator = here == 0x81 || here == 0x82 || here == 0;
  if (terminator && here != state) t.secondaryBuffer->writeCharacter(at, state);
}
}  // namespace

bool TextSession::nonDelChar(unsigned char ch) const {
  switch (ch) {
    case 0x07: case 0x0B: case 0x0D: case 0x17: case 0x18: case 0x19: case 0x1A: case 0x1C:
      return true;
    default:
      return false;
  }
}

bool TextSession::checkNonDel(unsigned int row, unsigned int fromCol, unsigned int toCol) {
  if (row < 1 || row > rows || fromCol < 1 || toCol > cols) return true;
  const unsigned int first = (row - 1) * cols;
  for (unsigned int c = fromCol; c <= toCol; ++c) {
    const unsigned int p = first + c - 1;
    if (nonDelChar(charAt(p))) return true;
    if (extendedPlanes() && planeByte(p, 2) == kSecondaryProtected) return true;
  }
  if (textLine(row)) {
    const unsigned int L = leftmar(row), R = rightmar(row);
    for (unsigned int p = L; p <= R; ++p)
      if (charAt(p) == kLineStop) return true;
  }
  return false;
}

unsigned int TextSession::lastCharOfRow(unsigned int row) {
  const unsigned int L = effectiveleftmar(row), R = rightmar(row);
  for (unsigned int p = R + 1; p-- > L;)
    if (charAt(p)) return p;
  return L;
}

bool TextSession::delCheck(unsigned int row1, unsigned int col1, unsigned int row2, unsigned int col2) {
  if (row1 < 1 || row2 < row1 || row2 > rows || row2 > kRows || !col1 || !col2 || col1 > cols ||
      col2 > cols)
    return false;
  // Only the next row: a delete that reaches further is the host's.
  if (row2 != row1 && row2 != row1 + 1) return false;
  for (unsigned int r = row1; r <= row2; ++r) {
    if (!editableRow(r) || (line(r).ctl2 & kLinePrompt) || wordUnderscoreOnLine(r)) return false;
  }
  if (isRightToLeftLine(row1) || isRightToLeftLine(row2)) {
    // A right-to-left line is deleted from here only within one row; a
    // range that joins two rows is the host's.
    return row2 == row1 && bidiDelCheck(row1, col1, col2);
  }
  if (!searchscaleline(row1, 2)) return false;
  const unsigned int start = offsetOf(row1, col1), end = offsetOf(row2, col2);
  const unsigned int L1 = effectiveleftmar(row1), R1 = rightmar(row1);
  if (start < L1 || start > R1) return false;
  if (start == L1) {
    // Emptying a line from its margin is the host's: it may drop the line.
    if (row2 != row1 || end >= lastCharOfRow(row1)) return false;
  }
  if (row2 == row1) {
    if (end > R1 || checkNonDel(row1, col1, col2)) return false;
  } else {
    if (checkNonDel(row1, col1, columnOf(R1))) return false;
    if (!searchscaleline(row2, 1) || !searchscaleline(row2, 2)) return false;
    const unsigned int L2 = effectiveleftmar(row2);
    if (end < L2 || end > lastCharOfRow(row2)) return false;
    if (checkNonDel(row2, columnOf(L2), col2)) return false;
  }
  return !nonDelChar(dpo.displaced[1]);
}

// The leftmost character of a right-to-left row's text: its last in
// reading order (the row's mirrored right margin when it is empty).
unsigned int TextSession::bidiLastCharOfRow(unsigned int row) {
  const BidiMargins m = bidiMargins(row);
  for (unsigned int p = m.end; p <= m.effStart; ++p)
    if (charAt(p)) return p;
  return m.end;
}

bool TextSession::bidiDelCheck(unsigned int row, unsigned int col1, unsigned int col2) {
  if (!searchscaleline(row, 2)) return false;
  const BidiMargins m = bidiMargins(row);
  const unsigned int low = offsetOf(row, col1), high = offsetOf(row, col2);
  if (low < m.end || high > m.effStart) return false;
  // Emptying a line from its start is the host's: it may drop the line.
  if (high == m.effStart && low <= bidiLastCharOfRow(row)) return false;
  if (checkNonDel(row, col1, col2)) return false;
  return !nonDelChar(dpo.displaced[1]);
}

// On a right-to-left row the text after the range in reading order lies to
// its left: that text moves right onto the range, and the row's end (its
// left) becomes null. The cursor stands where the range began.
void TextSession::bidiPerformDelete(unsigned int row, unsigned int col1, unsigned int col2, PlaneNumber plane) {
  const BidiMargins m = bidiMargins(row);
  const unsigned int high = offsetOf(row, col2);
  unsigned int low = offsetOf(row, col1);
  const unsigned int lastChar = bidiLastCharOfRow(row);
  if (low < lastChar) low = lastChar;
  if (low < m.end) low = m.end;
  if (low <= high) {
    const unsigned int count = high - low + 1;
    const unsigned char primary = planeByte(low, 1), secondary = planeByte(low, 2);
    if (low > m.end) shiftchars(m.end, low - m.end, static_cast<int>(count));
    psBuffer->fillRange(m.end, m.end + count - 1, 0x00);
    if (extendedPlanes()) {
      primaryBuffer->clearAllECBPlanes(static_cast<int>(m.end), static_cast<int>(m.end + count - 1));
      adjustAttrs(high, plane, secondary, primary);
    }
  }
  updatetermattr(row);
  if (extendedPlanes()) TerminateHalfIndex(*this, row);
  line(row).ctl |= line_ctl::kChanged | line_ctl::kChangedTag;
  unsigned int cursor = high;
  if (insertMode()) bidialign(high, cursor);
  cursorPos = static_cast<uint16_t>(cursor);
  cursorPlane = Plane0;
}

void TextSession::adjustAttrs(unsigned int pos, PlaneNumber plane, unsigned char secondary, unsigned char primary) {
  if (!extendedPlanes() || !primaryBuffer || !secondaryBuffer || pos > primaryBuffer->lastOffset()) return;
  if (plane == Plane0 && !planeByte(pos, 1) && (primary & 0x80)) primaryBuffer->writeCharacter(pos, primary);
  unsigned char s = planeByte(pos, 2);
  if (!(s & 0x80) && plane != Plane2 && (secondary & 0x80)) s = secondary;
  if (s & 0x80) {
    // A half-index marker that repeats the shift already open before the
    // join is dropped.
    if (s & 0x03) {
      const unsigned int row = rowOf(pos);
      const unsigned int left = effectiveleftmar(row);
      const unsigned char open = HalfIndexState(*this, left > (row - 1) * cols ? left - 1 : left, pos);
      if ((open == 0x82 && (s & 0x01)) || (open == 0x81 && (s & 0x02))) s = static_cast<unsigned char>(s & ~0x03);
      if (s == 0x80) s = 0;
    }
    // A word-underscored character after a delimiter starts its word.
    if ((s & kWordUnderscoreNext) && (!(pos % cols) || wordDelimiter(charAt(pos - 1)))) s = kWordUnderscoreStart;
  }
  if (s != planeByte(pos, 2)) secondaryBuffer->writeCharacter(pos, s);
}

void TextSession::performDelete(unsigned int row1, unsigned int col1, unsigned int row2, unsigned int col2,
                                PlaneNumber plane1, PlaneNumber plane2) {
  (void)plane2;
  if (!psBuffer || row1 < 1 || row2 < row1 || row2 > rows || row2 > kRows || col1 < 1 || col1 > cols || col2 < 1 ||
      col2 > cols)
    return;
  if (row2 == row1 && isRightToLeftLine(row1)) {
    bidiPerformDelete(row1, col1, col2, plane1);
    return;
  }
  const unsigned int start = offsetOf(row1, col1);
  unsigned int from = start;
  for (unsigned int r = row1; r < row2; ++r) {
    // A row before the last loses everything from the start to its margin.
    const unsigned int R = rightmar(r);
    if (from <= R) {
      unsigned int ws = 0, we = 0;
      if (extendedPlanes() && from > effectiveleftmar(r) && WUSIsActive(from - 1, Plane0, ws, we) && ws < from &&
          we >= from)
        removeWUSEffect(ws, from - 1);
      psBuffer->fillRange(from, R, 0x00);
      if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(from), static_cast<int>(R));
    }
    updatetermattr(r);
    if (extendedPlanes()) TerminateHalfIndex(*this, r);
    line(r).ctl |= line_ctl::kChanged | line_ctl::kChangedTag;
    from = effectiveleftmar(r + 1);
  }
  const unsigned int R = rightmar(row2);
  unsigned int last = offsetOf(row2, col2);
  const unsigned int lastChar = lastCharOfRow(row2);
  if (last > lastChar) last = lastChar;
  if (last > R) last = R;
  if (from <= last) {
    const unsigned int count = last - from + 1;
    const unsigned char primary = planeByte(from, 1), secondary = planeByte(from, 2);
    unsigned int ws = 0, we = 0;
    if (extendedPlanes() && from > effectiveleftmar(row2) && WUSIsActive(from - 1, Plane0, ws, we) && ws < from &&
        we >= from)
      removeWUSEffect(ws, from - 1);
    psBuffer->deleteCharacters(from, R, count);
    if (extendedPlanes()) {
      primaryBuffer->deleteCharacters(from, R, count);
      secondaryBuffer->deleteCharacters(from, R, count);
      adjustAttrs(from, row2 == row1 ? plane1 : Plane0, secondary, primary);
    }
  }
  updatetermattr(row2);
  if (extendedPlanes()) TerminateHalfIndex(*this, row2);
  line(row2).ctl |= line_ctl::kChanged | line_ctl::kChangedTag;
  unsigned int cursor = start;
  if (insertMode()) align(start, cursor);
  cursorPos = static_cast<uint16_t>(cursor);
  cursorPlane = Plane0;
}

void TextSession::wscDelete() {
  const unsigned int markRow = dpo.row, markColumn = dpo.column;
  // The marked start shows its reversed marking until the end is known.
  restoreDisplacedChars(markRow, markColumn, true);
  unsigned int startPos = offsetOf(markRow, markColumn), endPos = cursorPos;
  PlaneNumber startPlane = static_cast<PlaneNumber>(copyMoveDelState <= 2 ? copyMoveDelState : 0);
  PlaneNumber endPlane = cursorPlane;
  if (endPos < startPos || (endPos == startPos && endPlane > startPlane)) {
    std::swap(startPos, endPos);
    std::swap(startPlane, endPlane);
    textFlagsA &= ~kMarkShown;
  }
  cursorPos = static_cast<uint16_t>(startPos);
  dpo.row = static_cast<uint16_t>(rowOf(startPos));
  dpo.column = static_cast<uint16_t>(columnOf(startPos));
  modes &= ~(text_mode::kCopyMoveDel26 | text_mode::kCopyMoveDel27 | text_mode::kCopyMoveDel25);
  if (displayBag) displayBag->controlData().clearCursorRequestBits(kBlinkMarked);
  if (delCheck(rowOf(startPos), columnOf(startPos), rowOf(endPos), columnOf(endPos))) {
    performDelete(rowOf(startPos), columnOf(startPos), rowOf(endPos), columnOf(endPos), startPlane, endPlane);
    textFlagsA &= ~kMarkShown;
    copyMoveDelState = 0;
    refillPromptRow();
    moveCursorWithTimer(cursorPos, Plane0);
    return;
  }
  if (textFlagsA & kMarkShown) {
    cursorPos = static_cast<uint16_t>(endPos);
  } else {
    dpo.row = static_cast<uint16_t>(rowOf(endPos));
    dpo.column = static_cast<uint16_t>(columnOf(endPos));
  }
  textFlagsA &= ~kMarkShown;
  refillPromptRow();
  textSendAid(cursorPos, copyMoveDelAid);
}

void TextSession::keepPromptRow() {
  const unsigned int row = textDef.promptRow;
  if (!psBuffer || row < 1 || row > kRows || row * cols - 1u > psBuffer->lastOffset()) return;
  psBuffer->getData((row - 1) * cols, cols, promptLineSave);
  promptLineSaveRTL = (line(row).ctl3 & 0x80000000u) != 0;
}

void TextSession::refillPromptRow() {
  const unsigned int row = textDef.promptRow;
  if (!psBuffer || row < 1 || row > kRows || row * cols - 1u > psBuffer->lastOffset()) return;
  emptyRow(row);
  if (promptLineSaveRTL)
    line(row).ctl3 |= 0x80000000u;
  else
    line(row).ctl3 &= ~0x80000000u;
  writeRow((row - 1) * cols, promptLineSave, cols);
}

int TextSession::WPCutOK(unsigned int start, unsigned int length) {
  if (!psBuffer || !length || start > psBuffer->lastOffset() || length - 1 > psBuffer->lastOffset() - start) return 0;
  const unsigned int end = start + length - 1;
  const unsigned int row1 = rowOf(start), row2 = rowOf(end);
  if (row2 > kRows) return 0;
  if (row1 == row2 && !textLine(row1)) return 0;
  if (textDef.lineCmdFieldSize) {
    if (row1 != row2 || !textLine(row1)) return 0;
    const bool rtl = isRightToLeftLine(row1);
    const unsigned int L = rtl ? convertLVOffset(rightmar(row1)) : leftmar(row1);
    const unsigned int R = rtl ? convertLVOffset(leftmar(row1)) : rightmar(row1);
    return start >= L && end <= R ? 1 : 0;
  }
  bool anyText = false;
  for (unsigned int r = textDef.firstTextRow; r <= textDef.lastTextRow && r <= kRows; ++r)
    if (textLine(r)) anyText = true;
  if (!anyText) return 0;
  for (unsigned int r = row1; r <= row2; ++r) {
    if (!textLine(r)) return 0;
    if (r > textDef.lastTextRow && (line(r).ctl & line_ctl::kShownOnly)) return 0;
  }
  return 1;
}

unsigned char TextSession::deleteFunctionAid() const {
  HostInterface* host = displayBag ? displayBag->hostInterface() : nullptr;
  if (!host) return 0;
  unsigned char entry[82];
  for (unsigned int key = 1; key <= 24; ++key)
    if (host->textTables().getCmdKeyEntry(secLangTables() ? 1 : 0, key, HQ600Host(), entry) && entry[2] == 5)
      return static_cast<unsigned char>(key <= 12 ? 0x30 + key : 0xB0 + key - 12);
  return 0;
}

void TextSession::cutText(unsigned int from, unsigned int to) {
  if (!psBuffer || from > to || to > psBuffer->lastOffset()) return;
  const uint32_t busy = text_mode::kPromptInput | text_mode::kErrorShown | text_mode::kKeyboardLocked |
                        text_mode::kLocate | text_mode::kCopyMoveDel27 | text_mode::kCopyMoveDel26 |
                        text_mode::kCopyMoveDel25 | text_mode::kCursorDraw;
  if (modes & busy) {
    operatorerror(modes & text_mode::kPromptInput ? 74 : 71);
    return;
  }
  const unsigned int row1 = rowOf(from), row2 = rowOf(to);
  if (!textLine(row1) || !textLine(row2)) {
    operatorerror(72);
    return;
  }
  auto left = [&](unsigned int row) { return isRightToLeftLine(row) ? convertLVOffset(rightmar(row)) : leftmar(row); };
  auto right = [&](unsigned int row) { return isRightToLeftLine(row) ? convertLVOffset(leftmar(row)) : rightmar(row); };
  if (from < left(row1)) from = left(row1);
  if (to > right(row2)) to = right(row2);
  if (from > to || !from) {
    operatorerror(72);
    return;
  }
  // Without a delete function of the host's, only what the station deletes
  // itself can be cut.
  const unsigned char aid = deleteFunctionAid();
  if (!aid && ((dpo.options & 0x80000000u) || !delCheck(row1, columnOf(from), row2, columnOf(to)))) {
    operatorerror(72);
    return;
  }
  keepPromptRow();
  moveCursor(to, Plane0);
  dpo.row = static_cast<uint16_t>(row1);
  dpo.column = static_cast<uint16_t>(columnOf(from));
  copyMoveDelState = Plane0;
  copyMoveDelAid = aid;
  revImage(from);
  modes |= text_mode::kLocate | text_mode::kCopyMoveDel26;
  encmd();
  if (modes & text_mode::kCopyMoveDel26) {
    // The completion was refused (its operator error shows): the range
    // stays as it was.
    restoreDisplacedChars(dpo.row, dpo.column, true);
    modes &= ~(text_mode::kLocate | text_mode::kCopyMoveDel26);
    textFlagsA &= ~kMarkShown;
  }
}
