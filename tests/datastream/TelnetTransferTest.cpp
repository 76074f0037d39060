// The receive and send paths of TelnetLAN in transparent mode, on a
// socketpair: the test is the host.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "datastream/TelnetSocketInput.h"
#include "tests/datastream/TelnetTestSession.h"
#include "tests/support/FakeEventSources.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace qwtest;

struct Client {
    FakeEventSources events;
    TelnetTestSession session{events};
    SocketPair pair;
    std::unique_ptr<SocketTelnet> telnet = std::make_unique<SocketTelnet>(session);
    Client() { EXPECT_EQ(telnet->adoptConnectedSocket(pair.TakeClient(), true), 0); }
};

// Two records (a header of 10 bytes, then data), 0xFF doubled, each ended
// by IAC EOR, with a NOP, a GA and a DO TIMING-MARK between them.
const std::vector<uint8_t> kRecord1 = Bytes({0x00, 0x11, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x00, 0x03,
                                             0x04, 0xFF, 0x11, 0x01, 0x01, 0xFF, 0xFF});
const std::vector<uint8_t> kRecord2 = Bytes({0x00, 0x0B, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x00, 0x01, 0xEF});

std::vector<uint8_t> Wire(const std::vector<uint8_t>& record) {
    std::vector<uint8_t> w;
    for (uint8_t b : record) {
        w.push_back(b);
        if (b == 0xFF) w.push_back(0xFF);
    }
    w.insert(w.end(), {0xFF, 0xEF});
    return w;
}

const std::vector<uint8_t> kStream =
    Concat({Wire(kRecord1), Bytes({0xFF, 0xF1, 0xFF, 0xF9, 0xFF, 0xFD, 0x06}), Wire(kRecord2)});

// Writes the pieces one after another, the client reading after each.
void Deliver(Client& c, const std::vector<uint8_t>& stream, const std::vector<size_t>& cuts) {
    size_t from = 0;
    std::vector<size_t> ends = cuts;
    ends.push_back(stream.size());
    for (size_t end : ends) {
        c.pair.Write(std::vector<uint8_t>(stream.begin() + from, stream.begin() + end));
        ASSERT_EQ(c.telnet->tel_receive(), 0);
        from = end;
    }
}

void ExpectRecordsOnce(Client& c) {
    EXPECT_EQ(c.session.records, (std::vector<std::vector<uint8_t>>{kRecord1, kRecord2}));
    EXPECT_EQ(c.session.stream, Concat({kRecord1, kRecord2}));
    EXPECT_TRUE(c.session.current.empty());
    EXPECT_EQ(c.pair.ReadAll(), Bytes({0xFF, 0xFB, 0x06}));  // WILL TIMING-MARK, once
}

TEST(TelnetReceive, RecordsCutAtEveryBoundaryArriveOnceAndIntact) {
    for (size_t i = 0; i <= kStream.size(); ++i) {
        SCOPED_TRACE(i);
        Client c;
        Deliver(c, kStream, {i});
        ExpectRecordsOnce(c);
    }
    for (size_t i = 1; i < kStream.size(); ++i) {
        for (size_t j = i + 1; j < kStream.size(); ++j) {
            SCOPED_TRACE(std::to_string(i) + "," + std::to_string(j));
            Client c;
            Deliver(c, kStream, {i, j});
            ASSERT_EQ(c.session.records, (std::vector<std::vector<uint8_t>>{kRecord1, kRecord2}));
        }
    }
    Client c;
    std::vector<size_t> every;
    for (size_t i = 1; i < kStream.size(); ++i) every.push_back(i);
    Deliver(c, kStream, every);
    ExpectRecordsOnce(c);
}

TEST(TelnetReceive, SubNegotiationOfOption28IsSkippedToItsEnd) {
    Client c;
    // Everything up to IAC SE is its own, also bytes that look like data and
    // a doubled IAC.
    std::vector<uint8_t> sub = Bytes({0xFF, 0xFA, 0x28, 0x01, 0x02, 0xFF, 0xFF, 0xFB, 0x00, 0x44});
    sub.insert(sub.end(), 5000, 0x41);  // far longer than what is kept of it
    sub.insert(sub.end(), {0xFF, 0xF0});
    Deliver(c, Concat({Text("AB"), sub, Text("CD"), Bytes({0xFF, 0xEF})}), {});
    EXPECT_EQ(c.session.records, (std::vector<std::vector<uint8_t>>{Text("ABCD")}));
    EXPECT_TRUE(c.pair.ReadAll().empty());
    EXPECT_TRUE(c.session.errors.empty());
}

// A real protocol error closes the connection, so that the host sees it,
// and reports it; the Telnet commands that RFC 854 allows at any time are
// no such error (see the table with the loopback host).
TEST(TelnetReceive, ProtocolErrorsCloseTheConnection) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    std::vector<uint8_t> longSub = Bytes({0xFF, 0xFA, 0x18});
    longSub.insert(longSub.end(), 20000, 0x01);
    longSub.insert(longSub.end(), {0xFF, 0xF0});
    const Case cases[] = {
        {"a byte after IAC that is no command", Bytes({0xFF, 0x41})},
        {"SE without a sub-negotiation", Bytes({0xFF, 0xF0})},
        {"terminal-type SEND after negotiation", Bytes({0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xF0})},
        {"a long sub-negotiation", longSub},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        LogCapture log;
        Client c;
        c.telnet->addSocketInput();
        c.pair.Write(Concat({Text("XY"), k.bytes, Text("Z")}));
        c.events.ProcessPending(0);  // the socket's input procedure runs
        EXPECT_EQ(c.session.stream, Text("XY"));  // data before the error was handed over
        EXPECT_EQ(c.session.errors, (std::vector<std::pair<std::string, int>>{{"ErrorMsgFatalTelnetError", 1}}));
        EXPECT_TRUE(log.Contains("QWC0050"));
        EXPECT_FALSE(c.telnet->hasSocketInput());
        EXPECT_EQ(c.events.InputCount(), 0u);
        EXPECT_EQ(c.telnet->tel_socket(), 0);
        EXPECT_EQ(c.telnet->socketDescriptor(), 0);
        // The host sees the end of the connection.
        uint8_t byte;
        EXPECT_EQ(recv(c.pair.host, &byte, 1, MSG_DONTWAIT), 0);
    }
}

TEST(TelnetReceive, PeerClosingHandsOverOnceAndDropsTheInputSource) {
    LogCapture log;
    Client c;
    c.telnet->addSocketInput();
    c.pair.Write(Concat({Wire(kRecord1)}));
    c.pair.CloseHost();
    for (int i = 0; i < 5; ++i) c.events.ProcessPending(0);
    EXPECT_EQ(c.session.records, (std::vector<std::vector<uint8_t>>{kRecord1}));
    EXPECT_EQ(c.session.errors, (std::vector<std::pair<std::string, int>>{{"ErrorMsgNoHostData2", 1}}));
    EXPECT_EQ(c.session.statuses, std::vector<unsigned>{659});
    EXPECT_TRUE(log.Contains("QWC0053"));
    EXPECT_TRUE(log.Contains("QWC0152"));
    EXPECT_FALSE(c.telnet->hasSocketInput());
    EXPECT_EQ(c.events.InputCount(), 0u);
}

TEST(TelnetReceive, SessionEndedByTheRecordGlue) {
    for (bool throughInputSource : {false, true}) {
        SCOPED_TRACE(throughInputSource);
        Client c;
        // The record glue ends the session, which destroys the transport.
        c.session.onAccept = [&c] {
            c.telnet.reset();
            return 1;
        };
        c.pair.Write(Concat({Wire(kRecord1), Wire(kRecord2)}));
        if (throughInputSource) {
            c.telnet->addSocketInput();
            c.events.ProcessPending(0);
        } else {
            SocketTelnet* t = c.telnet.get();
            EXPECT_EQ(t->tel_receive(), -2);
        }
        EXPECT_EQ(c.telnet, nullptr);
        EXPECT_EQ(c.session.acceptCalls, 1);
        EXPECT_EQ(c.events.InputCount(), 0u);
    }
}

TEST(TelnetReceive, ClosedOnPurposeByTheRecordGlue) {
    Client c;
    c.session.onAccept = [&c] {
        c.telnet->tel_close();
        return 0;
    };
    c.pair.Write(Concat({Wire(kRecord1), Wire(kRecord2)}));
    EXPECT_EQ(c.telnet->tel_receive(), 0);
    EXPECT_EQ(c.session.acceptCalls, 1);
    EXPECT_EQ(c.telnet->tel_socket(), 0);
    EXPECT_TRUE(c.session.errors.empty());
}

std::vector<uint8_t> Undouble(const std::vector<uint8_t>& wire) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < wire.size(); ++i) {
        out.push_back(wire[i]);
        if (wire[i] == 0xFF && i + 1 < wire.size() && wire[i + 1] == 0xFF) ++i;
    }
    return out;
}

TEST(TelnetSend, DataIsDoubledRawIsNot) {
    Client c;
    const char data[] = {'\x01', '\xFF', '\x02', '\xFF'};
    EXPECT_EQ(c.telnet->tel_senddata(data, 4), 1);
    EXPECT_EQ(c.telnet->tel_sendraw("\xFF\x03", 2), 1);
    EXPECT_EQ(c.telnet->tel_sendeor(), 1);
    EXPECT_EQ(c.telnet->tel_sendbreak(), 1);
    EXPECT_EQ(c.telnet->tel_sendip(), 1);
    EXPECT_EQ(c.pair.ReadAll(),
              Bytes({0x01, 0xFF, 0xFF, 0x02, 0xFF, 0xFF, 0xFF, 0x03, 0xFF, 0xEF, 0xFF, 0xF3, 0xFF, 0xF4}));
}

TEST(TelnetSend, MessagesLargerThanTheBufferGoOutInOrder) {
    for (size_t size : {size_t(8191), size_t(8192), size_t(8193), size_t(30000)}) {
        SCOPED_TRACE(size);
        Client c;
        std::vector<uint8_t> message(size);
        for (size_t i = 0; i < size; ++i) message[i] = static_cast<uint8_t>(i % 20 == 0 ? 0xFF : i * 7);
        EXPECT_EQ(c.telnet->tel_sendraw("\x55", 1), 1);  // the buffer is not empty
        EXPECT_EQ(c.telnet->tel_senddata(reinterpret_cast<const char*>(message.data()), static_cast<int>(size)), 1);
        EXPECT_EQ(c.telnet->tel_sendeor(), 1);
        std::vector<uint8_t> wire = c.pair.ReadAll();
        ASSERT_GE(wire.size(), 3u);
        EXPECT_EQ(std::vector<uint8_t>(wire.end() - 2, wire.end()), Bytes({0xFF, 0xEF}));
        wire.resize(wire.size() - 2);
        EXPECT_EQ(Undouble(wire), Concat({Bytes({0x55}), message}));
    }
}

TEST(TelnetSend, FailuresAreReported) {
    LogCapture log;
    Client c;
    c.pair.CloseHost();
    // Queued data go out with the end of record, which then fails.
    EXPECT_EQ(c.telnet->tel_senddata("\x01\x02", 2), 1);
    EXPECT_EQ(c.telnet->tel_sendeor(), 0);
    EXPECT_EQ(c.telnet->tel_sendbreak(), 0);
    EXPECT_EQ(c.telnet->tel_sendip(), 0);
    EXPECT_TRUE(log.Contains("QWC0054"));
    c.telnet->tel_close();
    EXPECT_EQ(c.telnet->tel_senddata("\x01", 1), 0);
    EXPECT_EQ(c.telnet->tel_sendraw("\x01", 1), 0);
    EXPECT_EQ(c.telnet->tel_sendeor(), 0);
}

}  // namespace
