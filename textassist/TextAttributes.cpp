// Underscore, bold, end of attribute, superscript, subscript and word
// underscore in the text (attribute characters in the text, or bytes of the
// attribute planes), centering a line between its margins, and stop codes.
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr unsigned char kStopCode = 0x1E;
constexpr unsigned char kStopCode2 = 0x1A;
constexpr unsigned char kWordUnderscore = 0x1D;
constexpr unsigned char kAidCenter = 0xED;
constexpr unsigned char kAidStopCode = 0xD6;
constexpr unsigned char kAidStopAdvance = 0xE0;
constexpr unsigned char kAidLocate = 0xEB;

bool isAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }
}  // namespace

bool TextSession::ecbUpdateCompletion(unsigned int& pos) {
  const PlaneNumber entry = cursorPlane;
  if (!charAt(pos)) {
    psBuffer->writeCharacter(pos, kPlaceholder);
    convertimbeddednulls(pos);
    convertImbeddedNontabNulls(pos);
  }
  unsigned int p = pos;
  PlaneNumber pl = entry;
  const bool walked = walkCursor(1, p, pl);
  if (walked) {
    pos = p;
    cursorPlane = pl;
  }
  return walked;
}

void TextSession::addWUSEffect(unsigned int pos, unsigned int leftLimit) {
  if (!extendedPlanes()) return;
  unsigned int p = pos;
  while (p > leftLimit && !wordDelimiter(charAt(p - 1))) {
    const unsigned char s = planeByte(p, 2);
    if (s & 0x80) secondaryBuffer->writeCharacter(p, static_cast<unsigned char>(s | 0x04));
    --p;
  }
  const unsigned char s = planeByte(p, 2);
  secondaryBuffer->writeCharacter(p, (s & 0x80) ? static_cast<unsigned char>(s | 0x04) : 0x84);
}

void TextSession::removeWUSEffect(unsigned int from, unsigned int to) {
  if (!extendedPlanes()) return;
  for (unsigned int p = to + 1; p-- > from;) {
    unsigned char s = static_cast<unsigned char>(planeByte(p, 2) & ~0x04);
    if (s == 0x80) s = 0;
    secondaryBuffer->writeCharacter(p, s);
  }
}

void TextSession::processpriattr(unsigned char planeCode, unsigned char textChar) {
  const unsigned int row = rowOf(cursorPos);
  const bool onPrompt = promptInput() && row == textDef.promptRow;
  if (inlinecmdfld(cursorPos) || (!textLine(row) && !onPrompt) || (row == textDef.promptRow && !promptInput())) {
    operatorerror(72);
    return;
  }
  if (modes & text_mode::kLocate) {
    unsigned int found = cursorPos;
    if (locateSearch(textChar, found)) moveCursorWithTimer(found, extendedPlanes() ? Plane1 : Plane0);
    return;
  }
  const unsigned int L = onPrompt ? promptInputStart : leftmar(row);
  const unsigned int R = onPrompt ? row * cols - 2u : rightmar(row);
  if ((line(row).ctl & line_ctl::kShownOnly) || cursorPos < L || cursorPos > R) {
    operatorerror(72);
    return;
  }
  if (!insertMode() && operator_error_73(cursorPos)) {
    operatorerror(73);
    return;
  }
  if (extendedPlanes() && !restrictedEditing()) {
    unsigned int pos = cursorPos;
    if (planeByte(pos, 1) == 0xA0) {
      operatorerror(73);
      return;
    }
    if (!hasMaster(pos, 1)) {
      const unsigned int at = pos;
      cursorPlane = Plane1;
      primaryBuffer->writeCharacter(at, planeCode);
      ecbUpdateCompletion(pos);
      line(row).ctl3 |= 0x10000000u;
    } else {
      primaryBuffer->writeCharacter(pos, static_cast<unsigned char>(planeByte(pos, 1) | planeCode));
      cursorPlane = Plane0;
    }
    setModifiedLineTags(pos, L, R);
    updatetermattr(row);
    moveCursorWithTimer(pos, Plane0);
    return;
  }
  const unsigned char old = charAt(cursorPos);
  if (isAttribute(old)) {
    unsigned char v = static_cast<unsigned char>(old | textChar);
    if (v == 0x27) v = 0x28;
    if ((v & 0x0F) > 8) v = old;
    psBuffer->writeCharacter(cursorPos, v);
    setModifiedLineTags(cursorPos, L, R);
    updatetermattr(row);
    moveCursorWithTimer(cursorPos < R ? cursorPos + 1u : cursorPos, Plane0);
    return;
  }
  const unsigned int pos = insertMode() ? insert(textChar, cursorPos) : replace(textChar, cursorPos);
  setLocateChar(textChar, Plane0);
  updatetermattr(row);
  if (modes & text_mode::kErrorShown) return;
  moveCursorWithTimer(pos, Plane0);
}

void TextSession::c_textunderscore() {
  lastHandler_ = "c_textunderscore";
  if (!commonOpening()) return;
  processpriattr(0x84, 0x24);
}

void TextSession::c_textintensify() {
  lastHandler_ = "c_textintensify";
  if (!commonOpening()) return;
  processpriattr(0x82, 0x22);
}

void TextSession::c_textendattribute() {
  lastHandler_ = "c_textendattribute";
  if (!commonOpening()) return;
  processpriattr(0x80, 0x20);
}

void TextSession::processsecattr(unsigned char code, unsigned char oppositeBit, unsigned char keepMask) {
  lastHandler_ = "processsecattr";
  if (!commonOpening()) return;
  const unsigned char textChar = code == 0x81 ? 0x09 : 0x01;
  const unsigned int row = rowOf(cursorPos);
  const bool onPrompt = promptInput() && row == textDef.promptRow;
  const unsigned int L = onPrompt ? promptInputStart : leftmar(row);
  const unsigned int R = onPrompt ? row * cols - 2u : rightmar(row);
  if (inlinecmdfld(cursorPos) || (!textLine(row) && !onPrompt) ||
      ((line(row).ctl & line_ctl::kShownOnly) && !(modes & text_mode::kLocate)) || cursorPos < L || cursorPos > R) {
    operatorerror(72);
    return;
  }
  if (modes & text_mode::kLocate) {
    unsigned int found = cursorPos;
    if (locateSearch(textChar, found)) moveCursorWithTimer(found, extendedPlanes() ? Plane2 : Plane0);
    return;
  }
  if (!insertMode() && operator_error_73(cursorPos)) {
    operatorerror(73);
    return;
  }
  if (!extendedPlanes() || restrictedEditing()) {
    datakeys(textChar);
    lastHandler_ = "processsecattr";
    return;
  }
  unsigned int pos = cursorPos;
  const unsigned char s = planeByte(pos, 2);
  const unsigned char opposite = static_cast<unsigned char>(0x80 | oppositeBit);
  if (onPrompt) {
    secondaryBuffer->writeCharacter(pos, code);
    line(row).ctl3 |= 0x02000000u;
  } else if (s == opposite) {
    secondaryBuffer->writeCharacter(pos, 0);
  } else if (s & oppositeBit) {
    if ((s & keepMask) == 0x84 && !(pos > L && wordDelimiter(charAt(pos - 1))))
      secondaryBuffer->writeCharacter(pos, 0);
    else
      secondaryBuffer->writeCharacter(pos, static_cast<unsigned char>(s & keepMask));
  } else if (s & 0x80) {
    secondaryBuffer->writeCharacter(pos, static_cast<unsigned char>((s | code) & keepMask));
    PlaneNumber pl = cursorPlane;
    if (walkCursor(1, pos, pl)) cursorPlane = pl;
  } else {
    cursorPlane = Plane2;
    secondaryBuffer->writeCharacter(pos, code);
    ecbUpdateCompletion(pos);
  }
  setModifiedLineTags(pos, L, R);
  if (!onPrompt) setTermHalfIndexAttr(row);
  moveCursorWithTimer(pos, cursorPlane);
}

void TextSession::c_textwordunderscore() {
  lastHandler_ = "c_textwordunderscore";
  if (!commonOpening()) return;
  const unsigned int row = rowOf(cursorPos);
  const bool onPrompt = promptInput() && row == textDef.promptRow;
  if (inlinecmdfld(cursorPos) || (!textLine(row) && !onPrompt) ||
      (!onPrompt && (cursorPos < leftmar(row) || cursorPos > rightmar(row)))) {
    operatorerror(72);
    return;
  }
  if (modes & text_mode::kLocate) {
    unsigned int found = cursorPos;
    if (locateSearch(kWordUnderscore, found)) moveCursorWithTimer(found, extendedPlanes() ? Plane2 : Plane0);
    return;
  }
  if (!extendedPlanes() || onPrompt || restrictedEditing()) {
    datakeys(kWordUnderscore);
    lastHandler_ = "c_textwordunderscore";
    return;
  }
  unsigned int pos = cursorPos;
  if (pos > leftmar(row) && wordDelimiter(charAt(pos - 1))) {
    operatorerror(72);
    return;
  }
  if (planeByte(pos, 2) & 0x04) return;
  if (!(planeByte(pos, 2) & 0x80)) secondaryBuffer->writeCharacter(pos, 0x80);
  cursorPlane = Plane2;
  ecbUpdateCompletion(pos);
  addWUSEffect(pos ? pos - 1 : pos, leftmar(row));
  line(row).ctl3 |= 0x04000000u;
  setModifiedLineTags(pos, leftmar(row), rightmar(row));
  moveCursorWithTimer(pos, cursorPlane);
}

// Centring takes no prompt input (error 74), no locate mode or restricted
// editing (77) and only an editable text line (72).
bool TextSession::centringRefused(unsigned int row) {
  if (promptInput()) {
    operatorerror(74);
    return true;
  }
  if ((modes & text_mode::kLocate) || restrictedEditing()) {
    operatorerror(77);
    return true;
  }
  if (!textLine(row) || (line(row).ctl & line_ctl::kShownOnly)) {
    operatorerror(72);
    return true;
  }
  return false;
}

// True when the scale line of `row` holds a tab stop (types 3 to 8).
bool TextSession::scaleLineHasTabMarks(unsigned int row) const {
  if (const unsigned char* s = scaleLineOfRow(row))
    for (unsigned int i = 3; i + 1 < s[0]; i += 2)
      if (s[i + 1] >= 3 && s[i + 1] <= 8) return true;
  return false;
}

void TextSession::c_textcentertext() {
  lastHandler_ = "c_textcentertext";
  if (!commonOpening()) return;
  const unsigned int row = rowOf(cursorPos);
  if (isRightToLeftLine(row)) {
    bidicentertext(row);
    return;
  }
  if (centringRefused(row)) return;
  const unsigned int L = leftmar(row), E = effectiveleftmar(row), R = rightmar(row);
  if (cursorPos < L || cursorPos > R || E != L) {
    operatorerror(72);
    return;
  }
  const bool tabMarks = scaleLineHasTabMarks(row);
  if (tabMarks && tabcharsexist(row)) {
    operatorerror(72);
    return;
  }
  if (!searchscaleline(row, 2) || !searchscaleline(row, 1)) {
    textSendAid(cursorPos, kAidCenter);
    return;
  }
  auto attributed = [&](unsigned int p) { return extendedPlanes() && (planeByte(p, 1) || planeByte(p, 2)); };
  auto blankOrNull = [&](unsigned int p) { return (!charAt(p) || charAt(p) == 0x40) && !attributed(p); };
  long t = static_cast<long>(R);
  while (t >= static_cast<long>(L) && blankOrNull(static_cast<unsigned int>(t))) --t;
  if (t < static_cast<long>(L)) return;
  unsigned char ender = 0;
  const unsigned char lastChar = charAt(static_cast<unsigned int>(t));
  if ((lastChar == kCarrierReturn || lastChar == reqCarrierReturnChar) && !attributed(static_cast<unsigned int>(t))) {
    ender = lastChar;
    while (t >= static_cast<long>(L) &&
           (blankOrNull(static_cast<unsigned int>(t)) || charAt(static_cast<unsigned int>(t)) == kCarrierReturn ||
            charAt(static_cast<unsigned int>(t)) == reqCarrierReturnChar))
      --t;
    if (t < static_cast<long>(L)) return;
  }
  const unsigned int T = static_cast<unsigned int>(t);
  unsigned int F = L;
  while (F < T && (blankOrNull(F) || charAt(F) == kCarrierReturn)) ++F;
  const unsigned int n = T - F + 1;
  unsigned int m = n;
  if (T + 1 <= R && charAt(T + 1) == reqCarrierReturnChar) m = n + 1;
  const long d = static_cast<long>(L + (R - L + 1) / 2) - static_cast<long>(F + n / 2);
  auto clearRange = [&](unsigned int a, unsigned int b, unsigned char fill) {
    if (a > b) return;
    psBuffer->fillRange(a, b, fill);
    if (extendedPlanes()) primaryBuffer->clearAllECBPlanes(static_cast<int>(a), static_cast<int>(b));
  };
  bool moved = false;
  if (d < 0) {
    const long room = static_cast<long>(F) - static_cast<long>(L) - 1;
    if (room > 0) {
      const unsigned int k = static_cast<unsigned int>(room < -d ? room : -d);
      if (shiftchars(F, m, -static_cast<int>(k))) {
        moved = true;
        const unsigned int newStart = F - k;
        if (room >= -d) clearRange(E, newStart - 1, 0x40);
        clearRange(newStart + m, R, 0x00);
      }
    }
  } else if (d > 0) {
    const unsigned char last = charAt(T + m - n);
    long room = static_cast<long>(R) - static_cast<long>(T);
    if (last != kCarrierReturn && !ender) room -= 1;
    if (room > 0) {
      const unsigned int k = static_cast<unsigned int>(room < d ? room : d);
      if (shiftchars(F, m, static_cast<int>(k))) {
        moved = true;
        const unsigned int newStart = F + k;
        clearRange(E, newStart - 1, 0x40);
        clearRange(newStart + m, R, 0x00);
      }
    }
  }
  if (moved) {
    unsigned int lastNonNull = L;
    for (unsigned int p = R + 1; p-- > L;)
      if (charAt(p)) {
        lastNonNull = p;
        break;
      }
    if (ender && charAt(lastNonNull) != ender && lastNonNull < R) psBuffer->writeCharacter(lastNonNull + 1, ender);
    const unsigned int newF = static_cast<unsigned int>(static_cast<long>(F) + (d < 0 ? -1 : 1) * 0) ;
    (void)newF;
    for (unsigned int p = L; p <= R; ++p)
      if (!charAt(p) && p > L && charAt(p - 1) && p < lastNonNull) {
        unsigned int q = p;
        while (q < lastNonNull && !charAt(q)) ++q;
        psBuffer->fillRange(p, q - 1, 0x40);
      }
    setModifiedLineTags(cursorPos, L, R);
  }
  unsigned int to = cursorPos;
  for (unsigned int p = R + 1; p-- > L;)
    if (charAt(p) && charAt(p) != kCarrierReturn && charAt(p) != reqCarrierReturnChar) {
      to = p;
      break;
    }
  moveCursorWithTimer(to, Plane0);
}

void TextSession::c_textstopcodefunction() {
  lastHandler_ = "c_textstopcodefunction";
  if (modes & text_mode::kCursorDraw) {
    operatorerror(72);
    return;
  }
  if (!commonOpening()) return;
  if ((modes & text_mode::kLocate) && !(dpo.options & 0x10000000u)) {
    unsigned int a = cursorPos, b = cursorPos;
    const uint32_t saved = textFlagsA;
    textFlagsA |= 1u << 26;
    const bool errorBefore = errorFlag();
    // Searched without reporting: a miss is handled below.
    bool foundA = false, foundB = false;
    {
      const uint16_t code = lastOperatorErrorCode;
      const uint32_t m = modes;
      foundA = locateSearch(kStopCode, a);
      if (!foundA && !errorBefore) {
        modes = m;
        lastOperatorErrorCode = code;
      }
      if (textDef.defLevel > 2) {
        foundB = locateSearch(kStopCode2, b);
        if (!foundB && !errorBefore) {
          modes = m;
          lastOperatorErrorCode = code;
        }
      }
    }
    textFlagsA = saved;
    if (foundA || foundB) {
      const unsigned int to = foundA && foundB ? (a < b ? a : b) : foundA ? a : b;
      moveCursorWithTimer(to, Plane0);
    } else if (textDef.defLevel > 2) {
      setLocateChar(kStopCode, Plane0);
      textSendAid(cursorPos, kAidLocate);
    } else {
      operatorerror(75);
    }
    return;
  }
  if (textDef.defFlags & 0x80000000u) {
    operatorerror(77);
    return;
  }
  const unsigned int row = rowOf(cursorPos);
  if (!textLine(row) || (line(row).ctl & line_ctl::kShownOnly) ||
      ((cursorPos < leftmar(row) || cursorPos > rightmar(row)) && !inlinecmdfld(cursorPos))) {
    operatorerror(72);
    return;
  }
  if (!insertMode()) {
    const unsigned char c = charAt(cursorPos);
    if (c == 0x1C || c == 0x07 || c == 0xFC || c == 0x1A) {
      operatorerror(73);
      return;
    }
  }
  if (textDef.defLevel < 3) {
    datakeys(kStopCode);
    lastHandler_ = "c_textstopcodefunction";
  } else {
    textSendAid(cursorPos, kAidStopCode);
  }
}

void TextSession::c_textstopcodeadvance() {
  lastHandler_ = "c_textstopcodeadvance";
  if (restrictedEditing() || (modes & text_mode::kLocate)) {
    operatorerror(77);
    return;
  }
  if (modes & text_mode::kCursorDraw) {
    operatorerror(72);
    return;
  }
  if (promptInput()) {
    operatorerror(74);
    return;
  }
  if (!commonOpening()) return;
  const unsigned int row = rowOf(cursorPos);
  if (!textLine(row) || cursorPos < leftmar(row) || cursorPos > rightmar(row)) {
    operatorerror(72);
    return;
  }
  unsigned int from = cursorPos;
  if (cursorPos == rightmar(row) && row < textDef.lastTextRow) from = effectiveleftmar(row + 1);
  int hit = -1;
  bool second = false;
  const unsigned int lastRowNow = textDef.lastTextRow < rows ? textDef.lastTextRow : rows;
  for (unsigned int r = rowOf(from); r <= lastRowNow && hit < 0; ++r) {
    if (!textLine(r)) continue;
    for (unsigned int p = r == rowOf(from) ? from : leftmar(r); p <= rightmar(r); ++p)
      if (charAt(p) == kStopCode || charAt(p) == kStopCode2) {
        hit = static_cast<int>(p);
        second = charAt(p) == kStopCode2;
        break;
      }
  }
  if (hit < 0 || (second && textDef.defLevel > 2)) {
    textSendAid(cursorPos, kAidStopAdvance);
    return;
  }
  unsigned int to = static_cast<unsigned int>(hit);
  if (to < rightmar(rowOf(to))) ++to;
  if (to != cursorPos) moveCursorWithTimer(to, leftmostActivePlane(to));
}
