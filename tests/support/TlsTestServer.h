#pragma once
// A one-connection server on 127.0.0.1 for the secure-socket tests. It
// listens on a free port, accepts one client on its own thread, and runs the
// test's handler there: over TLS (after the server handshake) or on the raw
// socket (to play a peer that does not speak TLS). Every socket operation of
// the server is bounded (10 s), so a client that misbehaves fails the test
// instead of hanging it.
#include "tests/support/TestCertificates.h"

#include <functional>
#include <string>
#include <thread>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace qwtest {

// The server's end of an accepted TLS connection.
class TlsPeer {
 public:
  TlsPeer(SSL* ssl, int fd) : ssl_(ssl), fd_(fd) {}
  // Reads what is there (waiting for at least one byte): a count, 0 when the
  // client sent its closing alert, -1 on any failure.
  long ReadSome(void* buffer, size_t size);
  // Reads exactly `n` bytes into `out`; false if the connection ends first.
  bool ReadExact(size_t n, std::string* out);
  // Writes all bytes; false on failure.
  bool WriteAll(const std::string& data);
  // Sends the closing alert.
  void Shutdown();
  // Reads until the client's closing alert: true when it came cleanly
  // (any data before it is appended to `rest`).
  bool ExpectCloseNotify(std::string* rest = nullptr);
  // The TLS record that carries `data`, made without sending it, and raw
  // bytes sent on the socket: together they deliver records in pieces.
  std::string EncryptRecord(const std::string& data);
  bool SendRaw(const std::string& bytes);
  int Fd() const { return fd_; }

 private:
  SSL* ssl_;
  int fd_;
};

struct TlsServerConfig {
  std::string certChainPem;  // leaf first
  std::string keyPem;
  std::string clientCaPem;   // non-empty: require a client certificate from this CA
  int maxProtocol = 0;       // e.g. TLS1_2_VERSION; 0 for the library's highest
};

// A server that presents the credential: its certificate chain and key.
inline TlsServerConfig ServerWith(const TestCredential& c) {
  TlsServerConfig cfg;
  cfg.certChainPem = c.certPem;
  cfg.keyPem = c.keyPem;
  return cfg;
}

class TlsTestServer {
 public:
  using TlsHandler = std::function<void(TlsPeer&)>;
  using RawHandler = std::function<void(int fd)>;

  // A TLS server: handshake, then `handler` (not called when the handshake fails).
  TlsTestServer(const TlsServerConfig& config, TlsHandler handler);
  // A plain TCP server: `handler` gets the accepted socket.
  explicit TlsTestServer(RawHandler handler);
  ~TlsTestServer();  // waits for the server thread
  TlsTestServer(const TlsTestServer&) = delete;
  TlsTestServer& operator=(const TlsTestServer&) = delete;

  int Port() const { return port_; }
  // A blocking client socket connected to the server (-1 on failure).
  int Connect() const;
  // Waits for the server thread to finish; then the results below are final.
  void Join();
  bool Accepted() const { return accepted_; }
  bool HandshakeOk() const { return handshakeOk_; }
  const std::string& HandshakeError() const { return handshakeError_; }

 private:
  void Listen();
  void RunTls(TlsHandler handler);
  void RunRaw(RawHandler handler);
  int AcceptOne();

  int listenFd_ = -1;
  int port_ = 0;
  SSL_CTX* ctx_ = nullptr;
  bool accepted_ = false;
  bool handshakeOk_ = false;
  std::string handshakeError_;
  std::thread thread_;
};

}  // namespace qwtest
