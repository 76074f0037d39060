// Which root certificate card records must chain to: the site's file named
// in QX_CARD_ROOT_CERT or kept in the system registry, else the built-in
// one. A record signed under the test root verifies only where that root
// is in force; a named root that is not a certificate lets nothing verify.
#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <string>
#include <vector>

#include "login/record/CardRecord.h"
#include "login/record/Tlv.h"
#include "tests/login/OpensslOracle.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/TlvRecords.h"
#include "wm/session/CardRoot.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes* b, uint32_t tag, const Bytes& value) { qwtest::PutTlv(b, tag, value); }

TEST(CardRootTest, TheSitesRootComesFromItsFileOrTheSystemRegistry) {
  qwtest::OpensslOracle o;
  ASSERT_TRUE(o.makeKey("root") && o.makeRoot("root"));
  ASSERT_TRUE(o.makeKey("card") && o.makeIssued("card", "root"));
  // A record signed with the card's key, its certificate enclosed.
  CardVerifier* signer = CardVerifierCreate();
  Bytes bundle;
  Put(&bundle, kCardTagKeyId, {0, 0, 0, 7});
  Put(&bundle, kCardTagCertificate, o.read("card.crt.der"));
  Put(&bundle, kCardTagPrivateKey, o.read("card.der"));
  ASSERT_EQ(1, CardVerifierLoadKeys(signer, bundle.data(), bundle.size()));
  Bytes attributes;
  Put(&attributes, 26, {'a', 'n', 'n'});
  Bytes record(4000);
  record.resize(CardSignMessage(signer, attributes.data(), attributes.size(), record.data(), record.size()));
  CardVerifierDestroy(signer);
  ASSERT_FALSE(record.empty());

  const Bytes rootDer = o.read("root.crt.der");
  const std::string root(rootDer.begin(), rootDer.end());
  qwtest::TempDir system, home;
  home.WriteFile("registry/login/cardroot.der", root);
  home.WriteFile("garbage.der", "not a certificate");
  const struct {
    const char* what;
    std::string env;          // QX_CARD_ROOT_CERT, "" unset
    bool inSystemRegistry;    // the root certificate as login/cardroot.der of the system area
    bool verifies;
    bool error;
  } cases[] = {
      {"nothing named: the built-in root", "", false, false, false},
      {"the file named in the environment", o.path("root.crt.der"), false, true, false},
      {"the system registry's file", "", true, true, false},
      {"the environment before the registry", o.path("card.crt.der"), true, false, false},
      {"a file that is no certificate", home.Path() + "/garbage.der", false, false, true},
      {"a file that is not there", home.Path() + "/missing.der", true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    system.WriteFile("login/cardroot.der", "");
    std::remove((system.Path() + "/login/cardroot.der").c_str());
    if (c.inSystemRegistry)
      system.WriteFile("login/cardroot.der", root);
    // The user's own registry holds the root too: it never counts.
    qwtest::ScopedEnv homeEnv("HOME", home.Path().c_str());
    qwtest::ScopedEnv registry("QX_REGISTRY_DIR", system.Path().c_str());
    qwtest::ScopedEnv named("QX_CARD_ROOT_CERT", c.env.empty() ? nullptr : c.env.c_str());
    CardVerifier* v = CardVerifierCreate();
    std::string error;
    const std::string used = LoadCardRootCertificate(v, &error);
    EXPECT_EQ(!error.empty(), c.error) << error;
    CardRecord* decoded = CardRecordDecode(v, record.data(), record.size());
    EXPECT_EQ(decoded != nullptr, c.verifies) << used;
    CardRecordFree(decoded);
    CardVerifierDestroy(v);
  }
}

}  // namespace
