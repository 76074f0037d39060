#include "login/cardsim/CardReaderSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "login/card/LitronicReader.h"
#include "login/card/UnixSerialDevice.h"

namespace {

// A terminal line whose modem lines are the simulator's.
class SimulatedLineDevice : public UnixSerialDevice {
 public:
  SimulatedLineDevice(const char* path, CardReaderSimulator* sim) : UnixSerialDevice(path), sim_(sim) {}
  void clearRTS() override { sim_->lineRTS(false); }
  void setRTS() override { sim_->lineRTS(true); }
  int carrierDetect() override { return sim_->carrier() ? 1 : 0; }
  void setDTR() override { sim_->lineDTR(true); }
  void clearDTR() override { sim_->lineDTR(false); }

 private:
  CardReaderSimulator* sim_;
};

bool Incoming(uint8_t ins) {
  return ins == 0xA4 || ins == 0xD6 || ins == 0x20 || ins == 0x24 || ins == 0x2C;
}

std::vector<uint8_t> Padded(const std::string& s) {
  std::vector<uint8_t> v(8, 0xFF);
  for (size_t i = 0; i < s.size() && i < 8; ++i) v[i] = static_cast<uint8_t>(s[i]);
  return v;
}

std::vector<uint8_t> Packed(const std::string& s) {
  std::vector<uint8_t> p = Padded(s), out(4);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(((p[2 * i] << 4) & 0xF0) | (p[2 * i + 1] & 0x0F));
  return out;
}

constexpr size_t kHeaderFileBytes = 96;
constexpr size_t kDataFileBytes = 440;

}  // namespace

CardReaderSimulator::CardReaderSimulator(Dialect dialect) : CardReaderSimulator(dialect, Options()) {}

CardReaderSimulator::CardReaderSimulator(Dialect dialect, Options options)
    : dialect_(dialect), options_(std::move(options)) {
  if (options_.atr.empty()) {
    // Byte 2 tells the families apart: 0xFF on a GemPlus card.
    if (dialect_ == GemPlus)
      options_.atr = {0x3B, 0x27, 0xFF, 'G', 'P', 'K', '4', '0', '0', '0'};
    else
      options_.atr = {0x3B, 0x22, 0x00, 'S', 'C'};
  }
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) throw std::runtime_error("no pty");
  path_ = ptsname(master_);
  slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (slave_ < 0) throw std::runtime_error("no pty slave");
  struct termios tio;
  tcgetattr(slave_, &tio);
  cfmakeraw(&tio);
  tcsetattr(slave_, TCSANOW, &tio);
  if (pipe2(wakePipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("no pipe");
  files_[kIdentityKey] = std::vector<uint8_t>(16);
  for (int i = 0; i < 16; ++i) files_[kIdentityKey][i] = static_cast<uint8_t>(0xA0 + i);
  files_[0x20] = std::vector<uint8_t>(kHeaderFileBytes, 0xFF);
  for (uint16_t f = 0x21; f <= 0x24; ++f) files_[f] = std::vector<uint8_t>(kDataFileBytes, 0xFF);
  thread_ = std::thread([this] { run(); });
}

CardReaderSimulator::~CardReaderSimulator() {
  stop_ = true;
  wake();
  if (thread_.joinable()) thread_.join();
  ::close(master_);
  ::close(slave_);
  ::close(wakePipe_[0]);
  ::close(wakePipe_[1]);
}

SerialDevice* CardReaderSimulator::newDevice() {
  auto* device = new SimulatedLineDevice(path_.c_str(), this);
  device->open();
  return device;
}

CardReader* CardReaderSimulator::newReader() { return new LitronicReader(newDevice()); }

std::vector<uint8_t> CardReaderSimulator::file(uint16_t id) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = files_.find(id);
  return it == files_.end() ? std::vector<uint8_t>() : it->second;
}

void CardReaderSimulator::setFile(uint16_t id, std::vector<uint8_t> bytes) {
  std::lock_guard<std::mutex> lock(mutex_);
  files_[id] = std::move(bytes);
}

std::vector<CardReaderSimulator::Command> CardReaderSimulator::commands() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

void CardReaderSimulator::clearCommands() {
  std::lock_guard<std::mutex> lock(mutex_);
  commands_.clear();
}

std::vector<uint8_t> CardReaderSimulator::answerToReset() const {
  std::vector<uint8_t> a = options_.atr;
  uint8_t check = 0;
  for (uint8_t b : a) check ^= b;
  a.push_back(options_.badCheckByte ? static_cast<uint8_t>(check ^ 0x01) : check);
  return a;
}

void CardReaderSimulator::lineRTS(bool on) {
  bool was = rts_.exchange(on);
  if (was && !on && dtr_ && inserted_) {
    resetPending_ = true;
    wake();
  }
}

void CardReaderSimulator::wake() {
  char c = 1;
  ssize_t r = ::write(wakePipe_[1], &c, 1);
  (void)r;
}

void CardReaderSimulator::emit(const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes) {
    if (options_.baud) {
      // 11 bits a character: start, 8 data, parity, stop.
      auto slot = std::chrono::microseconds(11'000'000 / options_.baud);
      auto now = std::chrono::steady_clock::now();
      if (nextSlot_ < now) nextSlot_ = now;
      nextSlot_ += slot;
      std::this_thread::sleep_until(nextSlot_);
    }
    ssize_t r = ::write(master_, &b, 1);
    if (r == 1) ++bytesSent_;
  }
}

void CardReaderSimulator::run() {
  while (!stop_) {
    struct pollfd p[2] = {{master_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
    int r = poll(p, 2, 1000);
    if (r < 0) continue;
    if (p[1].revents & POLLIN) {
      char buf[16];
      while (::read(wakePipe_[0], buf, sizeof buf) > 0) {
      }
    }
    if (stop_) break;
    if (resetPending_.exchange(false)) {
      ++resets_;
      header_.clear();
      collectingData_ = false;
      current_ = 0x3F00;
      if (!options_.silent) {
        std::vector<uint8_t> out = options_.noise;
        std::vector<uint8_t> atr = answerToReset();
        out.insert(out.end(), atr.begin(), atr.end());
        emit(out);
      }
    }
    if (p[0].revents & POLLIN) {
      uint8_t buf[64];
      ssize_t n = ::read(master_, buf, sizeof buf);
      for (ssize_t i = 0; i < n; ++i) hostByte(buf[i]);
    }
  }
}

void CardReaderSimulator::procedure(uint8_t pb) {
  for (unsigned i = 0; i < options_.nullsBeforeAck; ++i) emit({0x60});
  if (options_.endlessNulls) {
    while (!stop_) {
      emit({0x60});
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      struct pollfd p = {wakePipe_[0], POLLIN, 0};
      if (poll(&p, 1, 0) > 0) break;
    }
    return;
  }
  emit({pb});
}

void CardReaderSimulator::hostByte(uint8_t byte) {
  emit({byte});  // the echo of the line
  if (collectingData_) {
    data_.push_back(byte);
    if (data_.size() == dataWanted_) {
      collectingData_ = false;
      finishIncoming();
    } else if (options_.byteByByte) {
      emit({static_cast<uint8_t>(~header_[1])});
    }
    return;
  }
  header_.push_back(byte);
  if (header_.size() == 5) startCommand();
}

void CardReaderSimulator::startCommand() {
  const uint8_t ins = header_[1];
  data_.clear();
  if (Incoming(ins)) {
    dataWanted_ = header_[4];
    if (dataWanted_ == 0) {
      finishIncoming();
      return;
    }
    collectingData_ = true;
    procedure(options_.byteByByte ? static_cast<uint8_t>(~ins) : ins);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Command c;
    std::memcpy(c.header, header_.data(), 5);
    commands_.push_back(c);
  }
  std::vector<uint8_t> out;
  uint16_t sw = outgoingCommand(header_.data(), &out);
  if (out.empty())
    sendStatus(sw);
  else
    sendOutgoing(out, sw);
  header_.clear();
}

void CardReaderSimulator::finishIncoming() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Command c;
    std::memcpy(c.header, header_.data(), 5);
    c.data = data_;
    commands_.push_back(c);
  }
  uint16_t sw = incomingCommand(header_.data(), data_);
  header_.clear();
  sendStatus(sw);
}

void CardReaderSimulator::sendOutgoing(const std::vector<uint8_t>& data, uint16_t sw) {
  const uint8_t ins = header_[1];
  std::vector<uint8_t> out;
  procedure(options_.byteByByte ? static_cast<uint8_t>(~ins) : ins);
  if (options_.byteByByte) {
    for (size_t i = 0; i < data.size(); ++i) {
      if (i) out.push_back(static_cast<uint8_t>(~ins));
      out.push_back(data[i]);
    }
    // The first complemented INS went out as the procedure byte above.
  } else {
    out = data;
  }
  emit(out);
  sendStatus(sw);
}

void CardReaderSimulator::sendStatus(uint16_t sw) {
  emit({static_cast<uint8_t>(sw >> 8), static_cast<uint8_t>(sw)});
}

uint16_t CardReaderSimulator::selectAnswer(size_t responseBytes) {
  return static_cast<uint16_t>(((dialect_ == GemPlus ? 0x61 : 0x9F) << 8) | responseBytes);
}

uint16_t CardReaderSimulator::wrongPin() {
  if (--pinTries_ == 0) return 0x6983;
  return options_.countsTries ? static_cast<uint16_t>(0x63C0 | pinTries_) : 0x6300;
}

uint16_t CardReaderSimulator::incomingCommand(const uint8_t* h, const std::vector<uint8_t>& data) {
  std::lock_guard<std::mutex> lock(mutex_);
  const uint8_t cla = h[0], ins = h[1], p1 = h[2];
  const bool gem = dialect_ == GemPlus;
  if (ins == 0xA4) {
    if (cla != 0xC0 || data.size() != 2) return 0x6A80;
    uint16_t id = static_cast<uint16_t>((data[0] << 8) | data[1]);
    response_.assign(gem ? 20 : 16, 0);
    if (id == 0x3F00 || id == 0x5158) {
      current_ = id;
      response_[15] = 5;  // elementary files 0x20-0x24
      response_.resize(options_.directoryResponse);
      return selectAnswer(response_.size());
    }
    if (id == 0x0020 && current_ == 0x3F00) id = kIdentityKey;
    auto it = files_.find(id);
    if (it == files_.end()) return 0x6A82;
    current_ = id;
    size_t size = it->second.size();
    size_t at = gem ? 6 : 2;
    response_[at] = static_cast<uint8_t>(size >> 8);
    response_[at + 1] = static_cast<uint8_t>(size);
    return selectAnswer(response_.size());
  }
  if (ins == 0xD6) {
    if (cla != 0xC0) return 0x6E00;
    auto it = files_.find(current_);
    if (it == files_.end()) return 0x6986;
    size_t off = static_cast<size_t>((h[2] << 8) | h[3]) * (gem ? 4 : 1);
    if (off + data.size() > it->second.size()) return 0x6B00;
    std::memcpy(it->second.data() + off, data.data(), data.size());
    return 0x9000;
  }
  if (pinTries_ == 0 && ins != 0x2C && !(gem && ins == 0x24 && p1 == 1)) return 0x6983;
  if (ins == 0x20) {
    if (data != Padded(options_.pin)) return wrongPin();
    pinTries_ = 3;
    return 0x9000;
  }
  // PIN change and unblock: the old PIN or code first, the new PIN after it.
  bool unblock = gem ? (ins == 0x24 && p1 == 1) : ins == 0x2C;
  if (gem ? cla != 0x80 : cla != 0xF0) return 0x6E00;
  size_t half = data.size() / 2;
  std::vector<uint8_t> first(data.begin(), data.begin() + half), second(data.begin() + half, data.end());
  const std::string& secret = unblock ? options_.unblockCode : options_.pin;
  if (first != (gem ? Packed(secret) : Padded(secret))) return unblock ? 0x6300 : wrongPin();
  std::string fresh;
  for (uint8_t b : second) {
    if (gem) {
      if ((b >> 4) != 0xF) fresh += static_cast<char>('0' + (b >> 4));
      if ((b & 0x0F) != 0xF) fresh += static_cast<char>('0' + (b & 0x0F));
    } else if (b != 0xFF) {
      fresh += static_cast<char>(b);
    }
  }
  options_.pin = fresh;
  pinTries_ = 3;
  return 0x9000;
}

uint16_t CardReaderSimulator::outgoingCommand(const uint8_t* h, std::vector<uint8_t>* out) {
  std::lock_guard<std::mutex> lock(mutex_);
  const size_t le = h[4] ? h[4] : 256;
  if (h[0] != 0xC0) return 0x6E00;
  if (h[1] == 0xC0) {
    out->assign(response_.begin(), response_.begin() + std::min(le, response_.size()));
    response_.clear();
    return 0x9000;
  }
  if (h[1] == 0xB0) {
    auto it = files_.find(current_);
    if (it == files_.end()) return 0x6986;
    size_t off = static_cast<size_t>((h[2] << 8) | h[3]) * (dialect_ == GemPlus ? 4 : 1);
    if (off >= it->second.size()) return 0x6B00;
    size_t n = std::min(le, it->second.size() - off);
    out->assign(it->second.begin() + off, it->second.begin() + off + n);
    return 0x9000;
  }
  return 0x6D00;
}
