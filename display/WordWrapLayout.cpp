#include "display/WordWrapLayout.h"

#include "display/FieldEditingSupport.h"

using namespace field_editing;

std::vector<unsigned char> GetWordWrapText(DisplayBag* d, EntryField* f, GetDataOperation op,
                                           unsigned char c, unsigned int cursor,
                                           unsigned int& cursorIndex) {
  std::vector<unsigned char> text;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  cursorIndex = 0;
  FieldPositions order;
  LayoutOrder(d, f, order);
  for (unsigned int i = 0; i < order.size(); ++i) {
    const unsigned int p = order[i];
    const unsigned char b = ps.getCharacter(p);
    if (op != kGetDataCopyOnly && p == cursor) {
      cursorIndex = static_cast<unsigned int>(text.size());
      switch (op) {
        case kGetDataReplace:
          text.push_back(c);
          continue;
        case kGetDataInsert:
          text.push_back(c);
          ++cursorIndex;
          break;
        case kGetDataDelete:
          continue;
        default:
          break;
      }
    }
    if (b != kNull) text.push_back(b);
  }
  if (op != kGetDataCopyOnly && cursorIndex >= text.size()) {
    if (text.size() < f->getTotalFieldSize())
      text.push_back(kNull);
    else if (!text.empty())
      cursorIndex = static_cast<unsigned int>(text.size()) - 1u;
  }
  return text;
}

int RewriteWordWrapField(DisplayBag* d, EntryField* f, const std::vector<unsigned char>& text,
                         unsigned int cursorIndex, bool moveCursor) {
  unsigned int offset = 0;
  const unsigned int length = static_cast<unsigned int>(text.size());
  if (f->writeDataToEntryField(d, text.data(), length, cursorIndex, offset) == 0) {
    if (moveCursor) MoveWithin(d, offset);
    return 0;
  }
  // The plain writer of the field's direction breaks words but fits more.
  const int plain =
      IsRightToLeftClass(f)
          ? static_cast<RTLField*>(f)->RTLField::writeDataToEntryField(d, text.data(), length, cursorIndex, offset)
          : static_cast<LTRField*>(f)->LTRField::writeDataToEntryField(d, text.data(), length, cursorIndex, offset);
  if (plain != 0) return kErrorNoRoom;
  if (moveCursor) MoveWithin(d, offset);
  return 0;
}

int CutWordWrapField(DisplayBag* d, EntryField* f, unsigned int start, unsigned int rows, unsigned int width) {
  if (rows == 0 || width == 0) return 0;
  const unsigned int c = d->columns(), cursor = CursorAt(d);
  const bool cursorInField = f->containsOffset(cursor, c) != 0;
  auto inCut = [&](unsigned int p) {
    if (p < start) return false;
    const unsigned int r = (p - start) / c, col = (p - start) % c;
    return r < rows && col < width;
  };
  std::vector<unsigned char> text;
  unsigned int index = 0;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  FieldPositions order;
  LayoutOrder(d, f, order);
  for (unsigned int i = 0; i < order.size(); ++i) {
    const unsigned int p = order[i];
    if (p == cursor) index = static_cast<unsigned int>(text.size());
    const unsigned char b = ps.getCharacter(p);
    if (!inCut(p) && b != kNull) text.push_back(b);
  }
  if (text.empty() || (cursorInField && index >= text.size())) text.push_back(kNull);
  if (index >= text.size()) index = static_cast<unsigned int>(text.size()) - 1u;
  if (RewriteWordWrapField(d, f, text, index, cursorInField) != 0) return 0;
  ClearExitPending(d);
  f->markEdited();
  return 0;
}

int DeleteInWordWrapField(DisplayBag* d, EntryField* f) {
  unsigned int index = 0;
  const std::vector<unsigned char> text = GetWordWrapText(d, f, kGetDataDelete, 0, CursorAt(d), index);
  RewriteWordWrapField(d, f, text, index);
  f->markEdited();
  ClearExitPending(d);
  return 0;
}

void RewrapAfterErase(DisplayBag* d, EntryField* f) {
  unsigned int index = 0;
  const std::vector<unsigned char> text = GetWordWrapText(d, f, kGetDataCopyOnly, 0, 0, index);
  // The erased tail may let a word move up a row; the cursor stays.
  RewriteWordWrapField(d, f, text, 0, false);
}

void RewrapAfterShapedEdit(DisplayBag* d, EntryField* f) {
  const unsigned int cursor = CursorAt(d);
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  FieldPositions order;
  LayoutOrder(d, f, order);
  std::vector<unsigned char> text;
  int index = -1;
  for (unsigned int i = 0; i < order.size(); ++i) {
    if (order[i] == cursor) index = static_cast<int>(text.size());
    const unsigned char b = ps.getCharacter(order[i]);
    if (b != kNull) text.push_back(b);
  }
  if (index < 0 || text.empty()) return;
  // After the last character the cursor goes on from the character's new
  // place, as typing without the shaper leaves it.
  const bool after = static_cast<size_t>(index) >= text.size();
  const unsigned int at = after ? static_cast<unsigned int>(text.size()) - 1u : static_cast<unsigned int>(index);
  if (RewriteWordWrapField(d, f, text, at) != 0 || !after) return;
  for (unsigned int i = 0; i + 1 < order.size(); ++i) {
    if (order[i] == CursorAt(d)) {
      MoveWithin(d, order[i + 1]);
      return;
    }
  }
}
