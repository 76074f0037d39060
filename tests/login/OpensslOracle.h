#pragma once
// OpenSSL's command line as the oracle of the toolkit tests: keys and
// certificates made by it in a private directory, files read back as bytes.
#include <cstdint>
#include <string>
#include <vector>

namespace qwtest {

class OpensslOracle {
 public:
  OpensslOracle();
  ~OpensslOracle();
  const std::string& dir() const { return dir_; }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  // Runs "openssl <args>" in the directory; true on exit status 0.
  bool run(const std::string& args) const;
  std::vector<uint8_t> read(const std::string& name) const;
  void write(const std::string& name, const std::vector<uint8_t>& bytes) const;
  std::string readText(const std::string& name) const;
  // A 512-bit RSA key (traditional PEM, DER RSAPrivateKey and DER
  // RSAPublicKey) as <name>.pem, <name>.der, <name>.pub.der.
  bool makeKey(const std::string& name) const;
  // A self-signed certificate <name>.crt.der for key <name>; `extensions`
  // are extra "req" arguments (for example "-addext keyUsage=...").
  bool makeRoot(const std::string& name, const std::string& extensions = "") const;
  // A certificate <name>.crt.der for key <name>, issued by <issuer>, valid
  // from now for `days` (negative: it expired before it began).
  bool makeIssued(const std::string& name, const std::string& issuer, int days = 3650) const;

 private:
  std::string dir_;
};

}  // namespace qwtest
