// Paste into the input fields: the copied data comes from the device,
// what must not reach a field is blanked, and the characters go to the
// fields one by one as typed data keys, row by row for a block.
#include <cstddef>

#include "display/ASD.h"
#include "display/AreaOfScreen.h"
#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/FieldEditingSupport.h"
#include "display/PasteState.h"
#include "display/Rendering.h"
#include "display/StationServices.h"
#include "keyboard/InObjGen.h"
#include "keyboard/KeyboardState.h"
#include "keyboard/TAXlate.h"

// Right to left: each row from its end column down to its start column.
void StartRightToLeft(PasteState& s, const CopiedDataInformation& info, unsigned int columns) {
  const bool block = info.flags & CopiedDataInformation::kBlock;
  const unsigned int startRow = info.startCell / columns, startColumn = info.startCell % columns;
  const unsigned int endRow = info.endCell / columns, endColumn = info.endCell % columns;
  if (endColumn < startColumn) return;
  if (block) {
    s.current = endColumn;
    s.rowEnd = startColumn;
    s.nextRow = endColumn + columns;
    s.remaining = (endColumn - startColumn + 1) * (endRow - startRow + 1);
  } else if (startRow == endRow) {
    s.current = endColumn;
    s.rowEnd = startColumn;
    s.remaining = endColumn - startColumn + 1;
  } else {
    s.current = startColumn;
    s.rowEnd = 0;
    s.nextRow = 2 * columns - 1;
    s.remaining = startColumn + (endRow - startRow) * columns + 1 - endColumn;
  }
}

namespace {

constexpr unsigned int kFeaturePasteAllowed = 3;
constexpr unsigned int kFeatureDoubleByte = 23;
// Copied rows carry their own 2-byte lengths (with a block).
constexpr unsigned int kRowLengths = 0x10000000u;
constexpr unsigned char kShiftOut = 0x0E, kShiftIn = 0x0F, kBlank = 0x40;

constexpr unsigned char kThaiRowSeparator = 0x25;

// A Thai session's block copy that is shorter than its range: its rows end
// at 0x25 bytes instead of at the range's columns.
bool ThaiRows(DisplayBag* d, const CopiedDataInformation& info) {
  if (!d->options().thaiMode || !(info.flags & CopiedDataInformation::kBlock) || (info.flags & kRowLengths))
    return false;
  const unsigned int columns = info.word3 ? info.word3 : d->columns();
  const unsigned int startRow = info.startCell / columns, startColumn = info.startCell % columns;
  const unsigned int endRow = info.endCell / columns, endColumn = info.endCell % columns;
  if (endColumn < startColumn || endRow < startRow) return false;
  return static_cast<unsigned long>(endColumn - startColumn + 1) * (endRow - startRow + 1) > info.length;
}

unsigned int RowLength(const CopiedDataInformation& info, unsigned int at) {
  if (info.length < 2 || at >= info.length - 1) return 0;  // at + 1 could wrap
  return (static_cast<unsigned int>(info.data[at]) << 8) | info.data[at + 1];
}

// Blanks attributes, control codes and everything under a non-display
// attribute; keeps nulls, Dup, Field Mark and 0x1F, and shift-out/shift-in
// pairs in a double-byte session.
void Clean(DisplayBag* d, CopiedDataInformation& info) {
  const bool doubleByte = d->characteristics().feature(kFeatureDoubleByte);
  const bool rowLengths = (info.flags & kRowLengths) && (info.flags & CopiedDataInformation::kBlock);
  const bool thaiRows = ThaiRows(d, info);
  bool nonDisplay = false, inDoubleByte = false;
  unsigned int nextRowStart = 0, row = 0;
  for (unsigned int i = 0; i < info.length; ++i) {
    if (rowLengths && i == nextRowStart) {
      // The row's length is no character of it.
      nextRowStart = i + 2 + RowLength(info, i);
      nonDisplay = row < CopiedDataInformation::kMaxRows && info.nonDisplayRow[row];
      ++row;
      inDoubleByte = false;
      ++i;
      continue;
    }
    unsigned char& b = info.data[i];
    if (thaiRows && b == kThaiRowSeparator) continue;
    if (b >= 0x20 && b < 0x40) {
      nonDisplay = (b & 0x07) == 0x07;
      if (inDoubleByte) {
        b = kShiftIn;
        inDoubleByte = false;
        continue;
      }
      b = kBlank;
    } else if (b == kShiftOut || b == kShiftIn) {
      if (!doubleByte || (b == kShiftIn && !inDoubleByte)) b = kBlank;
      else inDoubleByte = b == kShiftOut;
    } else if (b < 0x40 && b != 0x00 && b != 0x1C && b != 0x1E && b != 0x1F) {
      b = kBlank;
    }
    if (nonDisplay) b = kBlank;
  }
}

// The paste state for the cleaned data: where the first row starts and
// ends, where the next one starts, how many bytes there are to paste.
PasteState StartState(DisplayBag* d, const CopiedDataInformation& info) {
  PasteState s;
  s.screenOffset = d->cursor().getCursorOffset();
  const bool block = info.flags & CopiedDataInformation::kBlock;
  const unsigned int columns = info.word3 ? info.word3 : d->columns();
  const unsigned int startRow = info.startCell / columns, startColumn = info.startCell % columns;
  const unsigned int endRow = info.endCell / columns, endColumn = info.endCell % columns;
  if (!(info.flags & CopiedDataInformation::kRightToLeft)) {
    if (info.flags & kRowLengths) {
      s.remaining = info.length;
      if (block) {
        s.rowEnd = RowLength(info, 0) + 1;
        s.current = 2;
        s.remaining = info.length >= 2 ? info.length - 2 : 0;
      } else {
        s.rowEnd = info.length ? info.length - 1 : 0;
      }
      s.nextRow = s.rowEnd + 1;
    } else if (ThaiRows(d, info)) {
      s.remaining = s.rowEnd = s.nextRow = info.length;
    } else if (block && endColumn >= startColumn && endRow >= startRow) {
      const unsigned int w = endColumn - startColumn;
      s.remaining = (w + 1) * (endRow - startRow + 1);
      s.rowEnd = w;
      s.nextRow = columns;
    } else {
      s.remaining = s.rowEnd = s.nextRow = info.length;
    }
  } else {
    StartRightToLeft(s, info, columns);
  }
  return s;
}

// Leaves insert mode and moves the cursor to `offset` through the area that
// holds it; false when an operator error stopped it.
bool MoveForPaste(DisplayBag* d, unsigned int offset) {
  field_editing::SetInsertMode(d, false);
  AreaOfScreen* area = d->getCurrentArea();
  if (const int error = area->interruptShaping(d)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return false;
  }
  return d->services()->moveCursorThroughArea(area, offset) == 0 &&
         d->keyboardState().state() == KeyboardState::kNormalUnlocked;
}

// The end of a block's row: the cursor goes one row down from where the row
// began; false when the paste ends there.
bool NextBlockRow(DisplayBag* d, PasteState& s) {
  field_editing::SetInsertMode(d, false);
  if (const int error = d->getCurrentArea()->interruptShaping(d)) {
    d->keyboardState().enterErrorState(static_cast<unsigned int>(error), 0, 1, 0, 0);
    return false;
  }
  const unsigned int lastOffset = d->rows() * d->columns() - 1;
  s.screenOffset += d->columns();
  if (s.screenOffset > lastOffset - d->columns()) return false;
  return d->services()->moveCursorThroughArea(d->getCurrentArea(), s.screenOffset) == 0;
}

void Paste(DisplayBag* d, CopiedDataInformation& info, PasteState& s) {
  d->getRendering()->pasteBegin(&info, &s);
  d->modeFlagsA() &= ~DisplayBag::kAStopPaste;
  const bool block = info.flags & CopiedDataInformation::kBlock;
  const bool backwards = info.flags & CopiedDataInformation::kRightToLeft;
  const bool rowLengths = (info.flags & kRowLengths) != 0;
  const bool thaiRows = ThaiRows(d, info);
  const unsigned int copiedColumns = info.word3 ? info.word3 : d->columns();
  KeyboardState& k = d->keyboardState();
  while (s.remaining > 0 && s.current < info.length && k.state() == KeyboardState::kNormalUnlocked) {
    if (thaiRows && info.data[s.current] == kThaiRowSeparator) {
      // A Thai row separator is no character: the next row begins after it.
      ++s.current;
      --s.remaining;
      if (!NextBlockRow(d, s)) break;
      continue;
    }
    d->getRendering()->pasteStep();
    const int took = d->getCurrentArea()->pasteCharacter(d, info.data[s.current]);
    if (took <= 0) break;
    const unsigned int n = static_cast<unsigned int>(took);
    s.remaining = n < s.remaining ? s.remaining - n : 0;
    if (n > 1) s.current += n - 1;
    if (s.remaining == 0 || k.state() != KeyboardState::kNormalUnlocked) break;
    if (d->modeFlagsA() & DisplayBag::kAStopPaste) break;
    const bool inRow = s.current != s.rowEnd && (!rowLengths || s.current < s.rowEnd);
    if (inRow) {
      if (backwards) {
        if (s.current == 0) break;
        --s.current;
      } else {
        ++s.current;
      }
      continue;
    }
    if (block && !NextBlockRow(d, s)) break;
    s.current = s.nextRow;
    if (rowLengths) {
      const unsigned int length = RowLength(info, s.current);
      s.current += 2;
      s.remaining = s.remaining > 2 ? s.remaining - 2 : 0;
      s.rowEnd = s.current + length - 1;
      s.nextRow = s.rowEnd + 1;
    } else {
      s.rowEnd += copiedColumns;
      s.nextRow += copiedColumns;
    }
  }
}

}  // namespace

void DisplayBag::pasteCopiedData(unsigned int fromMenu, unsigned int offset) {
  if (!characteristics_.feature(kFeaturePasteAllowed)) return;
  CopiedDataInformation info;
  rendering_->getCopiedData(&info, offset);
  if (!info.data) info.length = 0;
  const bool atOffset = options_.pasteAtPointer && fromMenu == 0;
  if ((info.flags & CopiedDataInformation::kDataPresent) && (!atOffset || MoveForPaste(this, offset))) {
    Clean(this, info);
    PasteState state = StartState(this, info);
    Paste(this, info, state);
  }
  if (info.data) rendering_->WsFreeBuffer(info.data);
}

int EntryField::pasteCharacter(DisplayBag* d, unsigned char c) {
  // Shift-out and shift-in only mark double-byte data; a word-wrap field
  // leaves the nulls of the copied text out.
  if (c == kShiftOut || c == kShiftIn) return 1;
  if (c == 0x00 && isWordWrap()) return 1;
  // A shaped character of another screen is typed as its keyboard shape
  // and takes the shape its new neighbours call for.
  if (d->asd().language() != 0) c = d->asd().getKeyboardShape(c);
  TAXlate* tax = d->taxlate();
  if (!tax) return 0;
  FunctionWord word = tax->categorizeCodePoint(c);
  alignas(std::max_align_t) unsigned char buffer[InObjGen::kObjectBufferSize];
  if (UserInput* input = d->inObjGen().getUserInputObj(d, buffer, &word)) d->processUserInputObject(input);
  return 1;
}
