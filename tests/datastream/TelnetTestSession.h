// A session stand-in for the Telnet transport tests: records what the
// transport hands over (data, record ends, connection errors, status
// numbers) and splits the data into records at the host's IAC EOR.
#pragma once

#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"

namespace qwtest {

class TelnetTestSession : public TelnetSessionLink {
public:
    explicit TelnetTestSession(EventSources& events) : events_(events) {}

    EventSources& eventSources() override { return events_; }
    int s5250_accept(const unsigned char* data, int length) override {
        ++acceptCalls;
        stream.insert(stream.end(), data, data + length);
        current.insert(current.end(), data, data + length);
        return onAccept ? onAccept() : 0;
    }
    void s5250_accept_eor() override {
        records.push_back(current);
        current.clear();
    }
    int x_comm_msg(unsigned int number) override {
        statuses.push_back(number);
        return onStatus ? onStatus(number) : 0;
    }
    void connectError(const char* msgName, int retry) override { errors.emplace_back(msgName, retry); }
    void transparentModeReached() override { ++transparentCount; }
    void setPort(int p) override { port = p; }
    int negotiateTimeoutSeconds() const override { return negotiateSeconds; }
    int connectTimeoutSeconds() const override { return connectSeconds; }
    bool languageValues(TelnetLanguageValues& values) const override {
        if (!language.keyboardType) return false;
        values = language;
        return true;
    }

    std::vector<uint8_t> stream;   // every data byte handed over
    std::vector<uint8_t> current;  // data since the last record end
    std::vector<std::vector<uint8_t>> records;
    std::vector<std::pair<std::string, int>> errors;
    std::vector<unsigned> statuses;
    int acceptCalls = 0;
    int transparentCount = 0;
    int port = -1;
    int negotiateSeconds = 5;
    int connectSeconds = 5;
    TelnetLanguageValues language{nullptr, nullptr, nullptr};
    std::function<int()> onAccept;            // its result is s5250_accept's
    std::function<int(unsigned)> onStatus;    // its result is x_comm_msg's

private:
    EventSources& events_;
};

// TelnetLAN on a socket connected by the test (one end of a socketpair).
class SocketTelnet : public TelnetLAN {
public:
    using TelnetLAN::TelnetLAN;
    using TelnetLAN::adoptConnectedSocket;
};

// A connected pair of stream sockets; `host` is the test's end.
struct SocketPair {
    int client = -1;
    int host = -1;
    SocketPair() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) == 0) {
            client = fds[0];
            host = fds[1];
        }
    }
    ~SocketPair() {
        if (host >= 0) close(host);
        if (client >= 0) close(client);
    }
    // The client end belongs to the transport once adopted.
    int TakeClient() {
        int fd = client;
        client = -1;
        return fd;
    }
    void Write(const std::vector<uint8_t>& bytes) const {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::write(host, bytes.data() + done, bytes.size() - done);
            if (n <= 0) return;
            done += static_cast<size_t>(n);
        }
    }
    // Everything the client sent so far (the host end does not block).
    std::vector<uint8_t> ReadAll() const {
        std::vector<uint8_t> out;
        uint8_t buf[4096];
        for (;;) {
            ssize_t n = recv(host, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0) break;
            out.insert(out.end(), buf, buf + n);
        }
        return out;
    }
    void CloseHost() {
        if (host >= 0) close(host);
        host = -1;
    }
};

inline std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list) v.push_back(static_cast<uint8_t>(b));
    return v;
}

inline std::vector<uint8_t> Concat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> v;
    for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

inline std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace qwtest
