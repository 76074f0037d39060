// A TN5250 host on 127.0.0.1 for tests: negotiates as a host does (RFC 854,
// 855, 856, 885, 1091, 1205, 1572, 2877) and, like one, refuses the 5250
// options (WONT and DONT END-OF-RECORD and BINARY) to a client whose terminal
// type is no registered TN5250 display type; records what the client answers,
// sends scripted records and records the client's records. It runs on its
// own thread; all its socket I/O happens there, behind HostTransport, so a
// TLS layer can be put under it.
//
//   TestHost5250 host;
//   host.Start();
//   telnet.tel_init("127.0.0.1", host.Port()); telnet.tel_setup(...);
//   host.WaitNegotiated(5000, pump);
//   host.SendRecord(bytes);               // IACs doubled, IAC EOR appended
//   host.WaitForRecord(5000, pump, &rec); // the client's next record
//
// `pump` runs the client's event loop between checks (the client is
// single-threaded); without one the waits just block.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qwtest {

// The host's byte I/O on one accepted connection (non-blocking).
class HostTransport {
public:
    virtual ~HostTransport() = default;
    // > 0 bytes read, 0 end of connection, -1 with errno (EAGAIN: nothing yet).
    virtual long Read(void* buffer, size_t size) = 0;
    // Bytes written, or -1 with errno (EAGAIN: try when writable).
    virtual long Write(const void* data, size_t size) = 0;
    virtual int Fd() const = 0;
};
// Makes the transport of an accepted socket (which it then owns), or null
// to refuse the connection.
using HostTransportFactory = std::function<std::unique_ptr<HostTransport>(int fd)>;

class TestHost5250 {
public:
    struct Options {
        bool askEnvironment = true;       // DO NEW-ENVIRON and SB NEW-ENVIRON SEND
        std::set<uint8_t> refuse;         // options the host refuses (WONT/DONT)
        bool timingMarkDuringNegotiation = false;  // a DO TIMING-MARK before DO EOR
        HostTransportFactory transport;   // plain socket when empty
    };
    using Pump = std::function<void()>;

    TestHost5250();
    explicit TestHost5250(Options options);
    ~TestHost5250();
    TestHost5250(const TestHost5250&) = delete;
    TestHost5250& operator=(const TestHost5250&) = delete;

    bool Start();  // listens on 127.0.0.1, port chosen by the system
    int Port() const { return port_; }
    void Stop();

    bool WaitNegotiated(int timeoutMs, const Pump& pump = nullptr);
    // Until the client has named its terminal type.
    bool WaitTerminalType(int timeoutMs, const Pump& pump = nullptr);
    // Sends bytes as one record: every 0xFF doubled, IAC EOR appended.
    void SendRecord(const std::vector<uint8_t>& bytes);
    // Sends bytes as they stand.
    void SendRaw(const std::vector<uint8_t>& bytes);
    // A DO TIMING-MARK round trip: once it returns true the client has
    // taken everything sent before it.
    bool Barrier(int timeoutMs, const Pump& pump = nullptr);
    // Takes the client's oldest record not taken yet.
    bool WaitForRecord(int timeoutMs, const Pump& pump, std::vector<uint8_t>* record = nullptr);
    // The host closes the connection (and accepts the next one).
    void Disconnect();
    bool WaitClientClosed(int timeoutMs, const Pump& pump = nullptr);

    // About the current (or last) connection.
    bool Negotiated() const;
    std::string TerminalType() const;
    bool TerminalTypeRefused() const;  // the type is not registered
    std::map<std::string, std::string> Environment() const;  // USERVAR and VAR values
    std::string DeviceName() const;                          // DEVNAME, "" when none
    bool ClientRefusedEnvironment() const;
    bool ClientRefused(uint8_t option) const;  // the client sent WONT for it
    std::vector<uint8_t> ClientBytes() const;  // all bytes the client sent
    std::vector<std::vector<uint8_t>> Records() const;
    int Connections() const;

private:
    struct Conn;
    void Run();
    void Wake();
    bool WaitFor(int timeoutMs, const Pump& pump, const std::function<bool()>& done);
    void Accept();
    void ReadClient();
    void Consume(uint8_t b);
    void OnCommand(uint8_t verb, uint8_t option);
    void OnSub(const std::vector<uint8_t>& sub);
    void Advance();
    void Queue(std::vector<uint8_t> bytes);
    void Send(uint8_t verb, uint8_t option);
    void FlushOut();
    void CloseConn();

    Options opts_;
    int listenFd_ = -1;
    int wakeFd_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
    bool stop_ = false;

    mutable std::mutex mu_;
    std::condition_variable cv_;
    std::deque<std::vector<uint8_t>> outbox_;  // from the test thread
    bool disconnect_ = false;
    std::unique_ptr<Conn> conn_;
    int connections_ = 0;
    size_t recordsTaken_ = 0;
};

}  // namespace qwtest
