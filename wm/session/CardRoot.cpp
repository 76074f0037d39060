#include "wm/session/CardRoot.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "login/pki/Der.h"
#include "login/record/CardRecord.h"
#include "platform/QXRegistryProfile.h"

namespace {

constexpr size_t kMaxCertificate = 8192;

// The named root, or "" when none is named.
std::string NamedRoot() {
  const char* env = std::getenv("QX_CARD_ROOT_CERT");
  if (env && *env) return env;
  char path[4096];
  if (QXRegistryFileTest(QXAreaSystem, "login/cardroot.der") &&
      QXRegistryFilePath(QXAreaSystem, "login/cardroot.der", path, sizeof path) == 0)
    return path;
  return "";
}

bool ReadCertificate(const std::string& path, std::vector<uint8_t>* der, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot be read";
    return false;
  }
  der->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (der->empty() || der->size() > kMaxCertificate) {
    *error = der->empty() ? "is empty" : "is too large";
    return false;
  }
  // The whole file must be one certificate with an RSA key.
  size_t certLength = der->size();
  uint8_t key[1024];
  size_t keyLength = sizeof key;
  if (DecodeCertificateKey(der->data(), &certLength, key, &keyLength) != 0 || certLength != der->size()) {
    *error = "is not a DER X.509 certificate with an RSA key";
    return false;
  }
  return true;
}

}  // namespace

std::string LoadCardRootCertificate(CardVerifier* verifier, std::string* error) {
  error->clear();
  const std::string path = NamedRoot();
  if (path.empty()) return "built-in";
  std::vector<uint8_t> der;
  if (!ReadCertificate(path, &der, error)) {
    // Fail closed: a site that named its root accepts no card under the
    // built-in one.
    static const uint8_t kNothing[1] = {0};
    CardVerifierSetRootCertificate(verifier, kNothing, sizeof kNothing);
    return path;
  }
  CardVerifierSetRootCertificate(verifier, der.data(), der.size());
  return path;
}
