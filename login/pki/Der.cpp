#include "login/pki/Der.h"

#include <cstring>

#include "login/pki/PkiStatus.h"

size_t ReadDerLength(const uint8_t** p, const uint8_t* end) {
  if (*p >= end) return 0;
  uint8_t first = *(*p)++;
  if (first < 0x80) return first;
  unsigned bytes = first & 0x7F;
  if (bytes == 0 || bytes > 4 || static_cast<size_t>(end - *p) < bytes) return 0;
  size_t length = 0;
  for (unsigned i = 0; i < bytes; ++i) length = (length << 8) | *(*p)++;
  return length;
}

bool DerReader::next(uint8_t tag, DerSpan* out, DerSpan* whole) {
  if (p_ >= end_ || *p_ != tag) return false;
  const uint8_t* start = p_;
  const uint8_t* q = p_ + 1;
  size_t length = ReadDerLength(&q, end_);
  if (length == 0 || length > static_cast<size_t>(end_ - q)) return false;
  if (out) *out = DerSpan{q, length};
  if (whole) *whole = DerSpan{start, static_cast<size_t>(q + length - start)};
  p_ = q + length;
  return true;
}

namespace {

constexpr uint8_t kSequence = 0x30;
constexpr uint8_t kInteger = 0x02;
constexpr uint8_t kBitString = 0x03;
constexpr uint8_t kVersionTag = 0xA0;

}  // namespace

bool DecodeRsaPublicKey(const uint8_t* der, size_t length, RsaPublicKeyParts* out) {
  DerReader outer(der, length);
  DerSpan body;
  if (!outer.next(kSequence, &body) || !outer.atEnd()) return false;
  DerReader in(body);
  return in.next(kInteger, &out->modulus) && in.next(kInteger, &out->exponent) && in.atEnd();
}

bool DecodeRsaPrivateKey(const uint8_t* der, size_t length, RsaPrivateKeyParts* out) {
  DerReader outer(der, length);
  DerSpan body, version;
  if (!outer.next(kSequence, &body) || !outer.atEnd()) return false;
  DerReader in(body);
  if (!in.next(kInteger, &version) || version.length != 1 || version.data[0] != 0) return false;
  DerSpan* parts[] = {&out->modulus,  &out->publicExponent, &out->privateExponent, &out->prime1,
                      &out->prime2,   &out->exponent1,      &out->exponent2,       &out->coefficient};
  for (DerSpan* part : parts)
    if (!in.next(kInteger, part)) return false;
  return in.atEnd();
}

int DecodeCertificateKey(const uint8_t* cert, size_t* certLength, uint8_t* key, size_t* keyLength) {
  const size_t capacity = *keyLength;
  if (key && capacity) std::memset(key, 0, capacity);
  *keyLength = 0;
  DerReader outer(cert, *certLength);
  DerSpan certBody, whole, tbs, ignored, spki, bits;
  if (!outer.next(kSequence, &certBody, &whole)) return kPkiDerError;
  *certLength = whole.length;
  DerReader c(certBody);
  if (!c.next(kSequence, &tbs)) return kPkiDerError;
  DerReader t(tbs);
  if (t.peek() == kVersionTag && !t.next(kVersionTag, &ignored)) return kPkiDerError;
  if (!t.next(kInteger, &ignored)) return kPkiDerError;               // serial number
  for (int i = 0; i < 4; ++i)                                          // algorithm, issuer, validity, subject
    if (!t.next(kSequence, &ignored)) return kPkiDerError;
  if (!t.next(kSequence, &spki)) return kPkiDerError;
  DerReader s(spki);
  if (!s.next(kSequence, &ignored) || !s.next(kBitString, &bits)) return kPkiDerError;
  if (bits.length < 2 || bits.data[0] != 0) return kPkiDerError;
  size_t n = bits.length - 1;
  size_t copied = n < capacity ? n : capacity;
  if (copied) std::memcpy(key, bits.data + 1, copied);
  *keyLength = copied;
  return copied == n ? 0 : kPkiDerError;
}
