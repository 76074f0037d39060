// The TN5250 negotiation of TelnetLAN against a scripted host on a
// socketpair: the host's bytes are written before tel_setup runs, or the
// rest of them when the transport first waits, so every case is exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/datastream/TelnetTestSession.h"
#include "tests/support/FakeEventSources.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace qwtest;

const std::vector<uint8_t> kDoTermType = Bytes({0xFF, 0xFD, 0x18});
const std::vector<uint8_t> kSendTermType = Bytes({0xFF, 0xFA, 0x18, 0x01, 0xFF, 0xF0});
const std::vector<uint8_t> kDoEnviron = Bytes({0xFF, 0xFD, 0x27});
const std::vector<uint8_t> kSendEnviron = Bytes({0xFF, 0xFA, 0x27, 0x01, 0x00, 0x03, 0xFF, 0xF0});
const std::vector<uint8_t> kEorBinary =
    Bytes({0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x19, 0xFF, 0xFD, 0x00, 0xFF, 0xFB, 0x00});
// A record that came with the negotiation: the transport must keep it.
const std::vector<uint8_t> kEarlyRecord = Bytes({0x00, 0x0D, 0x12, 0xA0, 0xFF, 0xFF, 0x00, 0xFF, 0xEF});

std::vector<uint8_t> TermTypeIs(const std::string& type) {
    return Concat({Bytes({0xFF, 0xFA, 0x18, 0x00}), Text(type), Bytes({0xFF, 0xF0})});
}

std::vector<uint8_t> EnvironIs(const char* kbd, const char* cp, const char* cs, const std::string& dev) {
    std::vector<uint8_t> v = Bytes({0xFF, 0xFA, 0x27, 0x00});
    auto var = [&](const std::string& name, const std::string& value) {
        v.push_back(0x03);
        v.insert(v.end(), name.begin(), name.end());
        v.push_back(0x01);
        v.insert(v.end(), value.begin(), value.end());
    };
    var("KBDTYPE", kbd);
    var("CODEPAGE", cp);
    var("CHARSET", cs);
    if (!dev.empty()) var("DEVNAME", dev);
    v.insert(v.end(), {0xFF, 0xF0});
    return v;
}

// The client's bytes as a list of commands ("FB 18", "SB 18 00 ...").
std::vector<std::string> Commands(const std::vector<uint8_t>& bytes) {
    std::vector<std::string> out;
    char b[8];
    for (size_t i = 0; i < bytes.size();) {
        if (bytes[i] != 0xFF || i + 1 >= bytes.size()) {
            out.push_back("data");
            ++i;
            continue;
        }
        std::string s;
        if (bytes[i + 1] == 0xFA) {
            size_t j = i + 2;
            s = "SB";
            while (j + 1 < bytes.size() && !(bytes[j] == 0xFF && bytes[j + 1] == 0xF0)) {
                snprintf(b, sizeof b, " %02X", bytes[j]);
                s += b;
                ++j;
            }
            i = j + 2;
        } else if (bytes[i + 1] >= 0xFB && i + 2 < bytes.size()) {
            snprintf(b, sizeof b, "%02X %02X", bytes[i + 1], bytes[i + 2]);
            s = b;
            i += 3;
        } else {
            snprintf(b, sizeof b, "%02X", bytes[i + 1]);
            s = b;
            i += 2;
        }
        out.push_back(s);
    }
    return out;
}

struct Client {
    FakeEventSources events;
    TelnetTestSession session{events};
    SocketPair pair;
    std::unique_ptr<SocketTelnet> telnet = std::make_unique<SocketTelnet>(session);
    Client() { EXPECT_EQ(telnet->adoptConnectedSocket(pair.TakeClient(), false), 0); }
    // The host's bytes: `first` now, `rest` when the transport first waits.
    void Script(const std::vector<uint8_t>& first, const std::vector<uint8_t>& rest) {
        pair.Write(first);
        if (rest.empty()) return;
        events.SetOnProcessPending([this, rest] {
            pair.Write(rest);
            events.SetOnProcessPending(nullptr);
        });
    }
};

struct TranscriptCase {
    const char* name;
    int mode;
    const char* termType;
    const char* devName;
    TelnetLanguageValues language;
    std::vector<uint8_t> host;
    std::vector<uint8_t> client;  // exactly what the client answers
};

std::vector<TranscriptCase> TranscriptCases() {
    const TelnetLanguageValues none{nullptr, nullptr, nullptr};
    const TelnetLanguageValues deu{"AGB", "273", "697"};
    return {
        {"mode 0 refuses NEW-ENVIRON", 0, nullptr, nullptr, none,
         Concat({kDoTermType, kSendTermType, kDoEnviron, kEorBinary}),
         Concat({Bytes({0xFF, 0xFB, 0x18}), TermTypeIs("IBM-3487-HC"), Bytes({0xFF, 0xFC, 0x27}),
                 Bytes({0xFF, 0xFB, 0x19, 0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00})})},
        {"mode 1 sends the environment with the device name", 1, nullptr, "QWDEV01", none,
         Concat({kDoTermType, kSendTermType, kDoEnviron, kSendEnviron, kEorBinary}),
         Concat({Bytes({0xFF, 0xFB, 0x18}), TermTypeIs("IBM-3487-HC"), Bytes({0xFF, 0xFB, 0x27}),
                 EnvironIs("USB", "037", "697", "QWDEV01"),
                 Bytes({0xFF, 0xFB, 0x19, 0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00})})},
        {"mode 1 without a device name, the session's language", 1, nullptr, nullptr, deu,
         Concat({kDoTermType, kSendTermType, kDoEnviron, kSendEnviron, kEorBinary}),
         Concat({Bytes({0xFF, 0xFB, 0x18}), TermTypeIs("IBM-3487-HC"), Bytes({0xFF, 0xFB, 0x27}),
                 EnvironIs("AGB", "273", "697", ""),
                 Bytes({0xFF, 0xFB, 0x19, 0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00})})},
        {"a given terminal type; DO TIMING-MARK answered, not waited for", 0, "IBM-3477-FC", nullptr, none,
         Concat({Bytes({0xFF, 0xFD, 0x06}), kDoTermType, kSendTermType, kEorBinary}),
         Concat({Bytes({0xFF, 0xFB, 0x06, 0xFF, 0xFB, 0x18}), TermTypeIs("IBM-3477-FC"),
                 Bytes({0xFF, 0xFB, 0x19, 0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00})})},
        // A host that acknowledges twice is not answered twice: answering
        // acknowledgements lets two peers echo each other for ever.
        {"acknowledgements are not answered", 1, nullptr, nullptr, none,
         Concat({kDoTermType, kDoTermType, kSendTermType, kDoEnviron, kDoEnviron, kSendEnviron, kEorBinary,
                 Bytes({0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x00})}),
         Concat({Bytes({0xFF, 0xFB, 0x18}), TermTypeIs("IBM-3487-HC"), Bytes({0xFF, 0xFB, 0x27}),
                 EnvironIs("USB", "037", "697", ""),
                 Bytes({0xFF, 0xFB, 0x19, 0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x00, 0xFF, 0xFD, 0x00})})},
    };
}

TEST(TelnetNegotiation, TranscriptOfEachMode) {
    for (const auto& c : TranscriptCases()) {
        SCOPED_TRACE(c.name);
        Client client;
        client.session.language = c.language;
        client.Script(Concat({c.host, kEarlyRecord}), {});
        ASSERT_EQ(client.telnet->tel_setup(c.mode, c.termType, c.devName), 0);
        EXPECT_EQ(client.pair.ReadAll(), c.client);
        EXPECT_EQ(client.telnet->tel_socket(), 1);
        EXPECT_EQ(client.session.transparentCount, 1);
        EXPECT_TRUE(client.session.errors.empty());
        EXPECT_STREQ(client.telnet->tel_devname(), c.devName ? c.devName : "");
        // Data that came with the negotiation, and bytes read past its end,
        // reach the record glue once tel_setup is done, not later.
        EXPECT_EQ(client.session.records, (std::vector<std::vector<uint8_t>>{Bytes({0x00, 0x0D, 0x12, 0xA0, 0xFF, 0x00})}));
    }
}

TEST(TelnetNegotiation, SameAnswersWhereverTheHostStreamIsCut) {
    for (const auto& c : TranscriptCases()) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> host = Concat({c.host, kEarlyRecord});
        std::vector<std::string> expected = Commands(c.client);
        std::sort(expected.begin(), expected.end());
        for (size_t cut = 0; cut <= host.size(); ++cut) {
            SCOPED_TRACE(cut);
            Client client;
            client.session.language = c.language;
            client.Script(std::vector<uint8_t>(host.begin(), host.begin() + cut),
                          std::vector<uint8_t>(host.begin() + cut, host.end()));
            ASSERT_EQ(client.telnet->tel_setup(c.mode, c.termType, c.devName), 0);
            std::vector<std::string> got = Commands(client.pair.ReadAll());
            std::sort(got.begin(), got.end());
            ASSERT_EQ(got, expected);
            // The record: delivered by tel_setup, or read now when the cut
            // left it for later; either way once.
            client.events.ProcessPending(0);
            ASSERT_EQ(client.telnet->tel_receive(), 0);
            ASSERT_EQ(client.session.records.size(), 1u);
        }
    }
}

struct RefusalCase {
    const char* name;
    std::vector<uint8_t> host;
};

TEST(TelnetNegotiation, RefusedRequiredOptionFailsByMode) {
    const RefusalCase cases[] = {
        {"WONT BINARY", Concat({kDoTermType, kSendTermType, Bytes({0xFF, 0xFD, 0x19, 0xFF, 0xFB, 0x19, 0xFF,
                                                                   0xFD, 0x00, 0xFF, 0xFC, 0x00})})},
        {"DONT END-OF-RECORD", Concat({kDoTermType, kSendTermType, Bytes({0xFF, 0xFE, 0x19, 0xFF, 0xFD, 0x00,
                                                                          0xFF, 0xFB, 0x00})})},
        {"WONT TERMINAL-TYPE", Concat({Bytes({0xFF, 0xFC, 0x18}), kEorBinary})},
    };
    for (const auto& c : cases) {
        for (int mode : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + " mode " + std::to_string(mode));
            LogCapture log;
            Client client;
            client.Script(c.host, {});
            const int r = client.telnet->tel_setup(mode, nullptr, nullptr);
            EXPECT_EQ(client.telnet->tel_socket(), 0);
            if (mode == 1) {
                EXPECT_EQ(r, -2);
                EXPECT_TRUE(client.session.errors.empty());  // the caller tries another name
            } else {
                EXPECT_EQ(r, -1);
                EXPECT_EQ(client.session.errors,
                          (std::vector<std::pair<std::string, int>>{{"ErrorMsgTelnetNegoFailed", 1}}));
                EXPECT_TRUE(log.Contains("QWC0047"));
            }
        }
    }
}

TEST(TelnetNegotiation, SilentOrClosingHost) {
    struct Case {
        const char* name;
        bool closeHost;
        int mode;
        int result;
        bool reported;
        const char* logId;
    };
    const Case cases[] = {
        {"silent host, mode 0", false, 0, -1, true, "QWC0042"},
        {"silent host, mode 1", false, 1, -1, true, "QWC0042"},
        {"host closes, mode 0", true, 0, -1, true, "QWC0041"},
        {"host closes, mode 1", true, 1, -2, false, "QWC0053"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        LogCapture log;
        Client client;
        if (c.closeHost) client.pair.CloseHost();
        EXPECT_EQ(client.telnet->tel_setup(c.mode, nullptr, nullptr), c.result);
        EXPECT_EQ(!client.session.errors.empty(), c.reported);
        if (c.reported) EXPECT_EQ(client.session.errors[0].first, "ErrorMsgTelnetNegoFailed");
        EXPECT_TRUE(log.Contains(c.logId));
        if (!c.closeHost) EXPECT_TRUE(log.Contains("NEGOTIATE_TIMEOUT"));
        EXPECT_EQ(client.events.InputCount(), 0u);  // the wait's input source is gone
    }
}

TEST(TelnetNegotiation, TooMuchDataBeforeTransparentModeIsRefused) {
    LogCapture log;
    Client client;
    std::vector<uint8_t> flood(TelnetLAN::kEarlyDataLimit + 1, 0x40);
    client.Script(Concat({kDoTermType, flood}), {});
    EXPECT_EQ(client.telnet->tel_setup(0, nullptr, nullptr), -1);
    EXPECT_EQ(client.session.errors.size(), 1u);
    EXPECT_EQ(client.session.acceptCalls, 0);
}

TEST(TelnetNegotiation, SessionEndedDuringTheWait) {
    Client client;
    client.events.SetOnProcessPending([&client] { client.telnet.reset(); });
    // No host bytes: the transport waits, and the session (with the
    // transport) ends meanwhile; nothing of it may be touched afterwards.
    SocketTelnet* t = client.telnet.get();
    EXPECT_EQ(t->tel_setup(1, nullptr, nullptr), -4);
    EXPECT_EQ(client.telnet, nullptr);
    EXPECT_TRUE(client.session.errors.empty());
}

}  // namespace
