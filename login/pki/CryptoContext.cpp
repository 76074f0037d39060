#include "login/pki/CryptoContext.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <cstring>
#include <memory>
#include <vector>

#include "login/pki/Der.h"
#include "login/pki/PkiStatus.h"

struct CryptoContext {
  EVP_MD_CTX* digest = nullptr;
  uint8_t key[kContextKeyBytes] = {};
  size_t keyLength = 0;
  uint16_t algorithms[2] = {0, 0};
};

const uint8_t kCardDigestInfoPrefix[kDigestInfoPrefixBytes] = {0x30, 0x20, 0x30, 0x0C, 0x06, 0x08,
                                                               0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D,
                                                               0x02, 0x02, 0x05, 0x00, 0x04, 0x10};

namespace {

struct PkeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct PkeyCtxFree {
  void operator()(EVP_PKEY_CTX* c) const { EVP_PKEY_CTX_free(c); }
};
struct BnFree {
  void operator()(BIGNUM* b) const { BN_clear_free(b); }
};
using Pkey = std::unique_ptr<EVP_PKEY, PkeyFree>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, PkeyCtxFree>;
using Bn = std::unique_ptr<BIGNUM, BnFree>;

// An RSA key from its components, through OpenSSL's parameter interface.
Pkey MakeRsaKey(const std::vector<std::pair<const char*, DerSpan>>& parts, bool isPrivate) {
  OSSL_PARAM_BLD* bld = OSSL_PARAM_BLD_new();
  if (!bld) return nullptr;
  std::vector<Bn> numbers;
  bool ok = true;
  for (const auto& part : parts) {
    Bn n(BN_bin2bn(part.second.data, static_cast<int>(part.second.length), nullptr));
    if (!n || !OSSL_PARAM_BLD_push_BN(bld, part.first, n.get())) ok = false;
    numbers.push_back(std::move(n));
  }
  OSSL_PARAM* params = ok ? OSSL_PARAM_BLD_to_param(bld) : nullptr;
  OSSL_PARAM_BLD_free(bld);
  if (!params) return nullptr;
  EVP_PKEY* key = nullptr;
  PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
  if (ctx && EVP_PKEY_fromdata_init(ctx.get()) == 1)
    EVP_PKEY_fromdata(ctx.get(), &key, isPrivate ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY, params);
  OSSL_PARAM_free(params);
  return Pkey(key);
}

// Bits of a big-endian unsigned integer as DER carries it.
unsigned ModulusBits(DerSpan m) {
  size_t i = 0;
  while (i < m.length && m.data[i] == 0) ++i;
  if (i == m.length) return 0;
  unsigned bits = static_cast<unsigned>((m.length - i - 1) * 8);
  for (uint8_t top = m.data[i]; top; top >>= 1) ++bits;
  return bits;
}

}  // namespace

int CryptoContextCreate(CryptoContext** context) {
  *context = new (std::nothrow) CryptoContext();
  return *context ? kPkiOk : kPkiMemory;
}

void CryptoContextFree(CryptoContext* context) {
  if (!context) return;
  EVP_MD_CTX_free(context->digest);
  OPENSSL_cleanse(context->key, sizeof context->key);
  delete context;
}

int CryptoContextSetKey(CryptoContext* context, size_t length, const uint8_t* key) {
  if (length > kContextKeyBytes) return kPkiInputTooLong;
  OPENSSL_cleanse(context->key, sizeof context->key);
  if (length) std::memcpy(context->key, key, length);
  context->keyLength = length;
  return kPkiOk;
}

int CryptoContextSetAlgorithm(CryptoContext* context, uint16_t first, uint16_t second) {
  context->algorithms[0] = first;
  context->algorithms[1] = second;
  return kPkiOk;
}

int DigestInit(CryptoContext* context) {
  EVP_MD_CTX_free(context->digest);
  context->digest = EVP_MD_CTX_new();
  if (!context->digest) return kPkiMemory;
  if (EVP_DigestInit_ex(context->digest, EVP_md5(), nullptr) != 1) {
    EVP_MD_CTX_free(context->digest);
    context->digest = nullptr;
    return kPkiLowerLayer;
  }
  return kPkiOk;
}

int DigestUpdate(CryptoContext* context, const uint8_t* data, size_t length) {
  if (!context->digest) return kPkiNotInitialised;
  return EVP_DigestUpdate(context->digest, data, length) == 1 ? kPkiOk : kPkiLowerLayer;
}

int DigestFinish(CryptoContext* context, size_t length, const uint8_t* data, size_t* digestLength,
                 uint8_t* digest) {
  if (!context->digest) return kPkiNotInitialised;
  int rc = kPkiOk;
  uint8_t out[EVP_MAX_MD_SIZE];
  unsigned n = 0;
  if (length && EVP_DigestUpdate(context->digest, data, length) != 1) rc = kPkiLowerLayer;
  if (rc == kPkiOk && EVP_DigestFinal_ex(context->digest, out, &n) != 1) rc = kPkiLowerLayer;
  if (rc == kPkiOk && *digestLength < kMd5Bytes) rc = kPkiOutputTooSmall;
  if (rc == kPkiOk) {
    std::memcpy(digest, out, kMd5Bytes);
    *digestLength = kMd5Bytes;
  }
  EVP_MD_CTX_free(context->digest);
  context->digest = nullptr;
  return rc;
}

int RsaSignDigest(CryptoContext* context, size_t digestLength, uint16_t digestAlgorithm, const uint8_t* digest,
                  size_t* signatureLength, uint8_t* signature) {
  if (digestAlgorithm != kDigestMd5 || digestLength != kMd5Bytes) return kPkiDerError;
  if (!context || context->keyLength == 0) return kPkiNoKey;
  RsaPrivateKeyParts p;
  if (!DecodeRsaPrivateKey(context->key, context->keyLength, &p)) return kPkiDerError;
  if (ModulusBits(p.modulus) > kMaxModulusBits) return kPkiModulusTooLarge;
  Pkey key = MakeRsaKey({{OSSL_PKEY_PARAM_RSA_N, p.modulus},
                         {OSSL_PKEY_PARAM_RSA_E, p.publicExponent},
                         {OSSL_PKEY_PARAM_RSA_D, p.privateExponent},
                         {OSSL_PKEY_PARAM_RSA_FACTOR1, p.prime1},
                         {OSSL_PKEY_PARAM_RSA_FACTOR2, p.prime2},
                         {OSSL_PKEY_PARAM_RSA_EXPONENT1, p.exponent1},
                         {OSSL_PKEY_PARAM_RSA_EXPONENT2, p.exponent2},
                         {OSSL_PKEY_PARAM_RSA_COEFFICIENT1, p.coefficient}},
                        true);
  if (!key) return kPkiLowerLayer;
  uint8_t info[kDigestInfoPrefixBytes + kMd5Bytes];
  std::memcpy(info, kCardDigestInfoPrefix, kDigestInfoPrefixBytes);
  std::memcpy(info + kDigestInfoPrefixBytes, digest, kMd5Bytes);
  const size_t modulusBytes = static_cast<size_t>(EVP_PKEY_get_size(key.get()));
  if (modulusBytes < sizeof info + 11) return kPkiInputTooLong;
  if (*signatureLength < modulusBytes) return kPkiOutputTooSmall;
  PkeyCtx ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
  size_t out = *signatureLength;
  if (!ctx || EVP_PKEY_sign_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_sign(ctx.get(), signature, &out, info, sizeof info) != 1)
    return kPkiLowerLayer;
  *signatureLength = out;
  return kPkiOk;
}

int VerifySignature(CryptoContext*, size_t digestLength, uint16_t digestAlgorithm, const uint8_t* digest,
                    size_t keyLength, const uint8_t* keyBytes, size_t signatureLength, const uint8_t* signature) {
  if (digestAlgorithm != kDigestMd5 || digestLength != kMd5Bytes) return kPkiDerError;
  RsaPublicKeyParts p;
  if (!DecodeRsaPublicKey(keyBytes, keyLength, &p)) return kPkiDerError;
  if (ModulusBits(p.modulus) > kMaxModulusBits) return kPkiModulusTooLarge;
  Pkey key = MakeRsaKey({{OSSL_PKEY_PARAM_RSA_N, p.modulus}, {OSSL_PKEY_PARAM_RSA_E, p.exponent}}, false);
  if (!key) return kPkiLowerLayer;
  const size_t k = static_cast<size_t>(EVP_PKEY_get_size(key.get()));
  const size_t infoBytes = kDigestInfoPrefixBytes + kMd5Bytes;
  if (k < infoBytes + 11 || signatureLength != k) return kPkiBlockFormat;
  std::vector<uint8_t> block(k);
  size_t got = k;
  PkeyCtx ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
  if (!ctx || EVP_PKEY_verify_recover_init(ctx.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(ctx.get(), RSA_NO_PADDING) != 1 ||
      EVP_PKEY_verify_recover(ctx.get(), block.data(), &got, signature, signatureLength) != 1)
    return kPkiBlockFormat;
  // OpenSSL drops no leading zero bytes without padding, but be sure the
  // block is right-aligned to the modulus length.
  if (got != k) {
    if (got > k) return kPkiBlockFormat;
    std::memmove(block.data() + (k - got), block.data(), got);
    std::memset(block.data(), 0, k - got);
  }
  std::vector<uint8_t> expected(k, 0xFF);
  expected[0] = 0x00;
  expected[1] = 0x01;
  expected[k - infoBytes - 1] = 0x00;
  std::memcpy(expected.data() + k - infoBytes, kCardDigestInfoPrefix, kDigestInfoPrefixBytes);
  std::memcpy(expected.data() + k - kMd5Bytes, digest, kMd5Bytes);
  if (CRYPTO_memcmp(block.data(), expected.data(), k - kMd5Bytes) != 0) return kPkiBlockFormat;
  if (CRYPTO_memcmp(block.data() + k - kMd5Bytes, digest, kMd5Bytes) != 0) return kPkiSignatureMismatch;
  return kPkiOk;
}

int VerifyCertificateIssuedBy(const uint8_t* cert, size_t certLength, const uint8_t* issuer, size_t issuerLength) {
  const uint8_t* p = cert;
  X509* c = d2i_X509(nullptr, &p, static_cast<long>(certLength));
  if (!c || p != cert + certLength) {
    X509_free(c);
    return kPkiDerError;
  }
  const uint8_t* q = issuer;
  X509* i = d2i_X509(nullptr, &q, static_cast<long>(issuerLength));
  if (!i || q != issuer + issuerLength) {
    X509_free(c);
    X509_free(i);
    return kPkiDerError;
  }
  int rc = kPkiSignatureMismatch;
  EVP_PKEY* issuerKey = X509_get0_pubkey(i);
  // The certificate counts only within its validity dates, and only when
  // the issuer's key may sign certificates (no key usage: any use).
  const bool current = X509_cmp_current_time(X509_get0_notBefore(c)) < 0 &&
                       X509_cmp_current_time(X509_get0_notAfter(c)) > 0;
  const bool issuerSignsCertificates = (X509_get_key_usage(i) & KU_KEY_CERT_SIGN) != 0;
  if (issuerKey && current && issuerSignsCertificates &&
      X509_NAME_cmp(X509_get_issuer_name(c), X509_get_subject_name(i)) == 0 && X509_verify(c, issuerKey) == 1)
    rc = kPkiOk;
  X509_free(c);
  X509_free(i);
  return rc;
}
