#include "login/record/CardRecord.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <new>
#include <vector>

#include "login/pki/CryptoContext.h"
#include "login/pki/Der.h"
#include "login/pki/PkiStatus.h"
#include "login/record/Tlv.h"

namespace {

// The card's data files: 0x21-0x24, 440 bytes each.
constexpr uint32_t kFirstDataFile = 0x21;
constexpr uint32_t kDataFiles = 4;
constexpr uint32_t kDataFileBytes = 440;
constexpr uint32_t kHeaderMarker = 0x80000002;
constexpr uint32_t kHeaderContainer = 0x80040002;
constexpr uint32_t kHeaderLocation = 0x00040001;
constexpr uint32_t kNestedContainer = 258;
constexpr uint32_t kTagNfs = 17;
constexpr uint32_t kTagPair = 34;
constexpr uint32_t kTag36 = 36;
constexpr uint32_t kTag37 = 37;
constexpr size_t kSignatureBytes = 128;   // up to 1,024-bit keys
constexpr size_t kPublicKeyBytes = 700;
constexpr int kMaxNesting = 8;

struct StringAttribute {
  uint32_t tag;
  uint32_t maskBit;
  int getterId;  // -1: no getter
};
// In the order of CardRecord::text.
const StringAttribute kStrings[10] = {
    {2, 0x80, 109},  {26, 0x2, 100},   {27, 0x4, 101},   {19, 0x10, 102},  {21, 0x20, 103},
    {22, 0x40, -1},  {49, 0x100, 104}, {50, 0x200, 105}, {51, 0x400, -1},  {64, 0x1000, 106},
};
// The order CardRecordEncode writes strings in.
const uint32_t kEncodeOrder[] = {26, 27, 19, 21, 22, 49, 50, 64};

int StringSlot(uint32_t tag) {
  for (int i = 0; i < 10; ++i)
    if (kStrings[i].tag == tag) return i;
  return -1;
}

}  // namespace

struct CardVerifier {
  CryptoContext* crypto = nullptr;
  bool haveBundle = false;
  uint32_t keyId = 0;
  std::vector<uint8_t> privateKey;
  std::vector<uint8_t> certificate;
  std::vector<uint8_t> root;
};

CardVerifier* CardVerifierCreate() {
  CardVerifier* v = new (std::nothrow) CardVerifier();
  if (!v) return nullptr;
  if (CryptoContextCreate(&v->crypto) != kPkiOk) {
    delete v;
    return nullptr;
  }
  CryptoContextSetAlgorithm(v->crypto, kDigestMd5, 1);
  size_t n = 0;
  const uint8_t* root = GetDefaultRootCertificate(&n);
  v->root.assign(root, root + n);
  return v;
}

void CardVerifierDestroy(CardVerifier* verifier) {
  if (!verifier) return;
  CryptoContextFree(verifier->crypto);
  std::fill(verifier->privateKey.begin(), verifier->privateKey.end(), 0);
  delete verifier;
}

int CardVerifierSetRootCertificate(CardVerifier* verifier, const uint8_t* der, size_t length) {
  if (!verifier || !der || length == 0) return 0;
  verifier->root.assign(der, der + length);
  return 1;
}

int CardVerifierLoadKeys(CardVerifier* verifier, const uint8_t* buffer, size_t length) {
  if (!verifier || !buffer) return 0;
  const uint8_t* p = buffer;
  const uint8_t* end = buffer + length;
  uint32_t keyId = 0;
  std::vector<uint8_t> key, cert;
  TlvElement e;
  while (p < end && TlvGetHeader(p, end, &e)) {
    if (e.tag == kCardTagSigned) {
      p = e.value;
      end = e.next;
      continue;
    }
    if (e.tag == kCardTagKeyId) keyId = TlvGetLong(e);
    if (e.tag == kCardTagCertificate) cert.assign(e.value, e.value + std::min(e.length, kCardValueLimit));
    if (e.tag == kCardTagPrivateKey) key.assign(e.value, e.value + e.length);
    p = e.next;
  }
  // The signing key must fit the crypto context.
  if (key.empty() || cert.empty() || key.size() > kContextKeyBytes) {
    std::fill(key.begin(), key.end(), 0);
    return 0;
  }
  verifier->keyId = keyId;
  verifier->privateKey = std::move(key);
  verifier->certificate = std::move(cert);
  verifier->haveBundle = true;
  return 1;
}

int CardParseHeader(CardVerifier*, const uint8_t* header, size_t length, int32_t* position, uint16_t* dataLength) {
  if (!header || length < 4 || header[0] == 0xFF || header[0] == 0x01) return 0;
  if (header[0] != 0x80 || header[1] != 0x00 || header[2] != 0x00 || header[3] != 0x02) return 0;
  const uint8_t* p = header + 4;
  const uint8_t* end = header + length;
  TlvElement e;
  while (p < end) {
    if (!TlvGetHeader(p, end, &e)) return 0;
    if (e.tag == kCardTagEnd) break;
    if (e.tag == kHeaderContainer) {
      TlvElement loc;
      if (TlvFindElement(e.value, e.next, kHeaderLocation, &loc) && loc.length >= 10) {
        uint32_t pos = (uint32_t{loc.value[4]} << 24) | (uint32_t{loc.value[5]} << 16) |
                       (uint32_t{loc.value[6]} << 8) | loc.value[7];
        uint16_t n = static_cast<uint16_t>((loc.value[8] << 8) | loc.value[9]);
        if (pos == 0) pos = kFirstDataFile << 16;
        uint32_t file = pos >> 16, offset = pos & 0xFFFF;
        // The record must lie within the data files (and so fit the
        // 1,760-byte buffers that read it).
        if (file < kFirstDataFile || file >= kFirstDataFile + kDataFiles || offset >= kDataFileBytes) return 0;
        uint32_t start = (file - kFirstDataFile) * kDataFileBytes + offset;
        if (n == 0 || start + n > kDataFiles * kDataFileBytes) return 0;
        *position = static_cast<int32_t>(pos);
        *dataLength = n;
      }
    }
    p = e.next;
  }
  return 1;
}

size_t CardBuildHeader(CardVerifier* verifier, int32_t position, size_t dataLength, uint8_t* out, size_t capacity) {
  if (!verifier || !verifier->haveBundle || capacity < kCardHeaderLength) return 0;
  uint8_t* c = out;
  size_t room = capacity;
  uint32_t pos = position ? static_cast<uint32_t>(position) : (kFirstDataFile << 16);
  TlvPutLong(&c, &room, kHeaderMarker);
  TlvPutLong(&c, &room, kHeaderContainer);
  TlvPutShort(&c, &room, 16);
  TlvPutLong(&c, &room, kHeaderLocation);
  TlvPutShort(&c, &room, 10);
  TlvPutLong(&c, &room, verifier->keyId);
  TlvPutLong(&c, &room, pos);
  TlvPutShort(&c, &room, static_cast<uint16_t>(dataLength));
  TlvPutLong(&c, &room, kCardTagEnd);
  TlvPutShort(&c, &room, 0);
  return static_cast<size_t>(c - out);
}

namespace {

void FreeAttributes(CardRecord* r) {
  for (char*& s : r->text) {
    delete[] s;
    s = nullptr;
  }
}

// Walks the attribute elements; *valid is set by tag 1 or 0x10001, *other
// by any element but 17 and 258. False rejects the record.
bool ParseAttributes(const uint8_t* p, const uint8_t* end, CardRecord* r, bool* valid, bool* other, int depth,
                     bool* ended) {
  if (depth > kMaxNesting) return false;
  TlvElement e;
  while (p < end && !*ended) {
    if (!TlvGetHeader(p, end, &e)) return false;
    p = e.next;
    if (e.tag == kCardTagEnd) {
      if (!*other) return false;
      *ended = true;
      break;
    }
    if (e.tag == kNestedContainer) {
      if (!ParseAttributes(e.value, e.next, r, valid, other, depth + 1, ended)) return false;
      continue;
    }
    if (e.tag == kTagNfs) {
      if (e.length != 3 || strncasecmp(reinterpret_cast<const char*>(e.value), "nfs", 3) != 0) return false;
      continue;
    }
    *other = true;
    int slot = StringSlot(e.tag);
    if (slot >= 0) {
      char* s = TlvGetString(e, kCardValueLimit);
      if (!s) return false;
      delete[] r->text[slot];
      r->text[slot] = s;
      r->mask |= kStrings[slot].maskBit;
    } else if (e.tag == kCardTagKeyId) {
      r->keyId = TlvGetLong(e);
      *valid = true;
    } else if (e.tag == kCardTagFlag) {
      r->mask |= 0x1;
      *valid = true;
    } else if (e.tag == kTagPair) {
      if (e.length == 8) {
        TlvElement a = e, b = e;
        a.length = b.length = 4;
        b.value += 4;
        r->pair[0] = TlvGetLong(a);
        r->pair[1] = TlvGetLong(b);
      }
      r->mask |= 0x8;
    } else if (e.tag == kTag36) {
      r->value36 = TlvGetLong(e);
      r->mask |= 0x2000;
    } else if (e.tag == kTag37) {
      r->value37 = TlvGetLong(e);
      r->mask |= 0x4000;
    }
  }
  return true;
}

// Checks the signature of data with the public key of a DER certificate.
bool VerifyWithCertificate(CryptoContext* crypto, const uint8_t* cert, size_t certLength, const uint8_t* data,
                           size_t dataLength, const uint8_t* sig, size_t sigLength) {
  uint8_t key[kPublicKeyBytes];
  size_t keyLength = sizeof key;
  size_t cl = certLength;
  if (DecodeCertificateKey(cert, &cl, key, &keyLength) != 0 || cl != certLength) return false;
  uint8_t digest[kMd5Bytes];
  size_t dl = sizeof digest;
  if (DigestInit(crypto) != kPkiOk || DigestFinish(crypto, dataLength, data, &dl, digest) != kPkiOk) return false;
  return VerifySignature(crypto, dl, kDigestMd5, digest, keyLength, key, sigLength, sig) == kPkiOk;
}

bool VerifyRecord(CardVerifier* v, const uint8_t* record, size_t n, CardRecord* out) {
  const uint8_t* end = record + n;
  TlvElement data, sig, cert;
  if (!TlvGetHeader(record, end, &data) || data.tag != kCardTagSigned || data.length > kCardValueLimit) return false;
  if (!TlvGetHeader(data.next, end, &sig) || sig.tag != kCardTagSignature || sig.length > kSignatureBytes)
    return false;
  const uint8_t* certBytes = v->root.data();
  size_t certLength = v->root.size();
  if (sig.next != end) {
    if (!TlvGetHeader(sig.next, end, &cert) || cert.tag != kCardTagCertificate || cert.next != end ||
        cert.length > kCardValueLimit)
      return false;
    // The certificate on the card vouches for nothing by itself: the root
    // must have issued it.
    if (VerifyCertificateIssuedBy(cert.value, cert.length, v->root.data(), v->root.size()) != kPkiOk) return false;
    certBytes = cert.value;
    certLength = cert.length;
  }
  if (!VerifyWithCertificate(v->crypto, certBytes, certLength, data.value, data.length, sig.value, sig.length))
    return false;
  return CardRecordParseAttributes(data.value, data.length, out) != 0;
}

}  // namespace

size_t CardRecordParseAttributes(const uint8_t* data, size_t length, CardRecord* record) {
  bool valid = false, other = false, ended = false;
  if (!ParseAttributes(data, data + length, record, &valid, &other, 0, &ended) || !valid) {
    FreeAttributes(record);
    return 0;
  }
  return length;
}

CardRecord* CardRecordDecode(CardVerifier* verifier, const uint8_t* record, size_t length) {
  if (!verifier || !record) return nullptr;
  CardRecord* r = new (std::nothrow) CardRecord();
  if (!r) return nullptr;
  if (!VerifyRecord(verifier, record, length, r)) {
    delete r;
    return nullptr;
  }
  return r;
}

void CardRecordFree(CardRecord* record) {
  if (!record) return;
  FreeAttributes(record);
  delete record;
}

const char* CardRecordGetValue(const CardRecord* record, int id) {
  if (!record) return nullptr;
  for (int i = 0; i < 10; ++i)
    if (kStrings[i].getterId == id) return record->text[i];
  return nullptr;
}

uint32_t CardRecordGetInfo(const CardRecord* record, int id) {
  if (!record) return 0;
  switch (id) {
    case 0: return record->mask & 0x1;
    case 1: return record->keyId;
    case 107: return record->value36;
    case 108: return record->value37;
    default: return 0;
  }
}

size_t CardSignMessage(CardVerifier* v, const uint8_t* data, size_t length, uint8_t* out, size_t capacity) {
  if (!v || !v->haveBundle || v->keyId < 2 || v->privateKey.empty() || v->certificate.empty()) return 0;
  uint8_t block[kCardValueLimit];
  uint8_t* c = block;
  size_t room = sizeof block;
  if (!TlvPutLong(&c, &room, kCardTagKeyId) || !TlvPutLongValue(&c, &room, v->keyId) ||
      (length && !TlvPutRaw(&c, &room, data, length)))
    return 0;
  const size_t blockLength = static_cast<size_t>(c - block);
  uint8_t digest[kMd5Bytes];
  size_t dl = sizeof digest;
  uint8_t sig[kSignatureBytes];
  size_t sl = sizeof sig;
  if (CryptoContextSetKey(v->crypto, v->privateKey.size(), v->privateKey.data()) != kPkiOk ||
      DigestInit(v->crypto) != kPkiOk || DigestFinish(v->crypto, blockLength, block, &dl, digest) != kPkiOk ||
      RsaSignDigest(v->crypto, dl, kDigestMd5, digest, &sl, sig) != kPkiOk)
    return 0;
  c = out;
  room = capacity;
  if (!TlvPutLong(&c, &room, kCardTagSigned) || !TlvPutBytes(&c, &room, block, blockLength) ||
      !TlvPutLong(&c, &room, kCardTagSignature) || !TlvPutBytes(&c, &room, sig, sl) ||
      !TlvPutLong(&c, &room, kCardTagCertificate) ||
      !TlvPutBytes(&c, &room, v->certificate.data(), v->certificate.size()))
    return 0;
  return static_cast<size_t>(c - out);
}

size_t CardRecordEncode(uint8_t* out, size_t capacity, const CardRecord* r) {
  if (!r) return 0;
  uint8_t* c = out;
  size_t room = capacity;
  bool ok = TlvPutLong(&c, &room, kCardTagKeyId) && TlvPutLongValue(&c, &room, 10);
  for (uint32_t tag : kEncodeOrder) {
    const char* s = r->text[StringSlot(tag)];
    if (ok && s) ok = TlvPutLong(&c, &room, tag) && TlvPutString(&c, &room, s);
  }
  if (ok && (r->mask & 0x1)) ok = TlvPutLong(&c, &room, kCardTagFlag) && TlvPutLongValue(&c, &room, 1);
  if (ok && r->value36) ok = TlvPutLong(&c, &room, kTag36) && TlvPutLongValue(&c, &room, r->value36);
  if (ok && r->value37) ok = TlvPutLong(&c, &room, kTag37) && TlvPutLongValue(&c, &room, r->value37);
  return ok ? static_cast<size_t>(c - out) : 0;
}

int CardParseKeyContainer(const uint8_t* buffer, size_t length, uint8_t* first, size_t* firstLength,
                          uint8_t* second, size_t* secondLength, uint8_t* third, size_t* thirdLength) {
  if (!buffer) return 0;
  const uint8_t* p = buffer;
  const uint8_t* end = buffer + length;
  TlvElement e;
  while (p < end) {
    if (!TlvGetHeader(p, end, &e)) return 0;
    size_t copied = 0;
    if (e.tag == 0x00080001) {
      if (e.length != 2 || TlvGetShort(e) != 0) return 0;
    } else if (e.tag == 0x80080002) {
      TlvReadElement(p, end, &e, first, *firstLength, &copied);
      *firstLength = copied;
    } else if (e.tag == 0x80080003) {
      TlvReadElement(p, end, &e, second, *secondLength, &copied);
      *secondLength = copied;
    } else if (e.tag == 0x00080004) {
      TlvReadElement(p, end, &e, third, *thirdLength, &copied);
      *thirdLength = copied;
    } else {
      return 0;
    }
    p = e.next;
  }
  return 1;
}

int ParseIndexPrefix(const char** cursor) {
  const char* s = *cursor;
  if (!s || *s != '[') return 0;
  const char* close = std::strchr(s + 1, ']');
  if (!close || close - (s + 1) > 39) return 0;
  char digits[40];
  std::memcpy(digits, s + 1, static_cast<size_t>(close - (s + 1)));
  digits[close - (s + 1)] = '\0';
  int value = std::atoi(digits);
  s = close + 1;
  if (*s == '=') ++s;
  *cursor = s;
  return value;
}
