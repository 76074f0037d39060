#pragma once
// The element encoding of the card records: a 4-byte tag, a 2-byte value
// length, the value; big-endian, unaligned. Readers take a range and never
// look past it; writers take a cursor and the remaining capacity, update
// both, and write nothing (returning 0) when the whole item does not fit.
#include <cstddef>
#include <cstdint>

struct TlvElement {
  uint32_t tag = 0;
  size_t length = 0;          // the value's length
  const uint8_t* value = nullptr;
  const uint8_t* next = nullptr;  // the byte after the element
};

// The element at p within [p, end); false when its header or its value
// does not fit.
bool TlvGetHeader(const uint8_t* p, const uint8_t* end, TlvElement* out);
// The same, and copies at most capacity bytes of the value; the count
// copied in *copied.
bool TlvReadElement(const uint8_t* p, const uint8_t* end, TlvElement* out, uint8_t* buffer, size_t capacity,
                    size_t* copied);
// A long value (only at length 4; 0 otherwise), a short value (only at
// length 2; 0 otherwise).
uint32_t TlvGetLong(const TlvElement& e);
uint16_t TlvGetShort(const TlvElement& e);
// A fresh NUL-terminated copy of a string value (cut to limit bytes), or
// null when it holds a NUL byte or memory runs out. Free with delete[].
char* TlvGetString(const TlvElement& e, size_t limit);
// The first element with the tag in the range; false when none or when an
// element on the way is malformed.
bool TlvFindElement(const uint8_t* p, const uint8_t* end, uint32_t tag, TlvElement* out);

size_t TlvPutLong(uint8_t** cursor, size_t* room, uint32_t value);
size_t TlvPutShort(uint8_t** cursor, size_t* room, uint16_t value);
size_t TlvPutLongValue(uint8_t** cursor, size_t* room, uint32_t value);    // length 4, then the long
size_t TlvPutShortValue(uint8_t** cursor, size_t* room, uint16_t value);   // length 2, then the short
size_t TlvPutString(uint8_t** cursor, size_t* room, const char* s);        // length, then the bytes
size_t TlvPutBytes(uint8_t** cursor, size_t* room, const uint8_t* bytes, size_t length);
size_t TlvPutRaw(uint8_t** cursor, size_t* room, const uint8_t* bytes, size_t length);
