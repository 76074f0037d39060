// TelnetLAN against the loopback TN5250 test host: a real connection,
// negotiation, records both ways and the ends of a connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "datastream/TelnetLAN.h"
#include "tests/datastream/TelnetTestSession.h"
#include "tests/support/LogCapture.h"
#include "tests/support/PollEventSources.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestHost5250.h"

namespace {

using namespace qwtest;

constexpr int kWaitMs = 10000;

struct Fixture {
    PollEventSources events;
    TelnetTestSession session{events};
    TelnetLAN telnet{session};
    TestHost5250 host;
    TestHost5250::Pump pump = [this] { events.ProcessPending(10); };

    explicit Fixture(TestHost5250::Options options = {}) : host(std::move(options)) { EXPECT_TRUE(host.Start()); }

    void Connect(int mode, const char* termType = nullptr, const char* devName = nullptr) {
        ASSERT_EQ(telnet.tel_init("127.0.0.1", host.Port()), 0);
        ASSERT_EQ(telnet.tel_setup(mode, termType, devName), 0);
        ASSERT_TRUE(host.WaitNegotiated(kWaitMs, pump));
        telnet.addSocketInput();
    }
    // Pumps the client until `done` or the deadline.
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

// Each verb-option pair the client sent, with its count.
std::map<std::string, int> CommandCounts(const std::vector<uint8_t>& bytes) {
    std::map<std::string, int> n;
    for (size_t i = 0; i + 2 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xFF) {
            ++i;
        } else if (bytes[i] == 0xFF && bytes[i + 1] >= 0xFB) {
            ++n[std::to_string(bytes[i + 1]) + "/" + std::to_string(bytes[i + 2])];
            i += 2;
        }
    }
    return n;
}

bool Contains(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
    return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

TEST(TelnetHost, NegotiationInBothModes) {
    struct Case {
        const char* name;
        int mode;
        const char* termType;
        const char* devName;
        std::string type;
        std::map<std::string, std::string> env;
    };
    const Case cases[] = {
        {"mode 0", 0, nullptr, nullptr, "IBM-3487-HC", {}},
        {"mode 0, terminal type given", 0, "IBM-3179-2", nullptr, "IBM-3179-2", {}},
        {"mode 1 with a device name", 1, nullptr, "QWS01",
         "IBM-3487-HC",
         {{"KBDTYPE", "USB"}, {"CODEPAGE", "037"}, {"CHARSET", "697"}, {"DEVNAME", "QWS01"}}},
        {"mode 1 without one", 1, nullptr, nullptr, "IBM-3487-HC",
         {{"KBDTYPE", "USB"}, {"CODEPAGE", "037"}, {"CHARSET", "697"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        f.Connect(c.mode, c.termType, c.devName);
        EXPECT_EQ(f.session.port, f.host.Port());
        EXPECT_EQ(f.session.statuses, (std::vector<unsigned>{657, 656, 658, 0, 655, 0}));
        EXPECT_EQ(f.host.TerminalType(), c.type);
        EXPECT_EQ(f.host.Environment(), c.env);
        EXPECT_EQ(f.host.ClientRefusedEnvironment(), c.mode == 0);
        EXPECT_STREQ(f.telnet.tel_devname(), c.devName ? c.devName : "");
        ASSERT_TRUE(f.host.Barrier(kWaitMs, f.pump));
        const std::vector<uint8_t> sent = f.host.ClientBytes();
        std::vector<uint8_t> typeIs = Concat({Bytes({0xFF, 0xFA, 0x18, 0x00}), Text(c.type), Bytes({0xFF, 0xF0})});
        EXPECT_TRUE(Contains(sent, typeIs));
        // Every option answer once: no acknowledgement is answered again.
        for (const auto& kv : CommandCounts(sent)) {
            if (kv.first == "251/6") continue;  // WILL TIMING-MARK answers each barrier
            EXPECT_EQ(kv.second, 1) << kv.first;
        }
        EXPECT_TRUE(f.session.errors.empty());
    }
}

TEST(TelnetHost, OnlyRegisteredTerminalTypesGetA5250Session) {
    // The host compares literally, as a real one does: the registered names
    // and nothing near them.
    struct Case {
        const char* type;
        bool accepted;
    };
    const Case cases[] = {
        {"IBM-3179-2", true},   {"IBM-3180-2", true},   {"IBM-3196-A1", true},  {"IBM-3477-FC", true},
        {"IBM-3477-FG", true},  {"IBM-3486-BA", true},  {"IBM-3487-HA", true},  {"IBM-3487-HC", true},
        {"IBM-5251-11", true},  {"IBM-5291-1", true},   {"IBM-5292-2", true},   {"IBM-5555-B01", true},
        {"IBM-5555-C01", true}, {"QAV-3487-HC", false}, {"ibm-3487-hc", false}, {"IBM-3487", false},
        {"IBM-3812-1", false},  {"IBM-3487-QX", false}, {"IBM-3179-2 ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        LogCapture log;
        Fixture f;
        ASSERT_EQ(f.telnet.tel_init("127.0.0.1", f.host.Port()), 0);
        const int rc = f.telnet.tel_setup(0, c.type, nullptr);
        EXPECT_EQ(f.host.TerminalType(), c.type);
        EXPECT_EQ(f.host.TerminalTypeRefused(), !c.accepted);
        if (c.accepted) {
            EXPECT_EQ(rc, 0);
            EXPECT_TRUE(f.host.WaitNegotiated(kWaitMs, f.pump));
        } else {
            // The refused 5250 options end the negotiation with its report.
            EXPECT_EQ(rc, -1);
            EXPECT_TRUE(log.Contains("QWC0047"));
            EXPECT_EQ(f.session.errors, (std::vector<std::pair<std::string, int>>{{"ErrorMsgTelnetNegoFailed", 1}}));
            EXPECT_FALSE(f.host.Negotiated());
        }
    }
}

TEST(TelnetHost, RecordsBothWaysWithDoubledIac) {
    Fixture f;
    f.Connect(0);
    const std::vector<uint8_t> screen = Bytes({0x00, 0x0F, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x00, 0x03,
                                               0xFF, 0x04, 0x11, 0xFF, 0xFF});
    f.host.SendRecord(screen);
    f.host.SendRecord(Bytes({0xEF, 0xFF, 0xEF}));
    ASSERT_TRUE(f.host.Barrier(kWaitMs, f.pump));
    EXPECT_EQ(f.session.records, (std::vector<std::vector<uint8_t>>{screen, Bytes({0xEF, 0xFF, 0xEF})}));

    const std::vector<uint8_t> inbound = Bytes({0x00, 0x0D, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x00, 0x03,
                                                0x01, 0xFF, 0xF1});
    ASSERT_EQ(f.telnet.tel_senddata(reinterpret_cast<const char*>(inbound.data()), static_cast<int>(inbound.size())), 1);
    ASSERT_EQ(f.telnet.tel_sendeor(), 1);
    std::vector<uint8_t> got;
    ASSERT_TRUE(f.host.WaitForRecord(kWaitMs, f.pump, &got));
    EXPECT_EQ(got, inbound);
    EXPECT_TRUE(Contains(f.host.ClientBytes(), Bytes({0x01, 0xFF, 0xFF, 0xF1, 0xFF, 0xEF})));
}

// The single commands that RFC 854 (and RFC 1184) allow at any time, even in
// the middle of a record, end nothing: they are ignored, Are You There is
// answered (with a NOP: text would be read as the start of a record).
TEST(TelnetHost, LegalTelnetCommandsKeepTheSession) {
    struct Case {
        const char* name;
        uint8_t command;
        bool answered;
    };
    const Case cases[] = {
        {"AYT", 0xF6, true}, {"DM", 0xF2, false},  {"BRK", 0xF3, false},  {"IP", 0xF4, false},
        {"AO", 0xF5, false}, {"EC", 0xF7, false},  {"EL", 0xF8, false},   {"NOP", 0xF1, false},
        {"GA", 0xF9, false}, {"EOF", 0xEC, false}, {"SUSP", 0xED, false}, {"ABORT", 0xEE, false},
    };
    Fixture f;
    f.Connect(0);
    size_t records = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(f.host.Barrier(kWaitMs, f.pump));
        const size_t before = f.host.ClientBytes().size();
        // Between records and inside one.
        f.host.SendRaw(Bytes({0xFF, c.command}));
        f.host.SendRaw(Concat({Text("AB"), Bytes({0xFF, c.command}), Text("C"), Bytes({0xFF, 0xEF})}));
        ASSERT_TRUE(f.host.Barrier(kWaitMs, f.pump));
        ++records;
        ASSERT_EQ(f.session.records.size(), records);
        EXPECT_EQ(f.session.records.back(), Text("ABC"));
        EXPECT_TRUE(f.session.errors.empty());
        EXPECT_TRUE(f.telnet.hasSocketInput());
        const std::vector<uint8_t> all = f.host.ClientBytes();
        const std::vector<uint8_t> answer(all.begin() + static_cast<long>(before), all.end());
        const std::vector<uint8_t> nop = Bytes({0xFF, 0xF1});
        const std::vector<uint8_t> mark = Bytes({0xFF, 0xFB, 0x06});  // the barrier's own answer
        EXPECT_EQ(answer, c.answered ? Concat({nop, nop, mark}) : mark);
    }
    // The session goes on both ways.
    ASSERT_EQ(f.telnet.tel_senddata("\x01\x02", 2), 1);
    ASSERT_EQ(f.telnet.tel_sendeor(), 1);
    std::vector<uint8_t> got;
    ASSERT_TRUE(f.host.WaitForRecord(kWaitMs, f.pump, &got));
    EXPECT_EQ(got, Bytes({0x01, 0x02}));
}

TEST(TelnetHost, HostClosingIsHandedOver) {
    LogCapture log;
    Fixture f;
    f.Connect(1, nullptr, "QWS01");
    f.host.Disconnect();
    ASSERT_TRUE(f.PumpUntil([&] { return !f.session.errors.empty(); }));
    EXPECT_EQ(f.session.errors, (std::vector<std::pair<std::string, int>>{{"ErrorMsgNoHostData2", 1}}));
    EXPECT_TRUE(log.Contains("QWC0152"));
    EXPECT_FALSE(f.telnet.hasSocketInput());
    EXPECT_EQ(f.events.InputCount(), 0u);
    EXPECT_STREQ(f.telnet.tel_devname(), "");  // cleared with the report
}

TEST(TelnetHost, ReconnectOnTheSameObject) {
    Fixture f;
    f.Connect(0);
    f.telnet.tel_close();
    EXPECT_EQ(f.telnet.tel_socket(), 0);
    EXPECT_EQ(f.events.InputCount(), 0u);  // no source left on the closed socket
    ASSERT_TRUE(f.host.WaitClientClosed(kWaitMs, f.pump));
    f.Connect(0);
    EXPECT_EQ(f.host.Connections(), 2);
    EXPECT_EQ(f.events.InputCount(), 1u);
    f.host.SendRecord(Text("again"));
    ASSERT_TRUE(f.host.Barrier(kWaitMs, f.pump));
    EXPECT_EQ(f.session.records.back(), Text("again"));
}

TEST(TelnetHost, RefusedConnectionIsAFailure) {
    // A port with no listener: bound, then closed again.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len), 0);
    close(fd);

    LogCapture log;
    PollEventSources events;
    TelnetTestSession session(events);
    TelnetLAN telnet(session);
    EXPECT_EQ(telnet.tel_init("127.0.0.1", ntohs(a.sin_port)), -2);
    EXPECT_EQ(session.errors, (std::vector<std::pair<std::string, int>>{{"ErrorMsgUnableToConnect", 1}}));
    EXPECT_TRUE(log.Contains("QWC0038"));
    EXPECT_EQ(telnet.tel_socket(), 0);
    EXPECT_EQ(telnet.socketDescriptor(), 0);
}

}  // namespace
