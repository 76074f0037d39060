#include "login/record/Tlv.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t kHeaderBytes = 6;

uint32_t Be32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

bool TlvGetHeader(const uint8_t* p, const uint8_t* end, TlvElement* out) {
  if (!p || p > end || static_cast<size_t>(end - p) < kHeaderBytes) return false;
  size_t length = (size_t{p[4]} << 8) | p[5];
  if (length > static_cast<size_t>(end - p) - kHeaderBytes) return false;
  out->tag = Be32(p);
  out->length = length;
  out->value = p + kHeaderBytes;
  out->next = out->value + length;
  return true;
}

bool TlvReadElement(const uint8_t* p, const uint8_t* end, TlvElement* out, uint8_t* buffer, size_t capacity,
                    size_t* copied) {
  if (!TlvGetHeader(p, end, out)) return false;
  size_t n = out->length < capacity ? out->length : capacity;
  if (n) std::memcpy(buffer, out->value, n);
  *copied = n;
  return true;
}

uint32_t TlvGetLong(const TlvElement& e) { return e.length == 4 ? Be32(e.value) : 0; }

uint16_t TlvGetShort(const TlvElement& e) {
  return e.length == 2 ? static_cast<uint16_t>((e.value[0] << 8) | e.value[1]) : 0;
}

char* TlvGetString(const TlvElement& e, size_t limit) {
  size_t n = e.length < limit ? e.length : limit;
  if (n && std::memchr(e.value, 0, n)) return nullptr;
  char* s = new (std::nothrow) char[n + 1];
  if (!s) return nullptr;
  if (n) std::memcpy(s, e.value, n);
  s[n] = '\0';
  return s;
}

bool TlvFindElement(const uint8_t* p, const uint8_t* end, uint32_t tag, TlvElement* out) {
  TlvElement e;
  while (p < end) {
    if (!TlvGetHeader(p, end, &e)) return false;
    if (e.tag == tag) {
      *out = e;
      return true;
    }
    p = e.next;
  }
  return false;
}

size_t TlvPutRaw(uint8_t** cursor, size_t* room, const uint8_t* bytes, size_t length) {
  if (length > *room) return 0;
  if (length) std::memcpy(*cursor, bytes, length);
  *cursor += length;
  *room -= length;
  return length;
}

size_t TlvPutLong(uint8_t** cursor, size_t* room, uint32_t v) {
  const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                        static_cast<uint8_t>(v)};
  return TlvPutRaw(cursor, room, b, sizeof b);
}

size_t TlvPutShort(uint8_t** cursor, size_t* room, uint16_t v) {
  const uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
  return TlvPutRaw(cursor, room, b, sizeof b);
}

size_t TlvPutBytes(uint8_t** cursor, size_t* room, const uint8_t* bytes, size_t length) {
  if (length > 0xFFFF || *room < 2 + length) return 0;
  TlvPutShort(cursor, room, static_cast<uint16_t>(length));
  TlvPutRaw(cursor, room, bytes, length);
  return 2 + length;
}

size_t TlvPutLongValue(uint8_t** cursor, size_t* room, uint32_t v) {
  if (*room < 6) return 0;
  TlvPutShort(cursor, room, 4);
  return 2 + TlvPutLong(cursor, room, v);
}

size_t TlvPutShortValue(uint8_t** cursor, size_t* room, uint16_t v) {
  if (*room < 4) return 0;
  TlvPutShort(cursor, room, 2);
  return 2 + TlvPutShort(cursor, room, v);
}

size_t TlvPutString(uint8_t** cursor, size_t* room, const char* s) {
  return TlvPutBytes(cursor, room, reinterpret_cast<const uint8_t*>(s), std::strlen(s));
}
