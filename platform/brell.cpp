#include "platform/brell.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <unordered_map>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include "base/LogMsg.h"
#include "platform/BrellKeyRing.h"
#include "platform/BrellStash.h"

namespace {

constexpr int kDefaultTimeoutMs = 30000;
constexpr long kDefaultV3Timeout = 1000;
constexpr long kMaxV2Timeout = 100;
constexpr long kMaxV3Timeout = 86400;

long long NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

bool IsLegacyName(const char* s) { return s && strcasecmp(s, "SSLV3") == 0; }

// One secure session: the TLS state and the transport it runs over.
struct Session {
  SSL* ssl = nullptr;
  int fd = -1;
  brell_read_callback readFn = nullptr;
  brell_write_callback writeFn = nullptr;
  int timeoutMs = kDefaultTimeoutMs;
  bool eof = false;      // the transport reported end of connection
  int ioErrno = 0;       // the transport failed with this errno
  bool dead = false;     // a failure ended the session; reads and writes fail
  ~Session() { SSL_free(ssl); }
};

// Process-wide state. Never destroyed: the TLS library tears itself down at
// exit, after which nothing may be freed into it.
struct State {
  SSL_CTX* ctx = nullptr;
  BIO_METHOD* method = nullptr;
  std::unordered_map<brell_handle, std::unique_ptr<Session>> sessions;
  brell_handle nextHandle = 1;
};

State& TheState() {
  static State* state = new State;
  return *state;
}

// ---- the transport: a BIO over the caller's callbacks -------------------

int BioWrite(BIO* bio, const char* data, int length) {
  Session* s = static_cast<Session*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  if (length <= 0) return 0;
  errno = 0;
  const int n = s->writeFn(s->fd, data, length);
  if (n > 0) return n > length ? length : n;
  if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
    BIO_set_retry_write(bio);
    return -1;
  }
  s->ioErrno = errno ? errno : EIO;
  return -1;
}

int BioRead(BIO* bio, char* buffer, int size) {
  Session* s = static_cast<Session*>(BIO_get_data(bio));
  BIO_clear_retry_flags(bio);
  if (size <= 0) return 0;
  errno = 0;
  const int n = s->readFn(s->fd, buffer, size);
  if (n > 0) return n > size ? size : n;
  if (n == 0) {
    s->eof = true;
    return 0;
  }
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
    BIO_set_retry_read(bio);
    return -1;
  }
  s->ioErrno = errno ? errno : EIO;
  return -1;
}

long BioCtrl(BIO* bio, int cmd, long, void*) {
  Session* s = static_cast<Session*>(BIO_get_data(bio));
  switch (cmd) {
    case BIO_CTRL_FLUSH:
      return 1;
    case BIO_CTRL_EOF:
      return s && s->eof ? 1 : 0;
    default:
      return 0;
  }
}

int BioCreate(BIO* bio) {
  BIO_set_init(bio, 1);
  return 1;
}

BIO_METHOD* Method() {
  State& st = TheState();
  if (!st.method) {
    BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "brell callbacks");
    if (!m) return nullptr;
    BIO_meth_set_write(m, BioWrite);
    BIO_meth_set_read(m, BioRead);
    BIO_meth_set_ctrl(m, BioCtrl);
    BIO_meth_set_create(m, BioCreate);
    st.method = m;
  }
  return st.method;
}

// ---- waiting on the socket ------------------------------------------------

// Waits until `fd` is ready for `events` or `deadline` passes. 1 ready,
// 0 time-out, -1 poll failed.
int WaitFor(int fd, short events, long long deadline) {
  for (;;) {
    const long long left = deadline - NowMs();
    if (left <= 0) return 0;
    pollfd p{fd, events, 0};
    const int r = poll(&p, 1, left > INT_MAX ? INT_MAX : static_cast<int>(left));
    if (r > 0) return 1;  // readiness, hang-up or error: the next call finds out which
    if (r == 0) return 0;
    if (errno != EINTR) return -1;
  }
}

// Puts the socket into non-blocking mode for the life of the object and
// restores its flags afterwards.
class NonBlockingScope {
 public:
  explicit NonBlockingScope(int fd) : fd_(fd), flags_(fcntl(fd, F_GETFL)) {
    if (flags_ >= 0 && !(flags_ & O_NONBLOCK)) fcntl(fd_, F_SETFL, flags_ | O_NONBLOCK);
  }
  ~NonBlockingScope() {
    if (flags_ >= 0 && !(flags_ & O_NONBLOCK)) fcntl(fd_, F_SETFL, flags_);
  }
  bool ok() const { return flags_ >= 0; }
  NonBlockingScope(const NonBlockingScope&) = delete;
  NonBlockingScope& operator=(const NonBlockingScope&) = delete;

 private:
  int fd_;
  int flags_;
};

// ---- translating failures -------------------------------------------------

int CodeOfVerifyResult(long v) {
  switch (v) {
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
      return BRELL_SOC_SELF_SIGNED;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_CERT_UNTRUSTED:
    case X509_V_ERR_CERT_REJECTED:
      return BRELL_SOC_UNKNOWN_ISSUER;
    case X509_V_ERR_CERT_SIGNATURE_FAILURE:
    case X509_V_ERR_UNABLE_TO_DECRYPT_CERT_SIGNATURE:
    case X509_V_ERR_UNABLE_TO_DECODE_ISSUER_PUBLIC_KEY:
      return BRELL_SOC_BAD_CERT_SIGNATURE;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
    case X509_V_ERR_EMAIL_MISMATCH:
      return BRELL_SOC_BAD_PEER;
    case X509_V_ERR_EE_KEY_TOO_SMALL:
    case X509_V_ERR_CA_KEY_TOO_SMALL:
    case X509_V_ERR_CA_MD_TOO_WEAK:
      return BRELL_SOC_UNSUPPORTED_CERT;
    default:
      return BRELL_SOC_BAD_CERTIFICATE;  // expired, not yet valid, wrong purpose ...
  }
}

int CodeOfSslReason(int reason) {
  switch (reason) {
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_UNKNOWN_PROTOCOL:
    case SSL_R_HTTP_REQUEST:
    case SSL_R_HTTPS_PROXY_REQUEST:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
    case SSL_R_RECORD_LENGTH_MISMATCH:
    case SSL_R_BAD_PACKET_LENGTH:
    case SSL_R_ENCRYPTED_LENGTH_TOO_LONG:
    case SSL_R_UNEXPECTED_MESSAGE:
    case SSL_R_UNEXPECTED_RECORD:
    case SSL_R_LENGTH_MISMATCH:
    case SSL_R_BAD_LENGTH:
    case SSL_R_LENGTH_TOO_SHORT:
    case SSL_R_SSLV3_ALERT_UNEXPECTED_MESSAGE:
    case SSL_R_TLSV1_ALERT_DECODE_ERROR:
      return BRELL_SOC_BAD_MESSAGE;
    case SSL_R_DECRYPTION_FAILED_OR_BAD_RECORD_MAC:
    case SSL_R_SSLV3_ALERT_BAD_RECORD_MAC:
    case SSL_R_TLSV1_ALERT_DECRYPT_ERROR:
      return BRELL_SOC_BAD_MAC;
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
    case SSL_R_NO_PROTOCOLS_AVAILABLE:
    case SSL_R_VERSION_TOO_LOW:
      return BRELL_SOC_UNSUPPORTED;
    case SSL_R_NO_CIPHERS_AVAILABLE:
    case SSL_R_NO_SHARED_CIPHER:
    case SSL_R_SSLV3_ALERT_HANDSHAKE_FAILURE:
    case SSL_R_TLSV1_ALERT_INSUFFICIENT_SECURITY:
      return BRELL_SOC_NO_CIPHERS;
    case SSL_R_TLSV13_ALERT_CERTIFICATE_REQUIRED:
    case SSL_R_PEER_DID_NOT_RETURN_A_CERTIFICATE:
      return BRELL_SOC_NO_CERTIFICATE;
    case SSL_R_TLSV1_ALERT_ACCESS_DENIED:
      return BRELL_SOC_PERMISSION_DENIED;
    case SSL_R_SSLV3_ALERT_BAD_CERTIFICATE:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_EXPIRED:
    case SSL_R_SSLV3_ALERT_CERTIFICATE_UNKNOWN:
    case SSL_R_TLSV1_ALERT_UNKNOWN_CA:
      return BRELL_SOC_BAD_CERTIFICATE;
    case SSL_R_UNEXPECTED_EOF_WHILE_READING:
      return BRELL_SOC_SOCKET_CLOSED;
    case ERR_R_MALLOC_FAILURE:
      return BRELL_SOC_NO_MEMORY;
    default:
      return BRELL_SOC_UNKNOWN;
  }
}

// The code of a failed handshake step.
int CodeOfHandshakeFailure(const Session& s, int sslError) {
  if (sslError == SSL_ERROR_SSL) {
    const long verify = SSL_get_verify_result(s.ssl);
    if (verify != X509_V_OK) return CodeOfVerifyResult(verify);
    const unsigned long err = ERR_peek_error();
    if (err && ERR_GET_LIB(err) == ERR_LIB_SSL) return CodeOfSslReason(ERR_GET_REASON(err));
    if (err && ERR_GET_REASON(err) == ERR_R_MALLOC_FAILURE) return BRELL_SOC_NO_MEMORY;
    if (s.eof) return BRELL_SOC_SOCKET_CLOSED;
    return BRELL_SOC_UNKNOWN;
  }
  if (sslError == SSL_ERROR_ZERO_RETURN || s.eof) return BRELL_SOC_SOCKET_CLOSED;
  if (sslError == SSL_ERROR_SYSCALL) return s.ioErrno ? BRELL_SOC_IO_ERROR : BRELL_SOC_SOCKET_CLOSED;
  return BRELL_SOC_UNKNOWN;
}

bool ValidV2Ciphers(const char* s) {
  if (!s || !*s) return false;
  for (; *s; ++s)
    if (*s < '1' || *s > '7') return false;
  return true;
}

bool ValidV3Ciphers(const char* s) {
  if (!s || !*s) return false;
  const size_t n = std::strlen(s);
  if (n % 2 != 0) return false;
  for (size_t i = 0; i < n; ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

// Reads a whole regular file of at most `limit` bytes that only its owner
// may use (`what` names the kind of file for the refusal's message). 0, or a
// brell_initialize code.
int ReadSmallFile(const char* path, size_t limit, const char* what, std::string* out) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return BRELL_INIT_CANNOT_OPEN;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return BRELL_INIT_CANNOT_OPEN;
  }
  if (st.st_mode & (S_IRWXG | S_IRWXO)) {
    LogMsg(LevelError, "The %s %s has mode %04o: it must be readable by its owner only (mode 0600 or 0400).\n",
           what, path, static_cast<unsigned>(st.st_mode & 07777));
    close(fd);
    return BRELL_INIT_CANNOT_OPEN;
  }
  if (static_cast<unsigned long long>(st.st_size) > limit) {
    close(fd);
    return BRELL_INIT_BAD_FORMAT;
  }
  out->clear();
  char buf[8192];
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return BRELL_INIT_IO_ERROR;
    }
    if (out->size() + static_cast<size_t>(n) > limit) {  // grew while being read
      close(fd);
      return BRELL_INIT_BAD_FORMAT;
    }
    out->append(buf, static_cast<size_t>(n));
  }
  close(fd);
  return 0;
}

void Wipe(std::string* s) {
  if (!s->empty()) OPENSSL_cleanse(&(*s)[0], s->size());
  s->clear();
}

Session* Find(brell_handle h) {
  auto& sessions = TheState().sessions;
  auto it = sessions.find(h);
  return it == sessions.end() ? nullptr : it->second.get();
}

}  // namespace

int brell_initialize(const brell_init_block* block) {
  if (!block || !block->keyring_file || !*block->keyring_file) return BRELL_INIT_NOTHING_SUPPLIED;
  if (block->version && !IsLegacyName(block->version)) return BRELL_INIT_BAD_HANDSHAKE_TYPE;
  if (block->v2_timeout < 0 || block->v2_timeout > kMaxV2Timeout) return BRELL_INIT_BAD_V2_TIMEOUT;
  if (block->v3_timeout < 0 || block->v3_timeout > kMaxV3Timeout) return BRELL_INIT_BAD_V3_TIMEOUT;

  std::string text;
  int rc = ReadSmallFile(block->keyring_file, kBrellKeyRingMaxFile, "key-ring file", &text);
  if (rc != 0) return rc;
  BrellKeyRing ring;
  try {
    rc = ring.parse(text.data(), text.size(), block->keyring_password);
  } catch (const std::bad_alloc&) {
    rc = BRELL_INIT_NO_MEMORY;
  }
  Wipe(&text);
  if (rc != 0) return rc;

  SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
  if (!ctx) {
    ERR_clear_error();
    return BRELL_INIT_CIPHER_SPECS;
  }
  bool ok = SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION) == 1;
  X509_STORE* store = SSL_CTX_get_cert_store(ctx);
  for (X509* ca : ring.trusted()) ok = ok && X509_STORE_add_cert(store, ca) == 1;
  if (ok && ring.clientCertificate()) {
    ok = SSL_CTX_use_certificate(ctx, ring.clientCertificate()) == 1 &&
         SSL_CTX_use_PrivateKey(ctx, ring.clientKey()) == 1;
  }
  if (!ok) {
    SSL_CTX_free(ctx);
    ERR_clear_error();
    return BRELL_INIT_CIPHER_SPECS;
  }
  SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
  SSL_CTX_set_timeout(ctx, block->v3_timeout ? block->v3_timeout : kDefaultV3Timeout);

  State& st = TheState();
  SSL_CTX_free(st.ctx);  // running sessions hold their own reference
  st.ctx = ctx;
  return BRELL_INIT_OK;
}

brell_handle brell_secure_soc_init(brell_soc_block* block) {
  if (!block) return 0;
  std::memset(block->security_type_used, 0, sizeof block->security_type_used);
  std::memset(block->v2_cipher_used, 0, sizeof block->v2_cipher_used);
  std::memset(block->v3_cipher_used, 0, sizeof block->v3_cipher_used);
  block->error = BRELL_SOC_OK;
  auto fail = [block](int code) -> brell_handle {
    block->error = code;
    ERR_clear_error();
    return 0;
  };

  if (!IsLegacyName(block->security_type)) return fail(BRELL_SOC_BAD_SECURITY_TYPE);
  if (!ValidV2Ciphers(block->v2_cipher_specs)) return fail(BRELL_SOC_BAD_V2_CIPHER);
  if (!ValidV3Ciphers(block->v3_cipher_specs)) return fail(BRELL_SOC_BAD_V3_CIPHER);
  if (!block->read_fn) return fail(BRELL_SOC_NO_READ_FUNCTION);
  if (!block->write_fn) return fail(BRELL_SOC_NO_WRITE_FUNCTION);
  if (block->timeout_ms < 0) return fail(BRELL_SOC_UNKNOWN);
  State& st = TheState();
  if (!st.ctx) return fail(BRELL_SOC_BAD_STATE);
  if (block->fd < 0) return fail(BRELL_SOC_IO_ERROR);

  std::unique_ptr<Session> s(new (std::nothrow) Session);
  if (!s) return fail(BRELL_SOC_NO_MEMORY);
  s->fd = block->fd;
  s->readFn = block->read_fn;
  s->writeFn = block->write_fn;
  s->timeoutMs = block->timeout_ms ? block->timeout_ms : kDefaultTimeoutMs;

  BIO_METHOD* method = Method();
  if (!method) return fail(BRELL_SOC_INIT_FAILED);
  s->ssl = SSL_new(st.ctx);
  if (!s->ssl) return fail(BRELL_SOC_HANDLE_FAILED);
  BIO* bio = BIO_new(method);
  if (!bio) return fail(BRELL_SOC_HANDLE_FAILED);
  BIO_set_data(bio, s.get());
  SSL_set_bio(s->ssl, bio, bio);  // the session owns it now
  // Writes take what the socket takes now; a write that could not finish is
  // offered again from wherever the caller keeps the bytes by then.
  SSL_set_mode(s->ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);

  const char* peer = block->peer_name;
  if (peer && *peer) {
    unsigned char addr[16];
    const bool literal = inet_pton(AF_INET, peer, addr) == 1 || inet_pton(AF_INET6, peer, addr) == 1;
    if (literal) {
      if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(s->ssl), peer) != 1)
        return fail(BRELL_SOC_INIT_FAILED);
    } else {
      if (SSL_set1_host(s->ssl, peer) != 1 || SSL_set_tlsext_host_name(s->ssl, peer) != 1)
        return fail(BRELL_SOC_INIT_FAILED);
    }
  }

  {
    NonBlockingScope nonBlocking(s->fd);
    if (!nonBlocking.ok()) return fail(BRELL_SOC_IO_ERROR);
    const long long deadline = NowMs() + s->timeoutMs;
    for (;;) {
      ERR_clear_error();
      const int r = SSL_connect(s->ssl);
      if (r == 1) break;
      const int e = SSL_get_error(s->ssl, r);
      if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) {
        const int w = WaitFor(s->fd, e == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT, deadline);
        if (w == 0) return fail(BRELL_SOC_TIMEOUT);
        if (w < 0) return fail(BRELL_SOC_IO_ERROR);
        continue;
      }
      return fail(CodeOfHandshakeFailure(*s, e));
    }
  }

  // Verification is on, so a finished handshake means a verified peer; a
  // peer without any certificate is refused all the same.
  X509* peerCert = SSL_get1_peer_certificate(s->ssl);
  if (!peerCert) return fail(BRELL_SOC_NO_CERTIFICATE);
  X509_free(peerCert);
  if (SSL_get_verify_result(s->ssl) != X509_V_OK)
    return fail(CodeOfVerifyResult(SSL_get_verify_result(s->ssl)));

  std::snprintf(block->security_type_used, sizeof block->security_type_used, "%s",
                SSL_version(s->ssl) >= TLS1_3_VERSION ? "TLSV13" : "TLSV12");
  if (const SSL_CIPHER* c = SSL_get_current_cipher(s->ssl)) {
    static const char kHex[] = "0123456789ABCDEF";
    const unsigned id = SSL_CIPHER_get_protocol_id(c) & 0xFFu;
    block->v3_cipher_used[0] = kHex[id >> 4];
    block->v3_cipher_used[1] = kHex[id & 0xF];
  }

  const brell_handle h = st.nextHandle++;
  try {
    st.sessions.emplace(h, std::move(s));
  } catch (const std::bad_alloc&) {
    return fail(BRELL_SOC_NO_MEMORY);
  }
  return h;
}

int brell_secure_soc_read(brell_handle handle, void* buffer, int size) {
  Session* s = Find(handle);
  if (!s) return BRELL_RC_BAD_HANDLE;
  if (!buffer || size <= 0) return BRELL_RC_BAD_BUFFER;
  if (s->dead) return BRELL_RC_FAILED;
  const long long deadline = NowMs() + s->timeoutMs;
  for (;;) {
    ERR_clear_error();
    const int n = SSL_read(s->ssl, buffer, size);
    if (n > 0) return n;
    const int e = SSL_get_error(s->ssl, n);
    switch (e) {
      case SSL_ERROR_WANT_READ:
        errno = EAGAIN;
        return BRELL_RC_WOULD_BLOCK;
      case SSL_ERROR_WANT_WRITE: {
        // The protocol has something to send first (a key update answer).
        const int w = WaitFor(s->fd, POLLOUT, deadline);
        if (w > 0) continue;
        s->dead = true;
        return w == 0 ? BRELL_RC_TIMEOUT : BRELL_RC_FAILED;
      }
      case SSL_ERROR_ZERO_RETURN:
        return 0;  // the peer's closing alert
      default:
        // An end of connection without the closing alert, a socket error or
        // a protocol error: nothing more can be read.
        ERR_clear_error();
        s->dead = true;
        return BRELL_RC_FAILED;
    }
  }
}

int brell_secure_soc_write(brell_handle handle, const void* data, int length) {
  Session* s = Find(handle);
  if (!s) return BRELL_RC_BAD_HANDLE;
  if (!data || length <= 0) return BRELL_RC_BAD_BUFFER;
  if (s->dead) return BRELL_RC_FAILED;
  NonBlockingScope nonBlocking(s->fd);
  // Only a renegotiation (the protocol must read before it may write)
  // is waited for; a full socket is the caller's to wait for.
  const long long deadline = NowMs() + s->timeoutMs;
  for (;;) {
    ERR_clear_error();
    // With partial writes the call returns once a record has gone out, so
    // a count below `length` is normal.
    const int n = SSL_write(s->ssl, data, length);
    if (n > 0) return n;
    const int e = SSL_get_error(s->ssl, n);
    if (e == SSL_ERROR_WANT_WRITE) {
      // Some of the bytes may already sit encrypted in the session's buffer:
      // the caller offers the same bytes again (possibly followed by more).
      errno = EAGAIN;
      return BRELL_RC_WOULD_BLOCK;
    }
    if (e == SSL_ERROR_WANT_READ) {
      const int w = WaitFor(s->fd, POLLIN, deadline);
      if (w > 0) continue;
      // A record may be half sent: the session cannot go on.
      s->dead = true;
      return w == 0 ? BRELL_RC_TIMEOUT : BRELL_RC_FAILED;
    }
    ERR_clear_error();
    s->dead = true;
    return BRELL_RC_FAILED;
  }
}

int brell_secure_soc_close(brell_handle handle) {
  auto& sessions = TheState().sessions;
  auto it = sessions.find(handle);
  if (it == sessions.end()) return BRELL_RC_BAD_HANDLE;
  Session* s = it->second.get();
  if (!s->dead && !s->eof && s->fd >= 0) {
    // One attempt at the closing alert; a full socket does not hold us up.
    NonBlockingScope nonBlocking(s->fd);
    ERR_clear_error();
    SSL_shutdown(s->ssl);
  }
  ERR_clear_error();
  sessions.erase(it);
  return 0;
}

char* brell_stash_password(const char* stash_file) {
  if (!stash_file || !*stash_file) return nullptr;
  std::string text;
  if (ReadSmallFile(stash_file, kBrellStashMaxFile, "stash file", &text) != 0) {
    Wipe(&text);
    return nullptr;
  }
  std::string pw;
  const bool ok =
      BrellParseStash(reinterpret_cast<const unsigned char*>(text.data()), text.size(), &pw);
  Wipe(&text);
  if (!ok) return nullptr;
  char* out = static_cast<char*>(std::malloc(pw.size() + 1));
  if (out) std::memcpy(out, pw.c_str(), pw.size() + 1);
  Wipe(&pw);
  return out;
}

void brell_free_password(char* password) {
  if (!password) return;
  OPENSSL_cleanse(password, std::strlen(password));
  std::free(password);
}
