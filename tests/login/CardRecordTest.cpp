// The card credential record: signing, verification against the root,
// attribute rules, the card header, and a record through a simulated card.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OpensslOracle.h"
#include "tests/support/TlvRecords.h"
#include "login/card/CardInterpreter.h"
#include "login/card/LitronicReader.h"
#include "login/card/SmartCard.h"
#include "login/cardsim/CardReaderSimulator.h"
#include "login/pki/CryptoContext.h"
#include "login/record/CardRecord.h"
#include "login/record/Tlv.h"

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes* b, uint32_t tag, const Bytes& value) { qwtest::PutTlv(b, tag, value); }
Bytes Str(const char* s) { return qwtest::TlvText(s); }
Bytes Long(uint32_t v) { return qwtest::TlvLong(v); }

struct VerifierFree {
  void operator()(CardVerifier* v) const { CardVerifierDestroy(v); }
};
struct RecordFree {
  void operator()(CardRecord* r) const { CardRecordFree(r); }
};
using Verifier = std::unique_ptr<CardVerifier, VerifierFree>;
using Record = std::unique_ptr<CardRecord, RecordFree>;

class CredentialRecord : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    o_ = new qwtest::OpensslOracle();
    ASSERT_TRUE(o_->makeKey("root") && o_->makeRoot("root"));
    ASSERT_TRUE(o_->makeKey("card") && o_->makeIssued("card", "root"));
    // A forger's root with the same name, and a card key it vouches for.
    ASSERT_TRUE(o_->makeKey("forger") && o_->run("req -x509 -new -key forger.pem -subj /CN=root -days 30 -outform DER -out forger.crt.der"));
    ASSERT_TRUE(o_->makeKey("fake") && o_->makeIssued("fake", "forger"));
    // A card key that vouches for itself.
    ASSERT_TRUE(o_->makeKey("self") && o_->makeRoot("self"));
  }
  static void TearDownTestSuite() {
    delete o_;
    o_ = nullptr;
  }
  Verifier verifier(const std::string& signer = "", uint32_t keyId = 7) {
    Verifier v(CardVerifierCreate());
    Bytes root = o_->read("root.crt.der");
    CardVerifierSetRootCertificate(v.get(), root.data(), root.size());
    if (!signer.empty()) {
      Bytes bundle;
      Put(&bundle, kCardTagKeyId, Long(keyId));
      Put(&bundle, kCardTagCertificate, o_->read(signer + ".crt.der"));
      Put(&bundle, kCardTagPrivateKey, o_->read(signer + ".der"));
      EXPECT_EQ(1, CardVerifierLoadKeys(v.get(), bundle.data(), bundle.size()));
    }
    return v;
  }
  static Bytes Attributes() {
    Bytes a;
    Put(&a, 26, Str("alice"));
    Put(&a, 27, Str("secret"));
    Put(&a, 19, Str("host.example"));
    Put(&a, 21, Str("domain"));
    Put(&a, 49, Str("v49"));
    Put(&a, 50, Str("v50"));
    Put(&a, 64, Str("v64"));
    Put(&a, 2, Str("v2"));
    Put(&a, 36, Long(360));
    Put(&a, 37, Long(370));
    Put(&a, 17, Str("NFS"));
    Put(&a, 0x10001, Long(1));
    return a;
  }
  Bytes sign(const std::string& signer, const Bytes& data) {
    Verifier v = verifier(signer);
    Bytes out(4000);
    size_t n = CardSignMessage(v.get(), data.data(), data.size(), out.data(), out.size());
    EXPECT_NE(0u, n);
    out.resize(n);
    return out;
  }
  // A record over exactly these signed bytes, with or without a certificate.
  Bytes signRaw(const std::string& key, const Bytes& block, bool withCert) {
    CryptoContext* c = nullptr;
    CryptoContextCreate(&c);
    Bytes der = o_->read(key + ".der");
    CryptoContextSetKey(c, der.size(), der.data());
    uint8_t digest[16];
    size_t dl = 16;
    DigestInit(c);
    DigestFinish(c, block.size(), block.data(), &dl, digest);
    Bytes sig(64);
    size_t sl = sig.size();
    EXPECT_EQ(0, RsaSignDigest(c, dl, kDigestMd5, digest, &sl, sig.data()));
    CryptoContextFree(c);
    Bytes rec;
    Put(&rec, kCardTagSigned, block);
    Put(&rec, kCardTagSignature, sig);
    if (withCert) Put(&rec, kCardTagCertificate, o_->read(key + ".crt.der"));
    return rec;
  }
  Record decode(const Bytes& rec) {
    Verifier v = verifier();
    return Record(CardRecordDecode(v.get(), rec.data(), rec.size()));
  }
  static qwtest::OpensslOracle* o_;
};
qwtest::OpensslOracle* CredentialRecord::o_ = nullptr;

}  // namespace

TEST_F(CredentialRecord, SignedRecordReadsBack) {
  Record r = decode(sign("card", Attributes()));
  ASSERT_NE(nullptr, r);
  struct Case {
    int id;
    const char* value;
  } cases[] = {{100, "alice"}, {101, "secret"}, {102, "host.example"}, {103, "domain"}, {104, "v49"},
               {105, "v50"},   {106, "v64"},    {109, "v2"},           {107, nullptr},  {108, nullptr}};
  for (const Case& c : cases) {
    if (c.value)
      EXPECT_STREQ(c.value, CardRecordGetValue(r.get(), c.id)) << c.id;
    else
      EXPECT_EQ(nullptr, CardRecordGetValue(r.get(), c.id)) << c.id;
  }
  EXPECT_EQ(7u, CardRecordGetInfo(r.get(), 1));
  EXPECT_EQ(1u, CardRecordGetInfo(r.get(), 0));
  EXPECT_EQ(360u, CardRecordGetInfo(r.get(), 107));
  EXPECT_EQ(370u, CardRecordGetInfo(r.get(), 108));
}

TEST_F(CredentialRecord, EncodedAttributesDecodeToTheSameRecord) {
  Record first = decode(sign("card", Attributes()));
  ASSERT_NE(nullptr, first);
  uint8_t buf[1000];
  size_t n = CardRecordEncode(buf, sizeof buf, first.get());
  ASSERT_NE(0u, n);
  EXPECT_EQ(0u, CardRecordEncode(buf, n - 1, first.get()));
  Record second = decode(sign("card", Bytes(buf, buf + n)));
  ASSERT_NE(nullptr, second);
  for (int id : {100, 101, 102, 103, 104, 105, 106})
    EXPECT_STREQ(CardRecordGetValue(first.get(), id), CardRecordGetValue(second.get(), id));
  EXPECT_EQ(10u, CardRecordGetInfo(second.get(), 1));  // the encoder's own key identifier element
  EXPECT_EQ(1u, CardRecordGetInfo(second.get(), 0));
  EXPECT_EQ(360u, CardRecordGetInfo(second.get(), 107));
}

TEST_F(CredentialRecord, OnlyTheRootVouchesForAKey) {
  Bytes attrs = Attributes();
  Bytes block;
  Put(&block, kCardTagKeyId, Long(3));
  block.insert(block.end(), attrs.begin(), attrs.end());
  struct Case {
    const char* name;
    Bytes record;
    bool accepted;
  } cases[] = {
      {"card key, certificate from the root", signRaw("card", block, true), true},
      {"root key, no certificate", signRaw("root", block, false), true},
      {"root key, root certificate", signRaw("root", block, true), true},
      {"card key, no certificate", signRaw("card", block, false), false},
      {"self-signed card certificate", signRaw("self", block, true), false},
      {"certificate from a forged root of the same name", signRaw("fake", block, true), false},
  };
  for (const Case& c : cases) EXPECT_EQ(c.accepted, decode(c.record) != nullptr) << c.name;
}

TEST_F(CredentialRecord, AnyTamperedByteIsRefused) {
  Bytes rec = sign("card", Attributes());
  ASSERT_NE(nullptr, decode(rec));
  Verifier v = verifier();
  for (size_t i = 0; i < rec.size(); ++i) {
    Bytes t = rec;
    t[i] ^= 0x01;
    Record r(CardRecordDecode(v.get(), t.data(), t.size()));
    EXPECT_EQ(nullptr, r) << "byte " << i;
  }
  for (size_t cut = 0; cut < rec.size(); cut += 7) {
    Record r(CardRecordDecode(v.get(), rec.data(), cut));
    EXPECT_EQ(nullptr, r) << "cut at " << cut;
  }
  Bytes longer = rec;
  Put(&longer, 9, Str("x"));
  EXPECT_EQ(nullptr, decode(longer));
}

TEST_F(CredentialRecord, AttributeRules) {
  auto with = [](std::initializer_list<std::pair<uint32_t, Bytes>> elems) {
    Bytes b;
    for (const auto& e : elems) Put(&b, e.first, e.second);
    return b;
  };
  Bytes nested;
  Put(&nested, 26, Str("bob"));
  struct Case {
    const char* name;
    Bytes block;
    bool accepted;
  } cases[] = {
      {"key identifier only", with({{1, Long(4)}}), true},
      {"flag only", with({{0x10001, Long(0)}}), true},
      {"neither", with({{26, Str("bob")}}), false},
      {"nfs in capitals", with({{1, Long(4)}, {17, Str("NfS")}}), true},
      {"other file system", with({{1, Long(4)}, {17, Str("smb")}}), false},
      {"end after attributes", with({{1, Long(4)}, {kCardTagEnd, Bytes()}, {26, Str("ignored")}}), true},
      {"end first", with({{17, Str("nfs")}, {kCardTagEnd, Bytes()}, {1, Long(4)}}), false},
      {"nested container", with({{1, Long(4)}, {258, nested}}), true},
      {"NUL inside a string", with({{1, Long(4)}, {26, Bytes{'a', 0, 'b'}}}), false},
      {"unknown tags skipped", with({{1, Long(4)}, {999, Str("?")}}), true},
  };
  for (const Case& c : cases) {
    Record r = decode(signRaw("root", c.block, false));
    EXPECT_EQ(c.accepted, r != nullptr) << c.name;
  }
  Record r = decode(signRaw("root", with({{1, Long(4)}, {258, nested}, {kCardTagEnd, Bytes()}, {27, Str("x")}}), false));
  ASSERT_NE(nullptr, r);
  EXPECT_STREQ("bob", CardRecordGetValue(r.get(), 100));
  EXPECT_EQ(nullptr, CardRecordGetValue(r.get(), 101));
}

TEST_F(CredentialRecord, SigningNeedsABundleAndAKeyIdentifierOfTwo) {
  Bytes data = Attributes();
  Bytes out(4000);
  Verifier none = verifier();
  EXPECT_EQ(0u, CardSignMessage(none.get(), data.data(), data.size(), out.data(), out.size()));
  Verifier one = verifier("card", 1);
  EXPECT_EQ(0u, CardSignMessage(one.get(), data.data(), data.size(), out.data(), out.size()));
  Verifier two = verifier("card", 2);
  size_t n = CardSignMessage(two.get(), data.data(), data.size(), out.data(), out.size());
  EXPECT_NE(0u, n);
  EXPECT_EQ(0u, CardSignMessage(two.get(), data.data(), data.size(), out.data(), n - 1));
  Bytes tooBig(3000);
  EXPECT_EQ(0u, CardSignMessage(two.get(), tooBig.data(), tooBig.size(), out.data(), out.size()));
  Bytes noKey;
  Put(&noKey, kCardTagCertificate, o_->read("card.crt.der"));
  EXPECT_EQ(0, CardVerifierLoadKeys(none.get(), noKey.data(), noKey.size()));
}

TEST_F(CredentialRecord, HeaderBuildAndParse) {
  Verifier v = verifier("card", 9);
  uint8_t h[96];
  memset(h, 0xFF, sizeof h);
  ASSERT_EQ(kCardHeaderLength, CardBuildHeader(v.get(), 0, 600, h, sizeof h));
  int32_t pos = -1;
  uint16_t len = 0;
  EXPECT_EQ(1, CardParseHeader(v.get(), h, sizeof h, &pos, &len));
  EXPECT_EQ(0x210000, pos);
  EXPECT_EQ(600, len);
  Verifier bare = verifier();
  EXPECT_EQ(0u, CardBuildHeader(bare.get(), 0, 600, h, sizeof h));

  auto header = [&](int32_t p, size_t n) {
    Bytes b(96, 0xFF);
    CardBuildHeader(v.get(), p, n, b.data(), b.size());
    return b;
  };
  Bytes noLocation = {0x80, 0, 0, 2, 0x80, 0x04, 0x00, 0x02, 0, 6, 0, 0, 0, 9, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0};
  struct Case {
    const char* name;
    Bytes bytes;
    int valid;
    int32_t pos;
    uint16_t len;
  } cases[] = {
      {"erased card", Bytes(96, 0xFF), 0, -1, 0},
      {"first byte 01", Bytes{0x01, 0, 0, 2}, 0, -1, 0},
      {"short", Bytes{0x80, 0}, 0, -1, 0},
      {"container without location", noLocation, 1, -1, 0},
      {"second file", header(0x220010, 100), 1, 0x220010, 100},
      {"whole data area", header(0x210000, 1760), 1, 0x210000, 1760},
      {"past the data area", header(0x240000, 441), 0, -1, 0},
      {"length of 65535", header(0x210000, 65535), 0, -1, 0},
      {"file outside the data files", header(0x250000, 10), 0, -1, 0},
      {"offset past its file", header(0x210200, 10), 0, -1, 0},
  };
  for (const Case& c : cases) {
    int32_t p = -1;
    uint16_t n = 0;
    EXPECT_EQ(c.valid, CardParseHeader(nullptr, c.bytes.data(), c.bytes.size(), &p, &n)) << c.name;
    EXPECT_EQ(c.pos, p) << c.name;
    EXPECT_EQ(c.len, n) << c.name;
  }
}

TEST_F(CredentialRecord, KeyContainerAndIndexPrefix) {
  Bytes c;
  Put(&c, 0x00080001, Bytes{0, 0});
  Put(&c, 0x80080002, Str("one"));
  Put(&c, 0x80080003, Str("second"));
  Put(&c, 0x00080004, Str("3"));
  uint8_t a[8], b[4], d[8];
  size_t al = sizeof a, bl = sizeof b, dl = sizeof d;
  EXPECT_EQ(1, CardParseKeyContainer(c.data(), c.size(), a, &al, b, &bl, d, &dl));
  EXPECT_EQ(3u, al);
  EXPECT_EQ(4u, bl);  // cut to the capacity
  EXPECT_EQ(1u, dl);
  Bytes bad;
  Put(&bad, 0x00080001, Bytes{0, 1});
  al = bl = dl = 4;
  EXPECT_EQ(0, CardParseKeyContainer(bad.data(), bad.size(), a, &al, b, &bl, d, &dl));

  struct Case {
    const char* in;
    int value;
    const char* rest;
  } cases[] = {{"[12]=user", 12, "user"}, {"[3]x", 3, "x"}, {"plain", 0, "plain"}, {"[7", 0, "[7"}, {"[]=", 0, ""}};
  for (const Case& k : cases) {
    const char* cur = k.in;
    EXPECT_EQ(k.value, ParseIndexPrefix(&cur)) << k.in;
    EXPECT_STREQ(k.rest, cur) << k.in;
  }
}

namespace {
CardReaderSimulator* gRecordSim = nullptr;
CardReader* RecordSimReader() {
  auto* r = static_cast<LitronicReader*>(gRecordSim->newReader());
  r->setResetPulse(1ms);
  return r;
}
}  // namespace

TEST_F(CredentialRecord, WrittenToACardAndReadBack) {
  for (auto dialect : {CardReaderSimulator::Schlumberger, CardReaderSimulator::GemPlus}) {
    CardReaderSimulator sim(dialect);
    gRecordSim = &sim;
    SmartCardSetReaderFactory(RecordSimReader);
    SmartCardHandle card = nullptr;
    ASSERT_EQ(kSmartCardDone, SmartCardOpen(&card));
    ASSERT_NE(nullptr, card);
    Verifier v = verifier("card");
    Bytes rec = sign("card", Attributes());
    uint8_t header[96];
    memset(header, 0xFF, sizeof header);
    ASSERT_EQ(kCardHeaderLength, CardBuildHeader(v.get(), 0, rec.size(), header, sizeof header));
    uint8_t sw1, sw2;
    int32_t result = -1;
    EXPECT_EQ(kSmartCardDone, SmartCardWriteHeader(card, header, 0, sizeof header, &sw1, &sw2, &result));
    EXPECT_EQ(0, result);
    EXPECT_EQ(kSmartCardDone, SmartCardWriteData(card, rec.data(), 0, rec.size(), &sw1, &sw2, &result));
    EXPECT_EQ(0, result);

    uint8_t readHeader[96];
    EXPECT_EQ(kSmartCardDone, SmartCardReadHeader(card, readHeader, 0, sizeof readHeader, &sw1, &sw2, &result));
    int32_t pos = 0;
    uint16_t len = 0;
    ASSERT_EQ(1, CardParseHeader(v.get(), readHeader, sizeof readHeader, &pos, &len));
    uint8_t data[kCardDataBytes];
    ASSERT_LE(len, sizeof data);
    EXPECT_EQ(kSmartCardDone, SmartCardReadData(card, data, pos, len, &sw1, &sw2, &result));
    EXPECT_EQ(0, result);
    Verifier reader = verifier();
    Record r(CardRecordDecode(reader.get(), data, len));
    ASSERT_NE(nullptr, r);
    EXPECT_STREQ("alice", CardRecordGetValue(r.get(), 100));

    card->detachReader();
    delete card;
    SmartCardDropReader();
    SmartCardSetReaderFactory(nullptr);
    gRecordSim = nullptr;
  }
}
