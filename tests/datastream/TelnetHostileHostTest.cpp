// TelnetLAN against hostile hosts on real loopback TCP connections: a flood
// of record ends during the negotiation, and a host that stops reading, on a
// plain connection and through the session's secure socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QW_TEST_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define QW_TEST_ASAN 1
#endif
#ifdef QW_TEST_ASAN
#include <sanitizer/allocator_interface.h>
#else
#include <malloc.h>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "datastream/BrellObject.h"
#include "datastream/TelnetLAN.h"
#include "tests/datastream/TelnetTestSession.h"
#include "tests/support/LogCapture.h"
#include "tests/support/PollEventSources.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestClock.h"
#include "tests/support/TlsHostTransport.h"

namespace {

using namespace qwtest;

constexpr int kWaitMs = 10000;

// Bytes in use on the heap now.
size_t HeapBytes() {
#ifdef QW_TEST_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

// A listening socket on 127.0.0.1, port chosen by the system.
struct Listener {
    int fd = -1;
    int port = 0;
    Listener() {
        fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && listen(fd, 1) == 0 &&
            getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
            port = ntohs(a.sin_port);
    }
    ~Listener() { close(fd); }
};

// A connected loopback TCP pair with small socket buffers, so that a host
// that does not read fills them soon; `client` goes to the transport.
struct TcpPair {
    int client = -1;
    int host = -1;
    TcpPair() {
        Listener l;
        int small = 4096;
        setsockopt(l.fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        setsockopt(client, SOL_SOCKET, SO_SNDBUF, &small, sizeof small);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<uint16_t>(l.port));
        if (connect(client, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return;
        host = accept4(l.fd, nullptr, nullptr, SOCK_CLOEXEC);
    }
    ~TcpPair() {
        if (host >= 0) close(host);
        if (client >= 0) close(client);
    }
    int TakeClient() {
        int fd = client;
        client = -1;
        return fd;
    }
};

std::vector<uint8_t> Wire(const std::vector<uint8_t>& record) {
    std::vector<uint8_t> w;
    for (uint8_t b : record) {
        w.push_back(b);
        if (b == 0xFF) w.push_back(0xFF);
    }
    w.insert(w.end(), {0xFF, 0xEF});
    return w;
}

// The n-th record of user input: its number in every byte but the 0xFF ones.
std::vector<uint8_t> UserRecord(int n) {
    std::vector<uint8_t> r(4000);
    for (size_t i = 0; i < r.size(); ++i) r[i] = i % 97 == 0 ? 0xFF : static_cast<uint8_t>(n + i);
    return r;
}

int Send(TelnetLAN& telnet, const std::vector<uint8_t>& record) {
    return telnet.tel_senddata(reinterpret_cast<const char*>(record.data()), static_cast<int>(record.size())) &&
           telnet.tel_sendeor();
}

TEST(TelnetHostileHost, RecordEndFloodDuringNegotiationIsBounded) {
    LogCapture log;
    Listener listener;
    ASSERT_GT(listener.port, 0);
    std::atomic<size_t> flooded{0};
    // DO TERMINAL-TYPE, then nothing but IAC EOR (16 MB of it), never ending
    // the negotiation.
    std::thread host([&] {
        int fd = accept4(listener.fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) return;
        std::vector<uint8_t> block(64 * 1024);
        for (size_t i = 0; i < block.size(); i += 2) {
            block[i] = 0xFF;
            block[i + 1] = 0xEF;
        }
        const uint8_t doTermType[] = {0xFF, 0xFD, 0x18};
        send(fd, doTermType, sizeof doTermType, MSG_NOSIGNAL);
        while (flooded < 16u * 1024 * 1024) {
            ssize_t n = send(fd, block.data(), block.size(), MSG_NOSIGNAL);
            if (n <= 0) break;
            flooded += static_cast<size_t>(n);
        }
        close(fd);
    });

    PollEventSources events;
    TelnetTestSession session(events);
    session.negotiateSeconds = 5;
    TelnetLAN telnet(session);
    ASSERT_EQ(telnet.tel_init("127.0.0.1", listener.port), 0);
    const size_t before = HeapBytes();
    EXPECT_EQ(telnet.tel_setup(0, nullptr, nullptr), -1);
    const size_t grown = HeapBytes() - before;
    // The record ends count against the limit of host data kept before
    // transparent mode: refused long before the flood ends.
    EXPECT_LT(grown, 1024u * 1024u);
    ASSERT_EQ(session.errors.size(), 1u);
    EXPECT_EQ(session.errors[0].first, "ErrorMsgTelnetNegoFailed");
    EXPECT_EQ(session.acceptCalls, 0);
    EXPECT_LT(flooded.load(), 16u * 1024 * 1024);
    telnet.tel_close();
    host.join();
}

// An event loop without output sources: the transport tries again on a
// timer instead.
class TimerOnlyEvents : public PollEventSources {
public:
    Id AddOutput(int, Callback) override { return 0; }
};

// The session, with its secure socket in use when `secure` is set.
class HostileTestSession : public TelnetTestSession, public BrellSessionLink {
public:
    using TelnetTestSession::TelnetTestSession;
    TelnetStream* secureStream() override { return secure ? &brell : nullptr; }
    bool traceFlag() const override { return false; }
    void errorDialog(const char* msgName) override { dialogs.push_back(msgName); }

    bool secure = false;
    BrellObject brell{this};
    std::vector<std::string> dialogs;
};

enum class Link { Plain, Tls };

struct StalledHost {
    std::unique_ptr<PollEventSources> loop;
    PollEventSources& events;
    HostileTestSession session{events};
    TcpPair pair;
    SocketTelnet telnet{session};
    std::unique_ptr<HostTransport> tlsHost;  // the host's end over TLS
    std::vector<uint8_t> expected;  // every byte the client accepted to send
    int next = 0;

    explicit StalledHost(bool outputSources = true, Link link = Link::Plain)
        : loop(outputSources ? std::make_unique<PollEventSources>() : std::make_unique<TimerOnlyEvents>()),
          events(*loop) {
        if (link == Link::Tls) StartTls();
        EXPECT_EQ(telnet.adoptConnectedSocket(pair.TakeClient(), true), 0);
        telnet.addSocketInput();
    }
    // The secure session over the pair: the host's handshake on a thread,
    // the client's through the session's secure socket, bounded by 3 s.
    void StartTls() {
        TempDir dir;
        TestCa ca;
        std::string setting = dir.WriteFile("host.kyr", ca.CertPem());
        const HostTransportFactory factory = TlsHostTransportFactory(ServerWith(ca.Issue(CertSpec{})));
        const int hostFd = pair.host;
        pair.host = -1;  // the transport owns it
        std::thread handshake([&] { tlsHost = factory(hostFd); });
        session.secure = true;
        const int rc = session.brell.brell_init("SSLV3", setting.c_str(), nullptr, 100, 1000);
        EXPECT_EQ(rc, 0);
        if (rc == 0) EXPECT_EQ(session.brell.brell_soc_init(pair.client, 3000, "127.0.0.1", "SSLV3", "2", "03"), 0);
        handshake.join();
        EXPECT_TRUE(tlsHost);
    }
    // The host's side: sends all of `bytes`, reads what is there (> 0 a
    // count, 0 end of connection, -1 with errno).
    bool HostWrite(const std::vector<uint8_t>& bytes) {
        if (!tlsHost) return write(pair.host, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
        return tlsHost->Write(bytes.data(), bytes.size()) == static_cast<long>(bytes.size());
    }
    long HostRead(uint8_t* buffer, size_t size) {
        if (!tlsHost) return recv(pair.host, buffer, size, MSG_DONTWAIT);
        return tlsHost->Read(buffer, size);
    }
    void HostClose() {
        if (tlsHost) {
            tlsHost.reset();
            return;
        }
        close(pair.host);
        pair.host = -1;
    }
    // User input until the connection holds some of it back.
    void FillUntilQueued() {
        while (telnet.unsentBytes() == 0 && next < 2000) SendNext();
        ASSERT_GT(telnet.unsentBytes(), 0u);
    }
    int SendNext() {
        const std::vector<uint8_t> r = UserRecord(next++);
        const int ok = Send(telnet, r);
        if (ok) {
            const std::vector<uint8_t> w = Wire(r);
            expected.insert(expected.end(), w.begin(), w.end());
        }
        return ok;
    }
    template <typename F>
    bool PumpUntil(F done) {
        Deadline d(kWaitMs);
        while (!done()) {
            if (d.Expired()) return false;
            events.ProcessPending(10);
        }
        return true;
    }
};

TEST(TelnetHostileHost, HostThatStopsReadingNeverStopsTheLoop) {
    struct Case {
        const char* name;
        bool outputSources;  // else: writability is tried on a timer
        Link link;
    };
    const Case cases[] = {
        {"writability through an output source", true, Link::Plain},
        {"writability tried on a timer", false, Link::Plain},
        // A secure write waits for no room either: the secure socket takes
        // what fits and the rest is queued like plain bytes.
        {"over TLS, writability through an output source", true, Link::Tls},
        {"over TLS, writability tried on a timer", false, Link::Tls},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StalledHost s(c.outputSources, c.link);
        s.FillUntilQueued();
        // More user input while the host does not read: taken, held in order.
        for (int i = 0; i < 3; ++i) EXPECT_EQ(s.SendNext(), 1);

        // The loop goes on: timers run and the host's records are taken.
        bool fired = false;
        s.events.AddTimeOut(1, [&fired] { fired = true; });
        ASSERT_TRUE(s.HostWrite(Wire(Text("PING"))));
        ASSERT_TRUE(s.PumpUntil([&] { return fired && s.session.records.size() == 1; }));
        EXPECT_GT(s.telnet.unsentBytes(), 0u);
        // Input is still taken, and held back behind what is queued.
        EXPECT_EQ(s.SendNext(), 1);

        // The host reads again: everything arrives, once and in order.
        std::vector<uint8_t> got;
        ASSERT_TRUE(s.PumpUntil([&] {
            uint8_t buf[65536];
            long n;
            while ((n = s.HostRead(buf, sizeof buf)) > 0) got.insert(got.end(), buf, buf + n);
            return got.size() >= s.expected.size();
        }));
        EXPECT_TRUE(got == s.expected);
        EXPECT_EQ(s.telnet.unsentBytes(), 0u);
        EXPECT_EQ(s.events.InputCount(), 1u);  // the socket's input; no output source left
        EXPECT_EQ(s.events.TimerCount(), 0u);
        EXPECT_TRUE(s.session.errors.empty());
        EXPECT_TRUE(s.session.dialogs.empty());
    }
}

TEST(TelnetHostileHost, UnsendableInputIsABrokenConnection) {
    struct Case {
        const char* name;
        bool hostCloses;  // else: the host never reads again
        const char* logLine;  // null: the read or the write may see the close first
        Link link;
    };
    const Case cases[] = {
        {"the host closes with input pending", true, nullptr, Link::Plain},
        {"more input than the connection may hold back", false, "QWC0056", Link::Plain},
        {"the TLS host closes with input pending", true, nullptr, Link::Tls},
        {"more input than the TLS connection may hold back", false, "QWC0056", Link::Tls},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        StalledHost s(true, c.link);
        s.FillUntilQueued();
        if (c.hostCloses) {
            s.HostClose();
        } else {
            bool refused = false;
            for (int i = 0; i < 200 && !refused; ++i) refused = s.SendNext() == 0;
            EXPECT_TRUE(refused);
            EXPECT_LE(s.expected.size(), TelnetLAN::kSendQueueLimit + 4u * 1024 * 1024);
        }
        // Reported once, from the event loop, to the connection-failure path
        // (dialog and retries); nothing of the connection is left.
        ASSERT_TRUE(s.PumpUntil([&] { return !s.session.errors.empty(); }));
        for (int i = 0; i < 5; ++i) s.events.ProcessPending(0);
        EXPECT_EQ(s.session.errors, (std::vector<std::pair<std::string, int>>{{"ErrorMsgNoHostData2", 1}}));
        EXPECT_EQ(s.session.statuses, std::vector<unsigned>{659});
        if (c.logLine) EXPECT_TRUE(log.Contains(c.logLine));
        EXPECT_EQ(s.telnet.tel_socket(), 0);
        EXPECT_EQ(s.telnet.socketDescriptor(), 0);
        EXPECT_EQ(s.events.InputCount(), 0u);
        EXPECT_EQ(s.events.TimerCount(), 0u);
        EXPECT_EQ(s.SendNext(), 0);
        EXPECT_TRUE(s.session.dialogs.empty());
        if (!c.hostCloses) {
            // The host sees the end of the connection after what was sent.
            ASSERT_TRUE(s.PumpUntil([&] {
                uint8_t buf[65536];
                long n;
                while ((n = s.HostRead(buf, sizeof buf)) > 0) {
                }
                return n == 0 || (n < 0 && errno != EAGAIN);
            }));
        }
    }
}

}  // namespace
