#include "display/WordWrapLayout.h"

#include "display/FieldEditingSupport.h"

using namespace field_editing;

std::vector<unsigned char> GetWordWrapText(DisplayBag* d, EntryField* f, GetDataOperation op,
                                           unsigned char c, unsigned int cursor,
                                           unsigned int& cursorIndex) {
  std::vector<unsigned char> text;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  cursorIndex = 0;
  for (const EntryFieldSegment* s = f->getFirstSegmentPtr();; ++s) {
    for (unsigned int p = s->start; p <= s->end; ++p) {
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
    if (s->isLastSegment()) break;
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
