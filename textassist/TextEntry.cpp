// Typed characters in the text: the checks that refuse them, replace and
// insert (finding room on the line, pushing text, tabbed text), the nulls
// in front of a new character turned into blanks, the host told when it
// continues the line, and the ids of lines that the session inserts.
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr unsigned char kAidSpill = 0xDD;
constexpr unsigned char kAidLineEnd = 0xD7;
constexpr unsigned char kAidHostInsert = 0xD3;
constexpr unsigned char kAidTabToHost = 0xDF;
constexpr unsigned char kAidRequiredTabToHost = 0xD8;
}  // namespace

TextSession::TabContext TextSession::tabfunctionact(unsigned int pos) {
  TabContext t;
  const unsigned int row = rowOf(pos);
  if (!textLine(row)) return t;
  unsigned char type = kTab;
  const int tab = pos ? findtabchar(pos - 1, type, 0) : -1;
  unsigned int origin;
  const LineControlRecord& l = line(row);
  if (tab < 0 || static_cast<unsigned int>(tab) < leftmar(row)) {
    if (!(l.ctl2 & 0x60000000u) || searchscaleline(row, 1)) return t;
    origin = effectiveleftmar(row);
    type = (l.ctl2 & 0x40000000u) ? kRequiredTab : kTab;
    t.tabPos = -1;
  } else {
    origin = static_cast<unsigned int>(tab);
    t.tabPos = tab;
  }
  t.tabType = type;
  unsigned char rtype = kTab;
  const int bound = findtabchar(pos + 1, rtype, 1);
  t.rightBound = bound >= 0 ? bound : static_cast<int>(rightmar(row));
  unsigned char stopType = 0;
  t.stopPos = findtabstop(origin, static_cast<unsigned int>(t.rightBound), stopType);
  t.stopType = stopType;
  t.active = t.stopPos >= 0 && static_cast<unsigned int>(t.stopPos) > origin && t.stopPos <= t.rightBound;
  return t;
}

TextSession::TabContext TextSession::intabbounds(unsigned int pos) {
  TabContext t = tabfunctionact(pos);
  if (!t.active) return t;
  const int origin = t.tabPos >= 0 ? t.tabPos : static_cast<int>(effectiveleftmar(rowOf(pos))) - 1;
  t.active = static_cast<int>(pos) > origin && static_cast<int>(pos) <= t.stopPos;
  return t;
}

bool TextSession::shiftchars(unsigned int start, unsigned int length, int delta) {
  if (!psBuffer || length == 0 || length >= cols) return false;
  const long first = static_cast<long>(start) + delta;
  const long last = first + static_cast<long>(length) - 1;
  if (first < 0 || last > static_cast<long>(psBuffer->lastOffset()) || start + length - 1 > psBuffer->lastOffset())
    return false;
  psBuffer->copyRange(start, start + length - 1, static_cast<unsigned int>(first));
  if (extendedPlanes())
    primaryBuffer->copyRangeInAllECBPlanes(start, start + length - 1, static_cast<unsigned int>(first));
  std::fill(insertCache, insertCache + sizeof insertCache, 0);
  return true;
}

void TextSession::datakeys(unsigned char code) {
  lastHandler_ = "datakeys";
  if (!displayBag || displayBag->keyboardState().state() != KeyboardState::kWordProcessing) return;
  if (modes & text_mode::kErrorShown) return;
  if (modes & text_mode::kKeyboardLocked) {
    // Replayed when the host unlocks the keyboard.
    pendingDataKey = code;
    return;
  }
  const unsigned int row = rowOf(cursorPos);
  if (scaleLineError(row)) return;
  if (isRightToLeftLine(row)) {
    bididatakeys(code);
    return;
  }
  const unsigned int P = cursorPos;
  const bool inCmd = inlinecmdfld(P);
  const bool locate = (modes & text_mode::kLocate) != 0;
  const bool onPromptRow = row == textDef.promptRow;
  bool refuse = false;
  if (!textLine(row) && !promptInput()) refuse = true;
  if (textLine(row) && (line(row).ctl & line_ctl::kShownOnly) && !inCmd && !locate) refuse = true;
  if (textLine(row) && !inCmd && (P < effectiveleftmar(row) || P > rightmar(row))) refuse = true;
  if (promptInput() && onPromptRow && P < promptInputStart) refuse = true;
  if (promptInput() && !onPromptRow) refuse = true;
  if (inCmd && code == hyphenChar) refuse = true;
  if (refuse) {
    operatorerror(72);
    return;
  }
  unsigned int pos = P;
  bool replaced = false;
  if (locate && !inCmd && textLine(row) && !onPromptRow && !promptInput()) {
    unsigned int found = P;
    locateSearch(code, found);
    setLocateChar(code, Plane0);
    moveCursorWithTimer(found, Plane0);
    return;
  }
  if (inCmd) {
    pos = replace(code, P);
    replaced = true;
  } else if (promptLineInput(code, P)) {
    return;
  } else if ((extendedPlanes() && cursorPlane == Plane0 && charAt(P) == kPlaceholder) || !insertMode()) {
    pos = replace(code, P);
    replaced = true;
  } else {
    pos = insert(code, P);
  }
  setLocateChar(code, Plane0);
  if (modes & text_mode::kErrorShown) return;
  if (replaced) {
    moveCursorWithTimer(pos, cursorPlane);
  } else if (rowOf(pos) == row) {
    moveCursor(pos, cursorPlane);
  } else {
    moveCursorWithTimer(pos, cursorPlane);
  }
}

unsigned int TextSession::replace(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int L = leftmar(row), R = rightmar(row);
  const bool inCmd = inlinecmdfld(pos);
  if (restrictedEditing()) {
    psBuffer->writeCharacter(pos, ch);
    setModifiedLineTags(pos, L, R);
    const unsigned int next = pos + 1;
    if (next <= R) return next;
    const unsigned int r = findeditableline(row, 3, true);
    return leftmar(r);
  }
  if (operator_error_73(pos)) {
    operatorerror(73);
    return pos;
  }
  if (promptInput() && row == textDef.promptRow && pos >= row * cols - 1u) {
    operatorerror(70);
    return pos;
  }
  const unsigned char old = charAt(pos);
  if (old == kPageEnd && !promptInput()) return insert(ch, pos);
  if (!inCmd && shapingTakes(pos)) {
    unsigned int refused = pos;
    if (!shapeReplace(ch, pos, refused)) return refused;
  } else {
    psBuffer->writeCharacter(pos, ch);
  }
  const unsigned int next = pos + 1;
  if (old == kPlaceholder) cursorPlane = leftmostActivePlane(next);
  if (textFlagsA & (1u << 28)) {
    if (drawChar == 0xFF) setBeginEndDraw(pos);
    processnullsfordraw(pos);
  } else {
    convertimbeddednulls(pos);
  }
  setModifiedLineTags(pos, L, R);
  if (inCmd) {
    if (inlinecmdfld(next) && rowOf(next) == row) return next;
    const unsigned int r = findnonoutputonlyln(row, 3, false);
    return (r - 1) * cols;
  }
  const bool promptRowNow = promptInput() || row == textDef.promptRow;
  if (hostEdges() && !searchscaleline(row, 2) && !promptRowNow) {
    if (next > R) textSendAid(pos, kAidSpill);
    return next;
  }
  if (next == R + 1 && !promptRowNow) {
    savelineimage(row);
    return spillOrRestore(row, next, pos);
  }
  return next;
}

// After typing that left the cursor at `next` past the line's end: the
// line's last word spills to the next line and the cursor follows it. When
// it cannot, the line goes back to the image saved before the typing,
// operator error 70 shows and the cursor stays at `pos`.
unsigned int TextSession::spillOrRestore(unsigned int row, unsigned int next, unsigned int pos) {
  unsigned int cursor = next;
  bool hostMustSpill = false;
  if (spill(cursor, hostMustSpill)) return cursor;
  restorelineimage(row);
  operatorerror(70);
  return pos;
}

unsigned int TextSession::insert(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int R = rightmar(row);
  const TabContext t = tabfunctionact(pos);
  unsigned int result = pos;
  bool done = false;
  if (t.active && t.tabType == kTab && t.stopType != 3 && !(modes & text_mode::kSegmentEnd) &&
      !(t.stopType == 5 && pos != R)) {
    const unsigned int stop = static_cast<unsigned int>(t.stopPos);
    bool left = false;
    if (t.stopType == 4 || t.stopType == 9) {
      left = true;
    } else if (t.stopType == 5) {
      unsigned int a = stop;
      while (a > leftmar(row) && charAt(a - 1) && !isTab(charAt(a - 1))) --a;
      left = (stop - a) <= (pos - stop);
    } else if (t.stopType >= 6 && t.stopType <= 8) {
      left = pos <= stop;
    }
    if (left && insertdataleft(ch, pos)) {
      result = pos;
      done = true;
    }
    if (!done) {
      result = insertdataright(ch, pos);
      done = true;
    }
  }
  if (!done && bidihosteditor() && (positionInSegment(pos) || (modes & text_mode::kSegmentEnd))) {
    // Inside a segment the text runs the other way: the character goes in
    // behind the cursor, which stays (on the push when a spill moved it).
    const unsigned int r = insertdataright(ch, pos + 1);
    result = pos;
    done = true;
    if (!(modes & text_mode::kErrorShown) && charAt(pos) != 0x0B && (modes & text_mode::kSegmentEnd))
      for (unsigned int p = r + 1; p-- > (rowOf(r) - 1) * cols;)
        if (charAt(p) == 0x0B) {
          result = p;
          break;
        }
  }
  if (!done && t.active && t.stopType == 5 && charAt(pos) == 0) {
    unsigned int q = pos;
    while (q < R && charAt(q) == 0) ++q;
    if (q >= R) {
      convertImbeddedNontabNulls(pos ? pos - 1 : pos);
    } else {
      unsigned int e = q, n = 0;
      while (e < R && charAt(e) && charAt(e) != kRequiredTab && charAt(e) != kTab) {
        ++e;
        ++n;
      }
      if (e < R && charAt(e) != kTab) {
        if (n % 2 == 0) return replace(ch, pos);
        convertImbeddedNontabNulls(pos ? pos - 1 : pos);
      } else if (e < R && n % 2 == 0) {
        return replace(ch, pos);
      } else if (e < R) {
        convertImbeddedNontabNulls(pos ? pos - 1 : pos);
      }
    }
  }
  if (!done) result = insertdataright(ch, pos);
  if (modes & text_mode::kErrorShown) return result;
  if (!restrictedEditing() && textLine(rowOf(result))) {
    unsigned int cursor = result;
    if (align(pos, cursor)) result = cursor;
  }
  return result;
}

bool TextSession::findroomtoinsert(unsigned int pos, unsigned int& end, int direction, unsigned char ch) {
  const unsigned int row = rowOf(pos);
  if (isRightToLeftLine(row)) return bidifindroomtoinsert(pos, end, direction, ch);
  if (direction == 0) {
    const unsigned int L = leftmar(row);
    if (pos <= L && !restrictedEditing()) {
      end = L;
      return false;
    }
    const unsigned int limit = restrictedEditing() ? L : L + 1;
    for (unsigned int p = pos + 1; p-- > limit;)
      if (!charAt(p)) {
        end = p;
        return true;
      }
    end = L;
    return false;
  }
  const unsigned int R = rightmar(row);
  if (pos == R && !restrictedEditing()) {
    end = R;
    return false;
  }
  unsigned int limit = restrictedEditing() ? R : R - 1;
  if (pos <= R && hostEdges() && (!searchscaleline(row, 1) || !searchscaleline(row, 2))) limit = R;
  if (pos <= limit)
    for (unsigned int p = pos; p <= limit; ++p)
      if (!charAt(p)) {
        end = p;
        return true;
      }
  end = R;
  const unsigned char atLimit = charAt(limit);
  bool room = (atLimit == kCarrierReturn || atLimit == hyphenChar) &&
              (!extendedPlanes() || (!planeByte(limit, 1) && !planeByte(limit, 2)));
  // The position past the margin must still be on the row.
  if (room && R + 1 > row * cols - 1u) room = false;
  if (charAt(R) == reqCarrierReturnChar && R + 1 <= row * cols - 1u) end = R + 1;
  return room;
}

unsigned int TextSession::doinsert(unsigned int pos, unsigned int count, unsigned int shift, int direction,
                                   unsigned char ch) {
  const unsigned int row = rowOf(pos);
  const unsigned int L = leftmar(row), R = rightmar(row);
  const bool rtl = isRightToLeftLine(row);
  unsigned int result;
  if (direction == 1) {
    if (count) shiftchars(pos, count, static_cast<int>(shift));
    const unsigned int newEnd = pos + count - 1 + shift;
    const unsigned char after = R + 1 <= lastOffsetOfScreen() ? charAt(R + 1) : 0;
    if (!rtl && count && newEnd > R && after && (after != hyphenChar || (line(row).ctl & 0x02000000u)))
      line(row).editFlags |= 0x80000000u;
    psBuffer->writeCharacter(pos, ch);
    result = pos + 1;
  } else {
    if (count && pos + 1 >= count) shiftchars(pos - count + 1, count, -static_cast<int>(shift));
    psBuffer->writeCharacter(pos, ch);
    result = pos ? pos - 1 : 0;
  }
  if (extendedPlanes()) {
    const bool clear = direction == 1 ? count == 0 : count != 0;
    if (clear) {
      PlaneNumber plane = cursorPlane;
      if (direction == 1 && (planeByte(pos, 2) & 0x08)) plane = Plane2;
      if (plane == Plane0) {
        if (pos + 1 <= R + 1) {
          primaryBuffer->writeCharacter(pos + 1, 0);
          secondaryBuffer->writeCharacter(pos + 1, 0);
        }
      } else if (plane == Plane1) {
        primaryBuffer->writeCharacter(pos, 0);
        if (pos + 1 <= R + 1) secondaryBuffer->writeCharacter(pos + 1, 0);
      } else {
        primaryBuffer->writeCharacter(pos, 0);
        secondaryBuffer->writeCharacter(pos, 0);
      }
    }
  }
  if (rtl)
    setModifiedLineTags(pos, bidileftmar(row), bidirightmar(row));
  else
    setModifiedLineTags(pos, L, R);
  if (textFlagsA & (1u << 28)) {
    if (drawChar == 0xFF) setBeginEndDraw(pos);
    processnullsfordraw(pos);
  } else if (!restrictedEditing()) {
    if (rtl)
      bidiconvertimbeddednulls(pos);
    else
      convertimbeddednulls(pos);
  }
  return result;
}

bool TextSession::pushOverwrites(unsigned int past) const {
  const unsigned char c = charAt(past);
  return c && !(c >= 0x20 && c <= 0x3F) && c != kCarrierReturn && c != hyphenChar;
}

unsigned int TextSession::insertdataright(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int R = rightmar(row);
  unsigned int end = 0;
  const bool shaped = shapingTakes(pos) && ch != 0x0B && ch != 0x0D && !inlinecmdfld(pos);
  if (findroomtoinsert(pos, end, 1, ch)) {
    if (shaped) return shapeInsert(ch, pos);
    unsigned int r = doinsert(pos, end - pos, 1, 1, ch);
    if (restrictedEditing() && r > R) r = leftmar(findeditableline(row, 3, true));
    return r;
  }
  if (restrictedEditing()) {
    operatorerror(70);
    return pos;
  }
  // The shaper's insert finds no room either: it tells the host or spills.
  if (shaped) return shapeInsert(ch, pos);
  if (hostEdges() && (!searchscaleline(row, 1) || !searchscaleline(row, 2)) &&
      !(line(row).ctl & 0x04000000u)) {
    const unsigned int r = notifyhost(pos, row * cols - 2u, !searchscaleline(row, 1), !searchscaleline(row, 2),
                                      end - pos + 1, ch);
    if (r) return r;
  }
  // The text is pushed one past the right margin and the last word spills;
  // the position past the margin must lie on the row.
  if (end + 1 > row * cols - 1u || pushOverwrites(end + 1)) {
    operatorerror(70);
    return pos;
  }
  savelineimage(row);
  const unsigned int next = doinsert(pos, end - pos + 1, 1, 1, ch);
  unsigned int cursor = next;
  bool hostMustSpill = false;
  if (spill(cursor, hostMustSpill)) return cursor;
  restorelineimage(row);
  line(row).editFlags &= ~0x80000000u;
  if (pos == R) {
    if (!charAt(R)) {
      psBuffer->writeCharacter(R, ch);
      setModifiedLineTags(pos, leftmar(row), R);
      operatorerror(70);
    } else {
      operatorerror((line(row).ctl & 0x04000000u) ? 70 : 72);
    }
  } else {
    operatorerror(70);
  }
  return pos;
}

bool TextSession::insertdataleft(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int L = leftmar(row);
  if (pos <= L) return false;
  unsigned int nullAt = 0;
  bool found = false;
  for (unsigned int p = pos; p-- > L;)
    if (!charAt(p)) {
      nullAt = p;
      found = true;
      break;
    }
  if (!found) return false;
  for (unsigned int p = nullAt; p < pos; ++p)
    if (isTab(charAt(p))) return false;
  const unsigned int count = pos - 1 - nullAt;
  if (!count && !extendedPlanes() && nullAt + 1 != pos) return false;
  doinsert(pos - 1, count, 1, 0, ch);
  return true;
}

unsigned int TextSession::notifyhost(unsigned int pos, unsigned int lastPos, bool noLeftMark, bool noRightMark,
                                     unsigned int, unsigned char ch) {
  const unsigned int row = rowOf(pos);
  const bool rtl = isRightToLeftLine(row);
  const unsigned int R = rtl ? bidirightmar(row) : rightmar(row);
  if (rtl && (ch == kTab || ch == kRequiredTab)) {
    // A tab with text before it in the line and no stop up to the margin:
    // the host places that text.
    const unsigned int M = bidileftmar(row);
    bool text = false;
    for (unsigned int p = pos + 1; p <= M; ++p)
      if (charAt(p)) text = true;
    unsigned char type = 0;
    const int stop = M > pos + 1 ? bidifindtabstop(M, pos + 1, type) : -1;
    if (text && stop < 0) {
      if (psBuffer->insertCharacter(pos, (row - 1) * cols + textDef.lineCmdFieldSize, ch) < 0)
        psBuffer->writeCharacter(pos, ch);
      textSendAid(pos, ch == kTab ? kAidTabToHost : kAidRequiredTabToHost);
      pendingDataKey = ch;
      return pos;
    }
  }
  // One step before the line's last position, in the line's direction.
  const bool beforeLast = rtl ? pos == lastPos + 1 : pos + 1 == lastPos;
  const bool beforeMargin = rtl ? pos == R + 1 : pos + 1 == R;
  unsigned char aid = 0;
  if ((noRightMark && pos == R) || pos == lastPos ||
      (beforeLast && (charAt(pos) == reqCarrierReturnChar || textDef.defLevel < 9)))
    aid = kAidSpill;
  else if (noLeftMark && !noRightMark && !(line(row).ctl & 0x04000000u) &&
           (pos == R || (beforeMargin && charAt(pos) == reqCarrierReturnChar)))
    aid = kAidLineEnd;
  else if (textDef.defLevel > 2)
    aid = kAidHostInsert;
  if (!aid) return 0;
  textSendAid(pos, aid);
  pendingDataKey = ch;
  return pos;
}

bool TextSession::convertimbeddednulls(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  if (!textLine(row)) return false;
  const unsigned int L = leftmar(row), E = effectiveleftmar(row), R = rightmar(row);
  if (pos <= L) return false;
  const TabContext t = intabbounds(pos);
  bool changed = false;
  if (t.active) {
    const unsigned int from = t.tabPos >= 0 ? static_cast<unsigned int>(t.tabPos) : L;
    unsigned int q = pos;
    while (q > from + 1 && !charAt(q - 1)) --q;
    const unsigned int last = q - 1;  // the last non-null after the tab character
    if (q < pos && last > E && (t.tabPos < 0 || last > static_cast<unsigned int>(t.tabPos)) && last + 1 < pos) {
      psBuffer->fillRange(q, pos - 1, 0x40);
      changed = true;
    }
    const unsigned int stop = static_cast<unsigned int>(t.stopPos);
    unsigned int a = pos + 1;
    while (a <= stop && charAt(a)) ++a;
    if (a > stop) a = stop;
    unsigned int b = a;
    while (b <= R && !charAt(b)) ++b;
    if (b > a && b < R && b <= stop) {
      psBuffer->fillRange(a, b - 1, 0x40);
      changed = true;
    }
    return changed;
  }
  unsigned int q = pos;
  while (q > E && !charAt(q - 1)) --q;
  if (q == E && !charAt(q)) return false;  // nothing before: the text starts here
  const unsigned int last = q - 1;
  const unsigned char c = charAt(last);
  if (last + 1 == pos && (c != kCarrierReturn || promptInput())) return false;
  if (c == kCarrierReturn) {
    psBuffer->fillRange(last, pos - 1, 0x40);
    return true;
  }
  if (!isTab(c)) {
    if (last + 1 < pos) psBuffer->fillRange(last + 1, pos - 1, 0x40);
    return last + 1 < pos;
  }
  unsigned char type = 0;
  const int stop = findtabstop(last, pos - 1, type);
  if (stop >= 0 && static_cast<unsigned int>(stop) < pos) {
    psBuffer->fillRange(static_cast<unsigned int>(stop), pos - 1, 0x40);
    return true;
  }
  const int next = findtabstop(pos, R, type);
  const unsigned int limit = next >= 0 ? static_cast<unsigned int>(next) : R;
  unsigned int b = pos + 1;
  while (b < limit && !charAt(b)) ++b;
  if (b > pos + 1 && b < limit && charAt(b)) psBuffer->fillRange(pos + 1, b - 1, 0x40);
  return true;
}

void TextSession::convertImbeddedNontabNulls(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int R = promptInput() && row == textDef.promptRow ? row * cols - 2u : rightmar(row);
  if (pos >= R) return;
  unsigned int b = pos + 1;
  while (b <= R && !charAt(b)) ++b;
  if (b == pos + 1 || b > R) return;
  psBuffer->fillRange(pos + 1, b - 1, 0x40);
}

// Line ids: lineId x 256 + newLine.

unsigned int TextSession::lineIDvalue(unsigned int row) const {
  return static_cast<unsigned int>(line(row).lineId) * 256u + line(row).newLine;
}

void TextSession::setlineIDvalue(unsigned int row, unsigned int id) {
  line(row).newLine = static_cast<uint8_t>(id & 0xFF);
  line(row).lineId = static_cast<uint16_t>(id >> 8);
}

void TextSession::renumberlineIDs(unsigned int highPart) {
  auto usable = [&](unsigned int r) { return !(line(r).ctl & (line_ctl::kNotText | line_ctl::kShownOnly)); };
  unsigned int start = 0;
  for (unsigned int r = 1; r <= kRows - 1; ++r)
    if (usable(r) && line(r).lineId == highPart) {
      start = r;
      break;
    }
  if (!start) return;
  if (line(start).newLine == 0) ++start;
  unsigned int end = start;
  while (end <= kRows - 1 && line(end).lineId == highPart) ++end;
  unsigned int n = 0;
  for (unsigned int r = start; r < end; ++r)
    if (usable(r)) ++n;
  if (!n) return;
  const unsigned int step = 255 / (n + 1);
  unsigned int k = 0;
  for (unsigned int r = start; r < end; ++r)
    if (usable(r)) line(r).newLine = static_cast<uint8_t>(step * ++k);
}

void TextSession::computelineIDs(unsigned int row) {
  if (row < 2) return;
  const unsigned int prev = lineIDvalue(row - 1);
  unsigned int next = 0;
  for (unsigned int r = row + 1; r <= textDef.lastTextRow && r < kRows; ++r)
    if (!(line(r).ctl & (line_ctl::kNotText | line_ctl::kShownOnly))) {
      next = r;
      break;
    }
  if (next) {
    const unsigned int mean = (prev + lineIDvalue(next)) / 2;
    // A mean with a zero low byte would look like a line the host numbered:
    // no id is free between them either.
    if (mean != prev && (mean & 0xFF) != 0) {
      setlineIDvalue(row, mean);
      return;
    }
    line(row).lineId = static_cast<uint16_t>(prev >> 8);
    line(row).newLine = 1;  // in the run of prev's lineId, renumbered now
    renumberlineIDs(prev >> 8);
    return;
  }
  if (((prev + 1) & 0xFF) != 0) {
    setlineIDvalue(row, prev + 1);
    return;
  }
  line(row).lineId = static_cast<uint16_t>(prev >> 8);
  line(row).newLine = 1;
  renumberlineIDs(prev >> 8);
}

void TextSession::updatelcdtable(int direction, unsigned int row, unsigned int indent) {
  unsigned int newRow;
  if (direction == 3) {
    newRow = row + 1;
    for (unsigned int r = textDef.lastTextRow; r > newRow && r < kRows; --r) {
      const uint16_t keep = line(r).row;
      line(r) = line(r - 1);
      line(r).row = keep;
      line(r).ctl2 &= ~0x80000000u;
    }
  } else {
    newRow = row;
    for (unsigned int r = textDef.firstTextRow; r < newRow; ++r) {
      const uint16_t keep = line(r).row;
      line(r) = line(r + 1);
      line(r).row = keep;
      line(r).ctl2 &= ~0x80000000u;
    }
  }
  if (newRow < 2 || newRow >= kRows) return;
  LineControlRecord& n = line(newRow);
  const LineControlRecord& before = line(newRow - 1);
  const uint16_t keep = n.row;
  n = before;
  n.row = keep;
  n.ctl &= ~(line_ctl::kClearRow);
  n.ctl |= line_ctl::kChanged;
  n.ctl2 &= ~0x80000000u;
  n.editFlags = 0;
  n.leftMarginOffset = static_cast<uint8_t>(indent + getLCDindentoffset(newRow - 1) +
                                            getLCDleftmarginoffset(newRow - 1));
  n.indentOffset = 0;
  computelineIDs(newRow);
}
