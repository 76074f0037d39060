// Typing and line editing on right-to-left lines. The line is kept
// mirrored: a step forward goes to the next lower offset, the mirrored left
// margin is the higher offset. Typed characters replace or push the text
// towards the mirrored right margin and spill the last word to the next
// line; push and end push open and close a segment of the other direction;
// tab and centring work between the mirrored margins.
#include <algorithm>

#include "display/DisplayBag.h"
#include "display/ECBScreenBuffer.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr unsigned char kAidSpill = 0xDD;
constexpr unsigned char kAidTab = 0xDF;
constexpr unsigned char kAidRequiredTab = 0xD8;
constexpr unsigned char kAidCenter = 0xED;
constexpr uint32_t kSegmentsOnLine = 1u << 29;  // LineControlRecord::ctl3
constexpr uint32_t kNeverSpills = 1u << 26;     // LineControlRecord::ctl
constexpr uint32_t kShapedLanguage = 1u << 13;  // textFlagsA
}  // namespace

void TextSession::bididatakeys(unsigned char code) {
  const unsigned int row = rowOf(cursorPos);
  const unsigned int P = cursorPos;
  const bool inCmd = inlinecmdfld(P);
  const bool locate = (modes & text_mode::kLocate) != 0;
  const bool onPromptRow = row == textDef.promptRow;
  bool refuse = false;
  if (!textLine(row) && !promptInput()) refuse = true;
  if (textLine(row) && (line(row).ctl & line_ctl::kShownOnly) && !inCmd && !locate) refuse = true;
  if (textLine(row) && !inCmd && (P > bidileftmar(row) || P < bidirightmar(row))) refuse = true;
  if (promptInput() && onPromptRow && !insertMode() && (P == (row - 1) * cols || P > promptInputStart))
    refuse = true;
  if (promptInput() && !onPromptRow) refuse = true;
  if (refuse) {
    operatorerror(72);
    return;
  }
  if (locate && !inCmd && textLine(row) && !onPromptRow && !promptInput()) {
    unsigned int found = P;
    if (locateSearch(code, found)) cursorPlane = Plane0;
    setLocateChar(code, Plane0);
    moveCursorWithTimer(found, Plane0);
    return;
  }
  unsigned int pos = P;
  bool replaced = false;
  if (inCmd) {
    pos = replace(code, P);
    replaced = true;
  } else if (promptLineInput(code, P)) {
    return;
  } else if (!insertMode()) {
    pos = bidireplace(code, P);
    replaced = true;
  } else {
    pos = bidiinsert(code, P);
  }
  setLocateChar(code, Plane0);
  if (modes & text_mode::kErrorShown) return;
  if (replaced || rowOf(pos) != row)
    moveCursorWithTimer(pos, Plane0);
  else
    moveCursor(pos, Plane0);
}

unsigned int TextSession::bidireplace(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int M = bidileftmar(row), R = bidirightmar(row);
  const bool inSegment = positionInSegment(pos);
  if (restrictedEditing()) {
    psBuffer->writeCharacter(pos, ch);
    setModifiedLineTags(pos, M, R);
    const unsigned int next = inSegment ? pos + 1 : pos - 1;
    if (pos > 0 && next >= R && next <= M) return next;
    const unsigned int r = findeditableline(row, 3, true);
    return positionInSegment(bidileftmar(r)) ? bidirightmar(r) : bidileftmar(r);
  }
  if (operator_error_73(pos)) {
    operatorerror(73);
    return pos;
  }
  if (promptInput() && row == textDef.promptRow && pos == (row - 1) * cols) {
    operatorerror(70);
    return pos;
  }
  const unsigned char old = charAt(pos);
  if (old == kPageEnd && !promptInput()) return bidiinsert(ch, pos);
  if (shapingTakes(pos)) {
    unsigned int refused = pos;
    if (!shapeReplace(ch, pos, refused)) return refused;
  } else {
    psBuffer->writeCharacter(pos, ch);
  }
  // Inside a segment the text runs the other way; the cursor stays on the
  // row.
  unsigned int next = inSegment ? pos + 1 : (pos ? pos - 1 : 0);
  if (rowOf(next) != row) next = pos;
  if (old == kPlaceholder) cursorPlane = leftmostActivePlane(next);
  if (textFlagsA & (1u << 28)) {
    if (drawChar == 0xFF) setBeginEndDraw(pos);
    processnullsfordraw(pos);
  } else {
    bidiconvertimbeddednulls(pos);
  }
  setModifiedLineTags(pos, M, R);
  const bool promptRowNow = promptInput() || row == textDef.promptRow;
  if (hostEdges() && !searchscaleline(row, 2) && !promptRowNow) {
    if (next < R) textSendAid(pos, kAidSpill);
    return next;
  }
  if (!inSegment && next + 1 == R && !promptRowNow) {
    savelineimage(row);
    return spillOrRestore(row, next, pos);
  }
  return next;
}

unsigned int TextSession::bidiinsert(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int M = bidileftmar(row);
  const TabContext t = biditabfunctionact(pos);
  const bool inSegment = positionInSegment(pos) || (modes & text_mode::kSegmentEnd);
  unsigned int result = pos;
  // Text under a right-aligning stop grows towards the line's start when
  // no null lies on that side.
  auto towardsStart = [&]() {
    bool nullBefore = false;
    for (unsigned int p = pos + 1; p <= M; ++p) {
      if (isTab(charAt(p))) break;
      if (!charAt(p)) {
        nullBefore = true;
        break;
      }
    }
    if (nullBefore) return insertdatabidi(ch, pos);
    unsigned int end = 0;
    if (pos + 1 <= M && bidifindroomtoinsert(pos + 1, end, 1, ch)) {
      doinsert(pos + 1, end - (pos + 1), 1, 1, ch);
      return pos;
    }
    operatorerror(70);
    return pos;
  };
  if (t.active && t.tabType == kTab && t.stopType != 3 && t.stopType != 5 && !inSegment) {
    const unsigned int stop = static_cast<unsigned int>(t.stopPos);
    if (t.stopType == 4)
      result = towardsStart();
    else if (t.stopType >= 6 && t.stopType <= 8 && pos <= stop)
      result = towardsStart();
    else
      result = insertdatabidi(ch, pos);
  } else if (inSegment && pos > 0) {
    // The character goes in behind the push; the cursor stays on the push,
    // also when a spill took it to the next line.
    const unsigned int r = insertdatabidi(ch, pos - 1);
    result = pos;
    if (!(modes & text_mode::kErrorShown) && (modes & text_mode::kSegmentEnd) && charAt(pos) != kPush) {
      const unsigned int end = rowOf(r) * cols - 1u;
      for (unsigned int p = r; p <= end; ++p)
        if (charAt(p) == kPush) {
          result = p;
          break;
        }
    }
  } else {
    result = insertdatabidi(ch, pos);
  }
  if (modes & text_mode::kErrorShown) return result;
  if (!restrictedEditing() && ch != kEndPush && textLine(rowOf(result))) {
    unsigned int cursor = result;
    if (bidialign(pos, cursor)) result = cursor;
  }
  return result;
}

unsigned int TextSession::insertdatabidi(unsigned char ch, unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const unsigned int first = (row - 1) * cols;
  const unsigned int R = bidirightmar(row);
  unsigned int end = 0;
  const bool shaped = shapingTakes(pos) && ch != kPush && ch != kEndPush && !positionInSegment(pos) &&
                      !(modes & text_mode::kSegmentEnd);
  if (bidifindroomtoinsert(pos, end, 0, ch)) {
    if (shaped) return shapeInsert(ch, pos);
    unsigned int r = doinsert(pos, pos - end, 1, 0, ch);
    if (restrictedEditing() && r < R) r = bidileftmar(findeditableline(row, 3, true));
    return r;
  }
  if (restrictedEditing()) {
    operatorerror(70);
    return pos;
  }
  // The shaper's insert finds no room either: it tells the host or spills.
  if (shaped) return shapeInsert(ch, pos);
  const bool noLeft = !searchscaleline(row, 1), noRight = !searchscaleline(row, 2);
  if (hostEdges() && (noLeft || noRight) && !(line(row).ctl & kNeverSpills)) {
    const unsigned int r = notifyhost(pos, first + 1, noLeft, noRight, pos - end + 1, ch);
    if (r) return r;
  }
  // The text is pushed one past the margin and the last word spills; that
  // position must lie on the row.
  if (end <= first || pushOverwrites(end - 1)) {
    operatorerror(70);
    return pos;
  }
  savelineimage(row);
  const unsigned int next = doinsert(pos, pos - end + 1, 1, 0, ch);
  return spillOrRestore(row, next, pos);
}

bool TextSession::bidifindroomtoinsert(unsigned int pos, unsigned int& end, int direction, unsigned char) {
  const unsigned int row = rowOf(pos);
  const unsigned int first = (row - 1) * cols, last = row * cols - 1u;
  auto freeCarrier = [&](unsigned int p) {
    const unsigned char c = charAt(p);
    return (c == kCarrierReturn || c == hyphenChar) && (!extendedPlanes() || (!planeByte(p, 1) && !planeByte(p, 2)));
  };
  if (direction == 0) {
    // Towards the mirrored right margin (lower offsets).
    const unsigned int R = bidirightmar(row);
    if (pos <= R && !restrictedEditing()) {
      end = R;
      return false;
    }
    const unsigned int limit = restrictedEditing() ? R : R + 1;
    if (pos >= limit)
      for (unsigned int p = pos + 1; p-- > limit;)
        if (!charAt(p)) {
          end = p;
          return true;
        }
    end = R;
    const bool room = freeCarrier(limit);
    if (charAt(R) == reqCarrierReturnChar && R > first) end = R - 1;
    return room;
  }
  // Towards the mirrored left margin (higher offsets).
  const unsigned int M = bidileftmar(row);
  if (pos >= M && !restrictedEditing()) {
    end = M;
    return false;
  }
  const unsigned int limit = restrictedEditing() ? M : M - 1;
  if (pos <= limit)
    for (unsigned int p = pos; p <= limit; ++p)
      if (!charAt(p)) {
        end = p;
        return true;
      }
  end = M;
  const bool room = freeCarrier(limit);
  if (charAt(M) == reqCarrierReturnChar && M < last) end = M + 1;
  return room;
}

bool TextSession::bidiconvertimbeddednulls(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  if (!textLine(row)) return false;
  const unsigned int M = bidileftmar(row), E = bidieffectiveleftmar(row), R = bidirightmar(row);
  if (pos >= M || pos < R) return false;
  TabContext t = biditabfunctionact(pos);
  if (t.active) {
    const int origin = t.tabPos >= 0 ? t.tabPos : static_cast<int>(E) + 1;
    t.active = static_cast<int>(pos) < origin && static_cast<int>(pos) >= t.stopPos;
  }
  bool changed = false;
  if (t.active) {
    const unsigned int from = t.tabPos >= 0 ? static_cast<unsigned int>(t.tabPos) : M;
    unsigned int q = pos;
    while (q + 1 < from && !charAt(q + 1)) ++q;
    const unsigned int last = q + 1;  // the last non-null after the tab character
    if (q > pos && last < E && (t.tabPos < 0 || last < static_cast<unsigned int>(t.tabPos)) && last > pos + 1) {
      psBuffer->fillRange(pos + 1, q, 0x40);
      changed = true;
    }
    const unsigned int stop = static_cast<unsigned int>(t.stopPos);
    unsigned int a = pos - 1;
    while (a >= stop && a > R && charAt(a)) --a;
    if (a < stop) a = stop;
    unsigned int b = a;
    while (b >= R && b > 0 && !charAt(b)) --b;
    if (b < a && b > R && b >= stop && charAt(b)) {
      psBuffer->fillRange(b + 1, a, 0x40);
      changed = true;
    }
    return changed;
  }
  unsigned int q = pos;
  while (q < E && !charAt(q + 1)) ++q;
  if (q == E && !charAt(q)) return false;  // nothing before: the text starts here
  const unsigned int last = q + 1;
  if (last > M) return false;
  const unsigned char c = charAt(last);
  if (last == pos + 1 && (c != kCarrierReturn || promptInput() || restrictedEditing())) return false;
  if (c == kCarrierReturn) {
    // The carrier return at the far end of the gap becomes a blank too.
    if (!restrictedEditing() && !promptInput())
      psBuffer->fillRange(pos + 1, last, 0x40);
    else if (last > pos + 1)
      psBuffer->fillRange(pos + 1, last - 1, 0x40);
    return true;
  }
  if (!isTab(c)) {
    if (last > pos + 1) psBuffer->fillRange(pos + 1, last - 1, 0x40);
    return last > pos + 1;
  }
  unsigned char type = 0;
  const int stop = bidifindtabstop(last, pos + 1, type);
  if (stop >= 0 && static_cast<unsigned int>(stop) > pos) {
    psBuffer->fillRange(pos + 1, static_cast<unsigned int>(stop), 0x40);
    return true;
  }
  const int next = pos > R ? bidifindtabstop(pos, R, type) : -1;
  const unsigned int limit = next >= 0 ? static_cast<unsigned int>(next) : R;
  if (pos == 0) return true;
  unsigned int b = pos - 1;
  while (b > limit && !charAt(b)) --b;
  if (b + 1 < pos && b > limit && charAt(b)) psBuffer->fillRange(b + 1, pos - 1, 0x40);
  return true;
}

TextSession::TabContext TextSession::biditabfunctionact(unsigned int pos) {
  TabContext t;
  const unsigned int row = rowOf(pos);
  if (!textLine(row)) return t;
  const unsigned int M = bidileftmar(row), E = bidieffectiveleftmar(row), R = bidirightmar(row);
  if (M <= R) return t;
  unsigned char type = kTab;
  int tab = -1;
  for (unsigned int p = pos + 1; p <= M; ++p)
    if (isTab(charAt(p))) {
      tab = static_cast<int>(p);
      type = charAt(p);
      break;
    }
  unsigned int origin;
  const LineControlRecord& l = line(row);
  if (tab < 0) {
    if (!(l.ctl2 & 0x60000000u) || searchscaleline(row, 1)) return t;
    origin = E;
    type = (l.ctl2 & 0x40000000u) ? kRequiredTab : kTab;
  } else {
    origin = static_cast<unsigned int>(tab);
  }
  t.tabPos = tab;
  t.tabType = type;
  int bound = static_cast<int>(R);
  for (unsigned int p = pos; p-- > R;)
    if (isTab(charAt(p))) {
      bound = static_cast<int>(p);
      break;
    }
  t.rightBound = bound;
  unsigned char stopType = 0;
  t.stopPos = origin > static_cast<unsigned int>(bound)
                  ? bidifindtabstop(origin, static_cast<unsigned int>(bound), stopType)
                  : -1;
  t.stopType = stopType;
  t.active = t.stopPos >= 0 && static_cast<unsigned int>(t.stopPos) < origin && t.stopPos >= bound;
  return t;
}

void TextSession::turnLineRound(unsigned int row) {
  const unsigned int first = (row - 1) * cols;
  const unsigned int lo = first + textDef.lineCmdFieldSize, hi = first + cols - 1u;
  if (lo >= hi || hi > psBuffer->lastOffset()) return;
  const unsigned int n = hi - lo + 1;
  unsigned char bytes[kMaxColumns];
  psBuffer->getData(lo, n, bytes);
  std::reverse(bytes, bytes + n);
  psBuffer->writeData(bytes, n, lo);
  if (extendedPlanes()) {
    primaryBuffer->getData(lo, n, bytes);
    std::reverse(bytes, bytes + n);
    primaryBuffer->writeData(bytes, n, lo);
    secondaryBuffer->getData(lo, n, bytes);
    std::reverse(bytes, bytes + n);
    secondaryBuffer->writeData(bytes, n, lo);
  }
}

bool TextSession::bidialign(unsigned int pos, unsigned int& cursor) {
  // The alignment of a right-to-left line is that of its mirror image: the
  // row is turned round (the in-line command field stays), aligned as a
  // left-to-right line, and turned back. A spill on the way turns it back
  // first (alignspill).
  const unsigned int row = rowOf(pos);
  if (!textLine(row) || !isRightToLeftLine(row) || alignTurnedRow) return false;
  const unsigned int first = (row - 1) * cols;
  const unsigned int lo = first + textDef.lineCmdFieldSize, hi = first + cols - 1u;
  if (lo >= hi || hi > psBuffer->lastOffset()) return false;
  // Nothing to align without a tab on the line.
  bool tabs = (line(row).ctl2 & 0x60000000u) != 0;
  for (unsigned int p = lo; p <= hi && !tabs; ++p)
    if (isTab(charAt(p))) tabs = true;
  if (!tabs) return false;
  const bool cursorOnRow = rowOf(cursor) == row && cursor >= lo;
  unsigned int c = cursorOnRow ? convertLVOffset(cursor) : cursor;
  turnLineRound(row);
  line(row).ctl3 &= ~0x80000000u;
  alignTurnedRow = row;
  const bool moved = align(convertLVOffset(pos), c);
  // A spill that scrolled the text above leaves the line one row up.
  const unsigned int now = alignTurnedRow;
  alignTurnedRow = 0;
  line(now).ctl3 |= 0x80000000u;
  turnLineRound(now);
  const unsigned int lo2 = (now - 1) * cols + textDef.lineCmdFieldSize;
  if (moved) cursor = rowOf(c) == now && c >= lo2 ? convertLVOffset(c) : c;
  return moved;
}

bool TextSession::bidialignspill(unsigned int& cursor, unsigned int row) {
  savelineimage(row);
  unsigned int c = cursor;
  bool hostMustSpill = false;
  if (spill(c, hostMustSpill)) {
    cursor = c;
    alignSpilled = true;
    return false;
  }
  const unsigned int first = (row - 1) * cols;
  if (cursor < first + 1 && hostEdges() && hostMustSpill && !(line(row).ctl & kNeverSpills)) {
    textSendAid(cursor, 0xD7);
    return true;
  }
  const unsigned int right = bidirightmar(row);
  const unsigned char after = right > first ? charAt(right - 1) : 0;
  if (after != 0x00 && after != kCarrierReturn) operatorerror(70);
  restorelineimage(row);
  return true;
}

// Push and end push.

unsigned int TextSession::process_push(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const bool rtl = isRightToLeftLine(row);
  const int forward = rtl ? -1 : 1;
  const unsigned int first = (row - 1) * cols, last = row * cols - 1u;
  if (charAt(pos) == kPush) {
    // On a begin marker: to its segment's end.
    for (long p = static_cast<long>(pos) + forward; p >= static_cast<long>(first) && p <= static_cast<long>(last);
         p += forward)
      if (charAt(static_cast<unsigned int>(p)) == kEndPush) {
        const long to = (textFlagsA & kShapedLanguage) ? p + forward : p - forward;
        return static_cast<unsigned int>(std::max(static_cast<long>(first), std::min(static_cast<long>(last), to)));
      }
    return pos;
  }
  setInsertMode(true);
  cursorOutState = 2;
  const TabContext t = rtl ? biditabfunctionact(pos) : tabfunctionact(pos);
  const bool alignTab = t.active && t.stopType >= 6 && t.stopType <= 8 &&
                        (rtl ? pos >= static_cast<unsigned int>(t.stopPos) : pos <= static_cast<unsigned int>(t.stopPos));
  savelineimage(row);
  auto put = [&](unsigned char ch, unsigned int at) { return rtl ? bidiinsert(ch, at) : insert(ch, at); };
  unsigned int result;
  if (!alignTab) {
    put(kEndPush, pos);
    if (modes & text_mode::kErrorShown) {
      restorelineimage(row);
      return pos;
    }
    put(kPush, pos);
    // The cursor stands on the begin marker: what is typed goes inside.
    result = pos;
  } else {
    put(kPush, pos);
    if (modes & text_mode::kErrorShown) {
      restorelineimage(row);
      return pos;
    }
    put(kEndPush, pos);
    result = rtl ? pos + 2 : (pos >= 2 ? pos - 2 : pos);
  }
  if (modes & text_mode::kErrorShown) {
    restorelineimage(row);
    return pos;
  }
  line(row).ctl3 |= kSegmentsOnLine;
  modes |= text_mode::kSegmentEnd;
  return result;
}

unsigned int TextSession::process_endpush(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  const bool rtl = isRightToLeftLine(row);
  const long forward = rtl ? -1 : 1;
  if (modes & text_mode::kSegmentEnd) return process_push(pos);
  const int br = findActiveBR(pos, rtl), er = findActiveER(pos, rtl);
  if (br < 0 || er < 0 || charAt(static_cast<unsigned int>(br)) != kPush ||
      charAt(static_cast<unsigned int>(er)) != kEndPush || static_cast<unsigned int>(br) == pos)
    return pos;
  const long lo = rtl ? bidirightmar(row) : leftmar(row), hi = rtl ? bidileftmar(row) : rightmar(row);
  const long margin = rtl ? lo : hi;
  // Two positions open behind the segment: the text after it moves on into
  // the first nulls before the margin.
  auto openGap = [&](long at) {
    for (long p = at; rtl ? p >= margin : p <= margin; p += forward)
      if (!charAt(static_cast<unsigned int>(p))) {
        for (long q = p; q != at; q -= forward)
          psBuffer->writeCharacter(static_cast<unsigned int>(q), charAt(static_cast<unsigned int>(q - forward)));
        psBuffer->writeCharacter(static_cast<unsigned int>(at), 0x00);
        return true;
      }
    return false;
  };
  savelineimage(row);
  if (!openGap(er) || !openGap(er + forward)) {
    restorelineimage(row);
    operatorerror(70);
    return pos;
  }
  // Line order: begin, part A (up to pos), part B (from pos), end. It
  // becomes begin, B, A, 0x0D, 0x0B, end: A with the new markers, kept in
  // the line image, goes behind the rest of the segment.
  unsigned char a[kMaxColumns], b[kMaxColumns];
  unsigned int na = 0, nb = 0;
  for (long p = br + forward; p != static_cast<long>(pos); p += forward) a[na++] = charAt(static_cast<unsigned int>(p));
  a[na++] = kEndPush;
  a[na++] = kPush;
  for (long p = static_cast<long>(pos); p != er; p += forward) b[nb++] = charAt(static_cast<unsigned int>(p));
  std::fill(lineImageSave[0], lineImageSave[0] + kMaxColumns, 0);
  std::copy(a, a + na, lineImageSave[0]);
  long at = br + forward;
  for (unsigned int i = 0; i < nb; ++i, at += forward) psBuffer->writeCharacter(static_cast<unsigned int>(at), b[i]);
  for (unsigned int i = 0; i < na; ++i, at += forward) psBuffer->writeCharacter(static_cast<unsigned int>(at), a[i]);
  setInsertMode(true);
  setModifiedLineTags(pos, rtl ? static_cast<unsigned int>(hi) : static_cast<unsigned int>(lo),
                      rtl ? static_cast<unsigned int>(lo) : static_cast<unsigned int>(hi));
  // The cursor goes behind the segment.
  const long after = at + forward;
  if (rtl ? after < lo : after > hi) return static_cast<unsigned int>(at);
  return static_cast<unsigned int>(after);
}

// Push and end push work on a text line between its margins, or on prompt
// input, outside an inline command; a shown-only line takes them only in
// locate mode. Elsewhere they give operator error 72.
bool TextSession::pushKeyRefused() {
  const unsigned int row = rowOf(cursorPos);
  const bool locate = (modes & text_mode::kLocate) != 0;
  const bool rtl = isRightToLeftLine(row);
  const unsigned int lo = rtl ? bidirightmar(row) : leftmar(row), hi = rtl ? bidileftmar(row) : rightmar(row);
  if ((!textLine(row) && !promptInput()) || ((line(row).ctl & line_ctl::kShownOnly) && !locate) ||
      (textLine(row) && (cursorPos < lo || cursorPos > hi)) || inlinecmdfld(cursorPos) ||
      (promptInput() && promptLineInputError())) {
    operatorerror(72);
    return true;
  }
  return false;
}

void TextSession::c_textpush() {
  lastHandler_ = "c_textpush";
  if (!bidihosteditor()) return;
  if (!commonOpening()) return;
  const bool locate = (modes & text_mode::kLocate) != 0;
  if (pushKeyRefused()) return;
  if (locate) {
    unsigned int found = cursorPos;
    if (locateSearch(kPush, found)) moveCursorWithTimer(found, Plane0);
    return;
  }
  if (positionInSegment(cursorPos) || (modes & text_mode::kSegmentEnd) || charAt(cursorPos) == kEndPush) {
    operatorerror(60);
    return;
  }
  const unsigned int pos = process_push(cursorPos);
  if (!(modes & text_mode::kErrorShown)) moveCursor(pos, Plane0);
}

void TextSession::c_textendpush() {
  lastHandler_ = "c_textendpush";
  if (!bidihosteditor()) return;
  if (!commonOpening()) return;
  const bool locate = (modes & text_mode::kLocate) != 0;
  if (pushKeyRefused()) return;
  if (locate) {
    unsigned int found = cursorPos;
    if (locateSearch(kPush, found)) {
      modes |= text_mode::kSegmentEnd;
      moveCursorWithTimer(found, Plane0);
    }
    return;
  }
  const bool segmentEnd = (modes & text_mode::kSegmentEnd) != 0;
  if ((!positionInSegment(cursorPos) && !segmentEnd) || (charAt(cursorPos) == kPush && !segmentEnd)) {
    operatorerror(61);
    return;
  }
  const unsigned int pos = process_endpush(cursorPos);
  if (!(modes & text_mode::kErrorShown)) moveCursorWithTimer(pos, Plane0);
}

// Tab on a right-to-left line.

bool TextSession::biditabfunction(unsigned int& newpos, unsigned char ch) {
  const unsigned int cursor = cursorPos;
  const unsigned int row = rowOf(cursor);
  const unsigned int R = bidirightmar(row);
  newpos = cursor;
  if (ch == kRequiredTab && (textDef.defFlags & 0x80000000u)) {
    operatorerror(77);
    return false;
  }
  if ((positionInSegment(cursor) && charAt(cursor) != kPush) ||
      (insertMode() && (modes & text_mode::kSegmentEnd))) {
    operatorerror(60);
    return false;
  }
  auto stopAdvance = [&](unsigned int pos) {
    unsigned char type = 0;
    const int stop = pos > R ? bidifindtabstop(pos, R, type) : -1;
    return stop >= 0 ? static_cast<unsigned int>(stop) : pos;
  };
  auto onlyNullsFrom = [&](unsigned int pos) {
    for (unsigned int p = R; p <= pos; ++p)
      if (charAt(p)) return false;
    return true;
  };
  if (!insertMode()) {
    if (ch == kRequiredTab) {
      newpos = stopAdvance(cursor);
      return true;
    }
    newpos = bidireplace(kTab, cursor);
    return newpos + 1 == cursor;
  }
  newpos = insertdatabidi(ch, cursor);
  if (newpos == cursor || (modes & text_mode::kErrorShown)) return false;
  if (hostEdges() && !searchscaleline(row, 2) && rowOf(newpos) == row) {
    unsigned char type = 0;
    const int stop = newpos > R ? bidifindtabstop(newpos, R, type) : -1;
    if (onlyNullsFrom(newpos) && (stop < 0 || static_cast<unsigned int>(stop) == R)) {
      textSendAid(cursor, ch == kTab ? kAidTab : kAidRequiredTab);
      return true;
    }
  }
  unsigned int aligned = newpos;
  if (bidialign(newpos, aligned)) {
    newpos = aligned;
    return true;
  }
  if (rowOf(newpos) == row && onlyNullsFrom(newpos)) newpos = stopAdvance(newpos);
  return true;
}

// Centring on a right-to-left line: the text between the mirrored margins
// goes to their middle; the line's end character stays after it.

void TextSession::bidicentertext(unsigned int row) {
  if (centringRefused(row)) return;
  const unsigned int L = bidileftmar(row), E = bidieffectiveleftmar(row), R = bidirightmar(row);
  if (cursorPos > L || cursorPos < R || E != L || L <= R) {
    operatorerror(72);
    return;
  }
  const bool tabMarks = scaleLineHasTabMarks(row);
  bool tabs = false;
  for (unsigned int p = R; p <= L; ++p)
    if (isTab(charAt(p))) tabs = true;
  if (tabMarks && tabs) {
    operatorerror(72);
    return;
  }
  if (!searchscaleline(row, 2) || !searchscaleline(row, 1)) {
    textSendAid(cursorPos, kAidCenter);
    return;
  }
  auto attributed = [&](unsigned int p) { return extendedPlanes() && (planeByte(p, 1) || planeByte(p, 2)); };
  auto blankOrNull = [&](unsigned int p) { return (!charAt(p) || charAt(p) == 0x40) && !attributed(p); };
  auto ender = [&](unsigned char c) { return c == kCarrierReturn || c == reqCarrierReturnChar || c == kPageEnd; };
  // The text's last position T (the lowest offset) and first F (highest).
  unsigned int T = R;
  while (T <= L && blankOrNull(T)) ++T;
  if (T > L) return;
  unsigned char end = 0;
  if (ender(charAt(T)) && !attributed(T)) {
    end = charAt(T);
    while (T <= L && (blankOrNull(T) || ender(charAt(T)))) ++T;
    if (T > L) return;
  }
  unsigned int F = L;
  while (F > T && (blankOrNull(F) || charAt(F) == kCarrierReturn)) --F;
  const unsigned int n = F - T + 1;
  // In reading order: index 0 at L.
  const long first = static_cast<long>(L - F), lastIndex = static_cast<long>(L - R);
  const long d = (lastIndex + 1) / 2 - (first + static_cast<long>(n) / 2);
  long k = 0;
  if (d > 0) {
    long room = static_cast<long>(T) - static_cast<long>(R);
    if (!end) room -= 1;
    if (room > 0) k = std::min(room, d);
  } else if (d < 0) {
    const long room = first - 1;
    if (room > 0) k = -std::min(room, -d);
  }
  unsigned int newFirst = F;
  if (k) {
    // Move the text, null what it left and put the line end after it.
    unsigned char text[kMaxColumns];
    psBuffer->getData(T, n, text);
    psBuffer->fillRange(T, F, 0x00);
    if (end)
      for (unsigned int p = R; p < T; ++p)
        if (charAt(p) == end) psBuffer->writeCharacter(p, 0x00);
    if (extendedPlanes()) primaryBuffer->copyRangeInAllECBPlanes(T, F, static_cast<unsigned int>(static_cast<long>(T) - k));
    const unsigned int newT = static_cast<unsigned int>(static_cast<long>(T) - k);
    psBuffer->writeData(text, n, newT);
    if (extendedPlanes() && k > 0)
      primaryBuffer->clearAllECBPlanes(static_cast<int>(newT + n), static_cast<int>(F));
    if (extendedPlanes() && k < 0)
      primaryBuffer->clearAllECBPlanes(static_cast<int>(T), static_cast<int>(newT - 1));
    if (end && newT > R) psBuffer->writeCharacter(newT - 1, end);
    newFirst = newT + n - 1;
    bidiconvertimbeddednulls(newT);
    setModifiedLineTags(newFirst, L, R);
  }
  moveCursor(newFirst, Plane0);
}
