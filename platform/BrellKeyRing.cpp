#include "platform/BrellKeyRing.h"

#include <climits>
#include <cstring>
#include <string>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>

#include "platform/brell.h"

namespace {

struct PemBlock {
  char* name = nullptr;
  char* header = nullptr;
  unsigned char* data = nullptr;
  long length = 0;
  ~PemBlock() {
    OPENSSL_free(name);
    OPENSSL_free(header);
    OPENSSL_free(data);
  }
};

// The key of an "ENCRYPTED PRIVATE KEY" block, or null when the password
// does not open it (*badFormat set when the block itself is malformed).
EVP_PKEY* DecryptKey(const unsigned char* der, long length, const char* password,
                     bool* badFormat) {
  const unsigned char* p = der;
  X509_SIG* sig = d2i_X509_SIG(nullptr, &p, length);
  if (!sig || p != der + length) {
    X509_SIG_free(sig);
    *badFormat = true;
    return nullptr;
  }
  EVP_PKEY* key = nullptr;
  if (password) {
    const size_t n = std::strlen(password);
    PKCS8_PRIV_KEY_INFO* info =
        n <= INT_MAX ? PKCS8_decrypt(sig, password, static_cast<int>(n)) : nullptr;
    if (info) {
      key = EVP_PKCS82PKEY(info);
      if (!key) *badFormat = true;
      PKCS8_PRIV_KEY_INFO_free(info);
    }
  }
  X509_SIG_free(sig);
  return key;
}

}  // namespace

BrellKeyRing::~BrellKeyRing() { clear(); }

void BrellKeyRing::clear() {
  for (X509* c : trusted_) X509_free(c);
  trusted_.clear();
  X509_free(clientCert_);
  clientCert_ = nullptr;
  EVP_PKEY_free(clientKey_);
  clientKey_ = nullptr;
}

int BrellKeyRing::parse(const char* data, std::size_t length, const char* password) {
  clear();
  if (!data || length == 0 || length > kBrellKeyRingMaxFile) return BRELL_INIT_BAD_FORMAT;
  BIO* bio = BIO_new_mem_buf(data, static_cast<int>(length));
  if (!bio) return BRELL_INIT_NO_MEMORY;

  std::vector<X509*> certs;
  int rc = 0;
  for (;;) {
    PemBlock block;
    if (!PEM_read_bio(bio, &block.name, &block.header, &block.data, &block.length)) {
      // The normal end is "no start line" after the last block; anything
      // else (a block without its end line, bad base64) is a bad file.
      const unsigned long err = ERR_peek_last_error();
      if (certs.empty() && !clientKey_) rc = BRELL_INIT_BAD_FORMAT;
      else if (!(ERR_GET_LIB(err) == ERR_LIB_PEM && ERR_GET_REASON(err) == PEM_R_NO_START_LINE))
        rc = BRELL_INIT_BAD_FORMAT;
      ERR_clear_error();
      break;
    }
    // Legacy per-block encryption headers are not part of the format.
    if (block.header && block.header[0] != '\0') {
      rc = BRELL_INIT_BAD_FORMAT;
      break;
    }
    const std::string name = block.name;
    const unsigned char* p = block.data;
    if (name == "CERTIFICATE") {
      X509* cert = d2i_X509(nullptr, &p, block.length);
      if (!cert || p != block.data + block.length) {
        X509_free(cert);
        rc = BRELL_INIT_BAD_FORMAT;
        break;
      }
      certs.push_back(cert);
    } else if (name == "PRIVATE KEY" || name == "ENCRYPTED PRIVATE KEY") {
      if (clientKey_) {
        rc = BRELL_INIT_BAD_FORMAT;  // one client key at most
        break;
      }
      if (name == "PRIVATE KEY") {
        clientKey_ = d2i_AutoPrivateKey(nullptr, &p, block.length);
        if (!clientKey_ || p != block.data + block.length) {
          rc = BRELL_INIT_BAD_FORMAT;
          break;
        }
      } else {
        bool badFormat = false;
        clientKey_ = DecryptKey(block.data, block.length, password, &badFormat);
        if (!clientKey_) {
          rc = badFormat ? BRELL_INIT_BAD_FORMAT : BRELL_INIT_BAD_PASSWORD;
          break;
        }
      }
    } else {
      rc = BRELL_INIT_BAD_FORMAT;
      break;
    }
  }
  BIO_free(bio);
  ERR_clear_error();

  if (rc == 0 && clientKey_) {
    for (auto it = certs.begin(); it != certs.end(); ++it) {
      if (X509_check_private_key(*it, clientKey_) == 1) {
        clientCert_ = *it;
        certs.erase(it);
        break;
      }
    }
    ERR_clear_error();
    if (!clientCert_) rc = BRELL_INIT_BAD_FORMAT;
  }
  if (rc == 0 && certs.empty()) rc = BRELL_INIT_BAD_FORMAT;
  if (rc == 0 && clientCert_ && X509_cmp_current_time(X509_get0_notAfter(clientCert_)) <= 0)
    rc = BRELL_INIT_CERT_EXPIRED;

  trusted_ = certs;
  if (rc != 0) clear();
  return rc;
}
