#include "tests/support/TlsTestServer.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

namespace qwtest {

namespace {

constexpr int kBoundSeconds = 10;

std::string LastSslError() {
  char buf[256];
  const unsigned long e = ERR_get_error();
  if (!e) return "no error queued";
  ERR_error_string_n(e, buf, sizeof buf);
  ERR_clear_error();
  return buf;
}

void BoundSocket(int fd) {
  timeval tv{kBoundSeconds, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

void LoadCredentials(SSL_CTX* ctx, const TlsServerConfig& config) {
  BIO* bio = BIO_new_mem_buf(config.certChainPem.data(), static_cast<int>(config.certChainPem.size()));
  X509* leaf = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  if (!leaf || SSL_CTX_use_certificate(ctx, leaf) != 1) throw std::runtime_error("server certificate");
  X509_free(leaf);
  while (X509* extra = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr))
    SSL_CTX_add_extra_chain_cert(ctx, extra);  // takes ownership
  ERR_clear_error();
  BIO_free(bio);
  bio = BIO_new_mem_buf(config.keyPem.data(), static_cast<int>(config.keyPem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  if (!key || SSL_CTX_use_PrivateKey(ctx, key) != 1) throw std::runtime_error("server key");
  EVP_PKEY_free(key);
  if (!config.clientCaPem.empty()) {
    bio = BIO_new_mem_buf(config.clientCaPem.data(), static_cast<int>(config.clientCaPem.size()));
    X509* ca = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
    BIO_free(bio);
    if (!ca) throw std::runtime_error("client CA");
    X509_STORE_add_cert(SSL_CTX_get_cert_store(ctx), ca);
    X509_free(ca);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT, nullptr);
  }
  if (config.maxProtocol) SSL_CTX_set_max_proto_version(ctx, config.maxProtocol);
}

}  // namespace

long TlsPeer::ReadSome(void* buffer, size_t size) {
  const int n = SSL_read(ssl_, buffer, static_cast<int>(size));
  if (n > 0) return n;
  const int e = SSL_get_error(ssl_, n);
  ERR_clear_error();
  return e == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

bool TlsPeer::ReadExact(size_t n, std::string* out) {
  out->clear();
  char buf[4096];
  while (out->size() < n) {
    const size_t want = std::min(sizeof buf, n - out->size());
    const long got = ReadSome(buf, want);
    if (got <= 0) return false;
    out->append(buf, static_cast<size_t>(got));
  }
  return true;
}

bool TlsPeer::WriteAll(const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    const int n = SSL_write(ssl_, data.data() + done, static_cast<int>(data.size() - done));
    if (n <= 0) {
      ERR_clear_error();
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string TlsPeer::EncryptRecord(const std::string& data) {
  BIO* sock = SSL_get_wbio(ssl_);
  BIO_up_ref(sock);
  BIO* mem = BIO_new(BIO_s_mem());
  SSL_set0_wbio(ssl_, mem);
  const bool ok = SSL_write(ssl_, data.data(), static_cast<int>(data.size())) ==
                  static_cast<int>(data.size());
  std::string out;
  if (ok) {
    char* p = nullptr;
    const long n = BIO_get_mem_data(mem, &p);
    out.assign(p, static_cast<size_t>(n));
  }
  SSL_set0_wbio(ssl_, sock);  // frees the memory BIO
  ERR_clear_error();
  return out;
}

bool TlsPeer::SendRaw(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

void TlsPeer::Shutdown() {
  SSL_shutdown(ssl_);
  ERR_clear_error();
}

bool TlsPeer::ExpectCloseNotify(std::string* rest) {
  char buf[4096];
  for (;;) {
    const long n = ReadSome(buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) return false;
    if (rest) rest->append(buf, static_cast<size_t>(n));
  }
}

TlsTestServer::TlsTestServer(const TlsServerConfig& config, TlsHandler handler) {
  ctx_ = SSL_CTX_new(TLS_server_method());
  if (!ctx_) throw std::runtime_error("SSL_CTX_new");
  LoadCredentials(ctx_, config);
  Listen();
  thread_ = std::thread([this, handler] { RunTls(handler); });
}

TlsTestServer::TlsTestServer(RawHandler handler) {
  Listen();
  thread_ = std::thread([this, handler] { RunRaw(handler); });
}

TlsTestServer::~TlsTestServer() {
  Join();
  if (listenFd_ >= 0) close(listenFd_);
  SSL_CTX_free(ctx_);
}

void TlsTestServer::Join() {
  if (thread_.joinable()) thread_.join();
}

void TlsTestServer::Listen() {
  // The TLS library writes to the server's socket with write(): a client
  // that has gone must not end the test program.
  signal(SIGPIPE, SIG_IGN);
  listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) throw std::runtime_error("socket");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      listen(listenFd_, 1) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
    throw std::runtime_error("listen");
  port_ = ntohs(addr.sin_port);
}

int TlsTestServer::Connect() const {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port_));
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

int TlsTestServer::AcceptOne() {
  pollfd p{listenFd_, POLLIN, 0};
  if (poll(&p, 1, kBoundSeconds * 1000) != 1) return -1;
  const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return -1;
  BoundSocket(fd);
  accepted_ = true;
  return fd;
}

void TlsTestServer::RunTls(TlsHandler handler) {
  const int fd = AcceptOne();
  if (fd < 0) return;
  SSL* ssl = SSL_new(ctx_);
  SSL_set_fd(ssl, fd);
  if (SSL_accept(ssl) == 1) {
    handshakeOk_ = true;
    TlsPeer peer(ssl, fd);
    handler(peer);
  } else {
    handshakeError_ = LastSslError();
  }
  ERR_clear_error();
  SSL_free(ssl);
  close(fd);
  // The thread's own error queue goes with it.
  OPENSSL_thread_stop();
}

void TlsTestServer::RunRaw(RawHandler handler) {
  const int fd = AcceptOne();
  if (fd < 0) return;
  handler(fd);
  close(fd);
}

}  // namespace qwtest
