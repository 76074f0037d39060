#pragma once
// Create window (structured field 0x51 of the write to display structured
// field order): places a bordered window at the display address, optionally
// restricts the cursor to it, and draws its border, title and footer. Bytes:
// 4 flags (bit 7 restrict the cursor, bit 6 pull-down), 5-6 reserved, 7 depth
// and 8 width inside the border, then minor structures (length, type, data):
// border 0x01, title or footer 0x10; others are stepped over. The whole
// structure is checked before anything on the screen changes.
#include "datastream/FSMNw.h"
#include "datastream/WINBDR.h"
#include "datastream/WINTITLE.h"

class CRWIN : public FSMNw {
 public:
  static constexpr uint32_t kHeaderLength = 9;
  static constexpr unsigned char kRestrictCursor = 0x80;
  static constexpr unsigned char kPullDown = 0x40;
  static constexpr unsigned char kBorderMinor = 0x01;

  explicit CRWIN(Arena* arena) : FSMNw(arena) {}
  // On the structured field's first length byte; finishes on its last byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

 private:
  // 0, or the sense code of the first bad minor structure.
  uint32_t loadMinors(Databyte* db, uint32_t length);

  WINBDR border_;
  WINTITLE title_;
  unsigned char flags_ = 0;
  unsigned char reserved_ = 0;
  unsigned char depth_ = 0;
  unsigned char width_ = 0;
  uint32_t start_ = 0;
};
