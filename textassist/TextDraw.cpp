// Cursor draw: while the mode is on, the cursor keys draw line characters
// into the text. A drawn character is the mask of its strokes (0x08 up,
// 0x04 down, 0x02 left, 0x01 right), chosen to join the drawn characters
// around it; with the attribute planes its secondary byte carries 0x08 and
// a run of them is marked at its first position (0x88) and after it (0x90).
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "textassist/TextChars.h"
#include "textassist/TextSession.h"

using namespace text_char;

namespace {
constexpr unsigned char kAidDrawDown = 0xEF;
constexpr uint32_t kDrawStep = 1u << 28;

bool blocksDraw(unsigned char c) { return c == 0x1C || c == 0xFC || c == 0x1A; }
}  // namespace

bool TextSession::drawnAt(unsigned int pos) const {
  const unsigned char c = charAt(pos);
  if (c < 0x01 || c > 0x0F) return false;
  if (extendedPlanes()) return (planeByte(pos, 2) & 0x08) != 0;
  return true;
}

unsigned int TextSession::findmodifiableln(unsigned int row, int direction, bool& found) {
  found = false;
  const unsigned int first = textDef.firstTextRow, last = textDef.lastTextRow;
  const unsigned int column = columnOf(cursorPos);
  unsigned int r = row;
  do {
    if ((direction == 2 && r <= first) || (direction != 2 && r >= last)) {
      found = true;
      return r;
    }
    r = direction == 2 ? r - 1 : r + 1;
  } while (textLine(r) && rightmar(r) == leftmar(r) + 1 && r > first && r < last);
  unsigned int examined = r;
  if (!hostEdges() && (line(r).ctl & (line_ctl::kNotText | line_ctl::kShownOnly))) examined = row;
  const unsigned int pos = (examined - 1) * cols + column - 1;
  found = textLine(examined) && pos >= leftmar(examined) && pos <= rightmar(examined) &&
          (insertMode() || !blocksDraw(charAt(pos)));
  return r;
}

unsigned char TextSession::resolvedLineChar(unsigned int pos, int direction) {
  const unsigned int row = rowOf(pos);
  unsigned char mask = 0;
  switch (direction) {
    case 0: if (pos != leftmar(row)) mask |= 0x02; break;
    case 1: if (pos + 1 != rightmar(row)) mask |= 0x01; break;
    case 2: mask |= 0x08; break;
    default: mask |= 0x04; break;
  }
  if (row > textDef.firstTextRow && pos >= cols && drawnAt(pos - cols) && (charAt(pos - cols) & 0x04)) mask |= 0x08;
  if (row < textDef.lastTextRow && pos + cols <= lastOffsetOfScreen() && drawnAt(pos + cols) &&
      (charAt(pos + cols) & 0x08))
    mask |= 0x04;
  if (pos > (row - 1) * cols && drawnAt(pos - 1) && (charAt(pos - 1) & 0x01)) mask |= 0x02;
  if (pos + 1 < row * cols && drawnAt(pos + 1) && (charAt(pos + 1) & 0x02)) mask |= 0x01;
  return mask;
}

void TextSession::setBeginEndDraw(unsigned int pos) {
  if (!extendedPlanes() || !pos || pos + 1 > lastOffsetOfScreen()) return;
  unsigned char a = planeByte(pos, 2);
  const unsigned char b = planeByte(pos - 1, 2);
  unsigned char c = planeByte(pos + 1, 2);
  if (a & 0x08) return;
  if (b & 0x08) {
    a = static_cast<unsigned char>((a | 0x08) & ~0x80);
    if (c & 0x08) c &= static_cast<unsigned char>(~0x80);
  } else if (c & 0x08) {
    a = 0x88;
    c &= static_cast<unsigned char>(~0x80);
  } else {
    a = 0x88;
  }
  if (!(c & 0x08)) c = 0x90;
  secondaryBuffer->writeCharacter(pos, a);
  secondaryBuffer->writeCharacter(pos + 1, c);
}

void TextSession::processnullsfordraw(unsigned int pos) {
  const unsigned int row = rowOf(pos);
  if (!textLine(row)) return;
  const unsigned int E = effectiveleftmar(row), R = rightmar(row);
  const TabContext t = intabbounds(pos);
  if (t.active && t.tabPos >= 0) {
    const unsigned int tab = static_cast<unsigned int>(t.tabPos);
    const unsigned char value = charAt(tab);
    if (tab < pos) psBuffer->fillRange(tab, pos - 1, 0x40);
    if (pos + 1 < row * cols && !charAt(pos + 1)) psBuffer->writeCharacter(pos + 1, value);
    return;
  }
  if (pos + 1 < row * cols && !charAt(pos + 1)) {
    unsigned int m = pos;
    bool found = false;
    while (m > E) {
      --m;
      if (charAt(m)) {
        found = true;
        break;
      }
    }
    if (found) {
      const unsigned char c = charAt(m);
      if ((c == reqCarrierReturnChar || c == kCarrierReturn || c == kPageEnd) && !searchscaleline(row, 1))
        psBuffer->writeCharacter(m, 0x40);
      if (m + 1 < pos) psBuffer->fillRange(m + 1, pos - 1, 0x40);
    }
  }
  if (pos + 1 < row * cols && charAt(pos + 1) != reqCarrierReturnChar)
    for (unsigned int p = pos + 1; p <= R; ++p)
      if (charAt(p) == kCarrierReturn) {
        psBuffer->writeCharacter(p, reqCarrierReturnChar);
        break;
      }
}

void TextSession::docursordraw(int direction) {
  textFlagsA |= kDrawStep;
  const unsigned int P = cursorPos;
  const unsigned int row = rowOf(P);
  const bool draws = textLine(row) && !(line(row).ctl & line_ctl::kShownOnly) && P >= effectiveleftmar(row) &&
                     P <= rightmar(row) && !(P == rightmar(row) && searchscaleline(row, 2));
  if (draws) {
    const unsigned char ch = drawChar != 0xFF ? drawChar : resolvedLineChar(P, direction);
    const unsigned char here = charAt(P);
    bool insertIt = here == kPageEnd || here == reqCarrierReturnChar ||
                    ((here == kTab || here == kRequiredTab) && P + 1 < row * cols && !charAt(P + 1));
    if (insertMode() && direction != 0) insertIt = true;
    if (insertMode() && direction == 0 && P == effectiveleftmar(row) && searchscaleline(row, 1) &&
        (planeByte(P, 2) & 0x08))
      insertIt = true;
    if (insertIt)
      insert(ch, P);
    else
      replace(ch, P);
  }
  if (!(modes & text_mode::kErrorShown)) {
    const unsigned int E = effectiveleftmar(row), R = rightmar(row);
    switch (direction) {
      case 1:
        if (!insertMode() && P + 1 <= lastOffsetOfScreen() && blocksDraw(charAt(P + 1)))
          operatorerror(73);
        else
          moveCursor(P < R ? P + 1 : P, Plane0);
        break;
      case 0:
        if (P && blocksDraw(charAt(P - 1)))
          operatorerror(73);
        else if (!(P <= E && searchscaleline(row, 1)) && P)
          moveCursor(P - 1, Plane0);
        else
          moveCursor(P, Plane0);
        break;
      case 2:
        moveup();
        break;
      default:
        if (P + 1 <= lastOffsetOfScreen() && charAt(P + 1) == kPageEnd && row == textDef.lastTextRow && P == E) {
          moveCursor(P + 1, Plane0);
          textSendAid(cursorPos, kAidDrawDown);
        } else {
          movedown();
        }
        break;
    }
  }
  textFlagsA &= ~kDrawStep;
}
