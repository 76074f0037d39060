#include "tests/support/TestHost5250.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "tests/support/NewEnviron.h"
#include "tests/support/RegisteredTerminalTypes.h"
#include "tests/support/TestClock.h"

namespace qwtest {

namespace {

constexpr uint8_t IAC = 0xFF, DONT = 0xFE, DO = 0xFD, WONT = 0xFC, WILL = 0xFB, SB = 0xFA, SE = 0xF0,
                  EOR = 0xEF;
constexpr uint8_t kBinary = 0, kTimingMark = 6, kTermType = 24, kEor = 25, kNewEnviron = 39;

class PlainTransport : public HostTransport {
public:
    explicit PlainTransport(int fd) : fd_(fd) {}
    ~PlainTransport() override { close(fd_); }
    long Read(void* buffer, size_t size) override { return recv(fd_, buffer, size, 0); }
    long Write(const void* data, size_t size) override { return send(fd_, data, size, MSG_NOSIGNAL); }
    int Fd() const override { return fd_; }

private:
    int fd_;
};

}  // namespace

struct TestHost5250::Conn {
    std::unique_ptr<HostTransport> io;
    bool open = true;
    std::vector<uint8_t> out;
    // Client stream parser.
    enum class St { Data, Iac, Opt, Sub, SubIac } st = St::Data;
    uint8_t verb = 0;
    std::vector<uint8_t> sub;
    std::vector<uint8_t> clientBytes;
    std::vector<uint8_t> record;
    std::vector<std::vector<uint8_t>> records;
    // Options, both sides.
    bool clientWill[256] = {}, clientWont[256] = {}, clientDo[256] = {};
    bool hostSentDo[256] = {}, hostSentWill[256] = {}, hostSentDont[256] = {}, hostSentWont[256] = {};
    std::string termType;
    bool gotTermType = false;
    bool termTypeRefused = false;  // not a registered TN5250 display type
    std::map<std::string, std::string> env;
    bool envDone = false, envRefused = false;
    int phase = 0;
    int timingMarksAnswered = 0;
    bool negotiated = false;
};

TestHost5250::TestHost5250() : TestHost5250(Options()) {}
TestHost5250::TestHost5250(Options options) : opts_(std::move(options)) {}
TestHost5250::~TestHost5250() { Stop(); }

bool TestHost5250::Start() {
    if (thread_.joinable()) return true;
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (listenFd_ < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0 || listen(listenFd_, 4) < 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) < 0 ||
        pipe2(wakeFd_, O_CLOEXEC | O_NONBLOCK) < 0) {
        Stop();
        return false;
    }
    port_ = ntohs(a.sin_port);
    stop_ = false;
    thread_ = std::thread([this] { Run(); });
    return true;
}

void TestHost5250::Stop() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lk(mu_);
            stop_ = true;
        }
        Wake();
        thread_.join();
    }
    conn_.reset();
    if (listenFd_ >= 0) close(listenFd_);
    for (int& fd : wakeFd_) {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    listenFd_ = -1;
}

void TestHost5250::Wake() {
    if (wakeFd_[1] >= 0) {
        char c = 'x';
        (void)!write(wakeFd_[1], &c, 1);
    }
}

void TestHost5250::Run() {
    for (;;) {
        pollfd fds[2];
        int n = 0;
        fds[n++] = pollfd{wakeFd_[0], POLLIN, 0};
        {
            std::lock_guard<std::mutex> lk(mu_);
            if (stop_) return;
            if (conn_ && conn_->open)
                fds[n++] = pollfd{conn_->io->Fd(), static_cast<short>(POLLIN | (conn_->out.empty() ? 0 : POLLOUT)), 0};
            else
                fds[n++] = pollfd{listenFd_, POLLIN, 0};
        }
        if (poll(fds, n, -1) < 0 && errno != EINTR) return;
        char drain[64];
        while (read(wakeFd_[0], drain, sizeof drain) > 0) {
        }
        std::lock_guard<std::mutex> lk(mu_);
        if (stop_) return;
        if (!(conn_ && conn_->open) && (fds[1].revents & POLLIN)) Accept();
        if (conn_ && conn_->open) {
            if (disconnect_) {
                disconnect_ = false;
                FlushOut();
                CloseConn();
            } else {
                while (!outbox_.empty()) {
                    auto& b = outbox_.front();
                    conn_->out.insert(conn_->out.end(), b.begin(), b.end());
                    outbox_.pop_front();
                }
                if (fds[1].fd == conn_->io->Fd() && (fds[1].revents & (POLLIN | POLLHUP | POLLERR))) ReadClient();
                if (conn_->open) FlushOut();
            }
        }
        cv_.notify_all();
    }
}

void TestHost5250::Accept() {
    int fd = accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    // Every write leaves at once, as a host that sends byte by byte does.
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::unique_ptr<HostTransport> io = opts_.transport ? opts_.transport(fd) : std::make_unique<PlainTransport>(fd);
    if (!io) return;
    conn_ = std::make_unique<Conn>();
    conn_->io = std::move(io);
    ++connections_;
    recordsTaken_ = 0;
    disconnect_ = false;
    Advance();
    FlushOut();
}

void TestHost5250::CloseConn() {
    if (!conn_ || !conn_->open) return;
    conn_->io.reset();
    conn_->open = false;
}

void TestHost5250::ReadClient() {
    uint8_t buf[4096];
    for (;;) {
        long n = conn_->io->Read(buf, sizeof buf);
        if (n > 0) {
            conn_->clientBytes.insert(conn_->clientBytes.end(), buf, buf + n);
            for (long i = 0; i < n; ++i) Consume(buf[i]);
            Advance();
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        CloseConn();  // end of connection or error
        return;
    }
}

void TestHost5250::Consume(uint8_t b) {
    Conn& c = *conn_;
    switch (c.st) {
        case Conn::St::Data:
            if (b == IAC)
                c.st = Conn::St::Iac;
            else
                c.record.push_back(b);
            break;
        case Conn::St::Iac:
            c.st = Conn::St::Data;
            if (b == IAC) {
                c.record.push_back(IAC);
            } else if (b >= WILL && b <= DONT) {
                c.verb = b;
                c.st = Conn::St::Opt;
            } else if (b == SB) {
                c.sub.clear();
                c.st = Conn::St::Sub;
            } else if (b == EOR) {
                c.records.push_back(c.record);
                c.record.clear();
            }
            break;
        case Conn::St::Opt:
            c.st = Conn::St::Data;
            OnCommand(c.verb, b);
            break;
        case Conn::St::Sub:
            if (b == IAC)
                c.st = Conn::St::SubIac;
            else
                c.sub.push_back(b);
            break;
        case Conn::St::SubIac:
            if (b == IAC) {
                c.sub.push_back(IAC);
                c.st = Conn::St::Sub;
            } else {
                c.st = Conn::St::Data;
                if (b == SE) OnSub(c.sub);
            }
            break;
    }
}

void TestHost5250::Send(uint8_t verb, uint8_t option) {
    Conn& c = *conn_;
    if (verb == DO) c.hostSentDo[option] = true;
    if (verb == WILL) c.hostSentWill[option] = true;
    if (verb == DONT) c.hostSentDont[option] = true;
    if (verb == WONT) c.hostSentWont[option] = true;
    c.out.insert(c.out.end(), {IAC, verb, option});
}

void TestHost5250::OnCommand(uint8_t verb, uint8_t option) {
    Conn& c = *conn_;
    const bool refused = opts_.refuse.count(option) != 0 ||
                         (c.termTypeRefused && (option == kEor || option == kBinary || option == kNewEnviron));
    const bool wantWill = !refused && (option == kTermType || option == kEor || option == kBinary ||
                                       (option == kNewEnviron && opts_.askEnvironment));
    const bool wantDo = !refused && (option == kEor || option == kBinary);
    if (option == kTimingMark && (verb == WILL || verb == WONT)) {
        ++c.timingMarksAnswered;
        return;
    }
    switch (verb) {
        case WILL:
            c.clientWont[option] = false;
            if (wantWill) {
                c.clientWill[option] = true;
                if (!c.hostSentDo[option]) Send(DO, option);  // an answer; not after our own DO
            } else if (!c.hostSentDont[option]) {
                Send(DONT, option);
            }
            break;
        case WONT:
            c.clientWill[option] = false;
            c.clientWont[option] = true;
            if (option == kNewEnviron) c.envRefused = true;
            break;
        case DO:
            if (wantDo) {
                c.clientDo[option] = true;
                if (!c.hostSentWill[option]) Send(WILL, option);
            } else if (!c.hostSentWont[option]) {
                Send(WONT, option);
            }
            break;
        case DONT:
            c.clientDo[option] = false;
            break;
    }
}

void TestHost5250::OnSub(const std::vector<uint8_t>& sub) {
    Conn& c = *conn_;
    if (sub.size() < 2 || sub[1] != 0) return;  // only IS
    if (sub[0] == kTermType) {
        c.termType.assign(sub.begin() + 2, sub.end());
        c.gotTermType = true;
    } else if (sub[0] == kNewEnviron) {
        new_environ::ForEachVariable(
            sub, [&c](const std::string& name, const std::string& value) { c.env[name] = value; });
        c.envDone = true;
    }
}

// The host's side of the negotiation, one step after another as the
// client's answers come.
void TestHost5250::Advance() {
    Conn& c = *conn_;
    for (int before = -1; before != c.phase;) {
        before = c.phase;
        switch (c.phase) {
            case 0:
                if (!c.hostSentDo[kTermType]) Send(DO, kTermType);
                c.phase = 1;
                break;
            case 1:
                if (c.clientWill[kTermType]) {
                    c.out.insert(c.out.end(), {IAC, SB, kTermType, 1, IAC, SE});
                    c.phase = 2;
                }
                break;
            case 2:
                if (c.gotTermType && !tn5250_host::IsRegisteredDisplayType(c.termType)) {
                    // As a host does: no 5250 session for an unknown terminal.
                    c.termTypeRefused = true;
                    for (uint8_t opt : {kEor, kBinary}) {
                        Send(WONT, opt);
                        Send(DONT, opt);
                    }
                    c.phase = 8;
                } else if (c.gotTermType) {
                    if (opts_.askEnvironment) {
                        if (!c.hostSentDo[kNewEnviron]) Send(DO, kNewEnviron);
                        c.phase = 3;
                    } else {
                        c.phase = 5;
                    }
                }
                break;
            case 3:
                if (c.clientWill[kNewEnviron]) {
                    // SEND with an empty VAR and USERVAR list: every variable.
                    c.out.insert(c.out.end(), {IAC, SB, kNewEnviron, 1, 0, 3, IAC, SE});
                    c.phase = 4;
                } else if (c.envRefused) {
                    c.phase = 5;
                }
                break;
            case 4:
                if (c.envDone) c.phase = 5;
                break;
            case 5:
                if (opts_.timingMarkDuringNegotiation) c.out.insert(c.out.end(), {IAC, DO, kTimingMark});
                for (uint8_t opt : {kEor, kBinary}) {
                    if (opts_.refuse.count(opt)) {
                        if (!c.hostSentWont[opt]) Send(WONT, opt);
                        if (!c.hostSentDont[opt]) Send(DONT, opt);
                    } else {
                        if (!c.hostSentDo[opt]) Send(DO, opt);
                        if (!c.hostSentWill[opt]) Send(WILL, opt);
                    }
                }
                c.phase = 6;
                break;
            case 6:
                if (c.clientWill[kEor] && c.clientDo[kEor] && c.clientWill[kBinary] && c.clientDo[kBinary]) {
                    c.negotiated = true;
                    c.phase = 7;
                }
                break;
            default:
                break;
        }
    }
}

void TestHost5250::FlushOut() {
    Conn& c = *conn_;
    while (!c.out.empty() && c.open) {
        long n = c.io->Write(c.out.data(), c.out.size());
        if (n > 0) {
            c.out.erase(c.out.begin(), c.out.begin() + n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        CloseConn();
    }
}

void TestHost5250::Queue(std::vector<uint8_t> bytes) {
    {
        std::lock_guard<std::mutex> lk(mu_);
        outbox_.push_back(std::move(bytes));
    }
    Wake();
}

void TestHost5250::SendRecord(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> wire;
    wire.reserve(bytes.size() + bytes.size() / 8 + 2);
    for (uint8_t b : bytes) {
        wire.push_back(b);
        if (b == IAC) wire.push_back(IAC);
    }
    wire.push_back(IAC);
    wire.push_back(EOR);
    Queue(std::move(wire));
}

void TestHost5250::SendRaw(const std::vector<uint8_t>& bytes) { Queue(bytes); }

void TestHost5250::Disconnect() {
    {
        std::lock_guard<std::mutex> lk(mu_);
        disconnect_ = true;
    }
    Wake();
}

bool TestHost5250::WaitFor(int timeoutMs, const Pump& pump, const std::function<bool()>& done) {
    Deadline deadline(timeoutMs);
    std::unique_lock<std::mutex> lk(mu_);
    while (!done()) {
        if (deadline.Expired()) return false;
        if (pump) {
            lk.unlock();
            pump();
            lk.lock();
        } else {
            cv_.wait_for(lk, std::chrono::milliseconds(deadline.RemainingMs(100)));
        }
    }
    return true;
}

bool TestHost5250::WaitNegotiated(int timeoutMs, const Pump& pump) {
    return WaitFor(timeoutMs, pump, [this] { return conn_ && conn_->negotiated; });
}

bool TestHost5250::Barrier(int timeoutMs, const Pump& pump) {
    int target;
    {
        std::lock_guard<std::mutex> lk(mu_);
        if (!conn_ || !conn_->open) return false;
        target = conn_->timingMarksAnswered + 1;
    }
    Queue({IAC, DO, kTimingMark});
    return WaitFor(timeoutMs, pump, [this, target] { return conn_ && conn_->timingMarksAnswered >= target; });
}

bool TestHost5250::WaitForRecord(int timeoutMs, const Pump& pump, std::vector<uint8_t>* record) {
    if (!WaitFor(timeoutMs, pump, [this] { return conn_ && conn_->records.size() > recordsTaken_; })) return false;
    std::lock_guard<std::mutex> lk(mu_);
    if (record) *record = conn_->records[recordsTaken_];
    ++recordsTaken_;
    return true;
}

bool TestHost5250::WaitClientClosed(int timeoutMs, const Pump& pump) {
    return WaitFor(timeoutMs, pump, [this] { return conn_ && !conn_->open; });
}

bool TestHost5250::Negotiated() const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ && conn_->negotiated;
}

std::string TestHost5250::TerminalType() const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ ? conn_->termType : std::string();
}

std::map<std::string, std::string> TestHost5250::Environment() const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ ? conn_->env : std::map<std::string, std::string>();
}

std::string TestHost5250::DeviceName() const {
    std::lock_guard<std::mutex> lk(mu_);
    if (!conn_) return std::string();
    auto it = conn_->env.find("DEVNAME");
    return it == conn_->env.end() ? std::string() : it->second;
}

bool TestHost5250::TerminalTypeRefused() const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ && conn_->termTypeRefused;
}

bool TestHost5250::WaitTerminalType(int timeoutMs, const Pump& pump) {
    return WaitFor(timeoutMs, pump, [this] { return conn_ && conn_->gotTermType; });
}

bool TestHost5250::ClientRefusedEnvironment() const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ && conn_->envRefused;
}

bool TestHost5250::ClientRefused(uint8_t option) const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ && conn_->clientWont[option];
}

std::vector<uint8_t> TestHost5250::ClientBytes() const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ ? conn_->clientBytes : std::vector<uint8_t>();
}

std::vector<std::vector<uint8_t>> TestHost5250::Records() const {
    std::lock_guard<std::mutex> lk(mu_);
    return conn_ ? conn_->records : std::vector<std::vector<uint8_t>>();
}

int TestHost5250::Connections() const {
    std::lock_guard<std::mutex> lk(mu_);
    return connections_;
}

}  // namespace qwtest
