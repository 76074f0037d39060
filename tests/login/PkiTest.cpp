// The public-key toolkit against OpenSSL's command line.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OpensslOracle.h"
#include "login/pki/CryptoContext.h"
#include "login/pki/Der.h"
#include "login/pki/PkiStatus.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct ContextFree {
  void operator()(CryptoContext* c) const { CryptoContextFree(c); }
};
using Context = std::unique_ptr<CryptoContext, ContextFree>;

Context NewContext() {
  CryptoContext* c = nullptr;
  EXPECT_EQ(kPkiOk, CryptoContextCreate(&c));
  return Context(c);
}

Bytes Md5(const Bytes& data, size_t chunk) {
  Context c = NewContext();
  EXPECT_EQ(kPkiOk, DigestInit(c.get()));
  size_t at = 0;
  while (data.size() - at > chunk) {
    EXPECT_EQ(kPkiOk, DigestUpdate(c.get(), data.data() + at, chunk));
    at += chunk;
  }
  Bytes digest(16);
  size_t n = digest.size();
  EXPECT_EQ(kPkiOk, DigestFinish(c.get(), data.size() - at, data.data() + at, &n, digest.data()));
  EXPECT_EQ(16u, n);
  return digest;
}

std::string Hex(const Bytes& b) {
  static const char* digits = "0123456789abcdef";
  std::string s;
  for (uint8_t x : b) {
    s += digits[x >> 4];
    s += digits[x & 15];
  }
  return s;
}

Bytes DigestInfo(const Bytes& digest) {
  Bytes info(kCardDigestInfoPrefix, kCardDigestInfoPrefix + kDigestInfoPrefixBytes);
  info.insert(info.end(), digest.begin(), digest.end());
  return info;
}

class Toolkit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    oracle_ = new qwtest::OpensslOracle();
    ASSERT_TRUE(oracle_->makeKey("root") && oracle_->makeRoot("root"));
    ASSERT_TRUE(oracle_->makeKey("card") && oracle_->makeIssued("card", "root"));
    ASSERT_TRUE(oracle_->makeKey("other") && oracle_->makeRoot("other"));
    ASSERT_TRUE(oracle_->makeKey("expired") && oracle_->makeIssued("expired", "root", -1));
    // A root whose key may sign data but not certificates.
    ASSERT_TRUE(oracle_->makeKey("signer") && oracle_->makeRoot("signer", "-addext keyUsage=digitalSignature"));
    ASSERT_TRUE(oracle_->makeKey("bySigner") && oracle_->makeIssued("bySigner", "signer"));
  }
  static void TearDownTestSuite() {
    delete oracle_;
    oracle_ = nullptr;
  }
  Bytes sign(const std::string& key, const Bytes& digest, int* rc = nullptr) {
    Context c = NewContext();
    Bytes der = oracle_->read(key + ".der");
    EXPECT_EQ(kPkiOk, CryptoContextSetKey(c.get(), der.size(), der.data()));
    Bytes sig(64);
    size_t n = sig.size();
    int r = RsaSignDigest(c.get(), digest.size(), kDigestMd5, digest.data(), &n, sig.data());
    if (rc) *rc = r;
    sig.resize(r == kPkiOk ? n : 0);
    return sig;
  }
  int verify(const std::string& key, const Bytes& digest, const Bytes& sig) {
    Bytes pub = oracle_->read(key + ".pub.der");
    return VerifySignature(nullptr, digest.size(), kDigestMd5, digest.data(), pub.size(), pub.data(), sig.size(),
                           sig.data());
  }
  // A raw RSA private-key operation on a block of the modulus length.
  Bytes rawSign(const std::string& key, const Bytes& block) {
    oracle_->write("raw.in", block);
    EXPECT_TRUE(oracle_->run("pkeyutl -sign -inkey " + key + ".pem -pkeyopt rsa_padding_mode:none -in raw.in -out raw.out"));
    return oracle_->read("raw.out");
  }
  static qwtest::OpensslOracle* oracle_;
};
qwtest::OpensslOracle* Toolkit::oracle_ = nullptr;

}  // namespace

TEST_F(Toolkit, Md5MatchesRfc1321AndOpenssl) {
  struct Case {
    const char* text;
    const char* md5;
  } cases[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : cases) {
    Bytes data(c.text, c.text + strlen(c.text));
    EXPECT_EQ(c.md5, Hex(Md5(data, 1000))) << c.text;
    EXPECT_EQ(c.md5, Hex(Md5(data, 7))) << c.text;
  }
  Bytes data(3001);
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 31 + 7);
  oracle_->write("data.bin", data);
  ASSERT_TRUE(oracle_->run("dgst -md5 -binary -out data.md5 data.bin"));
  EXPECT_EQ(oracle_->read("data.md5"), Md5(data, 64));
  EXPECT_EQ(oracle_->read("data.md5"), Md5(data, 13));
}

TEST_F(Toolkit, DigestNeedsInitAndRoom) {
  Context c = NewContext();
  uint8_t d[16];
  size_t n = 16;
  EXPECT_EQ(kPkiNotInitialised, DigestUpdate(c.get(), d, 1));
  EXPECT_EQ(kPkiNotInitialised, DigestFinish(c.get(), 0, nullptr, &n, d));
  ASSERT_EQ(kPkiOk, DigestInit(c.get()));
  n = 15;
  EXPECT_EQ(kPkiOutputTooSmall, DigestFinish(c.get(), 0, nullptr, &n, d));
}

TEST_F(Toolkit, SignatureByteMatchesPkeyutl) {
  Bytes digest = Md5(Bytes{'c', 'a', 'r', 'd'}, 64);
  Bytes sig = sign("card", digest);
  ASSERT_EQ(64u, sig.size());
  oracle_->write("info.bin", DigestInfo(digest));
  ASSERT_TRUE(oracle_->run("pkeyutl -sign -inkey card.pem -pkeyopt rsa_padding_mode:pkcs1 -in info.bin -out info.sig"));
  EXPECT_EQ(oracle_->read("info.sig"), sig);
  EXPECT_EQ(kPkiOk, verify("card", digest, sig));
}

TEST_F(Toolkit, SigningRefusals) {
  Bytes digest(16, 1);
  Context c = NewContext();
  Bytes sig(64);
  size_t n = sig.size();
  EXPECT_EQ(kPkiNoKey, RsaSignDigest(c.get(), 16, kDigestMd5, digest.data(), &n, sig.data()));
  EXPECT_EQ(kPkiDerError, RsaSignDigest(c.get(), 16, 5, digest.data(), &n, sig.data()));
  Bytes junk = {0x30, 0x03, 0x02, 0x01, 0x00};
  CryptoContextSetKey(c.get(), junk.size(), junk.data());
  EXPECT_EQ(kPkiDerError, RsaSignDigest(c.get(), 16, kDigestMd5, digest.data(), &n, sig.data()));
  Bytes key = oracle_->read("card.der");
  CryptoContextSetKey(c.get(), key.size(), key.data());
  n = 63;
  EXPECT_EQ(kPkiOutputTooSmall, RsaSignDigest(c.get(), 16, kDigestMd5, digest.data(), &n, sig.data()));
  Bytes big(600);
  EXPECT_EQ(kPkiInputTooLong, CryptoContextSetKey(c.get(), big.size(), big.data()));
}

TEST_F(Toolkit, VerificationRebuildsTheWholeBlock) {
  Bytes digest = Md5(Bytes{'x'}, 64);
  Bytes other = Md5(Bytes{'y'}, 64);
  Bytes good = sign("card", digest);
  Bytes flipped = good;
  flipped[10] ^= 0x01;
  // Blocks made by hand: 00 01 FF.. 00 DigestInfo, then broken one way each.
  auto block = [&](const Bytes& info, size_t padding) {
    Bytes b = {0x00, 0x01};
    b.insert(b.end(), padding, 0xFF);
    b.push_back(0x00);
    b.insert(b.end(), info.begin(), info.end());
    b.resize(64, 0x00);
    return b;
  };
  Bytes info = DigestInfo(digest);
  Bytes sha1Info = info;
  sha1Info[12] = 0x05;  // another algorithm in the DigestInfo
  Bytes shortPad = block(info, 8);  // garbage (zeros) after the digest
  Bytes badType = block(info, 64 - 3 - info.size());
  badType[1] = 0x02;
  Bytes notFf = block(info, 64 - 3 - info.size());
  notFf[5] = 0xFE;
  struct Case {
    const char* name;
    std::string key;
    Bytes digest;
    Bytes sig;
    int rc;
  } cases[] = {
      {"good", "card", digest, good, kPkiOk},
      {"other digest", "card", other, good, kPkiSignatureMismatch},
      {"flipped byte", "card", digest, flipped, kPkiBlockFormat},
      {"other key", "other", digest, good, kPkiBlockFormat},
      {"short signature", "card", digest, Bytes(good.begin(), good.end() - 1), kPkiBlockFormat},
      {"empty signature", "card", digest, Bytes(), kPkiBlockFormat},
      {"right block by hand", "card", digest, rawSign("card", block(info, 64 - 3 - info.size())), kPkiOk},
      {"other algorithm", "card", digest, rawSign("card", block(sha1Info, 64 - 3 - info.size())), kPkiBlockFormat},
      {"trailing bytes", "card", digest, rawSign("card", shortPad), kPkiBlockFormat},
      {"block type 02", "card", digest, rawSign("card", badType), kPkiBlockFormat},
      {"padding not FF", "card", digest, rawSign("card", notFf), kPkiBlockFormat},
  };
  for (const Case& c : cases) EXPECT_EQ(c.rc, verify(c.key, c.digest, c.sig)) << c.name;
  Bytes pub = oracle_->read("card.pub.der");
  EXPECT_EQ(kPkiDerError, VerifySignature(nullptr, 16, kDigestMd5, digest.data(), pub.size() - 1, pub.data(),
                                          good.size(), good.data()));
  EXPECT_EQ(kPkiDerError, VerifySignature(nullptr, 16, 3, digest.data(), pub.size(), pub.data(), good.size(),
                                          good.data()));
}

TEST_F(Toolkit, CertificateKeyAgreesWithAsn1parse) {
  Bytes cert = oracle_->read("card.crt.der");
  Bytes withTail = cert;
  withTail.insert(withTail.end(), 5, 0xAB);
  size_t certLength = withTail.size();
  uint8_t key[700];
  size_t keyLength = sizeof key;
  ASSERT_EQ(0, DecodeCertificateKey(withTail.data(), &certLength, key, &keyLength));
  EXPECT_EQ(cert.size(), certLength);
  EXPECT_EQ(oracle_->read("card.pub.der"), Bytes(key, key + keyLength));

  // asn1parse's view of the outer element: header length plus content length.
  std::FILE* f = popen(("openssl asn1parse -inform DER -in " + oracle_->path("card.crt.der") + " | head -1").c_str(), "r");
  ASSERT_NE(nullptr, f);
  char line[256] = {};
  ASSERT_NE(nullptr, fgets(line, sizeof line, f));
  pclose(f);
  unsigned hl = 0, l = 0;
  ASSERT_EQ(2, sscanf(strstr(line, "hl="), "hl=%u l=%u", &hl, &l)) << line;
  EXPECT_EQ(hl + l, cert.size());
}

TEST_F(Toolkit, BrokenCertificatesAreRefused) {
  Bytes cert = oracle_->read("card.crt.der");
  uint8_t key[700];
  struct Case {
    const char* name;
    Bytes bytes;
  } cases[] = {
      {"empty", Bytes()},
      {"truncated", Bytes(cert.begin(), cert.end() - 1)},
      {"indefinite length", [&] { Bytes b = cert; b[1] = 0x80; return b; }()},
      {"five length bytes", [&] { Bytes b = cert; b[1] = 0x85; return b; }()},
      {"not a sequence", [&] { Bytes b = cert; b[0] = 0x31; return b; }()},
  };
  for (const Case& c : cases) {
    size_t cl = c.bytes.size();
    size_t kl = sizeof key;
    EXPECT_EQ(kPkiDerError, DecodeCertificateKey(c.bytes.data(), &cl, key, &kl)) << c.name;
  }
  // A key longer than the buffer fills the buffer and still fails.
  size_t cl = cert.size();
  uint8_t small[20];
  size_t kl = sizeof small;
  EXPECT_EQ(kPkiDerError, DecodeCertificateKey(cert.data(), &cl, small, &kl));
  EXPECT_EQ(sizeof small, kl);
  EXPECT_EQ(0, memcmp(small, oracle_->read("card.pub.der").data(), sizeof small));
}

TEST_F(Toolkit, CertificateChainsToItsIssuer) {
  Bytes root = oracle_->read("root.crt.der");
  Bytes card = oracle_->read("card.crt.der");
  Bytes other = oracle_->read("other.crt.der");
  EXPECT_EQ(kPkiOk, VerifyCertificateIssuedBy(card.data(), card.size(), root.data(), root.size()));
  EXPECT_EQ(kPkiSignatureMismatch, VerifyCertificateIssuedBy(card.data(), card.size(), other.data(), other.size()));
  EXPECT_EQ(kPkiSignatureMismatch, VerifyCertificateIssuedBy(other.data(), other.size(), root.data(), root.size()));
  Bytes tampered = card;
  tampered[tampered.size() - 3] ^= 0x40;
  EXPECT_EQ(kPkiSignatureMismatch,
            VerifyCertificateIssuedBy(tampered.data(), tampered.size(), root.data(), root.size()));
  EXPECT_EQ(kPkiDerError, VerifyCertificateIssuedBy(card.data(), card.size() - 1, root.data(), root.size()));
  // Signed by the root, but out of its validity dates.
  Bytes expired = oracle_->read("expired.crt.der");
  ASSERT_TRUE(oracle_->run("x509 -inform DER -in expired.crt.der -noout -checkend 0") == false)
      << "openssl calls it expired";
  EXPECT_EQ(kPkiSignatureMismatch,
            VerifyCertificateIssuedBy(expired.data(), expired.size(), root.data(), root.size()));
  // Signed by a key that may not sign certificates.
  Bytes signer = oracle_->read("signer.crt.der");
  Bytes bySigner = oracle_->read("bySigner.crt.der");
  EXPECT_EQ(kPkiSignatureMismatch,
            VerifyCertificateIssuedBy(bySigner.data(), bySigner.size(), signer.data(), signer.size()));
}
