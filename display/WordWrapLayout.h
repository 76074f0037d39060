#pragma once
// Editing a word-wrap entry field: the field's text is taken out with the
// edit applied and written back through the field's writers, which lay it
// out so that no word is split over two lines while it fits on one.
#include <vector>

class DisplayBag;
class EntryField;

// How the text is taken out of the field.
enum GetDataOperation : unsigned int {
  kGetDataCopy = 0,
  kGetDataReplace = 1,
  kGetDataInsert = 2,
  kGetDataDelete = 3,
  kGetDataCopyOnly = 7,
};

// The field's non-null bytes in order with `op` applied at `cursor`;
// `cursorIndex` receives where the cursor's character went. Unless the
// operation is kGetDataCopyOnly, a null is appended when the cursor would
// stand past the text, as long as the field has room for it.
std::vector<unsigned char> GetWordWrapText(DisplayBag* d, EntryField* f, GetDataOperation op,
                                           unsigned char c, unsigned int cursor,
                                           unsigned int& cursorIndex);

// Writes `text` back through the field's word-wrap writer, else its plain
// writer; with `moveCursor` the cursor goes to the written `cursorIndex`.
// 0, or 12 when neither fits (the field and the cursor are unchanged).
int RewriteWordWrapField(DisplayBag* d, EntryField* f, const std::vector<unsigned char>& text,
                         unsigned int cursorIndex, bool moveCursor = true);

// The edits of the word-wrap classes, both directions: a cut of the marked
// rectangle, Delete at the cursor, and the re-wrap after an erase (Erase
// EOF, Field Exit) that leaves the cursor where it is.
int CutWordWrapField(DisplayBag* d, EntryField* f, unsigned int start, unsigned int rows, unsigned int width);
int DeleteInWordWrapField(DisplayBag* d, EntryField* f);
void RewrapAfterErase(DisplayBag* d, EntryField* f);
// The re-wrap after the Arabic shaper typed into a word-wrap field: the
// cursor stays with the text it stood at (after the last character, the
// position after it).
void RewrapAfterShapedEdit(DisplayBag* d, EntryField* f);
