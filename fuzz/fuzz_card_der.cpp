// DER from a card: certificates down to their public key, RSA keys, and a
// signature check with whatever key the bytes make. The first byte picks
// the decoder.
#include <cstddef>
#include <cstdint>

#include "login/pki/CryptoContext.h"
#include "login/pki/Der.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t* p = data + 1;
  const size_t n = size - 1;
  switch (data[0] % 4) {
    case 0: {
      size_t cl = n;
      uint8_t key[700];
      size_t kl = sizeof key;
      DecodeCertificateKey(p, &cl, key, &kl);
      break;
    }
    case 1: {
      RsaPrivateKeyParts parts;
      DecodeRsaPrivateKey(p, n, &parts);
      RsaPublicKeyParts pub;
      DecodeRsaPublicKey(p, n, &pub);
      break;
    }
    case 2: {
      // A public key, then a 64-byte signature, from the input.
      if (n < 64) break;
      uint8_t digest[16] = {};
      VerifySignature(nullptr, sizeof digest, kDigestMd5, digest, n - 64, p, 64, p + n - 64);
      break;
    }
    default: {
      size_t half = n / 2;
      VerifyCertificateIssuedBy(p, half, p + half, n - half);
      break;
    }
  }
  return 0;
}
