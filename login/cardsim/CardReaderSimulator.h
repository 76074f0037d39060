#pragma once
// A simulated Litronic reader with a card behind it, on a pseudo-terminal.
// The card side runs in a thread on the master end: it echoes every byte
// the host sends (the reader's wiring), answers a reset with noise, an
// answer-to-reset and its check byte, and plays ISO 7816-4 commands through
// the T=0 procedure bytes in either card dialect. The modem lines (DTR,
// RTS, carrier detect) cannot travel over a pseudo-terminal: the devices
// made here route them to the simulator in-process.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CardReader;
class SerialDevice;

class CardReaderSimulator {
 public:
  enum Dialect { Schlumberger, GemPlus };
  struct Options {
    // The answer without its check byte; empty: the dialect's default.
    std::vector<uint8_t> atr;
    std::vector<uint8_t> noise = {0x00, 0x55};  // line noise before the answer
    bool badCheckByte = false;
    bool silent = false;            // no answer to a reset
    unsigned nullsBeforeAck = 0;    // NULL procedure bytes before each ACK
    bool endlessNulls = false;      // NULL procedure bytes without end
    bool byteByByte = false;        // one complemented INS per data byte
    unsigned baud = 0;              // pace the card's output; 0 unpaced
    size_t directoryResponse = 16;  // bytes of the directories' selection response
    std::string pin = "1234";
    std::string unblockCode = "87654321";
    bool countsTries = false;  // a wrong PIN answers 63 Cx, x the tries left, not 63 00
  };
  struct Command {
    uint8_t header[5];
    std::vector<uint8_t> data;
  };

  explicit CardReaderSimulator(Dialect dialect);
  CardReaderSimulator(Dialect dialect, Options options);
  ~CardReaderSimulator();
  CardReaderSimulator(const CardReaderSimulator&) = delete;
  CardReaderSimulator& operator=(const CardReaderSimulator&) = delete;

  // The slave end's path.
  const std::string& devicePath() const { return path_; }
  // An opened serial device on the slave end whose modem lines are this
  // simulator's; owned by the caller (or the reader it is given to).
  SerialDevice* newDevice();
  CardReader* newReader();

  void insertCard(bool inserted) { inserted_ = inserted; }
  void setCountsTries(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    options_.countsTries = on;
  }
  bool dtr() const { return dtr_; }
  int resets() const { return resets_; }
  // Bytes the card side has put on the line (echoes included).
  long bytesSent() const { return bytesSent_; }
  // The identity file 0020 below the master file.
  std::vector<uint8_t> identity() const { return file(kIdentityKey); }
  // Contents of an elementary file of the application directory (0x20-0x24).
  std::vector<uint8_t> file(uint16_t id) const;
  void setFile(uint16_t id, std::vector<uint8_t> bytes);
  std::vector<Command> commands() const;
  void clearCommands();
  // The answer the card sends, check byte included.
  std::vector<uint8_t> answerToReset() const;

  // Modem lines, as the devices drive them.
  void lineDTR(bool on) { dtr_ = on; }
  void lineRTS(bool on);
  bool carrier() const { return inserted_; }

 private:
  void run();
  void wake();
  void emit(const std::vector<uint8_t>& bytes);
  void hostByte(uint8_t byte);
  void startCommand();
  void finishIncoming();
  void sendOutgoing(const std::vector<uint8_t>& data, uint16_t sw);
  void sendStatus(uint16_t sw);
  uint16_t incomingCommand(const uint8_t* h, const std::vector<uint8_t>& data);
  uint16_t outgoingCommand(const uint8_t* h, std::vector<uint8_t>* out);
  uint16_t selectAnswer(size_t responseBytes);
  // A wrong PIN costs a try; the last one blocks the PIN.
  uint16_t wrongPin();
  void procedure(uint8_t pb);

  // The identity file's key among the files: its identifier collides with
  // the header file's, one level down.
  static constexpr uint16_t kIdentityKey = 0xF020;
  Dialect dialect_;
  Options options_;
  std::string path_;
  int master_ = -1;
  int slave_ = -1;
  int wakePipe_[2] = {-1, -1};
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> inserted_{true};
  std::atomic<bool> dtr_{false};
  std::atomic<bool> rts_{false};
  std::atomic<bool> resetPending_{false};
  std::atomic<int> resets_{0};
  std::atomic<long> bytesSent_{0};
  std::chrono::steady_clock::time_point nextSlot_;

  mutable std::mutex mutex_;
  std::map<uint16_t, std::vector<uint8_t>> files_;
  std::vector<Command> commands_;
  // Card-thread state.
  std::vector<uint8_t> header_;
  std::vector<uint8_t> data_;
  size_t dataWanted_ = 0;
  bool collectingData_ = false;
  uint16_t current_ = 0x3F00;
  std::vector<uint8_t> response_;
  int pinTries_ = 3;
};
