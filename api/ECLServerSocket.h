#pragma once
// The listening socket of the programming interface (one per process): TCP
// on 127.0.0.1, port 3490 (QW_ECL_PORT overrides it; 0 lets the system
// choose, for tests). Only programs of the session's own user are served:
// the kernel's socket table names the owner of each peer, and a connection
// of any other user is closed at once (each such user logged once). Each
// accepted client gets the handshake word 1 and its own ECLSessionSocket.
#include <netinet/in.h>

#include <memory>
#include <set>
#include <vector>

#include "base/EventSources.h"

class ECLSessionSocket;

class ECLServerSocket {
 public:
  static constexpr int kDefaultPort = 3490;
  // At most this many clients at once; a full table closes the client idle
  // longest for the next one (refused, handshake 0, only when every client
  // is at work).
  static constexpr size_t kMaxClients = 64;

  explicit ECLServerSocket(EventSources& sources);
  ~ECLServerSocket();
  ECLServerSocket(const ECLServerSocket&) = delete;
  ECLServerSocket& operator=(const ECLServerSocket&) = delete;

  // Creates, binds and listens, and serves accepts from the event sources.
  // 1 on success, 0 on failure (logged; no listener then).
  int createSocket();
  // Accepts one client and sends its handshake word. 1 when the word 1 or
  // 0 was sent, 0 otherwise.
  int addClientSocket();

  bool listening() const { return fd_ >= 0; }
  // The port it listens on (0 when it does not).
  int port() const { return port_; }
  // The newest client (null before the first).
  ECLSessionSocket* currentClient() const { return current_; }
  // Clients whose connection is open.
  size_t openClients() const;

 private:
  void reapClosedClients();
  void closeIdlestClient();

  EventSources& sources_;
  int fd_ = -1;
  int port_ = 0;
  EventSources::Id inputId_ = 0;
  std::vector<std::unique_ptr<ECLSessionSocket>> clients_;
  ECLSessionSocket* current_ = nullptr;
  std::set<long> refusedUsers_;
};

// The port of the programming interface: QW_ECL_PORT when set to 0-65535,
// else `fallback`.
int EclPortFromEnvironment(const char* variable, int fallback);
