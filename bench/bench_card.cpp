// The smart-card stack's costs: RSA-512 signing and verification through
// the toolkit (beside "openssl speed rsa512", which runs first when the
// openssl program is there), and reading and verifying a full credential
// record from a simulated reader at 9,600 baud, where the line dominates:
// the "line_ms" counter is the time the bytes alone take on the line.
#include <benchmark/benchmark.h>

#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "login/card/CardInterpreter.h"
#include "login/card/LitronicReader.h"
#include "login/card/SmartCard.h"
#include "login/cardsim/CardReaderSimulator.h"
#include "login/pki/CryptoContext.h"
#include "login/record/CardRecord.h"
#include "login/record/Tlv.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct Keys {
  Bytes privateKey, publicKey, certificate;
};

// A 512-bit key and a self-signed certificate for it.
const Keys& TestKeys() {
  static Keys keys = [] {
    Keys k;
    EVP_PKEY* pkey = EVP_RSA_gen(512);
    unsigned char* out = nullptr;
    int n = i2d_PrivateKey(pkey, &out);
    k.privateKey.assign(out, out + n);
    OPENSSL_free(out);
    out = nullptr;
    n = i2d_PublicKey(pkey, &out);
    k.publicKey.assign(out, out + n);
    OPENSSL_free(out);
    X509* x = X509_new();
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), 1);
    X509_gmtime_adj(X509_getm_notBefore(x), 0);
    X509_gmtime_adj(X509_getm_notAfter(x), 3600);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("bench root"), -1, -1, 0);
    X509_set_issuer_name(x, name);
    X509_set_pubkey(x, pkey);
    X509_sign(x, pkey, EVP_sha256());
    out = nullptr;
    n = i2d_X509(x, &out);
    k.certificate.assign(out, out + n);
    OPENSSL_free(out);
    X509_free(x);
    EVP_PKEY_free(pkey);
    return k;
  }();
  return keys;
}

void BM_Rsa512Sign(benchmark::State& state) {
  const Keys& k = TestKeys();
  CryptoContext* c = nullptr;
  CryptoContextCreate(&c);
  CryptoContextSetKey(c, k.privateKey.size(), k.privateKey.data());
  uint8_t digest[16] = {1, 2, 3};
  uint8_t sig[64];
  for (auto _ : state) {
    size_t n = sizeof sig;
    if (RsaSignDigest(c, 16, kDigestMd5, digest, &n, sig) != 0) state.SkipWithError("sign failed");
    benchmark::DoNotOptimize(sig);
  }
  state.SetItemsProcessed(state.iterations());
  CryptoContextFree(c);
}
BENCHMARK(BM_Rsa512Sign);

void BM_Rsa512Verify(benchmark::State& state) {
  const Keys& k = TestKeys();
  CryptoContext* c = nullptr;
  CryptoContextCreate(&c);
  CryptoContextSetKey(c, k.privateKey.size(), k.privateKey.data());
  uint8_t digest[16] = {1, 2, 3};
  uint8_t sig[64];
  size_t n = sizeof sig;
  RsaSignDigest(c, 16, kDigestMd5, digest, &n, sig);
  for (auto _ : state) {
    if (VerifySignature(c, 16, kDigestMd5, digest, k.publicKey.size(), k.publicKey.data(), n, sig) != 0)
      state.SkipWithError("verify failed");
  }
  state.SetItemsProcessed(state.iterations());
  CryptoContextFree(c);
}
BENCHMARK(BM_Rsa512Verify);

CardReaderSimulator* gSim = nullptr;
CardReader* BenchReader() { return gSim->newReader(); }

// A record that fills most of the card's 1,760 data bytes.
Bytes FullRecord(CardVerifier* v) {
  Bytes attrs;
  uint8_t buf[2000];
  uint8_t* c = buf;
  size_t room = sizeof buf;
  const char* strings[][2] = {{"26", "alice"}, {"27", "password"}, {"19", "server.example"}, {"21", "domain"}};
  for (auto& s : strings) {
    TlvPutLong(&c, &room, static_cast<uint32_t>(std::stoul(s[0])));
    TlvPutString(&c, &room, s[1]);
  }
  std::string filler(1760 - 64 - TestKeys().certificate.size() - 120, 'f');
  TlvPutLong(&c, &room, 64);
  TlvPutString(&c, &room, filler.c_str());
  attrs.assign(buf, c);
  Bytes out(1760);
  size_t n = CardSignMessage(v, attrs.data(), attrs.size(), out.data(), out.size());
  out.resize(n);
  return out;
}

void BM_ReadCredentialRecordAt9600(benchmark::State& state) {
  const Keys& k = TestKeys();
  CardVerifier* v = CardVerifierCreate();
  CardVerifierSetRootCertificate(v, k.certificate.data(), k.certificate.size());
  Bytes bundle;
  {
    uint8_t buf[2000];
    uint8_t* c = buf;
    size_t room = sizeof buf;
    TlvPutLong(&c, &room, 1);
    TlvPutLongValue(&c, &room, 5);
    TlvPutLong(&c, &room, 3);
    TlvPutBytes(&c, &room, k.certificate.data(), k.certificate.size());
    TlvPutLong(&c, &room, 0x10002);
    TlvPutBytes(&c, &room, k.privateKey.data(), k.privateKey.size());
    bundle.assign(buf, c);
  }
  CardVerifierLoadKeys(v, bundle.data(), bundle.size());
  Bytes record = FullRecord(v);
  uint8_t header[96];
  std::memset(header, 0xFF, sizeof header);
  CardBuildHeader(v, 0, record.size(), header, sizeof header);

  CardReaderSimulator::Options o;
  o.baud = 9600;
  CardReaderSimulator sim(CardReaderSimulator::Schlumberger, o);
  sim.setFile(0x20, Bytes(header, header + sizeof header));
  for (size_t f = 0; f < 4; ++f) {
    Bytes file(440, 0xFF);
    for (size_t i = 0; i < 440 && f * 440 + i < record.size(); ++i) file[i] = record[f * 440 + i];
    sim.setFile(static_cast<uint16_t>(0x21 + f), file);
  }
  gSim = &sim;
  SmartCardSetReaderFactory(BenchReader);
  SmartCardHandle card = nullptr;
  if (SmartCardOpen(&card) != kSmartCardDone || !card) {
    state.SkipWithError("no card");
    return;
  }
  long lineBytes = 0;
  for (auto _ : state) {
    long before = sim.bytesSent();
    uint8_t h[96], data[1760], sw1, sw2;
    int32_t result = 0, pos = 0;
    uint16_t len = 0;
    SmartCardReadHeader(card, h, 0, sizeof h, &sw1, &sw2, &result);
    if (!CardParseHeader(v, h, sizeof h, &pos, &len)) state.SkipWithError("bad header");
    SmartCardReadData(card, data, pos, len, &sw1, &sw2, &result);
    CardRecord* r = CardRecordDecode(v, data, len);
    if (!r) state.SkipWithError("record refused");
    CardRecordFree(r);
    lineBytes = sim.bytesSent() - before;
  }
  state.counters["record_bytes"] = static_cast<double>(record.size());
  state.counters["line_bytes"] = static_cast<double>(lineBytes);
  state.counters["line_ms"] = lineBytes * 11.0 * 1000.0 / 9600.0;
  card->detachReader();
  delete card;
  SmartCardDropReader();
  SmartCardSetReaderFactory(nullptr);
  CardVerifierDestroy(v);
}
BENCHMARK(BM_ReadCredentialRecordAt9600)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  std::printf("openssl speed -seconds 1 rsa512 (for comparison):\n");
  if (std::FILE* f = popen("openssl speed -seconds 1 rsa512 2>/dev/null | tail -2", "r")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) std::fputs(line, stdout);
    pclose(f);
  }
  std::fflush(stdout);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
