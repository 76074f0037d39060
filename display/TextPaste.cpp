// Paste into the text-assist page: the copied data comes from the device,
// what must not reach the text is blanked, and the characters go to the
// text session one by one as typed data keys; the ends of copied lines
// become requested carrier returns. A character the text refuses stops the
// paste with its operator error shown; a paste that the text session stops
// by locking the keyboard shows operator error 70, so no part of a paste is
// dropped without the operator being told.
#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/PasteState.h"
#include "display/Rendering.h"
#include "keyboard/KeyboardState.h"
#include "textassist/TextSession.h"

namespace {

constexpr unsigned int kFeaturePasteAllowed = 3;
// The copy was taken from a text-assist page: its control characters count.
constexpr unsigned int kTextData = 0x08000000u;
constexpr unsigned char kBlank = 0x40;
constexpr unsigned char kCarrierReturn = 0x03, kRequiredCarrierReturn = 0x06, kLineStop = 0x07;
constexpr unsigned char kDup = 0x1C, kFieldEnd = 0x1F;
// Line ends of text pasted from other programs.
constexpr unsigned char kNewLine = 0x15, kLineFeed = 0x25;

bool TextData(const CopiedDataInformation& info) { return (info.flags & kTextData) || info.textAssist; }

bool LineEnd(bool textData, unsigned char b) {
  return textData ? b == kFieldEnd || b == kRequiredCarrierReturn : b == kNewLine || b == kLineFeed;
}

// Blanks every byte below 0x40 except the carrier controls of text data (or
// the line ends of other text) and everything under a non-display
// attribute.
void CleanForText(CopiedDataInformation& info) {
  const bool textData = TextData(info);
  bool nonDisplay = false;
  for (unsigned int i = 0; i < info.length; ++i) {
    unsigned char& b = info.data[i];
    if (b >= 0x40) {
      if (nonDisplay) b = kBlank;
      continue;
    }
    if (!textData && (b == kNewLine || b == kLineFeed)) continue;
    if (textData && (b == kCarrierReturn || b == kRequiredCarrierReturn || b == kLineStop || b == kDup ||
                     b == kFieldEnd)) {
      if (nonDisplay) b = kBlank;
      continue;
    }
    if (b >= 0x20) nonDisplay = (b & 0x07) == 0x07;
    b = kBlank;
  }
}

PasteState StartState(DisplayBag* d, const CopiedDataInformation& info) {
  PasteState s;
  s.screenOffset = d->textSession()->cursorPos;
  const bool block = info.flags & CopiedDataInformation::kBlock;
  const unsigned int columns = info.word3 ? info.word3 : d->columns();
  const unsigned int startRow = info.startCell / columns, startColumn = info.startCell % columns;
  const unsigned int endRow = info.endCell / columns, endColumn = info.endCell % columns;
  if (!(info.flags & CopiedDataInformation::kRightToLeft)) {
    if (block && endColumn >= startColumn && endRow >= startRow) {
      const unsigned int w = endColumn - startColumn;
      s.remaining = (w + 1) * (endRow - startRow + 1);
      s.rowEnd = w;
      s.nextRow = columns;
    } else {
      s.remaining = info.length;
      s.rowEnd = s.nextRow = info.length ? info.length - 1 : 0;
    }
  } else {
    StartRightToLeft(s, info, columns);
  }
  return s;
}

// The text session takes keys: the keyboard is in its state and the text
// neither locked the keyboard nor shows an error.
bool TextTakesKeys(DisplayBag* d) {
  const TextSession* t = d->textSession();
  return d->keyboardState().state() == KeyboardState::kWordProcessing &&
         !(t->modes & (text_mode::kKeyboardLocked | text_mode::kErrorShown));
}

// One pasted byte as the key that enters it; false when it ends the
// copied row (a line end).
bool PasteByte(TextSession* t, bool textData, unsigned char b) {
  if (LineEnd(textData, b)) {
    t->c_textrqcarrierreturn();
    return false;
  }
  if (textData && b == kCarrierReturn) {
    t->c_textcarrierreturn();
    return false;
  }
  if (textData && (b == kLineStop || b == kDup)) {
    t->operatorerror(72);
    return true;
  }
  t->datakeys(b);
  return true;
}

// A paste that the text stopped by locking the keyboard (the host must act
// first) tells the operator that the rest was not pasted.
void ReportStopped(DisplayBag* d, bool bytesLeft) {
  TextSession* t = d->textSession();
  if (bytesLeft && (t->modes & text_mode::kKeyboardLocked) && !(t->modes & text_mode::kErrorShown))
    t->operatorerror(70);
}

void PasteLinear(DisplayBag* d, CopiedDataInformation& info, PasteState& s) {
  d->getRendering()->pasteBegin(&info, &s);
  d->modeFlagsA() &= ~DisplayBag::kAStopPaste;
  TextSession* t = d->textSession();
  const bool textData = TextData(info);
  const bool backwards = info.flags & CopiedDataInformation::kRightToLeft;
  while (s.remaining > 0 && s.current < info.length && TextTakesKeys(d)) {
    d->getRendering()->pasteStep();
    PasteByte(t, textData, info.data[s.current]);
    --s.remaining;
    if (s.current == s.rowEnd) break;
    if (backwards) {
      if (s.current == 0) break;
      --s.current;
    } else {
      ++s.current;
    }
  }
  ReportStopped(d, s.remaining > 0);
}

void PasteBlock(DisplayBag* d, CopiedDataInformation& info, PasteState& s) {
  d->getRendering()->pasteBegin(&info, &s);
  d->modeFlagsA() &= ~DisplayBag::kAStopPaste;
  TextSession* t = d->textSession();
  const bool textData = TextData(info);
  const bool backwards = info.flags & CopiedDataInformation::kRightToLeft;
  const unsigned int copiedColumns = info.word3 ? info.word3 : d->columns();
  const unsigned int cursorRow = t->cursorPos / d->columns() + 1;
  const unsigned char first = s.current < info.length ? info.data[s.current] : 0;
  if (cursorRow == t->textDef.lastTextRow || t->inlinecmdfld(t->cursorPos) ||
      (textData && (first == kDup || first == kLineStop))) {
    t->operatorerror(72);
    return;
  }
  // The block begins on a line of its own.
  if (t->cursorPos != t->leftmar(cursorRow) && t->cursorPos != t->effectiveleftmar(cursorRow))
    t->c_textrqcarrierreturn();
  while (s.remaining > 0 && s.current < info.length && TextTakesKeys(d)) {
    d->getRendering()->pasteStep();
    bool rowGoesOn = PasteByte(t, textData, info.data[s.current]);
    --s.remaining;
    if (rowGoesOn && s.current != s.rowEnd) {
      if (backwards) {
        if (s.current == 0) break;
        --s.current;
      } else {
        ++s.current;
      }
      continue;
    }
    // The rest of a row that a line end closed is not pasted.
    if (!rowGoesOn) {
      const unsigned int left = s.rowEnd > s.current ? s.rowEnd - s.current : s.current - s.rowEnd;
      s.remaining = left < s.remaining ? s.remaining - left : 0;
    }
    if (s.remaining == 0 || !TextTakesKeys(d)) break;
    if (rowGoesOn) t->c_textrqcarrierreturn();
    s.current = s.nextRow;
    s.rowEnd += copiedColumns;
    s.nextRow += copiedColumns;
  }
  ReportStopped(d, s.remaining > 0);
}

}  // namespace

unsigned int DisplayBag::checkWPPasteTarget(unsigned int offset) {
  TextSession* t = textSession();
  const unsigned int columns = this->columns();
  if (!columns || offset > presentationSpace().lastOffset()) return 1;
  const unsigned int row = offset / columns + 1;
  if (row > TextSession::kRows) return 1;
  if (t->lineTable[row - 1].ctl & (line_ctl::kShownOnly | line_ctl::kNotText)) return 1;
  const bool rtl = t->isRightToLeftLine(row);
  const unsigned int L = rtl ? t->convertLVOffset(t->rightmar(row)) : t->leftmar(row);
  const unsigned int R = rtl ? t->convertLVOffset(t->leftmar(row)) : t->rightmar(row);
  return offset < L || offset > R ? 1 : 0;
}

void DisplayBag::pasteCopiedDataToWP(unsigned int fromMenu, unsigned int offset) {
  if (!characteristics().feature(kFeaturePasteAllowed)) return;
  CopiedDataInformation info;
  getRendering()->getCopiedData(&info, offset);
  if (!info.data) info.length = 0;
  const bool atOffset = options().pasteAtPointer && fromMenu == 0;
  if ((info.flags & CopiedDataInformation::kDataPresent) && info.length) {
    bool go = true;
    if (atOffset) {
      if (checkWPPasteTarget(offset))
        go = false;
      else
        textSession()->moveCursor(offset, Plane0);
    }
    if (go) {
      CleanForText(info);
      PasteState state = StartState(this, info);
      if (info.flags & CopiedDataInformation::kBlock)
        PasteBlock(this, info, state);
      else
        PasteLinear(this, info, state);
    }
  }
  if (info.data) getRendering()->WsFreeBuffer(info.data);
}
