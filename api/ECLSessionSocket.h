#pragma once
// One accepted client of the programming interface. Requests are
// reassembled from whatever the socket delivers and served in order, each
// answered by its return code and reply data. The socket is non-blocking:
// replies the client does not take at once wait in a bounded queue, and a
// client that lets it overflow (or breaks the framing) is disconnected.
// Its input is bounded too: while a whole request of it waits to be served,
// its socket is not read (the kernel's buffers and TCP flow control hold
// the sender back). Its first invalid request is logged; later ones are
// counted and reported in one line when the connection ends.
#include <netinet/in.h>

#include <cstddef>
#include <memory>
#include <vector>

#include "api/EclWire.h"
#include "base/EventSources.h"

class ECLSessionSocket {
 public:
  // The most reply data that may wait for a slow client.
  static constexpr size_t kMaxQueuedReplies = 1u << 20;

  // Takes the descriptor (non-blocking) and serves it from `sources`.
  ECLSessionSocket(EventSources& sources, int fd, const sockaddr_in& peer);
  ~ECLSessionSocket();
  ECLSessionSocket(const ECLSessionSocket&) = delete;
  ECLSessionSocket& operator=(const ECLSessionSocket&) = delete;

  // One readable event: reads what is there and serves every whole request.
  // 1 when all were served or the peer closed, 0 when the connection had to
  // be closed (broken framing, reply queue overflow, a failed send).
  int serveRequest();
  // Sends the 4-byte return code alone (before the session, and perhaps the
  // process, goes away); queued output goes first. 1 or 0.
  int sendReturnCode(int code);
  // Queues bytes for the client; false (connection closed) on overflow or a
  // failed send.
  bool send(const unsigned char* data, size_t n);

  bool closed() const { return fd_ < 0; }
  // Ends the connection (the object stays until the server reaps it).
  void close() { closeConnection(); }
  // True while a request of this client is being served.
  bool busy() const { return busy_; }
  const sockaddr_in& peer() const { return peer_; }
  size_t queuedBytes() const { return out_.size() - outStart_; }
  // Received bytes not yet served (bounded by one receive and one request).
  size_t pendingBytes() const { return decoder_.pending(); }
  // Whether the socket is read now (not while requests wait).
  bool reading() const { return inputId_ != 0; }
  // When the client last sent something (or connected), in tenths of a
  // second of GetCurrentTime().
  unsigned long lastActivity() const { return lastActivity_; }
  // Orders the clients by their last activity (larger: more recent).
  unsigned long long activityOrder() const { return activityOrder_; }
  // Invalid requests of this client (its first was logged).
  unsigned long invalidRequests() const { return invalid_; }

 private:
  int serveBuffered();
  int serveSome();
  void flush();
  void closeConnection();
  void watchOutput(bool on);
  void watchInput(bool on);
  void serveLater();

  EventSources& sources_;
  int fd_;
  sockaddr_in peer_;
  EventSources::Id inputId_ = 0;
  EventSources::Id outputId_ = 0;
  ecl::RequestDecoder decoder_;
  std::vector<unsigned char> out_;
  size_t outStart_ = 0;
  std::vector<unsigned char> reply_;
  bool busy_ = false;
  EventSources::Id laterId_ = 0;
  unsigned long lastActivity_ = 0;
  unsigned long long activityOrder_ = 0;
  void noteActivity();
  unsigned long invalid_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
