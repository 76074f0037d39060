// A small client of the emulator's programming interface, written from the
// wire format alone: 32-bit big-endian integers; the handshake word after
// connecting; requests of class, function, data length and data; replies of
// a return code and data whose length the client knows from the function.
// Also a listener for the event connection that the emulator opens.
//
// The emulator may run in this very thread (an in-process session): every
// wait then calls `pump` between its checks, so that the emulator's event
// loop serves the request.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qwtest {

using EclBytes = std::vector<uint8_t>;

void EclPut32(EclBytes& out, uint32_t v);
uint32_t EclGet32(const uint8_t* p);
// Request data: the session handle, and a handle followed by two ignored
// bytes and a NUL-terminated text (SendKeys, SetString).
EclBytes EclHandle(uint32_t handle);
EclBytes EclHandleText(uint32_t handle, const std::string& text);
EclBytes EclHandleWords(uint32_t handle, const std::vector<uint32_t>& words);
EclBytes EclText(const std::string& text);  // NUL-terminated, no handle

class EclClient {
 public:
  using Pump = std::function<void()>;
  static constexpr int kWaitMs = 20000;

  explicit EclClient(Pump pump = nullptr) : pump_(std::move(pump)) {}
  ~EclClient();
  EclClient(const EclClient&) = delete;
  EclClient& operator=(const EclClient&) = delete;

  // Connects to 127.0.0.1:port and reads the handshake word.
  bool Connect(int port, uint32_t* handshake);
  void Close();
  bool Connected() const { return fd_ >= 0; }

  bool SendRequest(int32_t classId, int32_t functionId, const EclBytes& data);
  bool SendRaw(const EclBytes& bytes);
  // Reads exactly n bytes (false on a timeout or the end of the connection).
  bool Read(size_t n, EclBytes* out, int timeoutMs = kWaitMs);
  bool ReadWord(uint32_t* word, int timeoutMs = kWaitMs);
  // True when the emulator closed the connection (within the time).
  bool WaitClosed(int timeoutMs = kWaitMs);

  // One request whose reply data has a fixed size when it succeeds; the
  // return code in *rc. False only on a transport failure.
  bool Call(int32_t classId, int32_t functionId, const EclBytes& data, size_t replySize, int32_t* rc,
            EclBytes* reply = nullptr);

  struct Screen {
    uint32_t rows = 0, columns = 0;
    std::string text;
    std::vector<EclBytes> planes;  // colour, highlighting, shift marks, zeros
  };
  bool ReadScreen(uint32_t handle, int32_t* rc, Screen* screen);
  // Base function 10: the names of the sessions.
  bool SessionNames(std::vector<std::string>* names);
  // Connection function 0: the handle and session number of a name.
  bool FindSession(const std::string& name, int32_t* rc, uint32_t* handle, uint32_t* number);
  // A reply of a length word and that many bytes (titles, code pages).
  bool CallText(int32_t classId, int32_t functionId, const EclBytes& data, int32_t* rc, std::string* text);

 private:
  bool WaitReadable(int timeoutMs);
  int fd_ = -1;
  Pump pump_;
};

// The listening end of the event connection, on 127.0.0.1 (port chosen by
// the system).
class EclEventListener {
 public:
  struct Event {
    std::string host;
    uint32_t sessionNumber = 0;
    uint32_t type = 0;
    EclBytes data;
  };
  explicit EclEventListener(EclClient::Pump pump = nullptr) : pump_(std::move(pump)) {}
  ~EclEventListener();
  bool Start();
  int Port() const { return port_; }
  // Accepts the emulator's connection when it has come (true once there is one).
  bool Accepted(int timeoutMs);
  // The next event (false on a timeout).
  bool Next(Event* event, int timeoutMs = EclClient::kWaitMs);
  // Events already here, without waiting for more.
  std::vector<Event> Drain(int quietMs);
  // Closes the accepted connection (the emulator's next send fails).
  void DropConnection();
  int Connections() const { return connections_; }

 private:
  bool Fill(size_t n, int timeoutMs);
  int listenFd_ = -1;
  int fd_ = -1;
  int port_ = 0;
  int connections_ = 0;
  EclBytes buffer_;
  EclClient::Pump pump_;
};

}  // namespace qwtest
