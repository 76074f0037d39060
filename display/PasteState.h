#pragma once
// The running state of one paste into the fields of a screen.
class CopiedDataInformation;

class PasteState {
 public:
  unsigned int flags = 0;         // bit 31 clear; no other bit is used
  unsigned int remaining = 0;     // bytes of the copied data still to paste
  unsigned int current = 0;       // index of the next byte
  unsigned int rowEnd = 0;        // index where the current copied row ends
  unsigned int nextRow = 0;       // index where the next copied row starts
  unsigned int screenOffset = 0;  // where the current row is pasted
};

// Sets where a right-to-left copy starts, its rows `columns` wide: each row
// is pasted from its end column down to its start column. A copy whose end
// column lies before its start column leaves `s` as it is.
void StartRightToLeft(PasteState& s, const CopiedDataInformation& info, unsigned int columns);
