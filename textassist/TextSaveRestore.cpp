// The text session's share of the display station's save/restore stream,
// in a fixed member order. A restore reads into a scratch copy and takes
// it only when the whole share is present and fits the restored screen.
#include <cstring>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "display/RestoreSense.h"
#include "keyboard/TAXlate.h"
#include "textassist/TextSession.h"

namespace {
// Bits of the flag words that the stream carries, most significant first.
constexpr unsigned int kFlagsABits[] = {31, 30, 29, 28, 27, 26, 15, 14, 13};

template <class T>
void putBit(qrnOStream* out, T word, unsigned int bit) {
  out->save(static_cast<unsigned int>((word >> bit) & 1u), 1);
}
template <class T>
void getBit(qrnIStream* in, T& word, unsigned int bit) {
  unsigned int v = (word >> bit) & 1u;
  in->restore(v, 1);
  word = static_cast<T>((word & ~(static_cast<T>(1) << bit)) | (static_cast<T>(v & 1u) << bit));
}
template <class T>
void getByte(qrnIStream* in, T& member) {
  unsigned int v = static_cast<unsigned int>(member);
  in->restore(v, 1);
  member = static_cast<T>(v);
}
}  // namespace

void TextSession::saveTextSession(qrnOStream* out) const {
  const bool active = displayBag && (displayBag->modeFlagsB() & DisplayBag::kBWPMode);
  out->save(active ? 1u : 0u, 1);
  if (!active) return;
  for (uint16_t v : {cursorPos, rows, cols, screenSize, promptInputStart, lastOperatorErrorCode})
    out->hostPut16(v);
  out->startBitCompression();
  out->save(promptLineSaveRTL ? 1u : 0u, 1);
  out->save(errorLineSaveRTL ? 1u : 0u, 1);
  for (unsigned int bit : kFlagsABits) putBit(out, textFlagsA, bit);
  putBit(out, textFlagsB, 31);
  putBit(out, scaleFlags, 23);
  out->endBitCompression();
  for (uint8_t v : {locateChar, reqCarrierReturnChar, hyphenChar, lastAid, pendingPromptFunc, copyMoveDelAid,
                    cursorChar})
    out->save(v, 1);
  out->hostPut16(auditIndex);
  out->save(drawChar, 1);
  out->save(static_cast<unsigned int>(cursorPlane) & 0xFF, 1);
  out->save(copyMoveDelState & 0xFF, 1);
  out->save(static_cast<unsigned int>(savedCursorPlane) & 0xFF, 1);
  out->save(pendingDataKey, 1);
  out->save(halfLineStart & 0xFF, 1);
  out->hostPut16(savedCursorPos);
  out->save(scaleFlags >> 24, 1);
  out->hostPut16(shownLineNumber);
  out->hostPut16(firstLineNumber & 0xFFFF);
  out->hostPut16(cursorOutState);
  out->startBitCompression();
  for (unsigned int bit = 31; bit >= 18; --bit) putBit(out, modes, bit);
  out->endBitCompression();
  out->save(marginCache.id, 1);
  out->hostPut16(marginCache.left);
  out->hostPut16(marginCache.right);
  out->hostPutData(pfKeyInvalidMask, 4);
  out->hostPutData(coreCmdInvalidMask, 2);
  out->startBitCompression();
  for (unsigned int bit = 31; bit >= 24; --bit) putBit(out, textDef.defFlags, bit);
  for (unsigned int bit = 31; bit >= 28; --bit) putBit(out, textDef.defFlags2, bit);
  out->endBitCompression();
  for (uint32_t v : {textDef.defLevel, textDef.textLineCount, textDef.statusRow, textDef.scaleRow,
                     textDef.lineCmdFieldSize, textDef.pitchColumn, textDef.firstTextRow, textDef.lastTextRow,
                     textDef.promptRow})
    out->hostPut32(v);
  out->startBitCompression();
  for (unsigned int bit = 31; bit >= 25; --bit) putBit(out, dpo.options, bit);
  out->endBitCompression();
  out->hostPutData(dpo.displaced, 3);
  out->hostPut16(dpo.row);
  out->hostPut16(dpo.column);
  for (unsigned int r = 1; r <= rows && r <= kRows; ++r) {
    const LineControlRecord& l = line(r);
    out->startBitCompression();
    for (unsigned int bit = 31; bit >= 25; --bit) putBit(out, l.ctl, bit);
    for (unsigned int bit = 31; bit >= 27; --bit) putBit(out, l.ctl2, bit);
    out->endBitCompression();
    out->hostPut32(l.spacing);
    out->hostPut16(l.row);
    out->startBitCompression();
    for (unsigned int bit = 31; bit >= 25; --bit) putBit(out, l.ctl3, bit);
    out->endBitCompression();
    out->hostPut16(l.lineId);
    for (uint8_t v : {l.newLine, l.leftMarginOffset, l.indentOffset, l.scaleLineId}) out->save(v, 1);
  }
  out->hostPutData(pageNumber, 3);
  const uint32_t n = getScaleLineTableLength(scaleLineTable + 2) + 3;
  out->hostPut32(n);
  out->hostPutData(scaleLineTable, n);
  out->hostPut16(saveWord);
  out->save(saveByte, 1);
}

unsigned int TextSession::restoreTextSession(qrnIStream* in) {
  unsigned int present = 0;
  in->restore(present, 1);
  if (in->checkRestore()) return RestoreRejected("text session", "stream ends early");
  if (!present) return 0;
  if (present != 1) return RestoreRejected("text session", "the presence byte is not 0 or 1");

  TextSession t = *this;
  for (uint16_t* v : {&t.cursorPos, &t.rows, &t.cols, &t.screenSize, &t.promptInputStart,
                      &t.lastOperatorErrorCode})
    in->hostGet16(*v);
  in->startBitExpansion();
  unsigned int b = 0;
  in->restore(b, 1);
  t.promptLineSaveRTL = b & 1;
  b = 0;
  in->restore(b, 1);
  t.errorLineSaveRTL = b & 1;
  for (unsigned int bit : kFlagsABits) getBit(in, t.textFlagsA, bit);
  getBit(in, t.textFlagsB, 31);
  getBit(in, t.scaleFlags, 23);
  in->endBitExpansion();
  for (uint8_t* v : {&t.locateChar, &t.reqCarrierReturnChar, &t.hyphenChar, &t.lastAid, &t.pendingPromptFunc,
                     &t.copyMoveDelAid, &t.cursorChar})
    getByte(in, *v);
  in->hostGet16(t.auditIndex);
  getByte(in, t.drawChar);
  unsigned int plane = 0, state = 0, savedPlane = 0, half = 0, cachedId = 0;
  in->restore(plane, 1);
  in->restore(state, 1);
  in->restore(savedPlane, 1);
  getByte(in, t.pendingDataKey);
  in->restore(half, 1);
  in->hostGet16(t.savedCursorPos);
  in->restore(cachedId, 1);
  in->hostGet16(t.shownLineNumber);
  uint16_t firstLine = 0;
  in->hostGet16(firstLine);
  in->hostGet16(t.cursorOutState);
  in->startBitExpansion();
  for (unsigned int bit = 31; bit >= 18; --bit) getBit(in, t.modes, bit);
  in->endBitExpansion();
  getByte(in, t.marginCache.id);
  in->hostGet16(t.marginCache.left);
  in->hostGet16(t.marginCache.right);
  in->hostGetData(t.pfKeyInvalidMask, 4);
  in->hostGetData(t.coreCmdInvalidMask, 2);
  in->startBitExpansion();
  for (unsigned int bit = 31; bit >= 24; --bit) getBit(in, t.textDef.defFlags, bit);
  for (unsigned int bit = 31; bit >= 28; --bit) getBit(in, t.textDef.defFlags2, bit);
  in->endBitExpansion();
  for (uint32_t* v : {&t.textDef.defLevel, &t.textDef.textLineCount, &t.textDef.statusRow, &t.textDef.scaleRow,
                      &t.textDef.lineCmdFieldSize, &t.textDef.pitchColumn, &t.textDef.firstTextRow,
                      &t.textDef.lastTextRow, &t.textDef.promptRow})
    in->hostGet32(*v);
  in->startBitExpansion();
  for (unsigned int bit = 31; bit >= 25; --bit) getBit(in, t.dpo.options, bit);
  in->endBitExpansion();
  in->hostGetData(t.dpo.displaced, 3);
  in->hostGet16(t.dpo.row);
  in->hostGet16(t.dpo.column);
  if (in->checkRestore()) return RestoreRejected("text session", "stream ends early");
  // The geometry bounds everything that follows.
  const bool small = t.rows == 24 && t.cols == 80, large = t.rows == 27 && t.cols == 132;
  if ((!small && !large) || t.screenSize != t.rows * t.cols)
    return RestoreRejected("text session", "the text screen is neither 24 x 80 nor 27 x 132");
  for (unsigned int r = 1; r <= t.rows; ++r) {
    LineControlRecord& l = t.line(r);
    in->startBitExpansion();
    for (unsigned int bit = 31; bit >= 25; --bit) getBit(in, l.ctl, bit);
    for (unsigned int bit = 31; bit >= 27; --bit) getBit(in, l.ctl2, bit);
    in->endBitExpansion();
    in->hostGet32(l.spacing);
    in->hostGet16(l.row);
    in->startBitExpansion();
    for (unsigned int bit = 31; bit >= 25; --bit) getBit(in, l.ctl3, bit);
    in->endBitExpansion();
    in->hostGet16(l.lineId);
    for (uint8_t* v : {&l.newLine, &l.leftMarginOffset, &l.indentOffset, &l.scaleLineId}) getByte(in, *v);
  }
  in->hostGetData(t.pageNumber, 3);
  uint32_t n = 0;
  in->hostGet32(n);
  if (in->checkRestore()) return RestoreRejected("text session", "stream ends early");
  if (n < 3 || n > kScaleTableBytes)
    return RestoreRejected("text session", "the scale-line table does not fit");
  std::memset(t.scaleLineTable, 0, sizeof t.scaleLineTable);
  in->hostGetData(t.scaleLineTable, n);
  in->hostGet16(t.saveWord);
  getByte(in, t.saveByte);
  if (in->checkRestore()) return RestoreRejected("text session", "stream ends early");
  if (t.scaleLineTable[n - 1] != 0 || t.getScaleLineTableLength(t.scaleLineTable + 2) + 3 != n)
    return RestoreRejected("text session", "the scale-line entries do not end where their length says");
  const unsigned int screen = t.screenSize + t.cols;
  const TextDefinition& d = t.textDef;
  if (t.cursorPos >= screen || t.savedCursorPos >= screen || plane > 2 || savedPlane > 2 ||
      d.statusRow > t.rows || d.scaleRow > t.rows || d.firstTextRow < 1 || d.firstTextRow > d.lastTextRow ||
      d.lastTextRow > t.rows || d.promptRow < 1 || d.promptRow > t.rows + 1u || d.lineCmdFieldSize + 5 > t.cols ||
      d.pitchColumn + 4 > t.cols || t.dpo.row > t.rows || t.dpo.column > t.cols)
    return RestoreRejected("text session", "a row or position lies beyond the text screen");
  if (displayBag && (displayBag->rows() != t.rows || displayBag->columns() != t.cols))
    return RestoreRejected("text session", "the text screen differs from the restored screen");

  t.cursorPlane = static_cast<PlaneNumber>(plane);
  t.copyMoveDelState = state;
  t.savedCursorPlane = static_cast<PlaneNumber>(savedPlane);
  t.halfLineStart = half;
  t.scaleFlags = (t.scaleFlags & 0x00FFFFFFu) | (cachedId << 24);
  t.firstLineNumber = firstLine;
  std::memset(t.promptLineSave, 0, sizeof t.promptLineSave);
  std::memset(t.errorLineSave, 0, sizeof t.errorLineSave);
  *this = t;

  if (!displayBag) return 0;
  Rendering* r = displayBag->getRendering();
  r->setCursorPlane(cursorPlane);
  r->setShadowCursorRow(textDef.scaleRow);
  TAXlate* tax = displayBag->taxlate();
  if (!(tax && tax->typeAheadOn()) && (modes & text_mode::kAidPending)) {
    modes &= ~text_mode::kAidPending;
    lastAid = 0;
    setKBLocked(false);
  }
  return 0;
}
