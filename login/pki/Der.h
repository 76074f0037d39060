#pragma once
// DER reading for the toolkit: identifiers, lengths, and the structures the
// card record needs (X.509 certificate down to its public key, RSA public
// and private keys, DigestInfo). Every element is checked to end within its
// enclosing one; nothing is read past the given length.
#include <cstddef>
#include <cstdint>

struct DerSpan {
  const uint8_t* data = nullptr;
  size_t length = 0;
};

class DerReader {
 public:
  DerReader(const uint8_t* data, size_t length) : p_(data), end_(data + length) {}
  explicit DerReader(DerSpan s) : DerReader(s.data, s.length) {}
  // Reads one element with the given identifier byte: its contents in *out
  // and, when whole is given, the element with its header. False on another
  // identifier, a zero or indefinite length, a length form longer than four
  // bytes, or an element that does not end within the reader's range.
  bool next(uint8_t tag, DerSpan* out, DerSpan* whole = nullptr);
  // The identifier byte of the next element, -1 at the end.
  int peek() const { return p_ < end_ ? *p_ : -1; }
  bool atEnd() const { return p_ == end_; }
  const uint8_t* position() const { return p_; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
};

// A DER length at *p (short form, or 0x81-0x84 and one to four bytes); 0 for
// 0x80 and longer forms, and for a length whose bytes run past end.
size_t ReadDerLength(const uint8_t** p, const uint8_t* end);

struct RsaPublicKeyParts {
  DerSpan modulus, exponent;
};
struct RsaPrivateKeyParts {
  DerSpan modulus, publicExponent, privateExponent, prime1, prime2, exponent1, exponent2, coefficient;
};

// SEQUENCE of INTEGERs filling the whole buffer; true on success.
bool DecodeRsaPublicKey(const uint8_t* der, size_t length, RsaPublicKeyParts* out);
bool DecodeRsaPrivateKey(const uint8_t* der, size_t length, RsaPrivateKeyParts* out);

// The subject public key (a DER RSAPublicKey) of an X.509 certificate,
// copied into key. *certLength is the available bytes on entry and the
// certificate's size on return; *keyLength the capacity on entry and the
// bytes copied on return. 0 when the whole key was copied and is not empty,
// 0xFFFF otherwise (a key longer than the buffer fills it all the same).
int DecodeCertificateKey(const uint8_t* cert, size_t* certLength, uint8_t* key, size_t* keyLength);
