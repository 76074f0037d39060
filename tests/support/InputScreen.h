// Host records for program tests that type into a session: a screen with
// one input field and a read of its modified fields, and the parts of the
// session's answer.
#pragma once

#include <cstdint>
#include <vector>

namespace qwtest {

// A host record: the GDS header of a put/get, then `body`.
inline std::vector<uint8_t> GdsRecord(const std::vector<uint8_t>& body) {
  const size_t n = body.size() + 10;
  std::vector<uint8_t> r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0x00, 0x00,
                            0x04, 0x00, 0x00, 0x03};
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

// Clear unit, an input field of `length` positions at row, column (its
// attribute just before), the cursor in it, the keyboard unlocked and a Read
// MDT Fields pending.
inline std::vector<uint8_t> InputFieldScreen(uint8_t row, uint8_t column, uint8_t length) {
  return GdsRecord({0x04, 0x40,                                      // clear unit
                    0x04, 0x11, 0x00, 0x08,                          // write to display, unlock
                    0x11, row, static_cast<uint8_t>(column - 1),     // set buffer address
                    0x1D, 0x40, 0x00, 0x20, 0x00, length,            // start field: input, normal
                    0x13, row, column,                               // insert cursor
                    0x04, 0x52, 0x00, 0x08});                        // read MDT fields
}

// Read Screen: the session answers with the whole screen buffer.
inline std::vector<uint8_t> ReadScreenRecord() { return GdsRecord({0x04, 0x62}); }

// An inbound record of the session: the AID byte (0 when too short) and the
// data of the first field it carries (after the set-buffer-address order).
inline uint8_t InboundAid(const std::vector<uint8_t>& r) { return r.size() > 12 ? r[12] : 0; }
inline std::vector<uint8_t> InboundFieldData(const std::vector<uint8_t>& r) {
  if (r.size() <= 16 || r[13] != 0x11) return {};
  std::vector<uint8_t> data(r.begin() + 16, r.end());
  while (!data.empty() && data.back() == 0x00) data.pop_back();
  return data;
}
// Whether the record is help in error (the HLP flag) for the operator error.
inline bool InboundIsHelpInError(const std::vector<uint8_t>& r, uint16_t error) {
  return r.size() == 12 && (r[7] & 0x01) != 0 && r[10] == (error >> 8) && r[11] == (error & 0xFF);
}

}  // namespace qwtest
