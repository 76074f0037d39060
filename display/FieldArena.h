#pragma once
// The size of the field arena that a display station provides for its
// format table. Records are built in place and aligned as a field must be,
// so the room a unit of the table can take is computed from the classes'
// real sizes: the table's unit limit then always fits, whatever the pointer
// size.
#include <cstddef>

#include "display/EntryField.h"
#include "display/ScrollBarField.h"
#include "display/SelectionField.h"

namespace field_arena {

constexpr std::size_t kAlign = alignof(Field);
constexpr std::size_t AlignUp(std::size_t n) { return (n + kAlign - 1) / kAlign * kAlign; }
constexpr std::size_t Max(std::size_t a, std::size_t b) { return a > b ? a : b; }

// The unit limit of a table (and 1 while the system-request line is in use).
constexpr unsigned int kUnitLimit = 256;

// The most bytes one unit can occupy: an entry field of one segment is one
// unit, a selection field of n choices 2n units, a scroll bar 3.
constexpr std::size_t kEntryBytes = AlignUp(sizeof(LTRField) + sizeof(EntryFieldSegment));
constexpr std::size_t kMaxEntryClass =
    Max(Max(Max(sizeof(LTRField), sizeof(RTLField)), Max(sizeof(ProtectedField), sizeof(SelectionCursorField))),
        Max(Max(sizeof(WordWrapField), sizeof(SignedNumericField)), sizeof(RTLWordWrapField)));
constexpr std::size_t kEntryUnitBytes = AlignUp(kMaxEntryClass + sizeof(EntryFieldSegment));
constexpr std::size_t kSelectionUnitBytes =
    (AlignUp(sizeof(SelectionField) + sizeof(SelectionFieldChoice)) + 1) / 2;
constexpr std::size_t kScrollBarUnitBytes =
    (AlignUp(Max(sizeof(VerticalScrollBar), sizeof(HorizontalScrollBar))) + 2) / 3;
constexpr std::size_t kUnitBytes =
    Max(Max(kEntryUnitBytes, kSelectionUnitBytes), kScrollBarUnitBytes);

// The station's arena: every unit at its largest, plus one entry record that
// is still waiting for its first segment.
constexpr std::size_t kArenaBytes = kUnitLimit * kUnitBytes + AlignUp(kMaxEntryClass);

// The system-request line's own arena: one left-to-right field of one segment.
constexpr std::size_t kSystemRequestArenaBytes = AlignUp(sizeof(LTRField) + sizeof(EntryFieldSegment));

static_assert(kArenaBytes >= kUnitLimit * kEntryUnitBytes, "256 one-segment entry fields fit");
static_assert(kArenaBytes >= kUnitLimit / 2 * AlignUp(sizeof(SelectionField) + sizeof(SelectionFieldChoice)),
              "128 one-choice selection fields fit");
static_assert(kArenaBytes >= kUnitLimit / 3 * AlignUp(sizeof(VerticalScrollBar)), "85 scroll bars fit");
static_assert(kArenaBytes <= 65535, "back links are 16 bits");

}  // namespace field_arena
