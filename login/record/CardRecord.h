#pragma once
// The signed credential record on a card and the card header that locates
// it. A record is the element 0x80000004 (the signed bytes: element 1 with
// the key identifier, then the attributes), the element 5 (RSA PKCS #1 v1.5
// signature over the MD5 digest of those bytes) and, optionally, the
// element 3 (the DER certificate of the signing key). An embedded
// certificate counts only when the verifier's root certificate issued it;
// without one the root key itself must have signed. Failures are 0 or null
// returns; nothing is logged.
#include <cstddef>
#include <cstdint>

struct CardVerifier;

// The decoded attributes. Strings belong to the record.
struct CardRecord {
  uint32_t mask = 0;
  uint32_t keyId = 0;
  char* text[10] = {};       // tags 2, 26, 27, 19, 21, 22, 49, 50, 51, 64
  uint32_t pair[2] = {};     // tag 34
  uint32_t value36 = 0;
  uint32_t value37 = 0;
};

constexpr uint32_t kCardTagSigned = 0x80000004;
constexpr uint32_t kCardTagSignature = 5;
constexpr uint32_t kCardTagCertificate = 3;
constexpr uint32_t kCardTagKeyId = 1;
constexpr uint32_t kCardTagPrivateKey = 0x10002;
constexpr uint32_t kCardTagFlag = 0x10001;
constexpr uint32_t kCardTagEnd = 0xFFFFFFFF;
constexpr size_t kCardHeaderLength = 32;
// Values are cut to this when copied.
constexpr size_t kCardValueLimit = 3000;

CardVerifier* CardVerifierCreate();
void CardVerifierDestroy(CardVerifier* verifier);
// 1 when the buffer held a private key and a certificate (kept), else 0.
int CardVerifierLoadKeys(CardVerifier* verifier, const uint8_t* buffer, size_t length);
// Replaces the built-in root certificate for this verifier (copied).
int CardVerifierSetRootCertificate(CardVerifier* verifier, const uint8_t* der, size_t length);
const uint8_t* GetDefaultRootCertificate(size_t* length);

// 1 for a valid header (position and length set when it carries them), 0
// otherwise, also when the record it names would not lie within the card's
// data files.
int CardParseHeader(CardVerifier* verifier, const uint8_t* header, size_t length, int32_t* position,
                    uint16_t* dataLength);
// Writes the 32-byte header; the bytes written, 0 without a key bundle or room.
size_t CardBuildHeader(CardVerifier* verifier, int32_t position, size_t dataLength, uint8_t* out, size_t capacity);

CardRecord* CardRecordDecode(CardVerifier* verifier, const uint8_t* record, size_t length);
void CardRecordFree(CardRecord* record);
// Strings by id: 100 user name, 101 password, 102 server, 103 the fourth
// log-in string, 104, 105, 106, 109; null when absent or for other ids.
const char* CardRecordGetValue(const CardRecord* record, int id);
// 0: the flag (mask bit 0x1); 1: the key identifier; 107, 108: the long
// values of tags 36 and 37; else 0.
uint32_t CardRecordGetInfo(const CardRecord* record, int id);

// Decodes attribute elements into a cleared record (without signature
// check); length when the record is valid, else 0 (its strings freed).
size_t CardRecordParseAttributes(const uint8_t* data, size_t length, CardRecord* record);

// Signs (element 1 with the key identifier, then data) with the loaded key
// bundle and appends its certificate; the record's length, 0 on failure.
size_t CardSignMessage(CardVerifier* verifier, const uint8_t* data, size_t length, uint8_t* out, size_t capacity);
// The attribute elements of a record; the bytes written, 0 when they do not fit.
size_t CardRecordEncode(uint8_t* out, size_t capacity, const CardRecord* record);

// A key container: 0x00080001 (short 0), then 0x80080002, 0x80080003 and
// 0x00080004 copied to the three outputs (each *length is the capacity on
// entry and the count on return). 1 at the end of a valid container, else 0.
int CardParseKeyContainer(const uint8_t* buffer, size_t length, uint8_t* first, size_t* firstLength,
                          uint8_t* second, size_t* secondLength, uint8_t* third, size_t* thirdLength);
// An optional "[digits]" prefix (and one "=" after it): its value, the cursor
// moved past it; 0 and the cursor unmoved without one.
int ParseIndexPrefix(const char** cursor);
