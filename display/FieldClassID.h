#pragma once
// The class code of a field: given to FormatTable::createField, written to
// save streams and returned by Field::getFieldClassID.
enum FieldClassID : unsigned char {
  kNoFieldClass = 0,
  kLTRField = 1,
  kRTLField = 2,
  kProtectedField = 3,
  kSelectionCursorField = 4,
  kSignedNumericField = 5,
  kWordWrapField = 6,
  kRTLWordWrapField = 7,
  kSelectionField = 14,
  kHorizontalScrollBar = 15,
  kVerticalScrollBar = 16,
};

// True for the entry-field classes 1 to 7.
inline bool IsEntryFieldClass(unsigned int id) { return id >= kLTRField && id <= kRTLWordWrapField; }
// True for every code that builds a field.
inline bool IsFieldClass(unsigned int id) {
  return IsEntryFieldClass(id) || (id >= kSelectionField && id <= kVerticalScrollBar);
}
