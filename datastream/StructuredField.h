#pragma once
// The layout every 5250 structured field shares: a 2-byte big-endian length
// that counts itself, the class byte 0xD9, a type byte, then the data. The
// machines read the structured field that begins at the record cursor.
#include <cstdint>

#include "datastream/Databyte.h"

namespace structured_field {
constexpr unsigned char kClass = 0xD9;
// The shortest structured field: length, class and type.
constexpr uint32_t kHeaderBytes = 4;
// From this many bytes on, a record is too long for a structured field.
constexpr uint32_t kTooManyBytes = 10239;

// The length field at the cursor; the caller has checked two bytes remain.
inline uint32_t lengthAt(const Databyte* db) {
  return static_cast<uint32_t>(db->peek(0)) << 8 | db->peek(1);
}
// Moves the cursor from offset 0 of a structured field to its last byte
// (offset length - 1); the caller has checked that the record holds it.
inline void toLastByte(Databyte* db, uint32_t length) { db->loadNextValue(length - 1); }
}  // namespace structured_field
