#include "OpensslOracle.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace qwtest {

OpensslOracle::OpensslOracle() {
  char tmpl[] = "/tmp/qw-pki-XXXXXX";
  if (!mkdtemp(tmpl)) throw std::runtime_error("mkdtemp");
  dir_ = tmpl;
}

OpensslOracle::~OpensslOracle() {
  std::string cmd = "rm -rf '" + dir_ + "'";
  if (std::system(cmd.c_str()) != 0) {
  }
}

bool OpensslOracle::run(const std::string& args) const {
  std::string cmd = "cd '" + dir_ + "' && openssl " + args + " >/dev/null 2>>openssl.log";
  return std::system(cmd.c_str()) == 0;
}

std::vector<uint8_t> OpensslOracle::read(const std::string& name) const {
  std::ifstream in(path(name), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string OpensslOracle::readText(const std::string& name) const {
  std::vector<uint8_t> b = read(name);
  return std::string(b.begin(), b.end());
}

void OpensslOracle::write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  std::ofstream out(path(name), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

bool OpensslOracle::makeKey(const std::string& n) const {
  return run("genrsa -traditional -out " + n + ".pem 512") &&
         run("rsa -in " + n + ".pem -traditional -outform DER -out " + n + ".der") &&
         run("rsa -in " + n + ".pem -RSAPublicKey_out -outform DER -out " + n + ".pub.der");
}

bool OpensslOracle::makeRoot(const std::string& n, const std::string& extensions) const {
  return run("req -x509 -new -key " + n + ".pem -subj /CN=" + n + " -days 3650 " + extensions +
             " -outform DER -out " + n + ".crt.der");
}

bool OpensslOracle::makeIssued(const std::string& n, const std::string& issuer, int days) const {
  return run("req -new -key " + n + ".pem -subj /CN=" + n + " -out " + n + ".csr") &&
         run("x509 -req -in " + n + ".csr -CA " + issuer + ".crt.der -CAform DER -CAkey " + issuer +
             ".pem -set_serial 7 -days " + std::to_string(days) + " -outform DER -out " + n + ".crt.der");
}

}  // namespace qwtest
