#pragma once
// The toolkit's crypto context, one per card verifier: the digest in
// progress (an MD5 algorithm object between DigestInit and DigestFinish),
// the signing key (DER RSAPrivateKey) and two algorithm identifiers. The
// arithmetic is OpenSSL's; results are 0 or a code of PkiStatus.h.
#include <cstddef>
#include <cstdint>

struct CryptoContext;

constexpr uint16_t kDigestMd5 = 2;
constexpr size_t kMd5Bytes = 16;
constexpr size_t kContextKeyBytes = 512;
constexpr unsigned kMaxModulusBits = 1024;

// A cleared context (no key, no digest in progress).
int CryptoContextCreate(CryptoContext** context);
void CryptoContextFree(CryptoContext* context);
// Copies the key; a length above 512 bytes is refused (kPkiInputTooLong).
int CryptoContextSetKey(CryptoContext* context, size_t length, const uint8_t* key);
int CryptoContextSetAlgorithm(CryptoContext* context, uint16_t first, uint16_t second);

int DigestInit(CryptoContext* context);
int DigestUpdate(CryptoContext* context, const uint8_t* data, size_t length);
// Feeds the last data, writes the digest (at most *digestLength bytes; 16
// needed) and ends the digest.
int DigestFinish(CryptoContext* context, size_t length, const uint8_t* data, size_t* digestLength,
                 uint8_t* digest);

// The MD5 DigestInfo of the card records. It names MD2 (1.2.840.113549.2.2)
// although the digest is MD5: cards in the field were signed so, and a
// verifier must rebuild the same bytes. Only the digest bytes decide; the
// identifier is compared as a fixed prefix.
constexpr size_t kDigestInfoPrefixBytes = 18;
extern const uint8_t kCardDigestInfoPrefix[kDigestInfoPrefixBytes];

// PKCS #1 v1.5 (block type 01) signature of the DigestInfo over a 16-byte
// MD5 digest with the context's key. *signatureLength is the capacity on
// entry and the signature's length on return.
int RsaSignDigest(CryptoContext* context, size_t digestLength, uint16_t digestAlgorithm, const uint8_t* digest,
                  size_t* signatureLength, uint8_t* signature);
// Checks a signature with a DER RSAPublicKey: the whole recovered block is
// rebuilt and compared (00 01, 0xFF padding, 00, the DigestInfo, the digest).
// 0 valid; 256 a well-formed block over another digest; 524 any other
// block; 0xFFFF a malformed key or an algorithm other than MD5.
int VerifySignature(CryptoContext* context, size_t digestLength, uint16_t digestAlgorithm, const uint8_t* digest,
                    size_t keyLength, const uint8_t* key, size_t signatureLength, const uint8_t* signature);

// 0 when the DER certificate cert was issued by issuer (names match), its
// signature verifies with issuer's public key, it is within its validity
// dates and issuer's key usage (when it has one) allows signing
// certificates; 0xFFFF when either does not parse as exactly one
// certificate; 256 otherwise.
int VerifyCertificateIssuedBy(const uint8_t* cert, size_t certLength, const uint8_t* issuer, size_t issuerLength);
