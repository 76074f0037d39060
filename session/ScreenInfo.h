#pragma once
// What the programming interface reads of a session's screen: the number
// of fields (attribute bytes), one 12-byte record per field, and the screen
// with five planes of one byte per position.
#include <cstdint>

class DisplayBag;

struct ScreenInfo {
  static constexpr unsigned int kPositions = 3696;
  uint16_t rows = 0;
  uint16_t columns = 0;
  unsigned char text[kPositions] = {};
  unsigned char colour[kPositions] = {};
  unsigned char attribute[kPositions] = {};
  unsigned char shift[kPositions] = {};
  unsigned char spare[kPositions] = {};
};

// One field record: position (u32, big-endian), non-display, protected,
// high intensity, shift type, attribute byte, mandatory entry, two spare.
constexpr int kFieldInfoRecordSize = 12;

// The attribute bytes (0x20-0x3F) on the screen.
int CountScreenFields(DisplayBag& d);
// Writes one record per field while whole records fit in `size` bytes; the
// records written. `total` (when given) receives the number of fields; a
// buffer too small for all of them is logged, never fatal.
int ScreenFieldInfo(DisplayBag& d, char* buffer, int size, int* total);
// Fills `info`; the characters of non-display fields read as asterisks
// (EBCDIC 0x5C), as the trace shows them. `windowAttributes` (one word per position, may be null)
// gives the colour and attribute planes.
void FillScreenInfo(DisplayBag& d, const uint16_t* windowAttributes, ScreenInfo* info);
// The colour and attribute bytes of one window attribute word.
unsigned char ScreenInfoColour(uint16_t attribute);
unsigned char ScreenInfoAttribute(uint16_t attribute);
