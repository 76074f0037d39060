#include "tests/support/TestCertificates.h"

#include <stdexcept>

#include <openssl/bio.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

namespace qwtest {

namespace {

void Check(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string("certificate set-up failed: ") + what);
}

EVP_PKEY* NewKey() {
  EVP_PKEY* key = EVP_EC_gen("P-256");
  Check(key != nullptr, "key");
  return key;
}

std::string BioText(BIO* bio) {
  char* p = nullptr;
  const long n = BIO_get_mem_data(bio, &p);
  std::string s(p, static_cast<size_t>(n));
  BIO_free(bio);
  return s;
}

std::string CertToPem(X509* cert) {
  BIO* bio = BIO_new(BIO_s_mem());
  Check(PEM_write_bio_X509(bio, cert) == 1, "cert pem");
  return BioText(bio);
}

std::string KeyToPem(EVP_PKEY* key) {
  BIO* bio = BIO_new(BIO_s_mem());
  Check(PEM_write_bio_PKCS8PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr) == 1,
        "key pem");
  return BioText(bio);
}

void AddExt(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
  Check(ext != nullptr, "extension");
  X509_add_ext(cert, ext, -1);
  X509_EXTENSION_free(ext);
}

// Makes a certificate for `key` signed by `issuerKey` (issuer null: self-signed).
X509* MakeCert(const CertSpec& spec, EVP_PKEY* key, X509* issuer, EVP_PKEY* issuerKey) {
  X509* cert = X509_new();
  Check(cert != nullptr, "x509");
  X509_set_version(cert, 2);
  unsigned char serial[16];
  RAND_bytes(serial, sizeof serial);
  serial[0] &= 0x7F;
  BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
  BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
  BN_free(bn);
  X509_gmtime_adj(X509_getm_notBefore(cert), spec.validFromSeconds);
  X509_gmtime_adj(X509_getm_notAfter(cert), spec.validToSeconds);
  X509_set_pubkey(cert, key);
  X509_NAME* name = X509_get_subject_name(cert);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(spec.commonName.c_str()), -1,
                             -1, 0);
  X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
  X509* signer = issuer ? issuer : cert;
  AddExt(cert, signer, NID_subject_key_identifier, "hash");
  if (issuer) AddExt(cert, signer, NID_authority_key_identifier, "keyid:always");
  if (spec.isCa) {
    AddExt(cert, signer, NID_basic_constraints, "critical,CA:TRUE");
    AddExt(cert, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
  } else {
    AddExt(cert, signer, NID_basic_constraints, "CA:FALSE");
    AddExt(cert, signer, NID_ext_key_usage, "serverAuth,clientAuth");
  }
  if (!spec.altNames.empty()) {
    std::string sans;
    for (const auto& n : spec.altNames) sans += (sans.empty() ? "" : ",") + n;
    AddExt(cert, signer, NID_subject_alt_name, sans);
  }
  Check(X509_sign(cert, issuerKey ? issuerKey : key, EVP_sha256()) > 0, "sign");
  return cert;
}

}  // namespace

struct TestCa::Keys {
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
};

TestCa::TestCa(const std::string& name) : keys_(new Keys) {
  CertSpec spec;
  spec.commonName = name;
  spec.altNames.clear();
  spec.isCa = true;
  spec.validToSeconds = 10 * 86400;
  keys_->key = NewKey();
  keys_->cert = MakeCert(spec, keys_->key, nullptr, nullptr);
  self_.certPem = CertToPem(keys_->cert);
  self_.keyPem = KeyToPem(keys_->key);
}

TestCa::~TestCa() {
  X509_free(keys_->cert);
  EVP_PKEY_free(keys_->key);
  delete keys_;
}

TestCredential TestCa::Issue(const CertSpec& spec) const {
  EVP_PKEY* key = NewKey();
  X509* cert = MakeCert(spec, key, keys_->cert, keys_->key);
  TestCredential c{CertToPem(cert), KeyToPem(key)};
  X509_free(cert);
  EVP_PKEY_free(key);
  return c;
}

TestCredential SelfSigned(const CertSpec& spec) {
  EVP_PKEY* key = NewKey();
  X509* cert = MakeCert(spec, key, nullptr, nullptr);
  TestCredential c{CertToPem(cert), KeyToPem(key)};
  X509_free(cert);
  EVP_PKEY_free(key);
  return c;
}

std::string EncryptKeyPem(const std::string& keyPem, const std::string& password) {
  BIO* in = BIO_new_mem_buf(keyPem.data(), static_cast<int>(keyPem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(in, nullptr, nullptr, nullptr);
  BIO_free(in);
  Check(key != nullptr, "read key");
  BIO* out = BIO_new(BIO_s_mem());
  Check(PEM_write_bio_PKCS8PrivateKey(out, key, EVP_aes_256_cbc(), password.data(),
                                      static_cast<int>(password.size()), nullptr, nullptr) == 1,
        "encrypt key");
  EVP_PKEY_free(key);
  return BioText(out);
}

}  // namespace qwtest
