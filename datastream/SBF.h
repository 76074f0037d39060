#pragma once
// Define scroll bar field (structured field 0x53 of the write to display
// structured field order): a vertical or horizontal scroll bar at the
// display address. Bytes 4 flags (0x80 horizontal, 0x40 the cursor follows
// a click, 0x01 modified), 5 reserved, 6-9 total rows or columns and 10-13
// the slider position (big-endian), 14 the size of the bar, then minor
// structures: scroll-bar indicators 0x03 (attributes and characters),
// others are stepped over. The whole structure is checked before the
// screen or the format table changes; a bar at the place of one of the same
// orientation and size replaces it.
#include <cstdint>

#include "datastream/FSMNw.h"
#include "datastream/ScrollBarLayout.h"

class DisplayBag;

class SBF : public FSMNw {
 public:
  static constexpr uint32_t kHeaderLength = 15;
  static constexpr unsigned char kHorizontal = 0x80;
  static constexpr unsigned char kCursorFollowsClick = 0x40;
  static constexpr unsigned char kModified = 0x01;

  explicit SBF(Arena* arena) : FSMNw(arena) {}
  // On the structured field's first length byte; finishes on its last byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

 private:
  bool vertical_ = true;
  unsigned char flags_ = 0;
  unsigned char size_ = 0;
  uint32_t address_ = 0;
  uint32_t total_ = 0;
  uint32_t position_ = 0;
  ScrollBarLook look_ = {};
};
