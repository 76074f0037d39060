#pragma once
// The two structured fields by which the host asks the display about
// itself: the 5250 query (type 0x70) and the query station state (type
// 0x72). Each answers at once with an inbound record.
#include <cstdint>

#include "datastream/FSMNw.h"

class QRY5250 : public FSMNw {
 public:
  static constexpr uint32_t kReplyBytes = 71;
  explicit QRY5250(Arena* arena) : FSMNw(arena) {}
  // Called on the first length byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};

class QSS5250 : public FSMNw {
 public:
  explicit QSS5250(Arena* arena) : FSMNw(arena) {}
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;
};

// The query reply of a display with characteristics `w` (eight words) and
// the given keyboard capability, in `out` (kReplyBytes bytes).
void BuildQueryReply(const uint32_t* w, bool textAssistKeyboard, unsigned char* out);
