// Word spill on right-to-left lines. Such a line is kept mirrored: its text
// starts at the mirrored left margin (the higher offset) and runs down to
// the mirrored right margin; the position below that margin is the first
// one past it. The word at the low end moves to the high end of the next
// line, in replace mode over its text, in insert mode pushing it along or
// opening a new line. Words inside push segments (0x0B ... 0x0D) move with
// their segment markers so that the segment stays closed on both lines.
#include "display/DisplayBag.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr uint32_t kSegmentsOnLine = 1u << 29;   // LineControlRecord::ctl3
constexpr uint32_t kStartsInSegment = 1u << 30;  // LineControlRecord::ctl3
constexpr uint32_t kNeverSpills = 1u << 26;      // LineControlRecord::ctl
constexpr uint32_t kKeepsOrientation = 1u << 25; // LineControlRecord::ctl
constexpr uint32_t kOverflows = 0x80000000u;     // LineControlRecord::editFlags

bool isAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
bool wordStartDelimiter(unsigned char c) {
  return c == 0x40 || c == kTab || c == kRequiredTab || c == kPush || c == kEndPush || c == 0x00;
}
}  // namespace

// The mirror of a margin, kept on the row's text part (a margin inside the
// in-line command field would otherwise mirror past the row's end).
namespace {
unsigned int OnRow(const TextSession& s, unsigned int row, unsigned int pos) {
  const unsigned int first = (row - 1) * s.cols + s.sizelncmdfld(), last = row * s.cols - 1u;
  return pos < first ? first : (pos > last ? last : pos);
}
}  // namespace
int TextSession::bidifindtabstop(unsigned int from, unsigned int to, unsigned char& type) const {
  const int stop = findtabstop(convertLVOffset(from), convertLVOffset(to), type);
  return stop < 0 ? -1 : static_cast<int>(convertLVOffset(static_cast<unsigned int>(stop)));
}

unsigned int TextSession::bidileftmar(unsigned int row) { return OnRow(*this, row, convertLVOffset(leftmar(row))); }
unsigned int TextSession::bidieffectiveleftmar(unsigned int row) {
  return OnRow(*this, row, convertLVOffset(effectiveleftmar(row)));
}
unsigned int TextSession::bidirightmar(unsigned int row) { return OnRow(*this, row, convertLVOffset(rightmar(row))); }

bool TextSession::bidispill(unsigned int& cursor, bool& hostMustSpill) {
  hostMustSpill = false;
  const unsigned int row = rowOf(cursorPos);
  if (!textLine(row)) return false;
  const unsigned int R = bidirightmar(row);
  const TabContext t = biditabfunctionact(R + 1);
  if (restrictedEditing()) {
    cursor = bidileftmar(findnonoutputonlyln(row, 3, false));
    return true;
  }
  if (!searchscaleline(row, 2) || (line(row).ctl & kNeverSpills)) return false;
  if (t.active && t.tabType == kTab && t.stopType != 3) return false;
  // The position past the margin must lie on the row.
  if (R <= (row - 1) * cols) return false;
  bool ok;
  if (promptInput())
    ok = insertMode() ? false : bidireplacespill(cursor);
  else if (insertMode() || (cursorPos > 0 && charAt(cursorPos - 1u) == kPageEnd))
    ok = bidiinsertspill(cursor, hostMustSpill);
  else
    ok = bidireplacespill(cursor);
  if (ok) line(row).editFlags &= ~kOverflows;
  return ok;
}

unsigned int TextSession::bidispillwordsize(unsigned int row, bool& hyphenate, unsigned int& start,
                                            unsigned int& trailingBlanks) {
  hyphenate = false;
  trailingBlanks = 0;
  start = 0;
  const unsigned int M = bidileftmar(row), R = bidirightmar(row);
  const unsigned int first = (row - 1) * cols;
  if (M <= R || R <= first) return 0;
  // The byte on the outer side of the margin: a required carrier return,
  // or a character the insertion pushed there, belongs to the line's end.
  const unsigned char outer = charAt(R - 1);
  const bool overflow = outer && !isAttribute(outer) && outer != kCarrierReturn && outer != hyphenChar;
  unsigned int scan = R;
  if (outer == reqCarrierReturnChar || overflow) scan = R - 1;
  if (outer != reqCarrierReturnChar) {
    if (isTab(charAt(scan)) && cursorPos != R) {
      start = R;
      return 1;
    }
    if (isTab(charAt(R + 1))) {
      start = R + 1;
      return 1;
    }
  }
  unsigned int p = scan;
  const unsigned char atScan = charAt(p);
  if (atScan == reqCarrierReturnChar || atScan == kPageEnd) {
    if (atScan == kPageEnd && p + 1 < M && charAt(p + 1) == 0x40) ++p;
    ++p;
  }
  // Blanks and nulls after the word go with it.
  unsigned char lastPassed = 0xFF;
  while (p < M && (charAt(p) == 0x40 || charAt(p) == 0x00)) {
    lastPassed = charAt(p);
    if (!line(row).segments) ++trailingBlanks;
    ++p;
  }
  if (p >= M && (charAt(M) == 0x40 || charAt(M) == 0x00)) {
    if (lastPassed != 0x40 && charAt(M) != 0x40) return 0;  // nothing but nulls: no word
    hyphenate = true;
    start = R;
    return 1;
  }
  const unsigned char here = charAt(p);
  if (bidihosteditor() && (positionInSegment(p) || line(row).segments || here == kPush || here == kEndPush)) {
    bool segHyphen = false;
    unsigned int segStart = p;
    const unsigned int n = spillsegmentsize(row, segHyphen, p, segStart);
    if (n) {
      hyphenate = segHyphen;
      start = segStart;
      return segStart >= scan ? segStart - scan + 1 : n;
    }
  }
  unsigned int s = p;
  while (s < M) {
    if (wordStartDelimiter(charAt(s + 1)) && s - p + 1 >= cursorOutState) break;
    ++s;
  }
  if (s == M && !wordSpillDelimiter(charAt(M)) && !wordStartDelimiter(charAt(M))) {
    // The word fills the line: it is broken at the margin.
    hyphenate = true;
    start = R;
    return scan + 1 == R ? 2 : 1;
  }
  start = s;
  return s - scan + 1;
}

unsigned int TextSession::spillsegmentsize(unsigned int row, bool& hyphenate, unsigned int from,
                                           unsigned int& start) {
  hyphenate = false;
  start = from;
  const bool rtl = isRightToLeftLine(row);
  const unsigned int M = rtl ? bidileftmar(row) : leftmar(row);
  const unsigned int R = rtl ? bidirightmar(row) : rightmar(row);
  const int back = rtl ? 1 : -1;  // towards the left margin, against the writing
  auto stepBack = [&](unsigned int p) { return static_cast<unsigned int>(static_cast<int>(p) + back); };
  auto atMargin = [&](unsigned int p) { return p == M; };
  unsigned int s = from;
  if (charAt(from) == kEndPush) {
    // A closed segment ends the line: it moves whole, with the word it
    // is attached to.
    while (!atMargin(s) && charAt(s) != kPush) s = stepBack(s);
    if (charAt(s) != kPush && !(line(row).ctl3 & kStartsInSegment)) return 1;
  } else if (findActiveBR(from, rtl) < 0) {
    // Not inside a segment: a blank on the margin next to a marker.
    const unsigned int inner = stepBack(R);
    if (charAt(R) == 0x40 && (charAt(inner) == kPush || charAt(inner) == kEndPush)) start = R;
    return 1;
  }
  // Inside (or at the end of) a segment: back to the word's delimiter; a
  // word that starts at the segment's push takes the push along.
  while (!atMargin(s) && !wordStartDelimiter(charAt(stepBack(s)))) s = stepBack(s);
  if (!atMargin(s) && charAt(stepBack(s)) == kPush) s = stepBack(s);
  if (atMargin(s) && !wordSpillDelimiter(charAt(s)) && charAt(s) != kPush) {
    hyphenate = true;
    start = R;
    return 1;
  }
  start = s;
  return (rtl ? s - from : from - s) + 1;
}

void TextSession::bidispillword(unsigned int start, unsigned int length, unsigned int dest, bool hyphenate,
                                bool addTab) {
  const unsigned int S = rowOf(start), D = rowOf(dest);
  if (!length || length > kMaxColumns || S < 1 || D < 1 || S > rows || D > rows) return;
  const bool rtlS = isRightToLeftLine(S), rtlD = isRightToLeftLine(D);
  const unsigned int firstS = (S - 1) * cols, firstD = (D - 1) * cols;
  if (addTab && (rtlS ? biditabfunctionact(start) : intabbounds(start)).active) {
    psBuffer->writeCharacter(dest, kTab);
    dest = rtlD ? dest - 1 : dest + 1;
  }
  // The word's low end in the source.
  const unsigned int low = rtlS ? start + 1 - length : start;
  if (rtlS ? start + 1 < length || low < firstS : start + length - 1 > S * cols - 1u) return;
  const unsigned int destLow = rtlD ? dest + 1 - length : dest;
  if (rtlD ? dest + 1 < length || destLow < firstD : dest + length - 1 > D * cols - 1u) return;
  unsigned char word[kMaxColumns], prim[kMaxColumns] = {}, sec[kMaxColumns] = {};
  psBuffer->getData(low, length, word);
  if (extendedPlanes()) {
    primaryBuffer->getData(low, length, prim);
    secondaryBuffer->getData(low, length, sec);
  }
  const unsigned int RS = rtlS ? bidirightmar(S) : rightmar(S);
  if (rtlS) {
    // The display attribute in effect at the word, searched towards the
    // margin.
    unsigned char attribute = 0x20;
    for (unsigned int p = start + 1; p-- > RS && p >= low;)
      if (isAttribute(charAt(p))) {
        attribute = charAt(p);
        break;
      }
    const unsigned int from = low > firstS ? low - 1 : low;
    psBuffer->fillRange(from, start, 0x00);
    if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(from), static_cast<int>(start));
    if (RS > firstS) psBuffer->writeCharacter(RS - 1, attribute);
  } else {
    const unsigned int clearTo = RS + 1 <= S * cols - 1u ? RS + 1 : RS;
    if (start <= clearTo) psBuffer->fillRange(start, clearTo, 0x00);
    if (extendedPlanes() && start <= clearTo)
      primaryBuffer->clearAllECBPlanes(static_cast<int>(start), static_cast<int>(clearTo));
  }
  psBuffer->writeData(word, length, destLow);
  if (extendedPlanes()) {
    primaryBuffer->writeData(prim, length, destLow);
    secondaryBuffer->writeData(sec, length, destLow);
  }
  if (!rtlS) updatetermattr(S);
  if (rtlD) {
    // The attribute in effect on the destination before the word.
    unsigned char inEffect = 0;
    for (unsigned int p = dest + 1; p <= D * cols - 1u; ++p)
      if (isAttribute(charAt(p))) {
        inEffect = charAt(p);
        break;
      }
    if (inEffect != 0x20 && dest + 1 <= D * cols - 1u) psBuffer->writeCharacter(dest + 1, 0x20);
    const unsigned int RD = bidirightmar(D);
    if (RD > firstD && !charAt(RD - 1)) psBuffer->writeCharacter(RD - 1, 0x20);
  } else {
    unsigned char attribute = 0;
    for (unsigned int p = low; p-- > firstS;)
      if (isAttribute(charAt(p))) {
        attribute = charAt(p);
        break;
      }
    if (dest > firstD) psBuffer->writeCharacter(dest - 1, attribute ? attribute : 0x20);
    updatetermattr(D);
  }
  line(D).ctl |= line_ctl::kChanged;
  line(S).ctl |= line_ctl::kChanged;
  if (hyphenate) psBuffer->writeCharacter(RS, hyphenChar);
}

void TextSession::bidispillsegment(unsigned int start, unsigned int length, unsigned int dest, unsigned int,
                                   bool hyphenate, bool addTab) {
  const unsigned int S = rowOf(start), D = rowOf(dest);
  if (!length || length > kMaxColumns || S < 1 || D < 1 || S > rows || D > rows) return;
  const bool rtlS = isRightToLeftLine(S);
  const unsigned int low = rtlS ? start + 1 - length : start, high = rtlS ? start : start + length - 1;
  if (rtlS ? start + 1 < length : high > S * cols - 1u) return;
  // The case: the word starts at the push (1, 4) or inside the segment
  // (2, 3); the segment's end push moves with it (1, 2) or not (3, 4). The
  // markers travel with the text, so the segment stays closed on both
  // lines; the trailing blanks are part of the word.
  bool endPush = false;
  for (unsigned int p = low; p <= high; ++p)
    if (charAt(p) == kEndPush) endPush = true;
  const bool atPush = charAt(start) == kPush;
  const int kind = atPush ? (endPush ? 1 : 4) : (endPush ? 2 : 3);
  bidispillword(start, length, dest, hyphenate, addTab);
  LineControlRecord& src = line(S);
  LineControlRecord& dst = line(D);
  bool stillPush = false;
  for (unsigned int p = (S - 1) * cols; p <= S * cols - 1u; ++p)
    if (charAt(p) == kPush) stillPush = true;
  if (!stillPush && !(src.ctl3 & kStartsInSegment)) src.ctl3 &= ~kSegmentsOnLine;
  dst.ctl3 |= kSegmentsOnLine;
  if (kind == 2 || kind == 3) {
    // The segment goes on from the source line to the destination.
    dst.ctl3 |= kStartsInSegment;
    src.segments = 1;
  } else {
    dst.ctl3 &= ~kStartsInSegment;
    src.segments = 0;
  }
  if (kind == 1 || kind == 4) CRonline(S);
}

// Whether the word at the low end of a right-to-left line (its high end at
// `start`) holds a segment marker or lies in a segment.
bool TextSession::wordHasSegment(unsigned int start, unsigned int length) {
  if (positionInSegment(start)) return true;
  for (unsigned int i = 0; i < length && i <= start; ++i)
    if (charAt(start - i) == kPush || charAt(start - i) == kEndPush) return true;
  return false;
}

bool TextSession::spillSegmentWord(unsigned int start, unsigned int length, unsigned int dest,
                                   unsigned int trailingBlanks, bool hyphenate) {
  if (!bidihosteditor() || !length) return false;
  bool segment = positionInSegment(start);
  for (unsigned int i = 0; i < length && !segment; ++i)
    if (charAt(start + i) == kPush || charAt(start + i) == kEndPush) segment = true;
  if (!segment) return false;
  bidispillsegment(start, length, dest, trailingBlanks, hyphenate, false);
  return true;
}

bool TextSession::bidireplacespill(unsigned int& cursor) {
  const unsigned int row = rowOf(cursorPos);
  const unsigned int N = row + 1;
  if (N >= kRows || N > textDef.lastTextRow) return false;
  bool hyphenate = false;
  unsigned int start = 0, blanks = 0;
  const unsigned int length = bidispillwordsize(row, hyphenate, start, blanks);
  if (!length) return false;
  const LineControlRecord& n = line(N);
  if (n.ctl & (line_ctl::kNotText | line_ctl::kShownOnly)) return false;
  if ((line(row).ctl & kKeepsOrientation) && ((n.ctl3 ^ line(row).ctl3) & 0x80000000u)) return false;
  const bool rtlN = isRightToLeftLine(N);
  const unsigned int E = rtlN ? bidieffectiveleftmar(N) : effectiveleftmar(N);
  const unsigned int firstN = (N - 1) * cols, lastN = N * cols - 1u;
  bool pageEnd = false;
  for (unsigned int i = 0; i < length; ++i) {
    if (rtlN ? E < firstN + i : E + i > lastN) return false;
    switch (charAt(rtlN ? E - i : E + i)) {
      case 0x1C: case 0x07: case 0xFC: case kPush: case kEndPush: case 0x1A:
        return false;
      case kPageEnd:
        pageEnd = true;
        break;
      default:
        break;
    }
  }
  if (!searchscaleline(N, 1)) return false;
  if (length > rightmar(N) - leftmar(N)) return false;
  if (pageEnd) {
    bool host = false;
    return bidiinsertspill(cursor, host);
  }
  if (wordHasSegment(start, length))
    bidispillsegment(start, length, E, blanks, hyphenate, false);
  else
    bidispillword(start, length, E, hyphenate, false);
  CRonline(row);
  line(N).ctl |= line_ctl::kChanged;
  cursor = rtlN ? E - length : E + length;
  return true;
}

unsigned int TextSession::bidicomputeindentoffset(unsigned int row) {
  const unsigned int E = bidieffectiveleftmar(row), R = bidirightmar(row);
  unsigned int count = 0;
  for (unsigned int p = R; p <= E; ++p)
    if (charAt(p) == kRequiredTab) ++count;
  if (!count) return 0;
  unsigned int at = E;
  while (count) {
    unsigned char type = 0;
    const int stop = bidifindtabstop(at, R, type);
    if (stop < 0 || static_cast<unsigned int>(stop) >= at) break;
    at = static_cast<unsigned int>(stop);
    --count;
  }
  unsigned int indent = E - at + count;
  if (indent > E - R) indent = E - R > 0 ? E - R - 1 : 0;
  return indent;
}

unsigned int TextSession::bidispilllineroom(unsigned int row) {
  const unsigned int E = bidieffectiveleftmar(row), R = bidirightmar(row);
  if (E < R) return 0;
  for (unsigned int p = R; p <= E; ++p)
    if (charAt(p)) return p - R;
  return E - R + 1;
}

bool TextSession::bidiinsertspill(unsigned int& cursor, bool& hostMustSpill) {
  unsigned int row = rowOf(cursorPos);
  if (!searchscaleline(row, 1) && !getLCDindentoffset(row)) {
    hostMustSpill = true;
    return false;
  }
  bool hyphenate = false;
  unsigned int start = 0, blanks = 0;
  unsigned int length = bidispillwordsize(row, hyphenate, start, blanks);
  if (!length) return false;
  const unsigned int indent = bidicomputeindentoffset(row);
  const unsigned int C = cursor;
  const bool segment = wordHasSegment(start, length);
  auto inWord = [&](unsigned int c, unsigned int s) { return c <= s && c + length >= s; };
  auto place = [&](unsigned int s, unsigned int dest) {
    if (segment)
      bidispillsegment(s, length, dest, blanks, hyphenate, false);
    else
      bidispillword(s, length, dest, hyphenate, false);
  };
  unsigned int N = row + 1;
  const bool nextUsable = N <= textDef.lastTextRow && N < kRows && textLine(N);
  if (nextUsable && isRightToLeftLine(N)) {
    const unsigned int EN = bidieffectiveleftmar(N), EL = bidieffectiveleftmar(row);
    const bool sameColumn = !(searchscaleline(N, 1) || EN < bidileftmar(N)) || columnOf(EN) + indent == columnOf(EL);
    bool rcr = false;
    for (unsigned int i = 0; i < length; ++i)
      if (charAt(start - i) == reqCarrierReturnChar) rcr = true;
    bool tabs = false;
    for (unsigned int p = bidirightmar(N); p <= bidileftmar(N); ++p)
      if (isTab(charAt(p))) tabs = true;
    if (length <= bidispilllineroom(N) && !tabs && !rcr && !(line(row).ctl & kKeepsOrientation) &&
        line(row).scaleLineId == line(N).scaleLineId && !(line(N).ctl & line_ctl::kShownOnly) &&
        (searchscaleline(N, 1) || !getLCDindentoffset(row)) && sameColumn) {
      // Room on the next line: its text moves on by the word's length.
      const unsigned int RN = bidirightmar(N);
      unsigned int lastUsed = EN;
      bool any = false;
      for (unsigned int p = RN; p <= EN; ++p)
        if (charAt(p)) {
          lastUsed = p;
          any = true;
          break;
        }
      if (any) shiftchars(lastUsed, EN - lastUsed + 1, -static_cast<int>(length));
      place(start, EN);
      if (inWord(C, start)) {
        cursor = EN - (start - C);
        cursorPlane = leftmostActivePlane(cursor);
      }
      CRonline(row);
      updateLineEnder(N);
      return true;
    }
  }
  const unsigned int R = bidirightmar(row);
  if (R > (row - 1) * cols && charAt(R - 1) == hyphenChar && !(line(row).editFlags & kOverflows)) ++length;
  if (!cinsertpossible(C + 1, indent, length)) return false;
  int direction = 3;
  if (!continuousinsert(row, direction, indent)) return false;
  unsigned int c = C;
  if (direction == 2) {
    row -= 1;
    start -= cols;
    c -= cols;
    cursor -= cols;
  }
  N = row + 1;
  const bool rtlN = isRightToLeftLine(N);
  unsigned int EN = rtlN ? bidieffectiveleftmar(N) : effectiveleftmar(N);
  if (rtlN && EN < bidirightmar(N)) EN = bidirightmar(N);
  if (!rtlN && EN > rightmar(N)) EN = rightmar(N);
  place(start, EN);
  if (inWord(c, start)) {
    cursor = rtlN ? EN - (start - c) : EN + (start - c);
    cursorPlane = leftmostActivePlane(cursor);
  }
  CRonline(row);
  if (line(row).ctl & kKeepsOrientation) {
    line(row).ctl &= ~kKeepsOrientation;
    line(N).ctl |= kKeepsOrientation;
  }
  updateLineEnder(N);
  return true;
}

bool TextSession::bidiCRonline(unsigned int row) {
  if (!textLine(row)) return false;
  const unsigned int M = bidileftmar(row), R = bidirightmar(row);
  unsigned int last = 0;
  bool any = false;
  for (unsigned int p = R; p <= M; ++p)
    if (charAt(p)) {
      last = p;
      any = true;
      break;
    }
  if (!any || last <= R) return false;
  const unsigned char c = charAt(last);
  if (c == kCarrierReturn || c == hyphenChar || c == reqCarrierReturnChar || c == kPageEnd) return false;
  if (isTab(c)) {
    unsigned char type = 0;
    const int stop = bidifindtabstop(last, R, type);
    psBuffer->writeCharacter(stop >= 0 && static_cast<unsigned int>(stop) < last ? static_cast<unsigned int>(stop)
                                                                                  : last - 1,
                             kCarrierReturn);
    return true;
  }
  psBuffer->writeCharacter(last - 1, kCarrierReturn);
  return true;
}

void TextSession::bidiupdateLineEnder(unsigned int row) {
  if (!textLine(row)) return;
  const unsigned int M = bidileftmar(row), R = bidirightmar(row);
  for (unsigned int p = R; p <= M; ++p) {
    const unsigned char c = charAt(p);
    if (!c) continue;
    if (p > R && c != reqCarrierReturnChar && c != kCarrierReturn && c != hyphenChar)
      psBuffer->writeCharacter(p - 1, kCarrierReturn);
    return;
  }
}
