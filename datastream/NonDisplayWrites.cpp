#include "datastream/NonDisplayWrites.h"

namespace {

constexpr unsigned char kSF = 0x1D;
constexpr unsigned char kTD = 0x10;

bool IsOrder(unsigned char b) { return b >= 0x01 && b <= 0x1D; }

// The end of the start field at `at` (its order byte) when its attribute
// hides the field, else 0.
size_t HiddenFieldEnd(const unsigned char* b, size_t n, size_t at) {
  size_t i = at + 1;
  if (i < n && (b[i] & 0xC0) == 0x40) i += 2;         // field format word
  while (i < n && (b[i] & 0xE0) == 0x80) i += 2;      // field control words
  if (i >= n || b[i] < 0x20 || b[i] > 0x3F) return 0;  // the attribute
  if ((b[i] & 0x07) != 0x07) return 0;
  return i + 3;  // past the attribute and the field length
}

}  // namespace

void MaskNonDisplayFieldWrites(unsigned char* bytes, size_t n, unsigned char maskByte) {
  if (!bytes) return;
  for (size_t at = 0; at < n; ++at) {
    if (bytes[at] != kSF) continue;
    size_t i = HiddenFieldEnd(bytes, n, at);
    if (i == 0 || i >= n) continue;
    if (bytes[i] == kTD && i + 2 < n) {
      const size_t length = (static_cast<size_t>(bytes[i + 1]) << 8) | bytes[i + 2];
      for (size_t k = i + 3; k < n && k < i + 3 + length; ++k) bytes[k] = maskByte;
      continue;
    }
    for (; i < n && !IsOrder(bytes[i]); ++i) {
      if (bytes[i] == 0xFF && i + 1 < n && bytes[i + 1] == 0xEF) break;  // end of record
      bytes[i] = maskByte;
    }
  }
}
