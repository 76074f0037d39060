// The editing behind the carrier-return, tab, tab-advance, backtab and
// backspace keys of the text, and the locate search that several keys use
// while locate is armed.
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr unsigned char kAidCarrierReturn = 0xEE;
constexpr unsigned char kAidRequiredCarrierReturn = 0xEF;
constexpr unsigned char kAidTab = 0xDF;
constexpr unsigned char kAidRequiredTab = 0xD8;
constexpr unsigned char kAidBacktab = 0xDE;
constexpr unsigned char kAidLocate = 0xEB;
}  // namespace

bool TextSession::locateSearch(unsigned char ch, unsigned int& pos) {
  setLocateChar(ch, Plane0);
  const unsigned int startRow = rowOf(pos);
  unsigned int from = pos + 1;
  if (textLine(startRow) && pos == rightmar(startRow)) {
    const unsigned int r = startRow + 1;
    from = r <= textDef.lastTextRow ? leftmar(r) : from;
  }
  const unsigned int lastTextRowNow = textDef.lastTextRow < rows ? textDef.lastTextRow : rows;
  for (unsigned int r = rowOf(from); r >= 1 && r <= lastTextRowNow; ++r) {
    if (!textLine(r)) continue;
    const unsigned int L = leftmar(r), R = rightmar(r);
    if (!searchscaleline(r, 2) && ((dpo.options & 0x10000000u) || (textFlagsA & (1u << 26)))) break;
    for (unsigned int p = from > L ? from : L; p <= R; ++p)
      if (charAt(p) == ch) {
        pos = p;
        return true;
      }
    from = 0;
  }
  if ((dpo.options & 0x10000000u) && !(textFlagsA & (1u << 26))) {
    textSendAid(pos, kAidLocate);
    return false;
  }
  operatorerror(75);
  return false;
}

bool TextSession::editkeys(unsigned char ch, unsigned int& pos, bool& moved) {
  pos = cursorPos;
  moved = false;
  const unsigned int row = rowOf(pos);
  if ((modes & text_mode::kLocate) && !inlinecmdfld(pos) && textLine(row)) {
    unsigned int found = pos;
    moved = locateSearch(ch, found);
    if (moved) pos = found;
    return true;
  }
  const bool rtl = isRightToLeftLine(row);
  const unsigned int lo = rtl ? bidirightmar(row) : leftmar(row), hi = rtl ? bidileftmar(row) : rightmar(row);
  if (!textLine(row) || (line(row).ctl & line_ctl::kShownOnly) || inlinecmdfld(pos) || pos < lo || pos > hi) {
    operatorerror(72);
    return true;
  }
  if (restrictedEditing()) {
    // The key's own handler stays the one noted.
    const char* const handler = lastHandler_;
    datakeys(ch);
    lastHandler_ = handler;
    return true;
  }
  return false;
}

unsigned int TextSession::spillstringsize(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int R = rightmar(row);
  for (unsigned int p = R + 1; p-- > pos;)
    if (charAt(p)) return p - pos + 1;
  return 0;
}

bool TextSession::process_carrier_return(unsigned char ch, unsigned int& newpos) {
  const unsigned int cursor = cursorPos;
  unsigned int row = rowOf(cursor);
  newpos = cursor;
  if (inlinecmdfld(cursor) || cursor < leftmar(row) || cursor > rightmar(row)) {
    operatorerror(72);
    return false;
  }
  const bool local = searchscaleline(row, 1) && searchscaleline(row, 2) && !scalelineflagset(0, row) &&
                     !scalelineflagset(1, row) &&
                     ((textDef.defFlags & 0x80000000u) || !(line(row).ctl & 0x04000000u));
  if (!local) {
    if (extendedPlanes() && (planeByte(cursor, 2) & 0x88) == 0x08) {
      operatorerror(70);
      return false;
    }
    textSendAid(cursor, ch == kCarrierReturn ? kAidCarrierReturn : kAidRequiredCarrierReturn);
    return false;
  }
  const unsigned int indent = computeindentoffset(row, false);
  unsigned int p = cursor;
  if (!insertMode() && charAt(cursor) != kPageEnd) ++p;
  unsigned int length = spillstringsize(p);
  if (!length) length = 1;
  bool hasBell = false;
  for (unsigned int q = (row - 1) * cols; q < row * cols; ++q)
    if (charAt(q) == 0x07) hasBell = true;
  if (!cinsertpossible(p, indent, length) || hasBell || p > rightmar(row) + 1) {
    operatorerror(70);
    return false;
  }
  if (!insertMode() && operator_error_73(cursor)) {
    operatorerror(73);
    return false;
  }
  int direction = 3;
  if (!continuousinsert(row, direction, indent)) return false;
  unsigned int at = cursor;
  if (direction == 2) {
    row -= 1;
    at -= cols;
    p -= cols;
  }
  const unsigned int next = row + 1;
  if (ch != kCarrierReturn) line(next).leftMarginOffset = 0;
  const unsigned int target = effectiveleftmar(next);
  const bool tailExists = spillstringsize(p) > 0;
  if (tailExists) spillword(p, length, target, false, cursorPlane, (textDef.defFlags & 0x80000000u) != 0);
  psBuffer->writeCharacter(at, ch);
  convertimbeddednulls(at);
  setModifiedLineTags(at, leftmar(row), rightmar(row));
  line(next).ctl |= line_ctl::kChanged;
  newpos = target;
  unsigned int aligned = at;
  if (ch != kCarrierReturn || insertMode()) align(p, aligned);
  unsigned int cursorNew = target;
  if (align(target, cursorNew)) newpos = cursorNew;
  if (next != textDef.promptRow) CRonline(next);
  return true;
}

unsigned int TextSession::tabstopadvance(unsigned int pos) {
  const unsigned int R = rightmar(rowOf(pos));
  unsigned char type = 0;
  const int stop = findtabstop(pos, R, type);
  return stop >= 0 ? static_cast<unsigned int>(stop) : pos;
}

bool TextSession::tabfunction(unsigned int& newpos, unsigned char ch) {
  const unsigned int cursor = cursorPos;
  const unsigned int row = rowOf(cursor);
  const unsigned int R = rightmar(row);
  newpos = cursor;
  if (ch == kRequiredTab && (textDef.defFlags & 0x80000000u)) {
    operatorerror(77);
    return false;
  }
  if ((!insertMode() || charAt(cursor) == 0x12) && charAt(cursor) != kPageEnd) {
    if (ch == kRequiredTab) {
      newpos = tabstopadvance(cursor);
      return true;
    }
    newpos = replace(kTab, cursor);
    return newpos == cursor + 1;
  }
  newpos = insertdataright(ch, cursor);
  if (newpos == cursor || (modes & text_mode::kErrorShown)) return false;
  if (hostEdges() && !searchscaleline(row, 2)) {
    bool onlyNulls = true;
    for (unsigned int p = newpos; p <= R; ++p)
      if (charAt(p)) onlyNulls = false;
    unsigned char type = 0;
    const int stop = findtabstop(newpos, R, type);
    if (onlyNulls && (stop < 0 || static_cast<unsigned int>(stop) == R)) {
      textSendAid(cursor, ch == kTab ? kAidTab : kAidRequiredTab);
      return true;
    }
  }
  unsigned int aligned = newpos;
  if (align(newpos, aligned)) {
    newpos = aligned;
    return true;
  }
  if (rowOf(newpos) == row) {
    bool onlyNulls = true;
    for (unsigned int p = newpos; p <= R; ++p)
      if (charAt(p)) onlyNulls = false;
    if (onlyNulls) newpos = tabstopadvance(newpos);
  }
  return true;
}

unsigned int TextSession::tabadvance(unsigned int pos, unsigned char ch) {
  const unsigned int row = rowOf(pos);
  const unsigned int L = leftmar(row), R = rightmar(row);
  auto hostAid = [&]() -> bool {
    if (!hostEdges() || searchscaleline(row, 2)) return false;
    const LineControlRecord& l = line(row);
    if (ch == kTab && (l.ctl2 & 0x08000000u)) {
      textSendAid(pos, kAidTab);
      return true;
    }
    if (ch == kRequiredTab && (l.ctl2 & 0x10000000u)) {
      textSendAid(pos, kAidRequiredTab);
      return true;
    }
    return false;
  };
  // The column a tab character starts: its text or its stop, whichever
  // comes first.
  auto columnStart = [&](unsigned int tab, unsigned int& out) -> bool {
    unsigned char type = 0;
    const int stop = findtabstop(tab, R, type);
    unsigned int text = 0;
    bool haveText = false;
    for (unsigned int p = tab + 1; p <= R; ++p)
      if (charAt(p)) {
        text = p;
        haveText = true;
        break;
      }
    if (stop >= 0 && (!haveText || static_cast<unsigned int>(stop) <= text)) {
      out = static_cast<unsigned int>(stop);
      return true;
    }
    if (haveText) {
      out = text;
      return true;
    }
    if (hostAid()) return false;
    out = tab + 1;
    return true;
  };
  if (textLine(row) && pos >= L) {
    for (unsigned int p = (pos <= R ? pos : R) + 1; p-- > L;)
      if (charAt(p) == ch) {
        unsigned int t = 0;
        if (!columnStart(p, t)) return pos;
        if (t > pos) return t;
        break;
      }
    for (unsigned int p = pos + 1; p <= R; ++p)
      if (charAt(p) == ch) {
        unsigned int t = 0;
        if (!columnStart(p, t)) return pos;
        return t;
      }
  }
  if (hostAid()) return pos;
  const unsigned int r = findeditableline(row, 3, true);
  if (r == row && textLine(row)) return pos;
  if (hostEdges() && !searchscaleline(r, 1)) {
    textSendAid(pos, ch == kTab ? kAidTab : kAidRequiredTab);
    return pos;
  }
  return effectiveleftmar(r);
}

unsigned int TextSession::backtab(unsigned int pos) {
  unsigned int row = rowOf(pos);
  if (promptInput() && row == textDef.promptRow) return promptInputStart;
  if (!textLine(row) || (line(row).ctl & line_ctl::kShownOnly) || pos < leftmar(row) || pos > rightmar(row)) {
    operatorerror(72);
    return 0;
  }
  unsigned int from = pos;
  if (pos <= effectiveleftmar(row)) {
    const unsigned int r = findeditableline(row, 2, true);
    if (r == row) return 0;
    if (hostEdges() && !searchscaleline(r, 2)) {
      textSendAid(pos, kAidBacktab);
      return 0;
    }
    row = r;
    from = rightmar(r) + 1;
  }
  const unsigned int E = effectiveleftmar(row), R = rightmar(row);
  bool sawTab = false;
  for (unsigned int p = from; p-- > E;) {
    if (!isTab(charAt(p))) continue;
    sawTab = true;
    unsigned char type = 0;
    unsigned int start = p + 1;
    unsigned int text = p + 1;
    while (text <= R && !charAt(text)) ++text;
    const int stop = findtabstop(p, R, type);
    if (text <= R && text < from) start = text;
    else if (stop >= 0 && static_cast<unsigned int>(stop) < from) start = static_cast<unsigned int>(stop);
    if (start < from) return start;
  }
  if (!sawTab && !searchscaleline(row, 1)) {
    // The previous stop of the scale line.
    const unsigned char* s = scaleLineOfRow(row);
    const unsigned int column = columnOf(from);
    int best = -1;
    if (s)
      for (unsigned int i = 3; i + 1 < s[0]; i += 2)
        if (s[i + 1] >= 3 && s[i + 1] <= 8 && s[i] < column) best = s[i];
    if (best > 0) return (row - 1) * cols + static_cast<unsigned int>(best) - 1;
    if (hostEdges()) {
      textSendAid(pos, kAidBacktab);
      return 0;
    }
  }
  return E;
}

bool TextSession::process_backspace(unsigned int target, unsigned int& newpos, unsigned int from,
                                    unsigned int length, unsigned int count) {
  newpos = target;
  if (operator_error_73(target)) return false;
  if (extendedPlanes() && (planeByte(from, 2) & 0x18)) return false;
  const unsigned int row = rowOf(target);
  if (length) shiftchars(from, length, -static_cast<int>(count));
  const unsigned int end = from + length;  // first position after the moved text
  const unsigned int firstFree = end - count;
  if (firstFree < end && end - 1 <= row * cols - 1u) {
    psBuffer->fillRange(firstFree, end - 1, 0x00);
    if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(firstFree), static_cast<int>(end - 1));
  }
  return true;
}

unsigned int TextSession::backspace(bool& failed) {
  failed = true;
  const unsigned int cursor = cursorPos;
  const unsigned int row = rowOf(cursor);
  if ((modes & text_mode::kLocate) && !promptInput()) {
    operatorerror(77);
    return cursor;
  }
  const bool inCmd = inlinecmdfld(cursor);
  if (!textLine(row) || ((line(row).ctl & line_ctl::kShownOnly) && !inCmd)) {
    operatorerror(72);
    return cursor;
  }
  const unsigned int L = leftmar(row), E = effectiveleftmar(row), R = rightmar(row);
  if ((!inCmd && cursor < E) || cursor > R) {
    operatorerror(72);
    return cursor;
  }
  if (inCmd) {
    const unsigned int start = (row - 1) * cols;
    if (cursor == start) {
      operatorerror(72);
      return cursor;
    }
    const unsigned int fieldEnd = start + textDef.lineCmdFieldSize - 1;
    unsigned int newpos = cursor;
    if (!process_backspace(cursor - 1, newpos, cursor, fieldEnd - cursor + 1, 1)) {
      operatorerror(73);
      return cursor;
    }
    setModifiedLineTags(newpos, start, fieldEnd);
    failed = false;
    return newpos;
  }
  if (cursor == L && (!searchscaleline(row, 1) || !searchscaleline(row, 2))) {
    operatorerror(72);
    return cursor;
  }
  if (cursor == E) {
    // Joins the row to the previous one: that row's last character goes.
    const unsigned int r = findeditableline(row, 2, false);
    if (r == row || r > row) {
      operatorerror(72);
      return cursor;
    }
    unsigned int target = 0;
    bool found = false;
    for (unsigned int p = rightmar(r) + 1; p-- > leftmar(r);)
      if (charAt(p)) {
        target = p;
        found = true;
        break;
      }
    if (!found) {
      operatorerror(72);
      return cursor;
    }
    unsigned int newpos = target;
    if (!process_backspace(target, newpos, target + 1, rightmar(r) - target, 1)) {
      operatorerror(73);
      return cursor;
    }
    setModifiedLineTags(newpos, leftmar(r), rightmar(r));
    updatetermattr(r);
    failed = false;
    return newpos;
  }
  unsigned int target = cursor - 1;
  const TabContext t = intabbounds(cursor);
  if (t.active && !charAt(target) && t.tabPos >= 0) {
    target = static_cast<unsigned int>(t.tabPos);
  } else if (insertMode() && !charAt(target)) {
    while (target > E && !charAt(target - 1)) --target;
  }
  // The text after the cursor closes up to the next tab character or the
  // row's last text.
  unsigned int end = cursor;
  for (unsigned int p = cursor; p <= R; ++p) {
    if (isTab(charAt(p)) && p > cursor) break;
    if (charAt(p)) end = p + 1;
  }
  unsigned int newpos = target;
  if (!process_backspace(target, newpos, cursor, end - cursor, cursor - target)) {
    operatorerror(73);
    return cursor;
  }
  if (insertMode()) {
    unsigned int aligned = newpos;
    if (align(newpos, aligned)) newpos = aligned;
  }
  setModifiedLineTags(newpos, L, R);
  updatetermattr(row);
  failed = false;
  return newpos;
}
