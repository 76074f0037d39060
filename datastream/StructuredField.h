#pragma once
// The layout every 5250 structured field shares: a 2-byte big-endian length
// that counts itself, the class byte 0xD9, a type byte, then the data. The
// machines read the structured field that begins at the record cursor.
#include <cstdint>

#include "datastream/Databyte.h"
#include "datastream/DsmSense.h"

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

// Checks the structured field that begins at the cursor: the record is not
// too long for one, holds its header and all of it, the field covers its own
// header (a shorter one would end before it began) and has the class byte.
// Returns 0 with *length set to the field's length, or the sense code to
// reject the record with.
inline uint32_t checkHeader(const Databyte* db, uint32_t* length) {
  if (db->remaining >= kTooManyBytes) return dsm_sense::kStructuredFieldTooLong;
  if (db->remaining < kHeaderBytes) return dsm_sense::kPrematureEnd;
  *length = lengthAt(db);
  if (*length < kHeaderBytes) return dsm_sense::kBadLength;
  if (db->remaining < *length) return dsm_sense::kPrematureEnd;
  if (db->peek(2) != kClass) return dsm_sense::kBadClassOrType;
  return 0;
}
}  // namespace structured_field
