// The inbound text record: the cursor, the AID, the line control data and
// text of every changed line, and the status field. It goes only when the
// host asked for it (RDTXT); an AID before that waits for the read.
#include <cstring>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

namespace {
constexpr unsigned int kHeadBytes = 15;
constexpr unsigned int kStatusBytes = 18;
constexpr unsigned int kBlinkPending = 0x40;  // cursor-blink reason of a pending operation
constexpr uint32_t kAttributeSegments = 1u << 30;  // LineControlRecord::ctl3

void put16(unsigned char* p, unsigned int v) {
  p[0] = static_cast<unsigned char>(v >> 8);
  p[1] = static_cast<unsigned char>(v);
}
}  // namespace

bool TextSession::copyLCD(unsigned char* out, unsigned int row) {
  std::memset(out, 0, kLcdBytes);
  LineControlRecord& l = line(row);
  out[0] = static_cast<unsigned char>((l.ctl >> 24) & 0xFE);
  out[1] = static_cast<unsigned char>(((l.ctl2 >> 24) & 0xF8) | (l.spacing & 0x07));
  out[3] = static_cast<unsigned char>(l.row);
  if (HQ600Host())
    out[4] = static_cast<unsigned char>(((l.ctl3 >> 24) & 0xE0) | ((l.ctl3 >> 25) & 0x0F));
  getPageNum(out + 4);
  put16(out + 7, l.lineId);
  out[9] = l.newLine;
  out[10] = l.leftMarginOffset;
  out[11] = l.indentOffset;
  out[12] = l.scaleLineId;
  l.ctl &= ~(line_ctl::kChanged | line_ctl::kChangedTag);
  return HQ600Host();
}

void TextSession::updateLCD(unsigned int row) {
  LineControlRecord& l = line(row);
  l.ctl3 &= ~0x1E000000u;
  const unsigned int left = effectiveleftmar(row), right = rightmar(row);
  const unsigned int from = left > (row - 1) * cols ? left - 1 : left;
  if (primaryBuffer->findMismatch(from, right, 0) >= 0) l.ctl3 |= 1u << 28;
  const unsigned int rowEnd = row * cols - 1;
  if (right + 1 <= rowEnd && primaryBuffer->getCharacter(right + 1)) l.ctl3 |= 1u << 27;
  bool under = false, word = false;
  for (unsigned int p = left; p <= right && !(under && word); ++p) {
    const unsigned char a = secondaryBuffer->getCharacter(p);
    if (a & 0x03) under = true;
    if ((a & 0x04) && !word) word = true;
  }
  if (under) l.ctl3 |= 1u << 25;
  if (word) l.ctl3 |= 1u << 26;
}

void TextSession::rdtxtlineIDrenumbering() {
  unsigned int counter = 0;
  for (unsigned int row = 1; row <= rows; ++row) {
    LineControlRecord& l = line(row);
    if (l.ctl & (line_ctl::kShownOnly | line_ctl::kNotText)) continue;
    if (l.newLine && !(l.ctl & line_ctl::kChanged)) {
      l.newLine = 0;
      ++counter;
    }
    l.lineId = static_cast<uint16_t>(l.lineId + counter);
  }
}

// With extended attributes: the last position of a row's text, or -1 when
// the row has none. The text ends at the last character, or at the last
// position that holds anything in any plane when nothing stands beyond the
// right margin or the host edits by columns; with column editing and its
// margin rule the text beyond the right margin stays here. An attribute
// beyond the right margin takes the text at least one past the margin.
int TextSession::lineTextEnd(unsigned int row) {
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  const unsigned int right = rightmar(row);
  const uint32_t f = textDef.defFlags;
  const bool columns = (f & 0x80000000u) != 0;
  auto lastFrom = [&](unsigned int from, bool anyPlane) {
    for (unsigned int p = from + 1; p-- > first;) {
      if (psBuffer->getCharacter(p)) return static_cast<int>(p);
      if (anyPlane && (primaryBuffer->getCharacter(p) || secondaryBuffer->getCharacter(p)))
        return static_cast<int>(p);
    }
    return -1;
  };
  const bool beyond = right + 1 <= last;
  if (columns || ((line(row).ctl3 & (1u << 27)) == 0 && (!beyond || !secondaryBuffer->getCharacter(right + 1)))) {
    const bool atMargin = columns && (f & 0x20000000u) && right <= last;
    return lastFrom(atMargin ? right : last, true);
  }
  const int end = lastFrom(last, false);
  return beyond && end < static_cast<int>(right + 1) ? static_cast<int>(right + 1) : end;
}

// The text of one row into `out`; its length, or -1 when it does not fit.
unsigned int TextSession::sendLineText(unsigned int row, unsigned char* out, unsigned int room) {
  const unsigned int first = (row - 1) * cols, last = first + cols - 1;
  const bool rtl = isRightToLeftLine(row) && HQ600Host();
  if (!extendedPlanes()) {
    if (room < cols) return ~0u;
    const bool bidi = HQ600Host() && bidihosteditor();
    const bool markers = bidi && (line(row).ctl3 & kLineHasSegments);
    // Under restricted editing the closing attribute of a segment stands at
    // its opening and a blank at its end, so the end is no longer known: such
    // a line goes as it is shown.
    const bool attributes =
        bidi && (line(row).ctl3 & kAttributeSegments) && !restrictedEditing();
    if (rtl) {
      const unsigned int field = textLine(row) ? textDef.lineCmdFieldSize : 0;
      psBuffer->getData(first, field, out);
      unsigned int n = field;
      for (unsigned int p = last + 1; p-- > first + field;) out[n++] = psBuffer->getCharacter(p);
      restoreHostOrder(out, n, true, markers, attributes, field);
      return n;
    }
    psBuffer->getData(first, cols, out);
    // The host reads segments in reading order.
    if (markers) restoreHostOrder(out, cols, false, true, attributes, 0);
    return cols;
  }
  const int end = lineTextEnd(row);
  if (end < static_cast<int>(first)) return 0;
  const LineControlRecord& l = line(row);
  if (!(l.ctl3 & 0x16000000u)) {
    const unsigned int n = static_cast<unsigned int>(end) - first + 1;
    if (room < n) return ~0u;
    psBuffer->getData(first, n, out);
    return n;
  }
  const int n = psBuffer->readTextRowWithEnder(out, room, first, static_cast<unsigned int>(end));
  if (n < 0) return ~0u;
  return n ? static_cast<unsigned int>(n) - 1 : 0;
}

void TextSession::textSendAid(unsigned int position, unsigned char aid) {
  lastAid = aid;
  if (aid != 0xE2) {
    if (!(modes & text_mode::kAidPending)) setKBLocked(true);
    if (aid != 0xD3 && aid != 0xDD && aid != 0xDF && aid != 0xD7) asdcheck(0);
    // A placeholder under the cursor is merged into the next position, or
    // goes to the host as a blank.
    if (psBuffer && cursorPos <= psBuffer->lastOffset() && charAt(cursorPos) == text_char::kPlaceholder) {
      removeCNULL(cursorPos, 4);
      if (charAt(cursorPos) == text_char::kPlaceholder) {
        psBuffer->writeCharacter(cursorPos, 0x40);
        if (cursorPlane == Plane0) cursorChar = 0x40;
      }
    }
  }
  if (!(modes & text_mode::kHostWaits)) {
    modes |= text_mode::kAidPending;
    return;
  }
  if (!displayBag) return;
  Rendering* r = displayBag->getRendering();
  unsigned char* buf = static_cast<unsigned char*>(r->WsGetBuffer(kRecordBuffer));
  const unsigned int row = rowOf(position), column = columnOf(position);
  const bool mirror = isRightToLeftLine(row);
  auto shownColumn = [&](unsigned int c) {
    return mirror ? textDef.lineCmdFieldSize + cols - c + 1 : c;
  };
  buf[0] = static_cast<unsigned char>(row);
  buf[1] = static_cast<unsigned char>(shownColumn(column));
  buf[2] = aid;
  buf[5] = 0xD9;
  buf[6] = 0x32;
  buf[7] = 0x00;
  buf[8] = 0xD0;
  buf[9] = buf[10] = buf[11] = 0x00;
  buf[12] = static_cast<unsigned char>(rowOf(savedCursorPos));
  buf[13] = 0x00;
  buf[14] = static_cast<unsigned char>(shownColumn(columnOf(savedCursorPos)));

  // The rows to send.
  unsigned int firstRow = 0, lastRow = 0;
  auto changed = [&](unsigned int r2) { return (line(r2).ctl & line_ctl::kChanged) != 0; };
  if (aid != 0xE2) {
    for (unsigned int r2 = 1; r2 <= rows; ++r2)
      if (changed(r2)) {
        if (!firstRow) firstRow = r2;
        lastRow = r2;
      }
    if ((modes & (text_mode::kCopyMoveDel27 | text_mode::kCopyMoveDel26 | text_mode::kCopyMoveDel25)) ||
        (dpo.options & (1u << 25)))
      displayBag->controlData().clearCursorRequestBits(kBlinkPending);
  } else if (row < textDef.firstTextRow + 2) {
    for (unsigned int r2 = rows; r2 >= 1 && !lastRow; --r2)
      if (changed(r2)) lastRow = r2;
    if (lastRow) {
      const unsigned int from = lastRow > 5 ? lastRow - 5 : 1;
      for (unsigned int r2 = from; r2 <= lastRow && !firstRow; ++r2)
        if (changed(r2)) firstRow = r2;
    }
  } else {
    for (unsigned int r2 = 1; r2 <= rows && !firstRow; ++r2)
      if (changed(r2)) firstRow = r2;
    if (firstRow) {
      const unsigned int to = firstRow + 5 < rows ? firstRow + 5u : rows;
      for (unsigned int r2 = firstRow; r2 <= to; ++r2)
        if (changed(r2)) lastRow = r2;
    }
  }

  const bool two = extendedPlanes();
  const unsigned int lenBytes = two ? 2 : 1;
  unsigned int used = kHeadBytes;
  for (unsigned int r2 = firstRow; firstRow && r2 <= lastRow; ++r2) {
    if (!changed(r2)) continue;
    if (two) updateLCD(r2);
    const unsigned int head = lenBytes + kLcdBytes;
    if (kRecordBuffer - kStatusBytes - used < head) break;
    const unsigned int room = kRecordBuffer - kStatusBytes - used - head;
    const unsigned int n = sendLineText(r2, buf + used + head, room);
    // A row that does not fit keeps its changed bit and goes with a later record.
    if (n == ~0u) break;
    copyLCD(buf + used + lenBytes, r2);
    const unsigned int entry = head + n;
    if (two)
      put16(buf + used, entry);
    else
      buf[used] = static_cast<unsigned char>(entry);
    used += entry;
  }
  rdtxtlineIDrenumbering();
  put16(buf + 3, used - 3);

  unsigned char* s = buf + used;
  std::memset(s, 0, kStatusBytes);
  s[0] = 0x00;
  s[1] = 0x10;
  s[2] = 0xD9;
  s[3] = 0x38;
  unsigned char f = 0;
  if (displayBag->modeFlagsA() & DisplayBag::kAInsert) f |= 0x80;
  if (modes & text_mode::kLocate) f |= 0x40;
  if (textFlagsA & (1u << 30)) f |= 0x20;
  if (textFlagsA & (1u << 29)) f |= 0x10;
  if (modes & text_mode::kCopyMoveDel26) f |= 0x08;
  if (modes & text_mode::kCopyMoveDel27) f |= 0x04;
  if (modes & text_mode::kCopyMoveDel25) f |= 0x02;
  if (modes & text_mode::kPromptInput) f |= 0x01;
  s[5] = f;
  unsigned char g = 0;
  if (cursorPlane == Plane1) g |= 0x40;
  if (cursorPlane == Plane2) g |= 0x20;
  if (copyMoveDelState == 1) g |= 0x10;
  if (copyMoveDelState == 2) g |= 0x08;
  if (modes & text_mode::kPromptInput) {
    if (savedCursorPlane == Plane1) g |= 0x04;
    if (savedCursorPlane == Plane2) g |= 0x02;
  }
  s[6] = g;
  std::memcpy(s + 7, dpo.displaced, 3);
  s[11] = static_cast<unsigned char>(dpo.row);
  s[13] = static_cast<unsigned char>(dpo.column);
  s[14] = locateChar;
  s[15] = pendingPromptFunc;
  used += kStatusBytes;

  if (HostInterface* host = displayBag->hostInterface())
    host->sendDataToHost(buf, used, r, aid != 0xE2 ? 1 : 0);
  else
    r->WsFreeBuffer(buf);
  pendingPromptFunc = 0;
  textFlagsA &= ~((1u << 30) | (1u << 29));
  modes &= ~text_mode::kHostWaits;
}

unsigned int TextSession::determinePollType(unsigned int& changed) {
  const uint32_t directionChanged = (textFlagsA >> 27) & 1u;
  unsigned int result;
  if (modes & text_mode::kErrorShown) {
    result = 9;
  } else if (modes & text_mode::kKeyboardLocked) {
    result = 10;
  } else if (!bidihosteditor()) {
    changed = 0;
    result = 9;
  } else if (inlinecmdfld(cursorPos)) {
    changed = 0;
    result = 7;
  } else if (displayBag && (displayBag->modeFlagsA() & DisplayBag::kARTLCursor)) {
    changed = directionChanged;
    result = 2;
  } else if ((textFlagsA & (1u << 15)) && positionInSegment(cursorPos)) {
    changed = 0;
    result = 6;
  } else {
    changed = directionChanged;
    result = 1;
  }
  textFlagsA &= ~(1u << 27);
  return result;
}
