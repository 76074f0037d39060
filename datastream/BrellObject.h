#pragma once
// A session's secure socket: initialises the secure-socket layer from the
// key ring and stash of the session's SSL setting, runs the secure session
// on the connected socket, and carries the Telnet transport's bytes through
// it (the TelnetStream the transport reads and writes).

#include "datastream/TelnetStream.h"
#include "platform/brell.h"

// What the secure socket needs of its session. The session control block
// implements it; tests implement it with a recording stand-in.
class BrellSessionLink {
 public:
  virtual ~BrellSessionLink() = default;
  // The session's trace option (level-8 dumps of the encrypted bytes).
  virtual bool traceFlag() const = 0;
  // Posts the error dialog whose message resource is `msgName`.
  virtual void errorDialog(const char* msgName) = 0;
};

class BrellObject final : public TelnetStream {
 public:
  explicit BrellObject(BrellSessionLink* session);
  ~BrellObject() override;  // ends a secure session that is still open
  BrellObject(const BrellObject&) = delete;
  BrellObject& operator=(const BrellObject&) = delete;

  // Loads the key ring (password from the stash file). 0, or the layer's code.
  int brell_init(const char* version, const char* keyringFile, const char* stashFile,
                 long v2Timeout, long v3Timeout);
  // Runs the secure session on a connected socket; `s` names the peer whose
  // certificate must match (null for no name check), `n` bounds the
  // handshake in milliseconds (0 for the default). 0, or the layer's code.
  int brell_soc_init(int socket, int n, const char* s, const char* securityType,
                     const char* v2Ciphers, const char* v3Ciphers);
  // Bytes read, 0 when the peer closed the session, or a negative code.
  int brell_prepare_soc_read(char* buffer, int size);
  // Bytes written, or a negative code.
  int brell_prepare_soc_write(const char* data, int length);
  // Ends the secure session when there is one.
  void brell_soc_close();

  // TelnetStream: the transport's reads and writes go through the session.
  long read(void* buffer, size_t size) override;
  long write(const void* data, size_t size) override;
  void close() override { brell_soc_close(); }

  brell_handle handle() const { return handle_; }

 private:
  void freePassword();

  brell_init_block init_{};
  brell_soc_block soc_{};
  brell_handle handle_ = 0;
  BrellSessionLink* session_;
};

// Session completion's secure step: the key-ring and stash files of the SSL
// setting (the setting plus ".kyr" and ".sth", under "/userbase/profiles/"
// unless the setting begins with "/"), then the secure session on the
// connected socket with the peer's name `hostName`. On failure posts
// "ErrorMsgSSLNegotiate", logs QWC0198 and returns the failing code; the
// caller then ends the session.
int BrellStartSession(BrellObject& brell, BrellSessionLink& session, const char* sslSetting,
                      int socket, const char* hostName);

// The key-ring and stash file names of an SSL setting.
void BrellFileNames(const char* sslSetting, char* keyring, char* stash, size_t size);
