#include "datastream/BrellObject.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include <sys/socket.h>
#include <sys/types.h>

#include "base/LogMsg.h"

namespace {

// Copied from the session's trace option before every call into the
// secure-socket layer; the two callbacks below dump the bytes when it is set.
bool traceOn = false;

// The encrypted bytes, sixteen to a line.
void DumpBytes(const unsigned char* data, int length) {
  for (int i = 0; i < length; ++i) {
    LogMsg(LevelTrace, data[i] < 16 ? "0%1x " : "%2x ", data[i]);
    if (i % 16 == 15) LogMsg(LevelTrace, "\n");
  }
  if (length % 16 != 0) LogMsg(LevelTrace, "\n");
  LogMsg(LevelTrace, "\n");
}

int ReadCallback(int fd, void* buffer, int length) {
  ssize_t n;
  do {
    n = recv(fd, buffer, static_cast<size_t>(length), 0);
  } while (n < 0 && errno == EINTR);
  if (traceOn) {
    const int saved = errno;  // the layer looks at errno after the call
    LogMsg(LevelTrace, "Recv: data for SSL:\n");
    if (n > 0) DumpBytes(static_cast<const unsigned char*>(buffer), static_cast<int>(n));
    LogMsg(LevelTrace, "returning %d bytes to SSL\n", static_cast<int>(n));
    errno = saved;
  }
  return static_cast<int>(n);
}

int WriteCallback(int fd, const void* data, int length) {
  ssize_t n;
  do {
    n = send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  const int saved = errno;
  if (n != length && DebugFlag()) LogMsg(LevelDebug, "brell_soc_write did not send all the data \n");
  if (traceOn) {
    LogMsg(LevelTrace, "Sent: data from SSL:\n");
    if (n > 0) DumpBytes(static_cast<const unsigned char*>(data), static_cast<int>(n));
  }
  errno = saved;
  return static_cast<int>(n);
}

const char* InitFailureText(int rc) {
  switch (rc) {
    case 1: return "I/O error for keyring file.\n";
    case 2: return "Unable to open keyring file %s.\n";
    case 3: return "Keyring file has invalid format.\n";
    case 4: return "Password for keyfile is invalid.\n";
    case 5: return "Malloc was not successful for keyring file processing.\n";
    case 9: return "Invalid distinguished name specified for keyfile.\n";
    case 100: return "Error occurred initializing cipher specs\n";
    case 101: return "Neither the Keyring file nor password were supplied. \n";
    case 102: return "Invalid handshake type.\n";
    case 103: return "Invalid V2 timeout value.\n";
    case 104: return "Invalid V3 timeout value.\n";
    case 105: return "The certificate within the keyfile has expired.\n";
    default: return nullptr;
  }
}

const char* SocFailureText(int rc) {
  switch (rc) {
    case -1: return "No Ciphers.\n";
    case -2: return "No Certificate.\n";
    case -4: return "Bad Certificate.\n";
    case -6: return "Unsupported certificate type.\n";
    case -10: return "I/O error.\n";
    case -11: return "Bad Message received.\n";
    case -12: return "Bad Mac.\n";
    case -13: return "Unsupported.\n";
    case -14: return "Bad Certificate signal.\n";
    case -15: return "Bad Certificate.\n";
    case -16: return "Bad Peer.\n";
    case -17: return "Permission Denied.\n";
    case -18: return "Self Signed.\n";
    case -20: return "Bad Malloc.\n";
    case -21: return "Bad State.\n";
    case -22: return "Socket closed.\n";
    case -23: return "SSL initialization failed.\n";
    case -24: return "Handle creation failed.\n";
    case -26: return "Bad key len for export.\n";
    case -27: return "keyfile password expired.\n";
    case -30: return "Blocking error.\n";
    case -40: return "Bad V2 Cipher\n";
    case -41: return "Bad V3 Cipher\n";
    case -42: return "Bad Security type.\n";
    case -43: return "No Read Function.\n";
    case -44: return "No Write Function.\n";
    case -99: return "Unknown error.\n";
    case -102: return "Bad Security type Combination.\n";
    default: return nullptr;
  }
}

// The trace line of a failed read or write.
void LogTransferFailure(int rc, bool isRead) {
  switch (rc) {
    case BRELL_RC_BAD_BUFFER:
      LogMsg(LevelError, isRead ? "Bad buffer size for Read\n" : "Bad buffer size for write\n");
      break;
    case BRELL_RC_BAD_HANDLE:
      LogMsg(LevelError, isRead ? "Bad SSL Handle for Read. \n" : "Bad SSL Handle for write. \n");
      break;
    case BRELL_RC_TIMEOUT:
      LogMsg(LevelError, isRead ? "timeout for Read.\n" : "timeout for write.\n");
      break;
    default:
      if (isRead) LogMsg(LevelError, "Unknown error for Read. RC = %d\n", rc);
      else LogMsg(LevelError, "Unknown error for Write. RC = %d\n", rc);
      break;
  }
}

}  // namespace

BrellObject::BrellObject(BrellSessionLink* session) : session_(session) {}

BrellObject::~BrellObject() {
  brell_soc_close();
  freePassword();
}

void BrellObject::freePassword() {
  brell_free_password(const_cast<char*>(init_.keyring_password));
  init_.keyring_password = nullptr;
}

int BrellObject::brell_init(const char* version, const char* keyringFile, const char* stashFile,
                            long v2Timeout, long v3Timeout) {
  freePassword();
  init_.version = version;
  init_.keyring_file = keyringFile;
  init_.keyring_password = stashFile ? brell_stash_password(stashFile) : nullptr;
  init_.v2_timeout = v2Timeout;
  init_.v3_timeout = v3Timeout;

  if (DebugFlag()) {
    LogMsg(LevelDebug, "The following values were provided:\n");
    if (keyringFile) LogMsg(LevelDebug, "  Keyring file name was: %s\n", keyringFile);
    else LogMsg(LevelDebug, "  Keyring file name provided was NULL\n");
    if (stashFile) LogMsg(LevelDebug, "  Stash file was: %s\n", stashFile);
    else LogMsg(LevelDebug, "  Stash file provided was NULL\n");
    if (version) LogMsg(LevelDebug, "  SSL Version was: %s\n", version);
    else LogMsg(LevelDebug, "  SSL Version provided was NULL\n");
    if (v2Timeout) LogMsg(LevelDebug, "  V2 Timeout Value: %ld\n", v2Timeout);
    else LogMsg(LevelDebug, "  V2 Timeout provided was NULL\n");
    if (v3Timeout) LogMsg(LevelDebug, "  V3 Timeout Value: %ld\n", v3Timeout);
    else LogMsg(LevelDebug, "  V3 Timeout provided was NULL\n");
  }

  traceOn = session_ && session_->traceFlag();
  const int rc = brell_initialize(&init_);
  // The key ring is loaded (or refused): the password is not needed again.
  freePassword();
  init_.keyring_file = nullptr;
  init_.version = nullptr;
  if (rc == 0) {
    traceOn = session_ && session_->traceFlag();
    if (DebugFlag()) LogMsg(LevelDebug, "processing of keyring file complete \n");
    return 0;
  }
  if (rc == 2) LogMsg(LevelError, "Unable to open keyring file %s.\n", keyringFile ? keyringFile : "");
  else if (const char* text = InitFailureText(rc)) LogMsg(LevelError, "%s", text);
  else LogMsg(LevelError, "An error occurred while processing the keyring file. RC = %d\n", rc);
  return rc;
}

int BrellObject::brell_soc_init(int socket, int n, const char* s, const char* securityType,
                                const char* v2Ciphers, const char* v3Ciphers) {
  // A secure session of an earlier connection that nobody closed ends here.
  brell_soc_close();
  soc_ = brell_soc_block{};
  soc_.fd = socket;
  soc_.timeout_ms = n;
  soc_.peer_name = s;
  soc_.security_type = securityType;
  soc_.v2_cipher_specs = v2Ciphers;
  soc_.v3_cipher_specs = v3Ciphers;
  soc_.read_fn = ReadCallback;
  soc_.write_fn = WriteCallback;

  traceOn = session_ && session_->traceFlag();
  handle_ = brell_secure_soc_init(&soc_);
  // The block only borrowed the caller's strings.
  soc_.peer_name = soc_.security_type = soc_.v2_cipher_specs = soc_.v3_cipher_specs = nullptr;

  if (soc_.error != 0 || handle_ == 0) {
    const int rc = soc_.error != 0 ? soc_.error : BRELL_SOC_UNKNOWN;
    if (handle_ != 0) brell_soc_close();
    if (const char* text = SocFailureText(rc)) LogMsg(LevelError, "%s", text);
    else LogMsg(LevelError, "An unknown error occurred. RC = %d\n", rc);
    return rc;
  }
  if (DebugFlag()) {
    LogMsg(LevelDebug, "The SSL Security type used was: %s\n", soc_.security_type_used);
    if (std::strcmp(soc_.security_type_used, "SSLV2") == 0)
      LogMsg(LevelDebug, "The Cipher Specs used are: %d %d %d\n", soc_.v2_cipher_used[0],
             soc_.v2_cipher_used[1], soc_.v2_cipher_used[2]);
    else
      LogMsg(LevelDebug, "The Cipher Spec used was: %c%c\n", soc_.v3_cipher_used[0],
             soc_.v3_cipher_used[1]);
  }
  return 0;
}

int BrellObject::brell_prepare_soc_read(char* buffer, int size) {
  traceOn = session_ && session_->traceFlag();
  const int rc = brell_secure_soc_read(handle_, buffer, size);
  if (rc < 0 && rc != BRELL_RC_WOULD_BLOCK && traceOn) LogTransferFailure(rc, true);
  return rc;
}

int BrellObject::brell_prepare_soc_write(const char* data, int length) {
  traceOn = session_ && session_->traceFlag();
  const int rc = brell_secure_soc_write(handle_, data, length);
  if (rc < 0 && rc != BRELL_RC_WOULD_BLOCK && traceOn) LogTransferFailure(rc, false);
  return rc;
}

void BrellObject::brell_soc_close() {
  if (handle_ == 0) return;
  traceOn = session_ && session_->traceFlag();
  brell_secure_soc_close(handle_);
  handle_ = 0;
}

long BrellObject::read(void* buffer, size_t size) {
  if (handle_ == 0) {
    errno = ENOTCONN;
    return -1;
  }
  const int want = size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
  const int n = brell_prepare_soc_read(static_cast<char*>(buffer), want);
  if (n >= 0) return n;
  errno = n == BRELL_RC_WOULD_BLOCK ? EAGAIN : n == BRELL_RC_TIMEOUT ? ETIMEDOUT : EIO;
  return -1;
}

long BrellObject::write(const void* data, size_t size) {
  if (handle_ == 0) {
    errno = ENOTCONN;
    return -1;
  }
  if (size == 0) return 0;
  const int want = size > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
  // After "would block" the secure session may hold some of these bytes
  // already, so the caller must offer the same bytes again. The Telnet
  // send queue does: it keeps what was not taken, offers it again from
  // its head unchanged, and only adds to its end.
  const int n = brell_prepare_soc_write(static_cast<const char*>(data), want);
  if (n >= 0) return n;
  // A full socket: the caller keeps the bytes until it is writable. Any
  // other failure leaves a secure session that cannot go on.
  errno = n == BRELL_RC_WOULD_BLOCK ? EAGAIN : n == BRELL_RC_TIMEOUT ? ETIMEDOUT : EIO;
  return -1;
}

void BrellFileNames(const char* sslSetting, char* keyring, char* stash, size_t size) {
  const char* value = sslSetting ? sslSetting : "";
  const char* base = value[0] == '/' ? "" : "/userbase/profiles/";
  std::snprintf(keyring, size, "%s%s.kyr", base, value);
  std::snprintf(stash, size, "%s%s.sth", base, value);
}

int BrellStartSession(BrellObject& brell, BrellSessionLink& session, const char* sslSetting,
                      int socket, const char* hostName) {
  const std::string value = sslSetting ? sslSetting : "";
  const size_t size = value.size() + sizeof "/userbase/profiles/" + sizeof ".kyr";
  std::string keyring(size, '\0'), stash(size, '\0');
  BrellFileNames(value.c_str(), &keyring[0], &stash[0], size);

  int rc = brell.brell_init("SSLV3", keyring.c_str(), stash.c_str(), 100, 1000);
  if (rc == 0) rc = brell.brell_soc_init(socket, 0, hostName, "SSLV3", "2", "03");
  if (rc != 0) {
    session.errorDialog("ErrorMsgSSLNegotiate");
    LogMsg(LevelError, "%s: SSL negotiations failed.\n", "QWC0198");
  }
  return rc;
}
