#pragma once
// The key ring of the secure-socket layer: trusted CA certificates and an
// optional client certificate with its key, read from PEM text (format in
// platform/brell.h).

#include <cstddef>
#include <vector>

#include <openssl/evp.h>
#include <openssl/x509.h>

// Largest key-ring file the reader accepts.
constexpr std::size_t kBrellKeyRingMaxFile = 1024 * 1024;

class BrellKeyRing {
 public:
  BrellKeyRing() = default;
  ~BrellKeyRing();
  BrellKeyRing(const BrellKeyRing&) = delete;
  BrellKeyRing& operator=(const BrellKeyRing&) = delete;

  // Parses the text of a key-ring file; `password` opens an encrypted key
  // and may be null. Returns 0 or a brell_initialize code (3 bad format,
  // 4 bad password, 5 no memory, 105 client certificate expired). A failed
  // parse leaves the key ring empty.
  int parse(const char* data, std::size_t length, const char* password);

  const std::vector<X509*>& trusted() const { return trusted_; }
  X509* clientCertificate() const { return clientCert_; }
  EVP_PKEY* clientKey() const { return clientKey_; }

 private:
  void clear();

  std::vector<X509*> trusted_;
  X509* clientCert_ = nullptr;
  EVP_PKEY* clientKey_ = nullptr;
};
