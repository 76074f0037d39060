#pragma once
// Certificates made on the spot for the secure-socket tests: a small CA that
// issues server and client certificates, self-signed certificates, and
// encrypted PKCS#8 keys. Everything is PEM text; keys are EC P-256.
#include <string>
#include <vector>

namespace qwtest {

struct TestCredential {
  std::string certPem;
  std::string keyPem;  // unencrypted PKCS#8
};

struct CertSpec {
  std::string commonName = "test";
  // Subject alternative names in the usual notation: "IP:127.0.0.1",
  // "DNS:localhost".
  std::vector<std::string> altNames = {"IP:127.0.0.1", "DNS:localhost"};
  long validFromSeconds = -3600;  // relative to now
  long validToSeconds = 86400;
  bool isCa = false;
};

class TestCa {
 public:
  explicit TestCa(const std::string& name = "QW Test CA");
  ~TestCa();
  TestCa(const TestCa&) = delete;
  TestCa& operator=(const TestCa&) = delete;

  const std::string& CertPem() const { return self_.certPem; }
  TestCredential Issue(const CertSpec& spec) const;

 private:
  struct Keys;
  Keys* keys_;
  TestCredential self_;
};

TestCredential SelfSigned(const CertSpec& spec);

// The key re-encrypted with `password` (PBES2, AES-256-CBC).
std::string EncryptKeyPem(const std::string& keyPem, const std::string& password);

}  // namespace qwtest
