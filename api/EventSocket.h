#pragma once
// The event connection of the programming interface (one per process): a
// TCP client of the port where the programming-interface client listens
// (3491 on this machine's own host name; QW_ECL_EVENT_PORT and
// QW_ECL_EVENT_HOST override them, for tests). One record per event:
// host-name length and host name, session number, event type, data length
// and data, all integers 32-bit big-endian. The socket is non-blocking: a
// client that does not read its events gets a bounded queue, then loses the
// connection and its subscriptions, never the emulator's event loop. Only a
// listener of the session's own user is connected to (the kernel's socket
// table names its owner); another user's listener gets nothing.
#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/EventSources.h"

class SessionControlBlock;

class EventSocket {
 public:
  static constexpr int kDefaultPort = 3491;
  static constexpr size_t kMaxQueued = 64 * 1024;
  static constexpr int kSlots = 99;
  // The longest host name a record carries (longer names are cut).
  static constexpr size_t kMaxHostName = 255;

  // Event types.
  static constexpr int kPresentationSpaceEvent = 0;
  static constexpr int kKeystrokeEvent = 1;
  static constexpr int kSessionEvent = 2;
  static constexpr int kOperatorInformationEvent = 4;

  // Subscriptions of a session, switched by the client's requests.
  enum Flag { kIntercept = 0, kPresentationSpace = 1, kOperatorInformation = 2, kPresentationSpace2 = 3 };

  // Connects at once (the result shows in connected()).
  explicit EventSocket(EventSources& sources);
  ~EventSocket();
  EventSocket(const EventSocket&) = delete;
  EventSocket& operator=(const EventSocket&) = delete;

  // 1 connected, 0 not (logged).
  int setupSocket();
  // Sends one event of a session. 0 when the event was dropped: no
  // connection could be had, or the send failed (the connection is then
  // closed and every subscription cleared); 1 when it was sent or queued.
  int sendData(SessionControlBlock* session, int type, const unsigned char* data, size_t length);

  // Closes a connection whose client went away, clearing every
  // subscription (the client subscribes again after it reconnects).
  void dropIfClosed();

  void setFlag(Flag flag, int handle, bool on);
  bool flag(Flag flag, int handle) const;
  bool presentationSpaceEvents(int handle) const {
    return flag(kPresentationSpace, handle) || flag(kPresentationSpace2, handle);
  }
  // A session ended: its slot starts again without subscriptions.
  void clearSession(int handle);
  bool connected() const { return fd_ >= 0; }

  // The window size of a session when it was created.
  void recordWindowSize(int handle, int width, int height);
  bool windowSize(int handle, int* width, int* height) const;

  // The record of one event, as sent (exposed for tests and measurements).
  static std::vector<unsigned char> Record(const std::string& host, int sessionNumber, int type,
                                           const unsigned char* data, size_t length);

 private:
  void disconnect();
  void clearAllFlags();
  void flush();

  EventSources& sources_;
  sockaddr_in peer_ = {};
  bool resolved_ = false;
  bool refusedLogged_ = false;
  int fd_ = -1;
  EventSources::Id outputId_ = 0;
  std::vector<unsigned char> out_;
  size_t outStart_ = 0;
  unsigned char flags_[4][kSlots] = {};
  uint16_t widths_[kSlots] = {};
  uint16_t heights_[kSlots] = {};
};
