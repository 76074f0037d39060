#include "tests/support/TlsHostTransport.h"

#include <cerrno>
#include <memory>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

namespace qwtest {

namespace {

class TlsHostTransport : public HostTransport {
 public:
  TlsHostTransport(SSL* ssl, int fd, std::shared_ptr<std::atomic<int>> closeNotifies)
      : ssl_(ssl), fd_(fd), closeNotifies_(std::move(closeNotifies)) {}
  ~TlsHostTransport() override {
    SSL_shutdown(ssl_);  // the host ends the connection: closing alert, best effort
    ERR_clear_error();
    SSL_free(ssl_);
    close(fd_);
  }
  long Read(void* buffer, size_t size) override {
    const int n = SSL_read(ssl_, buffer, static_cast<int>(size));
    if (n > 0) return n;
    return Failure(n);
  }
  long Write(const void* data, size_t size) override {
    const int n = SSL_write(ssl_, data, static_cast<int>(size));
    if (n > 0) return n;
    return Failure(n);
  }
  int Fd() const override { return fd_; }

 private:
  long Failure(int n) {
    const int e = SSL_get_error(ssl_, n);
    ERR_clear_error();
    if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
      errno = EAGAIN;
      return -1;
    }
    if (e == SSL_ERROR_ZERO_RETURN) {
      if (closeNotifies_ && !counted_) ++*closeNotifies_;
      counted_ = true;
      return 0;
    }
    errno = ECONNRESET;
    return -1;
  }
  SSL* ssl_;
  int fd_;
  std::shared_ptr<std::atomic<int>> closeNotifies_;
  bool counted_ = false;
};

std::shared_ptr<SSL_CTX> MakeContext(const TlsServerConfig& config) {
  std::shared_ptr<SSL_CTX> ctx(SSL_CTX_new(TLS_server_method()), SSL_CTX_free);
  if (!ctx) throw std::runtime_error("SSL_CTX_new");
  BIO* bio = BIO_new_mem_buf(config.certChainPem.data(), static_cast<int>(config.certChainPem.size()));
  X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  bio = BIO_new_mem_buf(config.keyPem.data(), static_cast<int>(config.keyPem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr);
  BIO_free(bio);
  const bool ok = cert && key && SSL_CTX_use_certificate(ctx.get(), cert) == 1 &&
                  SSL_CTX_use_PrivateKey(ctx.get(), key) == 1;
  X509_free(cert);
  EVP_PKEY_free(key);
  if (!ok) throw std::runtime_error("host credentials");
  SSL_CTX_set_mode(ctx.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  if (config.maxProtocol) SSL_CTX_set_max_proto_version(ctx.get(), config.maxProtocol);
  return ctx;
}

}  // namespace

HostTransportFactory TlsHostTransportFactory(const TlsServerConfig& config,
                                             std::shared_ptr<std::atomic<int>> closeNotifies) {
  std::shared_ptr<SSL_CTX> ctx = MakeContext(config);
  // The TLS library writes with write(): a client that has gone must not
  // end the test program.
  signal(SIGPIPE, SIG_IGN);
  return [ctx, closeNotifies](int fd) -> std::unique_ptr<HostTransport> {
    // The handshake blocks (bounded); the host's own I/O is non-blocking.
    const int flags = fcntl(fd, F_GETFL);
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    timeval tv{10, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    SSL* ssl = SSL_new(ctx.get());
    if (!ssl || SSL_set_fd(ssl, fd) != 1 || SSL_accept(ssl) != 1) {
      ERR_clear_error();
      SSL_free(ssl);
      close(fd);
      return nullptr;
    }
    fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    return std::make_unique<TlsHostTransport>(ssl, fd, closeNotifies);
  };
}

}  // namespace qwtest
